#include "catalogue/InfoBlockParser.h"

#include "catalogue/TextDecoding.h"

#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace kitbox {

namespace {

constexpr char kMask = 0x6B;

// Of known length, so that they are copied without a library call.
constexpr char16_t kNameLabel[] = u"name      : ";
constexpr char16_t kCommentLabel[] = u"  comment : ";
constexpr char16_t kCommentContinuation[] = u"            ";
constexpr char16_t kArgumentLabel[] = u"argument  : ";
constexpr char16_t kResultLabel[] = u"result    : ";
constexpr char16_t kTypeLabel[] = u"  type    : ";
constexpr char16_t kUsesLabel[] = u"---- uses : ";
constexpr char16_t kUnknownLabel[] = u"! ! ! ";
constexpr char16_t kLineEnd[] = u"\r\n";

enum class Key { Ignored, JobName, Comment, Arg, Result, Type, Unknown };

// Whether bytes are the literal (without its NUL): the length decides most
// comparisons, and the bytes of a known short length compare inline.
template <size_t N> inline bool is(QByteArrayView bytes, const char (&literal)[N])
{
    return bytes.size() == qsizetype(N - 1) && std::memcmp(bytes.data(), literal, N - 1) == 0;
}

Key classify(QByteArrayView key)
{
    switch (key.size()) {
    case 4:
        if (is(key, "ARG:"))
            return Key::Arg;
        if (is(key, "ECU:"))
            return Key::Ignored;
        break;
    case 5:
        if (is(key, "USES:"))
            return Key::Ignored;
        break;
    case 7:
        if (is(key, "RESULT:"))
            return Key::Result;
        if (is(key, "ORIGIN:") || is(key, "AUTHOR:"))
            return Key::Ignored;
        break;
    case 8:
        if (is(key, "JOBNAME:"))
            return Key::JobName;
        if (is(key, "ARGTYPE:"))
            return Key::Type;
        break;
    case 9:
        if (is(key, "REVISION:"))
            return Key::Ignored;
        break;
    case 11:
        if (is(key, "JOBCOMMENT:") || is(key, "ARGCOMMENT:"))
            return Key::Comment;
        if (is(key, "RESULTTYPE:"))
            return Key::Type;
        if (is(key, "ECUCOMMENT:"))
            return Key::Ignored;
        break;
    case 14:
        if (is(key, "RESULTCOMMENT:"))
            return Key::Comment;
        break;
    default:
        break;
    }
    return Key::Unknown;
}

} // namespace

InfoBlockParser::InfoBlockParser(JobCatalogue &catalogue, std::function<void()> beep)
    : m_catalogue(catalogue), m_beep(std::move(beep))
{
}

void InfoBlockParser::addArgument(QString &summary, int count, QStringView name)
{
    beginArgument(summary, count);
    appendLowered(summary, name);
}

void InfoBlockParser::beginArgument(QString &summary, int count)
{
    if (count <= 1) {
        summary.resize(0); // keeps its room
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
}

void InfoBlockParser::appendLoweredName(QString &to, QByteArrayView raw)
{
    if (!isAscii(raw)) {
        appendLowered(to, decoded(raw));
        return;
    }
    const qsizetype from = to.size();
    to.resize(from + raw.size());
    QChar *out = to.data() + from;
    for (qsizetype k = 0; k < raw.size(); ++k) {
        const auto c = static_cast<unsigned char>(raw[k]);
        out[k] = QChar(c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c);
    }
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

void InfoBlockParser::parseDescription(QByteArray scrambled)
{
    m_job = -1;
    parse(scrambled, Mode::Description);
}

void InfoBlockParser::parseBase(QByteArray scrambled, const QString &baseName)
{
    m_baseName = baseName.toUpper();
    m_job = m_catalogue.lastFilledJob + 1;
    m_atSeparator = true;
    parse(scrambled, Mode::Base);
}

void InfoBlockParser::parse(QByteArray &scrambled, Mode mode)
{
    m_mode = mode;
    m_comment = false;
    m_argumentCount = 0;
    m_skipping = false;
    // The block is unscrambled in place in one go; a block that is ASCII
    // throughout (the usual case) spares every line its own check.
    const qsizetype size = scrambled.size();
    char *const text = scrambled.data();
    m_blockEnd = text + size;
    {
        auto *bytes = reinterpret_cast<unsigned char *>(text);
        qsizetype k = 0;
        unsigned char any = 0;
#if defined(__SSE2__)
        const __m128i mask = _mm_set1_epi8(kMask);
        __m128i anyBlock = _mm_setzero_si128();
        for (; size - k >= 16; k += 16) {
            auto *at = reinterpret_cast<__m128i *>(bytes + k);
            const __m128i x = _mm_xor_si128(_mm_loadu_si128(at), mask);
            _mm_storeu_si128(at, x);
            anyBlock = _mm_or_si128(anyBlock, x);
        }
        if (_mm_movemask_epi8(anyBlock) != 0)
            any = 0x80;
#endif
        for (; k < size; ++k) {
            bytes[k] = static_cast<unsigned char>(bytes[k] ^ kMask);
            any |= bytes[k];
        }
        m_ascii = any < 0x80;
    }
    // Then line by line, the line ends found sixteen bytes at a time.
    qsizetype from = 0;
    qsizetype k = 0;
#if defined(__SSE2__)
    const __m128i lineFeed = _mm_set1_epi8('\n');
    for (; size - k >= 16; k += 16) {
        const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i *>(text + k));
        for (quint32 ends = quint32(_mm_movemask_epi8(_mm_cmpeq_epi8(x, lineFeed))); ends != 0; ends &= ends - 1) {
            const qsizetype end = k + qsizetype(qCountTrailingZeroBits(ends));
            handleLine(QByteArrayView(text + from, end - from));
            from = end + 1;
        }
    }
#endif
    for (; k < size; ++k) {
        if (text[k] == '\n') {
            handleLine(QByteArrayView(text + from, k - from));
            from = k + 1;
        }
    }
    // A last line without its LF is still taken: a cut-off block keeps what it holds.
    if (from < size)
        handleLine(QByteArrayView(text + from, size - from));
    m_ascii = false;
    flushText();
    flushNames();
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

void InfoBlockParser::flushNames()
{
    if (valid(m_namesJob)) {
        // A new text is stored at its exact size; it stays the one to share.
        if (!m_summary.isEmpty()) {
            if (m_summary != m_lastSummary)
                m_lastSummary = QString(m_summary.constData(), m_summary.size());
            m_catalogue.argSummary[m_namesJob] = m_lastSummary;
        }
        if (!m_results.isEmpty()) {
            if (m_results != m_lastResults)
                m_lastResults = QString(m_results.constData(), m_results.size());
            QString &names = m_catalogue.resultNames[m_namesJob];
            if (names.isEmpty())
                names = m_lastResults;
            else
                names.append(m_lastResults);
        }
    }
    m_summary.resize(0);
    m_results.resize(0);
    m_namesJob = -1;
}

void InfoBlockParser::appendLine(int job, const Label &label, QByteArrayView raw)
{
    if (Utf16Builder *text = textOf(job)) {
        text->add(label);
        appendDecoded(*text, raw);
        text->add(kLineEnd);
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
    // Keys are short: the first sixteen bytes mostly hold the colon, and they
    // are looked at at once where the block has them.
    qsizetype colon = -1;
    qsizetype k = 0;
#if defined(__SSE2__)
    if (m_blockEnd - line.data() >= 16) {
        const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i *>(line.data()));
        quint32 colons = quint32(_mm_movemask_epi8(_mm_cmpeq_epi8(x, _mm_set1_epi8(':'))));
        if (line.size() < 16)
            colons &= (1u << line.size()) - 1;
        if (colons != 0)
            colon = qCountTrailingZeroBits(colons);
        k = qMin<qsizetype>(16, line.size());
    }
#endif
    for (; colon < 0 && k < line.size(); ++k) {
        if (line[k] == ':')
            colon = k;
    }
    const QByteArrayView key = colon >= 0 ? line.first(colon + 1) : QByteArrayView();
    const QByteArrayView raw = colon >= 0 ? line.sliced(colon + 1) : line;
    const Key kind = classify(key);
    if (kind == Key::Ignored)
        return;
    if (kind == Key::JobName)
        flushNames();

    if (kind == Key::Unknown) {
        if (m_beep)
            m_beep();
        if (Utf16Builder *text = textOf(0)) {
            text->add(kUnknownLabel);
            appendDecoded(*text, key);
            appendDecoded(*text, raw);
            text->add(kLineEnd);
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
                    text->add(kLineEnd);
                    text->add(kNameLabel);
                    text->add(value);
                    text->add(kLineEnd);
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
                text->add(kLineEnd);
        return;
    }
    if (!valid(m_job))
        return;

    switch (kind) {
    case Key::Comment:
        if (m_comment)
            appendLine(m_job, kCommentContinuation, raw);
        else
            appendLine(m_job, kCommentLabel, raw);
        m_comment = true;
        break;
    case Key::Arg: {
        textOf(m_job)->add(kLineEnd);
        appendLine(m_job, kArgumentLabel, raw);
        m_comment = false;
        ++m_argumentCount;
        if (m_namesJob != m_job) {
            flushNames();
            m_namesJob = m_job;
        }
        beginArgument(m_summary, m_argumentCount);
        appendLoweredName(m_summary, raw);
        break;
    }
    case Key::Result: {
        textOf(m_job)->add(kLineEnd);
        appendLine(m_job, kResultLabel, raw);
        m_comment = false;
        if (m_namesJob != m_job) {
            flushNames();
            m_namesJob = m_job;
        }
        appendLoweredName(m_results, raw);
        m_results += kCrLf;
        break;
    }
    case Key::Type:
        appendLine(m_job, kTypeLabel, is(raw, "binary") ? QByteArrayView("data") : raw);
        break;
    default:
        break;
    }
}

} // namespace kitbox
