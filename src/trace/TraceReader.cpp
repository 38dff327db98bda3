#include "trace/TraceReader.h"

#include <optional>

namespace kitbox {

namespace {

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

QByteArrayView trimmed(QByteArrayView text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && isBlank(text[begin]))
        ++begin;
    while (end > begin && (isBlank(text[end - 1]) || text[end - 1] == '\r'))
        --end;
    return text.sliced(begin, end - begin);
}

// Splits off the first blank-separated word.
QByteArrayView takeWord(QByteArrayView &rest)
{
    rest = trimmed(rest);
    qsizetype end = 0;
    while (end < rest.size() && !isBlank(rest[end]))
        ++end;
    const QByteArrayView word = rest.first(end);
    rest = rest.sliced(end);
    return word;
}

// "HH:MM:SS.mmm" as the runtime writes it before every line.
bool isTimeOfDay(QByteArrayView word)
{
    if (word.size() != 12)
        return false;
    for (qsizetype i = 0; i < word.size(); ++i) {
        const char c = word[i];
        const bool ok = (i == 2 || i == 5) ? c == ':' : i == 8 ? c == '.' : (c >= '0' && c <= '9');
        if (!ok)
            return false;
    }
    return true;
}

int hexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

// The bytes of a telegram line end where its detail comment starts.
QByteArrayView withoutComment(QByteArrayView text)
{
    const qsizetype semicolon = text.indexOf(';');
    return semicolon < 0 ? text : text.first(semicolon);
}

std::string lineError(int line, const std::string &reason)
{
    return "line " + std::to_string(line) + ": " + reason;
}

} // namespace

Result<QByteArray> parseHexBytes(QByteArrayView text)
{
    QByteArray bytes;
    QByteArrayView rest = text;
    for (;;) {
        const QByteArrayView word = takeWord(rest);
        if (word.isEmpty())
            break;
        if (word.size() % 2 != 0)
            return Result<QByteArray>::failure("odd number of hex digits in '" + word.toByteArray().toStdString() +
                                               "'");
        for (qsizetype i = 0; i < word.size(); i += 2) {
            const int high = hexDigit(word[i]);
            const int low = hexDigit(word[i + 1]);
            if (high < 0 || low < 0)
                return Result<QByteArray>::failure("'" + word.sliced(i, 2).toByteArray().toStdString() +
                                                   "' is not a hex byte");
            bytes.append(char(high * 16 + low));
        }
    }
    return bytes;
}

Result<TraceReading> readTraceTelegrams(QByteArrayView data)
{
    TraceReading reading;
    std::optional<TraceExchange> pending;
    QString description;
    QString job;
    int lineNumber = 0;
    qsizetype position = 0;
    while (position < data.size()) {
        qsizetype end = data.indexOf('\n', position);
        if (end < 0)
            end = data.size();
        QByteArrayView rest = data.sliced(position, end - position);
        position = end + 1;
        ++lineNumber;

        rest = trimmed(rest);
        if (rest.isEmpty() || rest.startsWith(';'))
            continue;
        QByteArrayView keyword = takeWord(rest);
        if (isTimeOfDay(keyword))
            keyword = takeWord(rest);

        if (keyword == "REQ") {
            auto bytes = parseHexBytes(withoutComment(rest));
            if (!bytes)
                return Result<TraceReading>::failure(lineError(lineNumber, bytes.error()));
            if (pending)
                ++reading.unansweredRequests;
            pending = TraceExchange{lineNumber, std::move(bytes).value(), {}, false, 0, description, job};
        } else if (keyword == "RSP" || keyword == "NRS") {
            if (!pending)
                return Result<TraceReading>::failure(lineError(lineNumber, "answer without a request before it"));
            if (keyword == "RSP") {
                auto bytes = parseHexBytes(withoutComment(rest));
                if (!bytes)
                    return Result<TraceReading>::failure(lineError(lineNumber, bytes.error()));
                pending->response = std::move(bytes).value();
            } else {
                pending->noResponse = true;
            }
            reading.exchanges.push_back(std::move(*pending));
            pending.reset();
        } else if (keyword == "SIM" && pending) {
            // "SIM D_MOTOR.SIM:12 delay 200 ms": the delay the answer waited.
            (void)takeWord(rest);
            if (takeWord(rest) == "delay") {
                bool ok = false;
                const int ms = takeWord(rest).toByteArray().toInt(&ok);
                if (ok && ms >= 0)
                    pending->delayMs = ms;
            }
        } else if (keyword == "JOB") {
            description = QString::fromUtf8(takeWord(rest));
            job = QString::fromUtf8(takeWord(rest));
        } else if (keyword == "END") {
            description.clear();
            job.clear();
        }
    }
    if (pending)
        ++reading.unansweredRequests;
    reading.lineCount = lineNumber;
    return reading;
}

} // namespace kitbox
