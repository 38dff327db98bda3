#include <vedamis/SimulationFile.h>

#include "TextUtil.h"

#include <charconv>

namespace vedamis {
namespace {

constexpr int kMaxDelayMs = 60000;

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// Hex digits (blanks between bytes optional) into bytes; '??' into -1 when
// wildcards are allowed. Returns an empty reason on success.
std::string parseBytes(std::string_view text, bool wildcards, std::vector<int> &out)
{
    std::string compact;
    for (char c : text) {
        if (c != ' ' && c != '\t')
            compact += c;
    }
    if (compact.size() % 2 != 0)
        return "odd number of hex digits in '" + std::string(trim(text)) + "'";
    for (size_t i = 0; i < compact.size(); i += 2) {
        if (compact[i] == '?' || compact[i + 1] == '?') {
            if (!wildcards)
                return "'?"
                       "?' is only allowed in requests";
            if (compact[i] != '?' || compact[i + 1] != '?')
                return "a wildcard is two '?' ('" + compact.substr(i, 2) + "')";
            out.push_back(-1);
            continue;
        }
        int high = hexValue(compact[i]);
        int low = hexValue(compact[i + 1]);
        if (high < 0 || low < 0)
            return std::string(1, '\'').append(compact, i, 2).append("' is not a hex byte");
        out.push_back(high * 16 + low);
    }
    return {};
}

std::string parseResponse(std::string_view text, SimResponse &response)
{
    std::string_view rest = trim(text);
    if (!rest.empty() && rest.front() == '@') {
        size_t end = 1;
        while (end < rest.size() && rest[end] >= '0' && rest[end] <= '9')
            ++end;
        std::string_view digits = rest.substr(1, end - 1);
        int64_t delay = 0;
        auto [ptr, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), delay);
        if (digits.empty() || ec != std::errc() || ptr != digits.data() + digits.size())
            return "'@' needs a delay in milliseconds";
        if (delay > kMaxDelayMs)
            return "delay " + std::string(digits) + " ms above 60000";
        response.delayMs = static_cast<int>(delay);
        rest = trim(rest.substr(end));
    }
    if (equalsIgnoreCase(rest, "NONE")) {
        response.none = true;
        return {};
    }
    if (rest.empty())
        return "empty response";
    std::vector<int> bytes;
    std::string reason = parseBytes(rest, false, bytes);
    if (!reason.empty())
        return reason;
    for (int b : bytes)
        response.bytes += static_cast<char>(b);
    return {};
}

} // namespace

bool SimulationFile::parse(std::string_view text, const std::string &fileName, std::string &error)
{
    m_entries.clear();
    m_next.clear();
    int lineNumber = 0;
    for (std::string_view rawLine : split(text, '\n')) {
        ++lineNumber;
        auto fail = [&](const std::string &reason) {
            error = fileName + ":" + std::to_string(lineNumber) + ": " + reason;
            m_entries.clear();
            m_next.clear();
            return false;
        };
        std::string_view line = rawLine;
        size_t comment = line.find_first_of(";#");
        if (comment != std::string_view::npos)
            line = line.substr(0, comment);
        line = trim(line);
        if (line.empty())
            continue;
        size_t eq = line.find('=');
        if (eq == std::string_view::npos)
            return fail("'=' missing between request and response");
        SimEntry entry;
        entry.line = lineNumber;
        std::string_view request = trim(line.substr(0, eq));
        if (!request.empty() && request.back() == '*') {
            entry.openEnd = true;
            request = trim(request.substr(0, request.size() - 1));
        }
        if (request.find('*') != std::string_view::npos)
            return fail("'*' may only end a request");
        std::string reason = parseBytes(request, true, entry.pattern);
        if (!reason.empty())
            return fail(reason);
        if (entry.pattern.empty() && !entry.openEnd)
            return fail("empty request");
        for (std::string_view part : split(line.substr(eq + 1), '|')) {
            SimResponse response;
            reason = parseResponse(part, response);
            if (!reason.empty())
                return fail(reason);
            entry.responses.push_back(std::move(response));
        }
        m_entries.push_back(std::move(entry));
    }
    m_next.assign(m_entries.size(), 0);
    return true;
}

int SimulationFile::match(std::string_view request) const
{
    for (size_t i = 0; i < m_entries.size(); ++i) {
        const SimEntry &entry = m_entries[i];
        if (request.size() < entry.pattern.size() || (!entry.openEnd && request.size() != entry.pattern.size()))
            continue;
        bool same = true;
        for (size_t k = 0; k < entry.pattern.size() && same; ++k)
            same = entry.pattern[k] < 0 || entry.pattern[k] == static_cast<unsigned char>(request[k]);
        if (same)
            return static_cast<int>(i);
    }
    return -1;
}

bool SimulationFile::answer(std::string_view request, SimResponse &response, int &entryLine)
{
    const SimResponse *found = answer(request, entryLine);
    if (!found)
        return false;
    response = *found;
    return true;
}

const SimResponse *SimulationFile::answer(std::string_view request, int &entryLine)
{
    int index = match(request);
    if (index < 0)
        return nullptr;
    const SimEntry &entry = m_entries[static_cast<size_t>(index)];
    size_t &next = m_next[static_cast<size_t>(index)];
    const SimResponse *response = &entry.responses[next % entry.responses.size()];
    next = (next + 1) % entry.responses.size();
    entryLine = entry.line;
    return response;
}

} // namespace vedamis
