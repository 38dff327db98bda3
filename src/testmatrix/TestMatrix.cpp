#include "testmatrix/TestMatrix.h"

namespace kitbox {

TestMatrix::TestMatrix()
{
    initialise();
}

const QString &TestMatrix::cell(int row, int column) const
{
    static const QString empty;
    if (row < 0 || row >= rowCount || column < 0 || column >= columnCount)
        return empty;
    return m_cells[row][column];
}

void TestMatrix::setCell(int row, int column, const QString &text)
{
    if (row < 0 || row >= rowCount || column < 0 || column >= columnCount)
        return;
    m_cells[row][column] = text;
}

QString TestMatrix::columnTitle(int column)
{
    static constexpr std::array<const char *, columnCount> titles = {
        "Nr", "n", "SGBD", "JOB", "(data)", "ARGUMENT", "RESULT", "(view)", "L: Name", "L: Wert", "L: Ja", "L: Nein"};
    if (column < 0 || column >= columnCount)
        return {};
    return QString::fromLatin1(titles[column]);
}

void TestMatrix::initialise()
{
    for (int c = 0; c < columnCount; ++c)
        m_cells[0][c] = columnTitle(c);
    for (int r = 1; r < rowCount; ++r)
        m_cells[r][0] = QString::number(r);
}

void TestMatrix::clearSteps()
{
    for (int r = 1; r < rowCount; ++r)
        for (int c = 1; c < columnCount; ++c)
            m_cells[r][c].clear();
}

bool TestMatrix::stepIsEmpty(int row) const
{
    for (int c = 1; c < columnCount; ++c)
        if (!cell(row, c).isEmpty())
            return false;
    return true;
}

QString TestMatrix::serialise() const
{
    int lastRow = lastStep;
    while (lastRow >= 1 && stepIsEmpty(lastRow))
        --lastRow;
    QString out;
    for (int r = 1; r <= lastRow; ++r) {
        int lastColumn = lastField;
        while (lastColumn >= 1 && m_cells[r][lastColumn].isEmpty())
            --lastColumn;
        for (int c = 1; c <= lastColumn; ++c) {
            if (c > 1)
                out += u'|';
            out += m_cells[r][c];
        }
        out += u"\r\n";
    }
    return out;
}

void TestMatrix::paste(QStringView fileText)
{
    clearSteps();
    int row = 1;
    int column = 1;
    for (qsizetype i = 0; i < fileText.size(); ++i) {
        const QChar ch = fileText[i];
        if (ch == u'\r' || ch == u'\n') {
            // CR LF is one break; a lone CR or LF (files from other editors) is one as well.
            if (ch == u'\r' && i + 1 < fileText.size() && fileText[i + 1] == u'\n')
                ++i;
            if (++row > lastStep)
                return;
            column = 1;
        } else if (ch == u'|') {
            ++column;
        } else if (column <= lastField) {
            m_cells[row][column] += ch;
        }
    }
}

} // namespace kitbox
