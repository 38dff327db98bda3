#pragma once
// Fills the catalogue from the description file and its base files: the
// tables (with their texts and column widths) and the per-job information
// texts, argument summaries and result names. Each located range is read
// from the file in one piece.
#include "catalogue/CatalogueHost.h"
#include "catalogue/JobCatalogue.h"

#include <functional>

class TextCatalogue;

namespace kitbox {

class SifterApi;
class VedamisApi;

struct CatalogueOptions {
    bool jobInfo = true;    // JOB_INFO
    bool argInfo = true;    // ARG_INFO
    bool resultInfo = true; // RES_INFO
    bool tableInfo = true;  // TAB_INFO
    int screenWidthTwips = 1920 * 15;
    QString tableErrorFilePath;  // the ERR file beside the settings file
    bool udsCheckActive = false; // a list check runs: no message boxes
};

class CatalogueFill {
public:
    CatalogueFill(VedamisApi &api, SifterApi &sifter, const TextCatalogue &texts, CatalogueHost &host)
        : m_api(api), m_sifter(sifter), m_texts(texts), m_host(host)
    {
    }

    // catalogue.descriptionPath is file 0; ecuPath is where the base files lie.
    // With reset the per-job arrays are sized to jobCount + 1 and the tables
    // emptied first; without it only what is still empty is filled.
    void run(JobCatalogue &catalogue, const QString &ecuPath, int jobCount, bool reset,
             const CatalogueOptions &options);

private:
    struct FileInfo {
        QString path;
        QString baseName; // lower case; empty for file 0
        qint16 status = 0;
        qint32 infoOffset = 0;
        qint32 infoLength = 0;
        qint32 tableAreaEnd = 0;
        qint32 tableCount = 0;
    };
    struct TablePlan;
    // Locates every table and sets aside room for its bytes.
    void planTables(JobCatalogue &catalogue, const QList<FileInfo> &files, qint64 totalTables,
                    const CatalogueOptions &options, TablePlan &plan);
    // A task begun on another thread before the tables were planned, that
    // takes a share of them once it is done with its own work.
    struct EarlyTask;
    // Reads and measures the planned tables, and runs other (when set) beside
    // them; early (when set) is handed the work and joined.
    static void runTables(JobCatalogue &catalogue, TablePlan &plan, const std::function<void()> &other,
                          EarlyTask *early);
    // Files that changed while read, and the table-error report.
    static void finishTables(JobCatalogue &catalogue, TablePlan &plan, const CatalogueOptions &options);
    // Returns the number of lines with an unknown key.
    static int readInfoTexts(JobCatalogue &catalogue, const QList<FileInfo> &files, const QString &noInfoText);

    VedamisApi &m_api;
    SifterApi &m_sifter;
    const TextCatalogue &m_texts;
    CatalogueHost &m_host;
};

} // namespace kitbox
