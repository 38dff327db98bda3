#pragma once
// The runtime fake with the faults a report must survive: reads that fail at
// a chosen place, with or without leaving an error code behind, and an error
// code that stays set after later successful reads, as real runtimes do.
#include <QHash>
#include <optional>

#include "runtime/FakeVedamisApi.h"

#include <ostream>

// Readable QString values in failure messages.
inline void PrintTo(const QString &text, std::ostream *os)
{
    *os << '"' << text.toStdString() << '"';
}

namespace kitbox::testing {

// Results for the fakes' scripts.
inline FakeResult txt(QStringView name, QStringView value, ResultType type = ResultType::Text)
{
    FakeResult r;
    r.name = name.toString();
    r.text = value.toString();
    r.type = type;
    return r;
}

// A text result that the runtime renders differently for one format.
inline FakeResult formatted(QStringView name, QStringView format, QStringView shown, ResultType type = ResultType::Text)
{
    FakeResult r = txt(name, shown.trimmed(), type);
    r.formatted.insert(format.toString(), shown.toString());
    return r;
}

inline FakeResult num(QStringView name, qint16 value)
{
    FakeResult r = txt(name, QString::number(value), ResultType::Integer);
    r.intValue = value;
    return r;
}

inline FakeResult bin(QStringView name, const QByteArray &bytes)
{
    FakeResult r = txt(name, {}, ResultType::Binary);
    r.binary = bytes;
    return r;
}

class ScriptedRuntime : public FakeVedamisApi {
public:
    enum class Read { Name, Format, Text, Number, Extended };
    // Makes a read of set fail; what is the result's index (Name), its name
    // (Format, Extended) or "name|format" (Text). Code 0 makes the read fail
    // without an error code (a skip, nothing else).
    void fail(Read read, qint16 set, const QString &what, qint16 code, const QString &text = QStringLiteral("failed"))
    {
        m_failures.insert(key(read, set, what), {code, text});
    }
    // Error 136 of a too long binary stays the runtime's error code after the
    // extended read succeeded.
    void keepBinaryErrorAfterExtendedRead() { m_keepBinaryError = true; }

    void apiJob(const QString &d, const QString &j, const QString &a, const QString &r) override
    {
        m_sticky.reset();
        FakeVedamisApi::apiJob(d, j, a, r);
        keepJobError();
    }
    void apiJobData(const QString &d, const QString &j, const QByteArray &data, const QString &r) override
    {
        m_sticky.reset();
        FakeVedamisApi::apiJobData(d, j, data, r);
        keepJobError();
    }
    bool apiResultNumber(qint16 &results, qint16 set) override
    {
        results = 0;
        return !failed(Read::Number, set, {}) && FakeVedamisApi::apiResultNumber(results, set);
    }
    bool apiResultName(QString &name, qint16 index, qint16 set) override
    {
        name.clear();
        return !failed(Read::Name, set, QString::number(index)) && FakeVedamisApi::apiResultName(name, index, set);
    }
    bool apiResultFormat(qint16 &type, const QString &name, qint16 set) override
    {
        return !failed(Read::Format, set, name) && FakeVedamisApi::apiResultFormat(type, name, set);
    }
    bool apiResultText(QString &text, const QString &name, qint16 set, const QString &format) override
    {
        text.clear();
        return !failed(Read::Text, set, name + u'|' + format) && FakeVedamisApi::apiResultText(text, name, set, format);
    }
    bool apiResultBinary(QByteArray &data, const QString &name, qint16 set) override
    {
        const bool ok = FakeVedamisApi::apiResultBinary(data, name, set);
        if (!ok && m_keepBinaryError && FakeVedamisApi::apiErrorCode() == errorBinaryTooLong)
            m_sticky = FakeError{errorBinaryTooLong, QStringLiteral("binary result too long")};
        return ok;
    }
    bool apiResultBinaryExt(QByteArray &data, const QString &name, qint16 set) override
    {
        data.clear();
        return !failed(Read::Extended, set, name) && FakeVedamisApi::apiResultBinaryExt(data, name, set);
    }
    qint16 apiErrorCode() override
    {
        const qint16 base = FakeVedamisApi::apiErrorCode();
        return m_sticky ? m_sticky->code : base;
    }
    QString apiErrorText() override
    {
        const QString base = FakeVedamisApi::apiErrorText();
        return m_sticky ? m_sticky->text : base;
    }

private:
    static QString key(Read read, qint16 set, const QString &what)
    {
        return QString::number(int(read)) + u'|' + QString::number(set) + u'|' + what.toUpper();
    }
    // A failing read leaves its error code behind, unless it is 0.
    bool failed(Read read, qint16 set, const QString &what)
    {
        const auto it = m_failures.constFind(key(read, set, what));
        if (it == m_failures.constEnd())
            return false;
        if (it->code != 0)
            m_sticky = *it;
        return true;
    }
    // A failed job's error stays what the runtime reports until the next job.
    void keepJobError()
    {
        const qint16 code = FakeVedamisApi::apiErrorCode();
        if (code != 0)
            m_sticky = FakeError{code, FakeVedamisApi::apiErrorText()};
    }

    QHash<QString, FakeError> m_failures;
    bool m_keepBinaryError = false;
    std::optional<FakeError> m_sticky;
};

} // namespace kitbox::testing
