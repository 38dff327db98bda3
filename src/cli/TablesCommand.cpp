#include "cli/TablesCommand.h"

#include "catalogue/TableText.h"
#include "catalogue/TableViewerRules.h"
#include "cli/CliLoading.h"
#include "shell/FileSave.h"

namespace kitbox {

QString tablesUsage()
{
    return QStringLiteral(
        "usage: kitbox32-cli tables FILE [--table NAME] [--format text|csv|json] [--output PATH]\n"
        "  FILE               description (.prg) or group file (.grp)\n"
        "  (no --table)       list the tables as the table viewer lists them: NAME[columns][rows],\n"
        "                     \" ---- uses: BASE\" for a base description's table\n"
        "  --table NAME       print one table (the description's own before a base's of that name)\n"
        "  --format FORMAT    text: columns padded as printed (default); csv: RFC 4180, UTF-8;\n"
        "                     json: {\"table\", \"columns\", \"rows\"}\n"
        "  --output PATH      write the table to PATH (replaced as a whole) instead of standard output\n"
        "Exit code 0; 1 when the description cannot be loaded, the table is not in it or the\n"
        "output cannot be written; 2 for a wrong command line.\n");
}

Result<TablesRequest> parseTablesArguments(const QStringList &words)
{
    using R = Result<TablesRequest>;
    TablesRequest request;
    QStringList positional;
    for (qsizetype i = 0; i < words.size(); ++i) {
        const QString &word = words.at(i);
        if (word == u"--table" || word == u"--format" || word == u"--output") {
            if (i + 1 >= words.size())
                return R::failure(word.toStdString() + " needs a value");
            const QString value = words.at(++i);
            if (word == u"--table") {
                request.table = value;
            } else if (word == u"--output") {
                request.output = value;
            } else if (value.compare(u"text", Qt::CaseInsensitive) != 0) {
                request.format = TableExport::formatNamed(value);
                if (!request.format)
                    return R::failure("--format takes text, csv or json, not \"" + value.toStdString() + "\"");
            }
        } else if (word.startsWith(u"--") && word.size() > 2) {
            return R::failure("unknown option " + word.toStdString());
        } else {
            positional << word;
        }
    }
    if (positional.size() != 1)
        return R::failure("tables needs exactly one FILE");
    if (request.table.isEmpty() && (request.format || !request.output.isEmpty()))
        return R::failure("--format and --output need --table");
    request.file = positional.first();
    return request;
}

int runTablesCommand(const TablesRequest &request, VedamisApi &api, SifterApi &sifter, DialogService &dialogs,
                     QTextStream &out, QTextStream &err)
{
    Settings settings;
    ConsoleHost host(err);
    JobCatalogue catalogue;
    CliLoadRequest load{request.settingsFilePath, QString(), request.file};
    load.readTables = true;
    if (!loadForCli(load, api, sifter, dialogs, settings, catalogue, host))
        return 1;
    if (catalogue.jobList.isEmpty()) {
        if (host.errors == 0)
            err << request.file << ": cannot be loaded" << Qt::endl;
        return 1;
    }

    if (request.table.isEmpty()) {
        for (const QString &entry : TableViewerRules::buildList(catalogue.tables).entries)
            out << entry << '\n';
        out.flush();
        return 0;
    }

    const int index = TableViewerRules::findTable(catalogue, request.table);
    if (index < 0) {
        err << request.file << ": no table " << request.table << Qt::endl;
        return 1;
    }
    const QString name = catalogue.tables.at(index).name;
    const TableText table = TableText::fromCatalogue(catalogue, index);
    if (!request.output.isEmpty()) {
        const Status saved = request.format ? TableExport::save(request.output, name, table, *request.format)
                                            : saveFileAtomically(request.output,
                                                                 TableViewerRules::contentText(table).toUtf8());
        if (!saved) {
            err << QString::fromStdString(saved.error()) << Qt::endl;
            return 1;
        }
        return 0;
    }
    if (request.format)
        out << QString::fromUtf8(TableExport::text(name, table, *request.format));
    else
        out << TableViewerRules::contentText(table);
    out.flush();
    return 0;
}

int tablesCommandMain(const QStringList &words, QTextStream &out, QTextStream &err)
{
    if (words.contains(QStringLiteral("--help")) || words.contains(QStringLiteral("-h"))) {
        out << tablesUsage();
        out.flush();
        return 0;
    }
    auto request = parseTablesArguments(words);
    if (!request) {
        err << QString::fromStdString(request.error()) << "\n" << tablesUsage();
        err.flush();
        return 2;
    }
    return runWithCliSession(err, [&](CliSession &session) {
        request.value().settingsFilePath = session.settingsFilePath;
        return runTablesCommand(request.value(), session.api, session.sifter, session.dialogs, out, err);
    });
}

} // namespace kitbox
