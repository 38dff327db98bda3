// The functions a job script calls (argtext, send, result, ...) and the call
// of a job function inside its description's sandbox.
//
// Lua reports errors with longjmp, which skips C++ destructors. Every job
// function therefore reads its arguments first, does its C++ work in a
// helper that keeps its objects to itself (texts it returns go into the job
// context), and only then pushes values or raises.
#include "SessionImpl.h"

#include <lua.hpp>

#include <array>
#include <cmath>
#include <new>

namespace vedamis {
namespace {

// The state's slot for the running job sits in the state's extra space, which
// Lua copies into every coroutine the script makes: reaching it costs no call
// into the library, and every job function asks for it.
static_assert(LUA_EXTRASPACE >= sizeof(JobContext **));

JobContext **&jobSlotOf(lua_State *L)
{
    return *static_cast<JobContext ***>(lua_getextraspace(L));
}

JobContext *contextOf(lua_State *L, const char *function)
{
    JobContext **slot = jobSlotOf(L);
    JobContext *ctx = slot ? *slot : nullptr;
    if (!ctx)
        luaL_error(L, "%s() is only available while a job runs", function);
    return ctx;
}

// Raises ctx.raisedText as the error; the engine maps it back to ctx.raisedCode.
int raise(lua_State *L, JobContext &ctx)
{
    lua_pushlstring(L, ctx.raisedText.data(), ctx.raisedText.size());
    return lua_error(L);
}

bool setRaised(JobContext &ctx, int16_t code, const std::string &text)
{
    ctx.raisedCode = code;
    ctx.raisedText = text;
    return false;
}

// C++ exceptions must not cross the Lua frames (they unwind with longjmp):
// an allocation failure inside a helper becomes a memory error of the job.
template <typename Work> bool guarded(JobContext &ctx, Work &&work)
{
    try {
        return work();
    } catch (const std::bad_alloc &) {
        ctx.raisedCode = VEDAMIS_ERR_JOB_MEMORY;
        ctx.raisedText.clear();
        ctx.raisedText.append("out of memory"); // fits the string's inner buffer
        return false;
    }
}

int apiArgtext(lua_State *L)
{
    JobContext *ctx = contextOf(L, "argtext");
    lua_pushlstring(L, ctx->arguments.data(), ctx->arguments.size());
    return 1;
}

int apiArg(lua_State *L)
{
    JobContext *ctx = contextOf(L, "arg");
    lua_Integer i = luaL_checkinteger(L, 1);
    if (i < 1 || static_cast<size_t>(i) > ctx->argumentList.size()) {
        lua_pushnil(L);
        return 1;
    }
    const std::string &value = ctx->argumentList[static_cast<size_t>(i) - 1];
    lua_pushlstring(L, value.data(), value.size());
    return 1;
}

int apiArgcount(lua_State *L)
{
    JobContext *ctx = contextOf(L, "argcount");
    lua_pushinteger(L, static_cast<lua_Integer>(ctx->argumentList.size()));
    return 1;
}

int apiData(lua_State *L)
{
    JobContext *ctx = contextOf(L, "data");
    lua_pushlstring(L, ctx->data.data(), ctx->data.size());
    return 1;
}

// Pushes the string kept for `text`; false (nothing pushed) when there is none.
bool pushKept(lua_State *L, const KeptString &kept, std::string_view text)
{
    if (!kept.valid || kept.text != text)
        return false;
    lua_rawgeti(L, LUA_REGISTRYINDEX, kept.ref);
    return true;
}

// Keeps the string on top of the stack (left there) for `text`.
void keepTop(lua_State *L, KeptString &kept, std::string_view text)
{
    if (text.size() > KeptString::kMaxBytes)
        return;
    kept.valid = false;
    lua_pushvalue(L, -1);
    if (kept.ref == LUA_NOREF)
        kept.ref = luaL_ref(L, LUA_REGISTRYINDEX);
    else
        lua_rawseti(L, LUA_REGISTRYINDEX, kept.ref);
    try {
        kept.text.assign(text);
        kept.valid = true;
    } catch (const std::bad_alloc &) {
        // Not kept: the next string is made anew.
    }
}

int apiHex(lua_State *L)
{
    JobContext *ctx = contextOf(L, "hex");
    size_t length = 0;
    const char *text = luaL_checklstring(L, 1, &length);
    KeptString &kept = ctx->owner->lastHexInput;
    if (pushKept(L, kept, std::string_view(text, length)))
        return 1;
    bool valid = true;
    if (!guarded(*ctx, [&] {
            valid = parseHex(std::string_view(text, length), ctx->scratch);
            return true;
        }))
        return raise(L, *ctx);
    if (!valid)
        return luaL_error(L, "hex: '%s' is not a text of hex bytes", text);
    lua_pushlstring(L, ctx->scratch.data(), ctx->scratch.size());
    keepTop(L, kept, std::string_view(text, length));
    return 1;
}

int apiTohex(lua_State *L)
{
    JobContext *ctx = contextOf(L, "tohex");
    size_t length = 0;
    const char *bytes = luaL_checklstring(L, 1, &length);
    if (!guarded(*ctx, [&] {
            ctx->scratch = toHex(std::string_view(bytes, length));
            return true;
        }))
        return raise(L, *ctx);
    lua_pushlstring(L, ctx->scratch.data(), ctx->scratch.size());
    return 1;
}

bool doSend(JobContext &ctx)
{
    Error error = ctx.session->exchange(ctx, ctx.request, ctx.response);
    if (error.failed())
        return setRaised(ctx, error.code, error.text);
    return true;
}

int apiSend(lua_State *L)
{
    JobContext *ctx = contextOf(L, "send");
    size_t length = 0;
    const char *bytes = luaL_checklstring(L, 1, &length);
    if (length == 0)
        return luaL_error(L, "send: empty request");
    if (!guarded(*ctx, [&] {
            ctx->request.assign(bytes, length);
            return doSend(*ctx);
        }))
        return raise(L, *ctx);
    KeptString &kept = ctx->owner->lastAnswer;
    if (!pushKept(L, kept, ctx->response)) {
        lua_pushlstring(L, ctx->response.data(), ctx->response.size());
        keepTop(L, kept, ctx->response);
    }
    return 1;
}

struct ResultArgs {
    const char *name = nullptr;
    size_t nameLength = 0;
    const char *type = nullptr;
    size_t typeLength = 0;
    int luaType = LUA_TNIL;
    bool isInteger = false;
    lua_Integer integer = 0;
    lua_Number number = 0;
    const char *text = nullptr;
    size_t textLength = 0;
};

// Bytes a result name may not hold: a blank, a line break or NUL.
constexpr std::array<bool, 256> kNameBreaks = [] {
    std::array<bool, 256> breaks{};
    for (unsigned char c : {' ', '\t', '\r', '\n', '\0'})
        breaks[c] = true;
    return breaks;
}();

// 1 to 63 bytes, none of them a name break.
bool plainResultName(std::string_view name)
{
    if (name.empty() || name.size() > 63)
        return false;
    for (char c : name) {
        if (kNameBreaks[static_cast<unsigned char>(c)])
            return false;
    }
    return true;
}

bool addResult(JobContext &ctx, const ResultArgs &a)
{
    const std::string_view name(a.name, a.nameLength);
    auto bad = [&](const std::string &why) {
        return setRaised(ctx, VEDAMIS_ERR_JOB_RESULT,
                         makeError(VEDAMIS_ERR_JOB_RESULT, "result " + std::string(name) + ": " + why).text);
    };
    if (!plainResultName(name))
        return bad("a name has 1 to 63 characters and no blanks");
    ValueType type;
    if (!valueTypeFromName(std::string_view(a.type, a.typeLength), type))
        return bad(std::string("unknown type '") + a.type + "'");
    // Checked first, stored after: the entry is written in place.
    int64_t integer = 0;
    double real = 0.0;
    if (isIntegerType(type)) {
        if (a.luaType != LUA_TNUMBER)
            return bad(std::string(a.type) + " needs an integer, not a " +
                       (a.luaType == LUA_TSTRING ? "string" : "non-number"));
        if (a.isInteger) {
            integer = a.integer;
        } else if (std::isfinite(a.number) && std::floor(a.number) == a.number && std::fabs(a.number) < 9.2e18) {
            integer = static_cast<int64_t>(a.number);
        } else {
            return bad(std::string(a.type) + " needs an integer, not " + std::to_string(a.number));
        }
        int64_t min = 0, max = 0;
        integerRange(type, min, max);
        if (integer < min || integer > max)
            return bad("value " + std::to_string(integer) + " out of range " + std::to_string(min) + ".." +
                       std::to_string(max) + " of " + a.type);
    } else if (type == ValueType::Real) {
        if (a.luaType != LUA_TNUMBER)
            return bad("real needs a number");
        real = a.isInteger ? static_cast<double>(a.integer) : a.number;
    } else {
        if (a.luaType != LUA_TSTRING)
            return bad(std::string(a.type) + " needs a string");
        if (type == ValueType::Binary && a.textLength > VEDAMIS_BINARY_EXT_MAX)
            return bad("binary value of " + std::to_string(a.textLength) + " bytes (at most 65536)");
    }
    std::string reason;
    NamedValue *entry = ctx.results->add(name, reason);
    if (!entry)
        return bad(reason);
    Value &value = entry->value;
    value.type = type;
    value.integer = integer;
    value.real = real;
    if (type == ValueType::Text || type == ValueType::Binary)
        value.bytes.assign(a.text, a.textLength);
    else
        value.bytes.clear();
    return true;
}

int apiResult(lua_State *L)
{
    JobContext *ctx = contextOf(L, "result");
    ResultArgs a;
    // The checking functions only on the way to their error: every job gives many results.
    a.name = lua_tolstring(L, 1, &a.nameLength);
    if (!a.name)
        a.name = luaL_checklstring(L, 1, &a.nameLength);
    a.type = lua_tolstring(L, 2, &a.typeLength);
    if (!a.type)
        a.type = luaL_checklstring(L, 2, &a.typeLength);
    if (lua_isinteger(L, 3)) {
        a.luaType = LUA_TNUMBER;
        a.isInteger = true;
        a.integer = lua_tointeger(L, 3);
    } else {
        a.luaType = lua_type(L, 3);
        if (a.luaType == LUA_TNUMBER)
            a.number = lua_tonumber(L, 3);
        else if (a.luaType == LUA_TSTRING)
            a.text = lua_tolstring(L, 3, &a.textLength);
    }
    if (!guarded(*ctx, [&] { return addResult(*ctx, a); }))
        return raise(L, *ctx);
    return 0;
}

bool startSet(JobContext &ctx)
{
    std::string reason;
    if (!ctx.results->newSet(reason))
        return setRaised(ctx, VEDAMIS_ERR_JOB_RESULT, makeError(VEDAMIS_ERR_JOB_RESULT, reason).text);
    return true;
}

int apiNewset(lua_State *L)
{
    JobContext *ctx = contextOf(L, "newset");
    if (!guarded(*ctx, [&] { return startSet(*ctx); }))
        return raise(L, *ctx);
    return 0;
}

int apiFail(lua_State *L)
{
    JobContext *ctx = contextOf(L, "fail");
    if (lua_gettop(L) >= 2) {
        lua_Integer code = luaL_checkinteger(L, 1);
        if (code < VEDAMIS_ERR_USER_FIRST || code > INT16_MAX)
            return luaL_error(L, "fail: a job's own error code is 1000..32767");
        size_t length = 0;
        const char *text = luaL_checklstring(L, 2, &length);
        guarded(*ctx, [&] {
            ctx->raisedCode = static_cast<int16_t>(code);
            ctx->raisedText.assign(text, length);
            return true;
        });
    } else {
        size_t length = 0;
        const char *text = luaL_optlstring(L, 1, "", &length);
        guarded(*ctx, [&] {
            ctx->raisedCode = VEDAMIS_ERR_JOB_FAILED;
            ctx->raisedText = baseErrorText(VEDAMIS_ERR_JOB_FAILED);
            if (length > 0) {
                ctx->raisedText += ": ";
                ctx->raisedText.append(text, length);
            }
            return true;
        });
    }
    return raise(L, *ctx);
}

// The job's own description first, then the one it was called for.
bool findTable(JobContext &ctx, std::string_view name, const prg::Table *&table)
{
    table = nullptr;
    std::string reason;
    for (LoadedDescription *desc : {ctx.owner, ctx.target}) {
        if (!desc)
            continue;
        if (!desc->table(name, table, reason))
            return setRaised(ctx, VEDAMIS_ERR_DESCRIPTION_INVALID,
                             makeError(VEDAMIS_ERR_DESCRIPTION_INVALID, reason).text);
        if (table)
            return true;
    }
    return true;
}

void pushRow(lua_State *L, const prg::Table &table, size_t row)
{
    lua_createtable(L, 0, static_cast<int>(table.columns));
    for (size_t c = 0; c < table.columns; ++c) {
        const std::string &header = table.cells[c];
        const std::string &cell = table.cells[row * table.columns + c];
        lua_pushlstring(L, header.data(), header.size());
        lua_pushlstring(L, cell.data(), cell.size());
        lua_rawset(L, -3);
    }
}

int apiTabrow(lua_State *L)
{
    JobContext *ctx = contextOf(L, "tabrow");
    const char *tableName = luaL_checkstring(L, 1);
    size_t columnLength = 0, valueLength = 0;
    const char *column = luaL_checklstring(L, 2, &columnLength);
    const char *value = luaL_checklstring(L, 3, &valueLength);
    const prg::Table *table = nullptr;
    if (!guarded(*ctx, [&] { return findTable(*ctx, tableName, table); }))
        return raise(L, *ctx);
    if (!table)
        return luaL_error(L, "tabrow: no table %s", tableName);
    size_t columnIndex = table->columns;
    for (size_t c = 0; c < table->columns; ++c) {
        if (equalsIgnoreCase(table->cells[c], std::string_view(column, columnLength)))
            columnIndex = c;
    }
    if (columnIndex == table->columns)
        return luaL_error(L, "tabrow: table %s has no column %s", tableName, column);
    for (size_t row = 1; row <= table->rows; ++row) {
        if (equalsIgnoreCase(table->cells[row * table->columns + columnIndex], std::string_view(value, valueLength))) {
            pushRow(L, *table, row);
            return 1;
        }
    }
    lua_pushnil(L);
    return 1;
}

int apiTabrows(lua_State *L)
{
    JobContext *ctx = contextOf(L, "tabrows");
    const char *tableName = luaL_checkstring(L, 1);
    const prg::Table *table = nullptr;
    if (!guarded(*ctx, [&] { return findTable(*ctx, tableName, table); }))
        return raise(L, *ctx);
    if (!table)
        return luaL_error(L, "tabrows: no table %s", tableName);
    lua_createtable(L, static_cast<int>(std::min<uint32_t>(table->rows, 1u << 20)), 0);
    for (size_t row = 1; row <= table->rows; ++row) {
        pushRow(L, *table, row);
        lua_rawseti(L, -2, static_cast<lua_Integer>(row));
    }
    return 1;
}

bool doSleep(JobContext &ctx, int64_t ms)
{
    Error error = ctx.session->waitInterruptible(ms, ctx);
    if (error.failed())
        return setRaised(ctx, error.code, error.text);
    return true;
}

int apiSleep(lua_State *L)
{
    JobContext *ctx = contextOf(L, "sleep");
    lua_Number ms = luaL_checknumber(L, 1);
    if (!(ms > 0))
        return 0;
    const int64_t wait = ms > 3.6e6 ? 3600000 : static_cast<int64_t>(ms);
    if (!guarded(*ctx, [&] { return doSleep(*ctx, wait); }))
        return raise(L, *ctx);
    return 0;
}

int apiJobname(lua_State *L)
{
    JobContext *ctx = contextOf(L, "jobname");
    lua_pushlstring(L, ctx->jobName.data(), ctx->jobName.size());
    return 1;
}

int apiDescription(lua_State *L)
{
    JobContext *ctx = contextOf(L, "description");
    const std::string &name = ctx->target ? ctx->target->name : ctx->owner->name;
    lua_pushlstring(L, name.data(), name.size());
    return 1;
}

} // namespace

void attachJobSlot(lua_State *L, JobContext **slot)
{
    jobSlotOf(L) = slot;
}

void installJobApi(lua_State *L)
{
    static const luaL_Reg functions[] = {
        {"argtext", apiArgtext}, {"arg", apiArg},         {"argcount", apiArgcount},
        {"data", apiData},       {"hex", apiHex},         {"tohex", apiTohex},
        {"send", apiSend},       {"result", apiResult},   {"newset", apiNewset},
        {"fail", apiFail},       {"tabrow", apiTabrow},   {"tabrows", apiTabrows},
        {"sleep", apiSleep},     {"jobname", apiJobname}, {"description", apiDescription},
        {nullptr, nullptr},
    };
    lua_pushglobaltable(L);
    luaL_setfuncs(L, functions, 0);
    lua_pop(L, 1);
}

// Pushes the function of job `index`. The first start of a job looks it up
// in the registry's job table and keeps a reference; later starts take it by
// number.
static bool pushJobFunction(lua_State *L, LoadedDescription &desc, size_t index)
{
    int &ref = desc.jobRefs[index];
    if (ref != LUA_NOREF) {
        lua_rawgeti(L, LUA_REGISTRYINDEX, ref);
        return true;
    }
    if (lua_getfield(L, LUA_REGISTRYINDEX, kJobRegistryKey) != LUA_TTABLE)
        return false;
    lua_getfield(L, -1, desc.jobNames[index].c_str());
    lua_remove(L, -2);
    if (!lua_isfunction(L, -1))
        return false;
    lua_pushvalue(L, -1);
    ref = luaL_ref(L, LUA_REGISTRYINDEX);
    return true;
}

Error Session::Impl::callInSandbox(LoadedDescription &desc, JobContext &ctx, size_t jobIndex, std::string *returned)
{
    LuaSandbox &sandbox = *desc.sandbox;
    lua_State *L = sandbox.state();
    sandbox.setLimits(limits());
    const int top = lua_gettop(L);
    const bool isJob = jobIndex != LoadedDescription::kNoJob;
    if (isJob) {
        if (!pushJobFunction(L, desc, jobIndex)) {
            lua_settop(L, top);
            return makeError(VEDAMIS_ERR_JOB_NOT_FOUND, desc.jobNames[jobIndex] + " in " + desc.name);
        }
    } else {
        lua_getfield(L, LUA_REGISTRYINDEX, kIdentifyKey);
        if (!lua_isfunction(L, -1)) {
            lua_settop(L, top);
            return makeError(VEDAMIS_ERR_VARIANT, "identify function in " + desc.name);
        }
    }
    JobContext *const outer = desc.runningJob;
    desc.runningJob = &ctx;
    ctx.sandbox = &sandbox;
    {
        std::lock_guard lock(breakMutex);
        activeSandbox = &sandbox;
        if (breakRequested)
            sandbox.requestBreak();
        else
            sandbox.clearBreak();
    }
    kitbox::Status status = sandbox.call(0, returned ? 1 : 0);
    {
        std::lock_guard lock(breakMutex);
        activeSandbox = nullptr;
    }
    desc.runningJob = outer;

    if (status.ok()) {
        Error error;
        if (returned) {
            if (lua_type(L, -1) == LUA_TSTRING)
                *returned = lua_tostring(L, -1);
            else
                error = makeError(VEDAMIS_ERR_VARIANT, "the identify function of " + desc.name + " returned no text");
        }
        lua_settop(L, top);
        return error;
    }
    lua_settop(L, top);
    const std::string &message = status.error();
    Error error;
    switch (sandbox.lastAbort()) {
    case AbortReason::Break:
        error = makeError(VEDAMIS_ERR_JOB_BREAK, message);
        break;
    case AbortReason::TimeLimit:
        error = makeError(VEDAMIS_ERR_JOB_TIME_LIMIT, message);
        break;
    case AbortReason::Memory:
        error = makeError(VEDAMIS_ERR_JOB_MEMORY, message);
        break;
    case AbortReason::None:
        if (ctx.raisedCode == VEDAMIS_ERR_JOB_MEMORY && message == ctx.raisedText) {
            // Raised while memory was short, without the fixed text then.
            error = makeError(VEDAMIS_ERR_JOB_MEMORY, ctx.raisedText);
        } else if (ctx.raisedCode != 0 && message == ctx.raisedText) {
            error.code = ctx.raisedCode;
            error.text = ctx.raisedText;
        } else {
            error = makeError(VEDAMIS_ERR_JOB_RUNTIME, ctx.jobName + ": " + message);
        }
        break;
    }
    if (config.number(ConfigKey::BipDebugLevel) > 0 && ifhTrace.enabled(1))
        ifhTrace.line("ERR " + desc.name + " " + ctx.jobName + " " + std::to_string(error.code) + " " + error.text);
    return error;
}

} // namespace vedamis
