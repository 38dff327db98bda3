#include "uds/UdsValueCheck.h"

#include <QStringList>

#include <cmath>

namespace kitbox {

namespace {

constexpr double floatMin = 1.17549435082229E-38;
constexpr double floatMax = 3.40282346638529E+38;

bool isDash(const QString &cell)
{
    return cell.trimmed() == QLatin1String("-");
}

// Length of the decimal number at the start of s (from position from), 0 when
// there is none. A comma counts as decimal point only when comma is set.
qsizetype numberLength(const QString &s, qsizetype from, bool comma)
{
    qsizetype i = from;
    const qsizetype n = s.size();
    if (i < n && (s.at(i) == u'+' || s.at(i) == u'-'))
        ++i;
    qsizetype digits = 0;
    while (i < n && s.at(i).isDigit() && s.at(i).unicode() < 128) {
        ++i;
        ++digits;
    }
    if (i < n && (s.at(i) == u'.' || (comma && s.at(i) == u','))) {
        ++i;
        while (i < n && s.at(i).isDigit() && s.at(i).unicode() < 128) {
            ++i;
            ++digits;
        }
    }
    if (digits == 0)
        return 0;
    if (i < n && (s.at(i) == u'e' || s.at(i) == u'E')) {
        qsizetype j = i + 1;
        if (j < n && (s.at(j) == u'+' || s.at(j) == u'-'))
            ++j;
        qsizetype expDigits = 0;
        while (j < n && s.at(j).isDigit() && s.at(j).unicode() < 128) {
            ++j;
            ++expDigits;
        }
        if (expDigits > 0)
            i = j;
    }
    return i - from;
}

double toDouble(QString text)
{
    text.replace(u',', u'.');
    return text.toDouble();
}

} // namespace

double UdsValueCheck::leadingNumber(const QString &text)
{
    qsizetype from = 0;
    while (from < text.size() && text.at(from).isSpace())
        ++from;
    const qsizetype length = numberLength(text, from, false);
    if (length == 0)
        return 0.0;
    const double value = toDouble(text.mid(from, length));
    return std::isfinite(value) ? value : 0.0;
}

std::optional<double> UdsValueCheck::number(const QString &text)
{
    QString t = text.trimmed();
    t.replace(QLatin1String("0x"), QLatin1String("&h")).replace(QLatin1String("0X"), QLatin1String("&h"));
    if (t.contains(QLatin1String("&h"), Qt::CaseInsensitive)) {
        if (!t.startsWith(QLatin1String("&h"), Qt::CaseInsensitive) || t.size() < 3 || t.size() > 18)
            return std::nullopt;
        bool ok = false;
        const quint64 value = t.mid(2).toULongLong(&ok, 16);
        if (!ok)
            return std::nullopt;
        return double(value);
    }
    if (t.isEmpty() || numberLength(t, 0, true) != t.size())
        return std::nullopt;
    const double value = toDouble(t);
    if (!std::isfinite(value))
        return std::nullopt;
    return value;
}

std::optional<UdsValueCheck::Range> UdsValueCheck::integerRange(const QString &type)
{
    struct Entry {
        const char *name;
        double low;
        double high;
    };
    static const Entry entries[] = {
        {"char", -128, 127},
        {"signed char", -128, 127},
        {"unsigned char", 0, 255},
        {"int", -32768, 32767},
        {"integer", -32768, 32767},
        {"signed int", -32768, 32767},
        {"signed integer", -32768, 32767},
        {"unsigned int", 0, 65535},
        {"unsigned integer", 0, 65535},
        {"long", -2147483648.0, 2147483647.0},
        {"signed long", -2147483648.0, 2147483647.0},
        {"unsigned long", 0, 4294967295.0},
    };
    for (const Entry &e : entries)
        if (type == QLatin1String(e.name))
            return Range{e.low, e.high};
    return std::nullopt;
}

bool UdsValueCheck::isValid(const QString &text, const UdsArgumentRow &row)
{
    if (text.trimmed().isEmpty())
        return false;
    const QString type = row.datentyp.trimmed().toLower();
    const std::optional<Range> integer = integerRange(type);
    const bool isFloat = !integer && type.contains(QLatin1String("float"));
    if (!integer && !isFloat) {
        if (type.contains(QLatin1String("double")))
            return number(text).has_value();
        return true; // texts, data and unknown types take every value
    }
    const std::optional<double> entered = number(text);
    if (!entered)
        return false;
    const double value = *entered;
    if (!isDash(row.min) && value < leadingNumber(row.min))
        return false;
    if (!isDash(row.max) && value > leadingNumber(row.max))
        return false;

    double scaled = value;
    const double mul = leadingNumber(row.mul);
    if (mul != 0.0)
        scaled *= mul;
    const double div = leadingNumber(row.div);
    if (div != 0.0)
        scaled /= div;
    scaled += leadingNumber(row.add);

    if (integer)
        return scaled >= integer->low && scaled <= integer->high;
    // Zero is a float like any other, although neither range holds it.
    if (scaled == 0.0)
        return true;
    if (value >= 0.0)
        return scaled >= floatMin && scaled <= floatMax;
    return scaled >= -floatMax && scaled <= -floatMin;
}

} // namespace kitbox
