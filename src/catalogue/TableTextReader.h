#pragma once
// Reads one table of a description (its scrambled byte range) into the text
// the table viewer shows: every cell followed by TAB, every row ended by CR.
// Records the widest cell per column and reports control characters.
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
};

class TableTextReader {
public:
    // Cell widths above a third of the screen width (twips) are not recorded.
    explicit TableTextReader(int screenWidthTwips) : m_screenWidthTwips(screenWidthTwips) {}

    // Reads at most columnCount x (rowCount + 1) cells of table; bytes after
    // the last NUL are not a cell. Returns the table text.
    QString read(QByteArrayView scrambled, TableDescription &table, TableErrorLog &errors) const;
    // The same text as UTF-8 bytes (bytes that were not UTF-8 converted from
    // one character per byte), without building a QString.
    QByteArray readUtf8(QByteArrayView scrambled, TableDescription &table, TableErrorLog &errors) const;

    static constexpr int twipsPerCharacter = 120;

private:
    int m_screenWidthTwips;
};

} // namespace kitbox
