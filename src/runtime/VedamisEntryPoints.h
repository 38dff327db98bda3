#pragma once
// The C entry points of a runtime library, as function pointers, and a
// VedamisApi that calls through them. The in-process runtime and a runtime
// loaded from a shared library at run time differ only in how the table is
// filled.
#include "runtime/VedamisApi.h"

#include <cstdint>

namespace kitbox {

struct VedamisEntryPoints {
    int16_t (*apiVBInit)(int32_t *handle) = nullptr;
    int16_t (*apiVBInitExt)(int32_t *handle, const char *interfaceName, const char *unit, const char *application,
                            const char *settings) = nullptr;
    int16_t (*enableServerVB)(int32_t flag) = nullptr;
    void (*apiVBJob)(int32_t handle, const char *description, const char *job, const char *arguments,
                     const char *resultFilter) = nullptr;
    void (*apiVB4JobData)(int32_t handle, const char *description, const char *job, const unsigned char *data,
                          int32_t length, const char *resultFilter) = nullptr;
    int16_t (*apiVBResultSets)(int32_t handle, int16_t *sets) = nullptr;
    int16_t (*apiVBResultNumber)(int32_t handle, int16_t *results, int16_t set) = nullptr;
    int16_t (*apiVB4ResultName)(int32_t handle, char *buffer, int32_t *length, int16_t index, int16_t set) = nullptr;
    int16_t (*apiVBResultFormat)(int32_t handle, int16_t *type, const char *name, int16_t set) = nullptr;
    int16_t (*apiVB4ResultText)(int32_t handle, char *buffer, int32_t *length, const char *name, int16_t set,
                                const char *format) = nullptr;
    int16_t (*apiVBResultInt)(int32_t handle, int16_t *value, const char *name, int16_t set) = nullptr;
    int16_t (*apiVB4ResultBinary)(int32_t handle, unsigned char *buffer, int32_t *length, const char *name,
                                  int16_t set) = nullptr;
    int16_t (*apiVB4ResultBinaryExt)(int32_t handle, unsigned char *buffer, int32_t *length, int32_t bufferSize,
                                     const char *name, int16_t set) = nullptr;
    int16_t (*apiVBErrorCode)(int32_t handle) = nullptr;
    int16_t (*apiVB4ErrorText)(int32_t handle, char *buffer, int32_t *length) = nullptr;
    void (*apiVBBreak)(int32_t handle) = nullptr;
    void (*apiVBEnd)(int32_t handle) = nullptr;
    int16_t (*apiVB4GetConfig)(int32_t handle, const char *name, char *buffer, int32_t *length) = nullptr;
    int16_t (*apiVBSetConfig)(int32_t handle, const char *name, const char *value) = nullptr;

    // Name of the first entry that is missing, empty when the table is complete.
    QString firstMissing() const;
};

class EntryPointVedamisApi : public VedamisApi {
public:
    // The table must be complete (firstMissing() empty).
    explicit EntryPointVedamisApi(const VedamisEntryPoints &entries);

    bool apiInit() override;
    bool apiInitExt(const QString &interfaceName, const QString &unit, const QString &application,
                    const QString &settings) override;
    bool enableServer(qint32 flag) override;
    void apiJob(const QString &description, const QString &job, const QString &arguments,
                const QString &resultFilter) override;
    void apiJobData(const QString &description, const QString &job, const QByteArray &data,
                    const QString &resultFilter) override;
    bool apiResultSets(qint16 &sets) override;
    bool apiResultNumber(qint16 &results, qint16 set) override;
    bool apiResultName(QString &name, qint16 index, qint16 set) override;
    bool apiResultFormat(qint16 &type, const QString &name, qint16 set) override;
    bool apiResultText(QString &text, const QString &name, qint16 set, const QString &format) override;
    bool apiResultInt(qint16 &value, const QString &name, qint16 set) override;
    bool apiResultBinary(QByteArray &data, const QString &name, qint16 set) override;
    bool apiResultBinaryExt(QByteArray &data, const QString &name, qint16 set) override;
    qint16 apiErrorCode() override;
    QString apiErrorText() override;
    void apiBreak() override;
    void apiEnd() override;
    bool apiGetConfig(const QString &name, QString &value) override;
    bool apiSetConfig(const QString &name, const QString &value) override;

private:
    VedamisEntryPoints m_entries;
    int32_t m_handle = 0;
};

} // namespace kitbox
