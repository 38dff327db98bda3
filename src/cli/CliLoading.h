#pragma once
// What every command of kitbox32-cli does before its own work: read the
// workbench's settings file, choose the language and load the description
// exactly as the workbench's loading does, with messages on the error stream.
#include "catalogue/DescriptionLoader.h"
#include "catalogue/JobCatalogue.h"
#include "shell/Settings.h"

#include <QString>
#include <QTextStream>

#include <functional>

namespace kitbox {

class DialogService;
class SifterApi;
class VedamisApi;

// Loading reports runtime errors into the error stream, as the workbench reports them in the results window.
class ConsoleHost : public CatalogueHost {
public:
    explicit ConsoleHost(QTextStream &err) : m_err(err) {}
    void reportRuntimeError(qint16 code, const QString &text) override;
    int errors = 0;

private:
    QTextStream &m_err;
};

struct CliLoadRequest {
    QString settingsFilePath;  // empty: the defaults
    QString language;          // "de", "en" or empty for the settings file's choice
    QString file;              // description or group file
    bool readTables = false;   // the tables are read whatever the settings file's table option says
};

// A name without directory that is not a file here: EcuPath/NAME.PRG, else .GRP.
QString resolveDescription(const QString &file, VedamisApi &api);

// Reads the settings file (empty path: the defaults) into `settings` and selects the language of
// `TextCatalogue::shared()`: "de" or "en", or the settings file's choice when language is empty.
void readCliSettings(const QString &settingsFilePath, const QString &language, Settings &settings);

// Reads the settings into `settings`, selects the language of `TextCatalogue::shared()` and
// loads the file into `catalogue`. False when loading failed (the host has reported why).
bool loadForCli(const CliLoadRequest &request, VedamisApi &api, SifterApi &sifter, DialogService &dialogs,
                Settings &settings, JobCatalogue &catalogue, ConsoleHost &host);

// Loads as loadForCli does, with settings read before: for a command that
// loads one description after another.
bool loadWithCliSettings(const CliLoadRequest &request, const Settings &settings, VedamisApi &api, SifterApi &sifter,
                         DialogService &dialogs, JobCatalogue &catalogue, ConsoleHost &host);

// What a command works with: the opened runtime, the locator, the dialogs
// (messages go to the error stream) and the workbench's settings file.
struct CliSession {
    VedamisApi &api;
    SifterApi &sifter;
    DialogService &dialogs;
    QString settingsFilePath;
};

// Opens the program's runtime and locator, runs command and ends the runtime.
// Returns command's exit code, or 1 when the runtime or the locator cannot be opened.
int runWithCliSession(QTextStream &err, const std::function<int(CliSession &)> &command);

}  // namespace kitbox
