#pragma once
// Column and hex helpers of the fixed-pitch reports: the job report, the
// fault-memory report and the test log all lay out their lines with these.
// Widths count characters (Unicode code points), not bytes or UTF-16 units.
#include <QByteArray>
#include <QString>
#include <QStringView>

namespace kitbox::report {

// Line end of every report text.
inline constexpr QStringView nl = u"\r\n";

// Number of characters of a text as the report columns count them.
qsizetype characterCount(QStringView text);

// The text left-aligned and padded with blanks to exactly width characters;
// a longer text comes back unchanged, never cut.
QString textAuffuellen(QStringView text, qsizetype width);
// The same, appended to out without a temporary.
void appendPadded(QString &out, QStringView text, qsizetype width);

// The hexadecimal and character column of an integer result (21 characters
// for up to four byte pairs): the pairs right-aligned in 11 columns, two
// blanks, the characters of the pairs padded to 8.
QString hexZeichen(QStringView hex);

// Hex dump of bytes, 16 per line: offset, the byte pairs and the characters,
// lines separated by CR LF, the last one without. No bytes give "".
QString hexDump(const QByteArray &bytes);
void appendHexDump(QString &out, const char *data, qsizetype count);

// The character a byte or byte pair stands for in a report: "." below 32,
// else the Latin-1 character of that code.
inline QChar reportCharacter(unsigned value)
{
    return value < 32 ? QChar(u'.') : QChar(char16_t(value & 0xFF));
}

} // namespace kitbox::report
