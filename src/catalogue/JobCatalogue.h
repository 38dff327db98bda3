#pragma once
// The loaded description as the rest of the program sees it: names, the job
// list, per-job information texts, argument summaries and result names, and
// one record per table with its cell text. One instance per process; a new
// load replaces everything.
#include <QByteArray>
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
    // Cells followed by TAB, rows ended by CR, as UTF-8: a large description's
    // tables are read once and most are never shown, so they stay bytes until
    // tableTextAt asks for one.
    QList<QByteArray> tableText;

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
    QString tableTextAt(int index) const
    {
        return index >= 0 && index < tableText.size() ? QString::fromUtf8(tableText.at(index)) : QString();
    }
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
