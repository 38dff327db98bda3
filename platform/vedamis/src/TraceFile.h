#pragma once
// An append-only trace file held open while its level is above 0. Every
// line starts with the time of day (HH:MM:SS.mmm) and is flushed at once, so
// a reader sees whole lines even while the engine runs.
#include <atomic>
#include <cstdio>
#include <mutex>
#include <string>
#include <string_view>

namespace vedamis {

class TraceFile {
public:
    explicit TraceFile(std::string fileName) : m_fileName(std::move(fileName)) {}
    ~TraceFile() { close(); }
    TraceFile(const TraceFile &) = delete;
    TraceFile &operator=(const TraceFile &) = delete;

    // Opens directory/fileName for appending (creating the directory), or
    // keeps it open when it is already that file; level 0 closes it.
    // False with a reason when the file cannot be opened.
    bool configure(const std::string &directory, int level, std::string &reason);
    void close();

    int level() const { return m_level.load(); }
    bool enabled(int atLevel) const { return m_level.load() >= atLevel; }
    void line(std::string_view text);

private:
    std::string m_fileName;
    std::string m_path;
    std::FILE *m_file = nullptr;
    std::atomic<int> m_level{0}; // 0 whenever no file is open
    std::mutex m_mutex;
};

std::string timeOfDay();

} // namespace vedamis
