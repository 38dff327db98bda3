#pragma once
// A Lua state for untrusted description scripts: no io, os, package, debug,
// require, dofile, loadfile, string.dump; load() takes text chunks only; an
// instruction-count hook stops a call on break and at the time limit (armed
// by a signal to the call's thread when it is due, see stopSignal); a
// limiting allocator caps memory (and checks the clock, since the count hook
// does not fire inside C functions). Used by the engine and the compiler.
#include <kitbox/Result.h>

#include <atomic>
#include <cstddef>
#include <pthread.h>
#include <cstdint>
#include <string>
#include <string_view>

struct lua_State;

namespace vedamis {

struct SandboxLimits {
    size_t memoryBytes = 64u * 1024u * 1024u;
    int64_t timeLimitMs = 10000; // per call(); <= 0: no limit
};

enum class AbortReason { None, Break, TimeLimit, Memory };

class LuaSandbox {
public:
    explicit LuaSandbox(SandboxLimits limits = {});
    ~LuaSandbox();
    LuaSandbox(const LuaSandbox &) = delete;
    LuaSandbox &operator=(const LuaSandbox &) = delete;

    lua_State *state() const { return m_state; }
    const SandboxLimits &limits() const { return m_limits; }
    void setLimits(const SandboxLimits &limits) { m_limits = limits; }

    // Compiles a text chunk (binary chunks are refused) named chunkName
    // ("@file" form gives "file:line:" in messages) and runs it.
    kitbox::Status run(std::string_view source, const std::string &chunkName);
    // Calls the function below nargs arguments on the stack (lua_pcall
    // semantics, with the hook armed and the time limit restarted). On
    // failure the message is returned and the stack is left balanced.
    kitbox::Status call(int nargs, int nresults);

    // Thread-safe: makes the running call (or the next one) stop with
    // AbortReason::Break. A call stopped that way consumes the request.
    void requestBreak();
    void clearBreak() { m_break.store(false); }
    // The real-time signal that stops a running call on its own thread (calls
    // run without the instruction hook until they must stop). A host program
    // that installed a handler for it before the first sandbox was made
    // keeps it; every call then runs with the hook.
    static int stopSignal();
    // Why the last call()/run() was stopped by the sandbox (None for ordinary script errors).
    AbortReason lastAbort() const { return m_lastAbort; }
    // While a call runs: the steady-clock millisecond at which its time limit
    // ends it, INT64_MAX when it has none.
    int64_t deadlineMs() const { return m_deadlineMs; }

private:
    // Implementation details are private to LuaSandbox.cpp.
    friend struct SandboxAccess;
    void noteMemoryExhausted();
    lua_State *m_state = nullptr;
    SandboxLimits m_limits;
    std::atomic<bool> m_break{false};
    // While an outermost call runs: its deadline (INT64_MAX for none) and
    // its thread, for the watchdog and for requestBreak; INT64_MIN between
    // calls. m_signalling counts those about to signal the thread.
    std::atomic<int64_t> m_callDeadline{INT64_MIN};
    std::atomic<pthread_t> m_thread{};
    std::atomic<int> m_signalling{0};
    LuaSandbox *m_outerRunning = nullptr;
    AbortReason m_lastAbort = AbortReason::None;
    AbortReason m_pendingAbort = AbortReason::None;
    size_t m_used = 0;
    int64_t m_deadlineMs = 0;
    int m_depth = 0;
    // Whether the memory cap applies: inside run()/call() and while setting
    // up, not while the engine pushes values between calls (an allocation
    // failure outside a protected call would end the process).
    int m_capped = 0;
    unsigned m_allocCount = 0;
    // The last refused request; the same request refused twice in a row
    // means the emergency collection did not help, so the call is over.
    const void *m_refusedPtr = nullptr;
    size_t m_refusedSize = 0;
    bool m_refusedLast = false;
    // A full collection is due at the next instruction (usage passed m_collectAbove).
    bool m_collectWanted = false;
    size_t m_collectAbove = 0;
    std::string m_abortWhere; // "chunk:line" where the hook stopped the script
    std::string m_initError;
};

} // namespace vedamis
