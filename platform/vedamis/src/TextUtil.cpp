#include "TextUtil.h"

#include <cerrno>
#include <cstring>
#include <deque>
#include <dirent.h>
#include <fstream>
#include <mutex>
#include <sys/stat.h>
#include <vector>

namespace vedamis {

std::string_view trim(std::string_view text)
{
    // A plain scan: names are short and usually have no blanks at all.
    const auto blank = [](char c) { return c == ' ' || (c >= '\t' && c <= '\r'); };
    size_t first = 0;
    size_t end = text.size();
    while (first < end && blank(text[first]))
        ++first;
    while (end > first && blank(text[end - 1]))
        --end;
    return text.substr(first, end - first);
}

std::string toUpper(std::string_view text)
{
    std::string out(text);
    for (char &c : out)
        c = upperAscii(c);
    return out;
}

std::vector<std::string_view> split(std::string_view text, char separator)
{
    std::vector<std::string_view> parts;
    size_t start = 0;
    while (true) {
        size_t pos = text.find(separator, start);
        if (pos == std::string_view::npos) {
            parts.push_back(text.substr(start));
            return parts;
        }
        parts.push_back(text.substr(start, pos - start));
        start = pos + 1;
    }
}

std::string toHex(std::string_view bytes)
{
    static const char digits[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(bytes.size() * 3);
    for (size_t i = 0; i < bytes.size(); ++i) {
        auto b = static_cast<unsigned char>(bytes[i]);
        if (i)
            out += ' ';
        out += digits[b >> 4];
        out += digits[b & 15];
    }
    return out;
}

static int hexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

bool parseHex(std::string_view text, std::string &bytes)
{
    bytes.clear();
    int high = -1;
    for (char c : text) {
        if (c == ' ' || c == '\t')
            continue;
        int d = hexDigit(c);
        if (d < 0)
            return false;
        if (high < 0) {
            high = d;
        } else {
            bytes += static_cast<char>(high * 16 + d);
            high = -1;
        }
    }
    return high < 0;
}

size_t utf8CutSize(std::string_view text, size_t maxBytes)
{
    if (text.size() <= maxBytes)
        return text.size();
    size_t cut = maxBytes;
    // Step back over continuation bytes to the start of the cut sequence.
    while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80)
        --cut;
    return cut;
}

std::string truncateUtf8(std::string_view text, size_t maxBytes)
{
    return std::string(text.substr(0, utf8CutSize(text, maxBytes)));
}

size_t utf8Length(std::string_view text)
{
    size_t count = 0;
    for (char c : text) {
        if ((static_cast<unsigned char>(c) & 0xC0) != 0x80)
            ++count;
    }
    return count;
}

namespace {

// Listing a directory costs far more than a stat, and a session looks up
// names in the same few directories over and over (every description of a
// check run lies in one): the names of the last directories listed are kept.
// A name found among them is confirmed with a stat, and a name not found (or
// found but gone) lists the directory again, so the kept names never hide a
// file that is there now.
struct Listing {
    std::string directory;
    std::vector<std::string> names; // in the order the directory gives them
};

constexpr size_t kKeptListings = 4;
std::mutex g_listingsMutex;
std::deque<Listing> g_listings; // newest first

bool isRegularFile(const std::string &path)
{
    struct stat st {};
    return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::string firstRegularMatch(const std::string &directory, const std::vector<std::string> &names,
                              const std::string &name)
{
    for (const std::string &entry : names) {
        if (!equalsIgnoreCase(entry, name))
            continue;
        std::string candidate = directory + "/" + entry;
        if (isRegularFile(candidate))
            return candidate;
    }
    return {};
}

} // namespace

std::string findFileIgnoreCase(const std::string &directory, const std::string &name)
{
    std::string exact = directory + "/" + name;
    if (isRegularFile(exact))
        return exact;
    std::vector<std::string> kept;
    {
        const std::lock_guard<std::mutex> lock(g_listingsMutex);
        for (const Listing &listing : g_listings) {
            if (listing.directory == directory) {
                for (const std::string &entry : listing.names)
                    if (equalsIgnoreCase(entry, name))
                        kept.push_back(entry);
                break;
            }
        }
    }
    if (std::string found = firstRegularMatch(directory, kept, name); !found.empty())
        return found;

    DIR *dir = opendir(directory.c_str());
    if (!dir)
        return {};
    Listing listing{directory, {}};
    while (const dirent *entry = readdir(dir))
        listing.names.emplace_back(entry->d_name);
    closedir(dir);
    std::string found = firstRegularMatch(directory, listing.names, name);
    const std::lock_guard<std::mutex> lock(g_listingsMutex);
    std::erase_if(g_listings, [&](const Listing &old) { return old.directory == directory; });
    g_listings.push_front(std::move(listing));
    if (g_listings.size() > kKeptListings)
        g_listings.pop_back();
    return found;
}

bool fileStamp(const std::string &path, FileStamp &stamp)
{
    struct stat st {};
    if (stat(path.c_str(), &st) != 0)
        return false;
    stamp.mtimeNs = static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    stamp.size = static_cast<int64_t>(st.st_size);
    return true;
}

bool locateFile(const std::string &directory, const std::string &name, const std::string &known, std::string &path,
                FileStamp &stamp)
{
    if (!known.empty() && known.size() > directory.size() && known.compare(0, directory.size(), directory) == 0 &&
        known.find('/', directory.size() + 1) == std::string::npos && fileStamp(known, stamp)) {
        path = known;
        return true;
    }
    path = findFileIgnoreCase(directory, name);
    return !path.empty() && fileStamp(path, stamp);
}

bool readWholeFile(const std::string &path, std::string &content, std::string &reason)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        reason = path + ": " + std::strerror(errno);
        return false;
    }
    content.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    if (in.bad()) {
        reason = path + ": read error";
        return false;
    }
    return true;
}

bool makeDirectories(const std::string &path, std::string &reason)
{
    if (path.empty())
        return true;
    std::string current;
    for (std::string_view part : split(path, '/')) {
        current += std::string(part);
        if (!current.empty() && current != ".") {
            if (mkdir(current.c_str(), 0755) != 0 && errno != EEXIST) {
                reason = current + ": " + std::strerror(errno);
                return false;
            }
        }
        current += '/';
    }
    struct stat st {};
    if (stat(path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
        reason = path + ": not a directory";
        return false;
    }
    return true;
}

} // namespace vedamis
