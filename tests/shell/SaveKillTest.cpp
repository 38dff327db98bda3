// Saves killed half-way: every save path of the program runs in a child
// process that is stopped at many points of the save (after N bytes, and
// before and after each file-system step) and killed with SIGKILL there.
// Afterwards the file must hold the complete old or the complete new content,
// and nothing else may be left in its directory.
#include "Support.h"

#include <QTemporaryDir>

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <numeric>
#include <thread>
#include <vector>

namespace {

const char *const childProgram = KITBOX_BIN_DIR "/save_kill_child";

struct Child {
    int exitCode = -1;   // when it ended by itself
    bool killed = false; // stopped and killed by us
    QByteArray out;
};

// Runs the child; when it reports a stop, kills it with SIGKILL.
Child run(const QStringList &args)
{
    int pipeFds[2];
    if (pipe2(pipeFds, O_CLOEXEC) != 0)
        return {};
    std::vector<QByteArray> owned{QByteArray(childProgram)};
    for (const QString &a : args)
        owned.push_back(QFile::encodeName(a));
    std::vector<char *> argv;
    for (QByteArray &a : owned)
        argv.push_back(a.data());
    argv.push_back(nullptr);

    const pid_t pid = fork();
    if (pid == 0) {
        dup2(pipeFds[1], 1);
        execv(argv[0], argv.data());
        _exit(127);
    }
    ::close(pipeFds[1]);
    Child child;
    char buffer[256];
    for (ssize_t n; !child.out.startsWith('S') && (n = read(pipeFds[0], buffer, sizeof buffer)) > 0;)
        child.out.append(buffer, n);
    if (child.out.startsWith('S'))
        kill(pid, SIGKILL);
    ::close(pipeFds[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    child.killed = WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;
    child.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return child;
}

// The file's bytes; a PDF's creation time (to the second) is blanked, as two
// saves of the same document differ only there.
QByteArray contentOf(const QString &path)
{
    if (!QFile::exists(path))
        return QByteArray("<missing>");
    QByteArray bytes = readAll(path);
    const QByteArray date = "/CreationDate (D:";
    if (const qsizetype at = bytes.indexOf(date); at >= 0 && bytes.startsWith("%PDF"))
        bytes.replace(at + date.size(), 14, QByteArray(14, '0'));
    return bytes;
}

// A settings file with many lines the program keeps but does not know, so
// that its save is large.
QByteArray largeSettingsFile()
{
    QByteArray text = "[Programm]\r\nName=Kitbox32\r\n";
    for (int section = 0; section < 400; ++section) {
        text += "[Fremd" + QByteArray::number(section) + "]\r\n";
        for (int key = 0; key < 10; ++key)
            text += "Schluessel" + QByteArray::number(key) + "=ein Wert, den eine andere Anwendung hier ablegt\r\n";
    }
    return text;
}

QStringList entries(const QString &directory)
{
    return QDir(directory).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
}

// ".<name>.<pid>-<n>.saving"
bool isTemporaryOf(const QString &entry, const char *fileName)
{
    return entry.startsWith(QLatin1Char('.') + QString::fromLatin1(fileName) + QLatin1Char('.')) &&
           entry.endsWith(QLatin1String(".saving"));
}

struct SavePath {
    const char *kind, *fileName;
} const savePaths[] = {
    {"settings", "KITBOX32.INI"},     {"simulation", "DEMO.SIM"},       {"recording", "RECORDED.SIM"},
    {"table-export", "BIGTABLE.CSV"}, {"table-errors", "KITBOX32.ERR"}, {"pdf", "RESULTS.PDF"},
    {"testfile", "STEPS.TST"},
};

// Kills one save path at all its stops and counts them.
void killDuringSaves(const SavePath &path, int *killPoints)
{
    SCOPED_TRACE(path.kind);
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString target = dir.filePath(QString::fromLatin1(path.fileName));
    auto childArgs = [&](const char *variant, const QString &stop) {
        QStringList args{QString::fromLatin1(path.kind), QString::fromLatin1(variant), target};
        if (!stop.isEmpty())
            args << stop;
        return args;
    };

    // The old file is what the same save path wrote before.
    if (QByteArrayView(path.kind) == "settings")
        writeAll(target, largeSettingsFile());
    ASSERT_EQ(run(childArgs("old", {})).exitCode, 0);
    const QByteArray oldContent = contentOf(target);
    const Child counted = run(childArgs("new", QStringLiteral("count")));
    ASSERT_EQ(counted.exitCode, 0);
    const QByteArray newContent = contentOf(target);
    ASSERT_GT(newContent.size(), 20 * 1000);
    ASSERT_NE(oldContent, newContent);
    long long bytes = 0, steps = 0;
    ASSERT_EQ(std::sscanf(counted.out.constData(), "%lld %lld", &bytes, &steps), 2);
    ASSERT_GE(bytes, newContent.size());
    ASSERT_GT(steps, 0);

    QStringList stops;
    const int byteStops = 200;
    for (int i = 0; i < byteStops; ++i)
        stops << QStringLiteral("byte:%1").arg(bytes * i / byteStops);
    for (long long s = 1; s <= steps; ++s)
        stops << QStringLiteral("step:%1").arg(s) << QStringLiteral("step:%1+").arg(s);

    int keptOld = 0, tookNew = 0, leftTemporary = 0;
    for (const QString &stop : std::as_const(stops)) {
        SCOPED_TRACE(stop.toStdString());
        writeAll(target, oldContent);
        const Child child = run(childArgs("new", stop));
        ASSERT_TRUE(child.killed) << "exit code " << child.exitCode;
        const QByteArray now = contentOf(target);
        if (now == oldContent)
            ++keptOld;
        else if (now == newContent)
            ++tookNew;
        else
            FAIL() << "the file holds " << now.size() << " bytes, neither the old " << oldContent.size()
                   << " nor the new " << newContent.size();
        // Besides the file only a temporary file of the killed save may be there.
        const QStringList left = entries(dir.path());
        for (const QString &name : left)
            ASSERT_TRUE(name == QString::fromLatin1(path.fileName) || isTemporaryOf(name, path.fileName))
                << name.toStdString();
        leftTemporary += left.size() > 1 ? 1 : 0;
    }
    // The next save clears what the killed ones left.
    ASSERT_EQ(run(childArgs("new", {})).exitCode, 0);
    EXPECT_EQ(contentOf(target), newContent);
    EXPECT_EQ(entries(dir.path()).join(u' ').toStdString(), path.fileName);
    // The stops reach from before the first byte to after the file took its place.
    EXPECT_GT(keptOld, 0);
    EXPECT_GT(tookNew, 0);
    *killPoints = int(stops.size());
    std::printf("%s: %lld kill points (%d kept the old file, %d the new one, %d left a temporary file)\n", path.kind,
                static_cast<long long>(stops.size()), keptOld, tookNew, leftTemporary);
}

TEST(SaveKillTest, everyKilledSaveLeavesTheOldOrTheNewFileAndNothingElse)
{
    qputenv("QT_QPA_PLATFORM", "offscreen"); // the PDF is drawn without a display
    // The paths side by side: most of a stop's time is starting the child.
    std::vector<int> killPoints(std::size(savePaths), 0);
    std::vector<std::thread> workers;
    for (size_t i = 0; i < std::size(savePaths); ++i)
        workers.emplace_back(killDuringSaves, std::cref(savePaths[i]), &killPoints[i]);
    for (std::thread &worker : workers)
        worker.join();
    const int total = std::accumulate(killPoints.begin(), killPoints.end(), 0);
    std::printf("kill points tried: %d\n", total);
    EXPECT_GE(total, 200 * int(std::size(savePaths)));
}

} // namespace
