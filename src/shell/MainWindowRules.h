#pragma once
// Rules of the main window that need no window: sizes and the header layout
// (all in twips), the editor status texts, the version line, the print page
// text and the arrangement of child windows.
#include <QDate>
#include <QList>
#include <QRect>
#include <QString>

class TextCatalogue;

namespace kitbox::MainWindowRules {

inline constexpr int minimumHeightTwips = 3700;

// Width of the logo frame + title + company label + 960.
int minimumWidth(int logoWidth, int titleWidth, int firmaWidth);

// The size a resize ends with: width and height raised to their minimums.
struct Size {
    int width = 0;
    int height = 0;
    friend bool operator==(const Size &, const Size &) = default;
};
Size constrainedSize(Size requested, int minimumWidthTwips);

struct HeaderPositions {
    int labelsLeft = 0; // left of Datum, Version and Firma
    int titleLeft = 0;  // Titel centred between the logo frame and the labels
};
HeaderPositions headerPositions(int innerWidth, int logoRight, int titleWidth, int firmaWidth);

// Top-left corner that centres the start picture in its frame.
struct Point {
    int x = 0;
    int y = 0;
    friend bool operator==(const Point &, const Point &) = default;
};
Point centred(int frameWidth, int frameHeight, int pictureWidth, int pictureHeight);

// "Version 3.8.7".
QString versionText(int major, int minor, int revision);
// The date as the header and the print title show it.
QString dateText(const QDate &date);

struct EditorStatus {
    QString mode;           // Editormode
    QString position;       // Editorposition
    bool clearHint = false; // HinweiszeileLabel is emptied as well (inactive editor)
};
// line and column count from 1.
EditorStatus editorStatus(bool active, bool readOnly, bool overwrite, int line, int lineCount, int column,
                          const TextCatalogue &texts);
// Line (from 1) and column (from 1) of a caret offset in a text whose lines
// start at the given offsets (first entry 0).
struct CaretPosition {
    int line = 1;
    int column = 1;
};
CaretPosition caretPosition(const QList<int> &lineStarts, int caretOffset);

// The text sent to the printer: a line of 70 "=", an empty line, the title
// line (text 228, caption, date), an empty line, the "=" line, an empty line
// and the text. Lines end in CR LF.
QString printText(const QString &caption, const QDate &date, const QString &text, const TextCatalogue &texts);
// Captions whose print source is a grid that its own window prints.
bool isGridPrintSource(const QString &caption);

// Child-window arrangements inside an area of the given size (pixels).
enum class Arrangement { Horizontal, Vertical };
// Horizontal: one below the other, full width; vertical: side by side, full height.
QList<QRect> tiled(int count, int areaWidth, int areaHeight, Arrangement arrangement);
// Positions of minimised windows' icons along the bottom edge, left to right,
// wrapping upward when a row is full.
QList<QRect> iconPositions(int count, int areaWidth, int areaHeight, int iconWidth, int iconHeight);

} // namespace kitbox::MainWindowRules
