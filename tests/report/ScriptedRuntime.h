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

class ScriptedRuntime : public FakeVedamisApi {
public:
    // Code 0 makes the read fail without an error code (a skip, nothing else).
    void failName(qint16 set, qint16 index, qint16 code, const QString &text = QStringLiteral("name read failed"))
    {
        m_failures.insert(key(u"name", set, QString::number(index)), {code, text});
    }
    void failFormat(qint16 set, const QString &name, qint16 code,
                    const QString &text = QStringLiteral("format read failed"))
    {
        m_failures.insert(key(u"format", set, name), {code, text});
    }
    void failText(qint16 set, const QString &name, const QString &format, qint16 code,
                  const QString &text = QStringLiteral("text read failed"))
    {
        m_failures.insert(key(u"text", set, name + u'|' + format), {code, text});
    }
    void failResultNumber(qint16 set, qint16 code, const QString &text)
    {
        m_failures.insert(key(u"number", set, {}), {code, text});
    }
    void failExtendedRead(const QString &name)
    {
        m_failures.insert(key(u"ext", 0, name), {errorBinaryTooLong, QStringLiteral("binary result too long")});
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
        if (failed(key(u"number", set, {}))) {
            results = 0;
            return false;
        }
        return FakeVedamisApi::apiResultNumber(results, set);
    }
    bool apiResultName(QString &name, qint16 index, qint16 set) override
    {
        if (failed(key(u"name", set, QString::number(index)))) {
            name.clear();
            return false;
        }
        return FakeVedamisApi::apiResultName(name, index, set);
    }
    bool apiResultFormat(qint16 &type, const QString &name, qint16 set) override
    {
        return !failed(key(u"format", set, name)) && FakeVedamisApi::apiResultFormat(type, name, set);
    }
    bool apiResultText(QString &text, const QString &name, qint16 set, const QString &format) override
    {
        if (failed(key(u"text", set, name + u'|' + format))) {
            text.clear();
            return false;
        }
        return FakeVedamisApi::apiResultText(text, name, set, format);
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
        if (failed(key(u"ext", 0, name))) {
            data.clear();
            return false;
        }
        return FakeVedamisApi::apiResultBinaryExt(data, name, set);
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
    static QString key(QStringView read, qint16 set, const QString &what)
    {
        return read + u'|' + QString::number(set) + u'|' + what.toUpper();
    }
    // A failing read leaves its error code behind, unless it is 0.
    bool failed(const QString &key)
    {
        const auto it = m_failures.constFind(key);
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
