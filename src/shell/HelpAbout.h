#pragma once
// What the help menu and the About box show, apart from the windows: where
// each help document is for a language, which entries can be opened, where
// the context help of a window is, and the lines of the About box.
#include <QList>
#include <QString>

#include <array>
#include <functional>

class TextCatalogue;

namespace kitbox {

class DialogService;

struct HelpDocument {
    QString objectName; // MenuHelpPdf1..4
    int captionText = 0;
    QString path; // where the file is looked for; empty when no candidate exists
    bool available = false;
};

namespace HelpAbout {

// A document lies in the program directory's parent tree (a portable copy
// keeps it beside the program); an installed program finds it under its data
// directory instead (share/kitbox32 beside bin/). The first place that holds
// the file wins; when none does, the entry shows the first place and is disabled.
QList<HelpDocument> documents(const QString &programDirectory, const QString &dataDirectory, bool english);
// The context help: the help file the text catalogue names (helpFile, see
// TextCatalogue::helpFileName) when it is there, opened as it is; else the
// user guide as HTML, in the language's folder, with the anchor of the window
// asked about (empty: the start of the guide). Empty when neither is there.
QString contextHelpUrl(const QString &programDirectory, const QString &dataDirectory, bool english,
                       const QString &windowName, const QString &helpFile = QString());
// The anchors the user guide has for its windows: a window's object name in
// lower case (other windows open the guide at its start).
QString helpAnchor(const QString &windowName);

struct AboutValues {
    QString version; // major.minor.revision
    QString company;
    QString settingsPath; // shown only when the file exists
    QString vedamisVersion;
    QString ifhVersion;
    QString interfaceName;
    int screenWidth = 0;
    int screenHeight = 0;
    // Characters held in the argument, result, comment and table stores.
    std::array<qint64, 4> storeSizes{};
};

QString aboutTitle();
QString aboutText(const AboutValues &values, const TextCatalogue &texts);
// Shows the About box through the dialog seam.
void showAbout(const AboutValues &values, const TextCatalogue &texts, DialogService &dialogs);

} // namespace HelpAbout

} // namespace kitbox
