#include "cli/CliLoading.h"

#include "catalogue/TableErrorFile.h"
#include "shell/IniFile.h"
#include "shell/TextCatalogue.h"

namespace kitbox {

void ConsoleHost::reportRuntimeError(qint16 code, const QString &text)
{
    m_err << "VEDAMIS Fehler " << code << " : " << text << Qt::endl;
    ++errors;
}

bool loadForCli(const CliLoadRequest &request, VedamisApi &api, SifterApi &sifter, DialogService &dialogs,
                Settings &settings, JobCatalogue &catalogue, ConsoleHost &host)
{
    IniFile ini;
    if (!request.settingsFilePath.isEmpty())
        (void)ini.load(request.settingsFilePath);  // a missing file gives the defaults
    settings.readCommon(ini, 1920);
    const ShellOptions &o = settings.options();
    TextCatalogue &texts = TextCatalogue::shared();
    if (request.language.isEmpty())
        texts.selectLanguage(o.language);
    else
        texts.selectLanguage(request.language == u"en" ? QStringLiteral("E") : QStringLiteral("D"));

    CatalogueOptions options;
    options.jobInfo = o.jobInfo != 0;
    options.argInfo = o.argInfo != 0;
    options.resultInfo = o.resInfo != 0;
    options.tableInfo = o.tabInfo != 0 || request.readTables;
    options.tableErrorFilePath = TableErrorFile::pathFor(request.settingsFilePath);

    DescriptionLoader loader(api, sifter, dialogs, texts, host);
    return loader.load(catalogue, request.file, options);
}

}  // namespace kitbox
