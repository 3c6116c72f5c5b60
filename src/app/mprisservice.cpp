#include "app/mprisservice.h"

#include "app/form1.h"
#include "app/mprisplayer.h"
#include "app/mprisroot.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>

namespace quillet {

QString MprisService::serviceName()
{
    return QStringLiteral("org.mpris.MediaPlayer2.quillet");
}

QString MprisService::objectPath()
{
    return QStringLiteral("/org/mpris/MediaPlayer2");
}

MprisService::MprisService(Form1 *form)
    : QObject(form)
    , m_form(form)
{
}

MprisService::~MprisService()
{
    if (m_busName.isEmpty())
        return;
    QDBusConnection bus = QDBusConnection::sessionBus();
    bus.unregisterService(m_busName);
    bus.unregisterObject(objectPath());
}

bool MprisService::registerOnSessionBus()
{
    if (m_player)
        return !m_busName.isEmpty();
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return false;
    new MprisRoot(m_form, this);
    m_player = new MprisPlayer(m_form, this, bus, objectPath());
    if (!bus.registerObject(objectPath(), this, QDBusConnection::ExportAdaptors))
        return false;
    // A second player on the same bus (another data folder) takes the instance name MPRIS provides for that.
    const QStringList names = {serviceName(),
        serviceName() + QStringLiteral(".instance") + QString::number(QCoreApplication::applicationPid())};
    for (const QString &name : names) {
        if (bus.registerService(name)) {
            m_busName = name;
            return true;
        }
    }
    bus.unregisterObject(objectPath());
    return false;
}

} // namespace quillet
