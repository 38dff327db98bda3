#include "cli/CheckCommand.h"

#include "catalogue/JobCatalogue.h"
#include "cli/CliDialogService.h"
#include "cli/CliLoading.h"
#include "shell/TextCatalogue.h"
#include "uds/UdsCheck.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QThread>

#include <algorithm>
#include <atomic>
#include <new>
#include <optional>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include <malloc.h>
#include <poll.h>
#include <sys/mman.h>
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

QString junitError(const QString &file, const QString &message)
{
    return QStringLiteral("  <testcase classname=\"uds-check\" name=\"%1\"><error message=\"%2\"/></testcase>\n")
        .arg(xmlEscaped(file), message);
}

// What the check of one description gives: its exit code, its report (or
// its JUnit test case) and the lines for the error stream.
struct CheckedFile {
    int code = exitNotLoaded;
    QString text;
    QString errors;
};

CheckedFile checkOne(CliSession &session, const Settings &settings, const QString &file, const CheckRequest &request)
{
    CheckedFile result;
    QTextStream err(&result.errors);
    // Messages of the load belong to this file's lines, wherever it is checked.
    ConsoleHost host(err);
    CliDialogService dialogs(err);
    JobCatalogue catalogue;
    const QString path = resolveDescription(file, session.api);
    if (!loadWithCliSettings({session.settingsFilePath, request.language, path, true}, settings, session.api,
                             session.sifter, dialogs, catalogue, host)) {
        err << file << ": cannot be loaded\n";
        err.flush();
        if (request.junit)
            result.text = junitError(file, QStringLiteral("cannot be loaded"));
        return result;
    }
    err.flush();
    const QString name = QFileInfo(path).completeBaseName().toUpper();
    const UdsCheckReport report = UdsCheck(catalogue, TextCatalogue::shared()).run(name);
    result.code = report.findings > 0 ? exitFindings : exitClean;
    const QString text = QString(report.text).replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    if (!request.junit) {
        result.text = text;
        return result;
    }
    result.text = QStringLiteral("  <testcase classname=\"uds-check\" name=\"%1\">").arg(xmlEscaped(name));
    if (report.findings > 0)
        result.text +=
            QStringLiteral("<failure message=\"%1 findings\">%2</failure>").arg(report.findings).arg(xmlEscaped(text));
    result.text += QStringLiteral("</testcase>\n");
    return result;
}

// Writes the outcomes in the order of the files: reports as they come, the
// JUnit suite once all are in, since its head counts them.
class OutcomeWriter {
public:
    OutcomeWriter(const CheckRequest &request, QTextStream &out, QTextStream &err)
        : m_junit(request.junit), m_out(out), m_err(err)
    {
    }

    void add(const CheckedFile &file)
    {
        m_err << file.errors;
        if (file.code == exitNotLoaded)
            ++m_errors;
        else if (file.code == exitFindings)
            ++m_failures;
        if (m_junit) {
            m_cases += file.text;
        } else {
            m_out << file.text;
            m_out.flush(); // a long check shows its reports as it goes
        }
        ++m_count;
        if (file.code == exitNotLoaded || (file.code == exitFindings && m_code == exitClean))
            m_code = file.code;
        m_err.flush();
    }

    int finish()
    {
        if (m_junit)
            writeJunitSuite(m_out, m_count, m_failures, m_errors, m_cases);
        m_out.flush();
        m_err.flush();
        return m_code;
    }

private:
    bool m_junit;
    QTextStream &m_out;
    QTextStream &m_err;
    QString m_cases;
    qsizetype m_count = 0;
    int m_failures = 0;
    int m_errors = 0;
    int m_code = exitClean;
};

// Checks the files one after the other in this process.
int checkSerially(const QStringList &files, const CheckRequest &request, QTextStream &out, QTextStream &err)
{
    if (files.isEmpty()) {
        err << "no *.prg in " << request.files.join(QStringLiteral(", ")) << "\n";
        err.flush();
        return exitNotLoaded;
    }
    OutcomeWriter writer(request, out, err);
    const int sessionCode = runWithCliSession(err, [&](CliSession &session) {
        Settings settings;
        readCliSettings(session.settingsFilePath, request.language, settings);
        for (const QString &file : files)
            writer.add(checkOne(session, settings, file, request));
        return exitClean;
    });
    if (sessionCode != exitClean) {
        err.flush();
        return sessionCode; // no runtime: nothing was checked
    }
    return writer.finish();
}

// One record on a worker's pipe: the file's index (or noFile for a message
// of the worker itself), its exit code, the lengths of both texts, the texts.
struct RecordHead {
    quint32 index;
    quint32 code;
    quint32 textBytes;
    quint32 errorBytes;
};
constexpr quint32 noFile = 0xFFFFFFFFu;

bool writeAll(int fd, const QByteArray &bytes)
{
    for (qsizetype written = 0; written < bytes.size();) {
        const ssize_t n = ::write(fd, bytes.constData() + written, size_t(bytes.size() - written));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        written += n;
    }
    return true;
}

QByteArray record(quint32 index, const CheckedFile &file)
{
    const QByteArray text = file.text.toUtf8();
    const QByteArray errors = file.errors.toUtf8();
    const RecordHead head{index, quint32(file.code), quint32(text.size()), quint32(errors.size())};
    return QByteArray(reinterpret_cast<const char *>(&head), sizeof head) + text + errors;
}

// The body of a worker: takes the next unchecked file until none is left.
[[noreturn]] void workerMain(int pipe, std::atomic<quint32> &next, const QStringList &files,
                             const CheckRequest &request)
{
    QString sessionErrors;
    QTextStream err(&sessionErrors);
    bool written = true;
    runWithCliSession(err, [&](CliSession &session) {
        Settings settings;
        readCliSettings(session.settingsFilePath, request.language, settings);
        for (quint32 i = next.fetch_add(1); written && i < quint32(files.size()); i = next.fetch_add(1))
            written = writeAll(pipe, record(i, checkOne(session, settings, files.at(qsizetype(i)), request)));
        return exitClean;
    });
    err.flush();
    if (written && !sessionErrors.isEmpty()) {
        CheckedFile message;
        message.errors = sessionErrors;
        written = writeAll(pipe, record(noFile, message));
    }
    ::_exit(written ? exitClean : exitNotLoaded);
}

// Checks the descriptions on `jobs` worker processes. Each worker takes the
// next file not yet taken, so a few large descriptions do not leave one
// worker busy while the others idle, and the outcomes are written in the
// order of the files, so the output reads the same as a check one after the
// other.
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

    // The counter of taken files lives in memory the forks share.
    void *shared = ::mmap(nullptr, sizeof(std::atomic<quint32>), PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS,
                          -1, 0);
    if (shared == MAP_FAILED)
        return checkSerially(files, request, out, err);
    auto *next = new (shared) std::atomic<quint32>(0);
    static_assert(std::atomic<quint32>::is_always_lock_free);

    struct Worker {
        pid_t pid = -1;
        int pipe = -1;
        QByteArray pending; // bytes of a record not yet complete
    };
    std::vector<Worker> workers(size_t(std::min<qsizetype>(jobs, files.size())));
    out.flush();
    err.flush();
    std::fflush(nullptr);
    for (Worker &w : workers) {
        int ends[2];
        if (::pipe(ends) != 0)
            continue;
        w.pid = ::fork();
        if (w.pid == 0) {
            ::close(ends[0]);
            for (const Worker &other : workers)
                if (other.pipe >= 0)
                    ::close(other.pipe);
            workerMain(ends[1], *next, files, request);
        }
        ::close(ends[1]);
        if (w.pid < 0)
            ::close(ends[0]);
        else
            w.pipe = ends[0];
    }

    std::vector<std::optional<CheckedFile>> outcomes(size_t(files.size()));
    QStringList workerMessages;
    OutcomeWriter writer(request, out, err);
    size_t written = 0;
    bool damaged = false;
    // Every worker's records are read as they come, so that no pipe fills
    // while another is waited for, and each outcome is written as soon as all
    // before it are in.
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
            if (n <= 0) {
                ::close(p.fd);
                p.fd = -1;
                continue;
            }
            Worker &w = *std::find_if(workers.begin(), workers.end(), [&](const Worker &x) { return x.pipe == p.fd; });
            w.pending.append(buffer, n);
            while (qsizetype(sizeof(RecordHead)) <= w.pending.size()) {
                RecordHead head;
                std::memcpy(&head, w.pending.constData(), sizeof head);
                const quint64 size = sizeof head + quint64(head.textBytes) + head.errorBytes;
                if (quint64(w.pending.size()) < size)
                    break;
                CheckedFile file;
                file.code = int(head.code);
                file.text = QString::fromUtf8(w.pending.mid(sizeof head, head.textBytes));
                file.errors = QString::fromUtf8(w.pending.mid(qsizetype(sizeof head + head.textBytes), head.errorBytes));
                w.pending.remove(0, qsizetype(size));
                if (head.index == noFile) {
                    if (!workerMessages.contains(file.errors))
                        workerMessages << file.errors;
                } else if (head.index < outcomes.size() && !outcomes[head.index]) {
                    outcomes[head.index] = std::move(file);
                } else {
                    damaged = true;
                }
            }
            while (written < outcomes.size() && outcomes[written])
                writer.add(*outcomes[written++]);
        }
        std::erase_if(open, [](const pollfd &p) { return p.fd < 0; });
    }

    for (Worker &w : workers) {
        int status = 0;
        if (w.pid > 0 && (::waitpid(w.pid, &status, 0) != w.pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0 ||
                          !w.pending.isEmpty()))
            damaged = true;
    }
    ::munmap(shared, sizeof(std::atomic<quint32>));

    // A file whose worker ended before it had checked it has no outcome.
    for (; written < outcomes.size(); ++written) {
        if (outcomes[written]) {
            writer.add(*outcomes[written]);
            continue;
        }
        const QString &file = files.at(qsizetype(written));
        CheckedFile lost;
        lost.errors = file + QStringLiteral(": the worker checking it did not finish\n");
        if (request.junit)
            lost.text = junitError(file, QStringLiteral("not checked"));
        writer.add(lost);
    }
    for (const QString &message : std::as_const(workerMessages))
        err << message;
    if (damaged)
        err << "a worker ended abnormally\n";
    const int code = writer.finish();
    return damaged ? exitNotLoaded : code;
}

} // namespace

QString checkUsage()
{
    return QStringLiteral("usage: kitbox32-cli check FILE|DIRECTORY... [--language de|en] [--format text|junit]\n"
                          "Checks the UDS function table SG_FUNKTIONEN of each description and the tables its rows\n"
                          "name, and prints the same report as the workbench's UDS check. A directory means every\n"
                          "*.prg in it. --format junit prints one test case per description, with the findings as\n"
                          "the failure text. --jobs N checks on N worker processes at once (default: one per\n"
                          "core), each taking the next file not yet taken; the reports keep the order of the\n"
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

    // Checking a description frees most of what loading it took, near the
    // top of the heap; returned to the system each time, it has to be mapped
    // and faulted in again for the next one. Kept, the check of many
    // descriptions runs in the memory of the largest.
    mallopt(M_TRIM_THRESHOLD, 64 << 20);
    mallopt(M_TOP_PAD, 16 << 20);

    const QStringList files = expandFiles(request.files);
    const int jobs = request.jobs > 0 ? request.jobs : qMax(1, QThread::idealThreadCount());
    if (jobs > 1 && files.size() > 1)
        return checkInWorkers(files, request, jobs, out, err);

    return checkSerially(files, request, out, err);
}

} // namespace kitbox
