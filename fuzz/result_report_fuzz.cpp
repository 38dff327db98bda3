// libFuzzer target for the result report fed arbitrary result values through
// a scripted runtime. Input: records separated by 0xFE (a byte UTF-8 text never holds). The first record
// holds the switches (bit 0 UDS description, bits 1..3 the _EINH/_INFO/_TEXT
// switches, bit 4 a data job, bit 5 a failing job) and then the result order,
// names separated by ','. Every further record is one result: its set (byte
// 0, 0..3), its type code (byte 1, any value, also ones the runtime never
// gives) and then name, text and hex text separated by NUL, the rest its
// binary value. Besides "no crash" it checks that the report starts with
// the request's echo, has a heading for every set, names every result it
// was not told to hide, and ends with the error line of a failing job.
#include "execution/ErgebnisAusgabe.h"
#include "runtime/FakeVedamisApi.h"

#include <QByteArray>
#include <QByteArrayList>
#include <QString>

#include <cstddef>
#include <cstdint>

using namespace kitbox;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    const QByteArrayList records = QByteArray(reinterpret_cast<const char *>(data), qsizetype(size)).split('\xFE');
    const QByteArray head = records.first();
    const uint8_t flags = head.isEmpty() ? 0 : uint8_t(head.at(0));

    ReportOptions options;
    options.uds.udsDescription = flags & 1;
    options.uds.einh = flags & 2;
    options.uds.info = flags & 4;
    options.uds.text = flags & 8;
    options.filterNotice = QStringLiteral("hidden");
    for (const QByteArray &name : head.mid(1).split(','))
        if (!name.isEmpty())
            options.order << QString::fromUtf8(name).toLower();

    QList<FakeResultSet> sets(1);
    for (qsizetype i = 1; i < records.size() && i < 200; ++i) {
        const QByteArray &record = records.at(i);
        if (record.size() < 2)
            continue;
        const int set = uint8_t(record.at(0)) & 3;
        while (sets.size() <= set)
            sets.append(FakeResultSet());
        const QByteArrayList fields = record.mid(2).split('\0');
        FakeResult result;
        result.type = ResultType(qint16(int8_t(record.at(1))));
        result.name = QString::fromUtf8(fields.value(0));
        result.text = QString::fromUtf8(fields.value(1));
        const QString hex = QString::fromUtf8(fields.value(2));
        for (const char *format : {"02X", "04X", "08X"})
            result.formatted.insert(QString::fromLatin1(format), hex);
        result.binary = fields.mid(3).join('\0');
        if (result.binary.size() > 70000)
            result.binary.truncate(70000);
        sets[set].append(result);
    }

    FakeVedamisApi api;
    if (!api.apiInit())
        __builtin_trap();
    const bool failing = flags & 32;
    if (failing)
        api.setJobError(QStringLiteral("D_FUZZ"), QStringLiteral("JOB"), 99, QStringLiteral("failed"));
    else
        api.setJobResults(QStringLiteral("D_FUZZ"), QStringLiteral("JOB"), sets);

    JobParameter request;
    request.sgbd = QStringLiteral("D_FUZZ");
    request.job = QStringLiteral("JOB");
    request.dataFlag = flags & 16;
    request.dataBytes = head.left(JobParameter::maxDataBytes);
    if (!request.dataFlag)
        request.dataBytes.clear();

    ErgebnisAusgabe report(api);
    const QString text = report.build(request, options);
    if (!text.startsWith(ErgebnisAusgabe::echoLines(request)))
        __builtin_trap();
    if (failing) {
        // The runtime may report the failed read of the sets instead of the job's own error.
        if (report.lastErrorCode() <= 0 || !text.contains(QStringLiteral("\r\nVEDAMIS Fehler ")) ||
            !text.endsWith(QStringLiteral("\r\n")))
            __builtin_trap();
        return 0;
    }
    if (report.lastErrorCode() != 0)
        return 0; // a result the runtime refused ends the report early with its error line
    for (qsizetype set = 0; set < sets.size(); ++set) {
        if (!text.contains(QStringLiteral("Satz : ") + QString::number(set) + QStringLiteral("\r\n")))
            __builtin_trap();
        for (const FakeResult &r : sets.at(set))
            if (udsFilter(r.name, options.uds) && !text.contains(r.name, Qt::CaseInsensitive))
                __builtin_trap();
    }
    return 0;
}
