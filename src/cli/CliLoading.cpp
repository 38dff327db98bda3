#include "cli/CliLoading.h"

#include "catalogue/FileLookup.h"
#include "catalogue/SifterApi.h"
#include "catalogue/TableErrorFile.h"
#include "cli/CliDialogService.h"
#include "runtime/RuntimeBackend.h"
#include "runtime/VedamisApi.h"
#include "shell/IniFile.h"
#include "shell/TextCatalogue.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QProcessEnvironment>

namespace kitbox {

void ConsoleHost::reportRuntimeError(qint16 code, const QString &text)
{
    m_err << "VEDAMIS Fehler " << code << " : " << text << Qt::endl;
    ++errors;
}

QString resolveDescription(const QString &file, VedamisApi &api)
{
    if (file.contains(u'/') || QFileInfo(file).isFile())
        return file;
    QString ecuPath;
    if (!api.apiGetConfig(QStringLiteral("EcuPath"), ecuPath) || ecuPath.isEmpty())
        return file;
    const QString upper = file.toUpper();
    if (upper.endsWith(u".PRG") || upper.endsWith(u".GRP"))
        return findFileIgnoringCase(ecuPath, file);
    const QString prg = findFileIgnoringCase(ecuPath, upper + QStringLiteral(".PRG"));
    if (QFileInfo(prg).isFile())
        return prg;
    return findFileIgnoringCase(ecuPath, upper + QStringLiteral(".GRP"));
}

void readCliSettings(const QString &settingsFilePath, const QString &language, Settings &settings)
{
    IniFile ini;
    if (!settingsFilePath.isEmpty())
        (void)ini.load(settingsFilePath);  // a missing file gives the defaults
    settings.readCommon(ini, 1920);
    TextCatalogue &texts = TextCatalogue::shared();
    if (language.isEmpty())
        texts.selectLanguage(settings.options().language);
    else
        texts.selectLanguage(language == u"en" ? QStringLiteral("E") : QStringLiteral("D"));
}

bool loadForCli(const CliLoadRequest &request, VedamisApi &api, SifterApi &sifter, DialogService &dialogs,
                Settings &settings, JobCatalogue &catalogue, ConsoleHost &host)
{
    readCliSettings(request.settingsFilePath, request.language, settings);
    return loadWithCliSettings(request, settings, api, sifter, dialogs, catalogue, host);
}

bool loadWithCliSettings(const CliLoadRequest &request, const Settings &settings, VedamisApi &api, SifterApi &sifter,
                         DialogService &dialogs, JobCatalogue &catalogue, ConsoleHost &host)
{
    const ShellOptions &o = settings.options();
    TextCatalogue &texts = TextCatalogue::shared();

    CatalogueOptions options;
    options.jobInfo = o.jobInfo != 0;
    options.argInfo = o.argInfo != 0;
    options.resultInfo = o.resInfo != 0;
    options.tableInfo = o.tabInfo != 0 || request.readTables;
    options.tableErrorFilePath = TableErrorFile::pathFor(request.settingsFilePath);

    DescriptionLoader loader(api, sifter, dialogs, texts, host);
    return loader.load(catalogue, request.file, options);
}

int runWithCliSession(QTextStream &err, const std::function<int(CliSession &)> &command)
{
    const QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    auto runtime = createRuntime(environment);
    if (!runtime) {
        err << QString::fromStdString(runtime.error()) << Qt::endl;
        return 1;
    }
    auto sifter = createSifter(environment);
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
    CliDialogService dialogs(err);
    CliSession session{api, *sifter.value(), dialogs, Settings::settingsFilePath(workbench)};
    const int code = command(session);
    api.apiEnd();
    return code;
}

}  // namespace kitbox
