// libFuzzer target for reading a table's stored cells: the input is a column
// count (one byte), a row count (two bytes, little endian) and the scrambled
// cells. Besides "no crash", the cells read in place must equal those of the
// table text built from the same bytes, and the CSV of both must agree.
#include "catalogue/TableExport.h"
#include "catalogue/TableText.h"
#include "catalogue/TableTextReader.h"
#include "catalogue/TextDecoding.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 3)
        return 0;
    kitbox::TableDescription table;
    table.columnCount = data[0] % 101;
    table.rowCount = data[1] | (data[2] << 8);
    const QByteArray area(reinterpret_cast<const char *>(data) + 3, qsizetype(size - 3));
    const kitbox::TableText stored =
        kitbox::TableText::fromScrambled(area, 0, area.size(), table.columnCount, table.rowCount);
    const QByteArray text = kitbox::TableTextReader::textUtf8(area, table);
    const kitbox::TableText plain(text, table.columnCount);
    if (stored.rowCount() != plain.rowCount())
        __builtin_trap();
    // Text that is not UTF-8 is decoded per cell in place but per table in the
    // text, so the cells are compared only for UTF-8 tables.
    QByteArray unscrambled = area;
    for (char &c : unscrambled)
        c = char(c ^ 0x6B);
    if (kitbox::isValidUtf8(unscrambled)) {
        for (int r = 0; r < plain.rowCount(); ++r)
            if (stored.rowCells(r) != plain.rowCells(r))
                __builtin_trap();
        if (kitbox::TableExport::csv(stored) != kitbox::TableExport::csv(plain))
            __builtin_trap();
    }
    (void)stored.cell(stored.rowCount(), stored.columnCount());
    (void)kitbox::TableExport::json(QStringLiteral("T"), stored);
    return 0;
}
