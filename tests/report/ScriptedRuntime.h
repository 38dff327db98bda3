#pragma once
// The runtime fake with the faults a report must survive: reads that fail at
// a chosen place, with or without leaving an error code behind, and an error
// code that stays set after later successful reads, as real runtimes do.
#include <QHash>
#include <QSet>
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
        m_nameFailures.insert(key(set, QString::number(index)), {code, text});
    }
    void failFormat(qint16 set, const QString &name, qint16 code,
                    const QString &text = QStringLiteral("format read failed"))
    {
        m_formatFailures.insert(key(set, name), {code, text});
    }
    void failText(qint16 set, const QString &name, const QString &format, qint16 code,
                  const QString &text = QStringLiteral("text read failed"))
    {
        m_textFailures.insert(key(set, name) + u'|' + format, {code, text});
    }
    void failResultNumber(qint16 set, qint16 code, const QString &text) { m_numberFailures.insert(set, {code, text}); }
    void failExtendedRead(const QString &name) { m_extFailures.insert(name.toUpper()); }
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
        if (auto it = m_numberFailures.constFind(set); it != m_numberFailures.constEnd()) {
            results = 0;
            stick(*it);
            return false;
        }
        return FakeVedamisApi::apiResultNumber(results, set);
    }
    bool apiResultName(QString &name, qint16 index, qint16 set) override
    {
        if (auto it = m_nameFailures.constFind(key(set, QString::number(index))); it != m_nameFailures.constEnd()) {
            name.clear();
            stick(*it);
            return false;
        }
        return FakeVedamisApi::apiResultName(name, index, set);
    }
    bool apiResultFormat(qint16 &type, const QString &name, qint16 set) override
    {
        if (auto it = m_formatFailures.constFind(key(set, name)); it != m_formatFailures.constEnd()) {
            stick(*it);
            return false;
        }
        return FakeVedamisApi::apiResultFormat(type, name, set);
    }
    bool apiResultText(QString &text, const QString &name, qint16 set, const QString &format) override
    {
        if (auto it = m_textFailures.constFind(key(set, name) + u'|' + format); it != m_textFailures.constEnd()) {
            text.clear();
            stick(*it);
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
        if (m_extFailures.contains(name.toUpper())) {
            data.clear();
            stick({errorBinaryTooLong, QStringLiteral("binary result too long")});
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
    static QString key(qint16 set, const QString &what) { return QString::number(set) + u'|' + what.toUpper(); }
    // A failed job's error stays what the runtime reports until the next job.
    void keepJobError()
    {
        const qint16 code = FakeVedamisApi::apiErrorCode();
        if (code != 0)
            m_sticky = FakeError{code, FakeVedamisApi::apiErrorText()};
    }
    void stick(const FakeError &error)
    {
        if (error.code != 0)
            m_sticky = error;
    }

    QHash<QString, FakeError> m_nameFailures;
    QHash<QString, FakeError> m_formatFailures;
    QHash<QString, FakeError> m_textFailures;
    QHash<qint16, FakeError> m_numberFailures;
    QSet<QString> m_extFailures;
    bool m_keepBinaryError = false;
    std::optional<FakeError> m_sticky;
};

} // namespace kitbox::testing
