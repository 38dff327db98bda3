#pragma once
// Small text and file helpers shared by the engine's parts.
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

namespace vedamis {

std::string_view trim(std::string_view text);

inline char upperAscii(char c)
{
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

// Eight bytes of text with the ASCII letters a-z made upper case, all at
// once: result names are hashed and compared on every result and every read.
inline uint64_t upperWord(uint64_t bytes)
{
    constexpr uint64_t ones = 0x0101010101010101ull;
    const uint64_t low = bytes & (0x7F * ones);
    const uint64_t fromA = low + (0x80 - 'a') * ones;     // top bit set where a byte is 'a' or above
    const uint64_t pastZ = low + (0x80 - 'z' - 1) * ones; // top bit set where a byte is above 'z'
    const uint64_t lower = fromA & ~pastZ & ~bytes & (0x80 * ones);
    return bytes ^ (lower >> 2); // 0x80 >> 2 is the case bit 0x20
}

// Up to eight bytes of text from `at`; missing bytes are 0. Two texts of the
// same size give equal words exactly where their bytes are equal.
inline uint64_t loadWord(std::string_view text, size_t at)
{
    const size_t n = text.size() - at;
    uint64_t word = 0;
    if (n >= 8) {
        std::memcpy(&word, text.data() + at, 8);
        return word;
    }
    for (size_t i = 0; i < n; ++i)
        word |= static_cast<uint64_t>(static_cast<unsigned char>(text[at + i])) << (8 * i);
    return word;
}

inline bool equalsIgnoreCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (size_t at = 0; at < a.size(); at += 8) {
        if (upperWord(loadWord(a, at)) != upperWord(loadWord(b, at)))
            return false;
    }
    return true;
}

// Equal for texts that equalsIgnoreCase finds equal: names are told apart
// by one number compare before they are compared.
inline uint32_t foldedHash(std::string_view text)
{
    uint64_t hash = text.size() * 0x9E3779B97F4A7C15ull;
    for (size_t at = 0; at < text.size(); at += 8) {
        hash = (hash ^ upperWord(loadWord(text, at))) * 0xFF51AFD7ED558CCDull;
        hash ^= hash >> 32;
    }
    return static_cast<uint32_t>(hash);
}

std::string toUpper(std::string_view text);
std::vector<std::string_view> split(std::string_view text, char separator);

// "22 F4 0C" (upper-case pairs separated by blanks).
std::string toHex(std::string_view bytes);
// Hex digits with optional blanks to bytes; false on an odd count or a bad character.
bool parseHex(std::string_view text, std::string &bytes);

// Cuts text to at most maxBytes without splitting a UTF-8 sequence.
std::string truncateUtf8(std::string_view text, size_t maxBytes);
// The size truncateUtf8 would leave.
size_t utf8CutSize(std::string_view text, size_t maxBytes);
// Number of characters (UTF-8 sequences; bytes of invalid sequences count one each).
size_t utf8Length(std::string_view text);

// Finds directory/name: the exact spelling first, else the one entry of the
// directory whose name equals it without regard to case. Empty when none.
std::string findFileIgnoreCase(const std::string &directory, const std::string &name);

// Modification time and size, to notice a changed file.
struct FileStamp {
    int64_t mtimeNs = -1;
    int64_t size = -1;
    bool operator==(const FileStamp &) const = default;
};
bool fileStamp(const std::string &path, FileStamp &stamp);

// Finds directory/name like findFileIgnoreCase, but first tries `known` (the
// path found last time) when it lies in that directory: one stat instead of
// a directory scan. False when there is no such file.
bool locateFile(const std::string &directory, const std::string &name, const std::string &known, std::string &path,
                FileStamp &stamp);

// Whole file into memory; false with a reason on failure.
bool readWholeFile(const std::string &path, std::string &content, std::string &reason);

// Creates the directory and its parents; false with a reason on failure.
bool makeDirectories(const std::string &path, std::string &reason);

} // namespace vedamis
