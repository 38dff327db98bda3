#pragma once
// A runtime that tests script: chosen answers, error codes and configuration
// values, and a record of every call in the order it came.
#include "runtime/VedamisApi.h"

#include <QHash>
#include <QList>
#include <QMap>
#include <QStringList>

namespace kitbox {

struct FakeResult {
    QString name;
    ResultType type = ResultType::Text;
    QString text;                     // answer of apiResultText for any format not listed below
    QMap<QString, QString> formatted; // answers of apiResultText by format text
    qint16 intValue = 0;              // answer of apiResultInt
    QByteArray binary;                // answer of apiResultBinary(Ext)
};

using FakeResultSet = QList<FakeResult>;

struct FakeError {
    qint16 code = 0;
    QString text;
};

class FakeVedamisApi : public VedamisApi {
public:
    // --- scripting -------------------------------------------------------
    void refuseInit(qint16 code, const QString &text) { m_initError = {code, text}; }
    void refuseInitExt(qint16 code, const QString &text) { m_initExtError = {code, text}; }
    void refuseEnableServer(qint16 code, const QString &text) { m_enableServerError = {code, text}; }

    // The sets a job answers with; set 0 holds the job-wide results.
    void setJobResults(const QString &description, const QString &job, const QList<FakeResultSet> &sets);
    // A job that fails: apiErrorCode/apiErrorText report this after it ran.
    void setJobError(const QString &description, const QString &job, qint16 code, const QString &text);

    void setConfig(const QString &name, const QString &value);
    void removeConfig(const QString &name);
    // apiSetConfig of this name fails with the given error.
    void refuseSetConfig(const QString &name, qint16 code, const QString &text);

    // --- what happened ---------------------------------------------------
    // Every call as "name(arg,arg,...)", for example "apiInitExt(a,b,,)".
    const QStringList &calls() const { return m_calls; }
    int callCount(const QString &name) const;
    bool sessionOpen() const { return m_open; }
    QString configValue(const QString &name) const;
    const QByteArray &lastJobData() const { return m_lastJobData; }
    void clearCalls() { m_calls.clear(); }

    // --- VedamisApi ------------------------------------------------------
    bool apiInit() override;
    bool apiInitExt(const QString &interfaceName, const QString &unit, const QString &application,
                    const QString &settings) override;
    bool enableServer(qint32 flag) override;
    void apiJob(const QString &description, const QString &job, const QString &arguments,
                const QString &resultFilter) override;
    void apiJobData(const QString &description, const QString &job, const QByteArray &data,
                    const QString &resultFilter) override;
    bool apiResultSets(qint16 &sets) override;
    bool apiResultNumber(qint16 &results, qint16 set) override;
    bool apiResultName(QString &name, qint16 index, qint16 set) override;
    bool apiResultFormat(qint16 &type, const QString &name, qint16 set) override;
    bool apiResultText(QString &text, const QString &name, qint16 set, const QString &format) override;
    bool apiResultInt(qint16 &value, const QString &name, qint16 set) override;
    bool apiResultBinary(QByteArray &data, const QString &name, qint16 set) override;
    bool apiResultBinaryExt(QByteArray &data, const QString &name, qint16 set) override;
    qint16 apiErrorCode() override;
    QString apiErrorText() override;
    void apiBreak() override;
    void apiEnd() override;
    bool apiGetConfig(const QString &name, QString &value) override;
    bool apiSetConfig(const QString &name, const QString &value) override;

    // Error codes the fake reports for misuse, in the runtime's own range.
    static constexpr qint16 errorNoSession = 1;
    static constexpr qint16 errorNoResult = 2;
    static constexpr qint16 errorUnknownConfig = 3;

private:
    void record(const QString &call, const QStringList &arguments = {});
    void fail(qint16 code, const QString &text);
    void succeed() { m_error = {}; }
    static QString key(const QString &description, const QString &job);
    const FakeResult *findResult(const QString &name, qint16 set);
    void runJob(const QString &description, const QString &job);

    QStringList m_calls;
    bool m_open = false;
    FakeError m_error;
    FakeError m_initError;
    FakeError m_initExtError;
    FakeError m_enableServerError;
    QHash<QString, QList<FakeResultSet>> m_jobResults;
    QHash<QString, FakeError> m_jobErrors;
    QList<FakeResultSet> m_current;
    QMap<QString, QString> m_config;          // upper-cased name -> value
    QMap<QString, FakeError> m_refusedConfig; // upper-cased name -> error
    QByteArray m_lastJobData;
};

} // namespace kitbox
