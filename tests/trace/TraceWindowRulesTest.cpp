// The rules behind the runtime configuration window, the trace window and
// the simulation editor, through the scripted runtime and dialogs.
#include "Support.h"
#include "runtime/FakeVedamisApi.h"
#include "runtime/RuntimeConfiguration.h"
#include "runtime/RuntimeSession.h"
#include "shell/FileSave.h"
#include "shell/ScriptedDialogService.h"
#include "shell/TextCatalogue.h"
#include "trace/SimulationEditor.h"
#include "trace/TraceFileReader.h"
#include "trace/TraceLineModel.h"
#include "trace/TraceLoader.h"
#include "trace/TraceViewer.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>

using namespace kitbox;
using namespace kitbox::test;
using namespace Qt::StringLiterals;

namespace {

struct Runtime {
    Runtime() { EXPECT_TRUE(texts.loadBuiltIn().ok()); }
    FakeVedamisApi api;
    ScriptedDialogService dialogs;
    TextCatalogue texts;
    RuntimeSession session{api, dialogs, texts};
};

TEST(RuntimeConfiguration, ReadsAndShowsWhatTheRuntimeAccepted)
{
    const struct {
        const char *name;
        int option;
        QString before;
        bool set;
        int levelButton;
        bool refuse;
        QString sent;
        OptionState after;
    } cases[] = {
        {"trace on at level button 3 sends 3", 1, u"0"_s, true, 2, false, u"IfhTrace,3"_s, {true, true, 2}},
        {"trace off withdraws the level frame", 1, u"2"_s, false, 1, false, u"IfhTrace,0"_s, {false, false, -1}},
        {"a refused simulation stays clear", 0, u"0"_s, true, -1, true, u"Simulation,1"_s, {false, false, -1}},
        {"a refused switch-off stays set", 2, u"1"_s, false, -1, true, u"RetryComm,0"_s, {true, false, -1}},
        {"trace without a chosen level sends the lowest", 1, u"0"_s, true, -1, false, u"IfhTrace,1"_s, {true, true, 0}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        Runtime r;
        const QString name = RuntimeConfiguration::optionNames()[size_t(c.option)];
        r.api.setConfig(name, c.before);
        if (c.refuse)
            r.api.refuseSetConfig(name, 20, u"refused"_s);
        EXPECT_EQ(RuntimeConfiguration(r.session).apply(c.option, c.set, c.levelButton), c.after);
        EXPECT_TRUE(r.api.calls().contains(u"apiSetConfig("_s + c.sent + u')'));
        // Only the simulation switch stops a running job.
        EXPECT_EQ(r.api.callCount(u"apiBreak"_s), c.option == 0 ? 1 : 0);
    }

    Runtime r;
    r.api.setConfig(u"TracePath"_s, u"/tmp/trace"_s);
    r.api.setConfig(u"Simulation"_s, u"1"_s);
    r.api.setConfig(u"IfhTrace"_s, u"5"_s);
    r.api.setConfig(u"RetryComm"_s, u"0"_s);
    const ConfigurationValues v = RuntimeConfiguration(r.session).read();
    EXPECT_EQ(v.values[7], u"/tmp/trace"_s);
    EXPECT_EQ(v.values[0], QString());
    // Level 5 is set without a button; options that cannot be read count as on.
    const std::array<OptionState, 4> options{
        {{true, false, -1}, {true, true, -1}, {false, false, -1}, {true, false, -1}}};
    EXPECT_TRUE(std::equal(options.begin(), options.end(), v.options.begin()));
    EXPECT_EQ(r.api.callCount(u"apiSetConfig"_s), 0);
}

struct TraceFixture : ::testing::Test {
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        r.api.setConfig(u"TracePath"_s, dir.path() + u'/');
    }
    QString file() const { return dir.filePath(u"IFH.TRC"_s); }
    QTemporaryDir dir;
    Runtime r;
};

TEST_F(TraceFixture, ShowFollowsTraceStateAndFile)
{
    const struct {
        const char *name;
        QString level; // empty: cannot be read
        bool fileExists;
        TraceDisplay shown;
    } cases[] = {
        {"trace on: the runtime holds the file", u"2"_s, true, {u"IFH Trace ein"_s, true, {}}},
        {"trace off without file", u"0"_s, false, {u"IFH Tracedatei : keine"_s, true, {}}},
        {"unreadable level counts as off", QString(), true, {u"IFH Trace"_s, false, u"IFH.TRC"_s}},
        {"trace off with file", u"0"_s, true, {u"IFH Trace"_s, false, u"IFH.TRC"_s}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        QFile::remove(file());
        if (c.fileExists)
            writeFile(file(), "REQ 22\n");
        if (c.level.isEmpty())
            r.api.removeConfig(u"IfhTrace"_s);
        else
            r.api.setConfig(u"IfhTrace"_s, c.level);
        const TraceDisplay d = TraceViewer(r.session, r.dialogs, r.texts).show();
        EXPECT_EQ(d.caption, c.shown.caption);
        EXPECT_EQ(d.minimised, c.shown.minimised);
        EXPECT_EQ(d.file, c.shown.file.isEmpty() ? QString() : file());
    }
}

TEST_F(TraceFixture, ClearSwitchesOffDeletesAndRestoresTheLevel)
{
    for (const bool removable : {true, false}) {
        SCOPED_TRACE(removable);
        r.dialogs.clear();
        r.api.setConfig(u"IfhTrace"_s, u"2"_s);
        writeFile(file(), "REQ 22\n");
        TraceViewer viewer(r.session, r.dialogs, r.texts);
        if (!removable)
            viewer.removeFile = [](const QString &) { return false; };
        r.api.clearCalls();
        ASSERT_TRUE(viewer.clear());
        EXPECT_EQ(r.api.calls().filter(u"apiSetConfig"_s),
                  (QStringList{u"apiSetConfig(IfhTrace,0)"_s, u"apiSetConfig(IfhTrace,2)"_s}));
        EXPECT_EQ(QFile::exists(file()), !removable);
        // A file that stays is reported, and the level is restored all the same.
        QStringList boxes;
        for (const ShownDialog &box : r.dialogs.messages())
            boxes << box.title + u'|' + box.text;
        EXPECT_EQ(boxes, removable ? QStringList()
                                   : QStringList{r.texts.text(504) + u'|' + r.texts.text(502) + dir.path() +
                                                 r.texts.text(503)});
    }
    // Without a readable trace path nothing is done at all.
    r.api.removeConfig(u"TracePath"_s);
    r.api.clearCalls();
    EXPECT_FALSE(TraceViewer(r.session, r.dialogs, r.texts).clear());
    EXPECT_EQ(r.api.callCount(u"apiSetConfig"_s), 0);
}

TEST(TraceFileReader, RetriesALockedFileFourTimes)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(u"IFH.TRC"_s);
    writeFile(path, "REQ 22\n");
    for (const auto &[failing, opens, pauses] : {std::tuple(0, true, 0), {4, true, 4}, {5, false, 4}}) {
        QList<int> waited;
        TraceFileReader reader([&waited](int ms) { waited << ms; });
        reader.failingOpensForTesting = failing;
        EXPECT_EQ(reader.open(path), opens) << failing;
        EXPECT_EQ(waited, QList<int>(pauses, 500)) << failing;
    }
}

// Runs the event loop until the loader is done; its result is whether the file opened.
bool loaded(TraceLoader &loader)
{
    bool done = false, opened = false;
    auto connection = QObject::connect(&loader, &TraceLoader::finished, [&](bool ok) {
        done = true;
        opened = ok;
    });
    QElapsedTimer timer;
    timer.start();
    while (!done && timer.elapsed() < 10000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    QObject::disconnect(connection);
    EXPECT_TRUE(done);
    return opened;
}

TEST(TraceLoader, LoadsInPiecesAndFollowsTheFile)
{
    int argc = 0;
    static QCoreApplication *app = QCoreApplication::instance() ? nullptr : new QCoreApplication(argc, nullptr);
    (void)app;
    QTemporaryDir dir;
    const QString path = dir.filePath(u"IFH.TRC"_s);
    // More than one piece, lines across the boundary, CR LF lines and a last line without end.
    QByteArray data;
    for (int i = 0; i < 60000; ++i)
        data += "10:00:00.000 REQ 22 F4 " + QByteArray::number(i) + (i % 7 ? "\n" : "\r\n");
    writeFile(path, data + "Gr\xC3\xBC\xC3\x9F");

    TraceLineModel model;
    TraceLoader loader(model);
    int progressReports = 0;
    QObject::connect(&loader, &TraceLoader::progress, [&](qint64 done, qint64 total) {
        ++progressReports;
        EXPECT_LE(done, total);
    });
    loader.load(path);
    EXPECT_TRUE(loaded(loader));
    EXPECT_GT(progressReports, 1);
    ASSERT_EQ(model.rowCount(), 60001);
    EXPECT_EQ(model.line(59999), u"10:00:00.000 REQ 22 F4 59999"_s);

    // The runtime goes on writing: only the new part is read.
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::Append));
    f.write("e und mehr\nRSP 62\n");
    f.close();
    loader.loadAdded(path);
    EXPECT_TRUE(loaded(loader));
    EXPECT_EQ(model.rowCount(), 60002);
    EXPECT_EQ(model.line(60000), u"Grüße und mehr"_s);

    // Cleared meanwhile: loaded anew.
    writeFile(path, "REQ 3E\n");
    loader.loadAdded(path);
    EXPECT_TRUE(loaded(loader));
    EXPECT_EQ(model.rowCount(), 1);

    // A file that stays locked leaves the field empty.
    loader.failingOpensForTesting = 5;
    loader.retryPauseMsForTesting = 0;
    loader.load(path);
    EXPECT_FALSE(loaded(loader));
    EXPECT_EQ(model.rowCount(), 0);
}

struct SimulationFixture : ::testing::Test {
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        QDir().mkpath(sim);
        r.api.setConfig(u"Simulation"_s, u"1"_s);
        r.api.setConfig(u"SimulationPath"_s, sim);
        writeFile(motor(), original);
    }
    QString motor() const { return sim + u"/D_MOTOR.SIM"_s; }
    QTemporaryDir dir;
    const QString sim = dir.filePath(u"sim"_s);
    Runtime r;
    SimulationEditor editor{r.session, r.dialogs, r.texts};
    const QByteArray original = "22 F4 0C = 62 F4 0C 0B B8\n3E 00 62\n";
};

TEST_F(SimulationFixture, LoadFollowsSimulationStateAndFile)
{
    const QString shown = (sim + u"/D_MOTOR.SIM"_s).toUpper();
    const QString missing = u"Simulationsdatei : keine"_s;
    const struct {
        const char *name;
        QString simulation, description;
        bool udsCheck;
        QString caption; // empty: the file is open
        int boxes;
    } cases[] = {
        {"file present", u"1"_s, u"d_motor"_s, false, QString(), 0},
        {"simulation off reads no file", u"0"_s, u"D_MOTOR"_s, false, u"Simulation aus"_s, 0},
        {"missing file", u"1"_s, u"D_ALT"_s, false, missing, 1},
        {"missing file in the UDS list check", u"1"_s, u"D_ALT"_s, true, missing, 0},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        r.dialogs.clear();
        r.api.setConfig(u"Simulation"_s, c.simulation);
        const SimulationView v = editor.load(c.description, c.udsCheck, QString());
        const bool open = c.caption.isEmpty();
        EXPECT_EQ(v.caption, open ? u"Simulationsdatei : "_s + shown : c.caption);
        EXPECT_EQ(v.visible && v.fileOpen, open);
        EXPECT_EQ(v.text, open ? QString::fromUtf8(original) : QString());
        EXPECT_EQ(editor.fileName(), open ? shown : QString());
        EXPECT_FALSE(editor.changed());
        // The loaded text is checked: the second line lacks its "=".
        EXPECT_EQ(editor.faultSummary().startsWith(u"Zeile 2: "_s), open);
        ASSERT_EQ(r.dialogs.messages().size(), c.boxes);
        if (c.boxes) {
            EXPECT_EQ(r.dialogs.messages().first().text,
                      u"Simulationsdatei\r\n"_s + sim.toUpper() + u"/D_ALT.SIM\r\nnicht gefunden."_s);
        }
    }
}

TEST_F(SimulationFixture, SaveAsksWritesAndKeepsTheOldFileWhenTheWriteFails)
{
    const struct {
        const char *name;
        bool ask;
        DialogAnswer answer;
        bool goOn, written;
        int spaceLimit = -1;
    } cases[] = {
        {"yes saves", true, DialogAnswer::Yes, true, true},
        {"no goes on without saving", true, DialogAnswer::No, true, false},
        {"cancel stops the caller", true, DialogAnswer::Cancel, false, false},
        {"the save entry does not ask", false, DialogAnswer::Ok, true, true},
        {"full disk", false, DialogAnswer::Ok, false, false, 4},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        SimulationEditor ed{r.session, r.dialogs, r.texts};
        writeFile(motor(), original);
        r.dialogs.clear();
        (void)ed.load(u"D_MOTOR"_s, false, QString());
        EXPECT_TRUE(ed.save(true, u"unchanged"_s)); // nothing changed: no question
        ed.markChanged();
        if (c.ask)
            r.dialogs.setNextAnswer(c.answer);
        setSaveSpaceLimitForTesting(c.spaceLimit);
        EXPECT_EQ(ed.save(c.ask, u"22 = 62\n"_s), c.goOn);
        setSaveSpaceLimitForTesting(-1);
        EXPECT_EQ(ed.changed(), !c.written);
        EXPECT_EQ(readAll(motor()), c.written ? QByteArray("22 = 62\n") : original);
        ASSERT_EQ(r.dialogs.messages().size(), c.ask || c.spaceLimit >= 0 ? 1 : 0);
        const ShownDialog box = r.dialogs.messages().value(0);
        EXPECT_TRUE(!c.ask || box.buttons == MessageButtons::YesNoCancel);
        EXPECT_TRUE(c.spaceLimit < 0 ||
                    (box.text.startsWith(u"Fehler ("_s) && box.text.endsWith(u"): Dateiausführungsfehler!"_s)));
    }

    // Cancel on loading another file loses the edit but loads.
    (void)editor.load(u"D_MOTOR"_s, false, QString());
    editor.markChanged();
    writeFile(sim + u"/D_BASIS.SIM"_s, "22 = 62\n");
    r.dialogs.setNextAnswer(DialogAnswer::Cancel);
    EXPECT_EQ(editor.load(u"D_BASIS"_s, false, u"edited"_s).text, u"22 = 62\n"_s);
    EXPECT_EQ(readAll(motor()), original);
    EXPECT_FALSE(editor.changed());
}

} // namespace
