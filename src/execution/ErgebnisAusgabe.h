#pragma once
// The result report: starts one job at the runtime, reads every result set and
// result, and lays them out as the fixed-pitch text the results window shows.
// The text is built in memory in one piece; the caller decides where it goes.
#include <QString>
#include <QStringList>

#include "execution/JobParameter.h"

namespace kitbox {

class VedamisApi;

// Which UDS helper results a report shows. The switches only matter for a
// description that has the table SG_FUNKTIONEN.
struct UdsFilterSettings {
    bool udsDescription = false;
    bool einh = true;
    bool info = true;
    bool text = true;
};

// True when a result of this name is shown; false when the UDS switches hide
// it (names ending in "_EINH", "_INFO" or "_TEXT", compared case-sensitively).
bool udsFilter(QStringView resultName, const UdsFilterSettings &settings);

struct ReportOptions {
    UdsFilterSettings uds;
    // Entries of the job window's result list when results are grouped in its
    // order; empty keeps the runtime's order. Names are matched lower-cased.
    QStringList order;
    // Start of the error line ("VEDAMIS Fehler").
    QString errorLabel = QStringLiteral("VEDAMIS Fehler");
    // Notice when results were hidden by the UDS switches.
    QString filterNotice;
};

class ErgebnisAusgabe {
public:
    explicit ErgebnisAusgabe(VedamisApi &api) : m_api(api) {}

    // Runs the job of the request and returns the report text (CR LF lines).
    QString build(const JobParameter &request, const ReportOptions &options);

    // Error code written on the report's error line, 0 when it has none.
    qint16 lastErrorCode() const { return m_errorCode; }
    // True when the last report left results out because of the UDS switches.
    bool lastReportFiltered() const { return m_filtered; }

    // The echo lines written before the job starts.
    static QString echoLines(const JobParameter &request);

    // The pieces of build() for logs that read the results in their own way
    // (the test run): starting the request's job, one result's lines and the
    // error code that counts.
    void startJob(const JobParameter &request);
    // Where the hex-and-character column of an integer result stands: the
    // report pads it on the right to 35, the test log right-aligns it in 22.
    enum class HexColumn { Left35, Right22 };
    // Reads the value of a result whose name and type are known and appends its lines.
    void appendResult(QString &line, const QString &name, qint16 type, qint16 set,
                      HexColumn column = HexColumn::Left35);
    // The runtime's error code, with 136 forgiven once the extended buffer was
    // used since the last startJob().
    qint16 effectiveErrorCode();

private:
    VedamisApi &m_api;
    bool m_extendedUsed = false;
    bool m_filtered = false;
    qint16 m_errorCode = 0;
};

} // namespace kitbox
