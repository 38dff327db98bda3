#pragma once
// Reads one table of a description (its scrambled byte range). The scan
// records the widest cell per column and reports control characters; the
// text the table viewer shows (every cell followed by TAB, every row ended
// by CR) is built from the same bytes when it is asked for.
#include "catalogue/JobCatalogue.h"

#include <QByteArrayView>

namespace kitbox {

// The catalogue texts that make up an error line (511..515).
struct TableErrorTexts {
    QString invalidCharacter; // "Unzulässiges Zeichen (<0x20) in Tabelle gefunden."
    QString table;
    QString row;
    QString column;
    QString character;
};

// Control characters found while reading tables, over one catalogue fill.
struct TableErrorLog {
    QString descriptionPath; // named in the first line
    TableErrorTexts texts;
    bool flag = false;
    QString text;

    // Adds one table's finding lines; the first findings of the fill bring
    // the line that names the description.
    void add(const QString &findings);
};

class TableTextReader {
public:
    // Cell widths above a third of the screen width (twips) are not recorded.
    explicit TableTextReader(int screenWidthTwips) : m_screenWidthTwips(screenWidthTwips) {}

    // Both take at most columnCount x (rowCount + 1) cells of table; bytes
    // after the last NUL are not a cell.
    // Widens table.columnWidth to the widest cells and appends a line to
    // findings for each control character. Safe to run on several tables at
    // once from different threads.
    void scan(QByteArrayView scrambled, TableDescription &table, const TableErrorTexts &texts, QString &findings) const;
    // The table text as UTF-8 (bytes that are not UTF-8 are taken as one
    // character each).
    static QByteArray textUtf8(QByteArrayView scrambled, const TableDescription &table);

    // scan and the text in one call.
    QString read(QByteArrayView scrambled, TableDescription &table, TableErrorLog &errors) const;

    static constexpr int twipsPerCharacter = 120;

    // The instructions plain text is searched and measured with: the widest the processor
    // has is taken; tests compare the others with it.
    enum class ScanKernel { Generic, Avx2, Avx512, Avx512Vbmi2 };
    // False (and nothing changed) when the processor lacks the instructions.
    static bool setScanKernel(ScanKernel kernel);
    static ScanKernel scanKernel();

private:
    int m_screenWidthTwips;
};

} // namespace kitbox
