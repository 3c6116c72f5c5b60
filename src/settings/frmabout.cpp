#include "settings/frmabout.h"

#include "common/cancelkey.h"
#include "common/dialogservice.h"
#include "common/labelbutton.h"
#include "settings/creditsview.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFrame>
#include <QLabel>
#include <QMouseEvent>
#include <QTimer>

namespace quillet {

namespace {

const QColor kYellow(255, 255, 0);
const QColor kRed(255, 0, 0);

} // namespace

frmAbout::frmAbout(QWidget *parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint)
{
    setWindowTitle(QStringLiteral("About"));
    m_elapsed.start();
    m_clock = [this] { return m_elapsed.elapsed(); };
    createControls();
    connectControls();
    Form_Load();
}

QString frmAbout::creditsText()
{
    return QStringLiteral("Quillet MP3 Player 1.3 R\n"
                          "______________________\n"
                          "\n"
                          "Produced by\n"
                          "The Quillet Project\n"
                          "\n"
                          "Main Programming\n"
                          "The Quillet Developers\n"
                          "\n"
                          "Testing\n"
                          "Everyone who played a song\n"
                          "and told us what went wrong\n"
                          "\n"
                          "Special Thanks\n"
                          "The people behind libmpv,\n"
                          "TagLib, Qt and freedesktop.org\n"
                          "\n"
                          "Updates\n"
                          "New releases appear on\n"
                          "the Quillet project page\n"
                          "\n"
                          "Thank you for listening!");
}

void frmAbout::createControls()
{
    setFixedSize(380, 330);
    setAutoFillBackground(true);
    QPalette colours = palette();
    colours.setColor(QPalette::Window, QColor(10, 14, 40));
    setPalette(colours);

    Label1 = new QLabel(QStringLiteral("Quillet MP3 Player 1.3 R"), this);
    QFont titleFont = Label1->font();
    titleFont.setPointSize(15);
    titleFont.setBold(true);
    Label1->setFont(titleFont);
    Label1->setStyleSheet(QStringLiteral("color: #ffff00;"));
    Label1->setAlignment(Qt::AlignCenter);
    Label1->setGeometry(0, 8, width(), 36);

    Shape1 = new QFrame(this);
    Shape1->setFrameShape(QFrame::Box);
    Shape1->setLineWidth(2);
    Shape1->setStyleSheet(QStringLiteral("color: #c8a000;"));
    Shape1->setGeometry(16, 48, width() - 32, 238);

    picScroll = new CreditsView(this);
    picScroll->setGeometry(20, 52, width() - 40, 230);
    picScroll->setText(creditsText());

    lblExit = new QLabel(QStringLiteral("EXIT"), this);
    QFont exitFont = lblExit->font();
    exitFont.setBold(true);
    exitFont.setPointSize(11);
    lblExit->setFont(exitFont);
    lblExit->setAlignment(Qt::AlignCenter);
    lblExit->setGeometry(width() - 76, 294, 60, 26);
    lblExit->setCursor(Qt::PointingHandCursor);
    setExitColour(kYellow);

    m_timer = new QTimer(this);
    // A little over the frame interval, and precise, so that each tick finds a frame due.
    m_timer->setInterval(int(CreditsScroller::FrameInterval) + 1);
    m_timer->setTimerType(Qt::PreciseTimer);
}

void frmAbout::connectControls()
{
    connect(m_timer, &QTimer::timeout, this, &frmAbout::tmrScroll_Timer);
    lblExit->installEventFilter(this);
    // EXIT is reached by Tab and pressed by Enter or Space; Escape closes the window too.
    LabelButton::attach(lblExit, [this] { lblExit_Click(); });
    addCancelKey(this, [this] { close(); });
}

void frmAbout::setCreditsText(const QString &text)
{
    picScroll->setText(text);
}

void frmAbout::setClock(Clock clock)
{
    m_clock = std::move(clock);
}

bool frmAbout::isScrolling() const
{
    return m_timer->isActive();
}

void frmAbout::setExitColour(const QColor &colour)
{
    lblExit->setStyleSheet(QStringLiteral("color: %1;").arg(colour.name()));
}

void frmAbout::Form_Load()
{
    QFont font = picScroll->font();
    font.setPointSize(12);
    font.setBold(true);
    picScroll->setFont(font);
}

void frmAbout::Form_Activate()
{
    if (m_started || m_stop)
        return;
    m_started = true;
    const int height = picScroll->textHeight();
    if (height <= 0) {
        m_stop = true;
        dialogs().message(QStringLiteral("Error scrolling text"));
        close();
        return;
    }
    m_scroller.start(picScroll->size(), height);
    m_timer->start();
    tmrScroll_Timer();
}

void frmAbout::tmrScroll_Timer()
{
    if (m_stop)
        return;
    if (const std::optional<CreditsScroller::Frame> frame = m_scroller.advance(m_clock()))
        picScroll->showFrame(*frame);
}

void frmAbout::lblExit_Click()
{
    QApplication::beep();
    m_stop = true;
    close();
}

void frmAbout::lblExit_MouseMove()
{
    setExitColour(kRed);
}

void frmAbout::Form_MouseMove()
{
    setExitColour(kYellow);
}

void frmAbout::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (!m_started) {
        // After the window is on screen, so that a message about the text appears over it.
        QMetaObject::invokeMethod(this, &frmAbout::Form_Activate, Qt::QueuedConnection);
    } else if (!m_stop) {
        m_timer->start();
    }
}

void frmAbout::hideEvent(QHideEvent *event)
{
    m_timer->stop();
    QWidget::hideEvent(event);
}

void frmAbout::closeEvent(QCloseEvent *event)
{
    m_stop = true;
    m_timer->stop();
    QWidget::closeEvent(event);
}

bool frmAbout::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == lblExit) {
        switch (event->type()) {
        case QEvent::Enter:
        case QEvent::MouseMove:
            lblExit_MouseMove();
            break;
        case QEvent::Leave:
            Form_MouseMove();
            break;
        case QEvent::MouseButtonRelease:
            if (static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton
                && lblExit->rect().contains(static_cast<QMouseEvent *>(event)->position().toPoint())) {
                lblExit_Click();
                return true;
            }
            break;
        default:
            break;
        }
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace quillet
