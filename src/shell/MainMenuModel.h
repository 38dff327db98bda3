#pragma once
// The main window's menu tree, toolbar and right-mouse edit menu as data: the
// object names, catalogue ids, shortcut keys and start states. The window
// builds its menus from these tables and takes the captions from the
// catalogue at every language change.
#include <QList>
#include <QString>

class TextCatalogue;

namespace kitbox {

struct MenuEntry {
    enum class Kind { Submenu, Command, Separator, RecentFile };
    enum class StartState { Enabled, Disabled, Hidden };

    Kind kind = Kind::Command;
    QString objectName;
    QString parent;       // object name of the submenu; empty for the submenus themselves
    int textId = 0;       // catalogue id of the caption; 0 when fixedCaption is used
    QString fixedCaption; // caption that is the same in both languages
    QString shortcut;     // portable key text such as "Ctrl+F3"; empty for none
    StartState startState = StartState::Enabled;
};

struct ToolbarButton {
    int index = 0;
    QString command; // object name of the menu entry the button runs
    int hintTextId = 0;
    QString iconName; // resource name of the picture (without folder and suffix)
};

struct EditMenuEntry {
    QString objectName; // empty for a separator
    QString caption;
    int command = 0; // edit command set when chosen: 1 undo .. 6 select all
};

namespace MainMenuModel {

// Every entry in menu order; submenus come before their entries.
const QList<MenuEntry> &entries();
const MenuEntry *find(const QString &objectName);
// Entries of one submenu, in order.
QList<MenuEntry> children(const QString &submenu);
// The caption of an entry in the catalogue's current language.
QString caption(const MenuEntry &entry, const TextCatalogue &texts);
// Caption of recent-file entry n (1..5): "&" + n + " " + path.
QString recentFileCaption(int number, const QString &path);
// The path a recent-file caption holds (from the fourth character, trimmed).
QString recentFilePath(const QString &caption);

// The 13 toolbar buttons (indices 0..11 and 13).
const QList<ToolbarButton> &toolbar();
const ToolbarButton *toolbarButton(int index);
// Hint text of a toolbar index; empty for an index without a button.
QString hintText(int index, const TextCatalogue &texts);
// Message for an index without a command: text 501 followed by the index.
QString unknownIndexMessage(int index, const TextCatalogue &texts);

const QList<EditMenuEntry> &editMenu();

} // namespace MainMenuModel

} // namespace kitbox
