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

} // namespace vedamis::detail
