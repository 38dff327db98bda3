#include "catalogue/JobInfoReference.h"

namespace kitbox::JobInfoReference {

namespace {

const QString kUsesPrefix = QStringLiteral("---- uses : ");

bool isNameCharacter(QChar c)
{
    return c.isLetterOrNumber() || c == QLatin1Char('_');
}

// A name ends at a blank or at punctuation that commonly follows it in prose.
bool endsName(QChar c)
{
    return c.isSpace() || c == QLatin1Char(',') || c == QLatin1Char(';') || c == QLatin1Char(')') ||
           c == QLatin1Char('(') || c == QLatin1Char('"') || c == QLatin1Char('\'');
}

} // namespace

std::optional<Reference> onLine(const QString &line)
{
    QString upper = line;
    while (!upper.isEmpty() && (upper.front() == QLatin1Char('\n') || upper.front() == QLatin1Char('\r')))
        upper.remove(0, 1);
    upper = upper.trimmed().toUpper();
    const QString word = QStringLiteral("TABLE");
    for (qsizetype at = upper.indexOf(word); at >= 0; at = upper.indexOf(word, at + 1)) {
        // TABLE as a word of its own, followed by a blank: not RESULTTABLE or TABLES.
        const qsizetype after = at + word.size();
        if (at > 0 && isNameCharacter(upper.at(at - 1)))
            continue;
        if (after >= upper.size() || !upper.at(after).isSpace())
            continue;
        qsizetype from = after;
        while (from < upper.size() && upper.at(from).isSpace())
            ++from;
        qsizetype to = from;
        while (to < upper.size() && !endsName(upper.at(to)))
            ++to;
        if (to == from)
            continue;
        Reference ref;
        ref.tableName = upper.mid(from, to - from);
        const QString rest = upper.mid(at).trimmed();
        if (rest != word + QLatin1Char(' ') + ref.tableName)
            ref.searchValue = rest;
        return ref;
    }
    return std::nullopt;
}

QString lineAt(const QString &text, qsizetype position)
{
    position = qBound<qsizetype>(0, position, text.size());
    qsizetype begin = position;
    while (begin > 0 && text.at(begin - 1) != QLatin1Char('\r') && text.at(begin - 1) != QLatin1Char('\n'))
        --begin;
    qsizetype end = position;
    while (end < text.size() && text.at(end) != QLatin1Char('\r') && text.at(end) != QLatin1Char('\n'))
        ++end;
    return text.mid(begin, end - begin);
}

int resolve(const JobCatalogue &catalogue, const QString &jobInfo, const QString &tableName)
{
    QString base;
    if (jobInfo.startsWith(kUsesPrefix, Qt::CaseInsensitive)) {
        const qsizetype end = jobInfo.indexOf(QLatin1Char('\r'), kUsesPrefix.size());
        base = jobInfo.mid(kUsesPrefix.size(), end < 0 ? -1 : end - kUsesPrefix.size()).trimmed();
        if (base.isEmpty())
            return -1;
    }
    for (qsizetype i = 0; i < catalogue.tables.size(); ++i) {
        const TableDescription &t = catalogue.tables.at(i);
        if (t.name.compare(tableName, Qt::CaseInsensitive) == 0 && t.baseName.compare(base, Qt::CaseInsensitive) == 0)
            return int(i);
    }
    return -1;
}

} // namespace kitbox::JobInfoReference
