#pragma once
// The program's settings file: where it is, what it holds, and how it is read
// at start and written at exit. Values live here while the program runs; the
// windows read and change them and the main window saves them at unload.
#include "IniFile.h"
#include "InterfaceOption.h"
#include "WindowPlacement.h"

#include <kitbox/Result.h>

#include <QMap>
#include <QSet>
#include <QString>
#include <QStringList>

#include <array>

// Flags are 16-bit integers in memory and in the file: -1 true, 0 false.
struct ShellOptions {
    QString language = QStringLiteral("D"); // upper-cased first letter of LANGUAGE; "E" is English
    int udsCheckListe = 0;                  // non-zero shows the UDS list check; never written
    int toolbar = -1;
    int kopfzeile = -1;
    int jobInfo = -1;
    int tabInfo = -1;
    int hinweiszeile = -1;
    int argInfo = -1;
    int resInfo = -1;
    bool udsEinh = true; // written as 1 or 0
    bool udsInfo = true;
    bool udsText = true;
    int ausgabeSortiert = 1; // only -1 keeps the runtime's result order
    int zemoFsMode = 1919;
    QString multiInstanz = QStringLiteral("N"); // upper-cased first letter of MULTIINSTANZ

    bool english() const { return language == QLatin1String("E"); }
    // Multi-instance mode is asked for with J, Y or T.
    bool multiInstanceRequested() const;
};

// Where the settings file may be; fromEnvironment() fills it for the program,
// tests fill it themselves.
struct SettingsLocations {
    QString vedamisConfigDir; // VEDAMIS_CONFIG_DIR
    QString windir;           // windir
    QString userConfigDir;    // $XDG_CONFIG_HOME/kitbox32, default ~/.config/kitbox32
    QString programDirectory; // directory of the executable
    QString fileName;         // executable base name + ".INI"

    static SettingsLocations fromEnvironment(const QString &executablePath);
    // The directories in the order they are tried (empty ones left out).
    QStringList directories() const;
};

class Settings {
public:
    // Window groups, by their key prefix (the key is prefix + "_LEFT" etc.).
    static const QStringList &windowPrefixes(); // APP, JOB, TST, RES, SIM, IFH, COM, TAB, KON, PRG
    static WindowPlacement defaultPlacement(const QString &prefix);

    static QString settingsFileName(const QString &executablePath);
    // The file the program reads at start (the first candidate that carries
    // Programm/Name, else the one in the program directory).
    static QString settingsFilePath(const QString &executablePath);
    static QString locateForReading(const SettingsLocations &locations);

    Settings();

    // Reads the common sections. screenWidthPixels decides the defaults of the
    // display flags (toolbar and friends above 640, hint line above 800).
    void readCommon(const SettingsLocations &locations, int screenWidthPixels);
    void readCommon(const IniFile &file, int screenWidthPixels);
    // Reads the instance sections (suffix "_nn") of the file read last; every
    // missing key keeps the common value. Histories come from the instance only.
    void readInstance(int instanceNumber);

    // Number of this instance in multi-instance mode (1..9), 0 otherwise.
    void setInstance(int instanceNumber, bool multiInstance);
    int instanceNumber() const { return m_instanceNumber; }
    bool multiInstance() const { return m_multiInstance; }
    QString sectionSuffix() const; // "_nn" in multi-instance mode, else empty

    // Writes every value into the first candidate file that takes it; the
    // returned value is the path written. When even the program directory
    // fails, nothing is saved and the error is "<path>: <reason>".
    kitbox::Result<QString> save(const SettingsLocations &locations) const;
    // Applies every value to a profile in memory (what save() writes).
    void writeTo(IniFile &file) const;

    QString readPath() const { return m_readPath; }

    ShellOptions &options() { return m_options; }
    const ShellOptions &options() const { return m_options; }

    // Recent files, most recent first, at most 5 (only existing files are read).
    QStringList &recentFiles() { return m_recentFiles; }
    const QStringList &recentFiles() const { return m_recentFiles; }
    // Puts an opened file at the front of the list: the path is first cleaned (recentFileName), an empty
    // result or a file that does not exist changes nothing, an equal older entry moves up instead of
    // appearing twice, and the sixth entry falls out. Returns whether the list changed.
    bool addRecentFile(const QString &path);
    // A path as the recent-file list keeps it: cut at a NUL character when one is present (names that come
    // back from fixed-size buffers), else three characters after the file name's last "." (so that trailing
    // rubbish after the extension goes), then trimmed.
    static QString recentFileName(const QString &path);

    QStringList &argumentHistory() { return m_argumentHistory; }
    const QStringList &argumentHistory() const { return m_argumentHistory; }
    QStringList &resultHistory() { return m_resultHistory; }
    const QStringList &resultHistory() const { return m_resultHistory; }

    // Interface settings of instance 1..9.
    InterfaceTexts interfaceTexts(int instance) const;
    void setInterfaceTexts(int instance, const InterfaceTexts &texts);

    WindowPlacement window(const QString &prefix) const;
    void setWindow(const QString &prefix, const WindowPlacement &placement);
    // Whether the settings file read at start placed this window group (any of
    // its keys present); without that, the windows take the first-run layout.
    // Keeps where a child window is (pixels at the window's DPI), its size left as stored.
    void setWindowPosition(const QString &prefix, int xPixels, int yPixels, double dpiX, double dpiY);
    bool windowStored(const QString &prefix) const { return m_storedWindows.contains(prefix.toUpper()); }

    static constexpr int maxRecentFiles = 5;
    static constexpr int maxHistory = 20;

private:
    void readValues(const IniFile &file, const QString &suffix, bool instancePart);

    ShellOptions m_options;
    QStringList m_recentFiles;
    QStringList m_argumentHistory;
    QStringList m_resultHistory;
    std::array<InterfaceTexts, 9> m_interfaces;
    QMap<QString, WindowPlacement> m_windows;
    QSet<QString> m_storedWindows;
    int m_screenWidthPixels = 1024;
    int m_instanceNumber = 0;
    bool m_multiInstance = false;
    IniFile m_file; // the file read at start, for the instance part
    QString m_readPath;
};
