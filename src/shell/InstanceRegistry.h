#pragma once
// Running instances find each other through local sockets: every instance
// listens under a name made from the user and its caption. A number is taken
// when a socket under its caption answers; activating another instance sends
// it a message on that socket and it asks its window to come to the front.
//
// Plain unix-domain sockets watched by the event loop: the start of the
// program need not load a network library for this.
#include <kitbox/Result.h>

#include <QObject>
#include <QString>

#include <memory>
#include <vector>

class QSocketNotifier;

class InstanceRegistry : public QObject {
    Q_OBJECT
public:
    // socketDirectory: where the socket files live (empty: the system's
    // temporary directory); tests give their own directory.
    explicit InstanceRegistry(const QString &title, QObject *parent = nullptr,
                              const QString &socketDirectory = QString());
    ~InstanceRegistry() override;

    QString title() const { return m_title; }
    // Path of the socket for an instance number (0: the plain title caption).
    QString socketName(int number) const;

    // Whether another process (or registry) answers under this number.
    bool isTaken(int number, int timeoutMs = 250) const;
    // Whether any instance 0..9 answers.
    bool anyRunning(int timeoutMs = 250) const;
    // Sends the raise message to the first instance that answers; false when none did.
    bool activateRunning(int timeoutMs = 250) const;
    bool activate(int number, int timeoutMs = 250) const;

    // Starts answering under the caption of this number. A socket file left by
    // a crashed instance is removed; a live one gives an error.
    kitbox::Status listen(int number);
    void stopListening();
    bool isListening() const { return m_listenFd >= 0; }
    int listeningNumber() const { return m_number; }

signals:
    // Another instance asked this one to raise and activate its main window.
    void raiseRequested();

private:
    struct Peer;

    void acceptConnections();
    void readPeer(Peer *peer);
    void closePeer(Peer *peer);

    QString m_title;
    QString m_socketDirectory;
    QString m_user;
    QString m_listenPath;
    int m_listenFd = -1;
    QSocketNotifier *m_listenNotifier = nullptr;
    std::vector<std::unique_ptr<Peer>> m_peers;
    int m_number = -1;
};
