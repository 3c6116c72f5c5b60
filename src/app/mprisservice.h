#pragma once

#include <QDBusContext>
#include <QObject>
#include <QString>

namespace quillet {

class Form1;
class MprisPlayer;

// Publishes the main window on the session bus as an MPRIS 2 media player, so that desktop media keys, panel
// widgets and tools such as playerctl control it. Without a session bus it does nothing. It is the exported object
// that carries the interfaces, and so also the context of their calls.
class MprisService
    : public QObject
    , public QDBusContext
{
    Q_OBJECT
public:
    // The well-known bus name a running Quillet takes.
    static QString serviceName();
    // The object path of every MPRIS player.
    static QString objectPath();

    // Prepares the interfaces over the main window; it is the parent, so they go with it.
    explicit MprisService(Form1 *form);
    ~MprisService() override;

    // Exports the interfaces on the session bus and takes the bus name (or, when another player holds it, a name
    // of its own with this process's id). Returns false, quietly, when there is no session bus.
    bool registerOnSessionBus();
    // The bus name taken, empty before registration or without a bus.
    QString busName() const { return m_busName; }
    // The player interface.
    MprisPlayer *player() const { return m_player; }

private:
    Form1 *m_form = nullptr;
    MprisPlayer *m_player = nullptr;
    QString m_busName;
};

} // namespace quillet
