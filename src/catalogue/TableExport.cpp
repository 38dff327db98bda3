#include "catalogue/TableExport.h"

#include "shell/FileSave.h"

namespace kitbox::TableExport {

namespace {

bool needsQuotes(QByteArrayView cell)
{
    if (cell.isEmpty())
        return false;
    if (cell.front() == ' ' || cell.back() == ' ')
        return true;
    for (const char c : cell)
        if (c == '"' || c == ',' || c == ';' || c == '\t' || c == '\r' || c == '\n')
            return true;
    return false;
}

void appendCsvCell(QByteArray &out, QByteArrayView cell)
{
    if (!needsQuotes(cell)) {
        out.append(cell);
        return;
    }
    out.append('"');
    for (const char c : cell) {
        if (c == '"')
            out.append('"');
        out.append(c);
    }
    out.append('"');
}

void appendJsonString(QByteArray &out, QByteArrayView text)
{
    static const char hex[] = "0123456789abcdef";
    out.append('"');
    for (const char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        switch (c) {
        case '"':
            out.append("\\\"");
            break;
        case '\\':
            out.append("\\\\");
            break;
        case '\n':
            out.append("\\n");
            break;
        case '\r':
            out.append("\\r");
            break;
        case '\t':
            out.append("\\t");
            break;
        default:
            if (c < 0x20) {
                out.append("\\u00");
                out.append(hex[c >> 4]);
                out.append(hex[c & 0xF]);
            } else {
                out.append(ch);
            }
        }
    }
    out.append('"');
}

// The cells of a row as UTF-8, columnCount of them.
template <typename Fn>
void forEachCell(const TableText &table, int row, Fn &&fn)
{
    const QStringList cells = table.rowCells(row);
    for (qsizetype c = 0; c < cells.size(); ++c)
        fn(int(c), QByteArrayView(cells.at(c).toUtf8()));
}

} // namespace

std::optional<Format> formatNamed(const QString &name)
{
    const QString n = name.trimmed().toLower();
    if (n == QLatin1String("csv"))
        return Format::Csv;
    if (n == QLatin1String("json"))
        return Format::Json;
    return std::nullopt;
}

QByteArray csv(const TableText &table)
{
    QByteArray out;
    out.reserve(qsizetype(table.memoryBytes()) + qsizetype(table.memoryBytes()) / 8 + 16);
    for (int row = 0; row < table.rowCount(); ++row) {
        forEachCell(table, row, [&out](int column, QByteArrayView cell) {
            if (column > 0)
                out.append(',');
            appendCsvCell(out, cell);
        });
        out.append("\r\n");
    }
    return out;
}

QByteArray json(const QString &tableName, const TableText &table)
{
    QByteArray out;
    out.reserve(qsizetype(table.memoryBytes()) * 5 / 4 + 64);
    out.append("{\"table\": ");
    appendJsonString(out, tableName.toUtf8());
    out.append(",\n \"columns\": [");
    forEachCell(table, 0, [&out](int column, QByteArrayView cell) {
        if (column > 0)
            out.append(", ");
        appendJsonString(out, cell);
    });
    out.append("],\n \"rows\": [");
    for (int row = 1; row < table.rowCount(); ++row) {
        out.append(row > 1 ? ",\n  [" : "\n  [");
        forEachCell(table, row, [&out](int column, QByteArrayView cell) {
            if (column > 0)
                out.append(", ");
            appendJsonString(out, cell);
        });
        out.append(']');
    }
    out.append("]}\n");
    return out;
}

QByteArray text(const QString &tableName, const TableText &table, Format format)
{
    return format == Format::Csv ? csv(table) : json(tableName, table);
}

Status save(const QString &path, const QString &tableName, const TableText &table, Format format)
{
    if (table.isEmpty())
        return failure("no table to export");
    return saveFileAtomically(path, text(tableName, table, format));
}

} // namespace kitbox::TableExport
