#pragma once
// "jobs FILE [--job NAME]": loads a description or group file as the
// workbench does and prints its job list, or one job's details.
#include <QStringList>
#include <QTextStream>

namespace kitbox {

class DialogService;
class SifterApi;
class VedamisApi;

struct JobsRequest {
    QString file;
    QString job;              // empty: the job list
    QString settingsFilePath; // decides the language, the information options and the ERR file
};

// Returns the exit code: 0 on success, 1 when loading failed or the job is
// not in the list. Errors go to err.
int runJobsCommand(const JobsRequest &request, VedamisApi &api, SifterApi &sifter, DialogService &dialogs,
                   QTextStream &out, QTextStream &err);

} // namespace kitbox
