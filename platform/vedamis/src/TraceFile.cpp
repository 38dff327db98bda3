#include "TraceFile.h"

#include "TextUtil.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <ctime>

namespace vedamis {

std::string timeOfDay()
{
    auto now = std::chrono::system_clock::now();
    std::time_t seconds = std::chrono::system_clock::to_time_t(now);
    auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000;
    std::tm local{};
    localtime_r(&seconds, &local);
    char buffer[32];
    std::snprintf(buffer, sizeof(buffer), "%02d:%02d:%02d.%03d", local.tm_hour, local.tm_min, local.tm_sec,
                  static_cast<int>(ms));
    return buffer;
}

static std::string dateAndTime()
{
    std::time_t seconds = std::time(nullptr);
    std::tm local{};
    localtime_r(&seconds, &local);
    char buffer[32];
    std::strftime(buffer, sizeof(buffer), "%Y-%m-%d %H:%M:%S", &local);
    return buffer;
}

bool TraceFile::configure(const std::string &directory, int level, std::string &reason)
{
    std::lock_guard lock(m_mutex);
    if (level <= 0) {
        if (m_file)
            std::fclose(m_file);
        m_file = nullptr;
        m_level = 0;
        return true;
    }
    const std::string path = directory + "/" + m_fileName;
    if (!m_file || path != m_path) {
        if (!makeDirectories(directory, reason))
            return false;
        std::FILE *file = std::fopen(path.c_str(), "ab");
        if (!file) {
            reason = path + ": " + std::strerror(errno);
            return false;
        }
        if (m_file)
            std::fclose(m_file);
        m_file = file;
        m_path = path;
    }
    if (level != m_level) {
        m_level = level;
        std::fprintf(m_file, "; %s trace level %d from %s\n", m_fileName.c_str(), level, dateAndTime().c_str());
        std::fflush(m_file);
    }
    return true;
}

void TraceFile::close()
{
    std::lock_guard lock(m_mutex);
    if (m_file)
        std::fclose(m_file);
    m_file = nullptr;
    m_level = 0;
}

void TraceFile::line(std::string_view text)
{
    std::lock_guard lock(m_mutex);
    if (!m_file)
        return;
    std::string out = timeOfDay();
    out += ' ';
    out += text;
    out += '\n';
    std::fwrite(out.data(), 1, out.size(), m_file);
    std::fflush(m_file);
}

} // namespace vedamis
