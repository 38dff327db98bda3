#include "cli/CheckCommand.h"

#include "catalogue/JobCatalogue.h"
#include "cli/CliLoading.h"
#include "shell/TextCatalogue.h"
#include "uds/UdsCheck.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QThread>

#include <algorithm>
#include <memory>
#include <vector>

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
    int jobs = 0; // 0: one worker per core
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

void writeJunitSuite(QTextStream &out, qsizetype tests, int failures, int errors, const QString &cases)
{
    out << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        << QStringLiteral("<testsuite name=\"uds-check\" tests=\"%1\" failures=\"%2\" errors=\"%3\">\n")
               .arg(tests)
               .arg(failures)
               .arg(errors)
        << cases << "</testsuite>\n";
}

// The testcase elements of a worker's JUnit output, without its suite.
QString junitCases(const QString &xml)
{
    const qsizetype first = xml.lastIndexOf(QLatin1Char('\n'), xml.indexOf(QLatin1String("<testcase"))) + 1;
    const qsizetype end = xml.lastIndexOf(QLatin1String("</testsuite>"));
    return first <= 0 || end < first ? QString() : xml.mid(first, end - first);
}

// The descriptions are split into `jobs` runs of neighbouring files, each
// checked by a kitbox32-cli of its own: a worker per file would spend more on
// starting processes than on checking. Outputs are kept and written in the
// order of the runs, so the report reads the same as a check one after the
// other.
int checkInWorkers(const QStringList &files, const CheckRequest &request, int jobs, QTextStream &out, QTextStream &err)
{
    struct Worker {
        std::unique_ptr<QProcess> process;
        QByteArray out;
        QByteArray err;
        int exitCode = -1;
    };
    const qsizetype count = std::min<qsizetype>(jobs, files.size());
    std::vector<Worker> workers(static_cast<size_t>(count));
    QStringList common;
    if (!request.language.isEmpty())
        common << QStringLiteral("--language") << request.language;
    common << QStringLiteral("--format") << (request.junit ? QStringLiteral("junit") : QStringLiteral("text"))
           << QStringLiteral("--jobs") << QStringLiteral("1");
    const QString program = QCoreApplication::applicationFilePath();
    qsizetype first = 0;
    for (qsizetype i = 0; i < count; ++i) {
        // The first files.size() % count runs take one file more.
        const qsizetype size = files.size() / count + (i < files.size() % count ? 1 : 0);
        Worker &w = workers[size_t(i)];
        w.process = std::make_unique<QProcess>();
        w.process->start(program, QStringList{QStringLiteral("check")} + files.mid(first, size) + common);
        first += size;
    }
    for (Worker &w : workers) {
        // Every worker's output is read as it comes, so that no pipe fills while another is waited for.
        while (!w.process->waitForFinished(50)) {
            for (Worker &other : workers) {
                if (!other.process)
                    continue;
                other.out += other.process->readAllStandardOutput();
                other.err += other.process->readAllStandardError();
            }
            if (w.process->state() == QProcess::NotRunning)
                break;
        }
        w.out += w.process->readAllStandardOutput();
        w.err += w.process->readAllStandardError();
        w.exitCode = w.process->exitStatus() == QProcess::NormalExit && w.process->error() != QProcess::FailedToStart
                         ? w.process->exitCode()
                         : exitNotLoaded;
        w.process.reset();
    }

    int code = exitClean;
    QString cases;
    for (const Worker &w : workers) {
        err << QString::fromUtf8(w.err);
        if (w.exitCode == exitNotLoaded || (w.exitCode != exitClean && w.exitCode != exitFindings))
            code = exitNotLoaded;
        else if (w.exitCode == exitFindings && code == exitClean)
            code = exitFindings;
        if (request.junit)
            cases += junitCases(QString::fromUtf8(w.out));
        else
            out << QString::fromUtf8(w.out);
    }
    if (request.junit) {
        // Failure texts are escaped, so the element names count the cases.
        writeJunitSuite(out, files.size(), int(cases.count(QLatin1String("<failure "))),
                        int(cases.count(QLatin1String("<error "))), cases);
    }
    out.flush();
    err.flush();
    return code;
}

} // namespace

QString checkUsage()
{
    return QStringLiteral("usage: kitbox32-cli check FILE|DIRECTORY... [--language de|en] [--format text|junit]\n"
                          "Checks the UDS function table SG_FUNKTIONEN of each description and the tables its rows\n"
                          "name, and prints the same report as the workbench's UDS check. A directory means every\n"
                          "*.prg in it. --format junit prints one test case per description, with the findings as\n"
                          "the failure text. --jobs N checks on N worker processes at once (default: one per\n"
                          "core), each taking a run of neighbouring files; the reports keep the order of the\n"
                          "arguments.\n"
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
        } else if (word == QLatin1String("--jobs")) {
            bool ok = false;
            request.jobs = words.value(++i).toInt(&ok);
            if (!ok || request.jobs < 1 || request.jobs > 256) {
                err << "--jobs: a number of workers from 1 to 256\n" << checkUsage();
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

    const QStringList files = expandFiles(request.files);
    const int jobs = request.jobs > 0 ? request.jobs : qMax(1, QThread::idealThreadCount());
    if (jobs > 1 && files.size() > 1)
        return checkInWorkers(files, request, jobs, out, err);

    return runWithCliSession(err, [&](CliSession &session) {
        int code = exitClean;
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
            writeJunitSuite(out, files.size(), failures, errors, cases);
        out.flush();
        err.flush();
        return code;
    });
}

} // namespace kitbox
