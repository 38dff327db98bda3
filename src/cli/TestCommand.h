#pragma once
// "test FILE.tst": runs a test matrix with the workbench's own test run and
// writes the same log as the results window to standard output.
#include <kitbox/Result.h>

#include <QString>
#include <QStringList>
#include <QTextStream>

namespace kitbox {

class Clock;
class DialogService;
class VedamisApi;

struct TestRequest {
    QString file;
    int step = 0;      // 1..15: run only this step, as the single-step command does; 0: the whole test
    QString junitPath; // also write a JUnit-style report here
    QString language;  // "de" or "en"; empty: the settings file's language
    QString settingsFilePath;
};

// Reads the words after "test". Fails with a message for a wrong command line.
Result<TestRequest> parseTestArguments(const QStringList &words);
QString testUsage();

// Exit codes.
constexpr int testPassed = 0;
constexpr int testNotRun = 1; // wrong command line, test file missing or unreadable, report not written
constexpr int testFailed = 2; // a job failed or its JOB_STATUS was not OKAY, or the run was interrupted

int runTestCommand(const TestRequest &request, VedamisApi &api, DialogService &dialogs, Clock &clock, QTextStream &out,
                   QTextStream &err);

// The whole command for main(): the words after "test".
int testCommandMain(const QStringList &words, QTextStream &out, QTextStream &err);

} // namespace kitbox
