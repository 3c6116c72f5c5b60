#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>

class QTcpServer;
class QTcpSocket;
class QTimer;

namespace quillet::testing {

// An internet radio station on 127.0.0.1, as Icecast and SHOUTcast serve one: an endless MP3 stream whose ICY
// metadata carries the title of the song playing, which the test may change at any time. The audio is an MP3 file
// sent over and over: a second of it at once, then a little faster than it plays, so that a player has little of
// it in store and a new title plays soon after it is set.
class IcyServer : public QObject
{
    Q_OBJECT
public:
    // Serves the frames of mp3File (which must have no ID3v2 tag), whose bit rate is kbps.
    IcyServer(const QString &mp3File, int kbps, QObject *parent = nullptr);
    ~IcyServer() override;

    // The stream's address with the path given (percent escapes as they are); empty when it could not listen.
    QString url(const QString &path) const;
    // The title sent from the next metadata block on; empty sends an empty title.
    void setTitle(const QString &title) { m_title = title; }

private:
    struct Listener
    {
        QPointer<QTcpSocket> socket;
        // Audio bytes until the next metadata block.
        qsizetype untilMetadata = 0;
    };

    void accept();
    void send(Listener &listener, qsizetype bytes);

    QTcpServer *m_server = nullptr;
    QTimer *m_timer = nullptr;
    QList<Listener> m_listeners;
    QByteArray m_audio;
    qsizetype m_position = 0;
    int m_bytesPerSecond = 0;
    QString m_title;
};

} // namespace quillet::testing
