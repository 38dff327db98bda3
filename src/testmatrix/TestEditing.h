#pragma once
// The editing rules of the test editor, without the window: what a cell holds
// once a typed text is taken over, turning a job echo copied from the results
// window into a step, the block copy and paste of the grid, and the printout
// of the test table.
#include <QString>
#include <QStringView>

namespace kitbox {

class TestMatrix;

namespace TestEditing {

// A rectangle of step cells, corners included.
struct CellRange {
    int top = 1;
    int left = 1;
    int bottom = 1;
    int right = 1;
    bool operator==(const CellRange &) const = default;
};

// Every step cell: rows 1..15, columns 1..11.
CellRange allSteps();

// The "(data)" and "(view)" columns hold a flag that any entry switches.
bool isToggleColumn(int column);

// A typed text with "|" left out (it separates the fields of the file) and
// CR LF, CR, LF and TAB turned into ";". refused tells whether a "|" was dropped.
QString cleaned(QStringView typed, bool *refused = nullptr);

// What the cell of this column holds once the input line's text is taken
// over: a flag column switches between empty and its flag word whatever was
// typed, every other column takes the cleaned text.
QString takenOver(int column, const QString &current, QStringView typed, bool *refused = nullptr);

// Whether a text is a job echo of the results window ("apiJob(" or
// "apiJobData(", any case, blanks around it allowed).
bool isJobEcho(QStringView text);
// Makes the step in row from a job echo: description, job, arguments and
// result filter from its quoted texts, the count 1 and, for a data job whose
// dump was copied along, the data bytes in hex with the data flag (a text job
// clears it). Fields the echo lacks are left as they were. False when the
// text is no job echo.
bool importJobEcho(TestMatrix &matrix, int row, QStringView text);

// The cells of the range row by row: TAB between the cells of a row, CR LF
// between rows. With clear, every cell is emptied as it is read (cut, delete).
QString copyBlock(TestMatrix &matrix, const CellRange &range, bool clear);
// Places a block of text from the cell (row, column) on: TAB goes to the next
// column, CR to the next row at the start column; LF is dropped, "|" too. Cells
// past the matrix are dropped. Returns whether any cell changed.
bool pasteBlock(TestMatrix &matrix, int row, int column, QStringView text);

// The printout of the test table (CR LF lines): heading, file name, the
// column titles and the steps as the test file holds them.
QString printText(const TestMatrix &matrix, const QString &fileName);

} // namespace TestEditing

} // namespace kitbox
