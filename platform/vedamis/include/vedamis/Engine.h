#pragma once
// C++ API of the runtime engine. The C entry points of vedamis.h wrap it:
// Engine keeps the table of session handles, Session runs jobs and holds
// the results of the last one. docs/runtime-engine.md describes both.
#include <vedamis/Value.h>

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

namespace vedamis {

struct SessionOptions {
    // The four texts of apiVBInitExt; all empty for apiVBInit.
    std::string interfaceName; // non-empty: sets the configuration value Interface
    std::string unit;          // kept as configuration value Unit
    std::string application;   // kept as configuration value Application
    std::string settings;      // "Name=Value;Name=Value", applied last
};

class VEDAMIS_CXX_EXPORT Session {
public:
    Session();
    ~Session();
    Session(const Session &) = delete;
    Session &operator=(const Session &) = delete;

    // Builds the configuration (defaults, INI file, options) and opens the
    // traces. False when that fails; errorCode()/errorText() tell why and
    // the session refuses jobs.
    bool open(const SessionOptions &options = {});
    bool isOpen() const;
    // Marks a session that was refused before it was opened (handle limit).
    void refuse(int16_t code, const std::string &detail);

    // Run a job synchronously; the outcome is read with errorCode() and the result reads.
    void runJob(std::string_view description, std::string_view job, std::string_view arguments,
                std::string_view resultFilter);
    // Ends a job start that the caller found invalid (bad argument error, no results).
    void rejectJob(const std::string &detail);
    void runJobData(std::string_view description, std::string_view job, std::string_view data,
                    std::string_view resultFilter);

    // Result reads; each returns false and records the error on failure.
    // A failed read does not clear an earlier error; a job start does.
    bool resultSets(int16_t &sets);
    bool resultNumber(int set, int16_t &count);
    bool resultName(int set, int index, std::string &name);
    bool resultType(int set, std::string_view name, int16_t &type);
    bool resultText(int set, std::string_view name, std::string_view format, std::string &text);
    // The same text written into buffer (capacity bytes, at least 1): at most
    // capacity - 1 bytes cut at a whole UTF-8 character, then a NUL; length
    // gets its size. The buffer is left alone when the read fails.
    bool resultText(int set, std::string_view name, std::string_view format, char *buffer, size_t capacity,
                    size_t &length);
    bool resultInt(int set, std::string_view name, int16_t &value);
    // Fails with error 136 when the result is longer than maxLength.
    bool resultBinary(int set, std::string_view name, size_t maxLength, std::string &bytes);
    bool resultValue(int set, std::string_view name, Value &value);

    int16_t errorCode() const;
    std::string errorText() const;

    // Thread-safe: stops the running job (break error); no effect when none runs.
    void requestBreak();

    // Values longer than maxLength are refused (a cut path would name another directory).
    bool getConfig(std::string_view name, std::string &value, size_t maxLength = SIZE_MAX);
    bool setConfig(std::string_view name, std::string_view value);

    // API trace (TracePath/API.TRC): the line is written when ApiTrace >= level.
    int apiTraceLevel() const;
    void traceApi(int level, std::string_view line);

    struct Impl;

private:
    std::unique_ptr<Impl> m;
};

class VEDAMIS_CXX_EXPORT Engine {
public:
    static Engine &instance();

    // Server mode allows several open sessions at once: flag > 0 is the
    // largest number of sessions, 0 the default (64); negative is refused.
    bool enableServer(int32_t flag);
    void disableServer();
    bool serverMode() const;

    // Opens a session and returns its handle (never 0). The handle is valid
    // even when opening failed: it then holds the error until close().
    int32_t open(const SessionOptions &options, bool &ok);
    std::shared_ptr<Session> find(int32_t handle) const;
    void close(int32_t handle);
    size_t openSessions() const;
    // Moves on whenever a handle is opened or closed: what find() returned
    // stays the answer for that handle as long as this has not moved.
    uint64_t handleGeneration() const { return m_generation.load(std::memory_order_acquire); }

private:
    Engine() = default;
    mutable std::mutex m_mutex;
    std::map<int32_t, std::shared_ptr<Session>> m_sessions;
    int32_t m_nextHandle = 1;
    bool m_server = false;
    int32_t m_maxSessions = 1;
    std::atomic<uint64_t> m_generation{0};
};

} // namespace vedamis
