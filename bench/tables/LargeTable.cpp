#include "LargeTable.h"

#include "LargeDescription.h"

namespace bench {

kitbox::Status writeLargeTableDescription(const std::string &path, const std::string &ecuName, int rows, int columns)
{
    LargeDescriptionOptions options;
    options.ecuName = ecuName;
    options.jobs = 1;
    options.tables = 0;
    options.minimumBytes = 0;
    prg::Description d = makeLargeDescription(options);
    prg::Table table;
    table.name = largeTableName;
    table.columns = uint32_t(columns);
    table.rows = uint32_t(rows);
    table.cells.reserve(size_t(columns) * size_t(rows + 1));
    for (int c = 0; c < columns; ++c)
        table.cells.push_back("SPALTE_" + std::to_string(c + 1));
    for (int r = 1; r <= rows; ++r) {
        const std::string row = std::to_string(r);
        table.cells.push_back(row);
        for (int c = 1; c < columns; ++c)
            table.cells.push_back(c % 4 == 1 ? "Eintrag " + row + "/" + std::to_string(c)
                                             : "0x" + std::to_string(1000 + (r * 7 + c) % 9000));
    }
    d.tables.push_back(std::move(table));
    return prg::writeFile(path, d);
}

} // namespace bench
