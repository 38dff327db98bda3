#include "InstanceRegistry.h"

#include "InstanceSelection.h"

#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QSocketNotifier>
#include <QThread>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

const QByteArray raiseMessage("raise");
// A peer that sends more than this without a line break is not one of ours.
constexpr qsizetype maxMessageSize = 256;
constexpr int listenBacklog = 16;

QString currentUser()
{
    QString user = qEnvironmentVariable("USER");
    if (user.isEmpty())
        user = qEnvironmentVariable("LOGNAME");
    // The uid keeps two users apart even when the variables are missing or equal.
    return user + u'.' + QString::number(::getuid());
}

QString fileNameSafe(const QString &text)
{
    QString safe;
    for (QChar c : text) {
        const bool ok = (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') || c == u'.' ||
                        c == u'-' || c == u'_';
        safe += ok ? c : u'_';
    }
    return safe.left(32);
}

// The socket address for a path; false when the path does not fit.
bool socketAddress(const QString &path, sockaddr_un &address)
{
    const QByteArray encoded = QFile::encodeName(path);
    std::memset(&address, 0, sizeof address);
    address.sun_family = AF_UNIX;
    if (encoded.isEmpty() || size_t(encoded.size()) >= sizeof address.sun_path)
        return false;
    std::memcpy(address.sun_path, encoded.constData(), size_t(encoded.size()));
    return true;
}

int newSocket()
{
    return ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
}

// A connected socket to the instance listening on path, or -1 when nobody
// answers there within the time-out (a full backlog is waited out).
int connectTo(const QString &path, int timeoutMs)
{
    sockaddr_un address;
    if (!socketAddress(path, address))
        return -1;
    // Without the socket file nobody listens; a start asks for up to ten
    // numbers, and most of them are free.
    if (::access(address.sun_path, F_OK) != 0 && errno == ENOENT)
        return -1;
    const QDeadlineTimer deadline(qMax(0, timeoutMs));
    for (;;) {
        const int fd = newSocket();
        if (fd < 0)
            return -1;
        int result;
        do {
            result = ::connect(fd, reinterpret_cast<const sockaddr *>(&address), sizeof address);
        } while (result != 0 && errno == EINTR);
        if (result == 0)
            return fd;
        const int error = errno;
        ::close(fd);
        // No socket file, or a file nobody listens on: nobody answers.
        if (error != EAGAIN || deadline.hasExpired())
            return -1;
        QThread::msleep(5);
    }
}

// Writes all of data to a non-blocking socket within the time-out.
bool sendAll(int fd, const QByteArray &data, int timeoutMs)
{
    const QDeadlineTimer deadline(qMax(0, timeoutMs));
    qsizetype sent = 0;
    while (sent < data.size()) {
        const ssize_t n = ::send(fd, data.constData() + sent, size_t(data.size() - sent), MSG_NOSIGNAL);
        if (n > 0) {
            sent += n;
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno == EAGAIN && !deadline.hasExpired()) {
            QThread::msleep(1);
            continue;
        }
        return false;
    }
    return true;
}

} // namespace

struct InstanceRegistry::Peer {
    int fd = -1;
    QSocketNotifier *notifier = nullptr;
    QByteArray pending;
};

InstanceRegistry::InstanceRegistry(const QString &title, QObject *parent, const QString &socketDirectory)
    : QObject(parent), m_title(title),
      // The system's temporary directory is looked up once: finding it
      // resolves every part of its path, and a start asks for up to ten names.
      m_socketDirectory(socketDirectory.isEmpty() ? QDir::tempPath() : socketDirectory), m_user(currentUser())
{
}

InstanceRegistry::~InstanceRegistry()
{
    stopListening();
}

QString InstanceRegistry::socketName(int number) const
{
    // Captions compare without regard to case, so the name is made from the
    // lower-cased caption; a hash keeps it short and free of blanks and colons.
    const QString caption = instanceCaption(m_title, number).toLower();
    const QByteArray hash =
        QCryptographicHash::hash((m_user + u'\n' + caption).toUtf8(), QCryptographicHash::Sha256).toHex().left(20);
    const QString name = QStringLiteral("kitbox32-") + fileNameSafe(m_user) + u'-' + QString::fromLatin1(hash);
    return QDir(m_socketDirectory).filePath(name);
}

bool InstanceRegistry::isTaken(int number, int timeoutMs) const
{
    const int fd = connectTo(socketName(number), timeoutMs);
    if (fd < 0)
        return false;
    ::close(fd);
    return true;
}

bool InstanceRegistry::anyRunning(int timeoutMs) const
{
    for (int number = 0; number <= maxInstanceNumber; ++number) {
        if (isTaken(number, timeoutMs))
            return true;
    }
    return false;
}

bool InstanceRegistry::activate(int number, int timeoutMs) const
{
    const int fd = connectTo(socketName(number), timeoutMs);
    if (fd < 0)
        return false;
    const bool sent = sendAll(fd, raiseMessage + '\n', timeoutMs);
    ::close(fd);
    return sent;
}

bool InstanceRegistry::activateRunning(int timeoutMs) const
{
    for (int number = 0; number <= maxInstanceNumber; ++number) {
        if (activate(number, timeoutMs))
            return true;
    }
    return false;
}

kitbox::Status InstanceRegistry::listen(int number)
{
    stopListening();
    const QString path = socketName(number);
    const auto failure = [&](const QString &reason) {
        return kitbox::failure(QString(instanceCaption(m_title, number) + QStringLiteral(": ") + reason).toStdString());
    };
    sockaddr_un address;
    if (!socketAddress(path, address))
        return failure(QStringLiteral("socket path too long: ") + path);

    const int fd = newSocket();
    if (fd < 0)
        return failure(QString::fromLocal8Bit(std::strerror(errno)));
    // A plain bind fails when the name is in use, so two processes can never
    // hold the same number.
    const auto bindAndListen = [&] {
        return ::bind(fd, reinterpret_cast<const sockaddr *>(&address), sizeof address) == 0 &&
               ::listen(fd, listenBacklog) == 0;
    };
    if (!bindAndListen()) {
        int error = errno;
        if (error == EADDRINUSE && !isTaken(number)) {
            // Nobody answers: the socket file was left behind by an instance
            // that did not end cleanly.
            ::unlink(address.sun_path);
            if (bindAndListen())
                error = 0;
            else
                error = errno;
        }
        if (error != 0) {
            ::close(fd);
            return failure(error == EADDRINUSE ? QStringLiteral("another instance already listens there")
                                               : QString::fromLocal8Bit(std::strerror(error)));
        }
    }
    // Only the user may talk to the instance.
    ::chmod(address.sun_path, S_IRUSR | S_IWUSR);

    m_listenFd = fd;
    m_listenPath = path;
    m_number = number;
    m_listenNotifier = new QSocketNotifier(qintptr(fd), QSocketNotifier::Read, this);
    connect(m_listenNotifier, &QSocketNotifier::activated, this, &InstanceRegistry::acceptConnections);
    return kitbox::success();
}

void InstanceRegistry::stopListening()
{
    while (!m_peers.empty())
        closePeer(m_peers.back().get());
    if (m_listenFd < 0)
        return;
    delete m_listenNotifier;
    m_listenNotifier = nullptr;
    ::close(m_listenFd);
    m_listenFd = -1;
    // The file is ours: it was bound by this registry.
    ::unlink(QFile::encodeName(m_listenPath).constData());
    m_listenPath.clear();
    m_number = -1;
}

void InstanceRegistry::acceptConnections()
{
    for (;;) {
        const int fd = ::accept4(m_listenFd, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (fd < 0) {
            if (errno == EINTR)
                continue;
            return; // EAGAIN: no more waiting; other errors: the next one will tell
        }
        auto peer = std::make_unique<Peer>();
        peer->fd = fd;
        peer->notifier = new QSocketNotifier(qintptr(fd), QSocketNotifier::Read, this);
        Peer *raw = peer.get();
        connect(peer->notifier, &QSocketNotifier::activated, this, [this, raw] { readPeer(raw); });
        m_peers.push_back(std::move(peer));
    }
}

void InstanceRegistry::readPeer(Peer *peer)
{
    char buffer[512];
    for (;;) {
        const ssize_t n = ::recv(peer->fd, buffer, sizeof buffer, 0);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno == EAGAIN)
            break;
        if (n <= 0) {
            closePeer(peer); // the other side is done, or the socket failed
            return;
        }
        peer->pending.append(buffer, n);
        qsizetype end;
        while ((end = peer->pending.indexOf('\n')) >= 0) {
            const QByteArray line = peer->pending.left(end).trimmed();
            peer->pending.remove(0, end + 1);
            if (line == raiseMessage)
                emit raiseRequested();
        }
        if (peer->pending.size() > maxMessageSize) {
            closePeer(peer);
            return;
        }
    }
}

void InstanceRegistry::closePeer(Peer *peer)
{
    // Called from the peer's own notifier: it is disabled now and deleted later.
    peer->notifier->setEnabled(false);
    peer->notifier->deleteLater();
    ::close(peer->fd);
    for (auto it = m_peers.begin(); it != m_peers.end(); ++it) {
        if (it->get() == peer) {
            m_peers.erase(it);
            return;
        }
    }
}
