#include "app/frmsplash.h"

#include "app/appicon.h"
#include "settings/settingsstore.h"

#include <QGridLayout>
#include <QGuiApplication>
#include <QLabel>
#include <QProgressBar>
#include <QScreen>
#include <QTimer>

namespace quillet {

frmSplash::frmSplash(std::function<void()> showMainWindow, QWidget *parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint)
    , m_showMainWindow(std::move(showMainWindow))
{
    setObjectName(QStringLiteral("frmSplash"));
    setAttribute(Qt::WA_DeleteOnClose);
    imgLogo = new QLabel(this);
    imgLogo->setPixmap(productPicture(QSize(160, 160)));
    lblProduct = new QLabel(QStringLiteral("Quillet MP3"), this);
    QFont title = lblProduct->font();
    title.setPointSizeF(title.pointSizeF() * 2.2);
    title.setBold(true);
    lblProduct->setFont(title);
    lblVersion = new QLabel(QStringLiteral("1.3 Beta"), this);
    lblPlatform = new QLabel(QStringLiteral("Windows 98/NT"), this);
    Pbar1 = new QProgressBar(this);
    Pbar1->setRange(0, 100);
    Pbar1->setValue(0);
    Pbar1->setTextVisible(false);

    auto *layout = new QGridLayout(this);
    layout->addWidget(imgLogo, 0, 0, 4, 1);
    layout->addWidget(lblProduct, 0, 1);
    layout->addWidget(lblVersion, 1, 1);
    layout->addWidget(lblPlatform, 2, 1);
    layout->setRowStretch(3, 1);
    layout->addWidget(Pbar1, 4, 0, 1, 2);
    layout->setContentsMargins(20, 20, 20, 16);
    layout->setHorizontalSpacing(24);
    QPalette colours = palette();
    colours.setColor(QPalette::Window, QColor(10, 20, 70));
    colours.setColor(QPalette::WindowText, Qt::white);
    setPalette(colours);
    setAutoFillBackground(true);
    if (const QScreen *screen = QGuiApplication::primaryScreen()) {
        adjustSize();
        move(screen->availableGeometry().center() - rect().center());
    }

    Timer1 = new QTimer(this);
    Timer1->setInterval(SettingsStore::splashInterval());
    connect(Timer1, &QTimer::timeout, this, &frmSplash::Timer1_Timer);
    Timer1->start();
}

void frmSplash::Timer1_Timer()
{
    if (Pbar1->value() == 100) {
        Timer1->stop();
        auto showMainWindow = std::move(m_showMainWindow);
        close();
        if (showMainWindow)
            showMainWindow();
        return;
    }
    Pbar1->setValue(Pbar1->value() + 10);
}

} // namespace quillet
