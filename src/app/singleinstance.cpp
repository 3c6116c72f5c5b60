#include "app/singleinstance.h"

#include "common/appdirs.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QTimer>
#include <QtEndian>

#include <sys/socket.h>
#include <unistd.h>

namespace quillet {

// The exchange: the text as a 4-byte big-endian length and UTF-8 bytes; the running instance answers with one byte.
static constexpr char kConfirmation = 'K';
static constexpr qsizetype kHeaderSize = 4;
// A command-line text is a path or a URL; anything bigger is not from Quillet.
static constexpr quint32 kMaxTextSize = 1024 * 1024;
// A connection that never completes its text is dropped after this long.
static constexpr int kServerReadTimeoutMs = 10000;

// Whether the other end of a local socket runs as the same user as this process.
static bool peerIsSameUser(qintptr descriptor)
{
    struct ucred credentials = {};
    socklen_t size = sizeof credentials;
    if (::getsockopt(int(descriptor), SOL_SOCKET, SO_PEERCRED, &credentials, &size) != 0)
        return false;
    return credentials.uid == ::getuid();
}

SingleInstance::SingleInstance(const QString &socketPath, QObject *parent)
    : QObject(parent)
    , m_socketPath(socketPath)
{
}

SingleInstance::~SingleInstance()
{
    stopListening();
}

QString SingleInstance::defaultSocketPath()
{
    QString directory = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (directory.isEmpty() || !QDir::isAbsolutePath(directory) || !QFileInfo(directory).isDir())
        directory = QDir::tempPath();
    // Instances with different data folders (a portable setup) do not share a playlist, so they may both run.
    const QByteArray dataKey
        = QCryptographicHash::hash(QDir(dataDirectory()).absolutePath().toUtf8(), QCryptographicHash::Sha1).toHex();
    return QDir(directory).filePath(applicationName() + QLatin1Char('-') + QString::number(::getuid())
        + QLatin1Char('-') + QString::fromLatin1(dataKey.left(12)) + QStringLiteral(".socket"));
}

bool SingleInstance::isListening() const
{
    return m_server && m_server->isListening();
}

void SingleInstance::stopListening()
{
    // Closing removes the socket file. Once closed, a second call does nothing, so a socket that a newer instance
    // made at the same path in the meantime stays.
    if (m_server)
        m_server->close();
}

SingleInstance::Outcome SingleInstance::claim(const QString &commandLine, int timeoutMs)
{
    // Two starts at the same moment must not both decide that nobody is running. QLockFile treats the lock of a
    // process that died as stale and takes it over.
    QLockFile lock(m_socketPath + QStringLiteral(".lock"));
    const bool locked = lock.tryLock(timeoutMs);

    QLocalSocket socket;
    socket.connectToServer(m_socketPath);
    if (socket.waitForConnected(timeoutMs)) {
        // A socket of another user (possible in a shared temporary folder) gets no file names.
        if (!peerIsSameUser(socket.socketDescriptor()))
            return Outcome::Alone;
        return handOver(socket, commandLine, timeoutMs);
    }
    // Another start holds the lock and is not listening yet: its socket must not be taken from it.
    if (!locked && lock.error() == QLockFile::LockFailedError)
        return Outcome::Alone;
    // Nobody answers: whatever socket file is left belongs to an instance that crashed.
    return listen() ? Outcome::Primary : Outcome::Alone;
}

SingleInstance::Outcome SingleInstance::handOver(QLocalSocket &socket, const QString &commandLine, int timeoutMs)
{
    const QByteArray text = commandLine.toUtf8();
    QByteArray message(kHeaderSize, Qt::Uninitialized);
    qToBigEndian(quint32(text.size()), message.data());
    message.append(text);
    socket.write(message);
    if (!socket.waitForBytesWritten(timeoutMs))
        return Outcome::NoAnswer;
    while (socket.bytesAvailable() < 1) {
        if (!socket.waitForReadyRead(timeoutMs))
            return Outcome::NoAnswer;
    }
    char answer = 0;
    socket.getChar(&answer);
    return answer == kConfirmation ? Outcome::HandedOver : Outcome::NoAnswer;
}

bool SingleInstance::listen()
{
    if (!m_server) {
        m_server = new QLocalServer(this);
        m_server->setSocketOptions(QLocalServer::UserAccessOption);
        connect(m_server, &QLocalServer::newConnection, this, &SingleInstance::acceptConnection);
    }
    QLocalServer::removeServer(m_socketPath);
    return m_server->listen(m_socketPath);
}

void SingleInstance::acceptConnection()
{
    while (QLocalSocket *socket = m_server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        if (!peerIsSameUser(socket->socketDescriptor())) {
            socket->abort();
            continue;
        }
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] { readFrom(socket); });
        QTimer::singleShot(kServerReadTimeoutMs, socket, [socket] { socket->abort(); });
        // The text may have arrived together with the connection.
        readFrom(socket);
    }
}

void SingleInstance::readFrom(QLocalSocket *socket)
{
    if (socket->bytesAvailable() < kHeaderSize)
        return;
    char header[kHeaderSize];
    socket->peek(header, kHeaderSize);
    const quint32 size = qFromBigEndian<quint32>(header);
    if (size > kMaxTextSize) {
        socket->abort();
        return;
    }
    if (socket->bytesAvailable() < kHeaderSize + qint64(size))
        return;
    socket->skip(kHeaderSize);
    const QString text = QString::fromUtf8(socket->read(size));
    // Confirm first: the sender must not wait for whatever the text starts here (a message box, for instance).
    socket->putChar(kConfirmation);
    socket->flush();
    socket->disconnectFromServer();
    emit textReceived(text);
}

} // namespace quillet
