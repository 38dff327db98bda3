#pragma once
// A locator for tests: chosen answers per file, and a record of every call.
#include "catalogue/SifterApi.h"

#include <QHash>
#include <QList>
#include <QStringList>

namespace kitbox {

struct FakeSifterFile {
    qint16 status = 0;
    qint32 infoOffset = 0;
    qint32 infoLength = 0;
    qint32 tableAreaEnd = 0;
    QList<SifterTable> tables; // tableCount is their number unless overridden
    qint32 tableCountOverride = -1;
};

class FakeSifterApi : public SifterApi {
public:
    // Answers for a path; an unknown path answers with missingStatus.
    void setFile(const QString &path, const FakeSifterFile &file) { m_files.insert(path, file); }
    static constexpr qint16 missingStatus = 2;

    // Every call as "SIFTER_INFO(path)" or "SIFTER_TABLE(path,index)".
    const QStringList &calls() const { return m_calls; }
    int callCount(const QString &entry) const;
    void clearCalls() { m_calls.clear(); }

    qint16 SIFTER_INFO(const QString &path, qint32 &infoOffset, qint32 &infoLength, qint32 &tableAreaEnd,
                       qint32 &tableCount) override;
    qint16 SIFTER_TABLE(const QString &path, SifterTable &entry, qint32 index) override;

private:
    QHash<QString, FakeSifterFile> m_files;
    QStringList m_calls;
};

} // namespace kitbox
