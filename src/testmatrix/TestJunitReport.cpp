#include "testmatrix/TestJunitReport.h"

namespace kitbox {

namespace {

// Text for attributes and element content. Control characters other than
// tab and line breaks cannot stand in XML 1.0 at all, not even escaped.
QString escaped(const QString &text)
{
    QString out;
    out.reserve(text.size());
    for (const QChar ch : text) {
        switch (ch.unicode()) {
        case u'&':
            out += u"&amp;";
            break;
        case u'<':
            out += u"&lt;";
            break;
        case u'>':
            out += u"&gt;";
            break;
        case u'"':
            out += u"&quot;";
            break;
        case u'\t':
        case u'\n':
        case u'\r':
            out += u"&#" + QString::number(ch.unicode()) + u';';
            break;
        default:
            out += ch.unicode() < 0x20 || ch.unicode() == 0xFFFE || ch.unicode() == 0xFFFF ? QChar(0xFFFD) : ch;
        }
    }
    return out;
}

QString seconds(qint64 ms)
{
    return QString::number(double(ms) / 1000.0, 'f', 3);
}

} // namespace

QString testJunitReport(const QString &suite, const QList<TestStepOutcome> &outcomes, bool aborted)
{
    qint64 total = 0;
    int failures = 0;
    QString cases;
    for (const TestStepOutcome &o : outcomes) {
        total += o.durationMs;
        const QString name =
            QStringLiteral("step %1 (%2): %3 %4").arg(o.step).arg(o.repetition).arg(o.description, o.job);
        cases += u"  <testcase classname=\"" + escaped(suite) + u"\" name=\"" + escaped(name) + u"\" time=\"" +
                 seconds(o.durationMs) + u'"';
        if (o.passed()) {
            cases += u"/>\n";
            continue;
        }
        ++failures;
        cases += u">\n    <failure message=\"" + escaped(o.failure) + u"\">" + escaped(o.failure) +
                 u"</failure>\n  </testcase>\n";
    }
    if (aborted)
        cases += u"  <testcase classname=\"" + escaped(suite) +
                 u"\" name=\"run\" time=\"0.000\">\n    <error message=\"stopped before the end\"/>\n  </testcase>\n";
    const qsizetype tests = outcomes.size() + (aborted ? 1 : 0);
    return u"<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<testsuite name=\"" + escaped(suite) + u"\" tests=\"" +
           QString::number(tests) + u"\" failures=\"" + QString::number(failures) + u"\" errors=\"" +
           QString::number(aborted ? 1 : 0) + u"\" time=\"" + seconds(total) + u"\">\n" + cases + u"</testsuite>\n";
}

} // namespace kitbox
