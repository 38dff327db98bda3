/*
 * Vedamis runtime: C entry points.
 *
 * One 32-bit session handle is filled by apiVBInit / apiVBInitExt and passed
 * first to every other entry except enableServerVB. Texts are 8-bit
 * NUL-terminated UTF-8 strings; an empty text is "", never NULL (NULL is
 * tolerated and treated as ""). A 16-bit non-zero result means success.
 * Error codes and texts: docs/runtime-errors.md.
 *
 * Jobs run synchronously inside apiVBJob / apiVB4JobData. apiVBBreak may be
 * called from any other thread and stops the running job.
 */
#ifndef VEDAMIS_VEDAMIS_H
#define VEDAMIS_VEDAMIS_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#if defined(__GNUC__)
#define VEDAMIS_EXPORT __attribute__((visibility("default")))
#else
#define VEDAMIS_EXPORT
#endif

/* Buffer sizes the caller provides (bytes, including the terminating NUL for texts). */
#define VEDAMIS_NAME_BUFFER 64          /* apiVB4ResultName: names up to 63 characters */
#define VEDAMIS_TEXT_BUFFER 1024        /* apiVB4ResultText: texts up to 1023 bytes */
#define VEDAMIS_BINARY_BUFFER 1025      /* apiVB4ResultBinary: buffer size */
#define VEDAMIS_BINARY_MAX 1024         /* apiVB4ResultBinary: longest result it returns, else error 136 */
#define VEDAMIS_BINARY_EXT_BUFFER 65537 /* apiVB4ResultBinaryExt: buffer size */
#define VEDAMIS_BINARY_EXT_MAX 65536    /* apiVB4ResultBinaryExt: largest length asked for */
#define VEDAMIS_ERROR_BUFFER 256        /* apiVB4ErrorText */
#define VEDAMIS_CONFIG_BUFFER 256       /* apiVB4GetConfig */
#define VEDAMIS_DATA_MAX 65536          /* apiVB4JobData: largest data argument */

/* Result type codes (apiVBResultFormat). */
#define VEDAMIS_TYPE_CHAR 0   /* signed 8 bit */
#define VEDAMIS_TYPE_BYTE 1   /* unsigned 8 bit */
#define VEDAMIS_TYPE_INT 2    /* signed 16 bit */
#define VEDAMIS_TYPE_WORD 3   /* unsigned 16 bit */
#define VEDAMIS_TYPE_LONG 4   /* signed 32 bit */
#define VEDAMIS_TYPE_DWORD 5  /* unsigned 32 bit */
#define VEDAMIS_TYPE_TEXT 6
#define VEDAMIS_TYPE_BINARY 7
#define VEDAMIS_TYPE_REAL 8

/* Error codes (apiVBErrorCode); texts and meaning: docs/runtime-errors.md.
 * Codes 1000..32767 are chosen by job scripts through fail(code, text). */
#define VEDAMIS_ERR_NONE 0
#define VEDAMIS_ERR_INVALID_HANDLE 1
#define VEDAMIS_ERR_SESSION_LIMIT 2
#define VEDAMIS_ERR_BAD_ARGUMENT 3
#define VEDAMIS_ERR_CONFIG_UNKNOWN 10
#define VEDAMIS_ERR_CONFIG_VALUE 11
#define VEDAMIS_ERR_CONFIG_READONLY 12
#define VEDAMIS_ERR_CONFIG_FILE 13
#define VEDAMIS_ERR_DESCRIPTION_NOT_FOUND 20
#define VEDAMIS_ERR_DESCRIPTION_INVALID 21
#define VEDAMIS_ERR_JOB_NOT_FOUND 22
#define VEDAMIS_ERR_VARIANT 23
#define VEDAMIS_ERR_RESULT_NOT_FOUND 30
#define VEDAMIS_ERR_SET_NOT_FOUND 31
#define VEDAMIS_ERR_RESULT_TYPE 32
#define VEDAMIS_ERR_FORMAT 33
#define VEDAMIS_ERR_RESULT_RANGE 34
#define VEDAMIS_ERR_JOB_RUNTIME 40
#define VEDAMIS_ERR_JOB_BREAK 41
#define VEDAMIS_ERR_JOB_TIME_LIMIT 42
#define VEDAMIS_ERR_JOB_MEMORY 43
#define VEDAMIS_ERR_JOB_FAILED 44
#define VEDAMIS_ERR_JOB_RESULT 45
#define VEDAMIS_ERR_IFH_NO_RESPONSE 50
#define VEDAMIS_ERR_IFH_NOT_AVAILABLE 51
#define VEDAMIS_ERR_SIM_FILE 52
#define VEDAMIS_ERR_SIM_FILE_MISSING 53
#define VEDAMIS_ERR_DOIP_CONNECT 54
#define VEDAMIS_ERR_DOIP_ROUTING 55
#define VEDAMIS_ERR_DOIP_NACK 56
#define VEDAMIS_ERR_DOIP_PROTOCOL 57
#define VEDAMIS_ERR_DOIP_CONNECTION_LOST 58
#define VEDAMIS_ERR_DOIP_NO_ACK 59
#define VEDAMIS_ERR_TRACE 60
#define VEDAMIS_ERR_CAPTURE 61
#define VEDAMIS_ERR_BINARY_BUFFER 136
#define VEDAMIS_ERR_USER_FIRST 1000

VEDAMIS_EXPORT int16_t apiVBInit(int32_t *handle);
/* interfaceName, unit, application, extra settings ("Name=Value;Name=Value", applied as configuration). */
VEDAMIS_EXPORT int16_t apiVBInitExt(int32_t *handle, const char *interfaceName, const char *unit,
                                    const char *application, const char *settings);
/* Allows several sessions (instances) at once; see docs/runtime-engine.md. */
VEDAMIS_EXPORT int16_t enableServerVB(int32_t flag);

VEDAMIS_EXPORT void apiVBJob(int32_t handle, const char *description, const char *job, const char *arguments,
                             const char *resultFilter);
VEDAMIS_EXPORT void apiVB4JobData(int32_t handle, const char *description, const char *job,
                                  const unsigned char *data, int32_t length, const char *resultFilter);

VEDAMIS_EXPORT int16_t apiVBResultSets(int32_t handle, int16_t *sets);
VEDAMIS_EXPORT int16_t apiVBResultNumber(int32_t handle, int16_t *results, int16_t set);
/* index counts from 1 */
VEDAMIS_EXPORT int16_t apiVB4ResultName(int32_t handle, char *buffer, int32_t *length, int16_t index, int16_t set);
VEDAMIS_EXPORT int16_t apiVBResultFormat(int32_t handle, int16_t *type, const char *name, int16_t set);
VEDAMIS_EXPORT int16_t apiVB4ResultText(int32_t handle, char *buffer, int32_t *length, const char *name, int16_t set,
                                        const char *format);
VEDAMIS_EXPORT int16_t apiVBResultInt(int32_t handle, int16_t *value, const char *name, int16_t set);
VEDAMIS_EXPORT int16_t apiVB4ResultBinary(int32_t handle, unsigned char *buffer, int32_t *length, const char *name,
                                          int16_t set);
VEDAMIS_EXPORT int16_t apiVB4ResultBinaryExt(int32_t handle, unsigned char *buffer, int32_t *length,
                                             int32_t bufferSize, const char *name, int16_t set);

VEDAMIS_EXPORT int16_t apiVBErrorCode(int32_t handle);
VEDAMIS_EXPORT int16_t apiVB4ErrorText(int32_t handle, char *buffer, int32_t *length);

VEDAMIS_EXPORT void apiVBBreak(int32_t handle);
VEDAMIS_EXPORT void apiVBEnd(int32_t handle);

VEDAMIS_EXPORT int16_t apiVB4GetConfig(int32_t handle, const char *name, char *buffer, int32_t *length);
VEDAMIS_EXPORT int16_t apiVBSetConfig(int32_t handle, const char *name, const char *value);

#ifdef __cplusplus
}
#endif

#endif
