#pragma once
// Small text and file helpers shared by the engine's parts.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vedamis {

std::string_view trim(std::string_view text);

inline char upperAscii(char c)
{
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

// Inline: result names and configuration names are compared on every read.
inline bool equalsIgnoreCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (upperAscii(a[i]) != upperAscii(b[i]))
            return false;
    }
    return true;
}

// A hash that is equal for names equal without regard to case (FNV-1a of
// the upper-cased bytes): names are told apart by one number compare.
inline uint32_t foldedHash(std::string_view text)
{
    uint32_t hash = 2166136261u;
    for (char c : text)
        hash = (hash ^ static_cast<unsigned char>(upperAscii(c))) * 16777619u;
    return hash;
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
