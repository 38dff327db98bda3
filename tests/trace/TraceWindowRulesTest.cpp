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

TEST(RuntimeConfiguration, ShowsWhatTheRuntimeAccepted)
{
    const struct {
        const char *name;
        int option;
        QString before;
        bool set;
        int levelButton;
        bool refuse;
        QString sent; // empty: nothing
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
        RuntimeConfiguration configuration(r.session);
        EXPECT_EQ(configuration.apply(c.option, c.set, c.levelButton), c.after);
        EXPECT_TRUE(r.api.calls().contains(u"apiSetConfig("_s + c.sent + u')'));
        // Only the simulation switch stops a running job.
        EXPECT_EQ(r.api.callCount(u"apiBreak"_s), c.option == 0 ? 1 : 0);
    }
}

TEST(RuntimeConfiguration, ReadsValuesAndOptions)
{
    Runtime r;
    r.api.setConfig(u"EcuPath"_s, u"/data/ecu"_s);
    r.api.setConfig(u"TracePath"_s, u"/tmp/trace"_s);
    r.api.setConfig(u"Simulation"_s, u"1"_s);
    r.api.setConfig(u"IfhTrace"_s, u"5"_s);
    r.api.setConfig(u"RetryComm"_s, u"0"_s);
    // SystemResults and the others cannot be read: they count as on.
    const ConfigurationValues v = RuntimeConfiguration(r.session).read();
    EXPECT_EQ(v.values[5], u"/data/ecu"_s);
    EXPECT_EQ(v.values[7], u"/tmp/trace"_s);
    EXPECT_EQ(v.values[0], QString());
    EXPECT_EQ(v.options[0], (OptionState{true, false, -1}));
    EXPECT_EQ(v.options[1], (OptionState{true, true, -1})); // level 5: set, no button
    EXPECT_EQ(v.options[2], (OptionState{false, false, -1}));
    EXPECT_EQ(v.options[3], (OptionState{true, false, -1}));
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
        QString caption;
        bool minimised, loads;
    } cases[] = {
        {"trace on: the runtime holds the file", u"2"_s, true, u"IFH Trace ein"_s, true, false},
        {"trace off without file", u"0"_s, false, u"IFH Tracedatei : keine"_s, true, false},
        {"unreadable level counts as off", QString(), true, u"IFH Trace"_s, false, true},
        {"trace off with file", u"0"_s, true, u"IFH Trace"_s, false, true},
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
        EXPECT_EQ(d.caption, c.caption);
        EXPECT_EQ(d.minimised, c.minimised);
        EXPECT_EQ(d.file, c.loads ? file() : QString());
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
        QStringList sets;
        for (const QString &call : r.api.calls())
            if (call.startsWith(u"apiSetConfig"_s))
                sets << call;
        EXPECT_EQ(sets, (QStringList{u"apiSetConfig(IfhTrace,0)"_s, u"apiSetConfig(IfhTrace,2)"_s}));
        EXPECT_EQ(QFile::exists(file()), !removable);
        // A file that stays is reported, and the level is restored all the same.
        ASSERT_EQ(r.dialogs.messages().size(), removable ? 0 : 1);
        if (!removable) {
            const ShownDialog box = r.dialogs.messages().first();
            EXPECT_EQ(box.title, r.texts.text(504));
            EXPECT_EQ(box.text, r.texts.text(502) + dir.path() + r.texts.text(503));
            EXPECT_EQ(box.icon, MessageIcon::Warning);
        }
    }
    // Without a readable trace path nothing is done at all.
    r.api.removeConfig(u"TracePath"_s);
    r.api.clearCalls();
    EXPECT_FALSE(TraceViewer(r.session, r.dialogs, r.texts).clear());
    EXPECT_EQ(r.api.callCount(u"apiSetConfig"_s), 0);
}

TEST(TraceFileReader, RetriesALockedFile)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(u"IFH.TRC"_s);
    writeFile(path, "REQ 22\n");
    const struct {
        int failing;
        bool opens;
        int pauses;
    } cases[] = {{0, true, 0}, {2, true, 2}, {4, true, 4}, {5, false, 4}};
    for (const auto &c : cases) {
        QList<int> pauses;
        TraceFileReader reader([&pauses](int ms) { pauses << ms; });
        reader.failingOpensForTesting = c.failing;
        EXPECT_EQ(reader.open(path), c.opens) << c.failing;
        EXPECT_EQ(pauses, QList<int>(c.pauses, 500)) << c.failing;
    }
}

// Runs the event loop until the loader is done.
bool waitForLoader(TraceLoader &loader, bool &opened)
{
    bool done = false;
    auto connection = QObject::connect(&loader, &TraceLoader::finished, [&](bool ok) {
        done = true;
        opened = ok;
    });
    QElapsedTimer timer;
    timer.start();
    while (!done && timer.elapsed() < 10000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    QObject::disconnect(connection);
    return done;
}

TEST(TraceLoader, LoadsInPiecesAndFollowsTheFile)
{
    int argc = 0;
    static QCoreApplication *app = QCoreApplication::instance() ? nullptr : new QCoreApplication(argc, nullptr);
    (void)app;
    QTemporaryDir dir;
    const QString path = dir.filePath(u"IFH.TRC"_s);
    // Lines that cross the piece boundaries, a CR LF line and a last line without end.
    QByteArray data;
    for (int i = 0; i < 60000; ++i)
        data += "10:00:00.000 REQ 22 F4 " + QByteArray::number(i) + (i % 7 ? "\n" : "\r\n");
    data += "Gr\xC3\xBC\xC3\x9F"
            "e";
    writeFile(path, data);

    TraceLineModel model;
    TraceLoader loader(model);
    int progressReports = 0;
    QObject::connect(&loader, &TraceLoader::progress, [&](qint64 done, qint64 total) {
        ++progressReports;
        EXPECT_LE(done, total);
    });
    loader.load(path);
    bool opened = false;
    ASSERT_TRUE(waitForLoader(loader, opened));
    EXPECT_TRUE(opened);
    EXPECT_GT(progressReports, 1);
    EXPECT_EQ(model.rowCount(), 60001);
    EXPECT_EQ(model.line(0), u"10:00:00.000 REQ 22 F4 0"_s);
    EXPECT_EQ(model.line(59999), u"10:00:00.000 REQ 22 F4 59999"_s);
    EXPECT_EQ(model.line(60000), u"Grüße"_s);

    // The runtime goes on writing: only the new part is read.
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::Append));
    f.write(" und mehr\nRSP 62\n");
    f.close();
    loader.loadAdded(path);
    ASSERT_TRUE(waitForLoader(loader, opened));
    EXPECT_EQ(model.rowCount(), 60002);
    EXPECT_EQ(model.line(60000), u"Grüße und mehr"_s);
    EXPECT_EQ(model.line(60001), u"RSP 62"_s);

    // Cleared meanwhile: loaded anew.
    writeFile(path, "REQ 3E\n");
    loader.loadAdded(path);
    ASSERT_TRUE(waitForLoader(loader, opened));
    EXPECT_EQ(model.rowCount(), 1);

    // A file that stays locked leaves the field empty.
    loader.failingOpensForTesting = 5;
    loader.retryPauseMsForTesting = 0;
    loader.load(path);
    ASSERT_TRUE(waitForLoader(loader, opened));
    EXPECT_FALSE(opened);
    EXPECT_EQ(model.rowCount(), 0);
}

struct SimulationFixture : ::testing::Test {
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        sim = dir.filePath(u"sim"_s);
        QDir().mkpath(sim);
        r.api.setConfig(u"Simulation"_s, u"1"_s);
        r.api.setConfig(u"SimulationPath"_s, sim);
        writeFile(sim + u"/D_MOTOR.SIM"_s, original);
    }
    QString motor() const { return sim + u"/D_MOTOR.SIM"_s; }
    QTemporaryDir dir;
    QString sim;
    Runtime r;
    SimulationEditor editor{r.session, r.dialogs, r.texts};
    const QByteArray original = "22 F4 0C = 62 F4 0C 0B B8\n3E 00 62\n";
};

TEST_F(SimulationFixture, LoadFollowsSimulationStateAndFile)
{
    const struct {
        const char *name;
        QString simulation;
        QString description;
        bool udsCheck;
        QString caption;
        bool visible;
        int boxes;
    } cases[] = {
        {"file present", u"1"_s, u"d_motor"_s, false, QString(), true, 0},
        {"simulation off reads no file", u"0"_s, u"D_MOTOR"_s, false, u"Simulation aus"_s, false, 0},
        {"missing file", u"1"_s, u"D_ALT"_s, false, u"Simulationsdatei : keine"_s, false, 1},
        {"missing file in the UDS list check", u"1"_s, u"D_ALT"_s, true, u"Simulationsdatei : keine"_s, false, 0},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        r.dialogs.clear();
        r.api.setConfig(u"Simulation"_s, c.simulation);
        const SimulationView v = editor.load(c.description, c.udsCheck, QString());
        const QString shown = (sim + u'/' + c.description.toUpper() + u".SIM"_s).toUpper();
        EXPECT_EQ(v.caption, c.caption.isEmpty() ? u"Simulationsdatei : "_s + shown : c.caption);
        EXPECT_EQ(v.visible, c.visible);
        EXPECT_EQ(v.fileOpen, c.visible);
        EXPECT_EQ(v.text, c.visible ? QString::fromUtf8(original) : QString());
        EXPECT_EQ(editor.fileName(), c.visible ? shown : QString());
        EXPECT_FALSE(editor.changed());
        // The loaded text is checked line by line: the second demo line lacks its "=".
        EXPECT_EQ(editor.faultSummary(),
                  c.visible ? u"Zeile 2: '=' missing between request and response"_s : QString());
        ASSERT_EQ(r.dialogs.messages().size(), c.boxes);
        if (c.boxes) {
            EXPECT_EQ(r.dialogs.messages().first().text, u"Simulationsdatei\r\n"_s + shown + u"\r\nnicht gefunden."_s);
        }
    }
}

TEST_F(SimulationFixture, SaveAsksWritesAndKeepsTheOldFileWhenTheWriteFails)
{
    const struct {
        const char *name;
        bool ask;
        DialogAnswer answer;
        bool goOn;
        bool written;
        std::function<void()> breakIt = nullptr;
    } cases[] = {
        {"yes saves", true, DialogAnswer::Yes, true, true},
        {"no goes on without saving", true, DialogAnswer::No, true, false},
        {"cancel stops the caller", true, DialogAnswer::Cancel, false, false},
        {"the save entry does not ask", false, DialogAnswer::Ok, true, true},
        {"full disk", false, DialogAnswer::Ok, false, false, [] { setSaveSpaceLimitForTesting(4); }},
        {"directory gone", false, DialogAnswer::Ok, false, false, [this] { QDir(sim).removeRecursively(); }},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        SimulationEditor ed{r.session, r.dialogs, r.texts};
        QDir().mkpath(sim);
        writeFile(motor(), original);
        r.dialogs.clear();
        (void)ed.load(u"D_MOTOR"_s, false, QString());
        EXPECT_TRUE(ed.save(true, u"unchanged"_s)); // nothing changed: no question
        EXPECT_TRUE(r.dialogs.messages().isEmpty());
        ed.markChanged();
        if (c.ask)
            r.dialogs.setNextAnswer(c.answer);
        if (c.breakIt)
            c.breakIt();
        EXPECT_EQ(ed.save(c.ask, u"22 = 62\n"_s), c.goOn);
        setSaveSpaceLimitForTesting(-1);
        EXPECT_EQ(ed.changed(), !c.written);
        if (QDir(sim).exists()) {
            EXPECT_EQ(readAll(motor()), c.written ? QByteArray("22 = 62\n") : original);
            EXPECT_EQ(QDir(sim).entryList(QDir::Files), QStringList{u"D_MOTOR.SIM"_s}); // no temporary left
        }
        ASSERT_EQ(r.dialogs.messages().size(), c.ask || c.breakIt ? 1 : 0);
        if (c.ask) {
            EXPECT_EQ(r.dialogs.messages().first().buttons, MessageButtons::YesNoCancel);
        }
        if (c.breakIt) {
            EXPECT_TRUE(r.dialogs.messages().first().text.startsWith(u"Fehler ("_s));
            EXPECT_TRUE(r.dialogs.messages().first().text.endsWith(u"): Dateiausführungsfehler!"_s));
        }
    }
}

TEST_F(SimulationFixture, CancelOnLoadLosesTheTextButLoads)
{
    (void)editor.load(u"D_MOTOR"_s, false, QString());
    editor.markChanged();
    writeFile(sim + u"/D_BASIS.SIM"_s, "22 = 62\n");
    r.dialogs.setNextAnswer(DialogAnswer::Cancel);
    const SimulationView v = editor.load(u"D_BASIS"_s, false, u"edited"_s);
    EXPECT_EQ(v.text, u"22 = 62\n"_s);
    EXPECT_EQ(readAll(motor()), original);
    EXPECT_FALSE(editor.changed());
}

} // namespace
