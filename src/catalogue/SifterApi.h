#pragma once
// The program's only door to the description locator. The two wrappers keep
// the names and parameters of the locator's entry points; paths go out as
// narrow texts in the file system's encoding.
#include <kitbox/Result.h>

#include <QProcessEnvironment>
#include <QString>

#include <memory>

namespace kitbox {

// What SIFTER_TABLE fills: the 80-byte narrow entry, with the name decoded.
struct SifterTable {
    QString name;
    qint32 start = 0;
    qint32 columnCount = 0;
    qint32 rowCount = 0; // header row not counted
};

class SifterApi {
public:
    virtual ~SifterApi() = default;

    // Locates the info block and the table area; 0 is success, anything else
    // is a status the caller shows.
    virtual qint16 SIFTER_INFO(const QString &path, qint32 &infoOffset, qint32 &infoLength, qint32 &tableAreaEnd,
                               qint32 &tableCount) = 0;
    // Fills entry with table number index (0-based).
    virtual qint16 SIFTER_TABLE(const QString &path, SifterTable &entry, qint32 index) = 0;
};

// The locator the program talks to: the library named by KITBOX_SIFTER_LIBRARY
// when that variable is set and not empty, else the locator linked in.
Result<std::unique_ptr<SifterApi>> createSifter(const QProcessEnvironment &environment);

} // namespace kitbox
