#pragma once
// The program's only door to the runtime engine. Every wrapper keeps the name
// and the parameters of the runtime entry it forwards to; texts are converted
// to and from UTF-8 here so that callers only see Qt types. The session handle
// lives inside the implementation.
#include <QByteArray>
#include <QString>

namespace kitbox {

// Type codes returned by apiResultFormat.
enum class ResultType : qint16 {
    Char = 0,
    Byte = 1,
    Integer = 2,
    Word = 3,
    Long = 4,
    DoubleWord = 5,
    Text = 6,
    Binary = 7,
    Real = 8,
};

class VedamisApi {
public:
    // Sizes of the buffers the runtime fills.
    static constexpr int nameBufferSize = 64;
    static constexpr int textBufferSize = 1024;
    static constexpr int binaryBufferSize = 1025;
    static constexpr int binaryExtBufferSize = 65537;
    static constexpr int binaryExtMaximum = 65536;
    static constexpr int errorBufferSize = 256;
    static constexpr int configBufferSize = 256;
    // Error code of a binary result longer than the plain binary buffer.
    static constexpr qint16 errorBinaryTooLong = 136;

    virtual ~VedamisApi() = default;

    virtual bool apiInit() = 0;
    virtual bool apiInitExt(const QString &interfaceName, const QString &unit, const QString &application,
                            const QString &settings) = 0;
    virtual bool enableServer(qint32 flag) = 0;

    virtual void apiJob(const QString &description, const QString &job, const QString &arguments,
                        const QString &resultFilter) = 0;
    virtual void apiJobData(const QString &description, const QString &job, const QByteArray &data,
                            const QString &resultFilter) = 0;

    virtual bool apiResultSets(qint16 &sets) = 0;
    virtual bool apiResultNumber(qint16 &results, qint16 set) = 0;
    // index counts from 1
    virtual bool apiResultName(QString &name, qint16 index, qint16 set) = 0;
    virtual bool apiResultFormat(qint16 &type, const QString &name, qint16 set) = 0;
    virtual bool apiResultText(QString &text, const QString &name, qint16 set, const QString &format) = 0;
    virtual bool apiResultInt(qint16 &value, const QString &name, qint16 set) = 0;
    virtual bool apiResultBinary(QByteArray &data, const QString &name, qint16 set) = 0;
    virtual bool apiResultBinaryExt(QByteArray &data, const QString &name, qint16 set) = 0;

    virtual qint16 apiErrorCode() = 0;
    virtual QString apiErrorText() = 0;

    virtual void apiBreak() = 0;
    virtual void apiEnd() = 0;

    virtual bool apiGetConfig(const QString &name, QString &value) = 0;
    virtual bool apiSetConfig(const QString &name, const QString &value) = 0;
};

// Texts from the runtime are UTF-8; a runtime that hands out other 8-bit text
// is read as Latin-1 rather than showing replacement characters.
QString decodeRuntimeText(const char *data, qsizetype length);

} // namespace kitbox
