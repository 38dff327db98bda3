#include "execution/ErgebnisAusgabe.h"

#include <QList>

#include "execution/ReportFormat.h"
#include "runtime/VedamisApi.h"

namespace kitbox {

using report::appendPadded;
using report::nl;

namespace {

constexpr qsizetype nameWidth = 31;
constexpr qsizetype valueWidth = 12;
constexpr qsizetype hexColumnWidth = 35;
constexpr qsizetype testLogHexWidth = 22;

void appendQuoted(QString &out, QStringView text)
{
    out += u'"';
    out += text;
    out += u'"';
}

// Format text of the hex column for an integer type code.
QString hexFormat(qint16 type)
{
    switch (type) {
    case 0:
    case 1:
        return QStringLiteral("02X");
    case 2:
    case 3:
        return QStringLiteral("04X");
    default:
        return QStringLiteral("08X");
    }
}

bool isIntegerType(qint16 type)
{
    return type >= 0 && type <= 5;
}

} // namespace

bool udsFilter(QStringView resultName, const UdsFilterSettings &settings)
{
    if (!settings.udsDescription)
        return true;
    const QStringView tail = resultName.right(5);
    if (tail == u"_EINH")
        return settings.einh;
    if (tail == u"_INFO")
        return settings.info;
    if (tail == u"_TEXT")
        return settings.text;
    return true;
}

QString ErgebnisAusgabe::echoLines(const JobParameter &request)
{
    QString out;
    if (!request.dataFlag) {
        out += u"apiJob(";
        appendQuoted(out, request.sgbd);
        out += u',';
        appendQuoted(out, request.job);
        out += u',';
        appendQuoted(out, request.argumente);
        out += u',';
        appendQuoted(out, request.results);
        out += u')';
        out += nl;
        out += nl;
        return out;
    }
    const qint16 count = request.dataLaenge();
    out += u"apiJobData(";
    appendQuoted(out, request.sgbd);
    out += u',';
    appendQuoted(out, request.job);
    out += u",{DATA},";
    // A number written as text gets a blank in front when it is not negative.
    if (count >= 0)
        out += u' ';
    out += QString::number(count);
    out += u',';
    appendQuoted(out, request.results);
    out += u')';
    out += nl;
    out += u"  {DATA}: ";
    out += QString::number(count);
    out += u" Bytes";
    out += nl;
    report::appendHexDump(out, request.dataBytes.constData(), request.dataBytes.size());
    out += nl;
    if (count != 0)
        out += nl;
    return out;
}

qint16 ErgebnisAusgabe::effectiveErrorCode()
{
    const qint16 code = m_api.apiErrorCode();
    if (code == VedamisApi::errorBinaryTooLong && m_extendedUsed)
        return 0;
    return code;
}

void ErgebnisAusgabe::startJob(const JobParameter &request)
{
    m_extendedUsed = false;
    if (request.dataFlag)
        m_api.apiJobData(request.sgbd, request.job, request.dataBytes, request.results);
    else
        m_api.apiJob(request.sgbd, request.job, request.argumente, request.results);
}

void ErgebnisAusgabe::appendResult(QString &line, const QString &name, qint16 type, qint16 set, HexColumn column)
{
    if (type == qint16(ResultType::Binary)) {
        QByteArray data;
        if (!m_api.apiResultBinary(data, name, set)) {
            if (m_api.apiErrorCode() != VedamisApi::errorBinaryTooLong)
                return;
            if (!m_api.apiResultBinaryExt(data, name, set))
                return;
            // Only a read that worked forgives the 136 it needed; a result too
            // long for the extended buffer still shows up as an error.
            m_extendedUsed = true;
        }
        line += u"  ";
        appendPadded(line, name, nameWidth);
        line += u" = ";
        line += QString::number(data.size());
        line += u" Bytes";
        line += nl;
        report::appendHexDump(line, data.constData(), data.size());
        line += nl;
        return;
    }

    QString value;
    if (!m_api.apiResultText(value, name, set, QString()))
        return;
    line += u"  ";
    appendPadded(line, name, nameWidth);
    line += u" = ";
    if (set == 0 || !isIntegerType(type)) {
        line += value;
        line += nl;
        return;
    }
    appendPadded(line, value, valueWidth);
    QString hex;
    if (m_api.apiResultText(hex, name, set, hexFormat(type)))
        hex = report::hexZeichen(hex);
    else
        hex.clear();
    if (column == HexColumn::Left35) {
        appendPadded(line, hex, hexColumnWidth);
    } else {
        for (qsizetype n = report::characterCount(hex); n < testLogHexWidth; ++n)
            line += u' ';
        line += hex;
    }
    line += nl;
}

QString ErgebnisAusgabe::build(const JobParameter &request, const ReportOptions &options)
{
    m_filtered = false;
    m_errorCode = 0;

    QString text = echoLines(request);
    startJob(request);

    qint16 sets = 0;
    if (m_api.apiResultSets(sets)) {
        const bool reorder = !options.order.isEmpty();
        const qsizetype lastSlot = reorder ? options.order.size() : 0;
        QList<QString> lineBuffer(lastSlot + 1);
        bool stopped = false;
        for (qint16 set = 0; set <= sets && !stopped; ++set) {
            for (QString &slot : lineBuffer)
                slot.clear();
            text += u"Satz : ";
            text += QString::number(set);
            text += nl;

            qint16 count = 0;
            if (!m_api.apiResultNumber(count, set)) {
                count = 0;
                if (effectiveErrorCode() != 0)
                    break;
            }
            for (qint16 index = 1; index <= count; ++index) {
                QString name;
                if (m_api.apiResultName(name, index, set)) {
                    if (!udsFilter(name, options.uds)) {
                        m_filtered = true;
                    } else {
                        qint16 type = 0;
                        if (m_api.apiResultFormat(type, name, set)) {
                            qsizetype slot = 0;
                            if (reorder && set >= 1) {
                                slot = options.order.indexOf(name.toLower());
                                if (slot < 0)
                                    slot = lastSlot;
                            }
                            appendResult(lineBuffer[slot], name, type, set);
                        }
                    }
                }
                if (effectiveErrorCode() != 0) {
                    // The set's lines gathered so far are dropped with it.
                    stopped = true;
                    break;
                }
            }
            if (stopped)
                break;
            for (const QString &slot : lineBuffer)
                text += slot;
        }
    }

    if (m_filtered) {
        text += nl;
        text += u">>> ";
        text += options.filterNotice;
        text += u" <<<";
        text += nl;
    }

    const qint16 code = effectiveErrorCode();
    if (code > 0) {
        m_errorCode = code;
        text += options.errorLabel;
        text += u' ';
        text += QString::number(code);
        text += u" : ";
        text += m_api.apiErrorText();
        text += nl;
    }
    return text;
}

} // namespace kitbox
