#pragma once
// The test matrix: 16 rows x 12 columns of text. Row 0 holds the column
// titles, column 0 the step numbers; rows 1..15 are the steps and columns
// 1..11 their fields. The test file stores only the step fields, one line per
// step, fields joined by "|", lines ending in CR LF.
#include <QString>

#include <array>

namespace kitbox {

class TestMatrix {
public:
    static constexpr int rowCount = 16;
    static constexpr int columnCount = 12;
    static constexpr int lastStep = rowCount - 1;
    static constexpr int lastField = columnCount - 1;

    enum Column {
        StepNumber = 0,
        Count = 1,
        Description = 2,
        Job = 3,
        DataFlag = 4,
        Arguments = 5,
        Results = 6,
        OutputFlag = 7,
        LogicName = 8,
        LogicValue = 9,
        LogicYes = 10,
        LogicNo = 11,
    };

    // Titles and step numbers set, step cells empty.
    TestMatrix();

    // Cells outside the grid read as empty and ignore writes.
    const QString &cell(int row, int column) const;
    void setCell(int row, int column, const QString &text);

    // Init_TestMatrix: titles in row 0 and step numbers in column 0; the step
    // cells keep their contents.
    void initialise();
    // Empties every step cell (rows 1..15, columns 1..11).
    void clearSteps();
    bool stepIsEmpty(int row) const;
    bool operator==(const TestMatrix &other) const { return m_cells == other.m_cells; }

    // The file text of the step cells: trailing empty fields and rows are
    // left out, every written line ends in CR LF.
    QString serialise() const;
    // Replaces the step cells with a file text: "|" separates fields, a line
    // break (CR LF, CR or LF) separates steps. Lines past step 15 and fields
    // past column 11 are dropped.
    void paste(QStringView fileText);

    static QString columnTitle(int column);

private:
    std::array<std::array<QString, columnCount>, rowCount> m_cells;
};

} // namespace kitbox
