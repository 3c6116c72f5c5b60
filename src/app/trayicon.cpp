#include "app/trayicon.h"

#include <QSystemTrayIcon>

namespace quillet {

TrayIcon::TrayIcon(QObject *parent)
    : QObject(parent)
{
}

TrayIcon::~TrayIcon()
{
    remove();
}

QString TrayIcon::tipText(const QString &text)
{
    return text.trimmed().left(MaxTipLength);
}

bool TrayIcon::trayAvailable()
{
    return QSystemTrayIcon::isSystemTrayAvailable();
}

void TrayIcon::add()
{
    if (m_present)
        return;
    m_present = true;
    if (!trayAvailable())
        return;
    if (!m_icon) {
        m_icon = new QSystemTrayIcon(this);
        connect(m_icon, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
            // Trays that speak the StatusNotifierItem protocol deliver every click as a single activation and
            // never as a double click, so either one brings the window back.
            if (reason == QSystemTrayIcon::DoubleClick || reason == QSystemTrayIcon::Trigger)
                emit doubleClicked();
            else if (reason == QSystemTrayIcon::Context)
                emit contextRequested();
        });
    }
    m_icon->setIcon(record.icon);
    m_icon->setToolTip(tipText(record.tip));
    m_icon->show();
}

void TrayIcon::modify()
{
    if (!m_present || !m_icon)
        return;
    m_icon->setIcon(record.icon);
    m_icon->setToolTip(tipText(record.tip));
}

void TrayIcon::remove()
{
    m_present = false;
    if (m_icon)
        m_icon->hide();
}

} // namespace quillet
