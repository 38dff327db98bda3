#include "vedamis/LuaSandbox.h"

#include "SandboxInternal.h"

#include <lua.hpp>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <mutex>
#include <new>
#include <pthread.h>
#include <thread>
#include <vector>

namespace vedamis {

namespace {

// Instructions between two looks at the clock and the break flag.
constexpr int kHookCount = 1000;
// The allocator looks at the clock on every n-th allocation and on every
// large one: C functions (string.rep, table.concat, gsub) allocate while the
// count hook is silent.
constexpr unsigned kClockCheckEvery = 64;
constexpr size_t kLargeAllocation = 256u * 1024u;
constexpr int64_t kNoDeadline = std::numeric_limits<int64_t>::max();
// The call deadline of a sandbox that runs no call.
constexpr int64_t kIdle = std::numeric_limits<int64_t>::min();
// How often the watchdog repeats the stop signal to a call that is past its
// deadline and still running: the signal arms the sandbox innermost on that
// thread, so an outer call whose deadline passed during an inner one is
// armed by a later signal.
constexpr int64_t kRepeatStopMs = 100;

// Registry key (its address) of the error value the hook raises; the real
// message is put together by call() once control is back.
const char kAbortMarkerKey = 'a';

int64_t nowMs()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

int panicHandler(lua_State *L)
{
    const char *message = lua_tostring(L, -1);
    std::fprintf(stderr, "script state failed outside a protected call: %s\n", message ? message : "(no message)");
    return 0; // Lua aborts the process
}

// Calls run without the instruction hook: on every instruction of every
// short job it costs more than the rest of the job's script. A call that has
// to stop gets the hook on its own thread from a signal, the way Lua allows
// lua_sethook to be called: at its deadline from the watchdog thread, at
// once from requestBreak. Where the signal is taken by the host program, or
// cannot be installed, every call runs with the hook as before.
int stopSignalNumber()
{
    return SIGRTMAX - 4;
}

// The sandbox whose outermost call this thread runs; read by the signal
// handler, hence a fixed offset from the thread pointer (no lookup that could
// allocate inside a signal handler).
[[gnu::tls_model("initial-exec")]] thread_local LuaSandbox *t_running = nullptr;
[[gnu::tls_model("initial-exec")]] thread_local bool t_signalUnblocked = false;

std::atomic<bool> g_lazyHook{false};

void onStopSignal(int);

bool installStopSignal()
{
#if defined(__SANITIZE_THREAD__)
    // ThreadSanitizer holds a signal back until the thread calls a function
    // it intercepts, which a script loop never does.
    return false;
#else
    struct sigaction existing {};
    if (sigaction(stopSignalNumber(), nullptr, &existing) != 0)
        return false;
    if ((existing.sa_flags & SA_SIGINFO) || existing.sa_handler != SIG_DFL)
        return false; // the host program uses it
    struct sigaction action {};
    action.sa_handler = &onStopSignal;
    action.sa_flags = SA_RESTART;
    sigemptyset(&action.sa_mask);
    return sigaction(stopSignalNumber(), &action, nullptr) == 0;
#endif
}

void ensureStopSignal()
{
    static std::once_flag once;
    std::call_once(once, [] { g_lazyHook.store(installStopSignal()); });
}

// One thread for the whole process: sleeps until the earliest deadline of
// a running call, then sends that call's thread the stop signal. Calls
// publish their deadline in the sandbox; the watchdog is woken only when a
// call's deadline comes before the one it sleeps for, which with equal time
// limits happens about once per time limit, not once per call.
class Watchdog {
public:
    // Never destroyed: sandboxes owned by other static objects may outlive
    // any static of this file, and the thread sleeps harmlessly at exit.
    static Watchdog &instance()
    {
        static Watchdog *const watchdog = [] {
            auto *created = new Watchdog;
            pthread_atfork(&beforeFork, &afterForkInParent, &afterForkInChild);
            return created;
        }();
        return *watchdog;
    }

    void enrol(LuaSandbox *sandbox)
    {
        std::lock_guard lock(m_lock);
        m_sandboxes.push_back({sandbox, kIdle});
        startLocked();
    }

    void withdraw(LuaSandbox *sandbox)
    {
        std::lock_guard lock(m_lock);
        std::erase_if(m_sandboxes, [sandbox](const Entry &entry) { return entry.sandbox == sandbox; });
    }

    // After a call published its deadline.
    void deadlinePublished(int64_t deadline)
    {
        if (deadline >= m_plannedWake.load())
            return;
        {
            std::lock_guard lock(m_lock);
            ++m_wakeRequests;
            startLocked();
        }
        m_wake.notify_one();
    }

private:
    // Only calls without the hook need the thread; with the hook on from
    // the start (see installStopSignal) it is never started.
    void startLocked()
    {
        if (!m_started && g_lazyHook.load(std::memory_order_relaxed)) {
            std::thread([this] { run(); }).detach();
            m_started = true;
        }
    }

    // A fork copies the lock in whatever state another thread left it; held
    // across the fork, it is consistent on both sides.
    static void beforeFork() { instance().m_lock.lock(); }
    static void afterForkInParent() { instance().m_lock.unlock(); }
    // Only the forking thread lives on in the child: the watchdog thread is
    // started again by the next deadline, and calls that were running on
    // other threads are over (signalling their threads would hit nothing).
    static void afterForkInChild();

    struct Entry {
        LuaSandbox *sandbox;
        int64_t signalledDeadline;
        int64_t signalledAtMs = 0;
    };

    Watchdog() = default;

    // The earliest deadline still to come; signals calls that are past theirs.
    int64_t sweep(bool signalDue);
    void run();

    std::mutex m_lock;
    std::condition_variable m_wake;
    std::vector<Entry> m_sandboxes;
    std::atomic<int64_t> m_plannedWake{kNoDeadline};
    uint64_t m_wakeRequests = 0;
    bool m_started = false;
};

// Text of the error value on top of the stack without running any script
// code (no __tostring) and without allocating inside the state.
std::string errorText(lua_State *L, int index)
{
    switch (lua_type(L, index)) {
    case LUA_TSTRING: {
        size_t length = 0;
        const char *text = lua_tolstring(L, index, &length);
        return std::string(text, length);
    }
    case LUA_TNUMBER:
        if (lua_isinteger(L, index))
            return std::to_string(lua_tointeger(L, index));
        return std::to_string(lua_tonumber(L, index));
    case LUA_TNIL:
        return "error with no message";
    default:
        return std::string("error object is a ") + lua_typename(L, lua_type(L, index)) + " value";
    }
}

// load() restricted to text chunks; without an explicit environment the
// chunk sees the sandbox's globals.
int safeLoad(lua_State *L)
{
    const int given = lua_gettop(L);
    lua_pushvalue(L, lua_upvalueindex(1));
    lua_pushvalue(L, 1);
    if (given >= 2)
        lua_pushvalue(L, 2);
    else
        lua_pushnil(L); // the default chunk name
    lua_pushliteral(L, "t");
    if (given >= 4)
        lua_pushvalue(L, 4);
    else
        lua_pushglobaltable(L);
    lua_call(L, 4, LUA_MULTRET);
    return lua_gettop(L) - given;
}

// Finalizers run with hooks switched off, so an endless loop inside __gc
// could never be stopped: scripts may not install them.
int safeSetmetatable(lua_State *L)
{
    if (lua_type(L, 2) == LUA_TTABLE) {
        lua_pushliteral(L, "__gc");
        const bool hasGc = lua_rawget(L, 2) != LUA_TNIL;
        lua_pop(L, 1);
        if (hasGc)
            return luaL_error(L, "__gc metamethods are not available to scripts");
    }
    lua_pushvalue(L, lua_upvalueindex(1));
    lua_insert(L, 1);
    lua_call(L, lua_gettop(L) - 1, 1);
    return 1;
}

} // namespace

void LuaSandbox::noteMemoryExhausted()
{
    m_refusedLast = false;
    if (m_depth > 0 && m_pendingAbort == AbortReason::None)
        m_pendingAbort = AbortReason::Memory;
}

struct SandboxAccess {
    static LuaSandbox &of(lua_State *L)
    {
        void *ud = nullptr;
        lua_getallocf(L, &ud);
        return *static_cast<LuaSandbox *>(ud);
    }

    static AbortReason dueAbort(const LuaSandbox &sandbox)
    {
        if (sandbox.m_break.load(std::memory_order_relaxed))
            return AbortReason::Break;
        if (sandbox.m_deadlineMs != kNoDeadline && nowMs() >= sandbox.m_deadlineMs)
            return AbortReason::TimeLimit;
        return AbortReason::None;
    }

    // Usage above which the hook collects: half the cap, or an eighth of
    // the cap above what survived the last collection.
    static size_t collectThreshold(const LuaSandbox &sandbox)
    {
        const size_t cap = sandbox.m_limits.memoryBytes;
        return std::max(cap / 2, sandbox.m_used + cap / 8);
    }

    static void *alloc(void *ud, void *ptr, size_t osize, size_t nsize)
    {
        auto &sandbox = *static_cast<LuaSandbox *>(ud);
        // With ptr == NULL, osize tells the type of the new object, not a size.
        const size_t oldSize = ptr ? osize : 0;
        if (nsize == 0) {
            std::free(ptr);
            sandbox.m_used -= oldSize;
            return nullptr;
        }
        // Lua relies on shrinking never failing; only growth is checked.
        if (nsize > oldSize && sandbox.m_capped > 0) {
            if (sandbox.m_depth > 0) {
                if (sandbox.m_pendingAbort != AbortReason::None)
                    return nullptr;
                if (nsize >= kLargeAllocation || ++sandbox.m_allocCount % kClockCheckEvery == 0) {
                    const AbortReason due = dueAbort(sandbox);
                    if (due != AbortReason::None) {
                        // The hook raises the abort as soon as script code runs again.
                        sandbox.m_pendingAbort = due;
                        armThread(sandbox.m_state, 1);
                        return nullptr;
                    }
                }
            }
            const size_t cap = sandbox.m_limits.memoryBytes;
            const bool sameAsRefused =
                sandbox.m_refusedLast && sandbox.m_refusedPtr == ptr && sandbox.m_refusedSize == nsize;
            if (nsize > cap || sandbox.m_used - oldSize > cap - nsize) {
                // Lua answers a refusal with an emergency collection and asks
                // once more; a second refusal of the same request is final.
                if (sameAsRefused)
                    sandbox.noteMemoryExhausted();
                sandbox.m_refusedLast = true;
                sandbox.m_refusedPtr = ptr;
                sandbox.m_refusedSize = nsize;
                // The hook decides, once script code runs again, that the
                // refusal was final.
                if (sandbox.m_depth > 0)
                    armThread(sandbox.m_state, 1);
                return nullptr;
            }
            // Any other request after a refusal (buffers of the auxiliary
            // library are not retried) means the refusal became an error.
            if (sandbox.m_refusedLast && !sameAsRefused) {
                sandbox.noteMemoryExhausted();
                armThread(sandbox.m_state, 1);
            }
        }
        void *block = std::realloc(ptr, nsize);
        if (!block)
            return nullptr;
        sandbox.m_used = sandbox.m_used - oldSize + nsize;
        if (nsize > oldSize) {
            sandbox.m_refusedLast = false;
            // Buffers of the auxiliary library grow without an emergency
            // collection, so garbage must not pile up near the cap: ask the
            // hook for a full collection at the next instruction. Setting a
            // hook is safe from anywhere, even inside the allocator.
            if (sandbox.m_depth > 0 && !sandbox.m_collectWanted && sandbox.m_used > sandbox.m_collectAbove) {
                sandbox.m_collectWanted = true;
                armThread(sandbox.m_state, 1);
            }
        }
        return block;
    }

    static void armThread(lua_State *thread, int count)
    {
        lua_sethook(thread, &SandboxAccess::hook, LUA_MASKCOUNT, count);
    }

    static void hook(lua_State *L, lua_Debug *)
    {
        LuaSandbox &sandbox = of(L);
        if (sandbox.m_depth == 0)
            return;
        // Script code runs again after a refused allocation: the refusal was final.
        if (sandbox.m_refusedLast)
            sandbox.noteMemoryExhausted();
        AbortReason reason = sandbox.m_pendingAbort;
        if (reason == AbortReason::None)
            reason = dueAbort(sandbox);
        if (reason == AbortReason::None && sandbox.m_collectWanted) {
            sandbox.m_collectWanted = false;
            lua_gc(L, LUA_GCCOLLECT);
            sandbox.m_collectAbove = collectThreshold(sandbox);
        }
        if (reason == AbortReason::None) {
            if (lua_gethookcount(L) != kHookCount)
                armThread(L, kHookCount);
            return;
        }
        stop(L, reason, 0);
    }

    static void checkpoint(lua_State *L)
    {
        LuaSandbox &sandbox = of(L);
        if (sandbox.m_depth == 0)
            return;
        AbortReason reason = sandbox.m_pendingAbort;
        if (reason == AbortReason::None)
            reason = dueAbort(sandbox);
        if (reason != AbortReason::None)
            stop(L, reason, 1);
    }

    // Raises the stop; `level` is the stack level of the script function
    // whose line the message names (0 in the hook, 1 from a C function).
    static void stop(lua_State *L, AbortReason reason, int level)
    {
        LuaSandbox &sandbox = of(L);
        sandbox.m_pendingAbort = reason;
        lua_Debug ar;
        if (sandbox.m_abortWhere.empty() && lua_getstack(L, level, &ar) && lua_getinfo(L, "Sl", &ar) &&
            ar.currentline > 0) {
            try {
                const char *source = ar.source;
                sandbox.m_abortWhere =
                    ((source && source[0] == '@') ? std::string(source + 1) : std::string(ar.short_src)) + ":" +
                    std::to_string(ar.currentline);
            } catch (const std::bad_alloc &) {
                // Without a location the message is still complete.
            }
        }
        // Keep raising on every instruction until the engine has control
        // again, so that pcall or a coroutine inside the script cannot
        // swallow the abort.
        armThread(L, 1);
        if (L != sandbox.m_state)
            armThread(sandbox.m_state, 1);
        lua_rawgetp(L, LUA_REGISTRYINDEX, &kAbortMarkerKey);
        lua_error(L);
    }

    // coroutine.create / coroutine.wrap that give the new thread the hook
    // explicitly instead of relying on inheritance.
    static int hookedCreate(lua_State *L)
    {
        lua_pushvalue(L, lua_upvalueindex(1));
        lua_insert(L, 1);
        lua_call(L, lua_gettop(L) - 1, 1);
        if (lua_State *thread = lua_tothread(L, -1))
            armThread(thread, kHookCount);
        return 1;
    }

    static int hookedWrap(lua_State *L)
    {
        lua_pushvalue(L, lua_upvalueindex(1));
        lua_insert(L, 1);
        lua_call(L, lua_gettop(L) - 1, 1);
        if (lua_getupvalue(L, -1, 1)) {
            if (lua_State *thread = lua_tothread(L, -1))
                armThread(thread, kHookCount);
            lua_pop(L, 1);
        }
        return 1;
    }

    // Sends the stop signal to the thread of the running call, if there is
    // one. Safe against the call ending meanwhile: the call waits for
    // signallers before it returns, so its thread is still alive.
    static void interrupt(LuaSandbox &sandbox)
    {
        sandbox.m_signalling.fetch_add(1);
        if (sandbox.m_callDeadline.load() != kIdle)
            pthread_kill(sandbox.m_thread.load(std::memory_order_relaxed), stopSignalNumber());
        sandbox.m_signalling.fetch_sub(1);
    }

    static int64_t callDeadline(const LuaSandbox &sandbox) { return sandbox.m_callDeadline.load(); }
    static bool runsOnThisThread(const LuaSandbox &sandbox)
    {
        return pthread_equal(sandbox.m_thread.load(std::memory_order_relaxed), pthread_self()) != 0;
    }
    static void forgetCall(LuaSandbox &sandbox) { sandbox.m_callDeadline.store(kIdle); }

    static void onStopSignal()
    {
        if (LuaSandbox *sandbox = t_running; sandbox && sandbox->m_state)
            armThread(sandbox->m_state, 1);
    }

    // Start of an outermost call on this thread, the break request already
    // looked at.
    static void beginCall(LuaSandbox &sandbox)
    {
        lua_State *L = sandbox.m_state;
        if (!g_lazyHook.load(std::memory_order_relaxed)) {
            armThread(L, kHookCount);
            return;
        }
        if (!t_signalUnblocked) {
            sigset_t set;
            sigemptyset(&set);
            sigaddset(&set, stopSignalNumber());
            pthread_sigmask(SIG_UNBLOCK, &set, nullptr);
            t_signalUnblocked = true;
        }
        // Off first: a signal from here on arms it again.
        lua_sethook(L, nullptr, 0, 0);
        sandbox.m_outerRunning = t_running;
        t_running = &sandbox;
        sandbox.m_thread.store(pthread_self(), std::memory_order_relaxed);
        const int64_t deadline = sandbox.m_deadlineMs;
        sandbox.m_callDeadline.store(deadline);
        // A break that came after the request was looked at but before the
        // call was published found no call to signal.
        if (sandbox.m_break.load())
            armThread(L, 1);
        if (deadline != kNoDeadline)
            Watchdog::instance().deadlinePublished(deadline);
    }

    static void endCall(LuaSandbox &sandbox)
    {
        if (!g_lazyHook.load(std::memory_order_relaxed))
            return;
        sandbox.m_callDeadline.store(kIdle);
        while (sandbox.m_signalling.load() != 0)
            std::this_thread::yield();
        t_running = sandbox.m_outerRunning;
        sandbox.m_outerRunning = nullptr;
    }

    static int setup(lua_State *L)
    {
        static const luaL_Reg libraries[] = {
            {LUA_GNAME, luaopen_base},        {LUA_COLIBNAME, luaopen_coroutine}, {LUA_TABLIBNAME, luaopen_table},
            {LUA_STRLIBNAME, luaopen_string}, {LUA_MATHLIBNAME, luaopen_math},    {LUA_UTF8LIBNAME, luaopen_utf8},
        };
        for (const luaL_Reg &library : libraries) {
            luaL_requiref(L, library.name, library.func, 1);
            lua_pop(L, 1);
        }
        lua_pushglobaltable(L);
        // Files, the console and the collector's switches stay out of reach.
        for (const char *name : {"dofile", "loadfile", "print", "warn", "collectgarbage", "require"}) {
            lua_pushnil(L);
            lua_setfield(L, -2, name);
        }
        lua_getfield(L, -1, "load");
        lua_pushcclosure(L, safeLoad, 1);
        lua_setfield(L, -2, "load");
        lua_getfield(L, -1, "setmetatable");
        lua_pushcclosure(L, safeSetmetatable, 1);
        lua_setfield(L, -2, "setmetatable");

        lua_getfield(L, -1, LUA_STRLIBNAME);
        lua_pushnil(L);
        lua_setfield(L, -2, "dump");
        detail::installInterruptiblePatterns(L);
        detail::installBoundedRep(L);
        lua_pop(L, 1);

        lua_getfield(L, -1, LUA_TABLIBNAME);
        detail::installInterruptibleTableFunctions(L);
        lua_pop(L, 1);

        lua_getfield(L, -1, LUA_COLIBNAME);
        lua_getfield(L, -1, "create");
        lua_pushcclosure(L, hookedCreate, 1);
        lua_setfield(L, -2, "create");
        lua_getfield(L, -1, "wrap");
        lua_pushcclosure(L, hookedWrap, 1);
        lua_setfield(L, -2, "wrap");
        lua_pop(L, 2);

        lua_pushliteral(L, "script stopped by the sandbox");
        lua_rawsetp(L, LUA_REGISTRYINDEX, &kAbortMarkerKey);
        return 0;
    }
};

void detail::checkpoint(lua_State *L)
{
    SandboxAccess::checkpoint(L);
}

namespace {

void onStopSignal(int)
{
    const int savedErrno = errno;
    SandboxAccess::onStopSignal();
    errno = savedErrno;
}

void Watchdog::afterForkInChild()
{
    Watchdog &self = instance();
    // This thread took the lock before the fork. The condition variable may
    // still count the parent's watchdog thread as waiting: start it afresh.
    self.m_lock.unlock();
    new (&self.m_wake) std::condition_variable;
    self.m_started = false;
    self.m_wakeRequests = 0;
    self.m_plannedWake.store(kNoDeadline);
    for (Entry &entry : self.m_sandboxes) {
        if (SandboxAccess::callDeadline(*entry.sandbox) != kIdle && !SandboxAccess::runsOnThisThread(*entry.sandbox))
            SandboxAccess::forgetCall(*entry.sandbox);
    }
}

int64_t Watchdog::sweep(bool signalDue)
{
    const int64_t now = nowMs();
    int64_t earliest = kNoDeadline;
    for (Entry &entry : m_sandboxes) {
        const int64_t deadline = SandboxAccess::callDeadline(*entry.sandbox);
        if (deadline == kIdle || deadline == kNoDeadline)
            continue;
        if (deadline > now) {
            earliest = std::min(earliest, deadline);
            continue;
        }
        if (!signalDue)
            continue;
        if (entry.signalledDeadline != deadline || now - entry.signalledAtMs >= kRepeatStopMs) {
            SandboxAccess::interrupt(*entry.sandbox);
            entry.signalledDeadline = deadline;
            entry.signalledAtMs = now;
        }
        earliest = std::min(earliest, entry.signalledAtMs + kRepeatStopMs);
    }
    return earliest;
}

void Watchdog::run()
{
    std::unique_lock lock(m_lock);
    uint64_t seenRequests = m_wakeRequests;
    while (true) {
        int64_t wake = sweep(true);
        // Publish the plan, then look again: a call that published its
        // deadline meanwhile either sees the plan or is seen here.
        while (true) {
            m_plannedWake.store(wake);
            const int64_t again = sweep(false);
            if (again >= wake)
                break;
            wake = again;
        }
        auto woken = [&] { return m_wakeRequests != seenRequests; };
        if (wake == kNoDeadline) {
            m_wake.wait(lock, woken);
        } else {
            const auto at = std::chrono::steady_clock::time_point(std::chrono::milliseconds(wake));
            m_wake.wait_until(lock, at, woken);
        }
        seenRequests = m_wakeRequests;
    }
}

} // namespace

LuaSandbox::LuaSandbox(SandboxLimits limits) : m_limits(limits)
{
    lua_State *L = lua_newstate(&SandboxAccess::alloc, this);
    if (!L) {
        m_initError = "the script state could not be created";
        return;
    }
    // Lua leaves the state's extra space as the allocator gave it; its users
    // (and every coroutine, which copies it) start from nothing.
    std::memset(lua_getextraspace(L), 0, LUA_EXTRASPACE);
    lua_atpanic(L, panicHandler);
    // Set up without the cap: whatever the limits, the state exists and
    // the first run or call reports a cap that is too small.
    lua_pushcfunction(L, &SandboxAccess::setup);
    const int status = lua_pcall(L, 0, 0, 0);
    if (status != LUA_OK) {
        m_initError = "the script state could not be set up: " + errorText(L, -1);
        lua_close(L);
        return;
    }
    SandboxAccess::armThread(L, kHookCount);
    m_state = L;
    ensureStopSignal();
    Watchdog::instance().enrol(this);
}

int LuaSandbox::stopSignal()
{
    return stopSignalNumber();
}

void LuaSandbox::requestBreak()
{
    m_break.store(true);
    if (g_lazyHook.load(std::memory_order_relaxed))
        SandboxAccess::interrupt(*this);
}

LuaSandbox::~LuaSandbox()
{
    if (m_state) {
        Watchdog::instance().withdraw(this);
        lua_close(m_state);
    }
}

kitbox::Status LuaSandbox::run(std::string_view source, const std::string &chunkName)
{
    if (!m_state)
        return kitbox::failure(m_initError);
    ++m_capped;
    const int status = luaL_loadbufferx(m_state, source.data(), source.size(), chunkName.c_str(), "t");
    --m_capped;
    if (status != LUA_OK) {
        std::string message = errorText(m_state, -1);
        lua_pop(m_state, 1);
        if (m_depth == 0)
            m_lastAbort = status == LUA_ERRMEM ? AbortReason::Memory : AbortReason::None;
        if (status == LUA_ERRMEM)
            message = "stopped at the memory limit of " + std::to_string(m_limits.memoryBytes) + " bytes";
        return kitbox::failure(std::move(message));
    }
    return call(0, 0);
}

kitbox::Status LuaSandbox::call(int nargs, int nresults)
{
    if (!m_state)
        return kitbox::failure(m_initError);
    lua_State *L = m_state;
    const int base = lua_gettop(L) - nargs - 1;
    const bool outermost = m_depth == 0;
    if (outermost) {
        m_lastAbort = AbortReason::None;
        m_pendingAbort = AbortReason::None;
        m_abortWhere.clear();
        m_refusedLast = false;
        if (m_break.exchange(false)) {
            lua_settop(L, base);
            m_lastAbort = AbortReason::Break;
            return kitbox::failure("stopped by a break request");
        }
        const int64_t now = nowMs();
        m_deadlineMs = (m_limits.timeLimitMs > 0 && m_limits.timeLimitMs < kNoDeadline - now)
                           ? now + m_limits.timeLimitMs
                           : kNoDeadline;
        m_collectWanted = false;
        m_collectAbove = SandboxAccess::collectThreshold(*this);
        SandboxAccess::beginCall(*this);
    }
    ++m_depth;
    ++m_capped;
    const int status = lua_pcall(L, nargs, nresults, 0);
    --m_capped;
    --m_depth;
    if (outermost)
        SandboxAccess::endCall(*this);

    std::string message;
    if (status != LUA_OK)
        message = errorText(L, -1);
    AbortReason reason = m_pendingAbort;
    if (reason == AbortReason::None && status == LUA_ERRMEM)
        reason = AbortReason::Memory;
    if (status == LUA_OK && reason == AbortReason::None)
        return kitbox::success();
    // A script that swallowed the abort and returned within the last few
    // instructions has still been stopped.
    lua_settop(L, base);

    if (reason != AbortReason::None) {
        switch (reason) {
        case AbortReason::Break:
            message = "stopped by a break request";
            break;
        case AbortReason::TimeLimit:
            message = "stopped at the time limit of " + std::to_string(m_limits.timeLimitMs) + " ms";
            break;
        case AbortReason::Memory:
            message = "stopped at the memory limit of " + std::to_string(m_limits.memoryBytes) + " bytes";
            break;
        case AbortReason::None:
            break;
        }
        if (!m_abortWhere.empty())
            message = m_abortWhere + ": " + message;
    }
    if (outermost) {
        m_lastAbort = reason;
        m_pendingAbort = AbortReason::None;
        if (reason == AbortReason::Break)
            m_break.store(false);
        // Buffers of the auxiliary library are not retried after a
        // collection, so give the next call the garbage of this one back.
        if (reason == AbortReason::Memory)
            lua_gc(L, LUA_GCCOLLECT);
        SandboxAccess::armThread(L, kHookCount);
    }
    return kitbox::failure(std::move(message));
}

} // namespace vedamis
