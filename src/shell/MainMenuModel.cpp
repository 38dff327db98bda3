#include "shell/MainMenuModel.h"

#include "shell/TextCatalogue.h"

namespace kitbox::MainMenuModel {

namespace {

using Kind = MenuEntry::Kind;
using State = MenuEntry::StartState;

MenuEntry submenu(const char *name, int textId)
{
    return {Kind::Submenu, QString::fromUtf8(name), QString(), textId, QString(), QString(), State::Enabled};
}

MenuEntry command(const char *parent, const char *name, int textId, const char *key, State state)
{
    return {
        Kind::Command, QString::fromUtf8(name), QString::fromUtf8(parent), textId, QString(), QString::fromUtf8(key),
        state};
}

MenuEntry separator(const char *parent, const char *name, State state = State::Enabled)
{
    return {Kind::Separator, QString::fromUtf8(name), QString::fromUtf8(parent), 0, QString(), QString(), state};
}

QList<MenuEntry> buildEntries()
{
    const State on = State::Enabled;
    const State off = State::Disabled;
    QList<MenuEntry> e;
    e << submenu("Datei", 200);
    e << command("Datei", "SGBDLaden", 10, "F3", on);
    e << command("Datei", "SimulationSpeichern", 11, "F2", off);
    e << separator("Datei", "Trennlinie11");
    e << command("Datei", "TestNeu", 201, "", on);
    e << command("Datei", "TestLaden", 202, "Ctrl+F3", on);
    e << command("Datei", "TestSpeichern", 203, "Ctrl+F2", off);
    e << command("Datei", "TestSpeichernUnter", 204, "", off);
    e << separator("Datei", "Trennlinie12");
    // Disabled until a UDS description is loaded; the list check is shown only
    // when the settings ask for it.
    e << command("Datei", "UDS_Check_Single", 198, "", off);
    e << command("Datei", "UDS_Check_List", 197, "", State::Hidden);
    e << separator("Datei", "Trennlinie20");
    e << command("Datei", "PrintFile", 227, "Ctrl+P", off);
    // Beside the printer: the same pages into a PDF file, also where no printer is set up.
    e << command("Datei", "PrintPdf", 21611, "Ctrl+Shift+P", off);
    e << separator("Datei", "Trennlinie13");
    // Recent files: the separator and the entries appear when there are files.
    e << separator("Datei", "Trennlinie", State::Hidden);
    for (int i = 1; i <= 5; ++i) {
        MenuEntry r{Kind::RecentFile,
                    QStringLiteral("LastFile") + QString::number(i),
                    QStringLiteral("Datei"),
                    0,
                    QString(),
                    QString(),
                    State::Hidden};
        e << r;
    }
    e << separator("Datei", "Trennlinie15");
    e << command("Datei", "Beenden", 205, "", on);

    e << submenu("Job", 206);
    e << command("Job", "EcuInfo", 207, "", off);
    e << separator("Job", "Trennlinie21");
    e << command("Job", "Jobauswahl", 208, "Ctrl+J", off);
    e << command("Job", "StarteJob", 209, "F5", off);
    e << command("Job", "StarteJobEndlos", 210, "F6", off);

    e << submenu("Test", 211);
    e << command("Test", "TestBearbeiten", 212, "Ctrl+B", off);
    e << command("Test", "StarteTestschritt", 213, "F7", off);
    e << command("Test", "StarteTest", 214, "F8", off);

    e << submenu("Konfig", 215);
    e << command("Konfig", "KonfigVedamis", 216, "Ctrl+E", on);
    e << command("Konfig", "KonfigKitbox", 217, "Ctrl+T", on);

    // The trace entries start disabled; the runtime's trace state sets them
    // once the session is open.
    e << submenu("Trace", 218);
    e << command("Trace", "IfhTraceAnzeigen", 219, "Ctrl+I", off);
    e << command("Trace", "IfhTraceLöschen", 220, "", off);

    e << submenu("Fenster", 221);
    e << command("Fenster", "FensterUeberlappend", 222, "", on);
    e << command("Fenster", "FensterUntereinander", 223, "", on);
    e << command("Fenster", "FensterNebeneinander", 224, "", on);
    e << command("Fenster", "SymboleAnordnen", 225, "", on);

    e << submenu("MenuHelp", 226);
    e << command("MenuHelp", "Hilfe", 226, "", on);
    e << command("MenuHelp", "MenuHelpPdf1", 195, "", on);
    e << command("MenuHelp", "MenuHelpPdf2", 196, "", on);
    e << command("MenuHelp", "MenuHelpPdf3", 194, "", on);
    e << command("MenuHelp", "MenuHelpPdf4", 193, "", on);
    e << separator("MenuHelp", "Trennlinie5");
    MenuEntry about = command("MenuHelp", "About", 0, "", on);
    about.fixedCaption = QStringLiteral("&About");
    e << about;
    return e;
}

} // namespace

const QList<MenuEntry> &entries()
{
    static const QList<MenuEntry> table = buildEntries();
    return table;
}

const MenuEntry *find(const QString &objectName)
{
    for (const MenuEntry &e : entries()) {
        if (e.objectName == objectName)
            return &e;
    }
    return nullptr;
}

QList<MenuEntry> children(const QString &submenuName)
{
    QList<MenuEntry> result;
    for (const MenuEntry &e : entries()) {
        if (e.parent == submenuName)
            result.append(e);
    }
    return result;
}

QString caption(const MenuEntry &entry, const TextCatalogue &texts)
{
    if (entry.textId == 0)
        return entry.fixedCaption;
    return texts.text(entry.textId);
}

QString recentFileCaption(int number, const QString &path)
{
    return QLatin1Char('&') + QString::number(number) + QLatin1Char(' ') + path;
}

QString recentFilePath(const QString &caption)
{
    return caption.mid(3).trimmed();
}

const QList<ToolbarButton> &toolbar()
{
    static const QList<ToolbarButton> buttons = {
        {0, QStringLiteral("SGBDLaden"), 10, QStringLiteral("open-description")},
        {1, QStringLiteral("SimulationSpeichern"), 11, QStringLiteral("save-simulation")},
        {2, QStringLiteral("TestNeu"), 12, QStringLiteral("new-test")},
        {3, QStringLiteral("TestLaden"), 13, QStringLiteral("open-test")},
        {4, QStringLiteral("TestSpeichern"), 14, QStringLiteral("save-test")},
        {5, QStringLiteral("Jobauswahl"), 15, QStringLiteral("select-job")},
        {6, QStringLiteral("StarteJob"), 16, QStringLiteral("run-once")},
        {7, QStringLiteral("StarteJobEndlos"), 17, QStringLiteral("run-continuous")},
        {8, QStringLiteral("TestBearbeiten"), 18, QStringLiteral("edit-test")},
        {9, QStringLiteral("StarteTestschritt"), 19, QStringLiteral("run-test-step")},
        {10, QStringLiteral("StarteTest"), 20, QStringLiteral("run-test")},
        {11, QStringLiteral("Hilfe"), 21, QStringLiteral("help")},
        {13, QStringLiteral("PrintFile"), 23, QStringLiteral("print")},
    };
    return buttons;
}

const ToolbarButton *toolbarButton(int index)
{
    for (const ToolbarButton &b : toolbar()) {
        if (b.index == index)
            return &b;
    }
    return nullptr;
}

QString hintText(int index, const TextCatalogue &texts)
{
    const ToolbarButton *b = toolbarButton(index);
    return b ? texts.text(b->hintTextId) : QString();
}

QString unknownIndexMessage(int index, const TextCatalogue &texts)
{
    return texts.text(501) + QLatin1Char(' ') + QString::number(index);
}

const QList<EditMenuEntry> &editMenu()
{
    static const QList<EditMenuEntry> menu = {
        {QStringLiteral("Rueckgaengig"), QStringLiteral("&Rückgängig"), 1},
        {QStringLiteral("Trennlinie16"), QString(), 0},
        {QStringLiteral("Ausschneiden"), QStringLiteral("&Ausschneiden"), 2},
        {QStringLiteral("Kopieren"), QStringLiteral("&Kopieren"), 3},
        {QStringLiteral("Einfuegen"), QStringLiteral("&Einfügen"), 4},
        {QStringLiteral("Loeschen"), QStringLiteral("&Löschen"), 5},
        {QStringLiteral("Trennlinie17"), QString(), 0},
        {QStringLiteral("Alles_markieren"), QStringLiteral("Alles &markieren"), 6},
    };
    return menu;
}

} // namespace kitbox::MainMenuModel
