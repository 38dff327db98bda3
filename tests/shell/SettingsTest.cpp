#include "shell/Settings.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <vector>

namespace {

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeAll(const QString &path, const QByteArray &data)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly)) << path.toStdString();
    f.write(data);
}

class SettingsFile : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        for (const char *sub : {"vedamis", "windir", "user", "program"})
            ASSERT_TRUE(QDir(m_dir.path()).mkpath(QString::fromLatin1(sub)));
        m_locations.userConfigDir = dir(QStringLiteral("user/kitbox32"));
        m_locations.programDirectory = dir(QStringLiteral("program"));
        m_locations.fileName = QStringLiteral("kitbox32.INI");
    }
    QString dir(const QString &sub) const { return m_dir.filePath(sub); }
    QString userFile() const { return m_locations.userConfigDir + QStringLiteral("/kitbox32.INI"); }
    QString programFile() const { return m_locations.programDirectory + QStringLiteral("/kitbox32.INI"); }

    // Reads the settings back the way the program does at start.
    Settings reread(int screenWidth = 1024) const
    {
        Settings s;
        s.readCommon(m_locations, screenWidth);
        return s;
    }

    QTemporaryDir m_dir;
    SettingsLocations m_locations;
};

} // namespace

TEST(SettingsDefaults, MissingKeysTakeTheirDefaultsAndTheScreenDecidesTheDisplayFlags)
{
    IniFile empty;
    Settings s;
    s.readCommon(empty, 800);
    const ShellOptions &o = s.options();
    EXPECT_EQ(o.language, QStringLiteral("D"));
    EXPECT_EQ(o.multiInstanz, QStringLiteral("N"));
    EXPECT_EQ(o.ausgabeSortiert, 1);
    EXPECT_EQ(o.zemoFsMode, 1919);
    EXPECT_TRUE(o.udsEinh && o.udsInfo && o.udsText);
    // 800 pixels: toolbar, header, job and table information, but no hint line.
    EXPECT_EQ(std::vector<int>({o.toolbar, o.kopfzeile, o.jobInfo, o.tabInfo, o.hinweiszeile, o.argInfo}),
              std::vector<int>({-1, -1, -1, -1, 0, -1}));
    EXPECT_EQ(s.window(QStringLiteral("APP")), (WindowPlacement{0, 0, 10000, 6000, 0}));
    EXPECT_EQ(s.window(QStringLiteral("TAB")), (WindowPlacement{4800, 3075, 4800, 3555, 1}));

    Settings small;
    small.readCommon(empty, 640);
    EXPECT_EQ(small.options().toolbar, 0);
    EXPECT_EQ(small.options().tabInfo, 0);
    EXPECT_EQ(small.options().argInfo, -1); // not screen dependent
}

TEST(SettingsValues, LanguageAndMultiInstanceKeepTheirFirstLetter)
{
    struct Case {
        const char *language;
        const char *letter;
        bool english;
    };
    for (const Case &c :
         {Case{"english", "E", true}, Case{"Deutsch", "D", false}, Case{"x", "X", false}, Case{"e", "E", true}}) {
        IniFile ini;
        ini.loadFromData(QByteArray("[KONFIGURATION]\nLANGUAGE=") + c.language + '\n');
        Settings s;
        s.readCommon(ini, 1024);
        EXPECT_EQ(s.options().language, QString::fromLatin1(c.letter)) << c.language;
        EXPECT_EQ(s.options().english(), c.english) << c.language;
        IniFile out;
        s.writeTo(out);
        EXPECT_EQ(out.value(QStringLiteral("KONFIGURATION"), QStringLiteral("LANGUAGE")),
                  QString::fromLatin1(c.letter));
    }
    for (const char *multi : {"yes", "J", "ja", "True"}) {
        IniFile ini;
        ini.loadFromData(QByteArray("[KONFIGURATION]\nMULTIINSTANZ=") + multi + '\n');
        Settings s;
        s.readCommon(ini, 1024);
        EXPECT_TRUE(s.options().multiInstanceRequested()) << multi;
    }
    for (const char *single : {"Nein", "N", "no", ""}) {
        IniFile ini;
        ini.loadFromData(QByteArray("[KONFIGURATION]\nMULTIINSTANZ=") + single + '\n');
        Settings s;
        s.readCommon(ini, 1024);
        EXPECT_FALSE(s.options().multiInstanceRequested()) << single;
    }
}

TEST(SettingsValues, FlagsAndSwitchesKeepTheirWrittenForm)
{
    IniFile ini;
    ini.loadFromData("[konfiguration]\nuds_einh=5\nUDS_INFO=0\nUDS_TEXT=abc\nAUSGABE_SORTIERT=-1\n"
                     "TOOLBAR=nonsense\nUDS_CHECK_LISTE=1\nZEMO_FS_MODE=7\n");
    Settings s;
    s.readCommon(ini, 1024);
    EXPECT_TRUE(s.options().udsEinh);
    EXPECT_FALSE(s.options().udsInfo);
    EXPECT_FALSE(s.options().udsText); // not a number reads as 0
    EXPECT_EQ(s.options().ausgabeSortiert, -1);
    EXPECT_EQ(s.options().toolbar, 0);
    EXPECT_EQ(s.options().udsCheckListe, 1);
    EXPECT_EQ(s.options().zemoFsMode, 7);

    IniFile out;
    s.writeTo(out);
    const QString k = QStringLiteral("KONFIGURATION");
    EXPECT_EQ(out.value(k, QStringLiteral("UDS_EINH")), QStringLiteral("1"));
    EXPECT_EQ(out.value(k, QStringLiteral("UDS_INFO")), QStringLiteral("0"));
    EXPECT_EQ(out.value(k, QStringLiteral("AUSGABE_SORTIERT")), QStringLiteral("-1"));
    EXPECT_EQ(out.value(k, QStringLiteral("TOOLBAR")), QStringLiteral("0"));
    EXPECT_EQ(out.value(k, QStringLiteral("ARG_INFO")), QStringLiteral("-1"));
    EXPECT_FALSE(out.contains(k, QStringLiteral("UDS_CHECK_LISTE"))); // read only
    EXPECT_EQ(out.value(QStringLiteral("Programm"), QStringLiteral("Name")), QStringLiteral("Kitbox"));
    // Single-instance mode writes all nine interface keys.
    for (int n = 1; n <= 9; ++n)
        EXPECT_EQ(out.value(k, QStringLiteral("INTERFACE0") + QString::number(n)), QStringLiteral(",,,"));
}

TEST(SettingsValues, HistoriesCloseGapsAndInterfacesSplitAtCommas)
{
    IniFile ini;
    ini.loadFromData("[ARGUMENT]\nARGUMENT1=a\nARGUMENT3=c\nARGUMENT20=t\nARGUMENT21=never\n"
                     "[RESULT]\nRESULT2=r\n"
                     "[KONFIGURATION]\nINTERFACE03=OBD,COM1,APP\nINTERFACE09=a,b,c,d,e\n");
    Settings s;
    s.readCommon(ini, 1024);
    EXPECT_EQ(s.argumentHistory(), QStringList({QStringLiteral("a"), QStringLiteral("c"), QStringLiteral("t")}));
    EXPECT_EQ(s.resultHistory(), QStringList{QStringLiteral("r")});
    EXPECT_EQ(s.interfaceTexts(3),
              (InterfaceTexts{QStringLiteral("OBD"), QStringLiteral("COM1"), QStringLiteral("APP"), QString()}));
    EXPECT_EQ(s.interfaceTexts(9),
              (InterfaceTexts{QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c"), QStringLiteral("d")}));

    IniFile out;
    s.writeTo(out);
    EXPECT_EQ(out.value(QStringLiteral("ARGUMENT"), QStringLiteral("ARGUMENT2")), QStringLiteral("c"));
    EXPECT_EQ(out.value(QStringLiteral("RESULT"), QStringLiteral("RESULT1")), QStringLiteral("r"));
    EXPECT_FALSE(out.contains(QStringLiteral("RESULT"), QStringLiteral("RESULT2")));
    EXPECT_EQ(out.value(QStringLiteral("KONFIGURATION"), QStringLiteral("INTERFACE03")),
              QStringLiteral("OBD,COM1,APP,"));
}

TEST_F(SettingsFile, LocationIsTriedInOrderAndNeedsTheMarker)
{
    m_locations.vedamisConfigDir = dir(QStringLiteral("vedamis"));
    m_locations.windir = dir(QStringLiteral("windir"));
    // Without Programm/Name the candidate is passed over.
    writeAll(dir(QStringLiteral("vedamis/kitbox32.INI")), "[KONFIGURATION]\nLANGUAGE=E\n");
    writeAll(dir(QStringLiteral("windir/kitbox32.INI")), "[Programm]\nName=\n");
    EXPECT_EQ(Settings::locateForReading(m_locations), programFile());

    writeAll(dir(QStringLiteral("windir/kitbox32.INI")), "[programm]\nname=Kitbox\n");
    EXPECT_EQ(Settings::locateForReading(m_locations), dir(QStringLiteral("windir/kitbox32.INI")));

    QDir().mkpath(m_locations.userConfigDir);
    writeAll(userFile(), "[Programm]\nName=Kitbox\n");
    m_locations.windir.clear();
    EXPECT_EQ(Settings::locateForReading(m_locations), userFile());

    writeAll(dir(QStringLiteral("vedamis/kitbox32.INI")), "[Programm]\nName=Kitbox\n[KONFIGURATION]\nLANGUAGE=E\n");
    EXPECT_EQ(Settings::locateForReading(m_locations), dir(QStringLiteral("vedamis/kitbox32.INI")));
    EXPECT_TRUE(reread().options().english());
}

TEST_F(SettingsFile, SaveCreatesTheUserFileAndKeepsForeignLines)
{
    Settings s = reread();
    s.options().language = QStringLiteral("E");
    s.argumentHistory() << QStringLiteral("arg;1");
    auto saved = s.save(m_locations);
    ASSERT_TRUE(saved.ok()) << saved.error();
    EXPECT_EQ(saved.value(), userFile());
    IniFile written;
    ASSERT_TRUE(written.load(userFile()).ok());
    EXPECT_EQ(written.value(QStringLiteral("Programm"), QStringLiteral("Name")), QStringLiteral("Kitbox"));
    EXPECT_EQ(written.value(QStringLiteral("WINDOWS"), QStringLiteral("APP_WIDTH")), QStringLiteral("10000"));
    EXPECT_EQ(written.value(QStringLiteral("WINDOWS"), QStringLiteral("KON_LEFT")), QStringLiteral("0"));
    EXPECT_FALSE(written.contains(QStringLiteral("WINDOWS"), QStringLiteral("KON_WIDTH")));
    EXPECT_FALSE(written.contains(QStringLiteral("WINDOWS"), QStringLiteral("APP_WINDOW")));
    EXPECT_EQ(written.value(QStringLiteral("WINDOWS"), QStringLiteral("SIM_WINDOW")), QStringLiteral("1"));

    // Someone adds lines of their own; a second run keeps them exactly.
    QByteArray data = readAll(userFile());
    data.replace("[KONFIGURATION]\r\n", "[KONFIGURATION]\r\n; my note\r\nPRIVATE = 1 \r\n");
    data.append("[Mine]\r\nx=y\r\n");
    writeAll(userFile(), data);

    Settings again = reread();
    EXPECT_TRUE(again.options().english());
    EXPECT_EQ(again.argumentHistory(), QStringList{QStringLiteral("arg;1")});
    ASSERT_TRUE(again.save(m_locations).ok());
    EXPECT_EQ(readAll(userFile()), data);
}

TEST_F(SettingsFile, EverythingReadBackAsWritten)
{
    Settings s = reread(1280);
    ShellOptions &o = s.options();
    o.language = QStringLiteral("E");
    o.hinweiszeile = 0;
    o.udsText = false;
    o.ausgabeSortiert = -1;
    o.zemoFsMode = 12;
    o.multiInstanz = QStringLiteral("J");
    s.resultHistory() = {QStringLiteral("R1"), QStringLiteral("R2")};
    s.setInterfaceTexts(4, {QStringLiteral("i"), QStringLiteral("u"), QString(), QStringLiteral("x")});
    s.setWindow(QStringLiteral("APP"), {100, -200, 9000, 5000, 0});
    s.setWindow(QStringLiteral("RES"), {10, -20, 30, 40, 2});
    ASSERT_TRUE(s.save(m_locations).ok());

    Settings back = reread(1280);
    const ShellOptions &b = back.options();
    EXPECT_EQ(b.language, QStringLiteral("E"));
    EXPECT_EQ(std::vector<int>({b.hinweiszeile, b.toolbar, b.udsText, b.udsEinh, b.ausgabeSortiert, b.zemoFsMode}),
              std::vector<int>({0, -1, false, true, -1, 12}));
    EXPECT_TRUE(b.multiInstanceRequested());
    EXPECT_EQ(back.resultHistory(), s.resultHistory());
    EXPECT_EQ(back.interfaceTexts(4), s.interfaceTexts(4));
    // A child window's negative top is written as 0; the main window's is kept.
    EXPECT_EQ(back.window(QStringLiteral("APP")), (WindowPlacement{100, -200, 9000, 5000, 0}));
    EXPECT_EQ(back.window(QStringLiteral("RES")), (WindowPlacement{10, 0, 30, 40, 2}));
}

TEST_F(SettingsFile, RecentFilesThatVanishedAreDroppedAndWrittenEmpty)
{
    const QString a = dir(QStringLiteral("program/A.prg"));
    const QString b = dir(QStringLiteral("program/b.TST"));
    writeAll(a, "x");
    writeAll(b, "x");
    writeAll(programFile(), QStringLiteral("[LASTFILE]\nLASTFILE1=%1\nLASTFILE2=%3\nLASTFILE3=%1\nLASTFILE4=\n"
                                           "LASTFILE5=%2\n")
                                .arg(a, b, dir(QStringLiteral("program/gone.prg")))
                                .toUtf8());
    Settings s = reread();
    EXPECT_EQ(s.recentFiles(), QStringList({a, b}));

    m_locations.userConfigDir.clear(); // write back where it came from
    ASSERT_TRUE(s.save(m_locations).ok());
    IniFile out;
    ASSERT_TRUE(out.load(programFile()).ok());
    EXPECT_EQ(out.value(QStringLiteral("LASTFILE"), QStringLiteral("LASTFILE1")), a); // case kept
    EXPECT_EQ(out.value(QStringLiteral("LASTFILE"), QStringLiteral("LASTFILE2")), b);
    EXPECT_EQ(out.value(QStringLiteral("LASTFILE"), QStringLiteral("LASTFILE3"), QStringLiteral("?")), QString());
    EXPECT_EQ(out.value(QStringLiteral("LASTFILE"), QStringLiteral("LASTFILE5"), QStringLiteral("?")), QString());

    s.addRecentFile(b);
    EXPECT_EQ(s.recentFiles(), QStringList({b, a}));
}

TEST_F(SettingsFile, SaveFailureIsReportedWithThePathAndNothingIsLost)
{
    // Every candidate directory is blocked by a regular file of the same name.
    const QString blocked = dir(QStringLiteral("blocked"));
    writeAll(blocked, "not a directory");
    m_locations.vedamisConfigDir = blocked;
    m_locations.userConfigDir = blocked + QStringLiteral("/kitbox32");
    m_locations.programDirectory = blocked;
    Settings s;
    IniFile empty;
    s.readCommon(empty, 1024);
    const auto saved = s.save(m_locations);
    ASSERT_FALSE(saved.ok());
    EXPECT_NE(saved.error().find(QString(blocked + QStringLiteral("/kitbox32.INI")).toStdString()), std::string::npos)
        << saved.error();
    EXPECT_EQ(readAll(blocked), QByteArray("not a directory"));
}

TEST_F(SettingsFile, AnUnreadableCandidateIsNeverOverwritten)
{
    // A directory with the settings file's name cannot be read: the save goes on to the next candidate.
    m_locations.vedamisConfigDir = dir(QStringLiteral("vedamis"));
    ASSERT_TRUE(QDir().mkpath(dir(QStringLiteral("vedamis/kitbox32.INI"))));
    const auto saved = reread().save(m_locations);
    ASSERT_TRUE(saved.ok()) << saved.error();
    EXPECT_EQ(saved.value(), userFile());
    EXPECT_TRUE(QFileInfo(dir(QStringLiteral("vedamis/kitbox32.INI"))).isDir());
}

TEST_F(SettingsFile, InstanceSectionsFallBackToTheCommonValues)
{
    const QString a = dir(QStringLiteral("program/a.prg"));
    const QString b = dir(QStringLiteral("program/b.prg"));
    writeAll(a, "x");
    writeAll(b, "x");
    writeAll(programFile(), QStringLiteral("[Programm]\nName=Kitbox\n"
                                           "[KONFIGURATION]\nLANGUAGE=D\nTOOLBAR=0\nMULTIINSTANZ=J\n"
                                           "INTERFACE03=x,y,z,w\n"
                                           "[KONFIGURATION_03]\nLANGUAGE=E\nMULTIINSTANZ=N\nINTERFACE03=bad\n"
                                           "[ARGUMENT]\nARGUMENT1=common\n"
                                           "[ARGUMENT_03]\nARGUMENT2=own\n"
                                           "[LASTFILE]\nLASTFILE1=%1\nLASTFILE2=%2\n"
                                           "[LASTFILE_03]\nLASTFILE1=%2\n"
                                           "[WINDOWS]\nJOB_LEFT=11\nJOB_TOP=12\n"
                                           "[WINDOWS_03]\nJOB_LEFT=99\n")
                                .arg(a, b)
                                .toUtf8());
    Settings s = reread();
    EXPECT_TRUE(s.options().multiInstanceRequested());
    s.setInstance(3, true);
    s.readInstance(3);
    EXPECT_EQ(s.options().language, QStringLiteral("E"));
    EXPECT_EQ(s.options().toolbar, 0);                        // from the common section
    EXPECT_EQ(s.options().multiInstanz, QStringLiteral("J")); // common only
    EXPECT_EQ(s.interfaceTexts(3)[0], QStringLiteral("x"));   // common only
    EXPECT_EQ(s.argumentHistory(), QStringList{QStringLiteral("own")});
    // Instance LASTFILE1 = b; LASTFILE2 falls back to the common b and is a duplicate.
    EXPECT_EQ(s.recentFiles(), QStringList({b, b}));
    EXPECT_EQ(s.window(QStringLiteral("JOB")).left, 99);
    EXPECT_EQ(s.window(QStringLiteral("JOB")).top, 12);

    s.options().toolbar = -1;
    s.setInterfaceTexts(3, {QStringLiteral("new"), QString(), QString(), QString()});
    s.setInterfaceTexts(5, {QStringLiteral("other"), QString(), QString(), QString()});
    m_locations.userConfigDir.clear();
    ASSERT_TRUE(s.save(m_locations).ok());
    IniFile out;
    ASSERT_TRUE(out.load(programFile()).ok());
    EXPECT_EQ(out.value(QStringLiteral("KONFIGURATION_03"), QStringLiteral("TOOLBAR")), QStringLiteral("-1"));
    EXPECT_EQ(out.value(QStringLiteral("KONFIGURATION"), QStringLiteral("TOOLBAR")), QStringLiteral("0"));
    EXPECT_EQ(out.value(QStringLiteral("KONFIGURATION"), QStringLiteral("INTERFACE03")), QStringLiteral("new,,,"));
    // Only the own instance's interface key is written in multi-instance mode.
    EXPECT_FALSE(out.contains(QStringLiteral("KONFIGURATION"), QStringLiteral("INTERFACE05")));
    EXPECT_EQ(out.value(QStringLiteral("KONFIGURATION_03"), QStringLiteral("MULTIINSTANZ")), QStringLiteral("N"));
    EXPECT_EQ(out.value(QStringLiteral("WINDOWS_03"), QStringLiteral("JOB_LEFT")), QStringLiteral("99"));
    EXPECT_EQ(out.value(QStringLiteral("WINDOWS"), QStringLiteral("JOB_LEFT")), QStringLiteral("11"));
    EXPECT_EQ(out.value(QStringLiteral("ARGUMENT_03"), QStringLiteral("ARGUMENT1")), QStringLiteral("own"));
    EXPECT_FALSE(out.contains(QStringLiteral("Programm_03"), QStringLiteral("Name")));
}

TEST(SettingsLocation, NamesAndEnvironment)
{
    EXPECT_EQ(Settings::settingsFileName(QStringLiteral("/opt/kitbox/bin/kitbox32")), QStringLiteral("kitbox32.INI"));
    EXPECT_EQ(Settings::settingsFileName(QStringLiteral("/x/Kitbox32.exe")), QStringLiteral("Kitbox32.INI"));

    const QByteArray oldXdg = qgetenv("XDG_CONFIG_HOME");
    const QByteArray oldHome = qgetenv("HOME");
    qputenv("XDG_CONFIG_HOME", "/cfg");
    qputenv("VEDAMIS_CONFIG_DIR", "/vc");
    qunsetenv("windir");
    SettingsLocations l = SettingsLocations::fromEnvironment(QStringLiteral("/opt/kb/bin/kitbox32"));
    EXPECT_EQ(l.directories(),
              QStringList({QStringLiteral("/vc"), QStringLiteral("/cfg/kitbox32"), QStringLiteral("/opt/kb/bin")}));
    qunsetenv("XDG_CONFIG_HOME");
    qputenv("HOME", "/home/tester");
    qunsetenv("VEDAMIS_CONFIG_DIR");
    l = SettingsLocations::fromEnvironment(QStringLiteral("/opt/kb/bin/kitbox32"));
    EXPECT_EQ(l.userConfigDir, QStringLiteral("/home/tester/.config/kitbox32"));
    qputenv("HOME", oldHome);
    if (!oldXdg.isEmpty())
        qputenv("XDG_CONFIG_HOME", oldXdg);
}

TEST(WindowPlacementRules, MainWindowIsBroughtBackOnScreen)
{
    const int sw = 19200, sh = 14400;
    auto place = [&](int left, int top, int width) {
        return WindowPlacement::placeMainWindow({left, top, width, 6000, 0}, sw, sh);
    };
    EXPECT_EQ(place(1000, 500, 8000).left, 1000);
    EXPECT_EQ(place(sw - 500, 0, 8000).left, sw - 500);
    EXPECT_EQ(place(sw - 499, 0, 8000).left, 0);  // beyond screen width - 500
    EXPECT_EQ(place(-7500, 0, 8000).left, -7500); // 500 twips still visible
    EXPECT_EQ(place(-7600, 0, 8000).left, 0);     // left + width below 500
    EXPECT_EQ(place(0, -1, 8000).top, 0);
    EXPECT_EQ(place(0, sh - 300, 8000).top, sh - 300);
    EXPECT_EQ(place(0, sh - 299, 8000).top, 0);
    const WindowPlacement kept = place(-7500, 700, 8000);
    EXPECT_EQ(kept.width, 8000);
    EXPECT_EQ(kept.height, 6000);
}

TEST(WindowPlacementRules, TwipsFollowTheLogicalDpi)
{
    EXPECT_EQ(WindowPlacement::twipsPerPixel(96), 15.0);
    EXPECT_EQ(WindowPlacement::pixelsToTwips(1280, 96), 19200);
    EXPECT_EQ(WindowPlacement::twipsToPixels(3700, 96), 247);
    EXPECT_EQ(WindowPlacement::pixelsToTwips(100, 144), 1000);
    EXPECT_EQ(WindowPlacement::pixelsToTwips(10, 0), 150); // unknown DPI counts as 96
}
