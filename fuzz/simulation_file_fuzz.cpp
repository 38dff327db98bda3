// libFuzzer target for the simulation file reader. Besides "no crash", for
// every file it accepts: each entry has at least one response, delays stay
// within 0..60000 ms, a request made from an entry's own pattern is answered
// by that entry or an earlier one, and an entry's responses come round again
// after one full cycle.
#include <vedamis/SimulationFile.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const std::string_view text(reinterpret_cast<const char *>(data), size);
    vedamis::SimulationFile file;
    std::string error;
    if (!file.parse(text, "fuzz.SIM", error)) {
        if (error.rfind("fuzz.SIM:", 0) != 0)
            __builtin_trap();
        return 0;
    }
    const auto &entries = file.entries();
    for (size_t i = 0; i < entries.size(); ++i) {
        const vedamis::SimEntry &entry = entries[i];
        if (entry.responses.empty() || entry.line < 1)
            __builtin_trap();
        for (const vedamis::SimResponse &r : entry.responses)
            if (r.delayMs < 0 || r.delayMs > 60000 || (r.none && !r.bytes.empty()))
                __builtin_trap();
        std::string request;
        for (int byte : entry.pattern)
            request += static_cast<char>(byte < 0 ? 0x5A : byte);
        if (entry.openEnd)
            request += '\x01';
        const int matched = file.match(request);
        if (matched < 0 || static_cast<size_t>(matched) > i)
            __builtin_trap();
        if (static_cast<size_t>(matched) != i || entry.responses.size() > 64)
            continue;
        int line = 0;
        const vedamis::SimResponse *first = file.answer(request, line);
        if (first == nullptr || line != entry.line)
            __builtin_trap();
        const vedamis::SimResponse *again = first;
        for (size_t k = 0; k < entry.responses.size(); ++k)
            again = file.answer(request, line);
        if (again != first)
            __builtin_trap();
    }
    return 0;
}
