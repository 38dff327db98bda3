#include "runtime/VedamisEntryPoints.h"

#include <QStringDecoder>

#include <algorithm>
#include <vector>

namespace kitbox {

QString decodeRuntimeText(const char *data, qsizetype length)
{
    if (data == nullptr || length <= 0)
        return {};
    QByteArrayView bytes(data, length);
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(bytes);
    if (!utf8.hasError())
        return text;
    return QString::fromLatin1(data, length);
}

namespace {

// Length the runtime reported, clamped to what the buffer can hold: a runtime
// that reports more than it wrote must not make us read past the buffer.
qsizetype clampedLength(int32_t reported, qsizetype bufferSize)
{
    if (reported < 0)
        return 0;
    return std::min<qsizetype>(reported, bufferSize);
}

// Length of a text buffer when the runtime did not report one (or reported
// more than the text): up to the first NUL.
qsizetype textLength(const char *buffer, int32_t reported, qsizetype bufferSize)
{
    qsizetype limit = clampedLength(reported, bufferSize - 1);
    qsizetype n = 0;
    while (n < limit && buffer[n] != '\0')
        ++n;
    return n;
}

// Length of a text result, which may hold NUL characters: the reported
// length when the runtime ended the text there; otherwise (a length past
// the text's end or the buffer's) up to the first NUL, as for names.
qsizetype resultTextLength(const char *buffer, int32_t reported, qsizetype bufferSize)
{
    if (reported >= 0 && reported < bufferSize && buffer[reported] == '\0')
        return reported;
    return textLength(buffer, reported, bufferSize);
}

} // namespace

QString VedamisEntryPoints::firstMissing() const
{
    struct Entry {
        const char *name;
        bool present;
    };
    const Entry entries[] = {
        {"apiVBInit", apiVBInit != nullptr},
        {"apiVBInitExt", apiVBInitExt != nullptr},
        {"enableServerVB", enableServerVB != nullptr},
        {"apiVBJob", apiVBJob != nullptr},
        {"apiVB4JobData", apiVB4JobData != nullptr},
        {"apiVBResultSets", apiVBResultSets != nullptr},
        {"apiVBResultNumber", apiVBResultNumber != nullptr},
        {"apiVB4ResultName", apiVB4ResultName != nullptr},
        {"apiVBResultFormat", apiVBResultFormat != nullptr},
        {"apiVB4ResultText", apiVB4ResultText != nullptr},
        {"apiVBResultInt", apiVBResultInt != nullptr},
        {"apiVB4ResultBinary", apiVB4ResultBinary != nullptr},
        {"apiVB4ResultBinaryExt", apiVB4ResultBinaryExt != nullptr},
        {"apiVBErrorCode", apiVBErrorCode != nullptr},
        {"apiVB4ErrorText", apiVB4ErrorText != nullptr},
        {"apiVBBreak", apiVBBreak != nullptr},
        {"apiVBEnd", apiVBEnd != nullptr},
        {"apiVB4GetConfig", apiVB4GetConfig != nullptr},
        {"apiVBSetConfig", apiVBSetConfig != nullptr},
    };
    for (const Entry &e : entries) {
        if (!e.present)
            return QString::fromLatin1(e.name);
    }
    return {};
}

EntryPointVedamisApi::EntryPointVedamisApi(const VedamisEntryPoints &entries) : m_entries(entries) {}

bool EntryPointVedamisApi::apiInit()
{
    return m_entries.apiVBInit(&m_handle) != 0;
}

bool EntryPointVedamisApi::apiInitExt(const QString &interfaceName, const QString &unit, const QString &application,
                                      const QString &settings)
{
    const QByteArray a = interfaceName.toUtf8();
    const QByteArray b = unit.toUtf8();
    const QByteArray c = application.toUtf8();
    const QByteArray d = settings.toUtf8();
    return m_entries.apiVBInitExt(&m_handle, a.constData(), b.constData(), c.constData(), d.constData()) != 0;
}

bool EntryPointVedamisApi::enableServer(qint32 flag)
{
    return m_entries.enableServerVB(flag) != 0;
}

void EntryPointVedamisApi::apiJob(const QString &description, const QString &job, const QString &arguments,
                                  const QString &resultFilter)
{
    const QByteArray d = description.toUtf8();
    const QByteArray j = job.toUtf8();
    const QByteArray a = arguments.toUtf8();
    const QByteArray r = resultFilter.toUtf8();
    m_entries.apiVBJob(m_handle, d.constData(), j.constData(), a.constData(), r.constData());
}

void EntryPointVedamisApi::apiJobData(const QString &description, const QString &job, const QByteArray &data,
                                      const QString &resultFilter)
{
    const QByteArray d = description.toUtf8();
    const QByteArray j = job.toUtf8();
    const QByteArray r = resultFilter.toUtf8();
    m_entries.apiVB4JobData(m_handle, d.constData(), j.constData(),
                            reinterpret_cast<const unsigned char *>(data.constData()),
                            static_cast<int32_t>(data.size()), r.constData());
}

bool EntryPointVedamisApi::apiResultSets(qint16 &sets)
{
    int16_t value = 0;
    const bool ok = m_entries.apiVBResultSets(m_handle, &value) != 0;
    sets = value;
    return ok;
}

bool EntryPointVedamisApi::apiResultNumber(qint16 &results, qint16 set)
{
    int16_t value = 0;
    const bool ok = m_entries.apiVBResultNumber(m_handle, &value, set) != 0;
    results = value;
    return ok;
}

bool EntryPointVedamisApi::apiResultName(QString &name, qint16 index, qint16 set)
{
    char buffer[nameBufferSize] = {};
    int32_t length = 0;
    const bool ok = m_entries.apiVB4ResultName(m_handle, buffer, &length, index, set) != 0;
    name = ok ? decodeRuntimeText(buffer, textLength(buffer, length, nameBufferSize)) : QString();
    return ok;
}

bool EntryPointVedamisApi::apiResultFormat(qint16 &type, const QString &name, qint16 set)
{
    int16_t value = 0;
    const QByteArray n = name.toUtf8();
    const bool ok = m_entries.apiVBResultFormat(m_handle, &value, n.constData(), set) != 0;
    type = value;
    return ok;
}

bool EntryPointVedamisApi::apiResultText(QString &text, const QString &name, qint16 set, const QString &format)
{
    std::vector<char> buffer(textBufferSize, '\0');
    int32_t length = 0;
    const QByteArray n = name.toUtf8();
    const QByteArray f = format.toUtf8();
    const bool ok =
        m_entries.apiVB4ResultText(m_handle, buffer.data(), &length, n.constData(), set, f.constData()) != 0;
    text = ok ? decodeRuntimeText(buffer.data(), resultTextLength(buffer.data(), length, textBufferSize)) : QString();
    return ok;
}

bool EntryPointVedamisApi::apiResultInt(qint16 &value, const QString &name, qint16 set)
{
    int16_t v = 0;
    const QByteArray n = name.toUtf8();
    const bool ok = m_entries.apiVBResultInt(m_handle, &v, n.constData(), set) != 0;
    value = v;
    return ok;
}

bool EntryPointVedamisApi::apiResultBinary(QByteArray &data, const QString &name, qint16 set)
{
    std::vector<unsigned char> buffer(binaryBufferSize, 0);
    int32_t length = 0;
    const QByteArray n = name.toUtf8();
    const bool ok = m_entries.apiVB4ResultBinary(m_handle, buffer.data(), &length, n.constData(), set) != 0;
    data = ok ? QByteArray(reinterpret_cast<const char *>(buffer.data()), clampedLength(length, binaryBufferSize))
              : QByteArray();
    return ok;
}

bool EntryPointVedamisApi::apiResultBinaryExt(QByteArray &data, const QString &name, qint16 set)
{
    std::vector<unsigned char> buffer(binaryExtBufferSize, 0);
    int32_t length = 0;
    const QByteArray n = name.toUtf8();
    const bool ok =
        m_entries.apiVB4ResultBinaryExt(m_handle, buffer.data(), &length, binaryExtMaximum, n.constData(), set) != 0;
    data = ok ? QByteArray(reinterpret_cast<const char *>(buffer.data()), clampedLength(length, binaryExtBufferSize))
              : QByteArray();
    return ok;
}

qint16 EntryPointVedamisApi::apiErrorCode()
{
    return m_entries.apiVBErrorCode(m_handle);
}

QString EntryPointVedamisApi::apiErrorText()
{
    char buffer[errorBufferSize] = {};
    int32_t length = 0;
    if (m_entries.apiVB4ErrorText(m_handle, buffer, &length) == 0)
        return {};
    return decodeRuntimeText(buffer, textLength(buffer, length, errorBufferSize));
}

void EntryPointVedamisApi::apiBreak()
{
    m_entries.apiVBBreak(m_handle);
}

void EntryPointVedamisApi::apiEnd()
{
    m_entries.apiVBEnd(m_handle);
}

bool EntryPointVedamisApi::apiGetConfig(const QString &name, QString &value)
{
    char buffer[configBufferSize] = {};
    int32_t length = 0;
    const QByteArray n = name.toUtf8();
    const bool ok = m_entries.apiVB4GetConfig(m_handle, n.constData(), buffer, &length) != 0;
    value = ok ? decodeRuntimeText(buffer, textLength(buffer, length, configBufferSize)) : QString();
    return ok;
}

bool EntryPointVedamisApi::apiSetConfig(const QString &name, const QString &value)
{
    const QByteArray n = name.toUtf8();
    const QByteArray v = value.toUtf8();
    return m_entries.apiVBSetConfig(m_handle, n.constData(), v.constData()) != 0;
}

} // namespace kitbox
