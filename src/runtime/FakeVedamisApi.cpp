#include "runtime/FakeVedamisApi.h"

namespace kitbox {

void FakeVedamisApi::setJobResults(const QString &description, const QString &job, const QList<FakeResultSet> &sets)
{
    m_jobResults.insert(key(description, job), sets);
}

void FakeVedamisApi::setJobError(const QString &description, const QString &job, qint16 code, const QString &text)
{
    m_jobErrors.insert(key(description, job), {code, text});
}

void FakeVedamisApi::setConfig(const QString &name, const QString &value)
{
    m_config.insert(name.trimmed().toUpper(), value);
}

void FakeVedamisApi::removeConfig(const QString &name)
{
    m_config.remove(name.trimmed().toUpper());
}

void FakeVedamisApi::refuseSetConfig(const QString &name, qint16 code, const QString &text)
{
    m_refusedConfig.insert(name.trimmed().toUpper(), {code, text});
}

int FakeVedamisApi::callCount(const QString &name) const
{
    int n = 0;
    const QString prefix = name + QLatin1Char('(');
    for (const QString &c : m_calls) {
        if (c.startsWith(prefix))
            ++n;
    }
    return n;
}

QString FakeVedamisApi::configValue(const QString &name) const
{
    return m_config.value(name.trimmed().toUpper());
}

void FakeVedamisApi::record(const QString &call, const QStringList &arguments)
{
    m_calls.append(call + QLatin1Char('(') + arguments.join(QLatin1Char(',')) + QLatin1Char(')'));
}

void FakeVedamisApi::fail(qint16 code, const QString &text)
{
    m_error = {code, text};
}

QString FakeVedamisApi::key(const QString &description, const QString &job)
{
    // The runtime matches description and job names without regard to case.
    return description.toUpper() + QLatin1Char('\n') + job.toUpper();
}

bool FakeVedamisApi::apiInit()
{
    record(QStringLiteral("apiInit"));
    if (m_initError.code != 0) {
        fail(m_initError.code, m_initError.text);
        return false;
    }
    succeed();
    m_open = true;
    return true;
}

bool FakeVedamisApi::apiInitExt(const QString &interfaceName, const QString &unit, const QString &application,
                                const QString &settings)
{
    record(QStringLiteral("apiInitExt"), {interfaceName, unit, application, settings});
    if (m_initExtError.code != 0) {
        fail(m_initExtError.code, m_initExtError.text);
        return false;
    }
    succeed();
    m_open = true;
    return true;
}

bool FakeVedamisApi::enableServer(qint32 flag)
{
    record(QStringLiteral("enableServer"), {QString::number(flag)});
    if (m_enableServerError.code != 0) {
        fail(m_enableServerError.code, m_enableServerError.text);
        return false;
    }
    succeed();
    return true;
}

void FakeVedamisApi::runJob(const QString &description, const QString &job)
{
    m_current.clear();
    if (!m_open) {
        fail(errorNoSession, QStringLiteral("no session"));
        return;
    }
    const QString k = key(description, job);
    auto err = m_jobErrors.constFind(k);
    if (err != m_jobErrors.constEnd()) {
        fail(err->code, err->text);
        return;
    }
    succeed();
    m_current = m_jobResults.value(k);
}

void FakeVedamisApi::apiJob(const QString &description, const QString &job, const QString &arguments,
                            const QString &resultFilter)
{
    record(QStringLiteral("apiJob"), {description, job, arguments, resultFilter});
    runJob(description, job);
}

void FakeVedamisApi::apiJobData(const QString &description, const QString &job, const QByteArray &data,
                                const QString &resultFilter)
{
    record(QStringLiteral("apiJobData"),
           {description, job, QString::fromLatin1(data.toHex(' ')), QString::number(data.size()), resultFilter});
    m_lastJobData = data;
    runJob(description, job);
}

bool FakeVedamisApi::apiResultSets(qint16 &sets)
{
    record(QStringLiteral("apiResultSets"));
    if (m_current.isEmpty()) {
        sets = 0;
        fail(errorNoResult, QStringLiteral("no results"));
        return false;
    }
    succeed();
    sets = static_cast<qint16>(m_current.size() - 1);
    return true;
}

bool FakeVedamisApi::apiResultNumber(qint16 &results, qint16 set)
{
    record(QStringLiteral("apiResultNumber"), {QString::number(set)});
    if (set < 0 || set >= m_current.size()) {
        results = 0;
        fail(errorNoResult, QStringLiteral("no such result set"));
        return false;
    }
    succeed();
    results = static_cast<qint16>(m_current.at(set).size());
    return true;
}

bool FakeVedamisApi::apiResultName(QString &name, qint16 index, qint16 set)
{
    record(QStringLiteral("apiResultName"), {QString::number(index), QString::number(set)});
    if (set < 0 || set >= m_current.size() || index < 1 || index > m_current.at(set).size()) {
        name.clear();
        fail(errorNoResult, QStringLiteral("no such result"));
        return false;
    }
    succeed();
    name = m_current.at(set).at(index - 1).name;
    return true;
}

const FakeResult *FakeVedamisApi::findResult(const QString &name, qint16 set)
{
    if (set >= 0 && set < m_current.size()) {
        for (const FakeResult &r : m_current.at(set)) {
            if (r.name.compare(name, Qt::CaseInsensitive) == 0) {
                succeed();
                return &r;
            }
        }
    }
    fail(errorNoResult, QStringLiteral("no such result: ") + name);
    return nullptr;
}

bool FakeVedamisApi::apiResultFormat(qint16 &type, const QString &name, qint16 set)
{
    record(QStringLiteral("apiResultFormat"), {name, QString::number(set)});
    const FakeResult *r = findResult(name, set);
    type = r ? static_cast<qint16>(r->type) : qint16(0);
    return r != nullptr;
}

bool FakeVedamisApi::apiResultText(QString &text, const QString &name, qint16 set, const QString &format)
{
    record(QStringLiteral("apiResultText"), {name, QString::number(set), format});
    const FakeResult *r = findResult(name, set);
    if (r == nullptr) {
        text.clear();
        return false;
    }
    text = r->formatted.value(format, r->text);
    return true;
}

bool FakeVedamisApi::apiResultInt(qint16 &value, const QString &name, qint16 set)
{
    record(QStringLiteral("apiResultInt"), {name, QString::number(set)});
    const FakeResult *r = findResult(name, set);
    value = r ? r->intValue : qint16(0);
    return r != nullptr;
}

bool FakeVedamisApi::apiResultBinary(QByteArray &data, const QString &name, qint16 set)
{
    record(QStringLiteral("apiResultBinary"), {name, QString::number(set)});
    const FakeResult *r = findResult(name, set);
    data.clear();
    if (r == nullptr)
        return false;
    if (r->binary.size() > binaryBufferSize - 1) {
        fail(errorBinaryTooLong, QStringLiteral("binary result too long"));
        return false;
    }
    data = r->binary;
    return true;
}

bool FakeVedamisApi::apiResultBinaryExt(QByteArray &data, const QString &name, qint16 set)
{
    record(QStringLiteral("apiResultBinaryExt"), {name, QString::number(set)});
    const FakeResult *r = findResult(name, set);
    data = r ? r->binary.left(binaryExtMaximum) : QByteArray();
    return r != nullptr;
}

qint16 FakeVedamisApi::apiErrorCode()
{
    record(QStringLiteral("apiErrorCode"));
    return m_error.code;
}

QString FakeVedamisApi::apiErrorText()
{
    record(QStringLiteral("apiErrorText"));
    return m_error.text;
}

void FakeVedamisApi::apiBreak()
{
    record(QStringLiteral("apiBreak"));
}

void FakeVedamisApi::apiEnd()
{
    record(QStringLiteral("apiEnd"));
    m_open = false;
}

bool FakeVedamisApi::apiGetConfig(const QString &name, QString &value)
{
    record(QStringLiteral("apiGetConfig"), {name});
    auto it = m_config.constFind(name.trimmed().toUpper());
    if (it == m_config.constEnd()) {
        value.clear();
        fail(errorUnknownConfig, QStringLiteral("unknown configuration: ") + name);
        return false;
    }
    succeed();
    value = *it;
    return true;
}

bool FakeVedamisApi::apiSetConfig(const QString &name, const QString &value)
{
    record(QStringLiteral("apiSetConfig"), {name, value});
    const QString k = name.trimmed().toUpper();
    auto refused = m_refusedConfig.constFind(k);
    if (refused != m_refusedConfig.constEnd()) {
        fail(refused->code, refused->text);
        return false;
    }
    succeed();
    m_config.insert(k, value);
    return true;
}

} // namespace kitbox
