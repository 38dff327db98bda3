#pragma once
// Making a description the current one: choosing the file, running "_JOBS"
// (and the base descriptions' ones) for the job list, and filling the
// catalogue from the file. The windows are reached through CatalogueHost,
// message boxes and the open dialog through DialogService.
#include "catalogue/CatalogueFill.h"
#include "catalogue/CatalogueHost.h"
#include "catalogue/JobCatalogue.h"

class TextCatalogue;

namespace kitbox {

class DialogService;
class SifterApi;
class VedamisApi;

class DescriptionLoader {
public:
    DescriptionLoader(VedamisApi &api, SifterApi &sifter, DialogService &dialogs, const TextCatalogue &texts,
                      CatalogueHost &host)
        : m_api(api), m_sifter(sifter), m_dialogs(dialogs), m_texts(texts), m_host(host)
    {
    }

    // SGBD_Laden: with an empty name the open dialog asks for the file.
    // Returns whether a file was loaded (its job list may still be empty when
    // the runtime refused it).
    bool load(JobCatalogue &catalogue, const QString &fileName, const CatalogueOptions &options);

    // The upper-cased file name without directory and extension
    // ("/ecu/abc.prg" gives "ABC").
    static QString loadedNameOf(const QString &path);
    // Everything before the last "/" ("" when there is none).
    static QString directoryOf(const QString &path);
    // The open dialog's filter: descriptions first, then group files.
    QString openFilter() const;

private:
    QString chooseFile();
    void loadFile(JobCatalogue &catalogue, const QString &path, const CatalogueOptions &options);
    void message(const QString &text, const CatalogueOptions &options);

    VedamisApi &m_api;
    SifterApi &m_sifter;
    DialogService &m_dialogs;
    const TextCatalogue &m_texts;
    CatalogueHost &m_host;
};

} // namespace kitbox
