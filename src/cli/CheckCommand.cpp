#include "cli/CheckCommand.h"

#include "catalogue/JobCatalogue.h"
#include "cli/CliLoading.h"
#include "shell/TextCatalogue.h"
#include "uds/UdsCheck.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QThread>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

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

// Checks the files one after the other in this process.
int checkSerially(const QStringList &files, const CheckRequest &request, QTextStream &out, QTextStream &err)
{
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

// Splits the descriptions into `jobs` runs of neighbouring files, each checked
// by a worker, and writes the workers' outputs in the order of the runs, so the
// report reads the same as a check one after the other.
//
// The workers are forked copies of this process. A fork starts in well under a
// millisecond where a new process spends tens of milliseconds loading its
// libraries, and on a few hundred small descriptions that start-up decides
// whether two workers are any faster than one. The forks happen before the
// runtime is opened, while this process has a single thread; should it ever
// have more, the files are checked here one after the other instead.
int checkInWorkers(const QStringList &files, const CheckRequest &request, int jobs, QTextStream &out, QTextStream &err)
{
    if (QDir(QStringLiteral("/proc/self/task")).entryList(QDir::Dirs | QDir::NoDotAndDotDot).size() != 1)
        return checkSerially(files, request, out, err);

    struct Worker {
        QStringList files;
        pid_t pid = -1;
        int pipe = -1;
        QByteArray output; // exit code byte, length of the standard output text, the text, then the error text
        int exitCode = exitNotLoaded;
    };
    const qsizetype count = std::min<qsizetype>(jobs, files.size());
    std::vector<Worker> workers(static_cast<size_t>(count));
    out.flush();
    err.flush();
    std::fflush(nullptr);
    qsizetype first = 0;
    for (qsizetype i = 0; i < count; ++i) {
        // The first files.size() % count runs take one file more.
        const qsizetype size = files.size() / count + (i < files.size() % count ? 1 : 0);
        Worker &w = workers[size_t(i)];
        w.files = files.mid(first, size);
        first += size;
        int ends[2];
        if (::pipe(ends) != 0)
            continue;
        w.pid = ::fork();
        if (w.pid == 0) {
            ::close(ends[0]);
            QByteArray outText;
            QByteArray errText;
            int code = exitNotLoaded;
            {
                QTextStream workerOut(&outText);
                QTextStream workerErr(&errText);
                code = checkSerially(w.files, request, workerOut, workerErr);
            }
            QByteArray message(1, char(code));
            const quint32 length = quint32(outText.size());
            message.append(reinterpret_cast<const char *>(&length), sizeof length).append(outText).append(errText);
            for (qsizetype written = 0; written < message.size();) {
                const ssize_t n = ::write(ends[1], message.constData() + written, size_t(message.size() - written));
                if (n < 0 && errno == EINTR)
                    continue;
                if (n <= 0)
                    ::_exit(exitNotLoaded);
                written += n;
            }
            ::_exit(exitClean);
        }
        ::close(ends[1]);
        if (w.pid < 0)
            ::close(ends[0]);
        else
            w.pipe = ends[0];
    }

    // Every worker's output is read as it comes, so that no pipe fills while another is waited for.
    std::vector<pollfd> open;
    for (const Worker &w : workers)
        if (w.pipe >= 0)
            open.push_back({w.pipe, POLLIN, 0});
    while (!open.empty()) {
        if (::poll(open.data(), nfds_t(open.size()), -1) < 0 && errno != EINTR)
            break;
        for (pollfd &p : open) {
            if (!p.revents)
                continue;
            char buffer[65536];
            const ssize_t n = ::read(p.fd, buffer, sizeof buffer);
            if (n < 0 && errno == EINTR)
                continue;
            for (Worker &w : workers)
                if (w.pipe == p.fd && n > 0)
                    w.output.append(buffer, n);
            if (n <= 0) {
                ::close(p.fd);
                p.fd = -1;
            }
        }
        std::erase_if(open, [](const pollfd &p) { return p.fd < 0; });
    }

    int code = exitClean;
    QString cases;
    for (Worker &w : workers) {
        int status = 0;
        const bool ended =
            w.pid > 0 && ::waitpid(w.pid, &status, 0) == w.pid && WIFEXITED(status) && WEXITSTATUS(status) == exitClean;
        quint32 length = 0;
        constexpr qsizetype head = 1 + sizeof length;
        if (ended && w.output.size() >= head)
            std::memcpy(&length, w.output.constData() + 1, sizeof length);
        if (!ended || w.output.size() < head || length > quint64(w.output.size() - head)) {
            err << "a worker checking " << w.files.join(QStringLiteral(", ")) << " did not finish\n";
            code = exitNotLoaded;
            continue;
        }
        w.exitCode = static_cast<unsigned char>(w.output.at(0));
        const QByteArray text = w.output.mid(head, length);
        err << QString::fromUtf8(w.output.mid(head + length));
        if (w.exitCode == exitNotLoaded || (w.exitCode != exitClean && w.exitCode != exitFindings))
            code = exitNotLoaded;
        else if (w.exitCode == exitFindings && code == exitClean)
            code = exitFindings;
        if (request.junit)
            cases += junitCases(QString::fromUtf8(text));
        else
            out << QString::fromUtf8(text);
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

    return checkSerially(files, request, out, err);
}

} // namespace kitbox
