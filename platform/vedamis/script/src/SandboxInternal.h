#pragma once
// Pieces of the sandbox shared between its source files.
struct lua_State;

namespace vedamis::detail {

// Raises the sandbox's stop error if the running call is past its time
// limit, has a break request or has already been stopped. For C functions
// that may run long without executing a single Lua instruction.
void checkpoint(lua_State *L);

// Replaces find, match, gmatch and gsub of the string table on the stack
// top with versions that reach a checkpoint while they backtrack.
void installInterruptiblePatterns(lua_State *L);

// Replaces insert, remove and move of the table library's table on the
// stack top with versions that reach a checkpoint in their loops.
void installInterruptibleTableFunctions(lua_State *L);

// Replaces rep of the string table on the stack top with one that answers
// the empty case at once instead of looping up to 2^63 times.
void installBoundedRep(lua_State *L);

} // namespace vedamis::detail
