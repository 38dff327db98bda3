// libFuzzer target for the description source compiler: the input is a
// source text, evaluated in the job sandbox (with small limits, so that an
// endless loop ends as an error, not as a hang of the fuzzer) and checked.
// The output name is taken from the first `name = "..."` of the input, so
// that mutated demo sources get past the name check and into the writer.
// Besides "no crash", every accepted source must serialise into a container
// that reads back to the same description.
#include <prg/Prg.h>
#include <vedamis/Compiler.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace {

std::string outputName(std::string_view source)
{
    std::string name = "FUZZ";
    const size_t key = source.find("name = \"");
    if (key != std::string_view::npos) {
        const size_t start = key + 8;
        const size_t end = source.find('"', start);
        if (end != std::string_view::npos && end - start <= 40)
            name = std::string(source.substr(start, end - start));
    }
    const bool group = source.find("group {") != std::string_view::npos;
    return name + (group ? ".grp" : ".prg");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const std::string_view source(reinterpret_cast<const char *>(data), size);
    vedamis::SandboxLimits limits;
    limits.memoryBytes = 32u * 1024u * 1024u;
    limits.timeLimitMs = 1000;
    auto description = vedamis::compileSource(source, "fuzz.vds", outputName(source), limits);
    if (!description.ok()) {
        if (description.error().empty())
            __builtin_trap();
        return 0;
    }
    const prg::Description &d = description.value();
    auto bytes = prg::serialize(d);
    if (!bytes.ok())
        return 0; // too large for the container: refused with an error, which is what is wanted
    auto back = prg::readDescription(bytes.value());
    if (!back.ok())
        __builtin_trap();
    const prg::Description &r = back.value();
    if (r.isGroup != d.isGroup || r.infoBlock != d.infoBlock || r.script != d.script ||
        r.tables.size() != d.tables.size())
        __builtin_trap();
    for (size_t i = 0; i < d.tables.size(); ++i) {
        const prg::Table &a = d.tables[i];
        const prg::Table &b = r.tables[i];
        if (a.name != b.name || a.columns != b.columns || a.rows != b.rows || a.cells != b.cells)
            __builtin_trap();
    }
    return 0;
}
