#include "appearance/form4.h"

#include "appearance/skinapplier.h"
#include "appearance/skinfile.h"
#include "common/cancelkey.h"
#include "common/colour.h"
#include "common/dialogservice.h"
#include "common/textfile.h"
#include "playlist/mainwindowapi.h"
#include "settings/settingsstore.h"

#include <QBuffer>
#include <QCheckBox>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QImageReader>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QScrollBar>
#include <QVBoxLayout>

namespace quillet {

namespace {

const QString kFontCaption = QStringLiteral("Playlist Font : ");

QPushButton *button(const QString &name, const QString &caption, QWidget *parent)
{
    auto *created = new QPushButton(caption, parent);
    created->setObjectName(name);
    return created;
}

QScrollBar *levelBar(const QString &name, QWidget *parent)
{
    auto *bar = new QScrollBar(Qt::Vertical, parent);
    bar->setObjectName(name);
    bar->setRange(0, 255);
    bar->setPageStep(16);
    bar->setMinimumHeight(110);
    return bar;
}

// Background pictures are photos and drawings; a larger file is not one.
constexpr qint64 MaxPictureBytes = qint64(128) << 20;

// The picture in a regular file. The file is read through the same guarded reader as skin files: a named pipe or a
// device named as the picture gives no picture instead of blocking the window or filling the memory.
// problem, when given, gets the reason a file could not be read.
QImage loadPicture(const QString &path, QString *problem = nullptr)
{
    QByteArray bytes;
    if (const FileResult read = readWholeFile(path, &bytes, MaxPictureBytes); !read.ok) {
        if (problem)
            *problem = read.error;
        return {};
    }
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    reader.setAutoTransform(true);
    return reader.read();
}

} // namespace

Form4::Form4(QWidget *parent)
    : QWidget(parent, Qt::Window)
    , m_applier(new SkinApplier(this))
{
    setObjectName(QStringLiteral("Form4"));
    setWindowTitle(QStringLiteral("Visual Options"));
    buildControls();
    connectControls();
    setBackgroundColour(0x808080);
    setTextColour(0xE0E0E0);
    m_fontName = QStringLiteral("Arial");
    takeMainWindowLook();
}

void Form4::buildControls()
{
    Shape1 = new QFrame(this);
    Shape1->setObjectName(QStringLiteral("Shape1"));
    Shape1->setFrameShape(QFrame::Box);
    Shape1->setAutoFillBackground(true);
    Shape1->setMinimumSize(150, 48);
    Label1 = new QLabel(QStringLiteral("TEXT COLOR"), Shape1);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setAlignment(Qt::AlignCenter);
    QFont bold = Label1->font();
    bold.setBold(true);
    Label1->setFont(bold);
    auto *swatchLayout = new QVBoxLayout(Shape1);
    swatchLayout->addWidget(Label1);
    Command9 = button(QStringLiteral("Command9"), QStringLiteral("BackGround"), this);
    Command10 = button(QStringLiteral("Command10"), QStringLiteral("ForeGround"), this);

    Check1 = new QCheckBox(QStringLiteral("&Gradiant Fill"), this);
    Check1->setObjectName(QStringLiteral("Check1"));
    Label2 = new QLabel(QStringLiteral("Gradiant  Fill Controls : (R,G,B)"), this);
    Label2->setObjectName(QStringLiteral("Label2"));
    VScroll1 = levelBar(QStringLiteral("VScroll1"), this);
    VScroll2 = levelBar(QStringLiteral("VScroll2"), this);
    VScroll3 = levelBar(QStringLiteral("VScroll3"), this);

    Check2 = new QCheckBox(QStringLiteral("Picture"), this);
    Check2->setObjectName(QStringLiteral("Check2"));
    Text1 = new QLineEdit(this);
    Text1->setObjectName(QStringLiteral("Text1"));
    Text1->setAccessibleName(QStringLiteral("Picture File"));
    Command4 = button(QStringLiteral("Command4"), QStringLiteral("Browse"), this);
    Image1 = new QLabel(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setFixedSize(128, 96);
    Image1->setFrameShape(QFrame::StyledPanel);
    Image1->setAlignment(Qt::AlignCenter);

    Command8 = button(QStringLiteral("Command8"), QStringLiteral("&Select Font"), this);
    Label3 = new QLabel(QStringLiteral("Playlist Font :"), this);
    Label3->setObjectName(QStringLiteral("Label3"));

    Command1 = button(QStringLiteral("Command1"), QStringLiteral("&Apply"), this);
    Command3 = button(QStringLiteral("Command3"), QStringLiteral("&Reset To Default"), this);
    Command5 = button(QStringLiteral("Command5"), QStringLiteral("Save Skin"), this);
    Command6 = button(QStringLiteral("Command6"), QStringLiteral("Load Skin"), this);
    Command2 = button(QStringLiteral("Command2"), QStringLiteral("&Done"), this);
    // The startup-skin step has a button of its own that the user never sees.
    Command7 = button(QStringLiteral("Command7"), QStringLiteral("load"), this);
    Command7->hide();

    auto *colours = new QGroupBox(QStringLiteral("Colours"), this);
    auto *colourLayout = new QGridLayout(colours);
    colourLayout->addWidget(Shape1, 0, 0, 2, 1);
    colourLayout->addWidget(Command9, 0, 1);
    colourLayout->addWidget(Command10, 1, 1);

    auto *gradient = new QGroupBox(QStringLiteral("Gradient"), this);
    auto *gradientLayout = new QGridLayout(gradient);
    gradientLayout->addWidget(Check1, 0, 0, 1, 3);
    gradientLayout->addWidget(Label2, 1, 0, 1, 3);
    const QList<QPair<QString, QScrollBar *>> levels
        = {{QStringLiteral("R"), VScroll1}, {QStringLiteral("G"), VScroll2}, {QStringLiteral("B"), VScroll3}};
    for (int i = 0; i < levels.size(); ++i) {
        gradientLayout->addWidget(levels.at(i).second, 2, i, Qt::AlignHCenter);
        levels.at(i).second->setAccessibleName(
            QStringList {QStringLiteral("Red"), QStringLiteral("Green"), QStringLiteral("Blue")}.at(i));
        auto *caption = new QLabel(levels.at(i).first, gradient);
        caption->setAlignment(Qt::AlignHCenter);
        gradientLayout->addWidget(caption, 3, i);
    }

    auto *picture = new QGroupBox(QStringLiteral("Background Picture"), this);
    auto *pictureLayout = new QGridLayout(picture);
    pictureLayout->addWidget(Check2, 0, 0);
    pictureLayout->addWidget(Text1, 1, 0);
    pictureLayout->addWidget(Command4, 1, 1);
    pictureLayout->addWidget(Image1, 2, 0, 1, 2, Qt::AlignHCenter);
    pictureLayout->setRowStretch(3, 1);

    auto *font = new QHBoxLayout;
    font->addWidget(Command8);
    font->addWidget(Label3, 1);

    auto *upper = new QGridLayout;
    upper->addWidget(colours, 0, 0);
    upper->addWidget(gradient, 1, 0);
    upper->addWidget(picture, 0, 1, 2, 1);

    auto *buttons = new QHBoxLayout;
    for (QPushButton *each : {Command1, Command3, Command5, Command6})
        buttons->addWidget(each);
    buttons->addStretch(1);
    buttons->addWidget(Command2);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(upper);
    layout->addLayout(font);
    layout->addLayout(buttons);
}

void Form4::connectControls()
{
    connect(Command1, &QPushButton::clicked, this, &Form4::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &Form4::Command2_Click);
    connect(Command3, &QPushButton::clicked, this, &Form4::Command3_Click);
    connect(Command4, &QPushButton::clicked, this, &Form4::Command4_Click);
    connect(Command5, &QPushButton::clicked, this, &Form4::Command5_Click);
    connect(Command6, &QPushButton::clicked, this, &Form4::Command6_Click);
    connect(Command7, &QPushButton::clicked, this, &Form4::Command7_Click);
    connect(Command8, &QPushButton::clicked, this, &Form4::Command8_Click);
    connect(Command9, &QPushButton::clicked, this, &Form4::command9_Click);
    connect(Command10, &QPushButton::clicked, this, &Form4::command10_Click);
    addCancelKey(this, [this] { Command2_Click(); });
}

QWidget *Form4::mainWindow() const
{
    MainWindowApi *api = MainWindowApi::instance();
    return api ? api->mainWidget() : nullptr;
}

void Form4::takeMainWindowLook()
{
    QWidget *window = mainWindow();
    if (!window)
        return;
    setBackgroundColour(qint32(colourValue(window->palette().color(QPalette::Window))));
    setTextColour(qint32(colourValue(window->palette().color(QPalette::WindowText))));
    if (auto *list = window->findChild<QListView *>(QStringLiteral("List1")))
        m_fontName = list->font().family();
}

bool Form4::loadAtStartup(const QString &skinArgument)
{
    m_skinArgument = skinArgument;
    Command7_Click();
    QWidget *window = mainWindow();
    auto *list = window ? window->findChild<QListView *>(QStringLiteral("List1")) : nullptr;
    Label3->setText(kFontCaption + (list ? list->font().family() : m_fontName));
    return !skinArgument.isEmpty() && m_skinArgument.isEmpty();
}

bool Form4::openSkinArgument(const QString &path)
{
    if (path.isEmpty())
        return false;
    m_skinArgument = path;
    Command7_Click();
    return m_skinArgument.isEmpty();
}

void Form4::Command7_Click()
{
    if (m_skinArgument.isEmpty()) {
        // A missing or unusable default skin leaves the main window as it is.
        if (loadSkinFile(SkinFile::defaultSkinPath(), false))
            Command1_Click();
        return;
    }
    if (SettingsStore::read(QStringLiteral("Skins"), QStringLiteral("Auto")) != QLatin1String("1"))
        return;
    // The user opened this file: tell them when it cannot be used.
    if (loadSkinFile(m_skinArgument, true)) {
        Command1_Click();
        m_skinArgument.clear();
    }
}

Skin Form4::skin() const
{
    Skin skin;
    skin.backgroundColour = m_backgroundColour;
    skin.textColour = m_textColour;
    skin.gradientOn = Check1->isChecked() ? 1 : 0;
    skin.pictureOn = Check2->isChecked() ? 1 : 0;
    skin.pictureFile = Text1->text();
    skin.fontName = m_fontName;
    skin.gradientRed = qint16(VScroll1->value());
    skin.gradientGreen = qint16(VScroll2->value());
    skin.gradientSpread = qint16(VScroll3->value());
    return skin;
}

void Form4::setSkin(const Skin &skin)
{
    setBackgroundColour(skin.backgroundColour);
    setTextColour(skin.textColour);
    Check1->setChecked(skin.gradientOn == 1);
    Check2->setChecked(skin.pictureOn == 1);
    Text1->setText(skin.pictureFile);
    m_fontName = skin.fontName;
    VScroll1->setValue(skin.gradientRed);
    VScroll2->setValue(skin.gradientGreen);
    VScroll3->setValue(skin.gradientSpread);
    if (!skin.pictureFile.isEmpty())
        showPreview(skin.pictureFile);
}

void Form4::setBackgroundColour(qint32 value)
{
    m_backgroundColour = value;
    QPalette palette = Shape1->palette();
    palette.setColor(QPalette::Window, colourFromValue(ColourValue(value)));
    Shape1->setPalette(palette);
}

void Form4::setTextColour(qint32 value)
{
    m_textColour = value;
    QPalette palette = Label1->palette();
    palette.setColor(QPalette::WindowText, colourFromValue(ColourValue(value)));
    Label1->setPalette(palette);
}

bool Form4::showPreview(const QString &path)
{
    const QImage picture = loadPicture(path);
    if (picture.isNull()) {
        Image1->clear();
        return false;
    }
    Image1->setPixmap(QPixmap::fromImage(
        picture.scaled(Image1->contentsRect().size(), Qt::KeepAspectRatio, Qt::SmoothTransformation)));
    return true;
}

bool Form4::loadSkinFile(const QString &path, bool report)
{
    const SkinFile::ReadResult result = SkinFile::read(path);
    if (result.status == SkinFile::Status::Unusable && report)
        dialogs().message(QStringLiteral("The skin file %1 cannot be used: %2").arg(path, result.error));
    if (result.status != SkinFile::Status::Read)
        return false;
    // A picture that is switched on but cannot be loaded is left out; every other value of the skin is used, and
    // the skin keeps naming the picture, so that saving it again loses nothing of the user's.
    const Skin &read = result.skin;
    QString problem;
    if (read.pictureOn == 1 && !read.pictureFile.isEmpty() && loadPicture(read.pictureFile, &problem).isNull())
        dialogs().message(QStringLiteral("The picture %1 of the skin %2 cannot be loaded; the skin is used without it.")
                              .arg(read.pictureFile, path)
            + (problem.isEmpty() ? QString() : QLatin1Char(' ') + problem));
    setSkin(read);
    return true;
}

void Form4::Command1_Click()
{
    const Skin current = skin();
    if (SettingsStore::read(QStringLiteral("Skins"), QStringLiteral("Save")) == QLatin1String("1")) {
        const FileResult written = SkinFile::write(SkinFile::defaultSkinPath(), current);
        if (!written.ok)
            dialogs().message(QStringLiteral("The default skin could not be saved. ") + written.error);
    }
    // A picture that cannot be loaded is left out; the rest of the skin still applies.
    QImage picture;
    if (current.pictureOn == 1 && !current.pictureFile.isEmpty())
        picture = loadPicture(current.pictureFile);
    m_applier->apply(mainWindow(), current, picture);
}

void Form4::Command2_Click()
{
    hide();
    if (QWidget *window = mainWindow()) {
        window->show();
        window->raise();
        window->activateWindow();
    }
}

void Form4::Command3_Click()
{
    setTextColour(0xE0E0E0);
    setBackgroundColour(0x808080);
    Check1->setChecked(false);
    Check2->setChecked(false);
    Text1->clear();
    m_fontName = QStringLiteral("Arial");
}

void Form4::Command4_Click()
{
    FileDialogRequest request;
    request.title = QStringLiteral("Open Image");
    request.filter = QStringLiteral("All Picture Files|*.bmp;*.jpg;*.gif");
    Text1->setText(dialogs().openFileName(request));
    if (!Text1->text().isEmpty())
        showPreview(Text1->text());
}

static FileDialogRequest skinDialogRequest()
{
    FileDialogRequest request;
    request.title = QStringLiteral("Save / Open Skin");
    request.filter = QStringLiteral("Skin Files(*.qsk)|*.qsk");
    return request;
}

void Form4::Command5_Click()
{
    const QString path = dialogs().saveFileName(skinDialogRequest());
    if (path.isEmpty())
        return;
    const FileResult written = SkinFile::write(path, skin());
    if (!written.ok)
        dialogs().message(QStringLiteral("The skin could not be saved. ") + written.error);
}

void Form4::Command6_Click()
{
    const QString path = dialogs().openFileName(skinDialogRequest());
    if (!path.isEmpty())
        loadSkinFile(path, true);
}

void Form4::Command8_Click()
{
    if (const std::optional<QFont> chosen = dialogs().chooseFont(QFont(m_fontName)))
        m_fontName = chosen->family();
    dialogs().message(QStringLiteral("Only The Font Type Will Be Changed ! Font Type Is ") + m_fontName);
    Label3->setText(kFontCaption + m_fontName);
}

void Form4::command9_Click()
{
    if (const std::optional<QColor> chosen = dialogs().chooseColour(m_dialogColour))
        m_dialogColour = *chosen;
    setBackgroundColour(qint32(colourValue(m_dialogColour)));
}

void Form4::command10_Click()
{
    if (const std::optional<QColor> chosen = dialogs().chooseColour(m_dialogColour))
        m_dialogColour = *chosen;
    setTextColour(qint32(colourValue(m_dialogColour)));
}

} // namespace quillet
