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
#include <optional>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include <stdlib.h>

namespace e2e {

inline const std::filesystem::path dataDir = KITBOX_DATA_DIR;
inline const std::filesystem::path sourceDir = KITBOX_SOURCE_DIR;

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

// The result reports kept in tests/data/e2e/job-reports.txt, in their order, each as its
// "DESCRIPTION JOB [ARGUMENTS]" line and the report below it.
inline std::vector<std::pair<std::string, std::string>> keptReports()
{
    std::vector<std::pair<std::string, std::string>> reports;
    std::istringstream in(readFile(sourceDir / "tests" / "data" / "e2e" / "job-reports.txt"));
    for (std::string line; std::getline(in, line);) {
        if (line.rfind("== ", 0) == 0)
            reports.emplace_back(line.substr(3), std::string());
        else if (!reports.empty())
            reports.back().second += line + "\n";
    }
    return reports;
}

class DemoSession {
public:
    // ecuPath: where descriptions are found (the built demo data by default).
    explicit DemoSession(const std::filesystem::path &ecuPath = dataDir / "ecu")
    {
        m_open = apiVBInit(&m_handle) != 0;
        if (!m_open) {
            ADD_FAILURE() << "apiVBInit failed";
            return;
        }
        setConfig("EcuPath", ecuPath.string());
        setConfig("SimulationPath", (dataDir / "sim").string());
        setConfig("Simulation", "1");
        setConfig("IfhTrace", "0");
    }
    ~DemoSession()
    {
        if (m_open)
            apiVBEnd(m_handle);
    }
    DemoSession(const DemoSession &) = delete;
    DemoSession &operator=(const DemoSession &) = delete;

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
    // Runs the job a kept report's "DESCRIPTION JOB [ARGUMENTS]" line names.
    std::optional<int> job(const std::string &header)
    {
        const size_t first = header.find(' '), second = header.find(' ', first + 1);
        return job(header.substr(0, first), header.substr(first + 1, second - first - 1),
                   second == std::string::npos ? std::string() : header.substr(second + 1));
    }
    std::optional<int> sets()
    {
        int16_t count = -1;
        return apiVBResultSets(m_handle, &count) ? std::optional<int>(count) : std::nullopt;
    }

    int errorCode() { return apiVBErrorCode(m_handle); }
    std::string errorText()
    {
        char buffer[VEDAMIS_ERROR_BUFFER] = {};
        int32_t length = 0;
        return apiVB4ErrorText(m_handle, buffer, &length)
                   ? std::string(buffer, clamped(length, VEDAMIS_ERROR_BUFFER - 1))
                   : std::string();
    }

    std::optional<std::string> text(const std::string &name, int set)
    {
        char buffer[VEDAMIS_TEXT_BUFFER] = {};
        int32_t length = 0;
        if (!apiVB4ResultText(m_handle, buffer, &length, name.c_str(), static_cast<int16_t>(set), ""))
            return std::nullopt;
        return std::string(buffer, clamped(length, VEDAMIS_TEXT_BUFFER - 1));
    }

    // Every result of every set of the last job, one line each: "  NAME (type) = text", binaries
    // in hex, read through the extended buffer.
    std::string report()
    {
        std::string out;
        for (int16_t set = 0; set <= sets().value_or(-1); ++set) {
            out += "set " + std::to_string(set) + "\n";
            int16_t count = 0;
            apiVBResultNumber(m_handle, &count, set);
            for (int16_t i = 1; i <= count; ++i) {
                char name[VEDAMIS_NAME_BUFFER] = {};
                int32_t length = 0, type = -1;
                if (!apiVB4ResultName(m_handle, name, &length, i, set))
                    continue;
                int16_t code = -1;
                if (apiVBResultFormat(m_handle, &code, name, set))
                    type = code;
                out += "  " + std::string(name, clamped(length, VEDAMIS_NAME_BUFFER - 1)) + " (" +
                       std::to_string(type) + ") =";
                if (type == VEDAMIS_TYPE_BINARY) {
                    static const char digits[] = "0123456789ABCDEF";
                    std::vector<unsigned char> bytes(VEDAMIS_BINARY_EXT_BUFFER);
                    if (!apiVB4ResultBinaryExt(m_handle, bytes.data(), &length, VEDAMIS_BINARY_EXT_MAX, name, set))
                        length = 0;
                    for (size_t b = 0; b < clamped(length, VEDAMIS_BINARY_EXT_BUFFER); ++b)
                        out += {' ', digits[bytes[b] >> 4], digits[bytes[b] & 15]};
                } else {
                    out += " " + text(name, set).value_or("<no text>");
                }
                out += "\n";
            }
        }
        return out;
    }

private:
    static size_t clamped(int32_t length, int32_t limit) { return static_cast<size_t>(std::clamp(length, 0, limit)); }
    int32_t m_handle = 0;
    bool m_open = false;
};

} // namespace e2e
