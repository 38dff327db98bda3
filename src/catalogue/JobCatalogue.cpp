#include "catalogue/JobCatalogue.h"

#include "catalogue/TableTextReader.h"

namespace kitbox {

void JobCatalogue::clearTexts()
{
    jobInfo.clear();
    argSummary.clear();
    resultNames.clear();
    lastFilledJob = -1;
    tables.clear();
    tableAreas.clear();
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

QByteArrayView JobCatalogue::tableBytes(int index) const
{
    if (index < 0 || index >= tables.size())
        return {};
    const TableDescription &t = tables.at(index);
    if (t.area < 0 || t.area >= tableAreas.size() || t.length <= 0)
        return {};
    const QByteArray &area = tableAreas.at(t.area);
    if (t.areaOffset < 0 || t.areaOffset >= area.size())
        return {};
    return QByteArrayView(area).sliced(t.areaOffset, qMin<qint64>(t.length, area.size() - t.areaOffset));
}

QString JobCatalogue::tableTextAt(int index) const
{
    if (index < 0 || index >= tables.size())
        return {};
    return QString::fromUtf8(TableTextReader::textUtf8(tableBytes(index), tables.at(index)));
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
