#include "cli/JobsCommand.h"

#include "catalogue/DescriptionLoader.h"
#include "catalogue/TableErrorFile.h"
#include "shell/IniFile.h"
#include "shell/Settings.h"
#include "shell/TextCatalogue.h"

namespace kitbox {

namespace {

// Loading reports into the error stream what the workbench shows in windows.
class ConsoleHost : public CatalogueHost {
public:
    explicit ConsoleHost(QTextStream &err) : m_err(err) {}
    void reportRuntimeError(qint16 code, const QString &text) override
    {
        m_err << "VEDAMIS Fehler " << code << " : " << text << Qt::endl;
        ++errors;
    }
    int errors = 0;

private:
    QTextStream &m_err;
};

QString withLineFeeds(QString text)
{
    return text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
}

} // namespace

int runJobsCommand(const JobsRequest &request, VedamisApi &api, SifterApi &sifter, DialogService &dialogs,
                   QTextStream &out, QTextStream &err)
{
    Settings settings;
    IniFile ini;
    if (!request.settingsFilePath.isEmpty())
        (void)ini.load(request.settingsFilePath); // a missing file gives the defaults
    settings.readCommon(ini, 1920);
    const ShellOptions &o = settings.options();
    TextCatalogue &texts = TextCatalogue::shared();
    texts.selectLanguage(o.language);

    CatalogueOptions options;
    options.jobInfo = o.jobInfo != 0;
    options.argInfo = o.argInfo != 0;
    options.resultInfo = o.resInfo != 0;
    options.tableInfo = o.tabInfo != 0;
    options.tableErrorFilePath = TableErrorFile::pathFor(request.settingsFilePath);

    ConsoleHost host(err);
    JobCatalogue catalogue;
    DescriptionLoader loader(api, sifter, dialogs, texts, host);
    if (!loader.load(catalogue, request.file, options))
        return 1;
    if (catalogue.jobList.isEmpty()) {
        if (host.errors == 0)
            err << request.file << ": no jobs" << Qt::endl;
        return 1;
    }
    if (catalogue.tableErrorFlag)
        err << texts.text(511) << ' ' << (catalogue.tableErrorFileWritten ? texts.text(516) : texts.text(518)) << ": "
            << catalogue.tableErrorFilePath << Qt::endl;

    if (request.job.isEmpty()) {
        for (const QString &job : catalogue.jobList)
            out << job << '\n';
        out.flush();
        return 0;
    }

    const qsizetype index = catalogue.jobList.indexOf(request.job.toLower());
    if (index < 0 || JobCatalogue::isSeparator(request.job)) {
        err << request.job << ": " << texts.text(70) << Qt::endl;
        return 1;
    }
    const int j = int(index);
    out << "Arguments:\n";
    if (!catalogue.argSummaryAt(j).isEmpty())
        out << withLineFeeds(catalogue.argSummaryAt(j)) << '\n';
    out << "Results:\n";
    for (const QString &name : catalogue.resultNameList(j))
        out << name << '\n';
    out << "Information:\n" << withLineFeeds(catalogue.jobInfoAt(j));
    out.flush();
    return 0;
}

} // namespace kitbox
