#pragma once
// "run FILE JOB [ARGUMENTS] [RESULTS]": loads a description as the workbench
// does, runs one job through the same report code as the results window and
// prints the report exactly as the window would show it (CR LF line ends).
#include <kitbox/Result.h>

#include <QStringList>
#include <QTextStream>

#include <optional>

namespace kitbox {

class Clock;
class DialogService;
class SifterApi;
class VedamisApi;

struct RunRequest {
    QString file;       // description or group file; a bare name is looked up in EcuPath
    QString job;
    QString arguments;  // argument text, or hex bytes with data
    QString results;    // result filter, names separated by ";"
    bool data = false;  // the arguments are hex bytes for the data start
    QStringList sortBy;  // the result list's order for grouping the report
    // Suffixes (EINH, INFO, TEXT) whose results are left out of a UDS
    // description's report; unset: the settings file's switches.
    std::optional<QStringList> udsHidden;
    QString language;  // "de" or "en"; empty: the settings file's language
    // ZEMO_FS_MODE word; unset: the settings file's. With bit 256 the memory
    // jobs fs_lesen, is_lesen and hs_lesen get the fault-memory report.
    std::optional<int> faultMode;
    int repeat = 1;
    int pauseMs = 0;
    QString settingsFilePath;
};

// Reads the words after "run". Fails with a message for a wrong command line.
Result<RunRequest> parseRunArguments(const QStringList &words);
QString runUsage();

// Exit code: 0, 2 when a report holds a runtime error line, 1 when the
// description cannot be loaded or the job is not in its list.
int runRunCommand(const RunRequest &request, VedamisApi &api, SifterApi &sifter, DialogService &dialogs,
                  Clock &clock, QTextStream &out, QTextStream &err);

// The whole command for main(): the words after "run", the program's runtime
// and locator, and the settings file beside the workbench.
int runCommandMain(const QStringList &words, QTextStream &out, QTextStream &err);

}  // namespace kitbox
