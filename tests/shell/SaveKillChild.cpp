// Child of the kill-during-save test: save_kill_child KIND old|new TARGET [STOP]
// runs one save path once with a large content. STOP byte:N stops once N bytes
// reached the disk, step:K before the K-th close/fsync/rename of the save and
// step:K+ right after it; stopped, it writes "S" and waits to be killed.
// "count" prints the bytes and steps the save took. The stops wrap the C
// library's calls in this program only; the product code runs unchanged.
#include "catalogue/TableErrorFile.h"
#include "catalogue/TableExport.h"
#include "catalogue/TableText.h"
#include "shell/KitBoxPrinting.h"
#include "shell/Settings.h"
#include "testmatrix/TestFile.h"
#include "testmatrix/TestMatrix.h"
#include "trace/SimulationEditor.h"
#include "trace/SimulationRecorder.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QFont>
#include <QGuiApplication>

#include <dlfcn.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>

namespace {

// What the wrappers watch; set before the save starts.
std::string g_directory;   // the target's directory, with a trailing slash
long long g_stopByte = -1; // stop when this many bytes went to the directory
long long g_stopStep = -1; // stop at this step
bool g_stopAfterStep = false;
long long g_bytes = 0;
long long g_steps = 0;
bool g_watching = false;

[[noreturn]] void stopHere()
{
    (void)syscall(SYS_write, 1, "S", 1);
    for (;;)
        pause();
}

// The saves get absolute paths: the target is made absolute below.
bool inDirectory(const char *path)
{
    return path && std::string_view(path).substr(0, g_directory.size()) == g_directory;
}

bool fdInDirectory(int fd)
{
    char link[64];
    std::snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
    char target[4096];
    const ssize_t n = readlink(link, target, sizeof target - 1);
    if (n <= 0)
        return false;
    target[n] = '\0';
    return inDirectory(target);
}

template <typename F> F next(const char *name)
{
    return reinterpret_cast<F>(dlsym(RTLD_NEXT, name));
}

// Runs one file-system step of the save with a possible stop before or after it.
template <typename Call> auto step(bool watched, Call call)
{
    if (!g_watching || !watched)
        return call();
    ++g_steps;
    if (g_steps == g_stopStep && !g_stopAfterStep)
        stopHere();
    auto result = call();
    if (g_steps == g_stopStep && g_stopAfterStep)
        stopHere();
    return result;
}

} // namespace

extern "C" {

ssize_t write(int fd, const void *data, size_t size)
{
    static auto real = next<ssize_t (*)(int, const void *, size_t)>("write");
    if (!g_watching || fd < 3 || !fdInDirectory(fd))
        return real(fd, data, size);
    if (g_stopByte >= 0) {
        if (g_bytes >= g_stopByte)
            stopHere();
        // A short write, as the kernel may return one: the caller writes the rest.
        size = std::min<size_t>(size, size_t(g_stopByte - g_bytes));
    }
    const ssize_t done = real(fd, data, size);
    if (done > 0)
        g_bytes += done;
    return done;
}

int rename(const char *from, const char *to)
{
    static auto real = next<int (*)(const char *, const char *)>("rename");
    return step(inDirectory(to), [&] { return real(from, to); });
}

int fsync(int fd)
{
    static auto real = next<int (*)(int)>("fsync");
    return step(fdInDirectory(fd), [&] { return real(fd); });
}

int close(int fd)
{
    static auto real = next<int (*)(int)>("close");
    return step(fd >= 3 && fdInDirectory(fd), [&] { return real(fd); });
}

} // extern "C"

namespace {

// Large contents that differ from the first byte on, so that a mix of the two
// is never mistaken for either.
QString lines(const QString &variant, int count, const QString &pattern)
{
    QString text;
    text.reserve(qsizetype(count) * (pattern.size() + 16));
    for (int i = 0; i < count; ++i)
        text += pattern.arg(variant).arg(i);
    return text;
}

kitbox::Status saveSettings(const QString &target, const QString &variant)
{
    SettingsLocations locations;
    locations.programDirectory = QFileInfo(target).absolutePath();
    locations.fileName = QFileInfo(target).fileName();
    Settings settings;
    settings.readCommon(locations, 1400);
    settings.options().language = variant == QLatin1String("new") ? QStringLiteral("E") : QStringLiteral("D");
    for (int i = 0; i < Settings::maxHistory; ++i)
        settings.argumentHistory().append(QStringLiteral("%1-argument-%2").arg(variant).arg(i));
    const kitbox::Result<QString> saved = settings.save(locations);
    return saved ? kitbox::success() : kitbox::failure(saved.error());
}

kitbox::Status runSave(const QString &kind, const QString &variant, const QString &target)
{
    if (kind == QLatin1String("settings"))
        return saveSettings(target, variant);
    if (kind == QLatin1String("simulation"))
        return kitbox::SimulationEditor::writeText(
            target, lines(variant, 8000, QStringLiteral("[%1_REQUEST_%2]\n12 34 56 78 9A BC DE F0 = 50 51 52\n")));
    if (kind == QLatin1String("recording")) {
        kitbox::Recording recording;
        recording.text = lines(variant, 8000, QStringLiteral("; %1 telegram %2\n22 F1 90 = 62 F1 90 41 42 43\n"));
        recording.entries = recording.telegrams = 8000;
        return kitbox::SimulationRecorder::write(target, recording, true);
    }
    if (kind == QLatin1String("table-export")) {
        QByteArray cells = "NAME\0VALUE\0TEXT\0";
        cells.append(lines(variant, 8000, QStringLiteral("%1-row\0%2\0some text of the row\0")).toUtf8());
        return kitbox::TableExport::save(target, QStringLiteral("BIGTABLE"), kitbox::TableText(cells, 3),
                                         kitbox::TableExport::Format::Csv);
    }
    if (kind == QLatin1String("table-errors"))
        return kitbox::TableErrorFile::write(target, lines(variant, 8000, QStringLiteral("%1: table error %2\r\n")));
    if (kind == QLatin1String("testfile")) {
        kitbox::TestMatrix matrix;
        for (int cell = 0; cell < kitbox::TestMatrix::rowCount * kitbox::TestMatrix::columnCount; ++cell)
            matrix.setCell(cell / kitbox::TestMatrix::columnCount, cell % kitbox::TestMatrix::columnCount,
                           QStringLiteral("%1 text of a long test step %2; ").arg(variant).arg(cell).repeated(5));
        return kitbox::saveTestFile(target, matrix);
    }
    if (kind == QLatin1String("pdf"))
        return kitbox::printTextToPdf(target, QStringLiteral("Ergebnisse"),
                                      lines(variant, 3000, QStringLiteral("%1 result line %2\n")), QFont());
    return kitbox::failure("unknown save path " + kind.toStdString());
}

} // namespace

int main(int argc, char **argv)
{
    if (argc < 4) {
        std::fprintf(stderr, "usage: save_kill_child KIND old|new TARGET [byte:N|step:K|step:K+|count]\n");
        return 2;
    }
    const QString kind = QString::fromLocal8Bit(argv[1]);
    // Only the PDF needs fonts; the other saves start without the GUI's cost.
    const std::unique_ptr<QCoreApplication> app(kind == QLatin1String("pdf") ? new QGuiApplication(argc, argv)
                                                                             : new QCoreApplication(argc, argv));

    const QString target = QFileInfo(QString::fromLocal8Bit(argv[3])).absoluteFilePath();
    g_directory = QFileInfo(target).absolutePath().toStdString() + '/';
    const std::string stop = argc > 4 ? argv[4] : "";
    (stop.rfind("byte:", 0) == 0 ? g_stopByte : g_stopStep) = stop.size() > 5 ? std::atoll(stop.c_str() + 5) : -1;
    g_stopAfterStep = stop.rfind("step:", 0) == 0 && stop.back() == '+';

    g_watching = true;
    const kitbox::Status saved = runSave(kind, QString::fromLocal8Bit(argv[2]), target);
    g_watching = false;
    if (!saved) {
        std::fprintf(stderr, "%s\n", saved.error().c_str());
        return 1;
    }
    if (stop == "count")
        std::printf("%lld %lld\n", g_bytes, g_steps);
    return 0;
}
