#include "InstanceRegistry.h"

#include "InstanceSelection.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>

#include <unistd.h>

namespace {

const QByteArray raiseMessage("raise\n");
// A peer that sends more than this without a line break is not one of ours.
constexpr qint64 maxMessageSize = 256;

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

} // namespace

InstanceRegistry::InstanceRegistry(const QString &title, QObject *parent, const QString &socketDirectory)
    : QObject(parent), m_title(title), m_socketDirectory(socketDirectory), m_user(currentUser())
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
    if (m_socketDirectory.isEmpty())
        return name;
    return QDir(m_socketDirectory).filePath(name);
}

bool InstanceRegistry::isTaken(int number, int timeoutMs) const
{
    QLocalSocket socket;
    socket.connectToServer(socketName(number));
    const bool answered = socket.waitForConnected(timeoutMs);
    socket.abort();
    return answered;
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
    QLocalSocket socket;
    socket.connectToServer(socketName(number));
    if (!socket.waitForConnected(timeoutMs))
        return false;
    socket.write(raiseMessage);
    const bool sent = socket.waitForBytesWritten(timeoutMs) || socket.bytesToWrite() == 0;
    socket.disconnectFromServer();
    if (socket.state() != QLocalSocket::UnconnectedState)
        socket.waitForDisconnected(timeoutMs);
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
    const QString name = socketName(number);
    auto *server = new QLocalServer(this);
    // No socket options: with them the server binds elsewhere and renames the
    // socket into place, which would silently take over a live instance's
    // name. A plain bind fails when the name is in use, so two processes can
    // never hold the same number; the file is restricted to the user below.
    if (!server->listen(name)) {
        if (server->serverError() != QAbstractSocket::AddressInUseError || isTaken(number)) {
            const std::string reason =
                QString(instanceCaption(m_title, number) + QStringLiteral(": ") + server->errorString()).toStdString();
            delete server;
            return kitbox::failure(reason);
        }
        // Nobody answers: the socket file was left behind by an instance that
        // did not end cleanly.
        QLocalServer::removeServer(name);
        if (!server->listen(name)) {
            const std::string reason =
                QString(instanceCaption(m_title, number) + QStringLiteral(": ") + server->errorString()).toStdString();
            delete server;
            return kitbox::failure(reason);
        }
    }
    QFile::setPermissions(server->fullServerName(), QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    connect(server, &QLocalServer::newConnection, this, &InstanceRegistry::onNewConnection);
    m_server = server;
    m_number = number;
    return kitbox::success();
}

void InstanceRegistry::stopListening()
{
    if (!m_server)
        return;
    m_server->close();
    delete m_server;
    m_server = nullptr;
    m_number = -1;
}

bool InstanceRegistry::isListening() const
{
    return m_server && m_server->isListening();
}

void InstanceRegistry::onNewConnection()
{
    while (QLocalSocket *socket = m_server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] { onReadyRead(socket); });
        if (socket->bytesAvailable() > 0)
            onReadyRead(socket);
    }
}

void InstanceRegistry::onReadyRead(QLocalSocket *socket)
{
    while (socket->canReadLine()) {
        const QByteArray line = socket->readLine(maxMessageSize).trimmed();
        if (line == raiseMessage.trimmed())
            emit raiseRequested();
    }
    if (socket->bytesAvailable() > maxMessageSize)
        socket->abort();
}
