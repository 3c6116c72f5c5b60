#pragma once

#include <QIcon>
#include <QObject>
#include <QString>

class QSystemTrayIcon;

namespace quillet {

// The tray record: the icon shown and its tip (at most 63 characters).
struct TrayRecord
{
    QIcon icon;
    QString tip;
};

// The notification-area icon: add, modify and remove with the record, and the user's double-click and
// context request. Without a system tray the record is still kept, so the logic runs the same.
class TrayIcon : public QObject
{
    Q_OBJECT
public:
    explicit TrayIcon(QObject *parent = nullptr);
    ~TrayIcon() override;

    // The longest tip the tray record holds.
    static constexpr int MaxTipLength = 63;
    // A tip as the record keeps it: blanks around it removed, cut to 63 characters.
    static QString tipText(const QString &text);

    TrayRecord record;
    // Shows the icon with the record (nothing when it is already shown).
    void add();
    // Updates the shown icon from the record (nothing when it is not shown).
    void modify();
    // Removes the icon.
    void remove();
    // Whether the icon has been added and not removed since.
    bool isPresent() const { return m_present; }
    // Whether the desktop has a tray that can show the icon.
    static bool trayAvailable();

signals:
    // The user double-clicked the icon, or clicked it on a tray that reports only single activations.
    void doubleClicked();
    // The user asked for the icon's menu (right click).
    void contextRequested();

private:
    QSystemTrayIcon *m_icon = nullptr;
    bool m_present = false;
};

} // namespace quillet
