#include "catalogue/JobCatalogue.h"

namespace kitbox {

void JobCatalogue::clearTexts()
{
    jobInfo.clear();
    argSummary.clear();
    resultNames.clear();
    lastFilledJob = -1;
    tables.clear();
    tableText.clear();
}

void JobCatalogue::resetJobTexts(int jobCount)
{
    const qsizetype n = qsizetype(qMax(jobCount, 0)) + 1;
    jobInfo = QStringList(n);
    argSummary = QStringList(n);
    resultNames = QStringList(n);
}

QStringList JobCatalogue::resultNameList(int job) const
{
    const QString names = resultNamesAt(job);
    QStringList list;
    qsizetype from = 0;
    while (from < names.size()) {
        const qsizetype end = names.indexOf(kCrLf, from);
        if (end < 0)
            break; // only CR LF-terminated names count
        list.append(names.mid(from, end - from));
        from = end + 2;
    }
    return list;
}

int JobCatalogue::ownTableIndex(const QString &name) const
{
    for (qsizetype i = 0; i < tables.size(); ++i) {
        const TableDescription &t = tables.at(i);
        if (t.baseName.isEmpty() && t.name.compare(name, Qt::CaseInsensitive) == 0)
            return int(i);
    }
    return -1;
}

bool JobCatalogue::isSeparator(const QString &entry)
{
    return entry.toUpper().contains(QLatin1String("---- USES:"));
}

QString JobCatalogue::separatorFor(const QString &baseName)
{
    return (QStringLiteral("---- USES: ") + baseName).toLower();
}

} // namespace kitbox
