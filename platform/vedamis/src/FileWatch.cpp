#include "FileWatch.h"

#include <atomic>
#include <cerrno>
#include <climits>
#include <csignal>
#include <fcntl.h>
#include <pthread.h>
#include <sys/inotify.h>
#include <unistd.h>

namespace vedamis {

namespace {
constexpr uint32_t kEvents = IN_MODIFY | IN_ATTRIB | IN_CLOSE_WRITE | IN_MOVED_FROM | IN_MOVED_TO | IN_CREATE |
                             IN_DELETE | IN_DELETE_SELF | IN_MOVE_SELF;

int changeSignalNumber()
{
    return SIGRTMAX - 5;
}

// Counts announcements of every watch of the process; a watch that sees it
// move reads its own events, which may be none.
std::atomic<uint64_t> g_announcements{0};
static_assert(std::atomic<uint64_t>::is_always_lock_free);
std::atomic<bool> g_forkedChild{false};

// Names a thread for good: a thread id can be given again to a later thread,
// which the kernel would then not signal.
std::atomic<uint64_t> g_threadSerials{0};
[[gnu::tls_model("initial-exec")]] thread_local uint64_t t_threadSerial = 0;
[[gnu::tls_model("initial-exec")]] thread_local bool t_signalUnblocked = false;

void onChangeSignal(int)
{
    g_announcements.fetch_add(1, std::memory_order_release);
}

void afterForkInChild()
{
    // The child shares the parent's watch descriptors: moving their
    // announcements to a child thread would take them from the parent.
    g_forkedChild.store(true, std::memory_order_relaxed);
}

bool hostLeftDefault(int signal)
{
    struct sigaction existing {};
    return sigaction(signal, nullptr, &existing) == 0 && !(existing.sa_flags & SA_SIGINFO) &&
           existing.sa_handler == SIG_DFL;
}

bool installChangeSignal()
{
#if defined(__SANITIZE_THREAD__)
    return false;
#else
    if (!hostLeftDefault(changeSignalNumber()))
        return false;
    struct sigaction action {};
    action.sa_handler = &onChangeSignal;
    action.sa_flags = SA_RESTART;
    sigemptyset(&action.sa_mask);
    if (sigaction(changeSignalNumber(), &action, nullptr) != 0)
        return false;
    // When the queue of real-time signals is full the kernel raises SIGIO
    // instead, which by default would end the process.
    if (hostLeftDefault(SIGIO))
        sigaction(SIGIO, &action, nullptr);
    pthread_atfork(nullptr, nullptr, &afterForkInChild);
    return true;
#endif
}

uint64_t currentThreadSerial()
{
    if (t_threadSerial == 0)
        t_threadSerial = g_threadSerials.fetch_add(1, std::memory_order_relaxed) + 1;
    return t_threadSerial;
}
} // namespace

bool FileWatch::announcementsAvailable()
{
    static const bool installed = installChangeSignal();
    return installed && !g_forkedChild.load(std::memory_order_relaxed);
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
    if (announcementsAvailable()) {
        const uint64_t self = currentThreadSerial();
        if (self == m_askingThread && m_announced) {
            const uint64_t announced = g_announcements.load(std::memory_order_acquire);
            if (announced == m_seenAnnouncement)
                return;
            // Counted before reading: a change after the read moves it again.
            m_seenAnnouncement = announced;
        } else if (self == m_previousThread && self != m_askingThread) {
            // The second poll in a row from this thread: announce here from
            // now on. Polls that alternate between threads only read.
            m_askingThread = self;
            m_announced = announceToThisThread();
            m_seenAnnouncement = g_announcements.load(std::memory_order_acquire);
        }
        m_previousThread = self;
    } else {
        m_announced = false;
        m_askingThread = 0;
    }
    readEvents();
}

bool FileWatch::announceToThisThread()
{
    // Owner first: with the flag set and no owner the kernel signals no one.
    f_owner_ex owner{F_OWNER_TID, gettid()};
    if (fcntl(m_fd, F_SETOWN_EX, &owner) != 0)
        return false;
    if (!m_asyncSet) {
        const int flags = fcntl(m_fd, F_GETFL);
        if (flags < 0 || fcntl(m_fd, F_SETSIG, changeSignalNumber()) != 0 ||
            fcntl(m_fd, F_SETFL, flags | O_ASYNC) != 0)
            return false;
        m_asyncSet = true;
    }
    if (!t_signalUnblocked) {
        sigset_t set;
        sigemptyset(&set);
        sigaddset(&set, changeSignalNumber());
        pthread_sigmask(SIG_UNBLOCK, &set, nullptr);
        t_signalUnblocked = true;
    }
    return true;
}

void FileWatch::readEvents()
{
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
