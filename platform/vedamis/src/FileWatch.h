#pragma once
// Tells whether files of a directory may have changed since they were last
// looked at, so that a job does not need a stat per file to notice a changed
// description or simulation file. Uses inotify; without it (no instance
// left, directory not watchable) every question is answered "maybe", and the
// caller looks at the file itself.
//
// The kernel announces each change to the thread that last polled with a
// real-time signal (SIGRTMAX - 5), whose handler only counts it. A poll on
// that thread reads the watch only when the count moved, so the job start
// needs no system call while nothing changes. The signal is raised while the
// saving process is still inside the system call that changed the file: a
// save on the announced thread is always seen by its next poll; for a save
// elsewhere the kernel interrupts the announced thread at once (within
// microseconds), at the latest when it next enters the kernel. A poll on any
// other thread reads the watch; the second in a row from the same thread
// moves the announcement there.
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

    // Takes the events that came in since the last call: no system call on
    // the announced thread while none came, one read otherwise.
    void poll();
    // Whether changes are announced by signal in this process (false in a
    // forked child, where the watch is shared with the parent, when the host
    // program owns the signal, or under ThreadSanitizer, which holds signals
    // back). Without it every poll reads the watch.
    static bool announcementsAvailable();
    // The directory's change count: it moves on every change inside the
    // directory. Starts watching the directory; -1 when it cannot be watched.
    int64_t generation(const std::string &directory);

private:
    void readEvents();
    bool announceToThisThread();

    struct Watched {
        int descriptor = -1;
        int64_t generation = 0;
    };
    int m_fd = -1;
    std::map<std::string, Watched> m_directories;
    std::map<int, std::string> m_byDescriptor;
    int64_t m_nextGeneration = 1;
    uint64_t m_askingThread = 0;    // serial of the thread changes are announced to
    uint64_t m_previousThread = 0;  // serial of the thread of the last poll
    bool m_announced = false;       // the announcement to m_askingThread is set up
    bool m_asyncSet = false;        // the descriptor raises the signal
    uint64_t m_seenAnnouncement = 0; // announcement count when last read
};

} // namespace vedamis
