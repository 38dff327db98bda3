#include "Settings.h"

#include <algorithm>

#include <QDir>
#include <QFileInfo>

namespace {

const QString sectionProgramm = QStringLiteral("Programm");
const QString sectionKonfiguration = QStringLiteral("KONFIGURATION");
const QString sectionLastFile = QStringLiteral("LASTFILE");
const QString sectionArgument = QStringLiteral("ARGUMENT");
const QString sectionResult = QStringLiteral("RESULT");
const QString sectionWindows = QStringLiteral("WINDOWS");

enum Column { Left = 1, Top = 2, Width = 4, Height = 8, State = 16 };

struct WindowGroup {
    QString prefix;
    int columns;
    WindowPlacement defaults;
};

const std::vector<WindowGroup> &windowGroups()
{
    static const std::vector<WindowGroup> groups = {
        {QStringLiteral("APP"), Left | Top | Width | Height, {0, 0, 10000, 6000, 0}},
        {QStringLiteral("JOB"), Left | Top | Width | Height, {0, 0, 9600, 3075, 0}},
        {QStringLiteral("TST"), Left | Top | Width | Height, {0, 0, 9600, 3075, 0}},
        {QStringLiteral("RES"), Left | Top | Width | Height | State, {0, 3075, 9600, 3555, 0}},
        {QStringLiteral("SIM"), Left | Top | Width | Height | State, {0, 0, 4800, 3075, 1}},
        {QStringLiteral("IFH"), Left | Top | Width | Height, {4800, 0, 4800, 3075, 0}},
        {QStringLiteral("COM"), Left | Top | Width | Height | State, {0, 3075, 4800, 3555, 1}},
        {QStringLiteral("TAB"), Left | Top | Width | Height | State, {4800, 3075, 4800, 3555, 1}},
        {QStringLiteral("KON"), Left | Top, {0, 0, 0, 0, 0}},
        {QStringLiteral("PRG"), Left | Top, {0, 3075, 0, 0, 0}},
    };
    return groups;
}

const WindowGroup *findGroup(const QString &prefix)
{
    for (const WindowGroup &g : windowGroups()) {
        if (g.prefix.compare(prefix, Qt::CaseInsensitive) == 0)
            return &g;
    }
    return nullptr;
}

// The order in which the child windows' groups are written after the main window.
const QStringList &saveOrder()
{
    static const QStringList order = {QStringLiteral("JOB"), QStringLiteral("KON"), QStringLiteral("PRG"),
                                      QStringLiteral("SIM"), QStringLiteral("RES"), QStringLiteral("COM"),
                                      QStringLiteral("IFH"), QStringLiteral("TST"), QStringLiteral("TAB")};
    return order;
}

QString numbered(const QString &key, int i)
{
    return key + QString::number(i);
}

QString twoDigits(int n)
{
    return QStringLiteral("%1").arg(n, 2, 10, QLatin1Char('0'));
}

QString firstLetterUpper(const QString &value)
{
    return value.left(1).toUpper();
}

QString joinPath(const QString &directory, const QString &fileName)
{
    if (directory.endsWith(u'/'))
        return directory + fileName;
    return directory + u'/' + fileName;
}

} // namespace

bool ShellOptions::multiInstanceRequested() const
{
    return multiInstanz == QLatin1String("J") || multiInstanz == QLatin1String("Y") ||
           multiInstanz == QLatin1String("T");
}

SettingsLocations SettingsLocations::fromEnvironment(const QString &executablePath)
{
    SettingsLocations l;
    l.vedamisConfigDir = qEnvironmentVariable("VEDAMIS_CONFIG_DIR");
    l.windir = qEnvironmentVariable("windir");
    QString configHome = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (configHome.isEmpty()) {
        QString home = qEnvironmentVariable("HOME");
        if (home.isEmpty())
            home = QDir::homePath();
        configHome = joinPath(home, QStringLiteral(".config"));
    }
    l.userConfigDir = joinPath(configHome, QStringLiteral("kitbox32"));
    l.programDirectory = QFileInfo(executablePath).absolutePath();
    l.fileName = Settings::settingsFileName(executablePath);
    return l;
}

QStringList SettingsLocations::directories() const
{
    QStringList dirs;
    for (const QString &d : {vedamisConfigDir, windir, userConfigDir, programDirectory}) {
        if (!d.isEmpty())
            dirs << d;
    }
    return dirs;
}

const QStringList &Settings::windowPrefixes()
{
    static const QStringList prefixes = [] {
        QStringList p;
        for (const WindowGroup &g : windowGroups())
            p << g.prefix;
        return p;
    }();
    return prefixes;
}

WindowPlacement Settings::defaultPlacement(const QString &prefix)
{
    const WindowGroup *g = findGroup(prefix);
    return g ? g->defaults : WindowPlacement{};
}

QString Settings::settingsFileName(const QString &executablePath)
{
    return QFileInfo(executablePath).completeBaseName() + QStringLiteral(".INI");
}

QString Settings::settingsFilePath(const QString &executablePath)
{
    return locateForReading(SettingsLocations::fromEnvironment(executablePath));
}

QString Settings::locateForReading(const SettingsLocations &locations)
{
    // Every candidate before the program directory must prove itself with
    // the marker key; the program directory is taken as it is.
    const QStringList candidates = {locations.vedamisConfigDir, locations.windir, locations.userConfigDir};
    for (const QString &dir : candidates) {
        if (dir.isEmpty())
            continue;
        IniFile file;
        if (file.load(joinPath(dir, locations.fileName)) &&
            !file.value(sectionProgramm, QStringLiteral("Name")).isEmpty())
            return file.path();
    }
    return joinPath(locations.programDirectory, locations.fileName);
}

Settings::Settings()
{
    for (const WindowGroup &g : windowGroups())
        m_windows.insert(g.prefix, g.defaults);
}

void Settings::readCommon(const SettingsLocations &locations, int screenWidthPixels)
{
    IniFile file;
    // An unreadable file counts as missing: every value keeps its default.
    const kitbox::Status loaded = file.load(locateForReading(locations));
    if (!loaded)
        file.loadFromData(QByteArray());
    readCommon(file, screenWidthPixels);
}

void Settings::readCommon(const IniFile &file, int screenWidthPixels)
{
    m_file = file;
    m_readPath = file.path();
    m_screenWidthPixels = screenWidthPixels;
    readValues(m_file, QString(), false);
}

void Settings::readInstance(int instanceNumber)
{
    if (instanceNumber < 1 || instanceNumber > 9)
        return;
    readValues(m_file, u'_' + twoDigits(instanceNumber), true);
}

void Settings::readValues(const IniFile &file, const QString &suffix, bool instancePart)
{
    const QString konfig = sectionKonfiguration + suffix;
    ShellOptions &o = m_options;

    // In the instance part every default is the value of the common part.
    o.language = firstLetterUpper(
        file.value(konfig, QStringLiteral("LANGUAGE"), instancePart ? o.language : QStringLiteral("Deutsch")));
    o.udsCheckListe = file.intValue(konfig, QStringLiteral("UDS_CHECK_LISTE"), instancePart ? o.udsCheckListe : 0);

    const int wide = m_screenWidthPixels > 640 ? -1 : 0;
    const int veryWide = m_screenWidthPixels > 800 ? -1 : 0;
    auto flag = [&](const char *key, int commonDefault, int current) {
        return file.intValue(konfig, QString::fromLatin1(key), instancePart ? current : commonDefault);
    };
    o.toolbar = flag("TOOLBAR", wide, o.toolbar);
    o.kopfzeile = flag("KOPFZEILE", wide, o.kopfzeile);
    o.jobInfo = flag("JOB_INFO", wide, o.jobInfo);
    o.tabInfo = flag("TAB_INFO", wide, o.tabInfo);
    o.hinweiszeile = flag("HINWEISZEILE", veryWide, o.hinweiszeile);
    o.argInfo = flag("ARG_INFO", -1, o.argInfo);
    o.resInfo = flag("RES_INFO", -1, o.resInfo);
    o.udsEinh = flag("UDS_EINH", -1, o.udsEinh ? -1 : 0) != 0;
    o.udsInfo = flag("UDS_INFO", -1, o.udsInfo ? -1 : 0) != 0;
    o.udsText = flag("UDS_TEXT", -1, o.udsText ? -1 : 0) != 0;
    o.ausgabeSortiert = flag("AUSGABE_SORTIERT", 1, o.ausgabeSortiert);
    o.zemoFsMode = flag("ZEMO_FS_MODE", 1919, o.zemoFsMode);

    // Recent files: only existing files, each once, gaps closed. The instance
    // part places its list from entry 1 on over the common one.
    const QString lastFile = sectionLastFile + suffix;
    QStringList recent;
    for (int i = 1; i <= maxRecentFiles; ++i) {
        const QString commonValue = m_file.value(sectionLastFile, numbered(QStringLiteral("LASTFILE"), i));
        const QString path =
            file.value(lastFile, numbered(QStringLiteral("LASTFILE"), i), instancePart ? commonValue : QString());
        if (path.isEmpty() || recent.contains(path))
            continue;
        const QFileInfo info(path);
        if (info.isFile())
            recent << path;
    }
    if (instancePart) {
        for (qsizetype i = 0; i < recent.size(); ++i) {
            if (i < m_recentFiles.size())
                m_recentFiles[i] = recent[i];
            else
                m_recentFiles << recent[i];
        }
    } else {
        m_recentFiles = recent;
    }

    // Histories come from the part being read only.
    m_argumentHistory.clear();
    m_resultHistory.clear();
    for (int i = 1; i <= maxHistory; ++i) {
        const QString v = file.value(sectionArgument + suffix, numbered(QStringLiteral("ARGUMENT"), i));
        if (!v.isEmpty())
            m_argumentHistory << v;
    }
    for (int i = 1; i <= maxHistory; ++i) {
        const QString v = file.value(sectionResult + suffix, numbered(QStringLiteral("RESULT"), i));
        if (!v.isEmpty())
            m_resultHistory << v;
    }

    if (!instancePart) {
        for (int n = 1; n <= 9; ++n)
            m_interfaces[size_t(n - 1)] = InterfaceOption::splitTexts(
                file.value(sectionKonfiguration, QStringLiteral("INTERFACE") + twoDigits(n)));
        o.multiInstanz =
            firstLetterUpper(file.value(sectionKonfiguration, QStringLiteral("MULTIINSTANZ"), QStringLiteral("Nein")));
    }

    const QString windows = sectionWindows + suffix;
    for (const WindowGroup &g : windowGroups()) {
        const WindowPlacement base = instancePart ? m_windows.value(g.prefix) : g.defaults;
        WindowPlacement w = base;
        auto read = [&](int column, const char *name, int fallback) {
            if (!(g.columns & column))
                return fallback;
            return file.intValue(windows, g.prefix + u'_' + QString::fromLatin1(name), fallback);
        };
        w.left = read(Left, "LEFT", base.left);
        w.top = read(Top, "TOP", base.top);
        w.width = read(Width, "WIDTH", base.width);
        w.height = read(Height, "HEIGHT", base.height);
        w.windowState = read(State, "WINDOW", base.windowState);
        m_windows.insert(g.prefix, w);
        for (const char *name : {"LEFT", "TOP", "WIDTH", "HEIGHT"})
            if (file.contains(windows, g.prefix + u'_' + QString::fromLatin1(name)))
                m_storedWindows.insert(g.prefix);
    }
}

void Settings::setInstance(int instanceNumber, bool multiInstance)
{
    m_instanceNumber = instanceNumber;
    m_multiInstance = multiInstance;
}

QString Settings::sectionSuffix() const
{
    if (!m_multiInstance || m_instanceNumber < 1 || m_instanceNumber > 9)
        return QString();
    return u'_' + twoDigits(m_instanceNumber);
}

void Settings::writeTo(IniFile &file) const
{
    const QString suffix = sectionSuffix();
    const QString konfig = sectionKonfiguration + suffix;
    const ShellOptions &o = m_options;

    file.setValue(sectionProgramm, QStringLiteral("Name"), QStringLiteral("Kitbox"));

    for (int n = 1; n <= 9; ++n) {
        if (suffix.isEmpty() || n == m_instanceNumber)
            file.setValue(sectionKonfiguration, QStringLiteral("INTERFACE") + twoDigits(n),
                          InterfaceOption::joinTexts(m_interfaces[size_t(n - 1)]));
    }

    file.setValue(sectionKonfiguration, QStringLiteral("MULTIINSTANZ"), o.multiInstanz);
    file.setValue(konfig, QStringLiteral("LANGUAGE"), o.language);
    file.setIntValue(konfig, QStringLiteral("TOOLBAR"), o.toolbar);
    file.setIntValue(konfig, QStringLiteral("KOPFZEILE"), o.kopfzeile);
    file.setIntValue(konfig, QStringLiteral("HINWEISZEILE"), o.hinweiszeile);
    file.setIntValue(konfig, QStringLiteral("JOB_INFO"), o.jobInfo);
    file.setIntValue(konfig, QStringLiteral("ARG_INFO"), o.argInfo);
    file.setIntValue(konfig, QStringLiteral("RES_INFO"), o.resInfo);
    file.setIntValue(konfig, QStringLiteral("TAB_INFO"), o.tabInfo);
    file.setIntValue(konfig, QStringLiteral("UDS_EINH"), o.udsEinh ? 1 : 0);
    file.setIntValue(konfig, QStringLiteral("UDS_INFO"), o.udsInfo ? 1 : 0);
    file.setIntValue(konfig, QStringLiteral("UDS_TEXT"), o.udsText ? 1 : 0);
    file.setIntValue(konfig, QStringLiteral("AUSGABE_SORTIERT"), o.ausgabeSortiert);
    file.setIntValue(konfig, QStringLiteral("ZEMO_FS_MODE"), o.zemoFsMode);

    for (int i = 1; i <= maxRecentFiles; ++i) {
        const QString path = i <= m_recentFiles.size() ? m_recentFiles[i - 1].trimmed() : QString();
        file.setValue(sectionLastFile + suffix, numbered(QStringLiteral("LASTFILE"), i), path);
    }
    for (int i = 1; i <= std::min<int>(maxHistory, int(m_argumentHistory.size())); ++i)
        file.setValue(sectionArgument + suffix, numbered(QStringLiteral("ARGUMENT"), i), m_argumentHistory[i - 1]);
    for (int i = 1; i <= std::min<int>(maxHistory, int(m_resultHistory.size())); ++i)
        file.setValue(sectionResult + suffix, numbered(QStringLiteral("RESULT"), i), m_resultHistory[i - 1]);

    const QString windows = sectionWindows + suffix;
    auto writeGroup = [&](const QString &prefix, bool clampTop) {
        const WindowGroup *g = findGroup(prefix);
        const WindowPlacement w = m_windows.value(prefix);
        auto put = [&](int column, const char *name, int value) {
            if (g->columns & column)
                file.setIntValue(windows, prefix + u'_' + QString::fromLatin1(name), value);
        };
        put(Left, "LEFT", w.left);
        put(Top, "TOP", clampTop && w.top < 0 ? 0 : w.top);
        put(Width, "WIDTH", w.width);
        put(Height, "HEIGHT", w.height);
        put(State, "WINDOW", w.windowState);
    };
    writeGroup(QStringLiteral("APP"), false);
    for (const QString &prefix : saveOrder())
        writeGroup(prefix, true);
}

kitbox::Result<QString> Settings::save(const SettingsLocations &locations) const
{
    std::string lastError = "no location for the settings file";
    for (const QString &dir : locations.directories()) {
        if (dir == locations.userConfigDir && dir != locations.programDirectory)
            QDir().mkpath(dir); // the user's config directory is created on first save
        IniFile file;
        const kitbox::Status loaded = file.load(joinPath(dir, locations.fileName));
        if (!loaded) {
            // Never overwrite a file we could not read: its other lines would be lost.
            lastError = loaded.error();
            continue;
        }
        writeTo(file);
        const kitbox::Status saved = file.save();
        if (saved)
            return file.path();
        lastError = saved.error();
    }
    return kitbox::Result<QString>::failure(lastError);
}

QString Settings::recentFileName(const QString &path)
{
    QString name = path;
    const qsizetype nul = name.indexOf(QChar(u'\0'));
    if (nul >= 0) {
        name.truncate(nul);
    } else {
        // Only the file name's dot counts: directories here may have dots in their names.
        const qsizetype slash = std::max(name.lastIndexOf(u'/'), name.lastIndexOf(u'\\'));
        const qsizetype dot = name.lastIndexOf(u'.');
        if (dot > slash)
            name.truncate(dot + 4);
    }
    return name.trimmed();
}

bool Settings::addRecentFile(const QString &path)
{
    const QString name = recentFileName(path);
    if (name.isEmpty())
        return false;
    // A file counts as present when its length can be read, which a directory's cannot.
    const QFileInfo info(name);
    if (!info.exists() || info.isDir())
        return false;
    m_recentFiles.removeAll(name);
    m_recentFiles.prepend(name);
    while (m_recentFiles.size() > maxRecentFiles)
        m_recentFiles.removeLast();
    return true;
}

InterfaceTexts Settings::interfaceTexts(int instance) const
{
    if (instance < 1 || instance > 9)
        return {};
    return m_interfaces[size_t(instance - 1)];
}

void Settings::setInterfaceTexts(int instance, const InterfaceTexts &texts)
{
    if (instance >= 1 && instance <= 9)
        m_interfaces[size_t(instance - 1)] = texts;
}

WindowPlacement Settings::window(const QString &prefix) const
{
    return m_windows.value(prefix.toUpper(), defaultPlacement(prefix));
}

void Settings::setWindowPosition(const QString &prefix, int xPixels, int yPixels, double dpiX, double dpiY)
{
    WindowPlacement p = window(prefix);
    p.left = WindowPlacement::pixelsToTwips(xPixels, dpiX);
    p.top = WindowPlacement::pixelsToTwips(yPixels, dpiY);
    setWindow(prefix, p);
}

void Settings::setWindow(const QString &prefix, const WindowPlacement &placement)
{
    if (findGroup(prefix))
        m_windows.insert(prefix.toUpper(), placement);
}
