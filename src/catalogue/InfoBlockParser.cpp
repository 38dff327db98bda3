#include "catalogue/InfoBlockParser.h"

#include "catalogue/TextDecoding.h"

#include <cstring>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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

void InfoBlockParser::addArgument(QString &summary, int count, QStringView name)
{
    if (count <= 1) {
        summary.clear();
        summary.reserve(64);
        summary.append(QStringLiteral("Argumente: 00 "));
        summary.append(kCrLf);
    } else {
        summary += QStringLiteral("; ");
    }
    // The count sits right-aligned in characters 12 and 13; beyond 99 only its
    // last two digits fit.
    if (summary.size() >= 13) {
        summary[11] = count >= 10 ? QChar(u'0' + (count / 10) % 10) : QChar(u' ');
        summary[12] = QChar(u'0' + count % 10);
    }
    appendLowered(summary, name);
}

void InfoBlockParser::appendLowered(QString &to, QStringView text)
{
    bool ascii = true;
    for (const QChar c : text)
        ascii &= c.unicode() < 0x80;
    if (!ascii) {
        to += text.toString().toLower();
        return;
    }
    const qsizetype from = to.size();
    to += text;
    QChar *p = to.data() + from;
    for (QChar *const end = to.data() + to.size(); p != end; ++p)
        if (p->unicode() >= u'A' && p->unicode() <= u'Z')
            *p = QChar(p->unicode() + (u'a' - u'A'));
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
    // The block is unscrambled in one go, noting where its lines end; a
    // block that is ASCII throughout (the usual case) spares every line its
    // own check.
    const qsizetype size = scrambled.size();
    QByteArray plain(size, Qt::Uninitialized);
    std::vector<qsizetype> lineEnds;
    lineEnds.reserve(size_t(size / 24 + 16));
    {
        const auto *in = reinterpret_cast<const unsigned char *>(scrambled.data());
        auto *out = reinterpret_cast<unsigned char *>(plain.data());
        qsizetype k = 0;
        unsigned char any = 0;
#if defined(__SSE2__)
        __m128i anyBlock = _mm_setzero_si128();
        for (; size - k >= 16; k += 16) {
            const __m128i x =
                _mm_xor_si128(_mm_loadu_si128(reinterpret_cast<const __m128i *>(in + k)), _mm_set1_epi8(char(kMask)));
            _mm_storeu_si128(reinterpret_cast<__m128i *>(out + k), x);
            anyBlock = _mm_or_si128(anyBlock, x);
            for (quint32 ends = quint32(_mm_movemask_epi8(_mm_cmpeq_epi8(x, _mm_set1_epi8('\n')))); ends != 0;
                 ends &= ends - 1)
                lineEnds.push_back(k + qsizetype(qCountTrailingZeroBits(ends)));
        }
        if (_mm_movemask_epi8(anyBlock) != 0)
            any = 0x80;
#endif
        for (; k < size; ++k) {
            out[k] = static_cast<unsigned char>(in[k] ^ kMask);
            any |= out[k];
            if (out[k] == '\n')
                lineEnds.push_back(k);
        }
        m_ascii = any < 0x80;
    }
    const char *const text = plain.constData();
    qsizetype from = 0;
    for (const qsizetype end : lineEnds) {
        handleLine(QByteArrayView(text + from, end - from));
        from = end + 1;
    }
    // A last line without its LF is still taken: a cut-off block keeps what it holds.
    if (from < size)
        handleLine(QByteArrayView(text + from, size - from));
    m_ascii = false;
    flushText();
    m_catalogue.lastFilledJob = m_job;
}

Utf16Builder *InfoBlockParser::textOf(int job)
{
    if (!valid(job))
        return nullptr;
    if (job != m_textJob) {
        flushText();
        m_textJob = job;
    }
    return &m_text;
}

void InfoBlockParser::flushText()
{
    if (valid(m_textJob) && !m_text.isEmpty()) {
        QString &info = m_catalogue.jobInfo[m_textJob];
        const QStringView text = m_text.view();
        if (info.isEmpty())
            info = text.toString();
        else
            info.append(text);
    }
    m_text.clear();
    m_textJob = -1;
}

void InfoBlockParser::appendLine(int job, QStringView label, QByteArrayView raw)
{
    if (Utf16Builder *text = textOf(job)) {
        text->add(label);
        appendDecoded(*text, raw);
        text->add(kCrLf);
    }
}

bool InfoBlockParser::isAscii(QByteArrayView raw) const
{
    return m_ascii || kitbox::isAscii(raw);
}

void InfoBlockParser::appendDecoded(Utf16Builder &to, QByteArrayView raw) const
{
    // Almost every line is plain ASCII, which goes in without a decoded copy.
    if (isAscii(raw))
        to.addLatin1(raw);
    else
        to.add(decodeText(raw));
}

QStringView InfoBlockParser::decoded(QByteArrayView raw)
{
    m_scratch.resize(0); // keeps its room
    if (isAscii(raw))
        m_scratch.append(QLatin1StringView(raw));
    else
        m_scratch.append(decodeText(raw));
    return m_scratch;
}

void InfoBlockParser::handleLine(QByteArrayView line)
{
    // Keys are short: a plain loop finds the colon sooner than a library search.
    qsizetype colon = -1;
    for (qsizetype k = 0; k < line.size(); ++k) {
        if (line[k] == ':') {
            colon = k;
            break;
        }
    }
    const QByteArrayView key = colon >= 0 ? line.first(colon + 1) : QByteArrayView();
    const QByteArrayView raw = colon >= 0 ? line.sliced(colon + 1) : line;
    const Key kind = classify(key);
    if (kind == Key::Ignored)
        return;

    if (kind == Key::Unknown) {
        if (m_beep)
            m_beep();
        if (Utf16Builder *text = textOf(0)) {
            text->add(kUnknownLabel);
            appendDecoded(*text, key);
            appendDecoded(*text, raw);
            text->add(kCrLf);
        }
        return;
    }

    if (kind == Key::JobName) {
        if (m_mode == Mode::Description) {
            ++m_job;
            appendLine(m_job, kNameLabel, raw);
        } else {
            const int next = m_job + 1;
            const QString value = decodeText(raw);
            if (next < m_catalogue.jobList.size() && m_catalogue.jobList.at(next).toUpper() == value.toUpper()) {
                m_job = next;
                m_atSeparator = false;
                m_skipping = false;
                if (Utf16Builder *text = textOf(m_job)) {
                    text->add(kUsesLabel);
                    text->add(m_baseName);
                    text->add(kCrLf);
                    text->add(kNameLabel);
                    text->add(value);
                    text->add(kCrLf);
                }
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
            if (Utf16Builder *text = textOf(m_job))
                text->add(kCrLf);
        return;
    }
    if (!valid(m_job))
        return;

    switch (kind) {
    case Key::Comment:
        appendLine(m_job, m_comment ? kCommentContinuation : kCommentLabel, raw);
        m_comment = true;
        break;
    case Key::Arg: {
        textOf(m_job)->add(kCrLf);
        appendLine(m_job, kArgumentLabel, raw);
        m_comment = false;
        ++m_argumentCount;
        addArgument(m_catalogue.argSummary[m_job], m_argumentCount, decoded(raw));
        break;
    }
    case Key::Result: {
        textOf(m_job)->add(kCrLf);
        appendLine(m_job, kResultLabel, raw);
        m_comment = false;
        QString &names = m_catalogue.resultNames[m_job];
        if (names.isEmpty())
            names.reserve(32);
        appendLowered(names, decoded(raw));
        names += kCrLf;
        break;
    }
    case Key::Type:
        appendLine(m_job, kTypeLabel, raw == "binary" ? QByteArrayView("data") : raw);
        break;
    default:
        break;
    }
}

} // namespace kitbox
