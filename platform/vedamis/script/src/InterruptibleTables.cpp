// table.insert, table.remove and table.move with the standard library's
// semantics plus a checkpoint in their loops, and string.rep without its
// empty-string loop. Their loops can run for up to 2^63 steps without one
// Lua instruction or allocation (a __len metamethod may claim any length,
// moving nils allocates nothing), so neither the count hook nor the
// allocator would ever see them.
//
// The functions raise Lua errors with longjmp: only plain C data lives in
// their frames.
#include "SandboxInternal.h"

#include <lua.hpp>

namespace vedamis::detail {

namespace {

constexpr lua_Integer kStepsPerCheckpoint = 4096;

constexpr int kRead = 1;
constexpr int kWrite = 2;
constexpr int kLength = 4;

void step(lua_State *L, lua_Integer i)
{
    if (i % kStepsPerCheckpoint == 0)
        checkpoint(L);
}

bool hasField(lua_State *L, const char *key, int n)
{
    lua_pushstring(L, key);
    return lua_rawget(L, -n) != LUA_TNIL;
}

// A table, or something whose metatable supplies what the operation needs.
void checkTable(lua_State *L, int arg, int what)
{
    if (lua_type(L, arg) == LUA_TTABLE)
        return;
    int n = 1;
    if (lua_getmetatable(L, arg) && (!(what & kRead) || hasField(L, "__index", ++n)) &&
        (!(what & kWrite) || hasField(L, "__newindex", ++n)) && (!(what & kLength) || hasField(L, "__len", ++n))) {
        lua_pop(L, n);
        return;
    }
    luaL_checktype(L, arg, LUA_TTABLE);
}

lua_Integer lengthOf(lua_State *L, int arg, int what)
{
    checkTable(L, arg, what | kLength);
    return luaL_len(L, arg);
}

int tableInsert(lua_State *L)
{
    lua_Integer e = lengthOf(L, 1, kRead | kWrite);
    e = static_cast<lua_Integer>(static_cast<lua_Unsigned>(e) + 1u); // first empty element
    lua_Integer pos;
    switch (lua_gettop(L)) {
    case 2:
        pos = e;
        break;
    case 3:
        pos = luaL_checkinteger(L, 2);
        luaL_argcheck(L, static_cast<lua_Unsigned>(pos) - 1u < static_cast<lua_Unsigned>(e), 2,
                      "position out of bounds");
        for (lua_Integer i = e; i > pos; i--) {
            step(L, i);
            lua_geti(L, 1, i - 1);
            lua_seti(L, 1, i);
        }
        break;
    default:
        return luaL_error(L, "wrong number of arguments to 'insert'");
    }
    lua_seti(L, 1, pos);
    return 0;
}

int tableRemove(lua_State *L)
{
    const lua_Integer size = lengthOf(L, 1, kRead | kWrite);
    lua_Integer pos = luaL_optinteger(L, 2, size);
    if (pos != size)
        // The standard library names argument 1 here; messages stay the same.
        luaL_argcheck(L, static_cast<lua_Unsigned>(pos) - 1u <= static_cast<lua_Unsigned>(size), 1,
                      "position out of bounds");
    lua_geti(L, 1, pos);
    for (; pos < size; pos++) {
        step(L, pos);
        lua_geti(L, 1, pos + 1);
        lua_seti(L, 1, pos);
    }
    lua_pushnil(L);
    lua_seti(L, 1, pos);
    return 1;
}

int tableMove(lua_State *L)
{
    const lua_Integer f = luaL_checkinteger(L, 2);
    const lua_Integer e = luaL_checkinteger(L, 3);
    const lua_Integer t = luaL_checkinteger(L, 4);
    const int tt = !lua_isnoneornil(L, 5) ? 5 : 1;
    checkTable(L, 1, kRead);
    checkTable(L, tt, kWrite);
    if (e >= f) {
        luaL_argcheck(L, f > 0 || e < LUA_MAXINTEGER + f, 3, "too many elements to move");
        const lua_Integer n = e - f + 1;
        luaL_argcheck(L, t <= LUA_MAXINTEGER - n + 1, 4, "destination wrap around");
        if (t > e || t <= f || (tt != 1 && !lua_compare(L, 1, tt, LUA_OPEQ))) {
            for (lua_Integer i = 0; i < n; i++) {
                step(L, i + 1);
                lua_geti(L, 1, f + i);
                lua_seti(L, tt, t + i);
            }
        } else {
            for (lua_Integer i = n - 1; i >= 0; i--) {
                step(L, i + 1);
                lua_geti(L, 1, f + i);
                lua_seti(L, tt, t + i);
            }
        }
    }
    lua_pushvalue(L, tt);
    return 1;
}

// string.rep copies n times even when there is nothing to copy.
int stringRep(lua_State *L)
{
    size_t length = 0;
    size_t separator = 0;
    luaL_checklstring(L, 1, &length);
    luaL_checkinteger(L, 2);
    luaL_optlstring(L, 3, "", &separator);
    if (length == 0 && separator == 0) {
        lua_pushliteral(L, "");
        return 1;
    }
    lua_pushvalue(L, lua_upvalueindex(1));
    lua_insert(L, 1);
    lua_call(L, lua_gettop(L) - 1, 1);
    return 1;
}

} // namespace

void installInterruptibleTableFunctions(lua_State *L)
{
    static const luaL_Reg functions[] = {
        {"insert", tableInsert}, {"remove", tableRemove}, {"move", tableMove}, {nullptr, nullptr}};
    luaL_setfuncs(L, functions, 0);
}

void installBoundedRep(lua_State *L)
{
    lua_getfield(L, -1, "rep");
    lua_pushcclosure(L, stringRep, 1);
    lua_setfield(L, -2, "rep");
}

} // namespace vedamis::detail
