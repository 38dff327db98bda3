#include "catalogue/TableTextReader.h"

#include "catalogue/TextDecoding.h"

#include <cstring>

namespace kitbox {

namespace {

constexpr char kMask = 0x6B;

void reportControlCharacter(TableErrorLog &errors, const TableDescription &table, qint64 row, qint64 column,
                            unsigned char byte)
{
    const QString &crlf = kCrLf;
    if (!errors.flag) {
        errors.flag = true;
        errors.text += QStringLiteral("SGBD ") + errors.descriptionPath + QStringLiteral(": ") +
                       errors.texts.invalidCharacter + crlf;
    }
    errors.text += errors.texts.table + QStringLiteral(": ") + table.name + QStringLiteral("; ") + errors.texts.row +
                   QStringLiteral(": ") + QString::number(row) + QStringLiteral("; ") + errors.texts.column +
                   QStringLiteral(": ") + QString::number(column) + QStringLiteral("; ") + errors.texts.character +
                   QStringLiteral("=0x") + QString::number(byte, 16).toUpper().rightJustified(2, QLatin1Char('0')) +
                   crlf;
}

}  // namespace

QString TableTextReader::read(QByteArrayView scrambled, TableDescription &table, TableErrorLog &errors) const
{
    const qint64 columns = table.columnCount;
    const qint64 cellLimit = columns > 0 && table.rowCount >= 0 ? columns * (qint64(table.rowCount) + 1) : 0;
    if (cellLimit == 0 || scrambled.isEmpty())
        return {};

    // The whole range is unscrambled once; cells are then cut out of it in place.
    QByteArray bytes(scrambled.data(), scrambled.size());
    char *const data = bytes.data();
    const qsizetype size = bytes.size();
    for (qsizetype i = 0; i < size; ++i)
        data[i] = char(data[i] ^ kMask);
    const bool utf8 = isValidUtf8(bytes);

    // Output bytes: the cell bytes with NUL turned into TAB, a CR after each
    // row; never longer than the input plus one CR per row.
    QByteArray out;
    out.reserve(size + qsizetype(qMin<qint64>(table.rowCount + 1, size)) + 1);

    const qint64 screenWidth = m_screenWidthTwips;
    qint64 cells = 0;
    qint64 column = 0;
    qint64 rowsDone = 0;
    qsizetype pos = 0;
    while (pos < size && cells < cellLimit) {
        const void *hit = std::memchr(data + pos, 0, size_t(size - pos));
        const qsizetype cellEnd = hit != nullptr ? static_cast<const char *>(hit) - data : size;
        for (qsizetype i = pos; i < cellEnd; ++i) {
            const auto b = static_cast<unsigned char>(data[i]);
            if (b < 0x20) {
                data[i] = '\n';
                reportControlCharacter(errors, table, rowsDone, column + 1, b);
            }
        }
        if (hit == nullptr)
            break;  // the bytes after the last NUL do not make a cell
        const QByteArrayView cell(data + pos, cellEnd - pos);
        out.append(cell);
        out.append('\t');
        if (column <= TableDescription::maxColumnIndex) {
            const qint64 width = (qint64(decodedLength(cell, utf8)) + 1) * twipsPerCharacter;
            qint32 &recorded = table.columnWidth[size_t(column)];
            if (width > recorded && width * 3 <= screenWidth)
                recorded = qint32(width);
        }
        ++cells;
        if (++column == columns) {
            column = 0;
            out.append('\r');
            ++rowsDone;
        }
        pos = cellEnd + 1;
    }
    return utf8 ? QString::fromUtf8(out) : QString::fromLatin1(out);
}

}  // namespace kitbox
