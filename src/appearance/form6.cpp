#include "appearance/form6.h"

#include "appearance/cdibsection.h"
#include "appearance/cdibsectionregion.h"
#include "appearance/remoteglyphs.h"
#include "common/cancelkey.h"
#include "common/colour.h"
#include "common/focusorder.h"
#include "common/labelbutton.h"
#include "common/twips.h"
#include "media/mediaplayer.h"
#include "playlist/mainwindowapi.h"
#include "playlist/playlistmodel.h"
#include "playlist/playlistview.h"
#include "settings/settingsstore.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileInfo>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QSlider>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QToolButton>
#include <QWindow>

// Resources of a static library are registered by hand.
static void initRemoteResources()
{
    Q_INIT_RESOURCE(remote);
}

namespace quillet {

namespace {

std::function<bool()> g_trayCheck;

constexpr quint32 DoneColour = 0x808080;
constexpr quint32 DoneHoverColour = 0xC0C0C0;

bool trayAvailable()
{
    return g_trayCheck ? g_trayCheck() : QSystemTrayIcon::isSystemTrayAvailable();
}

void setColour(QWidget *widget, QPalette::ColorRole role, quint32 value)
{
    QPalette palette = widget->palette();
    palette.setColor(role, colourFromValue(value));
    widget->setPalette(palette);
}

QToolButton *transportButton(const QString &name, RemoteGlyph glyph, const QString &tip, QWidget *parent)
{
    auto *button = new QToolButton(parent);
    button->setObjectName(name);
    button->setIcon(remoteGlyph(glyph, QColor(225, 232, 245)));
    button->setToolTip(tip);
    button->setAccessibleName(tip);
    return button;
}

QLabel *label(const QString &name, const QString &caption, QWidget *parent)
{
    auto *created = new QLabel(caption, parent);
    created->setObjectName(name);
    return created;
}

} // namespace

Form6::Form6(QWidget *parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint)
    , m_region(new cDIBSectionRegion(this))
{
    initRemoteResources();
    setObjectName(QStringLiteral("Form6"));
    setWindowTitle(QStringLiteral("Quillet Remote Control"));
    setAttribute(Qt::WA_DeleteOnClose);
    m_picBackground = QPixmap(QStringLiteral(":/remote/full.png"));
    m_picture1 = QPixmap(QStringLiteral(":/remote/compact.png"));
    setFixedSize(m_picBackground.size());
    adopt(this);
    buildControls();
    connectControls();
    Form_Load();
}

Form6::~Form6()
{
    // The shape goes while this is still a whole window.
    delete m_region;
    m_region = nullptr;
}

void Form6::setTrayCheck(std::function<bool()> check)
{
    g_trayCheck = std::move(check);
}

MainWindowApi *Form6::api()
{
    return MainWindowApi::instance();
}

QString Form6::GetShortPath(const QString &strFileName)
{
    return QFileInfo(strFileName).canonicalFilePath();
}

void Form6::buildControls()
{
    // Light text on the remote's dark case; the drop-down list keeps its own dark gray and light gray.
    QPalette dark = palette();
    dark.setColor(QPalette::Window, QColor(50, 55, 66));
    dark.setColor(QPalette::WindowText, QColor(205, 212, 228));
    dark.setColor(QPalette::Button, QColor(66, 72, 88));
    dark.setColor(QPalette::ButtonText, QColor(225, 232, 245));
    dark.setColor(QPalette::Base, QColor(30, 33, 40));
    dark.setColor(QPalette::Text, QColor(225, 232, 245));
    dark.setColor(QPalette::Highlight, QColor(80, 130, 220));
    setPalette(dark);

    struct Transport
    {
        QToolButton **button;
        const char *name;
        RemoteGlyph glyph;
        const char *tip;
    };
    const Transport transport[] = {
        {&command12, "command12", RemoteGlyph::Previous, "Previous"},
        {&command9, "command9", RemoteGlyph::Play, "Play"},
        {&command10, "command10", RemoteGlyph::Pause, "Pause"},
        {&command13, "command13", RemoteGlyph::Stop, "Stop"},
        {&command11, "command11", RemoteGlyph::Next, "Next"},
    };
    int left = 16;
    for (const Transport &each : transport) {
        *each.button = transportButton(QLatin1String(each.name), each.glyph, QLatin1String(each.tip), this);
        (*each.button)->setGeometry(left, 56, 24, 22);
        left += 29;
    }

    Label1 = label(QStringLiteral("Label1"), QStringLiteral("00:00/00:00"), this);
    Label1->setGeometry(20, 30, 132, 17);
    Label1->setAlignment(Qt::AlignCenter);
    QFont display(QStringLiteral("DejaVu Sans Mono"));
    display.setStyleHint(QFont::Monospace);
    display.setPixelSize(11);
    Label1->setFont(display);
    setColour(Label1, QPalette::WindowText, colourValue(QColor(150, 235, 185)));

    Label2 = label(QStringLiteral("Label2"), QStringLiteral("Done"), this);
    Label2->setGeometry(108, 9, 40, 14);
    Label2->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    Label2->setCursor(Qt::PointingHandCursor);
    setLabel2Colour(DoneColour);

    Slider4 = new QSlider(Qt::Horizontal, this);
    Slider4->setObjectName(QStringLiteral("Slider4"));
    Slider4->setAccessibleName(QStringLiteral("Position"));
    Slider4->setRange(0, 0);
    Slider4->setGeometry(44, 90, 86, 16);

    Shape1 = new QFrame(this);
    Shape1->setObjectName(QStringLiteral("Shape1"));
    Shape2 = new QFrame(this);
    Shape2->setObjectName(QStringLiteral("Shape2"));
    for (QFrame *frame : {Shape1, Shape2}) {
        frame->setFrameShape(QFrame::Box);
        frame->resize(20, 20);
        setColour(frame, QPalette::WindowText, colourValue(QColor(150, 160, 182)));
    }
    Label3 = label(QStringLiteral("Label3"), QStringLiteral(" H"), this);
    Label3->setToolTip(QStringLiteral("Hide Controls"));
    Label4 = label(QStringLiteral("Label4"), QStringLiteral(" P"), this);
    Label4->setToolTip(QStringLiteral("Preferences"));
    for (QLabel *each : {Label3, Label4}) {
        each->resize(18, 16);
        each->setCursor(Qt::PointingHandCursor);
    }

    Check1 = new QCheckBox(QStringLiteral("&Mute"), this);
    Check1->setObjectName(QStringLiteral("Check1"));
    Check1->setGeometry(60, 117, 56, 20);

    Combo1 = new QComboBox(this);
    Combo1->setObjectName(QStringLiteral("Combo1"));
    Combo1->setGeometry(14, 152, 144, 22);
    Combo1->setPlaceholderText(QStringLiteral("PlayList"));
    setColour(Combo1, QPalette::Base, 0x404040);
    setColour(Combo1, QPalette::Button, 0x404040);
    setColour(Combo1, QPalette::Text, 0xC0C0C0);
    setColour(Combo1, QPalette::ButtonText, 0xC0C0C0);
    // The list that drops down is a window of its own and does not inherit the box's colours; drawn as a menu, it
    // takes the menu colours for whatever it is not given.
    QPalette dropDown = Combo1->palette();
    for (QPalette::ColorRole role : {QPalette::Window, QPalette::Base, QPalette::Button})
        dropDown.setColor(role, colourFromValue(0x404040));
    for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        dropDown.setColor(role, colourFromValue(0xC0C0C0));
    Combo1->view()->window()->setPalette(dropDown);
    Combo1->view()->setPalette(dropDown);
    Combo1->setAccessibleName(QStringLiteral("PlayList"));

    Command1 = new QPushButton(QStringLiteral("&Play"), this);
    Command1->setObjectName(QStringLiteral("Command1"));
    Command1->setGeometry(46, 178, 80, 22);

    Timer1 = new QTimer(this);
    Timer1->setInterval(800);
    // Changes of the playlist come in bursts (a clear and an add); the list is brought in step once after them.
    m_syncTimer = new QTimer(this);
    m_syncTimer->setSingleShot(true);
    m_syncTimer->setInterval(0);
}

void Form6::connectControls()
{
    connect(command9, &QToolButton::clicked, this, &Form6::command9_Click);
    connect(command10, &QToolButton::clicked, this, &Form6::command10_Click);
    connect(command13, &QToolButton::clicked, this, &Form6::command13_Click);
    connect(command11, &QToolButton::clicked, this, &Form6::command11_Click);
    connect(command12, &QToolButton::clicked, this, &Form6::command12_Click);
    connect(Command1, &QPushButton::clicked, this, &Form6::Command1_Click);
    connect(Check1, &QCheckBox::toggled, this, &Form6::Check1_Click);
    connect(Slider4, &QSlider::sliderMoved, this, &Form6::Slider4_Scroll);
    connect(Timer1, &QTimer::timeout, this, &Form6::Timer1_Timer);
    // With no file in the main player the copy has nothing to follow, unless a list waits for a root directory;
    // the next file opened starts it again.
    connect(Timer1, &QTimer::timeout, this, [this] {
        MainWindowApi *main = api();
        if (!m_waitingForRoot && (!main || main->mainPlayer()->fileName().isEmpty()))
            Timer1->stop();
    });
    if (MainWindowApi *main = api())
        connect(main->mainPlayer(), &MediaPlayer::mediaOpened, Timer1, [this] {
            if (!Timer1->isActive())
                Timer1->start();
        });
    connect(m_syncTimer, &QTimer::timeout, this, &Form6::syncPlaylist);
    for (QLabel *each : {Label2, Label3, Label4})
        each->installEventFilter(this);
    // The caption switches are buttons for the keyboard and screen readers too; Escape is Done.
    LabelButton::attach(Label2, [this] { Label2_Click(); });
    LabelButton::attach(Label3, [this] { Label3_Click(); });
    LabelButton::attach(Label4, [this] { Label4_Click(); });
    addCancelKey(this, [this] { Label2_Click(); });
    if (MainWindowApi *main = api(); main && main->playlistView())
        connect(
            main->playlistView()->playlist(), &PlaylistModel::countChanged, m_syncTimer, qOverload<>(&QTimer::start));
}

void Form6::Form_Load()
{
    MainWindowApi *main = api();
    QWidget *mainWindow = main ? main->mainWidget() : nullptr;
    if (mainWindow) {
        mainWindow->showMinimized();
        // Without a tray there would be no way back to a hidden main window: it then stays minimised.
        if (SettingsStore::read(QStringLiteral("Tray"), QStringLiteral("Hide")) == QLatin1String("1")
            && trayAvailable())
            mainWindow->hide();
        if (auto *mute = mainWindow->findChild<QCheckBox *>(QStringLiteral("Option1")))
            Check1->setChecked(mute->isChecked());
    }
    if (SettingsStore::read(QStringLiteral("Remote"), QStringLiteral("Top")) == QLatin1String("1"))
        setWindowFlag(Qt::WindowStaysOnTopHint, true);
    applyShape(m_picBackground);
    placeSwitches(2040, 1350, 2040, 1320, 280, 1320, 280, 1350);
    Timer1->start();
    syncPlaylist();
}

bool Form6::fullShapeShown() const
{
    return m_current.cacheKey() == m_picBackground.cacheKey();
}

void Form6::applyShape(const QPixmap &picture)
{
    cDIBSection dib;
    dib.CreateFromPicture(picture);
    m_region->Create(dib, 0);
    m_region->Applied(this, true);
    m_current = picture;
    update();
}

void Form6::placeSwitches(int label3Left, int label3Top, int shape1Left, int shape1Top, int shape2Left, int shape2Top,
    int label4Left, int label4Top)
{
    const double dpiX = logicalDpiX() > 0 ? logicalDpiX() : 96.0;
    const double dpiY = logicalDpiY() > 0 ? logicalDpiY() : 96.0;
    const auto at
        = [dpiX, dpiY](int left, int top) { return QPoint(twipsToPixels(left, dpiX), twipsToPixels(top, dpiY)); };
    Shape1->move(at(shape1Left, shape1Top));
    Shape2->move(at(shape2Left, shape2Top));
    Label3->move(at(label3Left, label3Top));
    Label4->move(at(label4Left, label4Top));
    Label3->raise();
    Label4->raise();
    // Controls cut off by the shape are hidden too, so that the keyboard cannot reach them.
    const std::optional<QRegion> shape = m_region->region();
    for (QWidget *control : findChildren<QWidget *>(Qt::FindDirectChildrenOnly)) {
        if (control->isWindow())
            continue;
        control->setVisible(!shape || shape->contains(control->geometry().center()));
    }
    // The switches moved: Tab follows them to their new places.
    FocusOrder::followLayout(this);
}

void Form6::Label3_Click()
{
    if (fullShapeShown()) {
        applyShape(m_picture1);
        placeSwitches(1960, 1800, 1960, 1770, 390, 1770, 390, 1800);
        Label3->setToolTip(QStringLiteral("Show Controls"));
    } else {
        applyShape(m_picBackground);
        placeSwitches(2040, 1350, 2040, 1320, 280, 1320, 280, 1350);
        Label3->setToolTip(QStringLiteral("Hide Controls"));
    }
}

void Form6::Label4_Click()
{
    emit preferencesRequested();
}

void Form6::Label2_Click()
{
    close();
}

void Form6::setLabel2Colour(quint32 colour)
{
    setColour(Label2, QPalette::WindowText, colour);
}

void Form6::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.drawPixmap(0, 0, m_current);
}

void Form6::mousePressEvent(QMouseEvent *event)
{
    // Any point of the surface drags the window; other buttons do nothing.
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    event->accept();
    if (windowHandle() && windowHandle()->startSystemMove())
        return;
    m_dragging = true;
    m_dragOffset = event->globalPosition().toPoint() - frameGeometry().topLeft();
}

void Form6::mouseMoveEvent(QMouseEvent *event)
{
    if (m_dragging && (event->buttons() & Qt::LeftButton)) {
        move(event->globalPosition().toPoint() - m_dragOffset);
        event->accept();
        return;
    }
    QWidget::mouseMoveEvent(event);
}

void Form6::mouseReleaseEvent(QMouseEvent *event)
{
    m_dragging = false;
    QWidget::mouseReleaseEvent(event);
}

bool Form6::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == Label2 && event->type() == QEvent::Enter)
        setLabel2Colour(DoneHoverColour);
    else if (watched == Label2 && event->type() == QEvent::Leave)
        setLabel2Colour(DoneColour);
    const bool isSwitch = watched == Label2 || watched == Label3 || watched == Label4;
    if (!isSwitch || (event->type() != QEvent::MouseButtonPress && event->type() != QEvent::MouseButtonRelease))
        return QWidget::eventFilter(watched, event);
    // The labels act as buttons: their presses must not start a drag of the window.
    const auto *mouse = static_cast<QMouseEvent *>(event);
    if (event->type() == QEvent::MouseButtonRelease && mouse->button() == Qt::LeftButton
        && static_cast<QWidget *>(watched)->rect().contains(mouse->position().toPoint())) {
        if (watched == Label2)
            Label2_Click();
        else if (watched == Label3)
            Label3_Click();
        else
            Label4_Click();
    }
    return true;
}

} // namespace quillet
