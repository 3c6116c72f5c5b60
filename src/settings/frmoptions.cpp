#include "settings/frmoptions.h"

#include "common/dialogservice.h"
#include "settings/settingsstore.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QVBoxLayout>


namespace quillet {

namespace {

// A check box and the preference it stands for, in the order the window reads and writes them.
struct CheckSetting
{
    QCheckBox *frmOptions::*box;
    const char *section;
    const char *key;
};

const CheckSetting kCheckSettings[] = {
    {&frmOptions::Check2, "Opening Files", "Manage"},
    {&frmOptions::Check3, "Skins", "Auto"},
    {&frmOptions::Check4, "Skins", "Save"},
    {&frmOptions::Check5, "Video", "Open"},
    {&frmOptions::Check6, "Video", "Auto"},
    {&frmOptions::Check9, "Video", "Save"},
    {&frmOptions::Check7, "Playlist", "Continue"},
    {&frmOptions::Check8, "Playlist", "Save"},
    {&frmOptions::Check10, "Remote", "Auto"},
    {&frmOptions::Check11, "Remote", "Top"},
    {&frmOptions::Check12, "Remote", "Short"},
    {&frmOptions::Check13, "Tray", "Hide"},
    {&frmOptions::Check14, "Tray", "Animate"},
};

const int kSliderMinimum = SettingsStore::SplashIntervalMinimum;
const int kSliderMaximum = SettingsStore::SplashIntervalMaximum;

QString text(const char *latin1)
{
    return QString::fromLatin1(latin1);
}

QCheckBox *addCheckBox(QWidget *parent, QLayout *layout, const QString &caption)
{
    auto *box = new QCheckBox(caption, parent);
    layout->addWidget(box);
    return box;
}

QGroupBox *addGroup(const QString &caption, QWidget *parent, QLayout *layout)
{
    auto *group = new QGroupBox(caption, parent);
    layout->addWidget(group);
    return group;
}

} // namespace

frmOptions::frmOptions(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint)
{
    setWindowTitle(QStringLiteral("Options"));
    createControls();
    connectControls();
    Form_Load();
}

void frmOptions::createControls()
{
    List1 = new QListWidget(this);
    List1->addItems(
        {QStringLiteral("- Opening Files").leftJustified(22), QStringLiteral("- Skins"), QStringLiteral("- Play Lists"),
            QStringLiteral("- Remote Control "), QStringLiteral("- System Tray"), QStringLiteral("- Splash Screen")});
    List1->setFixedWidth(150);
    List1->setAccessibleName(QStringLiteral("Pages"));

    Frame1 = new QGroupBox(QStringLiteral("Opening Files"), this);
    auto *openingLayout = new QVBoxLayout(Frame1);
    QGroupBox *autoPlay = addGroup(QStringLiteral("Auto Play Files At Startup"), Frame1, openingLayout);
    auto *autoPlayLayout = new QHBoxLayout(autoPlay);
    Option1 = new QRadioButton(QStringLiteral("Random File "), autoPlay);
    Option2 = new QRadioButton(QStringLiteral("First File "), autoPlay);
    // As designed the first option is selected; a stored "Disable" leaves the options as they are.
    Option1->setChecked(true);
    autoPlayLayout->addWidget(Option1);
    autoPlayLayout->addWidget(Option2);
    Check1 = addCheckBox(autoPlay, autoPlayLayout, QStringLiteral("Disable"));
    QGroupBox *manage = addGroup(QStringLiteral("Managing Opened Files "), Frame1, openingLayout);
    Check2 = addCheckBox(manage, new QVBoxLayout(manage), QStringLiteral("Add to playlist as default action."));
    QGroupBox *video = addGroup(QStringLiteral("Video Files"), Frame1, openingLayout);
    auto *videoLayout = new QHBoxLayout(video);
    Check5 = addCheckBox(video, videoLayout, QStringLiteral("Add to playlist."));
    Check6 = addCheckBox(video, videoLayout, QStringLiteral("Auto play."));
    openingLayout->addStretch();

    Frame2 = new QGroupBox(QStringLiteral("Skins"), this);
    auto *skinLayout = new QVBoxLayout(Frame2);
    Check3 = addCheckBox(Frame2, skinLayout, QStringLiteral("Auto apply skins as startup when skin file is opened."));
    Check4 = addCheckBox(Frame2, skinLayout, QStringLiteral("Save skin as default when quilet exits."));
    skinLayout->addStretch();

    Frame3 = new QGroupBox(QStringLiteral("Playlists"), this);
    auto *playlistLayout = new QVBoxLayout(Frame3);
    Check7 = addCheckBox(Frame3, playlistLayout, QStringLiteral("Move on to next song when the song is complete."));
    Check8 = addCheckBox(Frame3, playlistLayout, QStringLiteral("Save Playlist On Exit"));
    Check9 = addCheckBox(Frame3, playlistLayout, QStringLiteral("Save Video Playlist On Exit."));
    playlistLayout->addStretch();

    Frame4 = new QGroupBox(QStringLiteral("Remote Control"), this);
    auto *remoteLayout = new QVBoxLayout(Frame4);
    Check10 = addCheckBox(Frame4, remoteLayout, QStringLiteral("Show Remote Control When Quillet Is Hidden."));
    Check11 = addCheckBox(Frame4, remoteLayout, QStringLiteral("Remote Control Always On Top."));
    Check12 = addCheckBox(Frame4, remoteLayout, QStringLiteral("Show Files With Full Path."));
    auto *remoteNote = new QLabel(
        QStringLiteral("These changes will take effect the next time you open the remote controler."), Frame4);
    remoteNote->setWordWrap(true);
    remoteLayout->addWidget(remoteNote);
    remoteLayout->addStretch();

    Frame5 = new QGroupBox(QStringLiteral("System Tray"), this);
    auto *trayLayout = new QVBoxLayout(Frame5);
    Check13 = addCheckBox(Frame5, trayLayout, QStringLiteral("Can hide Quillet is system tray."));
    Check14 = addCheckBox(Frame5, trayLayout, QStringLiteral("Animate system tray icon when file is playing."));
    trayLayout->addStretch();

    Frame6 = new QGroupBox(QStringLiteral("Splash Screen"), this);
    auto *splashLayout = new QVBoxLayout(Frame6);
    auto *splashNote
        = new QLabel(QStringLiteral("Select a loading interval for the splash screen. Higher value means a "
                                    "error free loading. Lower value means a faster loading time. "),
            Frame6);
    splashNote->setWordWrap(true);
    splashLayout->addWidget(splashNote);
    Slider1 = new QSlider(Qt::Horizontal, Frame6);
    Slider1->setRange(kSliderMinimum, kSliderMaximum);
    Slider1->setSingleStep(1);
    Slider1->setPageStep(10);
    Slider1->setTickInterval(10);
    Slider1->setTickPosition(QSlider::TicksBelow);
    Slider1->setValue(kSliderMinimum);
    Slider1->setAccessibleName(QStringLiteral("Splash Screen Interval"));
    splashLayout->addWidget(Slider1);
    Label3 = new QLabel(QStringLiteral("20 Miliseconds."), Frame6);
    splashLayout->addWidget(Label3);
    splashLayout->addStretch();

    // The six frames lie on top of each other; the cell keeps the size of the largest whichever is shown.
    auto *pages = new QGridLayout;
    for (QGroupBox *frame : frames()) {
        QSizePolicy policy = frame->sizePolicy();
        policy.setRetainSizeWhenHidden(true);
        frame->setSizePolicy(policy);
        pages->addWidget(frame, 0, 0);
        frame->setVisible(frame == Frame1);
    }

    cmdOK = new QPushButton(QStringLiteral("&OK"), this);
    Command2 = new QPushButton(QStringLiteral("&Cancel"), this);
    Command1 = new QPushButton(QStringLiteral("&Apply"), this);
    cmdOK->setDefault(true);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdOK);
    buttons->addWidget(Command2);
    buttons->addWidget(Command1);

    auto *top = new QHBoxLayout;
    top->addWidget(List1);
    top->addLayout(pages, 1);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(buttons);
    // A fixed dialog: it cannot be resized, minimised or maximised.
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

void frmOptions::connectControls()
{
    connect(List1, &QListWidget::currentRowChanged, this, &frmOptions::List1_Click);
    connect(Slider1, &QSlider::valueChanged, this, &frmOptions::Slider1_Change);
    connect(Slider1, &QSlider::sliderMoved, this, &frmOptions::Slider1_Scroll);
    connect(Command1, &QPushButton::clicked, this, &frmOptions::Command1_Click);
    connect(cmdOK, &QPushButton::clicked, this, &frmOptions::cmdOK_Click);
    connect(Command2, &QPushButton::clicked, this, &frmOptions::Command2_Click);
}

QList<QGroupBox *> frmOptions::frames() const
{
    return {Frame1, Frame2, Frame3, Frame4, Frame5, Frame6};
}

void frmOptions::Form_Load()
{
    // The window shows each value as the program takes it (see SettingsStore), odd stored texts included.
    const int autoPlay = SettingsStore::autoPlay();
    if (autoPlay == 1)
        Option1->setChecked(true);
    else if (autoPlay == 2)
        Option2->setChecked(true);
    else
        Check1->setChecked(true);

    for (const CheckSetting &setting : kCheckSettings)
        (this->*setting.box)->setChecked(SettingsStore::isOn(text(setting.section), text(setting.key)));

    Slider1->setValue(SettingsStore::splashInterval());
}

void frmOptions::List1_Click()
{
    const int index = List1->currentRow();
    const QList<QGroupBox *> pages = frames();
    if (index < 0 || index >= pages.size())
        return;
    for (int i = 0; i < pages.size(); ++i)
        pages.at(i)->setVisible(i == index);
}

void frmOptions::Slider1_Change()
{
    Label3->setText(QString::number(Slider1->value()) + QStringLiteral(" Miliseconds"));
}

void frmOptions::Slider1_Scroll()
{
    // While the thumb is dragged its position leads the value when the slider does not track.
    Label3->setText(QString::number(Slider1->sliderPosition()) + QStringLiteral(" Miliseconds"));
}

bool frmOptions::Command1_Click()
{
    bool ok = true;
    QString autoPlay = QStringLiteral("0");
    if (!Check1->isChecked())
        autoPlay = Option1->isChecked() ? QStringLiteral("1") : QStringLiteral("2");
    ok &= SettingsStore::write(QStringLiteral("Opening Files"), QStringLiteral("Auto Play"), autoPlay);
    for (const CheckSetting &setting : kCheckSettings) {
        const QString state = (this->*setting.box)->isChecked() ? QStringLiteral("1") : QStringLiteral("0");
        ok &= SettingsStore::write(text(setting.section), text(setting.key), state);
    }
    ok &= SettingsStore::write(QStringLiteral("Splash"), QStringLiteral("Interval"), QString::number(Slider1->value()));
    if (!ok)
        dialogs().message(QStringLiteral("The preferences could not be saved in %1.").arg(SettingsStore::filePath()));
    return ok;
}

void frmOptions::cmdOK_Click()
{
    // When the store cannot be written the window stays open, so the choices are not lost.
    if (Command1_Click())
        close();
}

void frmOptions::Command2_Click()
{
    close();
}

} // namespace quillet
