#include "catalogue/InfoBlockParser.h"

#include "catalogue/TextDecoding.h"

#include <cstring>

namespace kitbox {

namespace {

constexpr char kMask = 0x6B;

const QString kNameLabel = QStringLiteral("name      : ");
const QString kCommentLabel = QStringLiteral("  comment : ");
const QString kCommentContinuation = QStringLiteral("            ");
const QString kArgumentLabel = QStringLiteral("argument  : ");
const QString kResultLabel = QStringLiteral("result    : ");
const QString kTypeLabel = QStringLiteral("  type    : ");
const QString kUsesLabel = QStringLiteral("---- uses : ");
const QString kUnknownLabel = QStringLiteral("! ! ! ");

enum class Key { Ignored, JobName, Comment, Arg, Result, Type, Unknown };

Key classify(QByteArrayView key)
{
    if (key == "JOBNAME:")
        return Key::JobName;
    if (key == "JOBCOMMENT:" || key == "ARGCOMMENT:" || key == "RESULTCOMMENT:")
        return Key::Comment;
    if (key == "ARG:")
        return Key::Arg;
    if (key == "RESULT:")
        return Key::Result;
    if (key == "ARGTYPE:" || key == "RESULTTYPE:")
        return Key::Type;
    if (key == "ECU:" || key == "ORIGIN:" || key == "REVISION:" || key == "AUTHOR:" || key == "USES:" ||
        key == "ECUCOMMENT:")
        return Key::Ignored;
    return Key::Unknown;
}

} // namespace

InfoBlockParser::InfoBlockParser(JobCatalogue &catalogue, std::function<void()> beep)
    : m_catalogue(catalogue), m_beep(std::move(beep))
{
}

void InfoBlockParser::addArgument(QString &summary, int count, const QString &name)
{
    if (count <= 1)
        summary = QStringLiteral("Argumente: 00 ") + kCrLf;
    else
        summary += QStringLiteral("; ");
    // The count sits right-aligned in characters 12 and 13; beyond 99 only its
    // last two digits fit.
    const QString digits = QString::number(count).rightJustified(2, QLatin1Char(' ')).right(2);
    summary.replace(11, 2, digits);
    summary += name.toLower();
}

void InfoBlockParser::parseDescription(QByteArrayView scrambled)
{
    m_job = -1;
    parse(scrambled, Mode::Description);
}

void InfoBlockParser::parseBase(QByteArrayView scrambled, const QString &baseName)
{
    m_baseName = baseName.toUpper();
    m_job = m_catalogue.lastFilledJob + 1;
    m_atSeparator = true;
    parse(scrambled, Mode::Base);
}

void InfoBlockParser::parse(QByteArrayView scrambled, Mode mode)
{
    m_mode = mode;
    m_comment = false;
    m_argumentCount = 0;
    m_skipping = false;
    // Lines end in LF, which is 'a' once scrambled: the block is searched
    // scrambled and only one line at a time is unscrambled.
    const char lineEnd = char('\n' ^ kMask);
    QByteArray line;
    const char *p = scrambled.data();
    const char *const end = p + scrambled.size();
    while (p < end) {
        const void *hit = std::memchr(p, lineEnd, size_t(end - p));
        const char *stop = hit != nullptr ? static_cast<const char *>(hit) : end;
        line.resize(stop - p);
        char *out = line.data();
        for (const char *q = p; q < stop; ++q)
            *out++ = char(*q ^ kMask);
        // A last line without its LF is still taken: a cut-off block keeps
        // what it holds.
        if (hit != nullptr || !line.isEmpty())
            handleLine(line);
        if (hit == nullptr)
            break;
        p = stop + 1;
    }
    m_catalogue.lastFilledJob = m_job;
}

void InfoBlockParser::append(int job, const QString &text)
{
    if (!valid(job))
        return;
    QString &info = m_catalogue.jobInfo[job];
    // A job's text is a dozen lines or so: room for them at once saves the
    // string being moved as it grows line by line.
    if (info.isEmpty())
        info.reserve(qMax<qsizetype>(text.size(), 384));
    info += text;
}

void InfoBlockParser::handleLine(QByteArrayView line)
{
    const qsizetype colon = line.indexOf(':');
    const QByteArrayView key = colon >= 0 ? line.first(colon + 1) : QByteArrayView();
    const QByteArrayView rawValue = colon >= 0 ? line.sliced(colon + 1) : line;
    const Key kind = classify(key);
    if (kind == Key::Ignored)
        return;
    const QString value = decodeText(rawValue);
    const QString &crlf = kCrLf;

    if (kind == Key::Unknown) {
        if (m_beep)
            m_beep();
        append(0, kUnknownLabel + decodeText(key) + value + crlf);
        return;
    }

    if (kind == Key::JobName) {
        if (m_mode == Mode::Description) {
            ++m_job;
            append(m_job, kNameLabel + value + crlf);
        } else {
            const int next = m_job + 1;
            if (next < m_catalogue.jobList.size() && m_catalogue.jobList.at(next).toUpper() == value.toUpper()) {
                m_job = next;
                m_atSeparator = false;
                m_skipping = false;
                append(m_job, kUsesLabel + m_baseName + crlf + kNameLabel + value + crlf);
            } else if (!m_atSeparator) {
                // The loaded description redefines this job: its lines must not
                // end up in the text of the job before it.
                m_skipping = true;
            }
        }
        m_comment = false;
        m_argumentCount = 0;
        return;
    }

    if (m_skipping)
        return;
    if (m_mode == Mode::Base && m_atSeparator) {
        if (kind == Key::Comment)
            append(m_job, crlf);
        return;
    }
    if (!valid(m_job))
        return;

    switch (kind) {
    case Key::Comment:
        append(m_job, (m_comment ? kCommentContinuation : kCommentLabel) + value + crlf);
        m_comment = true;
        break;
    case Key::Arg:
        append(m_job, crlf + kArgumentLabel + value + crlf);
        m_comment = false;
        ++m_argumentCount;
        addArgument(m_catalogue.argSummary[m_job], m_argumentCount, value);
        break;
    case Key::Result:
        append(m_job, crlf + kResultLabel + value + crlf);
        m_comment = false;
        m_catalogue.resultNames[m_job] += value.toLower() + crlf;
        break;
    case Key::Type:
        append(m_job, kTypeLabel + (value == QLatin1String("binary") ? QStringLiteral("data") : value) + crlf);
        break;
    default:
        break;
    }
}

} // namespace kitbox
