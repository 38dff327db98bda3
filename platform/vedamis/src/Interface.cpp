// The interface a job talks through. SIMULATION answers from the simulation
// file of the description the job was called for; DOIP sends the request to
// the ECU over a DoIP connection.
#include "SessionImpl.h"

#include <chrono>

namespace vedamis {
namespace {

// The telegram lines of IFH.TRC, the same for every interface.
void traceRequest(TraceFile &trace, const std::string &request, int attempt)
{
    if (!trace.enabled(1))
        return;
    std::string line = "REQ " + toHex(request);
    if (trace.enabled(3))
        line += "  ; " + std::to_string(request.size()) + " bytes" + (attempt ? ", repeated" : "");
    trace.line(line);
}

void traceResponse(TraceFile &trace, const std::string &response, int64_t start)
{
    if (!trace.enabled(1))
        return;
    std::string line = "RSP " + toHex(response);
    if (trace.enabled(3))
        line += "  ; " + std::to_string(response.size()) + " bytes, " + std::to_string(steadyNowMs() - start) + " ms";
    trace.line(line);
}

} // namespace

Error Session::Impl::waitInterruptible(int64_t ms, const JobContext &ctx)
{
    int64_t until = steadyNowMs() + ms;
    bool limitFirst = false;
    const int64_t deadline = ctx.sandbox ? ctx.sandbox->deadlineMs() : INT64_MAX;
    if (deadline < until) {
        until = deadline;
        limitFirst = true;
    }
    std::unique_lock lock(breakMutex);
    while (!breakRequested) {
        const int64_t now = steadyNowMs();
        if (now >= until)
            break;
        breakCv.wait_for(lock, std::chrono::milliseconds(until - now));
    }
    if (breakRequested)
        return makeError(VEDAMIS_ERR_JOB_BREAK, "while waiting");
    if (limitFirst)
        return makeError(VEDAMIS_ERR_JOB_TIME_LIMIT,
                         "while waiting (" + std::to_string(config.number(ConfigKey::JobTimeout)) + " ms)");
    return {};
}

Error Session::Impl::exchange(JobContext &ctx, const std::string &request, std::string &response)
{
    if (config.simulationActive())
        return exchangeSimulation(ctx, request, response);
    if (config.text(ConfigKey::Interface) == "DOIP")
        return exchangeDoip(ctx, request, response);
    return makeError(VEDAMIS_ERR_IFH_NOT_AVAILABLE,
                     config.text(ConfigKey::Interface) + " (this runtime offers SIMULATION and DOIP)");
}

Error Session::Impl::exchangeDoip(JobContext &ctx, const std::string &request, std::string &response)
{
    DoipSettings settings;
    settings.host = config.text(ConfigKey::DoipHost);
    settings.port = static_cast<uint16_t>(config.number(ConfigKey::DoipPort));
    settings.tester = static_cast<uint16_t>(config.number(ConfigKey::DoipTesterAddress));
    settings.discovery = static_cast<int>(config.number(ConfigKey::DoipDiscovery));
    settings.broadcast = config.text(ConfigKey::DoipBroadcast);
    settings.controlMs = config.number(ConfigKey::DoipControlTimeout);
    settings.p2Ms = config.number(ConfigKey::DoipP2);
    settings.p2StarMs = config.number(ConfigKey::DoipP2Star);
    settings.testerPresentMs = config.number(ConfigKey::DoipTesterPresent);
    // The description names its ECU's address; the configured one serves
    // descriptions that do not.
    int64_t ecu = config.number(ConfigKey::DoipEcuAddress);
    const std::string &named = ctx.target->model ? ctx.target->model->ecu.doipAddress : std::string();
    if (!named.empty() && !parseAddress(named, ecu))
        return makeError(VEDAMIS_ERR_DESCRIPTION_INVALID, ctx.target->name + ": doip_address '" + named + "'");
    DoipWait wait;
    wait.breakRequested = &breakRequested;
    if (ctx.sandbox)
        wait.jobDeadlineMs = ctx.sandbox->deadlineMs();
    wait.jobTimeoutMs = config.number(ConfigKey::JobTimeout);

    const int attempts = config.number(ConfigKey::RetryComm) == 1 ? 2 : 1;
    Error error;
    for (int attempt = 0; attempt < attempts; ++attempt) {
        const int64_t start = ifhTrace.enabled(3) ? steadyNowMs() : 0;
        traceRequest(ifhTrace, request, attempt);
        error = doip.exchange(settings, static_cast<uint16_t>(ecu), request, response, wait);
        if (!error.failed()) {
            traceResponse(ifhTrace, response, start);
            return {};
        }
        if (ifhTrace.enabled(1))
            ifhTrace.line(error.code == VEDAMIS_ERR_IFH_NO_RESPONSE ? "NRS no response" : "NRS " + error.text);
        // Retried: a missing answer, and a lost connection (connecting anew).
        if (error.code != VEDAMIS_ERR_IFH_NO_RESPONSE && error.code != VEDAMIS_ERR_DOIP_CONNECTION_LOST)
            break;
    }
    return error;
}

Error Session::Impl::exchangeSimulation(JobContext &ctx, const std::string &request, std::string &response)
{
    const std::string &name = ctx.target->name;
    const std::string &dir = config.text(ConfigKey::SimulationPath);
    auto cached = simulations.find(name);
    // The file is looked at once per job; later requests of the job use what was read.
    const int64_t generation = watch.generation(dir);
    const bool sameDirectory = cached != simulations.end() && cached->second.directory == dir;
    const bool unchanged = sameDirectory && generation >= 0 && cached->second.checkedGeneration == generation;
    const bool checked = cached != simulations.end() && (unchanged || cached->second.checkedInJob == jobSerial);
    if (!checked) {
        std::string path;
        FileStamp stamp;
        const std::string known = cached != simulations.end() ? cached->second.path : std::string();
        if (!locateFile(dir, name + ".SIM", known, path, stamp)) {
            simulations.erase(name);
            return makeError(VEDAMIS_ERR_SIM_FILE_MISSING, dir + "/" + name + ".SIM");
        }
        if (cached == simulations.end() || cached->second.path != path || !(cached->second.stamp == stamp)) {
            // Changed or new: read again; the response cycles start over.
            simulations.erase(name);
            CachedSimulation fresh;
            std::string content, reason;
            if (!readWholeFile(path, content, reason))
                return makeError(VEDAMIS_ERR_SIM_FILE, reason);
            if (!fresh.file.parse(content, path, reason))
                return makeError(VEDAMIS_ERR_SIM_FILE, reason);
            fresh.path = std::move(path);
            fresh.directory = dir;
            fresh.stamp = stamp;
            cached = simulations.emplace(name, std::move(fresh)).first;
        }
    }
    cached->second.checkedGeneration = generation;
    cached->second.checkedInJob = jobSerial;
    if (!sameDirectory)
        cached->second.directory = dir;
    SimulationFile &file = cached->second.file;
    const std::string &path = cached->second.path;
    const int attempts = config.number(ConfigKey::RetryComm) == 1 ? 2 : 1;
    for (int attempt = 0; attempt < attempts; ++attempt) {
        const int64_t start = ifhTrace.enabled(3) ? steadyNowMs() : 0; // only the detailed trace shows the time
        traceRequest(ifhTrace, request, attempt);
        int entryLine = 0;
        // Stays valid: nothing parses the file again while this job runs.
        const SimResponse *answer = file.answer(request, entryLine);
        const bool matched = answer != nullptr;
        if (ifhTrace.enabled(3)) {
            const std::string fileName = path.substr(path.rfind('/') + 1);
            ifhTrace.line(matched ? "SIM " + fileName + ":" + std::to_string(entryLine) +
                                        (answer->delayMs ? " delay " + std::to_string(answer->delayMs) + " ms" : "")
                                  : "SIM " + fileName + " has no entry for this request");
        }
        if (matched && answer->delayMs > 0) {
            Error error = waitInterruptible(answer->delayMs, ctx);
            if (error.failed())
                return error;
        }
        if (matched && !answer->none) {
            response = answer->bytes;
            traceResponse(ifhTrace, response, start);
            return {};
        }
        if (ifhTrace.enabled(1))
            ifhTrace.line("NRS no response");
    }
    return makeError(VEDAMIS_ERR_IFH_NO_RESPONSE, "request " + toHex(request));
}

} // namespace vedamis
