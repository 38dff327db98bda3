#include "cli/JobsCommand.h"

#include "cli/CliLoading.h"
#include "shell/TextCatalogue.h"

namespace kitbox {

namespace {

QString withLineFeeds(QString text)
{
    return text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
}

} // namespace

int runJobsCommand(const JobsRequest &request, VedamisApi &api, SifterApi &sifter, DialogService &dialogs,
                   QTextStream &out, QTextStream &err)
{
    Settings settings;
    ConsoleHost host(err);
    JobCatalogue catalogue;
    if (!loadForCli({request.settingsFilePath, QString(), request.file}, api, sifter, dialogs, settings, catalogue,
                    host))
        return 1;
    TextCatalogue &texts = TextCatalogue::shared();
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
