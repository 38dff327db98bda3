#include "SessionImpl.h"
#include "ValueText.h"

#include <chrono>

namespace vedamis {

int64_t steadyNowMs()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

namespace {
const char *const kUnloadName = "$$$$$$$$";
} // namespace

Session::Session() : m(std::make_unique<Impl>())
{
    m->self = this;
    m->lastError = makeError(VEDAMIS_ERR_INVALID_HANDLE, "session not opened");
}

Session::~Session() = default;

bool Session::open(const SessionOptions &options)
{
    std::lock_guard lock(m->apiMutex);
    m->open = false;
    m->config = Config();
    Error error = m->config.loadDefaultIni();
    if (!error.failed() && !trim(options.interfaceName).empty())
        error = m->config.set("Interface", options.interfaceName);
    if (!error.failed())
        error = m->config.set("Unit", options.unit);
    if (!error.failed())
        error = m->config.set("Application", options.application);
    if (!error.failed())
        error = m->config.applySettings(options.settings);
    if (!error.failed())
        error = m->configureTraces();
    if (error.failed()) {
        m->setError(error);
        return false;
    }
    m->open = true;
    m->lastError = {};
    return true;
}

bool Session::isOpen() const
{
    return m->open.load();
}

void Session::refuse(int16_t code, const std::string &detail)
{
    std::lock_guard lock(m->apiMutex);
    m->open = false;
    m->setError(makeError(code, detail));
}

Error Session::Impl::configureTraces()
{
    std::string reason;
    const std::string &dir = config.text(ConfigKey::TracePath);
    if (!ifhTrace.configure(dir, static_cast<int>(config.number(ConfigKey::IfhTrace)), reason))
        return makeError(VEDAMIS_ERR_TRACE, reason);
    if (!apiTrace.configure(dir, static_cast<int>(config.number(ConfigKey::ApiTrace)), reason))
        return makeError(VEDAMIS_ERR_TRACE, reason);
    const std::string &capture = config.text(ConfigKey::PcapFile);
    if (pcap.isOpen() != !capture.empty() || (pcap.isOpen() && capture != pcapPath)) {
        // A capture holds whole connections: the next request connects anew.
        doip.disconnect();
        if (!pcap.configure(capture, reason))
            return makeError(VEDAMIS_ERR_CAPTURE, reason);
        pcapPath = capture;
    }
    return {};
}

void Session::runJob(std::string_view description, std::string_view job, std::string_view arguments,
                     std::string_view resultFilter)
{
    m->runJobCommon(description, job, arguments, {}, false, resultFilter);
}

void Session::rejectJob(const std::string &detail)
{
    std::lock_guard lock(m->apiMutex);
    m->results.clear();
    m->jobFailed = true;
    m->setError(makeError(VEDAMIS_ERR_BAD_ARGUMENT, detail));
}

void Session::runJobData(std::string_view description, std::string_view job, std::string_view data,
                         std::string_view resultFilter)
{
    m->runJobCommon(description, job, {}, data, true, resultFilter);
}

void Session::Impl::runJobCommon(std::string_view description, std::string_view job, std::string_view arguments,
                                 std::string_view data, bool dataMode, std::string_view resultFilter)
{
    std::lock_guard lock(apiMutex);
    results.clear();
    jobFailed = true;
    lastError = {};
    ++jobSerial;
    watch.poll();
    // A break that came while no job ran must not stop this one.
    breakRequested.store(false, std::memory_order_relaxed);
    if (!open) {
        setError(makeError(VEDAMIS_ERR_INVALID_HANDLE, "session not open"));
        return;
    }
    std::string descName = toUpper(trim(description));
    // A file name is accepted for the description name.
    if (descName.size() > 4 && (descName.ends_with(".PRG") || descName.ends_with(".GRP")))
        descName.resize(descName.size() - 4);
    const std::string jobName = toUpper(trim(job));
    if (descName.empty() || jobName.empty()) {
        setError(makeError(VEDAMIS_ERR_BAD_ARGUMENT, "description and job must be named"));
        return;
    }
    if (dataMode && data.size() > VEDAMIS_DATA_MAX) {
        setError(makeError(VEDAMIS_ERR_BAD_ARGUMENT,
                           "data argument of " + std::to_string(data.size()) + " bytes (at most 65536)"));
        return;
    }
    if (descName == kUnloadName && jobName == kUnloadName) {
        unloadAll();
        jobFailed = false;
        return;
    }

    JobContext ctx;
    ctx.session = this;
    ctx.jobName = jobName;
    ctx.results = &results;
    if (dataMode) {
        ctx.data = std::string(data);
    } else {
        ctx.arguments = std::string(arguments);
        if (!ctx.arguments.empty()) {
            for (std::string_view part : split(ctx.arguments, ';'))
                ctx.argumentList.emplace_back(part);
        }
    }
    if (ifhTrace.enabled(2)) {
        if (dataMode)
            ifhTrace.line("JOB " + descName + " " + jobName + " DATA " + std::to_string(data.size()) + " bytes");
        else
            ifhTrace.line("JOB " + descName + " " + jobName + " ARG \"" + ctx.arguments + "\"");
    }
    std::string variant;
    Error error = executeJob(descName, jobName, ctx, variant);
    if (error.failed()) {
        // Nothing of a failed job is readable: its sets would be incomplete.
        results.clear();
        setError(error);
    } else {
        results.applyFilter(resultFilter);
        jobFailed = false;
    }
    results.addSystemText("VARIANTE", variant);
    if (config.number(ConfigKey::SystemResults) == 1) {
        results.addSystemText("OBJECT", descName);
        results.addSystemText("JOBNAME", jobName);
        results.addSystemInteger("SAETZE", ValueType::Word, static_cast<int64_t>(results.jobSetCount()));
    }
    // The simulation interface always reports battery voltage and ignition as present.
    if (config.number(ConfigKey::UbattHandling) == 1)
        results.addSystemInteger("UBATTCURRENT", ValueType::Int, 1);
    if (config.number(ConfigKey::IgnitionHandling) == 1)
        results.addSystemInteger("IGNITIONCURRENT", ValueType::Int, 1);
    if (ifhTrace.enabled(2)) {
        ifhTrace.line("END " + descName + " " + jobName + " sets " + std::to_string(results.jobSetCount()) + " error " +
                      std::to_string(lastError.code) + (lastError.failed() ? " " + lastError.text : std::string()));
    }
}

Error Session::Impl::executeJob(const std::string &descName, const std::string &jobName, JobContext &ctx,
                                std::string &variant)
{
    LoadedDescription *called = nullptr;
    Error error = loadDescription(descName, called);
    if (error.failed())
        return error;
    LoadedDescription *target = called;
    if (called->isGroup) {
        std::string variantName;
        error = identifyVariant(*called, ctx, variantName);
        if (error.failed())
            return error;
        error = loadDescription(variantName, target);
        if (error.failed())
            return makeError(VEDAMIS_ERR_VARIANT,
                             "variant " + variantName + " of group " + descName + ": " + error.text);
        if (target->isGroup)
            return makeError(VEDAMIS_ERR_VARIANT,
                             "variant " + variantName + " of group " + descName + " is a group file itself");
    }
    variant = target->name;
    ctx.target = target;

    if (jobName == "_JOBS") {
        std::string reason;
        for (const std::string &name : target->jobNames) {
            if (!results.newSet(reason) || !results.add("JOBNAME", Value::makeText(name), reason))
                return makeError(VEDAMIS_ERR_JOB_RESULT, reason);
        }
        return {};
    }
    if (jobName == "_VERSIONINFO") {
        error = ensureEvaluated(*target);
        if (error.failed())
            return error;
        const EcuSpec &ecu = target->model->ecu;
        std::string reason;
        auto put = [&](const std::string &name, const std::string &value) {
            if (!value.empty())
                results.add(name, Value::makeText(value), reason);
        };
        put("ECU", ecu.name);
        put("ORIGIN", ecu.origin);
        put("REVISION", ecu.revision);
        put("AUTHOR", ecu.author);
        put("PACKAGE", ecu.package);
        put("FROM", ecu.from);
        put("BIP_VERSION", ecu.bipVersion);
        for (size_t i = 0; i < ecu.comment.size(); ++i)
            put("ECUCOMMENT" + std::to_string(i), ecu.comment[i]);
        for (size_t i = 0; i < ecu.uses.size(); ++i)
            put("USES" + std::to_string(i), ecu.uses[i]);
        return {};
    }

    LoadedDescription *owner = nullptr;
    size_t index = LoadedDescription::kNoJob;
    error = findJob(*target, jobName, owner, index);
    if (error.failed())
        return error;
    ctx.owner = owner;
    return callInSandbox(*owner, ctx, index, nullptr);
}

bool Session::resultSets(int16_t &sets)
{
    std::lock_guard lock(m->apiMutex);
    if (!m->open)
        return m->fail(VEDAMIS_ERR_INVALID_HANDLE, "session not open");
    if (m->jobFailed) {
        // The job's own error stays the one to report.
        if (!m->lastError.failed())
            m->setError(makeError(VEDAMIS_ERR_SET_NOT_FOUND, "no job has run"));
        return false;
    }
    sets = static_cast<int16_t>(m->results.jobSetCount());
    return true;
}

bool Session::resultNumber(int set, int16_t &count)
{
    std::lock_guard lock(m->apiMutex);
    if (set < 0 || !m->results.hasSet(static_cast<size_t>(set)))
        return m->fail(VEDAMIS_ERR_SET_NOT_FOUND, "set " + std::to_string(set));
    count = static_cast<int16_t>(m->results.set(static_cast<size_t>(set)).size());
    return true;
}

bool Session::resultName(int set, int index, std::string &name)
{
    std::lock_guard lock(m->apiMutex);
    if (set < 0 || !m->results.hasSet(static_cast<size_t>(set)))
        return m->fail(VEDAMIS_ERR_SET_NOT_FOUND, "set " + std::to_string(set));
    const auto &values = m->results.set(static_cast<size_t>(set));
    if (index < 1 || static_cast<size_t>(index) > values.size())
        return m->fail(VEDAMIS_ERR_RESULT_NOT_FOUND,
                       "index " + std::to_string(index) + " in set " + std::to_string(set));
    name = values[static_cast<size_t>(index) - 1].name;
    return true;
}

static bool lookUp(Session::Impl &impl, int set, std::string_view name, const NamedValue *&found)
{
    if (set < 0 || !impl.results.hasSet(static_cast<size_t>(set)))
        return impl.fail(VEDAMIS_ERR_SET_NOT_FOUND, "set " + std::to_string(set));
    found = impl.results.find(static_cast<size_t>(set), name);
    if (!found)
        return impl.fail(VEDAMIS_ERR_RESULT_NOT_FOUND, std::string(name) + " in set " + std::to_string(set));
    return true;
}

bool Session::resultType(int set, std::string_view name, int16_t &type)
{
    std::lock_guard lock(m->apiMutex);
    const NamedValue *found = nullptr;
    if (!lookUp(*m, set, name, found))
        return false;
    type = static_cast<int16_t>(found->value.type);
    return true;
}

bool Session::resultValue(int set, std::string_view name, Value &value)
{
    std::lock_guard lock(m->apiMutex);
    const NamedValue *found = nullptr;
    if (!lookUp(*m, set, name, found))
        return false;
    value = found->value;
    return true;
}

bool Session::resultText(int set, std::string_view name, std::string_view format, std::string &text)
{
    std::lock_guard lock(m->apiMutex);
    const NamedValue *found = nullptr;
    if (!lookUp(*m, set, name, found))
        return false;
    std::string rendered;
    if (!formatValue(found->value, format, rendered))
        return m->fail(VEDAMIS_ERR_FORMAT, std::string(name) + ": " + rendered);
    text = std::move(rendered);
    return true;
}

bool Session::resultText(int set, std::string_view name, std::string_view format, char *buffer, size_t capacity,
                         size_t &length)
{
    std::lock_guard lock(m->apiMutex);
    const NamedValue *found = nullptr;
    if (!lookUp(*m, set, name, found))
        return false;
    if (trim(format).empty()) {
        // The usual read: no text is built on the way.
        writeDefaultText(found->value, buffer, capacity, length);
        return true;
    }
    std::string &rendered = m->formatScratch;
    if (!formatValue(found->value, format, rendered))
        return m->fail(VEDAMIS_ERR_FORMAT, std::string(name) + ": " + rendered);
    writeText(rendered, buffer, capacity, length);
    return true;
}

bool Session::resultInt(int set, std::string_view name, int16_t &value)
{
    std::lock_guard lock(m->apiMutex);
    const NamedValue *found = nullptr;
    if (!lookUp(*m, set, name, found))
        return false;
    const Value &v = found->value;
    int64_t number = 0;
    if (v.type == ValueType::Word) {
        // A word is 16 bits wide: its upper half reads as a negative integer.
        value = static_cast<int16_t>(static_cast<uint16_t>(v.integer));
        return true;
    }
    if (isIntegerType(v.type)) {
        number = v.integer;
    } else {
        std::string text;
        if (!formatValue(v, "I", text))
            return m->fail(VEDAMIS_ERR_RESULT_TYPE, std::string(name) + ": " + text);
        number = std::stoll(text);
    }
    if (number < INT16_MIN || number > INT16_MAX)
        return m->fail(VEDAMIS_ERR_RESULT_RANGE,
                       std::string(name) + ": " + std::to_string(number) + " does not fit into 16 bits");
    value = static_cast<int16_t>(number);
    return true;
}

bool Session::resultBinary(int set, std::string_view name, size_t maxLength, std::string &bytes)
{
    std::lock_guard lock(m->apiMutex);
    const NamedValue *found = nullptr;
    if (!lookUp(*m, set, name, found))
        return false;
    const Value &v = found->value;
    if (v.type != ValueType::Binary && v.type != ValueType::Text)
        return m->fail(VEDAMIS_ERR_RESULT_TYPE, std::string(name) + " is neither binary nor text");
    if (v.bytes.size() > maxLength)
        return m->fail(VEDAMIS_ERR_BINARY_BUFFER, std::string(name) + " has " + std::to_string(v.bytes.size()) +
                                                      " bytes, the buffer takes " + std::to_string(maxLength));
    bytes = v.bytes;
    return true;
}

int16_t Session::errorCode() const
{
    std::lock_guard lock(m->apiMutex);
    return m->lastError.code;
}

std::string Session::errorText() const
{
    std::lock_guard lock(m->apiMutex);
    return m->lastError.failed() ? m->lastError.text : std::string();
}

void Session::requestBreak()
{
    std::lock_guard lock(m->breakMutex);
    // Seen by delays and sleeps, and by a script started later in this job.
    m->breakRequested = true;
    if (m->activeSandbox)
        m->activeSandbox->requestBreak();
    m->breakCv.notify_all();
    m->doip.wake();
}

bool Session::getConfig(std::string_view name, std::string &value, size_t maxLength)
{
    std::lock_guard lock(m->apiMutex);
    std::string found;
    Error error = m->config.get(name, found);
    if (!error.failed() && found.size() > maxLength)
        error = makeError(VEDAMIS_ERR_BAD_ARGUMENT,
                          std::string(trim(name)) + " is longer than " + std::to_string(maxLength) + " bytes");
    if (error.failed()) {
        m->setError(error);
        return false;
    }
    value = std::move(found);
    return true;
}

bool Session::setConfig(std::string_view name, std::string_view value)
{
    std::lock_guard lock(m->apiMutex);
    if (!m->open)
        return m->fail(VEDAMIS_ERR_INVALID_HANDLE, "session not open");
    Config before = m->config;
    Error error = m->config.set(name, value);
    if (!error.failed())
        error = m->configureTraces();
    if (error.failed()) {
        m->config = before;
        Error restore = m->configureTraces();
        (void)restore; // the former trace settings worked before
        m->setError(error);
        return false;
    }
    // Another interface or other paths may identify another variant.
    m->variants.clear();
    return true;
}

int Session::apiTraceLevel() const
{
    return m->apiTrace.level();
}

void Session::traceApi(int level, std::string_view line)
{
    if (m->apiTrace.enabled(level))
        m->apiTrace.line(line);
}

// --- Engine: the table of handles ---------------------------------------

Engine &Engine::instance()
{
    static Engine engine;
    return engine;
}

bool Engine::enableServer(int32_t flag)
{
    if (flag < 0)
        return false;
    std::lock_guard lock(m_mutex);
    m_server = true;
    m_maxSessions = flag > 0 ? flag : 64;
    return true;
}

void Engine::disableServer()
{
    std::lock_guard lock(m_mutex);
    m_server = false;
    m_maxSessions = 1;
}

bool Engine::serverMode() const
{
    std::lock_guard lock(m_mutex);
    return m_server;
}

int32_t Engine::open(const SessionOptions &options, bool &ok)
{
    auto session = std::make_shared<Session>();
    // Counting and opening under one lock, so that two threads opening at
    // once cannot both pass the limit.
    std::lock_guard lock(m_mutex);
    size_t alreadyOpen = 0;
    for (const auto &entry : m_sessions)
        alreadyOpen += entry.second->isOpen() ? 1 : 0;
    const int32_t handle = m_nextHandle++;
    if (m_nextHandle <= 0)
        m_nextHandle = 1;
    m_sessions[handle] = session;
    m_generation.fetch_add(1, std::memory_order_release);
    if (alreadyOpen >= static_cast<size_t>(m_maxSessions)) {
        session->refuse(VEDAMIS_ERR_SESSION_LIMIT, m_server
                                                       ? std::to_string(m_maxSessions) + " sessions are open"
                                                       : "a session is open already (enableServerVB allows several)");
        ok = false;
    } else {
        ok = session->open(options);
    }
    return handle;
}

std::shared_ptr<Session> Engine::find(int32_t handle) const
{
    std::lock_guard lock(m_mutex);
    auto it = m_sessions.find(handle);
    return it == m_sessions.end() ? nullptr : it->second;
}

void Engine::close(int32_t handle)
{
    std::shared_ptr<Session> session;
    {
        std::lock_guard lock(m_mutex);
        auto it = m_sessions.find(handle);
        if (it == m_sessions.end())
            return;
        session = std::move(it->second);
        m_sessions.erase(it);
        m_generation.fetch_add(1, std::memory_order_release);
    }
    // A job still running in another thread is stopped; the session object
    // lives until that call returns.
    session->requestBreak();
}

size_t Engine::openSessions() const
{
    std::lock_guard lock(m_mutex);
    size_t count = 0;
    for (const auto &entry : m_sessions)
        count += entry.second->isOpen() ? 1 : 0;
    return count;
}

} // namespace vedamis
