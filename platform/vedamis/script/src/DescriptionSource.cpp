#include "vedamis/DescriptionSource.h"

#include "vedamis/LuaSandbox.h"

#include <lua.hpp>

#include <algorithm>
#include <charconv>
#include <map>
#include <optional>

namespace vedamis {

namespace {

constexpr size_t kMaxNameLength = 63;

const char *const kResultTypes[] = {"char", "byte", "int", "word", "long", "dword", "text", "binary", "real"};

// Functions of the job interface: defined by the engine while a job runs.
// During evaluation they raise a clear error instead.
const char *const kJobFunctions[] = {"argtext", "arg",     "argcount", "data",    "hex",
                                     "tohex",   "send",    "result",   "newset",  "fail",
                                     "tabrow",  "tabrows", "sleep",    "jobname", "description"};
const char *const kDeclarations[] = {"ecu", "tab", "job", "group"};

// Registry keys (their addresses) of the running evaluation and of the
// globals that evaluation covers up; distinct values, so that merging of
// equal constants can never give them one address.
const char kContextKey = 'c';
const char kSavedGlobalsKey = 's';

std::string upper(std::string_view text)
{
    std::string result(text);
    std::transform(result.begin(), result.end(), result.begin(),
                   [](unsigned char c) { return static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c); });
    return result;
}

struct Declaration {
    std::string kind; // "job" or "tab": declared by name, body not seen yet
    std::string name;
    int line = 0;
};

struct EvalContext {
    std::string fileName;
    SourceModel model;
    std::map<std::string, int> jobLines;   // upper-cased name -> line
    std::map<std::string, int> tableLines; // upper-cased name -> line
    std::optional<Declaration> open;       // `job "X"` seen, its body not yet
    std::string error;                     // message to raise, owned here so nothing is lost on longjmp
};

EvalContext *contextOf(lua_State *L)
{
    lua_rawgetp(L, LUA_REGISTRYINDEX, &kContextKey);
    auto *ctx = static_cast<EvalContext *>(lua_touserdata(L, -1));
    lua_pop(L, 1);
    return ctx;
}

int callerLine(lua_State *L)
{
    lua_Debug ar;
    if (lua_getstack(L, 1, &ar) && lua_getinfo(L, "l", &ar) && ar.currentline > 0)
        return ar.currentline;
    return 0;
}

// Raises ctx->error. Every C++ object of the caller must be gone by now:
// the error unwinds with longjmp.
int raiseContextError(lua_State *L, EvalContext *ctx)
{
    lua_pushlstring(L, ctx->error.data(), ctx->error.size());
    return lua_error(L);
}

std::string located(const EvalContext &ctx, int line, const std::string &reason)
{
    return ctx.fileName + ":" + std::to_string(line) + ": " + reason;
}

// --- reading declaration tables without calling metamethods or allocating
// inside the state (so that no Lua error can cut through C++ frames) ---

std::string keyText(lua_State *L, int index)
{
    if (lua_type(L, index) == LUA_TSTRING)
        return std::string("'") + lua_tostring(L, index) + "'";
    if (lua_isinteger(L, index))
        return "[" + std::to_string(lua_tointeger(L, index)) + "]";
    return std::string("a ") + lua_typename(L, lua_type(L, index)) + " key";
}

// A list: keys exactly 1..n. Returns n, or nullopt with `error` set.
std::optional<size_t> listLength(lua_State *L, int index, const std::string &what, std::string &error)
{
    const size_t length = static_cast<size_t>(lua_rawlen(L, index));
    size_t count = 0;
    lua_pushnil(L);
    while (lua_next(L, index)) {
        const bool positional =
            lua_isinteger(L, -2) && lua_tointeger(L, -2) >= 1 && static_cast<size_t>(lua_tointeger(L, -2)) <= length;
        if (!positional) {
            error = what + " must be a list, but has the entry " + keyText(L, -2);
            lua_pop(L, 2);
            return std::nullopt;
        }
        ++count;
        lua_pop(L, 1);
    }
    if (count != length) {
        error = what + " must be a list without holes";
        return std::nullopt;
    }
    return length;
}

bool stringAt(lua_State *L, int index, std::string &out)
{
    if (lua_type(L, index) != LUA_TSTRING)
        return false;
    size_t length = 0;
    const char *text = lua_tolstring(L, index, &length);
    out.assign(text, length);
    return true;
}

std::string checkName(const std::string &name, const std::string &what)
{
    if (name.empty())
        return what + " is empty";
    if (name.size() > kMaxNameLength)
        return what + " '" + name + "' is longer than " + std::to_string(kMaxNameLength) + " bytes";
    for (unsigned char c : name) {
        if (c <= ' ' || c == 0x7F)
            return what + " '" + name + "' contains a blank or control character";
    }
    return {};
}

std::string checkOneLine(const std::string &text, const std::string &what)
{
    if (text.find_first_of(std::string("\n\r\0", 3)) != std::string::npos)
        return what + " must be one line of text";
    return {};
}

// One text or a list of texts at `index`; `onText` takes each in turn and
// returns an error text or "". `wrongKind` is the error for anything else.
template <typename OnText>
std::string forEachText(lua_State *L, int index, const std::string &wrongKind, const std::string &what, OnText onText)
{
    std::string text;
    if (stringAt(L, index, text))
        return onText(text);
    if (lua_type(L, index) != LUA_TTABLE)
        return wrongKind;
    std::string error;
    const auto length = listLength(L, index, what, error);
    if (!length)
        return error;
    for (size_t i = 1; i <= *length; ++i) {
        lua_rawgeti(L, index, static_cast<lua_Integer>(i));
        const bool isText = stringAt(L, -1, text);
        lua_pop(L, 1);
        if (!isText)
            return wrongKind;
        if (std::string e = onText(text); !e.empty())
            return e;
    }
    return {};
}

// A comment: one text or a list of texts; texts with line breaks give several lines.
std::string readComment(lua_State *L, int index, const std::string &what, std::vector<std::string> &lines)
{
    auto addText = [&](const std::string &text) -> std::string {
        if (text.find('\0') != std::string::npos)
            return what + " contains a NUL character";
        size_t start = 0;
        while (true) {
            const size_t end = text.find('\n', start);
            std::string line = text.substr(start, end == std::string::npos ? std::string::npos : end - start);
            if (!line.empty() && line.back() == '\r')
                line.pop_back();
            if (line.find('\r') != std::string::npos)
                return what + " contains a carriage return";
            lines.push_back(std::move(line));
            if (end == std::string::npos)
                return {};
            start = end + 1;
        }
    };
    return forEachText(L, index, what + " must be a text or a list of texts", what, addText);
}

// A list of names (or one name).
std::string readNames(lua_State *L, int index, const std::string &what, std::vector<std::string> &names)
{
    return forEachText(L, index, what + " must be a name or a list of names", what,
                       [&](const std::string &text) -> std::string {
                           if (std::string e = checkName(text, what); !e.empty())
                               return e;
                           names.push_back(text);
                           return {};
                       });
}

// Walks the string keys of a declaration table; `field` reads one value
// (at stack top) and returns an error text or "".
template <typename Field> std::string readFields(lua_State *L, int index, const std::string &what, Field field)
{
    lua_pushnil(L);
    while (lua_next(L, index)) {
        std::string key;
        if (!stringAt(L, -2, key)) {
            std::string error = what + " has the unexpected entry " + keyText(L, -2);
            lua_pop(L, 2);
            return error;
        }
        std::string error = field(key, lua_gettop(L));
        lua_pop(L, 1);
        if (!error.empty()) {
            lua_pop(L, 1);
            return error;
        }
    }
    return {};
}

// "0x0010" or "16": the logical address of the ECU on a DoIP link.
bool isAddress(const std::string &text)
{
    std::string_view digits = text;
    int base = 10;
    if (digits.size() > 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X')) {
        digits.remove_prefix(2);
        base = 16;
    }
    unsigned value = 0;
    auto [ptr, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), value, base);
    return !digits.empty() && ec == std::errc() && ptr == digits.data() + digits.size() && value <= 0xFFFF;
}

std::string readEcu(lua_State *L, EcuSpec &ecu)
{
    std::string error = readFields(L, 1, "ecu", [&](const std::string &key, int value) -> std::string {
        std::string *target = nullptr;
        if (key == "name")
            target = &ecu.name;
        else if (key == "origin")
            target = &ecu.origin;
        else if (key == "revision")
            target = &ecu.revision;
        else if (key == "author")
            target = &ecu.author;
        else if (key == "package")
            target = &ecu.package;
        else if (key == "from")
            target = &ecu.from;
        else if (key == "bip_version")
            target = &ecu.bipVersion;
        else if (key == "doip_address") {
            if (!stringAt(L, value, ecu.doipAddress) || !isAddress(ecu.doipAddress))
                return "ecu field doip_address must be a text holding an address 0x0000..0xFFFF";
            return {};
        }
        else if (key == "comment")
            return readComment(L, value, "ecu comment", ecu.comment);
        else if (key == "uses")
            return readNames(L, value, "ecu uses", ecu.uses);
        else
            return "ecu has the unknown field '" + key + "'";
        if (!stringAt(L, value, *target))
            return "ecu field " + key + " must be a text";
        return checkOneLine(*target, "ecu field " + key);
    });
    if (!error.empty())
        return error;
    if (ecu.name.empty())
        return "ecu needs a name";
    return checkName(ecu.name, "ecu name");
}

bool isResultType(const std::string &type)
{
    return std::find(std::begin(kResultTypes), std::end(kResultTypes), type) != std::end(kResultTypes);
}

// args = { { name = , type = , comment = }, ... } or the same for results.
std::string readParams(lua_State *L, int index, const std::string &what, bool arguments, std::vector<ParamSpec> &out)
{
    if (lua_type(L, index) != LUA_TTABLE)
        return what + " must be a list of { name = ..., type = ... }";
    std::string error;
    const auto length = listLength(L, index, what, error);
    if (!length)
        return error;
    std::map<std::string, bool> seen;
    for (size_t i = 1; i <= *length; ++i) {
        lua_rawgeti(L, index, static_cast<lua_Integer>(i));
        const int entry = lua_gettop(L);
        const std::string entryWhat = what + " entry " + std::to_string(i);
        ParamSpec param;
        if (lua_type(L, entry) != LUA_TTABLE) {
            error = entryWhat + " must be a table { name = ..., type = ... }";
        } else {
            error = readFields(L, entry, entryWhat, [&](const std::string &key, int value) -> std::string {
                if (key == "name")
                    return stringAt(L, value, param.name) ? std::string() : entryWhat + ": name must be a text";
                if (key == "type")
                    return stringAt(L, value, param.type) ? std::string() : entryWhat + ": type must be a text";
                if (key == "comment")
                    return readComment(L, value, entryWhat + " comment", param.comment);
                return entryWhat + " has the unknown field '" + key + "'";
            });
        }
        lua_pop(L, 1);
        if (!error.empty())
            return error;
        if (param.name.empty())
            return entryWhat + " needs a name";
        if (std::string e = checkName(param.name, entryWhat + " name"); !e.empty())
            return e;
        if (param.type.empty())
            return what + " " + param.name + " needs a type";
        if (!isResultType(param.type) && !(arguments && param.type == "string"))
            return what + " " + param.name + " has the unknown type '" + param.type +
                   "' (allowed: " + (arguments ? "string, " : "") +
                   "char, byte, int, word, long, dword, text, binary, real)";
        if (!seen.emplace(upper(param.name), true).second)
            return what + " " + param.name + " is declared twice";
        out.push_back(std::move(param));
    }
    return {};
}

// Reads the body of `job "NAME" { ... }` (argument 1). On success the run
// function is left on the stack top.
std::string readJob(lua_State *L, JobSpec &job)
{
    const std::string what = "job " + job.name;
    bool haveRun = false;
    std::string error = readFields(L, 1, what, [&](const std::string &key, int value) -> std::string {
        if (key == "comment")
            return readComment(L, value, what + " comment", job.comment);
        if (key == "args")
            return readParams(L, value, what + " argument", true, job.args);
        if (key == "results")
            return readParams(L, value, what + " result", false, job.results);
        if (key == "run") {
            if (lua_type(L, value) != LUA_TFUNCTION)
                return what + ": run must be a function";
            haveRun = true;
            return {};
        }
        return what + " has the unknown field '" + key + "'";
    });
    if (!error.empty())
        return error;
    if (!haveRun)
        return what + " has no run function";
    return {};
}

std::string readGroup(lua_State *L, SourceModel &model, bool &haveIdentify)
{
    std::string error = readFields(L, 1, "group", [&](const std::string &key, int value) -> std::string {
        if (key == "variants")
            return readNames(L, value, "group variants", model.variants);
        if (key == "identify") {
            if (lua_type(L, value) != LUA_TFUNCTION)
                return "group identify must be a function";
            haveIdentify = true;
            return {};
        }
        return "group has the unknown field '" + key + "'";
    });
    if (!error.empty())
        return error;
    if (!haveIdentify)
        return "group has no identify function";
    if (model.variants.empty())
        return "group needs a non-empty variants list";
    return {};
}

// A declaration by name (`job "X"`) must be followed by its body before anything else is declared.
std::string checkNothingOpen(const EvalContext &ctx)
{
    if (ctx.open)
        return located(ctx, ctx.open->line,
                       ctx.open->kind + " " + ctx.open->name + " has no body: write " + ctx.open->kind + " \"" +
                           ctx.open->name + "\" { ... }");
    return {};
}

// Common start of every declaration: an evaluation must be running and no
// declaration may be left without its body.
EvalContext *beginDeclaration(lua_State *L, const char *kind)
{
    EvalContext *ctx = contextOf(L);
    if (!ctx) {
        luaL_error(L, "%s declarations are only possible while a description is evaluated", kind);
        return nullptr;
    }
    ctx->error = checkNothingOpen(*ctx);
    return ctx;
}

int declareEcu(lua_State *L)
{
    EvalContext *ctx = beginDeclaration(L, "ecu");
    if (ctx->error.empty()) {
        const int line = callerLine(L);
        EcuSpec ecu;
        std::string error;
        if (lua_gettop(L) != 1 || lua_type(L, 1) != LUA_TTABLE)
            error = "ecu needs one table: ecu { name = \"...\", ... }";
        else if (ctx->model.ecuLine)
            error = "ecu is declared twice (first at line " + std::to_string(ctx->model.ecuLine) + ")";
        else
            error = readEcu(L, ecu);
        if (error.empty()) {
            ctx->model.ecu = std::move(ecu);
            ctx->model.ecuLine = line;
            return 0;
        }
        ctx->error = located(*ctx, line, error);
    }
    return raiseContextError(L, ctx);
}

int declareGroup(lua_State *L)
{
    EvalContext *ctx = beginDeclaration(L, "group");
    if (ctx->error.empty()) {
        const int line = callerLine(L);
        std::string error;
        bool haveIdentify = false;
        if (lua_gettop(L) != 1 || lua_type(L, 1) != LUA_TTABLE)
            error = "group needs one table: group { variants = { ... }, identify = function() ... end }";
        else if (ctx->model.groupLine)
            error = "group is declared twice (first at line " + std::to_string(ctx->model.groupLine) + ")";
        else
            error = readGroup(L, ctx->model, haveIdentify);
        if (error.empty()) {
            ctx->model.isGroup = true;
            ctx->model.groupLine = line;
        } else {
            ctx->error = located(*ctx, line, error);
        }
    }
    if (!ctx->error.empty())
        return raiseContextError(L, ctx);
    lua_pushliteral(L, "identify");
    lua_rawget(L, 1);
    lua_setfield(L, LUA_REGISTRYINDEX, kIdentifyKey);
    return 0;
}

// Second half of `tab "NAME" { rows }`: upvalue 1 the name, 2 the line.
int tableBody(lua_State *L)
{
    EvalContext *ctx = contextOf(L);
    if (!ctx)
        return luaL_error(L, "tab declarations are only possible while a description is evaluated");
    {
        prg::Table table;
        stringAt(L, lua_upvalueindex(1), table.name);
        const int line = static_cast<int>(lua_tointeger(L, lua_upvalueindex(2)));
        const std::string what = "table " + table.name;
        std::string error;
        std::optional<size_t> rowCount;
        if (lua_gettop(L) != 1 || lua_type(L, 1) != LUA_TTABLE)
            error = what + " needs a list of rows: tab \"" + table.name + "\" { { \"HEADER\", ... }, ... }";
        else
            rowCount = listLength(L, 1, what, error);
        if (error.empty() && *rowCount == 0)
            error = what + " needs at least its header row";
        for (size_t row = 1; error.empty() && rowCount && row <= *rowCount; ++row) {
            lua_rawgeti(L, 1, static_cast<lua_Integer>(row));
            const std::string rowWhat = what + (row == 1 ? " header row" : " row " + std::to_string(row - 1));
            std::optional<size_t> cells;
            if (lua_type(L, -1) != LUA_TTABLE)
                error = rowWhat + " must be a list of texts";
            else
                cells = listLength(L, lua_gettop(L), rowWhat, error);
            if (cells && row == 1) {
                if (*cells == 0)
                    error = what + " header row has no cells";
                table.columns = static_cast<uint32_t>(*cells);
            } else if (cells && *cells != table.columns) {
                error = rowWhat + " has " + std::to_string(*cells) + " cells, the header has " +
                        std::to_string(table.columns);
            }
            for (size_t cell = 1; error.empty() && cells && cell <= *cells; ++cell) {
                lua_rawgeti(L, -1, static_cast<lua_Integer>(cell));
                std::string text;
                if (!stringAt(L, -1, text))
                    error = rowWhat + " cell " + std::to_string(cell) + " is a " + lua_typename(L, lua_type(L, -1)) +
                            ", not a text";
                else if (text.find('\0') != std::string::npos)
                    error = rowWhat + " cell " + std::to_string(cell) + " contains a NUL character";
                lua_pop(L, 1);
                table.cells.push_back(std::move(text));
            }
            lua_pop(L, 1);
        }
        if (error.empty()) {
            table.rows = static_cast<uint32_t>(*rowCount - 1);
            ctx->model.tables.push_back(std::move(table));
            ctx->open.reset();
            return 0;
        }
        ctx->error = located(*ctx, line, error);
    }
    return raiseContextError(L, ctx);
}

// Second half of `job "NAME" { ... }`: upvalue 1 the name, 2 the line.
int jobBody(lua_State *L)
{
    EvalContext *ctx = contextOf(L);
    if (!ctx)
        return luaL_error(L, "job declarations are only possible while a description is evaluated");
    {
        JobSpec job;
        stringAt(L, lua_upvalueindex(1), job.name);
        job.line = static_cast<int>(lua_tointeger(L, lua_upvalueindex(2)));
        std::string error;
        if (lua_gettop(L) != 1 || lua_type(L, 1) != LUA_TTABLE)
            error = "job " + job.name + " needs a table: job \"" + job.name + "\" { run = function() ... end }";
        else
            error = readJob(L, job);
        if (!error.empty()) {
            ctx->error = located(*ctx, job.line, error);
        } else {
            ctx->model.jobs.push_back(std::move(job));
            ctx->open.reset();
        }
    }
    if (!ctx->error.empty())
        return raiseContextError(L, ctx);
    // registry[kJobRegistryKey][NAME] = run
    lua_getfield(L, LUA_REGISTRYINDEX, kJobRegistryKey);
    lua_pushvalue(L, lua_upvalueindex(3));
    lua_pushliteral(L, "run");
    lua_rawget(L, 1);
    lua_rawset(L, -3);
    return 0;
}

// First half of `tab "NAME"` and `job "NAME"`: checks the name and returns
// the function that takes the body. Upvalue 1: true for jobs.
int declareByName(lua_State *L)
{
    const bool isJob = lua_toboolean(L, lua_upvalueindex(1));
    const char *kind = isJob ? "job" : "tab";
    EvalContext *ctx = beginDeclaration(L, kind);
    int line = 0;
    if (ctx->error.empty()) {
        line = callerLine(L);
        std::string name;
        std::string error;
        if (lua_gettop(L) != 1 || !stringAt(L, 1, name))
            error = std::string(kind) + " needs a name: " + kind + " \"NAME\" { ... }";
        else
            error = checkName(name, isJob ? "job name" : "table name");
        auto &lines = isJob ? ctx->jobLines : ctx->tableLines;
        if (error.empty()) {
            const auto [it, inserted] = lines.emplace(upper(name), line);
            if (!inserted)
                error = std::string(isJob ? "job " : "table ") + name + " is declared twice (first at line " +
                        std::to_string(it->second) + ", names ignore case)";
        }
        if (error.empty())
            ctx->open = Declaration{kind, name, line};
        else
            ctx->error = located(*ctx, line, error);
    }
    if (!ctx->error.empty())
        return raiseContextError(L, ctx);
    lua_pushvalue(L, 1);
    lua_pushinteger(L, line);
    if (isJob) {
        // The registry key: the upper-cased name.
        const char *name = lua_tostring(L, 1);
        luaL_Buffer buffer;
        luaL_buffinit(L, &buffer);
        for (const char *c = name; *c; ++c)
            luaL_addchar(&buffer, (*c >= 'a' && *c <= 'z') ? static_cast<char>(*c - 'a' + 'A') : *c);
        luaL_pushresult(&buffer);
        lua_pushcclosure(L, jobBody, 3);
    } else {
        lua_pushcclosure(L, tableBody, 2);
    }
    return 1;
}

// Placeholder of a job function. A script may keep it in a local at the
// top level (`local send = send`), so once the engine has put the real
// function in place, the placeholder forwards to it.
int notDuringEvaluation(lua_State *L)
{
    lua_pushglobaltable(L);
    lua_pushvalue(L, lua_upvalueindex(1));
    lua_rawget(L, -2);
    lua_remove(L, -2);
    if (lua_type(L, -1) != LUA_TFUNCTION || lua_tocfunction(L, -1) == notDuringEvaluation)
        return luaL_error(L, "%s is only available while a job runs", lua_tostring(L, lua_upvalueindex(1)));
    lua_insert(L, 1);
    lua_call(L, lua_gettop(L) - 1, LUA_MULTRET);
    return lua_gettop(L);
}

// Installs the declarations and the placeholders of the job interface,
// keeping whatever those globals held before. Argument 1: the context.
int installDeclarations(lua_State *L)
{
    lua_pushvalue(L, 1);
    lua_rawsetp(L, LUA_REGISTRYINDEX, &kContextKey);
    lua_newtable(L);
    lua_setfield(L, LUA_REGISTRYINDEX, kJobRegistryKey);
    lua_pushnil(L);
    lua_setfield(L, LUA_REGISTRYINDEX, kIdentifyKey);

    lua_newtable(L); // saved globals
    const int saved = lua_gettop(L);
    auto save = [&](const char *name) {
        lua_getglobal(L, name);
        lua_setfield(L, saved, name);
    };
    for (const char *name : kDeclarations)
        save(name);
    for (const char *name : kJobFunctions) {
        save(name);
        lua_pushstring(L, name);
        lua_pushcclosure(L, notDuringEvaluation, 1);
        lua_setglobal(L, name);
    }
    lua_rawsetp(L, LUA_REGISTRYINDEX, &kSavedGlobalsKey);

    lua_pushcfunction(L, declareEcu);
    lua_setglobal(L, "ecu");
    lua_pushcfunction(L, declareGroup);
    lua_setglobal(L, "group");
    lua_pushboolean(L, 0);
    lua_pushcclosure(L, declareByName, 1);
    lua_setglobal(L, "tab");
    lua_pushboolean(L, 1);
    lua_pushcclosure(L, declareByName, 1);
    lua_setglobal(L, "job");
    return 0;
}

int removeDeclarations(lua_State *L)
{
    lua_pushnil(L);
    lua_rawsetp(L, LUA_REGISTRYINDEX, &kContextKey);
    if (lua_rawgetp(L, LUA_REGISTRYINDEX, &kSavedGlobalsKey) != LUA_TTABLE)
        return 0;
    const int saved = lua_gettop(L);
    auto restore = [&](const char *name) {
        lua_getfield(L, saved, name);
        lua_setglobal(L, name);
    };
    for (const char *name : kDeclarations)
        restore(name);
    for (const char *name : kJobFunctions)
        restore(name);
    lua_pushnil(L);
    lua_rawsetp(L, LUA_REGISTRYINDEX, &kSavedGlobalsKey);
    return 0;
}

// Byte offset of the first byte that is not part of valid UTF-8, or npos.
size_t invalidUtf8At(std::string_view text)
{
    size_t i = 0;
    while (i < text.size()) {
        const auto c = static_cast<unsigned char>(text[i]);
        size_t length = 0;
        unsigned minimum = 0;
        unsigned value = 0;
        if (c < 0x80) {
            ++i;
            continue;
        } else if (c >= 0xC2 && c <= 0xDF) {
            length = 2, minimum = 0x80, value = c & 0x1F;
        } else if (c >= 0xE0 && c <= 0xEF) {
            length = 3, minimum = 0x800, value = c & 0x0F;
        } else if (c >= 0xF0 && c <= 0xF4) {
            length = 4, minimum = 0x10000, value = c & 0x07;
        } else {
            return i;
        }
        if (i + length > text.size())
            return i;
        for (size_t k = 1; k < length; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            if ((next & 0xC0) != 0x80)
                return i;
            value = (value << 6) | (next & 0x3F);
        }
        if (value < minimum || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF))
            return i;
        i += length;
    }
    return std::string_view::npos;
}

} // namespace

kitbox::Result<SourceModel> evaluateSource(LuaSandbox &sandbox, std::string_view source, const std::string &fileName)
{
    using R = kitbox::Result<SourceModel>;
    if (const size_t bad = invalidUtf8At(source); bad != std::string_view::npos) {
        const auto line = 1 + std::count(source.begin(), source.begin() + static_cast<std::ptrdiff_t>(bad), '\n');
        return R::failure(fileName + ":" + std::to_string(line) + ": the source is not valid UTF-8");
    }
    if (source.substr(0, 3) == "\xEF\xBB\xBF")
        source.remove_prefix(3);
    lua_State *L = sandbox.state();
    if (!L) {
        auto status = sandbox.run("", "=empty"); // reports why the state is missing
        return R::failure(fileName + ": " + (status.ok() ? std::string("no script state") : status.error()));
    }

    EvalContext ctx;
    ctx.fileName = fileName;
    lua_pushcfunction(L, installDeclarations);
    lua_pushlightuserdata(L, &ctx);
    if (auto status = sandbox.call(1, 0); !status.ok())
        return R::failure(fileName + ": " + status.error());
    auto evaluated = sandbox.run(source, "@" + fileName);
    lua_pushcfunction(L, removeDeclarations);
    auto removed = sandbox.call(0, 0);

    if (!evaluated.ok()) {
        std::string message = evaluated.error();
        if (message.rfind(fileName + ":", 0) != 0)
            message = fileName + ": " + message;
        return R::failure(std::move(message));
    }
    if (!removed.ok())
        return R::failure(fileName + ": " + removed.error());
    if (std::string open = checkNothingOpen(ctx); !open.empty())
        return R::failure(open);
    if (!ctx.model.ecuLine)
        return R::failure(fileName + ":1: the description has no ecu { name = ... } declaration");
    return std::move(ctx.model);
}

std::string buildInfoBlock(const SourceModel &model)
{
    std::string info;
    auto line = [&info](const char *key, const std::string &value) {
        info += key;
        info += value;
        info += '\n';
    };
    const EcuSpec &ecu = model.ecu;
    line("ECU:", ecu.name);
    line("ORIGIN:", ecu.origin);
    line("REVISION:", ecu.revision);
    line("AUTHOR:", ecu.author);
    for (const std::string &base : ecu.uses)
        line("USES:", base);
    for (const std::string &comment : ecu.comment)
        line("ECUCOMMENT:", comment);
    for (const JobSpec &job : model.jobs) {
        line("JOBNAME:", job.name);
        for (const std::string &comment : job.comment)
            line("JOBCOMMENT:", comment);
        for (const ParamSpec &arg : job.args) {
            line("ARG:", arg.name);
            line("ARGTYPE:", arg.type);
            for (const std::string &comment : arg.comment)
                line("ARGCOMMENT:", comment);
        }
        for (const ParamSpec &result : job.results) {
            line("RESULT:", result.name);
            line("RESULTTYPE:", result.type);
            for (const std::string &comment : result.comment)
                line("RESULTCOMMENT:", comment);
        }
    }
    return info;
}

prg::Description toDescription(const SourceModel &model, std::string_view source)
{
    prg::Description description;
    description.isGroup = model.isGroup;
    description.infoBlock = buildInfoBlock(model);
    description.tables = model.tables;
    description.script = std::string(source);
    return description;
}

} // namespace vedamis
