// kitbox32-cli: the workbench's logic without windows.
#include "catalogue/SifterApi.h"
#include "cli/CheckCommand.h"
#include "cli/CliLoading.h"
#include "cli/JobsCommand.h"
#include "cli/RecordSimCommand.h"
#include "cli/RunCommand.h"
#include "cli/TablesCommand.h"
#include "cli/TestCommand.h"
#include "cli/UdsCommand.h"
#include "runtime/RuntimeBackend.h"
#include "shell/Settings.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QTextStream>

#include <cstdio>

using namespace kitbox;

namespace {

int usage(QTextStream &err)
{
    err << "usage: kitbox32-cli jobs FILE [--job NAME]\n"
           "  jobs FILE             list the jobs of a description (.prg) or group file (.grp)\n"
           "  jobs FILE --job NAME  show one job's argument summary, result names and information\n"
           "  run FILE JOB ...      run a job and print its report (run --help for more)\n"
           "  tables FILE ...       list the tables or print one (tables --help for more)\n"
           "  record-sim TRACE -o NAME.SIM  an interface trace as a simulation file (record-sim --help)\n"
           "  uds FILE --job JOB .. compose a UDS job's argument from SG_FUNKTIONEN (uds --help for more)\n"
           "  check FILE|DIR...   check the UDS function table of descriptions (check --help for more)\n"
           "  test FILE.tst ...     run a test matrix and print its log (test --help for more)\n";
    err.flush();
    return 2;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("kitbox32-cli"));
    QCoreApplication::setApplicationVersion(QStringLiteral(KITBOX_VERSION));
    QTextStream out(stdout);
    QTextStream err(stderr);
    if (app.arguments().value(1) == QLatin1String("run"))
        return runCommandMain(app.arguments().mid(2), out, err);
    if (app.arguments().value(1) == QLatin1String("tables"))
        return tablesCommandMain(app.arguments().mid(2), out, err);
    if (app.arguments().value(1) == QLatin1String("record-sim"))
        return recordSimCommandMain(app.arguments().mid(2), out, err);
    if (app.arguments().value(1) == QLatin1String("check"))
        return checkCommandMain(app.arguments().mid(2), out, err);
    if (app.arguments().value(1) == QLatin1String("uds"))
        return udsCommandMain(app.arguments().mid(2), out, err);
    if (app.arguments().value(1) == QLatin1String("test"))
        return testCommandMain(app.arguments().mid(2), out, err);

    QCommandLineParser parser;
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addPositionalArgument(QStringLiteral("command"), QStringLiteral("jobs"));
    parser.addPositionalArgument(QStringLiteral("file"), QStringLiteral("description or group file"));
    const QCommandLineOption jobOption(QStringLiteral("job"), QStringLiteral("show this job's details"),
                                       QStringLiteral("NAME"));
    parser.addOption(jobOption);
    parser.process(app);

    const QStringList args = parser.positionalArguments();
    if (args.size() != 2 || args.at(0) != QLatin1String("jobs"))
        return usage(err);

    JobsRequest request;
    request.file = args.at(1);
    request.job = parser.value(jobOption);
    return runWithCliSession(err, [&](CliSession &session) {
        request.settingsFilePath = session.settingsFilePath;
        return runJobsCommand(request, session.api, session.sifter, session.dialogs, out, err);
    });
}
