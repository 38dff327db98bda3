// kitbox32-cli: the workbench's logic without windows.
#include "catalogue/SifterApi.h"
#include "cli/CliDialogService.h"
#include "cli/JobsCommand.h"
#include "cli/RunCommand.h"
#include "cli/TablesCommand.h"
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
           "  tables FILE ...       list the tables or print one (tables --help for more)\n";
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

    auto runtime = createRuntime(QProcessEnvironment::systemEnvironment());
    if (!runtime) {
        err << QString::fromStdString(runtime.error()) << Qt::endl;
        return 1;
    }
    auto sifter = createSifter(QProcessEnvironment::systemEnvironment());
    if (!sifter) {
        err << QString::fromStdString(sifter.error()) << Qt::endl;
        return 1;
    }
    VedamisApi &api = *runtime.value();
    if (!api.apiInit()) {
        err << "VEDAMIS Fehler " << api.apiErrorCode() << " : " << api.apiErrorText() << Qt::endl;
        api.apiEnd();
        return 1;
    }

    // The workbench's settings file decides language and options, and the
    // table error file lies beside it.
    const QString workbench = QFileInfo(QCoreApplication::applicationDirPath(), QStringLiteral("kitbox32")).filePath();
    JobsRequest request;
    request.file = args.at(1);
    request.job = parser.value(jobOption);
    request.settingsFilePath = Settings::settingsFilePath(workbench);

    CliDialogService dialogs(err);
    const int code = runJobsCommand(request, api, *sifter.value(), dialogs, out, err);
    api.apiEnd();
    return code;
}
