#pragma once
// A runtime session on the demo fleet built into the data directory, with
// small readers over the C API for the end-to-end tests.
#include <vedamis/vedamis.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>
#include <optional>
#include <string>
#include <vector>

#include <stdlib.h>

namespace e2e {

inline std::filesystem::path dataDir()
{
    return KITBOX_DATA_DIR;
}
inline std::filesystem::path sourceDir()
{
    return KITBOX_SOURCE_DIR;
}

inline std::string readFile(const std::filesystem::path &path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// A fresh, empty directory below the system's temporary directory, removed again at the end.
class TempDir {
public:
    TempDir()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "kitbox-e2e-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr)
            ADD_FAILURE() << "no temporary directory could be created";
        else
            m_path = pattern;
    }
    ~TempDir()
    {
        std::error_code ignored;
        std::filesystem::remove_all(m_path, ignored);
    }
    TempDir(const TempDir &) = delete;
    TempDir &operator=(const TempDir &) = delete;
    const std::filesystem::path &path() const { return m_path; }

private:
    std::filesystem::path m_path;
};

// The result reports kept in tests/data/e2e/job-reports.txt, each under its "== DESCRIPTION JOB [ARGUMENTS]" line.
inline std::map<std::string, std::string> keptReports()
{
    std::map<std::string, std::string> reports;
    std::istringstream in(e2e::readFile(e2e::sourceDir() / "tests" / "data" / "e2e" / "job-reports.txt"));
    std::string line, *current = nullptr;
    while (std::getline(in, line)) {
        if (line.rfind("== ", 0) == 0)
            current = &reports[line.substr(3)];
        else if (current)
            *current += line + "\n";
    }
    return reports;
}

// The "DESCRIPTION JOB [ARGUMENTS]" lines of the kept reports, in the order the reports were made.
inline std::vector<std::string> keptReportHeaders()
{
    std::vector<std::string> headers;
    std::istringstream in(e2e::readFile(e2e::sourceDir() / "tests" / "data" / "e2e" / "job-reports.txt"));
    std::string line;
    while (std::getline(in, line))
        if (line.rfind("== ", 0) == 0)
            headers.push_back(line.substr(3));
    return headers;
}

class DemoSession {
public:
    // ecuPath: where descriptions are found (the built demo data by default).
    explicit DemoSession(const std::filesystem::path &ecuPath = dataDir() / "ecu")
    {
        m_open = apiVBInit(&m_handle) != 0;
        if (!m_open) {
            ADD_FAILURE() << "apiVBInit failed";
            return;
        }
        setConfig("EcuPath", ecuPath.string());
        setConfig("SimulationPath", (dataDir() / "sim").string());
        setConfig("Simulation", "1");
        setConfig("IfhTrace", "0");
    }
    ~DemoSession() { close(); }
    DemoSession(const DemoSession &) = delete;
    DemoSession &operator=(const DemoSession &) = delete;

    void close()
    {
        if (m_open)
            apiVBEnd(m_handle);
        m_open = false;
    }
    int32_t handle() const { return m_handle; }

    void setConfig(const std::string &name, const std::string &value)
    {
        EXPECT_NE(apiVBSetConfig(m_handle, name.c_str(), value.c_str()), 0)
            << "configuration " << name << "=" << value << ": " << errorText();
    }

    // Runs a job; returns the number of result sets, or nothing when the runtime reports an error.
    std::optional<int> job(const std::string &description, const std::string &name, const std::string &args = "",
                           const std::string &filter = "")
    {
        apiVBJob(m_handle, description.c_str(), name.c_str(), args.c_str(), filter.c_str());
        return sets();
    }
    std::optional<int> jobData(const std::string &description, const std::string &name,
                               const std::vector<unsigned char> &data)
    {
        apiVB4JobData(m_handle, description.c_str(), name.c_str(), data.data(), static_cast<int32_t>(data.size()), "");
        return sets();
    }
    std::optional<int> sets()
    {
        int16_t count = -1;
        if (!apiVBResultSets(m_handle, &count))
            return std::nullopt;
        return count;
    }

    int errorCode() { return apiVBErrorCode(m_handle); }
    std::string errorText()
    {
        char buffer[VEDAMIS_ERROR_BUFFER] = {};
        int32_t length = 0;
        if (!apiVB4ErrorText(m_handle, buffer, &length))
            return {};
        return std::string(buffer, static_cast<size_t>(std::clamp<int32_t>(length, 0, VEDAMIS_ERROR_BUFFER - 1)));
    }

    std::optional<std::string> text(const std::string &name, int set, const std::string &format = "")
    {
        char buffer[VEDAMIS_TEXT_BUFFER] = {};
        int32_t length = 0;
        if (!apiVB4ResultText(m_handle, buffer, &length, name.c_str(), static_cast<int16_t>(set), format.c_str()))
            return std::nullopt;
        return std::string(buffer, static_cast<size_t>(std::clamp<int32_t>(length, 0, VEDAMIS_TEXT_BUFFER - 1)));
    }
    std::optional<int> type(const std::string &name, int set)
    {
        int16_t code = -1;
        if (!apiVBResultFormat(m_handle, &code, name.c_str(), static_cast<int16_t>(set)))
            return std::nullopt;
        return code;
    }
    std::optional<int> integer(const std::string &name, int set)
    {
        int16_t value = 0;
        if (!apiVBResultInt(m_handle, &value, name.c_str(), static_cast<int16_t>(set)))
            return std::nullopt;
        return value;
    }
    // A binary result through the normal buffer, or the extended one.
    std::optional<std::vector<unsigned char>> binary(const std::string &name, int set, bool extended = false)
    {
        std::vector<unsigned char> buffer(extended ? VEDAMIS_BINARY_EXT_BUFFER : VEDAMIS_BINARY_BUFFER);
        int32_t length = 0;
        const bool read =
            extended ? apiVB4ResultBinaryExt(m_handle, buffer.data(), &length, VEDAMIS_BINARY_EXT_MAX, name.c_str(),
                                             static_cast<int16_t>(set))
                     : apiVB4ResultBinary(m_handle, buffer.data(), &length, name.c_str(), static_cast<int16_t>(set));
        if (!read)
            return std::nullopt;
        buffer.resize(static_cast<size_t>(std::clamp<int32_t>(length, 0, int32_t(buffer.size()))));
        return buffer;
    }
    // Names of the results of a set, in the runtime's order.
    std::vector<std::string> names(int set)
    {
        std::vector<std::string> out;
        int16_t count = 0;
        if (!apiVBResultNumber(m_handle, &count, static_cast<int16_t>(set)))
            return out;
        for (int16_t i = 1; i <= count; ++i) {
            char buffer[VEDAMIS_NAME_BUFFER] = {};
            int32_t length = 0;
            if (apiVB4ResultName(m_handle, buffer, &length, i, static_cast<int16_t>(set)))
                out.emplace_back(buffer, static_cast<size_t>(std::clamp<int32_t>(length, 0, VEDAMIS_NAME_BUFFER - 1)));
        }
        return out;
    }

    // Every result of every set of the last job, one line each: "  NAME (type) = text", binaries in hex.
    std::string report()
    {
        std::string out;
        for (int set = 0; set <= sets().value_or(-1); ++set) {
            out += "set " + std::to_string(set) + "\n";
            for (const std::string &name : names(set)) {
                const int code = type(name, set).value_or(-1);
                out += "  " + name + " (" + std::to_string(code) + ") =";
                if (code == VEDAMIS_TYPE_BINARY) {
                    static const char digits[] = "0123456789ABCDEF";
                    for (unsigned char byte : binary(name, set, true).value_or(std::vector<unsigned char>{}))
                        out += {' ', digits[byte >> 4], digits[byte & 15]};
                } else {
                    out += " " + text(name, set).value_or("<no text>");
                }
                out += "\n";
            }
        }
        return out;
    }

private:
    int32_t m_handle = 0;
    bool m_open = false;
};

} // namespace e2e
