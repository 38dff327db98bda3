#include "vedamis/Compiler.h"

#include <vedamis/DescriptionSource.h>
#include <vedamis/LuaSandbox.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace vedamis {

namespace {

// Sources are the author's own, but still run in the sandbox; the limits
// only need to hold large generated descriptions.
constexpr size_t kBaseMemory = 512u * 1024u * 1024u;
constexpr size_t kMemoryPerSourceByte = 32;
constexpr int64_t kTimeLimitMs = 120000;
constexpr uintmax_t kMaxSourceSize = 256u * 1024u * 1024u;

std::string upper(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c); });
    return text;
}

kitbox::Result<std::string> readSource(const std::string &path)
{
    using R = kitbox::Result<std::string>;
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec))
        return R::failure(path + ": " + (std::filesystem::exists(path, ec) ? "not a regular file" : "no such file"));
    const uintmax_t size = std::filesystem::file_size(path, ec);
    if (ec)
        return R::failure(path + ": cannot read: " + ec.message());
    if (size > kMaxSourceSize)
        return R::failure(path + ": the source is larger than " + std::to_string(kMaxSourceSize) + " bytes");
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return R::failure(path + ": cannot open: " + std::strerror(errno));
    std::ostringstream text;
    text << in.rdbuf();
    if (in.bad())
        return R::failure(path + ": cannot read: " + std::strerror(errno));
    return text.str();
}

} // namespace

kitbox::Result<prg::Description> compileSource(std::string_view source, const std::string &sourceName,
                                               const std::string &outputPath)
{
    SandboxLimits limits;
    limits.memoryBytes = kBaseMemory + kMemoryPerSourceByte * source.size();
    limits.timeLimitMs = kTimeLimitMs;
    return compileSource(source, sourceName, outputPath, limits);
}

kitbox::Result<prg::Description> compileSource(std::string_view source, const std::string &sourceName,
                                               const std::string &outputPath, const SandboxLimits &limits)
{
    using R = kitbox::Result<prg::Description>;
    const std::filesystem::path output(outputPath);
    const std::string extension = upper(output.extension().string());
    if (extension != ".PRG" && extension != ".GRP")
        return R::failure(outputPath + ": the output must end in .prg or .grp");
    const bool groupFile = extension == ".GRP";

    LuaSandbox sandbox(limits);
    auto model = evaluateSource(sandbox, source, sourceName);
    if (!model.ok())
        return R::failure(model.error());
    const SourceModel &m = model.value();

    auto at = [&sourceName](int line, const std::string &reason) {
        return sourceName + ":" + std::to_string(line) + ": " + reason;
    };
    if (m.isGroup && !groupFile)
        return R::failure(
            at(m.groupLine, "a group declaration needs a .grp output, not " + output.filename().string()));
    if (!m.isGroup && groupFile)
        return R::failure(at(m.ecuLine, "a .grp output needs a group { variants = ..., identify = ... } declaration"));
    const std::string expected = upper(output.stem().string());
    if (upper(m.ecu.name) != expected)
        return R::failure(at(m.ecuLine, "the ecu name " + m.ecu.name + " does not match the output name " + expected +
                                            " (names ignore case)"));
    return toDescription(m, source);
}

kitbox::Status compileFile(const std::string &sourcePath, const std::string &outputPath)
{
    auto source = readSource(sourcePath);
    if (!source.ok())
        return kitbox::failure(source.error());
    auto description = compileSource(source.value(), sourcePath, outputPath);
    if (!description.ok())
        return kitbox::failure(description.error());
    if (auto written = prg::writeFile(outputPath, description.value()); !written.ok())
        return kitbox::failure(written.error());
    return kitbox::success();
}

} // namespace vedamis
