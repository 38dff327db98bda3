#include "cli/CheckCommand.h"

#include "catalogue/JobCatalogue.h"
#include "cli/CliLoading.h"
#include "shell/TextCatalogue.h"
#include "uds/UdsCheck.h"

#include <QDir>
#include <QFileInfo>

namespace kitbox {

namespace {

constexpr int exitClean = 0;
constexpr int exitNotLoaded = 1;
constexpr int exitUsage = 2;
constexpr int exitFindings = 3;

struct CheckRequest {
    QStringList files;
    QString language;
    bool junit = false;
};

QString xmlEscaped(const QString &text)
{
    return text.toHtmlEscaped();
}

// A directory stands for the descriptions in it, in name order.
QStringList expandFiles(const QStringList &arguments)
{
    QStringList files;
    for (const QString &argument : arguments) {
        const QFileInfo info(argument);
        if (!info.isDir()) {
            files << argument;
            continue;
        }
        const QDir dir(argument);
        for (const QString &name : dir.entryList(QDir::Files, QDir::Name | QDir::IgnoreCase))
            if (name.endsWith(QLatin1String(".prg"), Qt::CaseInsensitive))
                files << dir.filePath(name);
    }
    return files;
}

} // namespace

QString checkUsage()
{
    return QStringLiteral("usage: kitbox32-cli check FILE|DIRECTORY... [--language de|en] [--format text|junit]\n"
                          "Checks the UDS function table SG_FUNKTIONEN of each description and the tables its rows\n"
                          "name, and prints the same report as the workbench's UDS check. A directory means every\n"
                          "*.prg in it. --format junit prints one test case per description, with the findings as\n"
                          "the failure text.\n"
                          "Exit codes: 0 no finding, 3 at least one description has findings, 1 a file could not be\n"
                          "loaded (named in the message), 2 wrong arguments.\n");
}

int checkCommandMain(const QStringList &words, QTextStream &out, QTextStream &err)
{
    if (words.contains(QStringLiteral("--help")) || words.contains(QStringLiteral("-h"))) {
        out << checkUsage();
        out.flush();
        return exitClean;
    }
    CheckRequest request;
    for (int i = 0; i < words.size(); ++i) {
        const QString &word = words.at(i);
        if (word == QLatin1String("--language") || word == QLatin1String("--format")) {
            const QString value = words.value(i + 1);
            ++i;
            const bool language = word == QLatin1String("--language");
            if (language && (value == QLatin1String("de") || value == QLatin1String("en"))) {
                request.language = value;
            } else if (!language && (value == QLatin1String("text") || value == QLatin1String("junit"))) {
                request.junit = value == QLatin1String("junit");
            } else {
                err << word << ": not a choice: \"" << value << "\"\n" << checkUsage();
                err.flush();
                return exitUsage;
            }
        } else if (word.startsWith(QLatin1String("--"))) {
            err << "unknown option " << word << "\n" << checkUsage();
            err.flush();
            return exitUsage;
        } else {
            request.files << word;
        }
    }
    if (request.files.isEmpty()) {
        err << "no description named\n" << checkUsage();
        err.flush();
        return exitUsage;
    }

    return runWithCliSession(err, [&](CliSession &session) {
        int code = exitClean;
        const QStringList files = expandFiles(request.files);
        if (files.isEmpty()) {
            err << "no *.prg in " << request.files.join(QStringLiteral(", ")) << "\n";
            return exitNotLoaded;
        }
        QString cases;
        int failures = 0;
        int errors = 0;
        for (const QString &file : files) {
            Settings settings;
            ConsoleHost host(err);
            JobCatalogue catalogue;
            const QString path = resolveDescription(file, session.api);
            if (!loadForCli({session.settingsFilePath, request.language, path, true}, session.api, session.sifter,
                            session.dialogs, settings, catalogue, host)) {
                err << file << ": cannot be loaded\n";
                code = exitNotLoaded;
                ++errors;
                cases += QStringLiteral("  <testcase classname=\"uds-check\" name=\"%1\"><error message=\"cannot be "
                                        "loaded\"/></testcase>\n")
                             .arg(xmlEscaped(file));
                continue;
            }
            const QString name = QFileInfo(path).completeBaseName().toUpper();
            const UdsCheckReport report = UdsCheck(catalogue, TextCatalogue::shared()).run(name);
            if (report.findings > 0 && code == exitClean)
                code = exitFindings;
            if (!request.junit) {
                out << QString(report.text).replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
                continue;
            }
            cases += QStringLiteral("  <testcase classname=\"uds-check\" name=\"%1\">").arg(xmlEscaped(name));
            if (report.findings > 0) {
                ++failures;
                cases +=
                    QStringLiteral("<failure message=\"%1 findings\">%2</failure>")
                        .arg(report.findings)
                        .arg(xmlEscaped(QString(report.text).replace(QStringLiteral("\r\n"), QStringLiteral("\n"))));
            }
            cases += QStringLiteral("</testcase>\n");
        }
        if (request.junit)
            out << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                << QStringLiteral("<testsuite name=\"uds-check\" tests=\"%1\" failures=\"%2\" errors=\"%3\">\n")
                       .arg(files.size())
                       .arg(failures)
                       .arg(errors)
                << cases << "</testsuite>\n";
        out.flush();
        err.flush();
        return code;
    });
}

} // namespace kitbox
