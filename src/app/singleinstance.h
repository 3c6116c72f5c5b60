#pragma once

#include <QObject>
#include <QString>

class QLocalServer;
class QLocalSocket;

namespace quillet {

// Keeps one Quillet per user and data folder. The first start listens on a local socket; a later start hands its
// command-line text to it and ends, so two players never fight over the default playlist. A socket left behind by
// a crashed instance is removed and taken over.
class SingleInstance : public QObject
{
    Q_OBJECT
public:
    enum class Outcome {
        Primary, // no other instance answered: this one now receives the texts of later starts
        HandedOver, // a running instance confirmed the text: this process has nothing more to do
        NoAnswer, // an instance accepted the connection but did not confirm the text in time
        Alone, // the socket could not be set up: this process runs on its own
    };

    // Works with the socket at the given path.
    explicit SingleInstance(const QString &socketPath = defaultSocketPath(), QObject *parent = nullptr);
    ~SingleInstance() override;

    // The socket of the current user's Quillet for its data folder: in XDG_RUNTIME_DIR when that is set, otherwise
    // in the temporary folder, named after the program, the user id and the data folder.
    static QString defaultSocketPath();

    // Hands the text to the running instance, or becomes the running instance when there is none. Waits at most
    // timeoutMs for each step of the exchange.
    Outcome claim(const QString &commandLine, int timeoutMs = 5000);
    // The socket path in use.
    QString socketPath() const { return m_socketPath; }
    // True while this process is the running instance.
    bool isListening() const;
    // Stops taking texts (the program is closing): the next start runs as the new instance instead of handing its
    // file to one that would drop it.
    void stopListening();

signals:
    // A later start handed over its command-line text (possibly empty).
    void textReceived(const QString &commandLine);

private:
    Outcome handOver(QLocalSocket &socket, const QString &commandLine, int timeoutMs);
    bool listen();
    void acceptConnection();
    void readFrom(QLocalSocket *socket);

    QString m_socketPath;
    QLocalServer *m_server = nullptr;
};

} // namespace quillet
