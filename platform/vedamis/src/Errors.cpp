#include "Errors.h"

namespace vedamis {

const char *baseErrorText(int code)
{
    switch (code) {
    case VEDAMIS_ERR_NONE:
        return "no error";
    case VEDAMIS_ERR_INVALID_HANDLE:
        return "invalid session handle";
    case VEDAMIS_ERR_SESSION_LIMIT:
        return "no further session allowed";
    case VEDAMIS_ERR_BAD_ARGUMENT:
        return "bad argument";
    case VEDAMIS_ERR_CONFIG_UNKNOWN:
        return "configuration name unknown";
    case VEDAMIS_ERR_CONFIG_VALUE:
        return "configuration value invalid";
    case VEDAMIS_ERR_CONFIG_READONLY:
        return "configuration value is read-only";
    case VEDAMIS_ERR_CONFIG_FILE:
        return "configuration file error";
    case VEDAMIS_ERR_DESCRIPTION_NOT_FOUND:
        return "description not found";
    case VEDAMIS_ERR_DESCRIPTION_INVALID:
        return "description invalid";
    case VEDAMIS_ERR_JOB_NOT_FOUND:
        return "job not found";
    case VEDAMIS_ERR_VARIANT:
        return "variant identification failed";
    case VEDAMIS_ERR_RESULT_NOT_FOUND:
        return "result not found";
    case VEDAMIS_ERR_SET_NOT_FOUND:
        return "result set not found";
    case VEDAMIS_ERR_RESULT_TYPE:
        return "result type does not fit";
    case VEDAMIS_ERR_FORMAT:
        return "format text invalid";
    case VEDAMIS_ERR_RESULT_RANGE:
        return "result value out of range";
    case VEDAMIS_ERR_JOB_RUNTIME:
        return "runtime error in job";
    case VEDAMIS_ERR_JOB_BREAK:
        return "job stopped by break";
    case VEDAMIS_ERR_JOB_TIME_LIMIT:
        return "job time limit reached";
    case VEDAMIS_ERR_JOB_MEMORY:
        return "job memory limit reached";
    case VEDAMIS_ERR_JOB_FAILED:
        return "job failed";
    case VEDAMIS_ERR_JOB_RESULT:
        return "job wrote an invalid result";
    case VEDAMIS_ERR_IFH_NO_RESPONSE:
        return "no response from control unit";
    case VEDAMIS_ERR_IFH_NOT_AVAILABLE:
        return "interface not available";
    case VEDAMIS_ERR_SIM_FILE:
        return "simulation file error";
    case VEDAMIS_ERR_SIM_FILE_MISSING:
        return "simulation file not found";
    case VEDAMIS_ERR_DOIP_CONNECT:
        return "no connection to the vehicle";
    case VEDAMIS_ERR_DOIP_ROUTING:
        return "routing activation denied";
    case VEDAMIS_ERR_DOIP_NACK:
        return "diagnostic message refused";
    case VEDAMIS_ERR_DOIP_PROTOCOL:
        return "protocol error on the vehicle link";
    case VEDAMIS_ERR_DOIP_CONNECTION_LOST:
        return "connection to the vehicle lost";
    case VEDAMIS_ERR_DOIP_NO_ACK:
        return "vehicle did not acknowledge";
    case VEDAMIS_ERR_TRACE:
        return "trace file cannot be written";
    case VEDAMIS_ERR_CAPTURE:
        return "link capture file cannot be written";
    case VEDAMIS_ERR_BINARY_BUFFER:
        return "binary result longer than the buffer";
    default:
        break;
    }
    return code >= VEDAMIS_ERR_USER_FIRST ? "job error" : "unknown error";
}

Error makeError(int16_t code, const std::string &detail)
{
    Error error;
    error.code = code;
    error.text = baseErrorText(code);
    if (!detail.empty())
        error.text += ": " + detail;
    return error;
}

} // namespace vedamis
