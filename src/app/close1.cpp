#include "app/close1.h"

#include "app/form1.h"
#include "common/appdirs.h"
#include "common/opendialogs.h"

#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QTimer>
#include <QVBoxLayout>

namespace quillet {

close1::close1(QWidget *mainWindow)
    : QWidget(mainWindow, Qt::Window | Qt::FramelessWindowHint)
    , m_mainWindow(mainWindow)
{
    setObjectName(QStringLiteral("close1"));
    setAttribute(Qt::WA_DeleteOnClose, false);
    Label1 = new QLabel(QStringLiteral("Closing ...."), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    QFont big = Label1->font();
    big.setPointSizeF(big.pointSizeF() * 1.5);
    big.setBold(true);
    Label1->setFont(big);
    Label2 = new QLabel(QStringLiteral("Saving Playlist And Skin To ") + dataDirectory(), this);
    Label2->setObjectName(QStringLiteral("Label2"));
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(Label1);
    layout->addWidget(Label2);
    layout->setContentsMargins(24, 18, 24, 18);
    QPalette colours = palette();
    colours.setColor(QPalette::Window, QColor(10, 20, 70));
    colours.setColor(QPalette::WindowText, Qt::white);
    setPalette(colours);
    setAutoFillBackground(true);
    Timer1 = new QTimer(this);
    Timer1->setInterval(1);
    Timer1->setSingleShot(true);
    connect(Timer1, &QTimer::timeout, this, &close1::Timer1_Timer);
    m_endProcess = [] { QCoreApplication::exit(0); };
}

void close1::start()
{
    show();
    raise();
    if (!Timer1->isActive())
        Timer1->start();
}

void close1::Timer1_Timer()
{
    // A dialog still open runs an event loop inside the code that opened it, and belongs to a window that may be
    // about to go: it is cancelled, and the closing goes on once that code has returned.
    if (OpenDialogs::count() > 0) {
        if (auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget()))
            dialog->reject();
        Timer1->start(50);
        return;
    }
    Timer1->stop();
    if (auto *form1 = qobject_cast<Form1 *>(m_mainWindow))
        form1->unload();
    // The other windows close in a fixed order; the registry of windows does it through this signal.
    emit closingOtherWindows();
    hide();
    if (m_endProcess)
        m_endProcess();
}

} // namespace quillet
