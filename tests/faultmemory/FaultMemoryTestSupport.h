#pragma once
// Building blocks of the fault-memory tests: a runtime whose detail jobs
// answer per argument, and a report fixture with a fixed clock.
#include <gtest/gtest.h>

#include <QFile>
#include <QHash>

#include "ScriptedRuntime.h"
#include "execution/FehlerspeicherAusgabe.h"
#include "shell/FakeClock.h"
#include "shell/TextCatalogue.h"

namespace kitbox::testing {

inline QString pad(QStringView text, qsizetype width)
{
    return text.toString().leftJustified(width, u' ');
}

inline QString rule(char16_t c, qsizetype n = 61)
{
    return QString(n, QChar(c));
}

// An expected report from tests/data/faultmemory, byte for byte (CR LF kept).
inline QString golden(const char *name)
{
    QFile file(QStringLiteral(KITBOX_SOURCE_DIR "/tests/data/faultmemory/") + QString::fromUtf8(name));
    if (!file.open(QIODevice::ReadOnly))
        return QStringLiteral("<missing golden file %1>").arg(file.fileName());
    return QString::fromUtf8(file.readAll());
}

// The fake answers a job the same way whatever its arguments; detail jobs
// here answer by argument, and an argument without an answer gives a job
// whose result sets cannot be read.
class DetailRuntime : public FakeVedamisApi {
public:
    void setDetail(const QString &job, const QString &argument, const QList<FakeResultSet> &sets)
    {
        m_detail.insert(job + u'|' + argument, sets);
    }
    void apiJob(const QString &d, const QString &j, const QString &a, const QString &r) override
    {
        if (j.endsWith(u"_detail"))
            setJobResults(d, j, m_detail.value(j + u'|' + a));
        FakeVedamisApi::apiJob(d, j, a, r);
        m_jobError = {FakeVedamisApi::apiErrorCode(), FakeVedamisApi::apiErrorText()};
    }
    // A job that failed keeps its error through the reads that follow, as a
    // real runtime does.
    qint16 apiErrorCode() override
    {
        const qint16 code = FakeVedamisApi::apiErrorCode();
        return code != 0 && m_jobError.code != 0 ? m_jobError.code : code;
    }
    QString apiErrorText() override
    {
        const QString text = FakeVedamisApi::apiErrorText();
        return m_jobError.code != 0 ? m_jobError.text : text;
    }
    // Arguments of every start of this job, in order.
    QStringList argumentsOf(const QString &job) const
    {
        QStringList out;
        const QString prefix = QStringLiteral("apiJob(");
        for (const QString &c : calls()) {
            if (!c.startsWith(prefix))
                continue;
            const QStringList parts = c.mid(prefix.size()).chopped(1).split(u',');
            if (parts.size() >= 3 && parts.at(1) == job)
                out << parts.at(2);
        }
        return out;
    }

private:
    QHash<QString, QList<FakeResultSet>> m_detail;
    FakeError m_jobError;
};

class FaultMemoryFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(texts.loadBuiltIn().ok());
        texts.selectLanguage(QStringLiteral("D"));
        ASSERT_TRUE(runtime.apiInit());
    }
    QString build(const QString &sgbd, const QString &job, int mode) { return report.build(sgbd, job, mode); }

    DetailRuntime runtime;
    TextCatalogue texts;
    FakeClock clock{QDateTime(QDate(2026, 3, 7), QTime(9, 5, 3))};
    FehlerspeicherAusgabe report{runtime, texts, clock};
};

} // namespace kitbox::testing
