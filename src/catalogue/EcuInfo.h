#pragma once
// The version data of the loaded description as the "Ecu Info" box shows it.
#include <QString>

class TextCatalogue;

namespace kitbox {

class DialogService;
class VedamisApi;

class EcuInfo {
public:
    // Runs "_VERSIONINFO" of description and builds the box text from set 1:
    // the fixed block, the comment lines, the base descriptions.
    static QString text(VedamisApi &api, const QString &description);
    // Shows the box; without a loaded description text 54 instead.
    static void show(VedamisApi &api, DialogService &dialogs, const TextCatalogue &texts, const QString &loadedName);
};

} // namespace kitbox
