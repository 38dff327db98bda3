// The C entry points: look the handle up, call the session, copy texts and
// bytes into the caller's buffers, and write the API trace.
#include <vedamis/Engine.h>
#include <vedamis/vedamis.h>

#include "Errors.h"
#include "TextUtil.h"

#include <cstring>

using vedamis::Engine;
using vedamis::Session;

namespace {

const char *text(const char *value)
{
    return value ? value : "";
}

std::string quoted(const char *value)
{
    std::string out(1, '"');
    out.append(text(value)).push_back('"');
    return out;
}

std::shared_ptr<Session> sessionOf(int32_t handle)
{
    return Engine::instance().find(handle);
}

// The session a thread used last, and the handle generation it was found
// in; plain data, so that reaching it costs no initialisation check. The
// reference that keeps it alive is held beside it.
struct LastSession {
    uint64_t generation;
    int32_t handle;
    Session *session;
};
// At a fixed offset from the thread pointer: a call through the general
// thread-local look-up on every API call would cost more than the check.
[[gnu::tls_model("initial-exec")]] thread_local LastSession t_last;
[[gnu::tls_model("initial-exec")]] thread_local std::shared_ptr<Session> t_lastHeld;

// Job starts and result reads come many to a job, from the thread that runs
// it: they find the session through that thread's last look-up, without the
// table's lock and without counting references per call. Opening or closing
// any handle moves the generation on, so a closed handle is never found this
// way; a session closed by another thread during a call stays alive until
// this thread's next call, as a held reference keeps it.
Session *frequentSessionOf(int32_t handle)
{
    const uint64_t generation = Engine::instance().handleGeneration();
    if (t_last.session && t_last.handle == handle && t_last.generation == generation)
        return t_last.session;
    t_lastHeld = Engine::instance().find(handle);
    t_last = {generation, handle, t_lastHeld.get()};
    return t_last.session;
}

void forgetLastSession(int32_t handle)
{
    if (t_last.handle == handle) {
        t_last = {};
        t_lastHeld.reset();
    }
}

// Copies up to capacity - 1 bytes (whole UTF-8 characters) and the NUL.
void copyText(const std::string &value, char *buffer, int32_t *length, size_t capacity)
{
    size_t size = value.size();
    if (size >= capacity)
        size = vedamis::truncateUtf8(value, capacity - 1).size();
    std::memcpy(buffer, value.data(), size);
    buffer[size] = '\0';
    if (length)
        *length = static_cast<int32_t>(size);
}

template <typename MakeLine> void trace(Session &session, int level, MakeLine &&makeLine)
{
    if (session.apiTraceLevel() >= level)
        session.traceApi(level, makeLine());
}

// The texts are made only when the trace is on: result reads are frequent.
template <typename MakeCall, typename MakeDetail>
int16_t traced(Session &session, int level, MakeCall &&call, bool ok, MakeDetail &&detail)
{
    if (session.apiTraceLevel() >= level) {
        std::string line = call() + " = " + (ok ? "1" : "0");
        if (!ok)
            line += " (error " + std::to_string(session.errorCode()) + ")";
        else if (std::string more = detail(); !more.empty())
            line += " " + more;
        session.traceApi(level, line);
    }
    return ok ? 1 : 0;
}

std::string none()
{
    return {};
}

int16_t openSession(int32_t *handle, const vedamis::SessionOptions &options, const std::string &call)
{
    if (!handle)
        return 0;
    bool ok = false;
    *handle = Engine::instance().open(options, ok);
    if (auto session = sessionOf(*handle))
        traced(
            *session, 1, [&] { return call; }, ok, [&] { return "handle " + std::to_string(*handle); });
    return ok ? 1 : 0;
}

} // namespace

extern "C" {

int16_t apiVBInit(int32_t *handle)
{
    return openSession(handle, {}, "apiVBInit()");
}

int16_t apiVBInitExt(int32_t *handle, const char *interfaceName, const char *unit, const char *application,
                     const char *settings)
{
    vedamis::SessionOptions options;
    options.interfaceName = text(interfaceName);
    options.unit = text(unit);
    options.application = text(application);
    options.settings = text(settings);
    return openSession(handle, options,
                       "apiVBInitExt(" + quoted(interfaceName) + ", " + quoted(unit) + ", " + quoted(application) +
                           ", " + quoted(settings) + ")");
}

int16_t enableServerVB(int32_t flag)
{
    return Engine::instance().enableServer(flag) ? 1 : 0;
}

void apiVBJob(int32_t handle, const char *description, const char *job, const char *arguments, const char *resultFilter)
{
    Session *session = frequentSessionOf(handle);
    if (!session)
        return;
    trace(*session, 1, [&] {
        return "apiVBJob(" + std::to_string(handle) + ", " + quoted(description) + ", " + quoted(job) + ", " +
               quoted(arguments) + ", " + quoted(resultFilter) + ")";
    });
    session->runJob(text(description), text(job), text(arguments), text(resultFilter));
    trace(*session, 1, [&] { return "  job ended, error " + std::to_string(session->errorCode()); });
}

void apiVB4JobData(int32_t handle, const char *description, const char *job, const unsigned char *data, int32_t length,
                   const char *resultFilter)
{
    Session *session = frequentSessionOf(handle);
    if (!session)
        return;
    trace(*session, 1, [&] {
        return "apiVB4JobData(" + std::to_string(handle) + ", " + quoted(description) + ", " + quoted(job) + ", " +
               std::to_string(length) + " bytes, " + quoted(resultFilter) + ")";
    });
    if (length < 0 || (length > 0 && !data) || length > VEDAMIS_DATA_MAX) {
        session->rejectJob("data argument of " + std::to_string(length) + " bytes (0..65536 with a buffer)");
    } else {
        session->runJobData(text(description), text(job),
                            std::string_view(reinterpret_cast<const char *>(data), static_cast<size_t>(length)),
                            text(resultFilter));
    }
    trace(*session, 1, [&] { return "  job ended, error " + std::to_string(session->errorCode()); });
}

int16_t apiVBResultSets(int32_t handle, int16_t *sets)
{
    Session *session = frequentSessionOf(handle);
    if (!session || !sets)
        return 0;
    const bool ok = session->resultSets(*sets);
    return traced(
        *session, 2, [&] { return "apiVBResultSets(" + std::to_string(handle) + ")"; }, ok,
        [&] { return ok ? std::to_string(*sets) : std::string(); });
}

int16_t apiVBResultNumber(int32_t handle, int16_t *results, int16_t set)
{
    Session *session = frequentSessionOf(handle);
    if (!session || !results)
        return 0;
    const bool ok = session->resultNumber(set, *results);
    return traced(
        *session, 2, [&] { return "apiVBResultNumber(" + std::to_string(handle) + ", " + std::to_string(set) + ")"; },
        ok, [&] { return ok ? std::to_string(*results) : std::string(); });
}

int16_t apiVB4ResultName(int32_t handle, char *buffer, int32_t *length, int16_t index, int16_t set)
{
    Session *session = frequentSessionOf(handle);
    if (!session || !buffer)
        return 0;
    std::string name;
    const bool ok = session->resultName(set, index, name);
    if (ok)
        copyText(name, buffer, length, VEDAMIS_NAME_BUFFER);
    return traced(
        *session, 2,
        [&] {
            return "apiVB4ResultName(" + std::to_string(handle) + ", " + std::to_string(index) + ", " +
                   std::to_string(set) + ")";
        },
        ok, [&] { return name; });
}

int16_t apiVBResultFormat(int32_t handle, int16_t *type, const char *name, int16_t set)
{
    Session *session = frequentSessionOf(handle);
    if (!session || !type)
        return 0;
    const bool ok = session->resultType(set, text(name), *type);
    return traced(
        *session, 2,
        [&] {
            return "apiVBResultFormat(" + std::to_string(handle) + ", " + quoted(name) + ", " + std::to_string(set) +
                   ")";
        },
        ok, [&] { return ok ? std::to_string(*type) : std::string(); });
}

int16_t apiVB4ResultText(int32_t handle, char *buffer, int32_t *length, const char *name, int16_t set,
                         const char *format)
{
    Session *session = frequentSessionOf(handle);
    if (!session || !buffer)
        return 0;
    if (session->apiTraceLevel() < 2) {
        // Untraced, the text goes straight into the caller's buffer.
        size_t size = 0;
        const bool ok = session->resultText(set, text(name), text(format), buffer, VEDAMIS_TEXT_BUFFER, size);
        if (ok && length)
            *length = static_cast<int32_t>(size);
        return ok ? 1 : 0;
    }
    std::string value;
    const bool ok = session->resultText(set, text(name), text(format), value);
    if (ok)
        copyText(value, buffer, length, VEDAMIS_TEXT_BUFFER);
    return traced(
        *session, 2,
        [&] {
            return "apiVB4ResultText(" + std::to_string(handle) + ", " + quoted(name) + ", " + std::to_string(set) +
                   ", " + quoted(format) + ")";
        },
        ok, [&] { return "\"" + value + "\""; });
}

int16_t apiVBResultInt(int32_t handle, int16_t *value, const char *name, int16_t set)
{
    Session *session = frequentSessionOf(handle);
    if (!session || !value)
        return 0;
    const bool ok = session->resultInt(set, text(name), *value);
    return traced(
        *session, 2,
        [&] {
            return "apiVBResultInt(" + std::to_string(handle) + ", " + quoted(name) + ", " + std::to_string(set) + ")";
        },
        ok, [&] { return ok ? std::to_string(*value) : std::string(); });
}

static int16_t readBinary(int32_t handle, unsigned char *buffer, int32_t *length, size_t maxLength, const char *name,
                          int16_t set, const char *entry)
{
    Session *session = frequentSessionOf(handle);
    if (!session || !buffer)
        return 0;
    std::string bytes;
    const bool ok = session->resultBinary(set, text(name), maxLength, bytes);
    if (ok) {
        std::memcpy(buffer, bytes.data(), bytes.size());
        if (length)
            *length = static_cast<int32_t>(bytes.size());
    }
    return traced(
        *session, 2,
        [&] {
            return std::string(entry) + "(" + std::to_string(handle) + ", " + quoted(name) + ", " +
                   std::to_string(set) + ")";
        },
        ok, [&] { return std::to_string(bytes.size()) + " bytes"; });
}

int16_t apiVB4ResultBinary(int32_t handle, unsigned char *buffer, int32_t *length, const char *name, int16_t set)
{
    return readBinary(handle, buffer, length, VEDAMIS_BINARY_MAX, name, set, "apiVB4ResultBinary");
}

int16_t apiVB4ResultBinaryExt(int32_t handle, unsigned char *buffer, int32_t *length, int32_t bufferSize,
                              const char *name, int16_t set)
{
    if (bufferSize < 0)
        return 0;
    return readBinary(handle, buffer, length, static_cast<size_t>(bufferSize), name, set, "apiVB4ResultBinaryExt");
}

int16_t apiVBErrorCode(int32_t handle)
{
    Session *session = frequentSessionOf(handle);
    if (!session)
        return VEDAMIS_ERR_INVALID_HANDLE;
    const int16_t code = session->errorCode();
    trace(*session, 3, [&] { return "apiVBErrorCode(" + std::to_string(handle) + ") = " + std::to_string(code); });
    return code;
}

int16_t apiVB4ErrorText(int32_t handle, char *buffer, int32_t *length)
{
    if (!buffer)
        return 0;
    Session *session = frequentSessionOf(handle);
    if (!session) {
        copyText(vedamis::makeError(VEDAMIS_ERR_INVALID_HANDLE, std::to_string(handle)).text, buffer, length,
                 VEDAMIS_ERROR_BUFFER);
        return 1;
    }
    const std::string message = session->errorText();
    copyText(message, buffer, length, VEDAMIS_ERROR_BUFFER);
    trace(*session, 3, [&] { return "apiVB4ErrorText(" + std::to_string(handle) + ") = \"" + message + "\""; });
    return 1;
}

void apiVBBreak(int32_t handle)
{
    if (auto session = sessionOf(handle)) {
        session->requestBreak();
        trace(*session, 1, [&] { return "apiVBBreak(" + std::to_string(handle) + ")"; });
    }
}

void apiVBEnd(int32_t handle)
{
    if (auto session = sessionOf(handle))
        trace(*session, 1, [&] { return "apiVBEnd(" + std::to_string(handle) + ")"; });
    // This thread's reference goes first, so the session ends here as before.
    forgetLastSession(handle);
    Engine::instance().close(handle);
}

int16_t apiVB4GetConfig(int32_t handle, const char *name, char *buffer, int32_t *length)
{
    Session *session = frequentSessionOf(handle);
    if (!session || !buffer)
        return 0;
    std::string value;
    const bool ok = session->getConfig(text(name), value, VEDAMIS_CONFIG_BUFFER - 1);
    if (ok)
        copyText(value, buffer, length, VEDAMIS_CONFIG_BUFFER);
    return traced(
        *session, 3, [&] { return "apiVB4GetConfig(" + std::to_string(handle) + ", " + quoted(name) + ")"; }, ok,
        [&] { return "\"" + value + "\""; });
}

int16_t apiVBSetConfig(int32_t handle, const char *name, const char *value)
{
    auto session = sessionOf(handle);
    if (!session)
        return 0;
    const bool ok = session->setConfig(text(name), text(value));
    return traced(
        *session, 1,
        [&] { return "apiVBSetConfig(" + std::to_string(handle) + ", " + quoted(name) + ", " + quoted(value) + ")"; },
        ok, none);
}

} // extern "C"
