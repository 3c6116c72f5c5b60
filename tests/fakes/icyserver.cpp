#include "fakes/icyserver.h"

#include <QFile>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include <algorithm>

namespace quillet::testing {

namespace {

// Audio bytes between two metadata blocks.
constexpr qsizetype MetaInterval = 4096;
constexpr int SendIntervalMs = 100;

} // namespace

IcyServer::IcyServer(const QString &mp3File, int kbps, QObject *parent)
    : QObject(parent)
    , m_server(new QTcpServer(this))
    , m_timer(new QTimer(this))
    , m_bytesPerSecond(kbps * 1000 / 8)
{
    QFile file(mp3File);
    if (file.open(QIODevice::ReadOnly))
        m_audio = file.readAll();
    m_server->listen(QHostAddress::LocalHost);
    connect(m_server, &QTcpServer::newConnection, this, &IcyServer::accept);
    // A fifth faster than the stream plays.
    connect(m_timer, &QTimer::timeout, this, [this] {
        for (Listener &listener : m_listeners)
            send(listener, m_bytesPerSecond * SendIntervalMs * 6 / 5 / 1000);
    });
    m_timer->start(SendIntervalMs);
}

IcyServer::~IcyServer() = default;

QString IcyServer::url(const QString &path) const
{
    if (!m_server->isListening() || m_audio.isEmpty())
        return {};
    return QStringLiteral("http://127.0.0.1:%1/%2").arg(m_server->serverPort()).arg(path);
}

void IcyServer::accept()
{
    while (QTcpSocket *socket = m_server->nextPendingConnection()) {
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        // The answer goes out once the request has arrived; a player that asks for no metadata gets none.
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] {
            const QByteArray request = socket->peek(socket->bytesAvailable());
            if (!request.contains("\r\n\r\n"))
                return;
            socket->readAll();
            disconnect(socket, &QTcpSocket::readyRead, this, nullptr);
            if (!request.toLower().contains("icy-metadata: 1")) {
                socket->disconnectFromHost();
                return;
            }
            socket->write("HTTP/1.0 200 OK\r\nContent-Type: audio/mpeg\r\nicy-name: Quillet Test Radio\r\n"
                          "icy-metaint: "
                + QByteArray::number(MetaInterval) + "\r\n\r\n");
            m_listeners.append({socket, MetaInterval});
            send(m_listeners.last(), m_bytesPerSecond);
        });
    }
}

void IcyServer::send(Listener &listener, qsizetype bytes)
{
    if (!listener.socket || m_audio.isEmpty())
        return;
    QByteArray out;
    while (bytes > 0) {
        const qsizetype take = std::min({bytes, listener.untilMetadata, m_audio.size() - m_position});
        out += m_audio.mid(m_position, take);
        m_position = (m_position + take) % m_audio.size();
        bytes -= take;
        listener.untilMetadata -= take;
        if (listener.untilMetadata == 0) {
            QByteArray metadata = "StreamTitle='" + m_title.toUtf8() + "';";
            metadata += QByteArray((16 - metadata.size() % 16) % 16, '\0');
            out += char(metadata.size() / 16) + metadata;
            listener.untilMetadata = MetaInterval;
        }
    }
    listener.socket->write(out);
}

} // namespace quillet::testing
