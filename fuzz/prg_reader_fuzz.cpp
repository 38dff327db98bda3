// libFuzzer target for the description reader. Besides "no crash", it checks
// two properties of every accepted input: the layout lies inside the input,
// and writing the read description again gives back the same bytes (the
// format has exactly one encoding of each description).
#include <prg/Prg.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char *>(data), size);
    auto layout = prg::readLayout(bytes);
    if (layout.ok()) {
        const prg::Layout &l = layout.value();
        if (uint64_t{l.infoOffset} + l.infoLength > size || l.tableAreaEnd > size ||
            uint64_t{l.scriptOffset} + l.scriptLength != size)
            __builtin_trap();
        for (size_t i = 0; i < l.tables.size(); ++i)
            if (uint64_t{l.tables[i].start} + prg::tableLength(l, i) > l.tableAreaEnd)
                __builtin_trap();
    }
    // Decoding on demand must agree with decoding everything at once.
    size_t decoded = 0;
    if (auto file = prg::DescriptionFile::fromBytes(std::string(bytes)); file.ok()) {
        for (size_t i = 0; i < file.value().tableCount(); ++i)
            decoded += file.value().table(i).ok() ? 1 : 0;
    } else if (layout.ok()) {
        __builtin_trap();
    }
    auto description = prg::readDescription(bytes);
    if (description.ok() && decoded != description.value().tables.size())
        __builtin_trap();
    if (description.ok()) {
        if (!layout.ok())
            __builtin_trap();
        auto again = prg::serialize(description.value());
        if (!again.ok() || again.value() != bytes)
            __builtin_trap();
    }
    return 0;
}
