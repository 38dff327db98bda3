#include "execution/JobParameter.h"

#include <QStringList>

namespace kitbox {

namespace {

int hexDigit(QChar c)
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

// A pair (already trimmed, one or two characters) as a byte; anything that is
// not a hex number counts as 0.
char pairValue(QStringView pair)
{
    int value = 0;
    for (const QChar c : pair) {
        const int d = hexDigit(c);
        if (d < 0)
            return 0;
        value = value * 16 + d;
    }
    return char(value);
}

}  // namespace

bool JobParameter::isSeparator() const
{
    return job.toUpper() == separatorJob;
}

Result<QByteArray> dataArgumentLesen(QStringView text)
{
    QByteArray bytes;
    QStringView rest = text.trimmed();
    while (!rest.isEmpty()) {
        if (bytes.size() == JobParameter::maxDataBytes) {
            return Result<QByteArray>::failure("The data argument holds more than " +
                                               std::to_string(JobParameter::maxDataBytes) +
                                               " bytes; shorten it to run the job.");
        }
        bytes.append(pairValue(rest.left(2).trimmed()));
        rest = rest.mid(std::min<qsizetype>(2, rest.size())).trimmed();
    }
    return bytes;
}

QString resultFilterFromList(const QStringList &entries, const QList<bool> &selected)
{
    QString filter;
    for (qsizetype i = 0; i < entries.size(); ++i) {
        if (entries.at(i).contains(u"----"))
            break;
        if (i < selected.size() && selected.at(i)) {
            filter += entries.at(i);
            filter += u';';
        }
    }
    if (filter.endsWith(u';'))
        filter.chop(1);
    return filter;
}

}  // namespace kitbox
