#pragma once
// Tells whether files of a directory may have changed since they were last
// looked at, so that a job does not need a stat per file to notice a changed
// description or simulation file. Uses inotify; without it (no instance
// left, directory not watchable) every question is answered "maybe", and the
// caller looks at the file itself.
#include <cstdint>
#include <map>
#include <string>

namespace vedamis {

class FileWatch {
public:
    FileWatch();
    ~FileWatch();
    FileWatch(const FileWatch &) = delete;
    FileWatch &operator=(const FileWatch &) = delete;

    // Reads the events that came in since the last call (one system call).
    void poll();
    // The directory's change count: it moves on every change inside the
    // directory. Starts watching the directory; -1 when it cannot be watched.
    int64_t generation(const std::string &directory);

private:
    struct Watched {
        int descriptor = -1;
        int64_t generation = 0;
    };
    int m_fd = -1;
    std::map<std::string, Watched> m_directories;
    std::map<int, std::string> m_byDescriptor;
    int64_t m_nextGeneration = 1;
};

} // namespace vedamis
