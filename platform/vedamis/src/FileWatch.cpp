#include "FileWatch.h"

#include <cerrno>
#include <climits>
#include <sys/inotify.h>
#include <unistd.h>

namespace vedamis {

namespace {
constexpr uint32_t kEvents = IN_MODIFY | IN_ATTRIB | IN_CLOSE_WRITE | IN_MOVED_FROM | IN_MOVED_TO | IN_CREATE |
                             IN_DELETE | IN_DELETE_SELF | IN_MOVE_SELF;
}

FileWatch::FileWatch() : m_fd(inotify_init1(IN_NONBLOCK | IN_CLOEXEC)) {}

FileWatch::~FileWatch()
{
    if (m_fd >= 0)
        close(m_fd);
}

void FileWatch::poll()
{
    if (m_fd < 0)
        return;
    alignas(inotify_event) char buffer[16 * (sizeof(inotify_event) + NAME_MAX + 1)];
    while (true) {
        const ssize_t n = read(m_fd, buffer, sizeof(buffer));
        if (n <= 0)
            return; // EAGAIN: nothing more
        for (ssize_t at = 0; at + static_cast<ssize_t>(sizeof(inotify_event)) <= n;) {
            const auto *event = reinterpret_cast<const inotify_event *>(buffer + at);
            at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
            if (event->mask & IN_Q_OVERFLOW) {
                // Events were lost: every directory counts as changed.
                for (auto &entry : m_directories)
                    entry.second.generation = m_nextGeneration++;
                continue;
            }
            auto owner = m_byDescriptor.find(event->wd);
            if (owner == m_byDescriptor.end())
                continue;
            auto dir = m_directories.find(owner->second);
            if (event->mask & (IN_IGNORED | IN_DELETE_SELF | IN_MOVE_SELF)) {
                // The path no longer names the watched directory: forget it,
                // the next question watches the path anew.
                if (!(event->mask & IN_IGNORED))
                    inotify_rm_watch(m_fd, event->wd);
                if (dir != m_directories.end())
                    m_directories.erase(dir);
                m_byDescriptor.erase(owner);
                continue;
            }
            if (dir != m_directories.end())
                dir->second.generation = m_nextGeneration++;
        }
    }
}

int64_t FileWatch::generation(const std::string &directory)
{
    if (m_fd < 0)
        return -1;
    auto found = m_directories.find(directory);
    if (found != m_directories.end())
        return found->second.generation;
    const int descriptor = inotify_add_watch(m_fd, directory.c_str(), kEvents | IN_ONLYDIR);
    if (descriptor < 0)
        return -1;
    // The same directory under another spelling shares the descriptor.
    auto previous = m_byDescriptor.find(descriptor);
    if (previous != m_byDescriptor.end())
        m_directories.erase(previous->second);
    m_byDescriptor[descriptor] = directory;
    Watched watched;
    watched.descriptor = descriptor;
    watched.generation = m_nextGeneration++;
    m_directories[directory] = watched;
    return watched.generation;
}

} // namespace vedamis
