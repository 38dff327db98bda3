#pragma once
// Inside of a session: configuration, loaded descriptions with their Lua
// states, simulation files, traces, the results and the running job.
#include <vedamis/Engine.h>
#include <vedamis/SimulationFile.h>

#include "Config.h"
#include "DoipLink.h"
#include "Errors.h"
#include "FileWatch.h"
#include "PcapWriter.h"
#include "ResultStore.h"
#include "TextUtil.h"
#include "TraceFile.h"

#include <prg/Prg.h>
#include <vedamis/DescriptionSource.h>
#include <vedamis/LuaSandbox.h>

#include <atomic>
#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace vedamis {

struct JobContext;

// A short text and the Lua string made of it last time, held in the state's
// registry: a job that makes the same string again (the same request given
// to hex(), the same answer of send()) takes it from there instead of
// hashing and interning it anew.
struct KeptString {
    static constexpr size_t kMaxBytes = 256;
    std::string text;
    int ref = -2; // LUA_NOREF until the first string is kept
    bool valid = false;
};

struct LoadedDescription {
    std::string name; // upper-case, without extension
    std::string path;
    std::string directory; // EcuPath when the file was found
    FileStamp stamp;
    int64_t checkedGeneration = -1; // FileWatch generation of the directory when last checked
    bool isGroup = false;
    // The file's bytes; tables are decoded when a job first asks for them.
    std::unique_ptr<prg::DescriptionFile> file;
    std::map<size_t, prg::Table> decodedTables;
    std::vector<std::string> jobNames; // own jobs in info-block order, upper-case
    // Registry references of the job functions, by the index of jobNames;
    // taken on a job's first start (LUA_NOREF until then).
    std::vector<int> jobRefs;
    std::vector<std::string> uses; // base descriptions, upper-case, in search order
    // Built on the first Lua job: the script's state and what it declares.
    std::unique_ptr<LuaSandbox> sandbox;
    std::optional<SourceModel> model;
    // The job running in this description's state, null between jobs. The
    // job functions hold its address as their upvalue.
    JobContext *runningJob = nullptr;
    KeptString lastHexInput;   // text: the argument of hex(); string: its bytes
    KeptString lastAnswer;     // text and string: the last answer of send()
    uint64_t checkedInJob = 0; // Session::Impl::jobSerial of the job that last checked the file

    static constexpr size_t kNoJob = SIZE_MAX;
    // Index of the job in jobNames, kNoJob when the description has none of that name.
    size_t jobIndex(const std::string &upperName) const;
    // The table of that name (case ignored), nullptr when there is none;
    // false with a reason when the table is damaged.
    bool table(std::string_view name, const prg::Table *&found, std::string &reason);
};

struct CachedSimulation {
    std::string path;
    std::string directory;
    FileStamp stamp;
    int64_t checkedGeneration = -1;
    uint64_t checkedInJob = 0;
    SimulationFile file;
};

// Everything the job functions of the script reach while one job runs.
struct JobContext {
    Session::Impl *session = nullptr;
    LoadedDescription *target = nullptr; // the description the job runs for (the variant of a group)
    LoadedDescription *owner = nullptr;  // the description whose script defines the job
    std::string jobName;
    std::string arguments;
    std::vector<std::string> argumentList;
    std::string data;
    ResultStore *results = nullptr;
    LuaSandbox *sandbox = nullptr; // the state running the job; its call's deadline is the job's
    // An error raised by a job function on purpose (fail, send, result, ...):
    // when the call fails with exactly this text, this code is reported.
    int16_t raisedCode = 0;
    std::string raisedText;
    // Owned storage for texts handed to Lua. Job functions keep no C++
    // objects of their own alive across Lua calls that may raise an error,
    // since a raised error unwinds with longjmp.
    std::string scratch;
    std::string request;
    std::string response;
};

// Hidden: only the public methods of Session leave the library.
struct __attribute__((visibility("hidden"))) Session::Impl {
    Session *self = nullptr;
    mutable std::mutex apiMutex;   // one API call at a time
    std::atomic<bool> open{false}; // read by the handle table without the API lock
    Config config;
    Error lastError;
    ResultStore results;
    std::string formatScratch; // formatted result texts, kept for its storage
    bool jobFailed = true;     // no job yet: no result sets
    std::map<std::string, std::unique_ptr<LoadedDescription>> descriptions;
    std::map<std::string, std::string> variants; // group name -> identified variant
    std::map<std::string, CachedSimulation> simulations;
    // Counts job starts: a file checked for changes in this job is not checked again.
    uint64_t jobSerial = 0;
    FileWatch watch; // spares a stat per file and job while nothing changes
    TraceFile ifhTrace{"IFH.TRC"};
    TraceFile apiTrace{"API.TRC"};
    PcapWriter pcap;                // PcapFile: the link traffic as a capture
    std::string pcapPath;           // the capture's file while one is written
    DoipLink doip{ifhTrace, pcap}; // the DOIP interface's connection, kept across jobs

    // Break handling across threads.
    std::mutex breakMutex;
    std::condition_variable breakCv;
    // Set under breakMutex (so that a waiting job wakes); the job start
    // clears it without the lock, a break at that moment may go either way.
    std::atomic<bool> breakRequested{false};
    LuaSandbox *activeSandbox = nullptr;

    void setError(Error error) { lastError = std::move(error); }
    bool fail(int16_t code, const std::string &detail)
    {
        setError(makeError(code, detail));
        return false;
    }

    Error configureTraces();
    void runJobCommon(std::string_view description, std::string_view job, std::string_view arguments,
                      std::string_view data, bool dataMode, std::string_view resultFilter);
    Error executeJob(const std::string &descName, const std::string &jobName, JobContext &ctx, std::string &variant);

    // Descriptions (Descriptions.cpp).
    Error loadDescription(const std::string &name, LoadedDescription *&out);
    Error ensureEvaluated(LoadedDescription &desc);
    Error findJob(LoadedDescription &start, const std::string &job, LoadedDescription *&owner, size_t &index);
    Error identifyVariant(LoadedDescription &group, JobContext &ctx, std::string &variant);
    void unloadAll();
    SandboxLimits limits() const;

    // Running Lua functions (JobApi.cpp).
    // Calls job jobIndex of desc, or with LoadedDescription::kNoJob the
    // group's identify function, whose text goes to *returned.
    Error callInSandbox(LoadedDescription &desc, JobContext &ctx, size_t jobIndex, std::string *returned);

    // The interface (Interface.cpp): one request, one response.
    Error exchange(JobContext &ctx, const std::string &request, std::string &response);
    Error exchangeSimulation(JobContext &ctx, const std::string &request, std::string &response);
    Error exchangeDoip(JobContext &ctx, const std::string &request, std::string &response);
    // Waits up to ms; BREAK or TIME_LIMIT error when interrupted.
    Error waitInterruptible(int64_t ms, const JobContext &ctx);
};

// Where the job functions of a state find the running job's context; set
// before the description's script runs, so that every coroutine has it.
void attachJobSlot(lua_State *L, JobContext **slot);
// Installs the job functions as globals.
void installJobApi(lua_State *L);
int64_t steadyNowMs();

} // namespace vedamis
