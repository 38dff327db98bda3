#pragma once
// Where the main window and its child windows go when the settings file
// holds no placement for them (the first start): the main window takes most
// of the available screen, the job window the upper part of its client area
// and the results window the rest, with room for at least minimumResultLines
// lines of the report. Pixels in, pixels out.
namespace kitbox::FirstRunLayout {

struct Rect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    friend bool operator==(const Rect &, const Rect &) = default;
};

constexpr int minimumResultLines = 20;
// Share of the available screen the main window takes, in percent.
constexpr int mainSharePercent = 90;
// The main window's smallest sensible size: the job window's three columns
// and a readable report need about this much.
constexpr int minimumMainWidth = 800;
constexpr int minimumMainHeight = 600;
// Below this the job window's lists are of no use.
constexpr int minimumJobHeight = 180;

// The main window on an available screen area (without panels and docks),
// centred, never larger than the area.
Rect mainWindow(const Rect &available);

struct Children {
    Rect job;
    Rect results;
    // The windows that come and go beside the report: job information,
    // tables, simulation file and trace share a column right of it, so that
    // none covers the job list.
    Rect info;
    Rect tables;
    Rect simulation;
    Rect trace;
};
// A report line of this many characters stays visible beside the column.
constexpr int reportColumns = 100;
// The column's share of the width, in percent, and its smallest width.
constexpr int sideSharePercent = 40;
constexpr int minimumSideWidth = 300;

// The windows in a client area of the given size. lineHeight and charWidth
// are the report font's line height and character width, resultsChrome what
// the results window needs beside its text (frame, title bar, its own
// controls). Where the report and the column do not fit side by side, the
// report keeps the whole width and the column stands over its right part.
Children children(int clientWidth, int clientHeight, int lineHeight, int resultsChrome, int charWidth);

} // namespace kitbox::FirstRunLayout
