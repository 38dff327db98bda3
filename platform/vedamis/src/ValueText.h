#pragma once
// Texts of values written straight into a caller's buffer, the way the C
// entry points hand texts out: at most capacity - 1 bytes, cut at a whole
// UTF-8 character, then a NUL.
#include <vedamis/Value.h>

#include <cstddef>
#include <string_view>

namespace vedamis {

// The text formatValue gives for an empty format. capacity must be at least 1.
void writeDefaultText(const Value &value, char *buffer, size_t capacity, size_t &length);
// Copies text.
void writeText(std::string_view text, char *buffer, size_t capacity, size_t &length);

} // namespace vedamis
