#include "catalogue/FakeSifterApi.h"

namespace kitbox {

int FakeSifterApi::callCount(const QString &entry) const
{
    int n = 0;
    for (const QString &call : m_calls)
        if (call.startsWith(entry + QLatin1Char('(')))
            ++n;
    return n;
}

qint16 FakeSifterApi::SIFTER_INFO(const QString &path, qint32 &infoOffset, qint32 &infoLength, qint32 &tableAreaEnd,
                                  qint32 &tableCount)
{
    m_calls.append(QStringLiteral("SIFTER_INFO(") + path + QLatin1Char(')'));
    infoOffset = infoLength = tableAreaEnd = tableCount = 0;
    const auto it = m_files.constFind(path);
    if (it == m_files.constEnd())
        return missingStatus;
    if (it->status != 0)
        return it->status;
    infoOffset = it->infoOffset;
    infoLength = it->infoLength;
    tableAreaEnd = it->tableAreaEnd;
    tableCount = it->tableCountOverride >= 0 ? it->tableCountOverride : qint32(it->tables.size());
    return 0;
}

qint16 FakeSifterApi::SIFTER_TABLE(const QString &path, SifterTable &entry, qint32 index)
{
    m_calls.append(QStringLiteral("SIFTER_TABLE(") + path + QLatin1Char(',') + QString::number(index) +
                   QLatin1Char(')'));
    entry = SifterTable();
    const auto it = m_files.constFind(path);
    if (it == m_files.constEnd())
        return missingStatus;
    if (index < 0 || index >= it->tables.size())
        return 8;
    entry = it->tables.at(index);
    return 0;
}

} // namespace kitbox
