// Finding, loading and caching descriptions; USES search; group variants.
#include "SessionImpl.h"

#include <lua.hpp>

namespace vedamis {

size_t LoadedDescription::jobIndex(const std::string &upperName) const
{
    for (size_t i = 0; i < jobNames.size(); ++i) {
        if (jobNames[i] == upperName)
            return i;
    }
    return kNoJob;
}

bool LoadedDescription::table(std::string_view tableName, const prg::Table *&found, std::string &reason)
{
    found = nullptr;
    std::optional<size_t> index = file->findTable(tableName);
    if (!index)
        return true;
    auto cached = decodedTables.find(*index);
    if (cached == decodedTables.end()) {
        auto decoded = file->table(*index);
        if (!decoded.ok()) {
            reason = "table " + std::string(tableName) + " of " + name + ": " + decoded.error();
            return false;
        }
        cached = decodedTables.emplace(*index, std::move(decoded.value())).first;
    }
    found = &cached->second;
    return true;
}

SandboxLimits Session::Impl::limits() const
{
    SandboxLimits l;
    l.memoryBytes = static_cast<size_t>(config.number(ConfigKey::JobMemoryLimit)) * 1024u * 1024u;
    l.timeLimitMs = config.number(ConfigKey::JobTimeout);
    return l;
}

namespace {

bool validName(const std::string &name)
{
    if (name.empty() || name.size() > 63 || name == "." || name == "..")
        return false;
    for (char c : name) {
        if (c == '/' || c == '\0' || c == '\\')
            return false;
    }
    return true;
}

// JOBNAME and USES lines of the info block (the bytes after the key, up to LF).
void readInfoBlock(std::string_view info, std::vector<std::string> &jobs, std::vector<std::string> &uses)
{
    size_t start = 0;
    while (start < info.size()) {
        size_t end = info.find('\n', start);
        if (end == std::string_view::npos)
            end = info.size();
        const std::string_view line = info.substr(start, end - start);
        start = end + 1;
        if (line.starts_with("JOBNAME:")) {
            std::string name = toUpper(trim(line.substr(8)));
            if (!name.empty())
                jobs.push_back(std::move(name));
        } else if (line.starts_with("USES:")) {
            for (std::string_view base : split(line.substr(5), ',')) {
                std::string name = toUpper(trim(base));
                if (!name.empty())
                    uses.push_back(std::move(name));
            }
        }
    }
}

} // namespace

Error Session::Impl::loadDescription(const std::string &name, LoadedDescription *&out)
{
    out = nullptr;
    if (!validName(name))
        return makeError(VEDAMIS_ERR_DESCRIPTION_NOT_FOUND, "'" + name + "' is not a description name");
    auto cached = descriptions.find(name);
    // Within one job a description is checked once, so that pointers taken
    // earlier in the job stay valid.
    if (cached != descriptions.end() && cached->second->checkedInJob == jobSerial) {
        out = cached->second.get();
        return {};
    }
    const std::string &dir = config.text(ConfigKey::EcuPath);
    // Taken before the file is looked at: a change after that moves it on.
    const int64_t generation = watch.generation(dir);
    if (cached != descriptions.end() && generation >= 0 && cached->second->checkedGeneration == generation &&
        cached->second->directory == dir) {
        cached->second->checkedInJob = jobSerial;
        out = cached->second.get();
        return {};
    }
    const std::string known = cached != descriptions.end() ? cached->second->path : std::string();
    std::string path;
    FileStamp stamp;
    if (!locateFile(dir, name + ".PRG", known, path, stamp) && !locateFile(dir, name + ".GRP", {}, path, stamp))
        return makeError(VEDAMIS_ERR_DESCRIPTION_NOT_FOUND, name + " (no " + name + ".PRG or .GRP in " + dir + ")");
    if (cached != descriptions.end() && cached->second->path == path && cached->second->stamp == stamp) {
        cached->second->checkedInJob = jobSerial;
        cached->second->checkedGeneration = generation;
        cached->second->directory = dir;
        out = cached->second.get();
        return {};
    }
    auto loaded = prg::DescriptionFile::load(path);
    if (!loaded.ok()) {
        descriptions.erase(name);
        variants.erase(name);
        return makeError(VEDAMIS_ERR_DESCRIPTION_INVALID, loaded.error());
    }
    auto desc = std::make_unique<LoadedDescription>();
    desc->name = name;
    desc->path = path;
    desc->directory = dir;
    desc->stamp = stamp;
    desc->checkedGeneration = generation;
    desc->checkedInJob = jobSerial;
    desc->file = std::make_unique<prg::DescriptionFile>(std::move(loaded.value()));
    desc->isGroup = desc->file->isGroup();
    readInfoBlock(desc->file->infoBlock(), desc->jobNames, desc->uses);
    out = desc.get();
    descriptions[name] = std::move(desc);
    variants.erase(name); // a changed group file identifies anew
    return {};
}

Error Session::Impl::ensureEvaluated(LoadedDescription &desc)
{
    if (desc.model)
        return {};
    auto sandbox = std::make_unique<LuaSandbox>(limits());
    const std::string fileName = desc.path.substr(desc.path.rfind('/') + 1);
    // Before the script runs: coroutines it makes now take the slot along.
    attachJobSlot(sandbox->state(), &desc.runningJob);
    auto model = evaluateSource(*sandbox, desc.file->script(), fileName);
    if (!model.ok())
        return makeError(VEDAMIS_ERR_DESCRIPTION_INVALID, model.error());
    installJobApi(sandbox->state());
    desc.model = std::move(model.value());
    desc.sandbox = std::move(sandbox);
    // The script's own list of jobs and bases is the one that runs.
    desc.jobNames.clear();
    for (const JobSpec &job : desc.model->jobs)
        desc.jobNames.push_back(toUpper(job.name));
    desc.jobRefs.assign(desc.jobNames.size(), LUA_NOREF);
    desc.uses.clear();
    for (const std::string &base : desc.model->ecu.uses)
        desc.uses.push_back(toUpper(trim(base)));
    return {};
}

Error Session::Impl::findJob(LoadedDescription &start, const std::string &job, LoadedDescription *&owner, size_t &index)
{
    // Depth-first through the USES lists in their order; each description
    // once. A base is loaded only when the search reaches it, so a missing
    // base matters only when the job is not found before it.
    // Most jobs live in the named description itself: found without the
    // bookkeeping of the search.
    if (Error evaluated = ensureEvaluated(start); evaluated.failed())
        return evaluated;
    index = start.jobIndex(job);
    if (index != LoadedDescription::kNoJob) {
        owner = &start;
        return {};
    }
    struct Pending {
        std::string name;
        std::string usedBy;
    };
    std::vector<Pending> stack{{start.name, {}}};
    std::set<std::string> visited;
    Error firstLoadError;
    while (!stack.empty()) {
        Pending next = std::move(stack.back());
        stack.pop_back();
        if (!visited.insert(next.name).second)
            continue;
        LoadedDescription *desc = &start;
        if (!next.usedBy.empty()) {
            Error error = loadDescription(next.name, desc);
            if (error.failed()) {
                if (!firstLoadError.failed())
                    firstLoadError = makeError(error.code, error.text.substr(error.text.find(": ") + 2) + ", used by " +
                                                               next.usedBy);
                continue;
            }
        }
        // The script, not the info block, decides which jobs and bases exist.
        Error evaluated = ensureEvaluated(*desc);
        if (evaluated.failed())
            return evaluated;
        index = desc->jobIndex(job);
        if (index != LoadedDescription::kNoJob) {
            owner = desc;
            return {};
        }
        for (auto it = desc->uses.rbegin(); it != desc->uses.rend(); ++it) {
            if (!visited.count(*it))
                stack.push_back({*it, desc->name});
        }
    }
    if (firstLoadError.failed())
        return firstLoadError;
    return makeError(VEDAMIS_ERR_JOB_NOT_FOUND, job + " in " + start.name);
}

Error Session::Impl::identifyVariant(LoadedDescription &group, JobContext &ctx, std::string &variant)
{
    auto known = variants.find(group.name);
    if (known != variants.end()) {
        variant = known->second;
        return {};
    }
    Error error = ensureEvaluated(group);
    if (error.failed())
        return error;
    // The identification talks through the group's own simulation file and
    // writes no results.
    ResultStore scratch;
    JobContext identify;
    identify.session = this;
    identify.target = &group;
    identify.owner = &group;
    identify.jobName = ctx.jobName;
    identify.results = &scratch;
    std::string returned;
    error = callInSandbox(group, identify, LoadedDescription::kNoJob, &returned);
    if (error.failed())
        return makeError(error.code, "identification of " + group.name + ": " + error.text);
    for (const std::string &candidate : group.model->variants) {
        if (equalsIgnoreCase(candidate, trim(returned))) {
            variant = toUpper(trim(candidate));
            variants[group.name] = variant;
            return {};
        }
    }
    return makeError(VEDAMIS_ERR_VARIANT,
                     group.name + " identified '" + returned + "', which is not among its variants");
}

void Session::Impl::unloadAll()
{
    descriptions.clear();
    variants.clear();
    simulations.clear();
}

} // namespace vedamis
