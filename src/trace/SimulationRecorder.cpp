#include "trace/SimulationRecorder.h"

#include "shell/FileSave.h"
#include "shell/TextCatalogue.h"

#include <QFileInfo>
#include <QHash>
#include <QStringList>

namespace kitbox {

namespace {

QString hexText(const QByteArray &bytes)
{
    return QString::fromLatin1(bytes.toHex(' ').toUpper());
}

QString responseText(const TraceExchange &exchange)
{
    QString text;
    if (exchange.delayMs > 0)
        text = QLatin1Char('@') + QString::number(exchange.delayMs) + QLatin1Char(' ');
    text += exchange.noResponse ? QStringLiteral("NONE") : hexText(exchange.response);
    return text;
}

} // namespace

qsizetype SimulationRecorder::cycleLength(const QStringList &responses)
{
    const qsizetype n = responses.size();
    for (qsizetype period = 1; period < n; ++period) {
        bool repeats = true;
        for (qsizetype i = period; i < n && repeats; ++i)
            repeats = responses[i] == responses[i % period];
        if (repeats)
            return period;
    }
    return n;
}

Result<Recording> SimulationRecorder::record(QByteArrayView traceData, const QString &description)
{
    auto reading = readTraceTelegrams(traceData);
    if (!reading)
        return Result<Recording>::failure(reading.error());
    return record(reading.value(), description);
}

Result<Recording> SimulationRecorder::record(const TraceReading &reading, const QString &description)
{
    Recording recording;
    QList<QByteArray> order;
    QHash<QByteArray, QStringList> responses;
    for (const TraceExchange &exchange : reading.exchanges) {
        const bool otherDescription = !description.isEmpty() && !exchange.description.isEmpty() &&
                                      exchange.description.compare(description, Qt::CaseInsensitive) != 0;
        // A simulation entry needs at least one request byte, and an answer
        // of at least one byte (or none at all).
        const bool unrepresentable =
            exchange.request.isEmpty() || (!exchange.noResponse && exchange.response.isEmpty());
        if (otherDescription || unrepresentable) {
            ++recording.skipped;
            continue;
        }
        auto found = responses.find(exchange.request);
        if (found == responses.end()) {
            order.append(exchange.request);
            found = responses.insert(exchange.request, {});
        }
        found->append(responseText(exchange));
        ++recording.telegrams;
    }
    if (order.isEmpty())
        return Result<Recording>::failure("the trace holds no telegrams" +
                                          std::string(description.isEmpty() ? "" : " of ") +
                                          description.toStdString() + " (trace level 1 or higher records them)");

    QString text = QStringLiteral("; recorded from an interface trace: %1 telegrams, %2 requests\n")
                       .arg(recording.telegrams)
                       .arg(order.size());
    for (const QByteArray &request : order) {
        const QStringList &answers = responses.value(request);
        text += hexText(request) + QStringLiteral(" = ") + answers.first(cycleLength(answers)).join(QStringLiteral(" | ")) +
                QLatin1Char('\n');
    }
    recording.text = text;
    recording.entries = int(order.size());
    return recording;
}

QString SimulationRecorder::summary(const Recording &recording, const TextCatalogue &texts)
{
    return texts.text(21506).arg(recording.telegrams).arg(recording.entries);
}

Status SimulationRecorder::write(const QString &path, const Recording &recording, bool overwrite)
{
    if (!overwrite && QFileInfo::exists(path))
        return failure(path.toStdString() + ": the file exists already");
    return saveFileAtomically(path, recording.text.toUtf8());
}

} // namespace kitbox
