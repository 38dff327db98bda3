#include "execution/ReportFormat.h"

#include <algorithm>

namespace kitbox::report {

namespace {

constexpr char16_t hexDigits[] = u"0123456789ABCDEF";

int hexValue(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= u'0' && u <= u'9')
        return u - u'0';
    if (u >= u'A' && u <= u'F')
        return u - u'A' + 10;
    if (u >= u'a' && u <= u'f')
        return u - u'a' + 10;
    return -1;
}

void appendHexByte(QString &out, unsigned char byte)
{
    out += QChar(hexDigits[byte >> 4]);
    out += QChar(hexDigits[byte & 0x0F]);
}

} // namespace

qsizetype characterCount(QStringView text)
{
    qsizetype count = text.size();
    for (const QChar c : text) {
        if (c.isLowSurrogate())
            --count;
    }
    return count;
}

void appendPadded(QString &out, QStringView text, qsizetype width)
{
    out += text;
    const qsizetype missing = width - characterCount(text);
    if (missing > 0)
        out.append(QString(missing, u' '));
}

QString textAuffuellen(QStringView text, qsizetype width)
{
    QString out;
    out.reserve(std::max(text.size(), width));
    appendPadded(out, text, width);
    return out;
}

QString hexZeichen(QStringView hex)
{
    QString digits = hex.toString();
    const qsizetype n = digits.size();
    if (!(n == 2 || n == 4 || n == 6 || n == 8))
        digits.prepend(u'0');

    QString pairs;
    QString characters;
    for (qsizetype i = 0; i + 1 < digits.size(); i += 2) {
        if (!pairs.isEmpty())
            pairs += u' ';
        pairs += QStringView(digits).mid(i, 2);
        const int high = hexValue(digits.at(i));
        const int low = hexValue(digits.at(i + 1));
        // A pair that is not hexadecimal stands for 0, shown as ".".
        const unsigned value = (high < 0 || low < 0) ? 0u : unsigned(high * 16 + low);
        characters += reportCharacter(value);
    }

    QString out;
    out.reserve(21);
    if (pairs.size() < 11)
        out.append(QString(11 - pairs.size(), u' '));
    out += pairs;
    out += u"  ";
    appendPadded(out, characters, 8);
    return out;
}

void appendHexDump(QString &out, const char *data, qsizetype count)
{
    if (count <= 0)
        return;
    out.reserve(out.size() + ((count + 15) / 16) * 82);
    for (qsizetype start = 0; start < count; start += 16) {
        if (start > 0)
            out += nl;
        const qsizetype lineBytes = std::min<qsizetype>(16, count - start);

        out += u"    ";
        if (start <= 0xFFFF) {
            appendHexByte(out, static_cast<unsigned char>(start >> 8));
            appendHexByte(out, static_cast<unsigned char>(start & 0xFF));
        } else {
            // Beyond 64 KiB the offset keeps all its digits rather than wrapping.
            out += QString::number(start, 16).toUpper();
        }
        out += u" :";

        const qsizetype hexStart = out.size();
        for (qsizetype j = 0; j < lineBytes; ++j) {
            out += u' ';
            appendHexByte(out, static_cast<unsigned char>(data[start + j]));
            if (j == 7)
                out += u"  ";
        }
        const qsizetype hexWidth = out.size() - hexStart;
        if (hexWidth < 50)
            out.append(QString(50 - hexWidth, u' '));

        out += u"  ";
        for (qsizetype j = 0; j < std::min<qsizetype>(8, lineBytes); ++j)
            out += reportCharacter(static_cast<unsigned char>(data[start + j]));
        out += u"  ";
        for (qsizetype j = 8; j < lineBytes; ++j)
            out += reportCharacter(static_cast<unsigned char>(data[start + j]));
    }
}

QString hexDump(const QByteArray &bytes)
{
    QString out;
    appendHexDump(out, bytes.constData(), bytes.size());
    return out;
}

} // namespace kitbox::report
