#pragma once
// The loaded description as the rest of the program sees it: names, the job
// list, per-job information texts, argument summaries and result names, and
// one record per table with its cell text. One instance per process; a new
// load replaces everything.
#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>
#include <QStringList>

#include <array>

namespace kitbox {

// Line end of every catalogue text.
inline const QString kCrLf = QStringLiteral("\r\n");

struct TableDescription {
    static constexpr int maxColumnIndex = 100;

    QString name;
    QString baseName; // lower case; empty for the loaded description's own tables
    qint32 start = 0;
    qint32 length = 0;
    qint32 rowCount = 0; // header row not counted
    qint32 columnCount = 0;
    std::array<qint32, maxColumnIndex + 1> columnWidth{}; // twips
    qint32 listIndex = -1;                                // entry in the table viewer's list, -1 while not listed
    // Where the table's bytes are kept: an index into JobCatalogue::tableAreas
    // (-1 when they were not read) and the offset of start within that area.
    qint32 area = -1;
    qint64 areaOffset = 0;
};

struct JobCatalogue {
    QString loadedName;      // upper case, file name without directory and extension
    QString variantName;     // VARIANTE of "_JOBS"
    QString descriptionPath; // the file given to the locator
    QStringList baseNames;   // base descriptions named by USES, as the runtime returned them

    // The job list: lower-case job names and the "---- uses: " separators.
    QStringList jobList;
    // Parallel to jobList (one spare entry at the end).
    QStringList jobInfo;
    QStringList argSummary;
    QStringList resultNames;
    qint32 lastFilledJob = -1;

    QList<TableDescription> tables;
    // The scrambled bytes of each file's table area, read in one piece by the
    // fill. A large description has thousands of tables and most are never
    // shown, so a table's text (cells followed by TAB, rows ended by CR) is
    // built from these bytes when tableTextAt asks for it; keeping the bytes
    // makes that text the one of the file as it was loaded.
    QList<QByteArray> tableAreas;

    // Control characters found in tables: the pending mark of the report,
    // whether the details file was written, and where.
    bool tableErrorFlag = false;
    QString tableErrorText;
    bool tableErrorFileWritten = false;
    QString tableErrorFilePath;

    // The description has its own table SG_FUNKTIONEN.
    bool isUdsSgbd = false;

    // Empties the per-job arrays and the tables (the job list stays).
    void clearTexts();
    // Sizes the per-job arrays to jobCount + 1 empty entries.
    void resetJobTexts(int jobCount);

    // Safe readers: an index outside the arrays gives an empty text.
    QString jobInfoAt(int job) const { return job >= 0 && job < jobInfo.size() ? jobInfo.at(job) : QString(); }
    QString argSummaryAt(int job) const { return job >= 0 && job < argSummary.size() ? argSummary.at(job) : QString(); }
    QString resultNamesAt(int job) const
    {
        return job >= 0 && job < resultNames.size() ? resultNames.at(job) : QString();
    }
    QString tableTextAt(int index) const;
    // A table's scrambled bytes (empty when they were not read).
    QByteArrayView tableBytes(int index) const;
    // The result names of a job as a list (one per CR LF-terminated line).
    QStringList resultNameList(int job) const;

    // Own-table test: the first table of the loaded description itself (not of
    // a base) whose name equals name ignoring case; -1 when there is none.
    int ownTableIndex(const QString &name) const;

    // Whether a job list entry is a base-description separator.
    static bool isSeparator(const QString &entry);
    static QString separatorFor(const QString &baseName);
};

} // namespace kitbox
