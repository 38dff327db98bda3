#pragma once
// Description source -> description file (.prg, or .grp for a group file).
// Errors read "file:line: reason" (file alone when no line applies).
#include <kitbox/Result.h>
#include <prg/Prg.h>
#include <vedamis/LuaSandbox.h>

#include <string>
#include <string_view>

namespace vedamis {

// Evaluates and validates `source` for the output file `outputPath`: the
// extension decides between .prg and .grp (a group declaration is required
// in, and only in, a .grp), and the ecu name must match the output's base
// name, ignoring case. Nothing is written.
kitbox::Result<prg::Description> compileSource(std::string_view source, const std::string &sourceName,
                                               const std::string &outputPath);
// The same within other limits than the generous ones above (tools that
// compile many small sources).
kitbox::Result<prg::Description> compileSource(std::string_view source, const std::string &sourceName,
                                               const std::string &outputPath, const SandboxLimits &limits);

// Reads sourcePath, compiles it and writes outputPath atomically. On any
// error no output file is created and an existing one is left as it was.
kitbox::Status compileFile(const std::string &sourcePath, const std::string &outputPath);

} // namespace vedamis
