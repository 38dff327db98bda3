#include "shell/Settings.h"
#include "Support.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <vector>

using namespace Qt::StringLiterals;

namespace {

// Settings read from the given file contents on a screen of the given width, and written out again.
Settings readFrom(const QByteArray &data, int screenWidth = 1024)
{
    IniFile ini;
    ini.loadFromData(data);
    Settings s;
    s.readCommon(ini, screenWidth);
    return s;
}
IniFile written(const Settings &s)
{
    IniFile out;
    s.writeTo(out);
    return out;
}
const QString konfiguration = u"KONFIGURATION"_s;

class SettingsFile : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        ASSERT_TRUE(QDir(m_dir.path()).mkpath(u"program"_s));
        m_locations.userConfigDir = dir(u"user/kitbox32"_s);
        m_locations.programDirectory = dir(u"program"_s);
        m_locations.fileName = u"kitbox32.INI"_s;
    }
    QString dir(const QString &sub) const { return m_dir.filePath(sub); }
    QString userFile() const { return m_locations.userConfigDir + u"/kitbox32.INI"_s; }
    QString programFile() const { return m_locations.programDirectory + u"/kitbox32.INI"_s; }

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

// The defaults as written are in the fresh settings file below; the display flags depend on the screen.
TEST(SettingsDefaults, TheScreenDecidesTheDisplayFlags)
{
    const auto flags = [](int screenWidth) {
        const ShellOptions o = readFrom({}, screenWidth).options();
        return std::vector<int>({o.toolbar, o.kopfzeile, o.jobInfo, o.tabInfo, o.hinweiszeile, o.argInfo});
    };
    // 800 pixels have all but the hint line, 640 only the arguments, which never depend on the screen.
    EXPECT_EQ(flags(800), std::vector<int>({-1, -1, -1, -1, 0, -1}));
    EXPECT_EQ(flags(640), std::vector<int>({0, 0, 0, 0, 0, -1}));
}

TEST(SettingsValues, LanguageAndMultiInstanceKeepTheirFirstLetter)
{
    for (const auto &[language, letter, english] :
         {std::tuple("english", "E", true), {"Deutsch", "D", false}, {"x", "X", false}, {"e", "E", true}}) {
        const Settings s = readFrom(QByteArray("[KONFIGURATION]\nLANGUAGE=") + language + '\n');
        EXPECT_EQ(std::pair(s.options().language, s.options().english()),
                  std::pair(QString::fromLatin1(letter), english))
            << language;
        EXPECT_EQ(written(s).value(konfiguration, u"LANGUAGE"_s), QString::fromLatin1(letter));
    }
    const auto multi = [](const char *value) {
        return readFrom(QByteArray("[KONFIGURATION]\nMULTIINSTANZ=") + value + '\n').options().multiInstanceRequested();
    };
    for (const char *yes : {"yes", "J", "ja", "True"})
        EXPECT_TRUE(multi(yes)) << yes;
    for (const char *no : {"Nein", "N", "no", ""})
        EXPECT_FALSE(multi(no)) << no;
}

TEST(SettingsValues, FlagsAndSwitchesKeepTheirWrittenForm)
{
    const Settings s = readFrom("[konfiguration]\nuds_einh=5\nUDS_INFO=0\nUDS_TEXT=abc\nAUSGABE_SORTIERT=-1\n"
                                "TOOLBAR=nonsense\nUDS_CHECK_LISTE=1\nZEMO_FS_MODE=7\n");
    const ShellOptions &o = s.options(); // not a number reads as 0
    EXPECT_EQ(std::vector<int>(
                  {o.udsEinh, o.udsInfo, o.udsText, o.ausgabeSortiert, o.toolbar, o.udsCheckListe, o.zemoFsMode}),
              std::vector<int>({true, false, false, -1, 0, 1, 7}));

    // UDS_CHECK_LISTE is read only.
    QStringList out;
    for (const char *key : {"UDS_EINH", "UDS_INFO", "AUSGABE_SORTIERT", "TOOLBAR", "UDS_CHECK_LISTE"})
        out << written(s).value(konfiguration, QString::fromLatin1(key), u"-"_s);
    EXPECT_EQ(out, QStringList({u"1"_s, u"0"_s, u"-1"_s, u"0"_s, u"-"_s}));
}

TEST(SettingsValues, HistoriesCloseGapsAndInterfacesSplitAtCommas)
{
    const Settings s = readFrom("[ARGUMENT]\nARGUMENT1=a\nARGUMENT3=c\nARGUMENT20=t\nARGUMENT21=never\n"
                                "[RESULT]\nRESULT2=r\n"
                                "[KONFIGURATION]\nINTERFACE03=OBD,COM1,APP\nINTERFACE09=a,b,c,d,e\n");
    EXPECT_EQ(s.argumentHistory(), QStringList({u"a"_s, u"c"_s, u"t"_s}));
    EXPECT_EQ(s.resultHistory(), QStringList{u"r"_s});
    EXPECT_EQ(s.interfaceTexts(3), (InterfaceTexts{u"OBD"_s, u"COM1"_s, u"APP"_s, QString()}));
    EXPECT_EQ(s.interfaceTexts(9), (InterfaceTexts{u"a"_s, u"b"_s, u"c"_s, u"d"_s}));

    const IniFile out = written(s);
    EXPECT_EQ(out.value(u"ARGUMENT"_s, u"ARGUMENT2"_s), u"c"_s);
    EXPECT_EQ(out.value(u"RESULT"_s, u"RESULT1"_s), u"r"_s);
    EXPECT_FALSE(out.contains(u"RESULT"_s, u"RESULT2"_s));
    EXPECT_EQ(out.value(konfiguration, u"INTERFACE03"_s), u"OBD,COM1,APP,"_s);
}

TEST_F(SettingsFile, LocationIsTriedInOrderAndNeedsTheMarker)
{
    m_locations.vedamisConfigDir = dir(u"vedamis"_s);
    m_locations.windir = dir(u"windir"_s);
    // Without Programm/Name the candidate is passed over.
    writeAll(dir(u"vedamis/kitbox32.INI"_s), "[KONFIGURATION]\nLANGUAGE=E\n");
    writeAll(dir(u"windir/kitbox32.INI"_s), "[Programm]\nName=\n");
    EXPECT_EQ(Settings::locateForReading(m_locations), programFile());

    writeAll(dir(u"windir/kitbox32.INI"_s), "[programm]\nname=Kitbox\n");
    EXPECT_EQ(Settings::locateForReading(m_locations), dir(u"windir/kitbox32.INI"_s));

    QDir().mkpath(m_locations.userConfigDir);
    writeAll(userFile(), "[Programm]\nName=Kitbox\n");
    m_locations.windir.clear();
    EXPECT_EQ(Settings::locateForReading(m_locations), userFile());

    writeAll(dir(u"vedamis/kitbox32.INI"_s), "[Programm]\nName=Kitbox\n[KONFIGURATION]\nLANGUAGE=E\n");
    EXPECT_EQ(Settings::locateForReading(m_locations), dir(u"vedamis/kitbox32.INI"_s));
    EXPECT_TRUE(reread().options().english());
}

TEST_F(SettingsFile, SaveCreatesTheWholeUserFileAndKeepsForeignLines)
{
    Settings s = reread();
    s.options().language = u"E"_s;
    s.argumentHistory() << u"arg;1"_s;
    auto saved = s.save(m_locations);
    ASSERT_TRUE(saved.ok()) << saved.error();
    EXPECT_EQ(saved.value(), userFile());
    // The whole file: every key in its section and order, line ends CR LF.
    EXPECT_EQ(readAll(userFile()), readAll(QStringLiteral(KITBOX_SOURCE_DIR "/tests/data/shell/fresh-settings.ini")));

    // Someone adds lines of their own; a second run keeps them exactly.
    QByteArray data = readAll(userFile());
    data.replace("[KONFIGURATION]\r\n", "[KONFIGURATION]\r\n; my note\r\nPRIVATE = 1 \r\n");
    data.append("[Mine]\r\nx=y\r\n");
    writeAll(userFile(), data);

    Settings again = reread();
    EXPECT_TRUE(again.options().english());
    EXPECT_EQ(again.argumentHistory(), QStringList{u"arg;1"_s});
    ASSERT_TRUE(again.save(m_locations).ok());
    EXPECT_EQ(readAll(userFile()), data);
}

TEST_F(SettingsFile, ReadBackAsWrittenButAChildWindowsTopIsNeverNegative)
{
    Settings s = reread(1280);
    s.options().hinweiszeile = 0;
    s.options().multiInstanz = u"J"_s;
    s.resultHistory() = {u"R1"_s, u"R2"_s};
    s.setInterfaceTexts(4, {u"i"_s, u"u"_s, QString(), u"x"_s});
    s.setWindow(u"APP"_s, {100, -200, 9000, 5000, 0});
    s.setWindow(u"RES"_s, {10, -20, 30, 40, 2});
    ASSERT_TRUE(s.save(m_locations).ok());

    Settings back = reread(1280);
    EXPECT_EQ(back.options().hinweiszeile, 0);
    EXPECT_TRUE(back.options().multiInstanceRequested());
    EXPECT_EQ(back.resultHistory(), s.resultHistory());
    EXPECT_EQ(back.interfaceTexts(4), s.interfaceTexts(4));
    // The main window's negative top is kept.
    EXPECT_EQ(back.window(u"APP"_s), (WindowPlacement{100, -200, 9000, 5000, 0}));
    EXPECT_EQ(back.window(u"RES"_s), (WindowPlacement{10, 0, 30, 40, 2}));
}

TEST_F(SettingsFile, RecentFilesThatVanishedAreDroppedAndWrittenEmpty)
{
    const QString a = dir(u"program/A.prg"_s);
    const QString b = dir(u"program/b.TST"_s);
    writeAll(a);
    writeAll(b);
    writeAll(programFile(), QStringLiteral("[LASTFILE]\nLASTFILE1=%1\nLASTFILE2=%3\nLASTFILE3=%1\nLASTFILE4=\n"
                                           "LASTFILE5=%2\n")
                                .arg(a, b, dir(u"program/gone.prg"_s))
                                .toUtf8());
    Settings s = reread();
    EXPECT_EQ(s.recentFiles(), QStringList({a, b}));

    m_locations.userConfigDir.clear(); // write back where it came from
    ASSERT_TRUE(s.save(m_locations).ok());
    IniFile out;
    ASSERT_TRUE(out.load(programFile()).ok());
    // Case kept; the emptied entries are written, not left out.
    QStringList lastFiles;
    for (const char *key : {"LASTFILE1", "LASTFILE2", "LASTFILE3", "LASTFILE5"})
        lastFiles << out.value(u"LASTFILE"_s, QString::fromLatin1(key), u"?"_s);
    EXPECT_EQ(lastFiles, QStringList({a, b, QString(), QString()}));
}

TEST_F(SettingsFile, UnreadableOrBlockedCandidatesAreNeverOverwritten)
{
    // A directory with the settings file's name cannot be read: the save goes on to the next candidate.
    m_locations.vedamisConfigDir = dir(u"vedamis"_s);
    ASSERT_TRUE(QDir().mkpath(dir(u"vedamis/kitbox32.INI"_s)));
    const auto saved = reread().save(m_locations);
    ASSERT_TRUE(saved.ok()) << saved.error();
    EXPECT_EQ(saved.value(), userFile());
    EXPECT_TRUE(QFileInfo(dir(u"vedamis/kitbox32.INI"_s)).isDir());

    // Every candidate directory blocked by a regular file of the same name: reported with the path.
    const QString blocked = dir(u"blocked"_s);
    writeAll(blocked, "not a directory");
    m_locations.vedamisConfigDir = blocked;
    m_locations.userConfigDir = blocked + u"/kitbox32"_s;
    m_locations.programDirectory = blocked;
    const auto failed = readFrom({}).save(m_locations);
    ASSERT_FALSE(failed.ok());
    EXPECT_NE(failed.error().find(QString(blocked + u"/kitbox32.INI"_s).toStdString()), std::string::npos)
        << failed.error();
    EXPECT_EQ(readAll(blocked), QByteArray("not a directory"));
}

TEST_F(SettingsFile, InstanceSectionsFallBackToTheCommonValues)
{
    const QString a = dir(u"program/a.prg"_s);
    const QString b = dir(u"program/b.prg"_s);
    writeAll(a);
    writeAll(b);
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
    // The toolbar falls back to the common section; multi-instance mode and interfaces are common only.
    EXPECT_EQ(s.options().language + s.options().multiInstanz + s.interfaceTexts(3)[0], u"EJx"_s);
    EXPECT_EQ(s.options().toolbar, 0);
    EXPECT_EQ(s.argumentHistory(), QStringList{u"own"_s});
    // Instance LASTFILE1 = b; LASTFILE2 falls back to the common b and is a duplicate.
    EXPECT_EQ(s.recentFiles(), QStringList({b, b}));
    EXPECT_EQ(std::pair(s.window(u"JOB"_s).left, s.window(u"JOB"_s).top), std::pair(99, 12));

    s.options().toolbar = -1;
    s.setInterfaceTexts(3, {u"new"_s, QString(), QString(), QString()});
    s.setInterfaceTexts(5, {u"other"_s, QString(), QString(), QString()});
    m_locations.userConfigDir.clear();
    ASSERT_TRUE(s.save(m_locations).ok());
    IniFile out;
    ASSERT_TRUE(out.load(programFile()).ok());
    // Only the own instance's interface key is written in multi-instance mode; the common sections keep theirs.
    QStringList values;
    for (const char *entry : {"KONFIGURATION_03/TOOLBAR", "KONFIGURATION/TOOLBAR", "KONFIGURATION/INTERFACE03",
                              "KONFIGURATION/INTERFACE05", "KONFIGURATION_03/MULTIINSTANZ", "WINDOWS_03/JOB_LEFT",
                              "WINDOWS/JOB_LEFT", "ARGUMENT_03/ARGUMENT1", "Programm_03/Name"}) {
        const QStringList at = QString::fromLatin1(entry).split(u'/');
        values << out.value(at[0], at[1], u"-"_s);
    }
    EXPECT_EQ(values.join(u' '), u"-1 0 new,,, - N 99 11 own -"_s);
}

TEST(SettingsLocation, NamesAndEnvironment)
{
    EXPECT_EQ(Settings::settingsFileName(u"/opt/kitbox/bin/kitbox32"_s), u"kitbox32.INI"_s);
    EXPECT_EQ(Settings::settingsFileName(u"/x/Kitbox32.exe"_s), u"Kitbox32.INI"_s);

    const QByteArray oldXdg = qgetenv("XDG_CONFIG_HOME");
    const QByteArray oldHome = qgetenv("HOME");
    qputenv("XDG_CONFIG_HOME", "/cfg");
    qputenv("VEDAMIS_CONFIG_DIR", "/vc");
    qunsetenv("windir");
    SettingsLocations l = SettingsLocations::fromEnvironment(u"/opt/kb/bin/kitbox32"_s);
    EXPECT_EQ(l.directories(), QStringList({u"/vc"_s, u"/cfg/kitbox32"_s, u"/opt/kb/bin"_s}));
    qunsetenv("XDG_CONFIG_HOME");
    qputenv("HOME", "/home/tester");
    qunsetenv("VEDAMIS_CONFIG_DIR");
    l = SettingsLocations::fromEnvironment(u"/opt/kb/bin/kitbox32"_s);
    EXPECT_EQ(l.userConfigDir, u"/home/tester/.config/kitbox32"_s);
    qputenv("HOME", oldHome);
    if (!oldXdg.isEmpty())
        qputenv("XDG_CONFIG_HOME", oldXdg);
}

TEST(WindowPlacementRules, MainWindowIsBroughtBackOnScreenInTwipsOfTheLogicalDpi)
{
    const int sw = 19200, sh = 14400;
    const struct {
        int left, top, placedLeft, placedTop;
    } cases[] = {
        {1000, 500, 1000, 500}, {sw - 500, 0, sw - 500, 0}, {sw - 499, 0, 0, 0}, // beyond screen width - 500
        {-7500, 0, -7500, 0},                                                    // 500 twips still visible
        {-7600, 0, 0, 0},                                                        // left + width below 500
        {0, -1, 0, 0},          {0, sh - 300, 0, sh - 300}, {0, sh - 299, 0, 0},
    };
    for (const auto &c : cases) {
        const WindowPlacement placed = WindowPlacement::placeMainWindow({c.left, c.top, 8000, 6000, 0}, sw, sh);
        EXPECT_EQ(placed, (WindowPlacement{c.placedLeft, c.placedTop, 8000, 6000, 0})) << c.left << "," << c.top;
    }
    EXPECT_EQ(WindowPlacement::twipsToPixels(3700, 96), 247); // rounded
    EXPECT_EQ(WindowPlacement::pixelsToTwips(100, 144), 1000);
    EXPECT_EQ(WindowPlacement::pixelsToTwips(10, 0), 150); // unknown DPI counts as 96
}
