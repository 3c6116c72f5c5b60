#include "app/form1.h"

#include "app/appicon.h"
#include "app/close1.h"
#include "app/commandline.h"
#include "app/marqueearea.h"
#include "app/picturebutton.h"
#include "app/pictures.h"
#include "app/positionslider.h"
#include "app/windowregistry.h"
#include "appearance/form4.h"
#include "appearance/skinstyle.h"
#include "common/appdirs.h"
#include "common/dialogservice.h"
#include "common/focusorder.h"
#include "common/entrypath.h"
#include "media/mediaplayer.h"
#include "playlist/playlistfile.h"
#include "playlist/playlistview.h"
#include "settings/settingsstore.h"
#include "tags/tagnotices.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSlider>
#include <QStyle>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

namespace quillet {

static const QStringList kVideoEndings4 = {
    QStringLiteral(".avi"), QStringLiteral(".mpg"), QStringLiteral(".m1v"), QStringLiteral(".wmv"),
    QStringLiteral(".wvx"), QStringLiteral(".mpe"), QStringLiteral(".mpa"), QStringLiteral(".dat"),
    QStringLiteral(".mov"), QStringLiteral(".ivf"), QStringLiteral(".mp4"), QStringLiteral(".m4v"),
    QStringLiteral(".mkv"), QStringLiteral(".ogv"),
};
static const QStringList kVideoEndings5 = {
    QStringLiteral(".mp2v"), QStringLiteral(".mpv2"), QStringLiteral(".mpeg"), QStringLiteral(".webm"),
};

Form1::Form1(QWidget *parent)
    : QWidget(parent)
    , m_clock([] { return QTime::currentTime(); })
{
    setObjectName(QStringLiteral("Form1"));
    // The window draws its own title row and buttons.
    setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
    setWindowTitle(QStringLiteral("Quillet MP3 Player"));
    setWindowIcon(mainWindowIcon());
    MP1 = MediaPlayer::create(PlayerPurpose::Audio, this);
    m_tray = new TrayIcon(this);
    m_windows = new WindowRegistry(this);
    buildControls();
    connectControls();
    connectChrome();
    connectTimers();
    // Edges and focus stay visible in any skin; Tab follows the layout, and the playlist has the keyboard first.
    SkinStyle::applyTo(this);
    FocusOrder::followLayout(this);
    List1->setFocus();
    // What a tag read on any thread (a click, an opened file, the ID3 playlist) must tell the user.
    TagNotices::showWhileOpen(this);
    MainWindowApi::setInstance(this);
}

Form1::~Form1()
{
    if (MainWindowApi::instance() == this)
        MainWindowApi::setInstance(nullptr);
}

static QLineEdit *tagField(const QString &name, QWidget *parent)
{
    auto *edit = new QLineEdit(parent);
    edit->setObjectName(name);
    edit->setReadOnly(true);
    return edit;
}

static QScrollBar *audioScrollBar(const QString &name, int minimum, int maximum, int step, QWidget *parent)
{
    auto *bar = new QScrollBar(Qt::Vertical, parent);
    bar->setObjectName(name);
    bar->setRange(minimum, maximum);
    bar->setSingleStep(step);
    bar->setPageStep(step);
    bar->setMinimumHeight(90);
    bar->setFocusPolicy(Qt::StrongFocus);
    return bar;
}

static QToolButton *pictureButton(const QString &name, Picture picture, const QString &tip, QWidget *parent)
{
    auto *button = new QToolButton(parent);
    button->setObjectName(name);
    button->setIcon(pictureIcon(picture, parent->palette().color(QPalette::ButtonText)));
    button->setToolTip(tip);
    button->setAccessibleName(tip);
    button->setAutoRaise(true);
    button->setIconSize(QSize(24, 24));
    return button;
}

// The window's own look until a skin is applied: light text on a dark blue-grey ground.
static QPalette designPalette()
{
    QPalette palette;
    const QColor ground(31, 38, 55);
    const QColor text(230, 236, 255);
    palette.setColor(QPalette::Window, ground);
    palette.setColor(QPalette::WindowText, text);
    palette.setColor(QPalette::Base, QColor(20, 26, 38));
    palette.setColor(QPalette::AlternateBase, QColor(26, 33, 48));
    palette.setColor(QPalette::Text, text);
    palette.setColor(QPalette::Button, QColor(44, 53, 80));
    palette.setColor(QPalette::ButtonText, text);
    palette.setColor(QPalette::Highlight, QColor(61, 111, 214));
    palette.setColor(QPalette::HighlightedText, Qt::white);
    palette.setColor(QPalette::ToolTipBase, QColor(255, 255, 225));
    palette.setColor(QPalette::ToolTipText, Qt::black);
    palette.setColor(QPalette::PlaceholderText, QColor(140, 150, 175));
    palette.setColor(QPalette::Disabled, QPalette::WindowText, QColor(120, 128, 150));
    palette.setColor(QPalette::Disabled, QPalette::ButtonText, QColor(120, 128, 150));
    palette.setColor(QPalette::Disabled, QPalette::Text, QColor(120, 128, 150));
    return palette;
}

void Form1::buildControls()
{
    setPalette(designPalette());
    setAutoFillBackground(true);
    Label1 = new QLabel(this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->hide();
    Label2 = new QLabel(QStringLiteral("Waiting .."), this);
    Label2->setObjectName(QStringLiteral("Label2"));
    marqueeArea = new MarqueeArea(this);
    marqueeArea->setObjectName(QStringLiteral("marqueeArea"));
    marqueeArea->setFixedHeight(fontMetrics().height() + 4);
    marqueeArea->setMinimumWidth(320);
    Label3 = new QLabel(QStringLiteral("Click \"Add File\" To Add Some Files !"), marqueeArea);
    Label3->setObjectName(QStringLiteral("Label3"));
    Label3->adjustSize();
    marqueeArea->setLabel(Label3);
    Label7 = new QLabel(QStringLiteral("00:00"), this);
    Label7->setObjectName(QStringLiteral("Label7"));
    Label7->hide();
    Label8 = new QLabel(QStringLiteral("00:00"), this);
    Label8->setObjectName(QStringLiteral("Label8"));
    Label8->hide();
    Label9 = new QLabel(QStringLiteral("Time : 00:00/00:00 "), this);
    Label9->setObjectName(QStringLiteral("Label9"));

    Text4 = tagField(QStringLiteral("Text4"), this);
    Text5 = tagField(QStringLiteral("Text5"), this);
    Text6 = tagField(QStringLiteral("Text6"), this);
    Text7 = tagField(QStringLiteral("Text7"), this);
    Text8 = tagField(QStringLiteral("Text8"), this);
    Text8->hide();
    Text9 = tagField(QStringLiteral("Text9"), this);
    Text9->hide();
    Text3 = tagField(QStringLiteral("Text3"), this);
    Text3->setToolTip(QStringLiteral("Song Info .."));
    Text3->setAccessibleName(QStringLiteral("Song Information"));
    Text1 = new QLabel(this);
    Text1->setObjectName(QStringLiteral("Text1"));
    Text1->setToolTip(QStringLiteral("More Info .."));
    Text2 = new QLabel(this);
    Text2->setObjectName(QStringLiteral("Text2"));
    Text2->setToolTip(QStringLiteral("More Info .."));

    Slider4 = new PositionSlider(Qt::Horizontal, this);
    Slider4->setObjectName(QStringLiteral("Slider4"));
    Slider4->setRange(0, 0);
    Slider4->setAccessibleName(QStringLiteral("Position"));

    command13 = pictureButton(QStringLiteral("command13"), Picture::Previous, QStringLiteral("Previous"), this);
    command9 = pictureButton(QStringLiteral("command9"), Picture::Play, QStringLiteral("Play"), this);
    command11 = pictureButton(QStringLiteral("command11"), Picture::Pause, QStringLiteral("Pause"), this);
    command10 = pictureButton(QStringLiteral("command10"), Picture::Stop, QStringLiteral("Stop"), this);
    command12 = pictureButton(QStringLiteral("command12"), Picture::Next, QStringLiteral("Next"), this);
    Command14 = pictureButton(QStringLiteral("Command14"), Picture::OpenFile, QStringLiteral("Open File"), this);
    Command16 = new QPushButton(QStringLiteral("<<"), this);
    Command16->setObjectName(QStringLiteral("Command16"));
    Command16->setToolTip(QStringLiteral("Rewind .."));
    Command16->setAccessibleName(QStringLiteral("Rewind"));
    Command15 = new QPushButton(QStringLiteral(">>"), this);
    Command15->setObjectName(QStringLiteral("Command15"));
    Command15->setToolTip(QStringLiteral("Fast Forward .."));
    Command15->setAccessibleName(QStringLiteral("Fast Forward"));

    Slider1 = audioScrollBar(QStringLiteral("Slider1"), -9640, 9640, 10, this);
    Slider1->setToolTip(QStringLiteral("Balance"));
    Slider1->setAccessibleName(QStringLiteral("Balance"));
    volume1 = audioScrollBar(QStringLiteral("volume1"), -4000, 0, 1, this);
    volume1->setToolTip(QStringLiteral("Volume"));
    volume1->setAccessibleName(QStringLiteral("Volume"));
    slider2 = audioScrollBar(QStringLiteral("slider2"), 1, 10, 1, this);
    slider2->setToolTip(QStringLiteral("Playcount"));
    slider2->setAccessibleName(QStringLiteral("Play Count"));
    slider3 = audioScrollBar(QStringLiteral("slider3"), 1, 2, 1, this);
    slider3->setToolTip(QStringLiteral("Auto Rewind"));
    slider3->setAccessibleName(QStringLiteral("Auto Rewind"));
    Option1 = new QCheckBox(QStringLiteral("M U T E "), this);
    Option1->setObjectName(QStringLiteral("Option1"));
    Option1->setToolTip(QStringLiteral("Sound ON/OFF"));
    // The spaced-out captions would be spelled letter by letter.
    Option1->setAccessibleName(QStringLiteral("Mute"));
    Command8 = new QPushButton(QStringLiteral(" R E  S  E T"), this);
    Command8->setObjectName(QStringLiteral("Command8"));
    Command8->setToolTip(QStringLiteral("RESET Volume Settings"));
    Command8->setAccessibleName(QStringLiteral("Reset"));

    List1 = new PlaylistView(this);
    List1->setObjectName(QStringLiteral("List1"));
    List1->setAccessibleName(QStringLiteral("Playlist"));

    Timer1 = new QTimer(this);
    Timer1->setInterval(800);
    Timer2 = new QTimer(this);
    Timer2->setInterval(200);
    buildChrome();

    // Layout: status and marquee on top, tag fields, position and transport, then the playlist beside the
    // audio controls.
    auto *titleRow = new QHBoxLayout;
    titleRow->addWidget(Image1);
    auto *title = new QLabel(QStringLiteral("Quillet MP3 Player"), this);
    title->setObjectName(QStringLiteral("titleLabel"));
    QFont titleFont = title->font();
    titleFont.setBold(true);
    title->setFont(titleFont);
    titleRow->addWidget(title);
    titleRow->addStretch(1);
    for (PictureButton *button : {Image3, imgMaximize, imgMinimize, imgCloseForm})
        titleRow->addWidget(button);

    auto *top = new QHBoxLayout;
    top->addWidget(Label2);
    top->addStretch(1);
    top->addWidget(Label9);

    auto *tags = new QGridLayout;
    const QList<QPair<QString, QLineEdit *>> fields = {{QStringLiteral("Title"), Text4},
                                                       {QStringLiteral("Artist"), Text5},
                                                       {QStringLiteral("Album"), Text6},
                                                       {QStringLiteral("Year"), Text7}};
    for (int i = 0; i < fields.size(); ++i) {
        auto *caption = new QLabel(fields.at(i).first, this);
        caption->setBuddy(fields.at(i).second);
        tags->addWidget(caption, i / 2, (i % 2) * 2);
        tags->addWidget(fields.at(i).second, i / 2, (i % 2) * 2 + 1);
    }

    auto *transport = new QHBoxLayout;
    for (QWidget *w : {static_cast<QWidget *>(command13), static_cast<QWidget *>(command9),
                       static_cast<QWidget *>(command11), static_cast<QWidget *>(command10),
                       static_cast<QWidget *>(command12), static_cast<QWidget *>(Command16),
                       static_cast<QWidget *>(Command15), static_cast<QWidget *>(Command14)})
        transport->addWidget(w);
    transport->addStretch(1);
    transport->addWidget(Text2);
    transport->addWidget(Text1);

    auto *audio = new QGridLayout;
    const QList<QPair<QString, QScrollBar *>> bars = {{QStringLiteral("Bal"), Slider1},
                                                      {QStringLiteral("Vol"), volume1},
                                                      {QStringLiteral("Cnt"), slider2},
                                                      {QStringLiteral("Rew"), slider3}};
    for (int i = 0; i < bars.size(); ++i) {
        audio->addWidget(bars.at(i).second, 0, i, Qt::AlignHCenter);
        audio->addWidget(new QLabel(bars.at(i).first, this), 1, i, Qt::AlignHCenter);
    }
    audio->addWidget(Option1, 2, 0, 1, 4);
    audio->addWidget(Command8, 3, 0, 1, 4);
    audio->setRowStretch(4, 1);

    auto *middle = new QHBoxLayout;
    middle->addWidget(List1, 1);
    middle->addLayout(audio);

    auto *buttonRow = new QHBoxLayout;
    for (QPushButton *button : {Command1, Command2, Command3, Command7, Command4, Command5, Command6})
        buttonRow->addWidget(button);
    buttonRow->addStretch(1);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(titleRow);
    layout->addWidget(marqueeArea);
    layout->addLayout(top);
    layout->addLayout(tags);
    layout->addWidget(Slider4);
    layout->addLayout(transport);
    layout->addWidget(Text3);
    layout->addLayout(middle, 1);
    layout->addLayout(buttonRow);
    resize(680, 520);
}

void Form1::connectControls()
{
    connect(command9, &QToolButton::clicked, this, &Form1::command9_Click);
    connect(command10, &QToolButton::clicked, this, &Form1::command10_Click);
    connect(command11, &QToolButton::clicked, this, &Form1::command11_Click);
    connect(command12, &QToolButton::clicked, this, &Form1::command12_Click);
    connect(command13, &QToolButton::clicked, this, &Form1::command13_Click);
    connect(Command14, &QToolButton::clicked, this, &Form1::add_Click);
    connect(Command15, &QPushButton::clicked, this, &Form1::Command15_Click);
    connect(Command16, &QPushButton::clicked, this, &Form1::Command16_Click);
    connect(Slider4, &QSlider::sliderPressed, this, &Form1::Slider4_MouseDown);
    connect(Slider4, &QSlider::sliderReleased, this, &Form1::Slider4_MouseUp);
    connect(Slider4, &QSlider::sliderMoved, this, &Form1::Slider4_Scroll);
    connect(Slider4, &QSlider::actionTriggered, this, &Form1::Slider4_Action);
    connect(Slider4, &QSlider::valueChanged, this, &Form1::Slider4_Change);

    connect(MP1, &MediaPlayer::endOfStream, this, &Form1::MP1_EndOfStream);
    connect(MP1, &MediaPlayer::error, this, &Form1::MP1_Error);
    connect(MP1, &MediaPlayer::mediaOpened, this, &Form1::MP1_MediaOpened);
    connect(MP1, &MediaPlayer::stateChanged, this, &Form1::MP1_StateChanged);
    // After the fields are filled: a stream that named its song before it opened shows that title at once.
    connect(MP1, &MediaPlayer::mediaOpened, this, &Form1::MP1_StreamTitleChanged);
    connect(MP1, &MediaPlayer::streamTitleChanged, this, &Form1::MP1_StreamTitleChanged);
    connect(Timer1, &QTimer::timeout, this, &Form1::Timer1_Timer);
    connect(Timer2, &QTimer::timeout, this, &Form1::Timer2_Timer);

    connect(Slider1, &QScrollBar::valueChanged, this, &Form1::Slider1_Change);
    connect(Slider1, &QScrollBar::sliderMoved, this, &Form1::Slider1_Scroll);
    connect(volume1, &QScrollBar::valueChanged, this, &Form1::volume1_Change);
    connect(volume1, &QScrollBar::sliderMoved, this, &Form1::volume1_Scroll);
    connect(slider2, &QScrollBar::valueChanged, this, &Form1::slider2_Change);
    connect(slider2, &QScrollBar::sliderMoved, this, &Form1::slider2_Scroll);
    connect(slider3, &QScrollBar::valueChanged, this, &Form1::slider3_Change);
    connect(slider3, &QScrollBar::sliderMoved, this, &Form1::slider3_Scroll);
    for (QScrollBar *bar : {Slider1, volume1, slider2, slider3})
        bar->installEventFilter(this);
    connect(Option1, &QCheckBox::clicked, this, &Form1::Option1_Click);
    connect(Command8, &QPushButton::clicked, this, &Form1::Command8_Click);

    connect(List1, &PlaylistView::clicked, this, &Form1::List1_Click);
    connect(List1, &PlaylistView::listIndexSet, this, &Form1::List1_Click);
    connect(List1, &PlaylistView::currentMovedByKey, this, &Form1::List1_Click);
    connect(List1, &PlaylistView::doubleClicked, this, &Form1::List1_DblClick);
    connect(List1, &PlaylistView::keyPressed, this, &Form1::List1_KeyPress);
    connect(List1, &PlaylistView::mouseMoved, this, &Form1::List1_MouseMove);
    connect(List1, &PlaylistView::filesDropped, this, &Form1::List1_OLEDragDrop);
}

bool Form1::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::FocusOut
        && (watched == Slider1 || watched == volume1 || watched == slider2 || watched == slider3))
        clearInfoLabels();
    return QWidget::eventFilter(watched, event);
}

void Form1::load(const QString &commandLine)
{
    m_videoOpened.clear();
    openCommandLine(commandLine);
    // The visual options window loads hidden and applies the default skin or the one named on the command line.
    Form4 *visualOptions = m_windows->visualOptions();
    visualOptions->setWindowIcon(visualOptionsIcon());
    if (visualOptions->loadAtStartup(m_skinArgument))
        m_skinArgument.clear();
    m_dragging = false;
    if (List1->count() == 0)
        appendDefaultPlaylist();
    Label9->setText(QStringLiteral("Time : ") + Label7->text() + QLatin1Char('/') + Label8->text()
                    + QLatin1Char(' '));
    // The scroll bars clamp values outside their ranges.
    volume1->setValue(qBound(volume1->minimum(), MP1->volume(), volume1->maximum()));
    Slider1->setValue(qBound(Slider1->minimum(), MP1->balance(), Slider1->maximum()));
    m_tray->record.icon = windowIcon();
    m_tray->record.tip = QStringLiteral("Quillet");
    m_tray->add();
    m_startupPending = true;
    m_loaded = true;
    m_marqueeLeftTwips = 0;
    Label3->move(0, 0);
    startTimers();
}

void Form1::openCommandLine(const QString &commandLine, bool atStartup)
{
    bool media = false;
    for (const QString &text : CommandLine::split(commandLine))
        media |= openText(text, atStartup, true);
    // Files handed over while running join the playlist that is already there.
    if (media && atStartup && SettingsStore::isOn(QStringLiteral("Opening Files"), QStringLiteral("Manage")))
        appendDefaultPlaylist();
}

void Form1::openHandedOver(const QString &commandLine)
{
    QString first;
    for (const QString &text : CommandLine::split(commandLine)) {
        const bool listed = List1->entries().contains(text);
        if (openText(text, false, !listed) && first.isEmpty())
            first = text;
    }
    const int index = first.isEmpty() ? -1 : int(List1->entries().indexOf(first));
    if (index < 0)
        return;
    List1->setListIndex(index);
    startEntry();
}

bool Form1::openText(const QString &text, bool atStartup, bool addMedia)
{
    if (text.isEmpty())
        return false;
    if (text.size() > MaxEntryLength) {
        showMessage(overlongEntryMessage(text));
        return false;
    }
    const QString last4 = text.right(4);
    const QString last5 = text.right(5);
    if (kVideoEndings4.contains(last4) || kVideoEndings5.contains(last5)) {
        m_commandLineVideo = text;
        m_videoOpened = QStringLiteral("1");
        emit videoFileOpened(text);
    } else if (last4 == QLatin1String(".qsk")) {
        // At start-up the visual options window takes it when it loads; later it is applied at once.
        if (atStartup)
            m_skinArgument = text;
        else
            m_windows->visualOptions()->openSkinArgument(text);
    } else if (last4 == QLatin1String(".m3u") || last4 == QLatin1String(".pls") || last5 == QLatin1String(".m3u8")) {
        appendPlaylistFile(text);
    } else {
        if (addMedia)
            List1->add(text);
        return true;
    }
    return false;
}

QString Form1::commandLineVideo() const
{
    return m_commandLineVideo;
}

void Form1::appendDefaultPlaylist()
{
    // Start-up goes on silently when the default playlist cannot be read.
    const PlaylistFile::ReadResult result = PlaylistFile::readUnfiltered(PlaylistFile::defaultPlaylistPath());
    if (result.ok)
        List1->addMany(result.entries);
    if (!result.notice.isEmpty())
        showMessage(result.notice);
}

bool Form1::appendPlaylistFile(const QString &path)
{
    const PlaylistFile::ReadResult result = PlaylistFile::readFiltered(path);
    if (!result.ok) {
        showMessage(result.error);
        return false;
    }
    List1->addMany(result.entries);
    if (!result.notice.isEmpty())
        showMessage(result.notice);
    return true;
}

int Form1::currentIndex() const
{
    const QString text = Label1->text().trimmed();
    if (text.isEmpty())
        return 0;
    bool ok = false;
    const int value = text.toInt(&ok);
    return ok ? value : 0;
}

QString Form1::currentIndexText() const
{
    return Label1->text();
}

void Form1::setCurrentIndexText(const QString &text)
{
    Label1->setText(text);
}

QString Form1::statusText() const
{
    return Label2->text();
}

void Form1::setStatusText(const QString &text)
{
    if (text == QLatin1String("Playing.."))
        showPlaying();
    else
        Label2->setText(text);
}

void Form1::showMessage(const QString &text)
{
    dialogs().message(text);
}

void Form1::showRootChooser()
{
    emit rootChooserRequested();
    m_windows->showRootChooser();
}

close1 *Form1::closingWindow()
{
    if (!m_close1) {
        m_close1 = new close1(this);
        connect(m_close1, &close1::closingOtherWindows, m_windows, &WindowRegistry::closeAll);
        if (m_endProcess)
            m_close1->setEndProcess(m_endProcess);
    }
    return m_close1;
}

void Form1::exitProgram()
{
    m_tray->remove();
    hide();
    closingWindow()->start();
}

void Form1::closeEvent(QCloseEvent *event)
{
    // Closing the window enters the same path as Exit, at the unload steps.
    event->ignore();
    unload();
    closingWindow()->start();
}

void Form1::unload()
{
    if (m_unloaded)
        return;
    m_unloaded = true;
    MP1->setMute(true);
    m_tray->remove();
    closingWindow()->show();
    hide();
    Timer1->stop();
    Timer2->stop();
    Timer4->stop();
    writeDefaultPlaylist();
    emit unloaded();
}

void Form1::writeDefaultPlaylist()
{
    if (SettingsStore::read(QStringLiteral("Playlist"), QStringLiteral("Save")) != QLatin1String("1"))
        return;
    // Closed while loading (a message box of the start-up was open at logout): the list is not whole yet, and the
    // saved one must not be replaced by a part of it.
    if (List1->count() == 0 || !m_loaded)
        return;
    const QStringList lines = PlaylistFile::defaultPlaylistLines(List1->entries(), m_rootDirectory);
    const FileResult result = PlaylistFile::write(PlaylistFile::defaultPlaylistPath(), lines);
    if (!result.ok)
        showMessage(QStringLiteral("The playlist could not be saved. ") + result.error);
}

} // namespace quillet
