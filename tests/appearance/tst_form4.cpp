#include "appearance/form4.h"
#include "appearance/skinapplier.h"
#include "appearance/skinfile.h"
#include "fakes/fakedialogs.h"
#include "fakes/fakemainwindow.h"
#include "fakes/testenv.h"
#include "settings/settingsstore.h"

#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>
#include <QTest>

#include <memory>

using namespace quillet;
using namespace quillet::testing;

namespace {

Skin sampleSkin()
{
    Skin skin;
    skin.backgroundColour = 0x204060;
    skin.textColour = 0x00FFEE;
    skin.gradientOn = 1;
    skin.pictureOn = 0;
    skin.fontName = QStringLiteral("DejaVu Serif");
    skin.gradientRed = 200;
    skin.gradientGreen = 30;
    skin.gradientSpread = 90;
    return skin;
}

bool writeLines(const QString &path, const QStringList &lines)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(lines.join(QStringLiteral("\r\n")).toUtf8() + "\r\n") > 0;
}

QColor paletteColour(QWidget *widget, QPalette::ColorRole role)
{
    return widget->palette().color(role);
}

} // namespace

// A main window with the controls a skin paints: the playlist and the labels and text boxes, by name.
struct SkinnedMainWindow : FakeMainWindow
{
    SkinnedMainWindow()
    {
        list->setObjectName(QStringLiteral("List1"));
        for (const char *name : {"Label1", "Label2", "Label3", "Label9", "Text2"})
            (new QLabel(QStringLiteral("text"), &window))->setObjectName(QLatin1String(name));
        (new QLineEdit(&window))->setObjectName(QStringLiteral("Text3"));
        QPalette palette = window.palette();
        palette.setColor(QPalette::Window, QColor(31, 38, 55));
        window.setPalette(palette);
    }
    QWidget *child(const char *name) { return window.findChild<QWidget *>(QLatin1String(name)); }
};

class TstForm4 : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void saveAndLoadSkin();
    void unusableSkinChangesNothing_data();
    void unusableSkinChangesNothing();
    void resetThenApply();
    void applyWritesDefaultSkin_data();
    void applyWritesDefaultSkin();
    void startupSkin_data();
    void startupSkin();
    void colourAndFontDialogs();

private:
    std::unique_ptr<TestEnvironment> m_env;
    std::unique_ptr<FakeDialogs> m_dialogs;
    std::unique_ptr<SkinnedMainWindow> m_main;
};

void TstForm4::init()
{
    m_env = std::make_unique<TestEnvironment>();
    m_dialogs = std::make_unique<FakeDialogs>();
    m_main = std::make_unique<SkinnedMainWindow>();
}

void TstForm4::cleanup()
{
    m_main.reset();
    m_dialogs.reset();
    m_env.reset();
}

void TstForm4::saveAndLoadSkin()
{
    Form4 form;
    Skin skin = sampleSkin();
    skin.backgroundColour = -16777216;
    skin.pictureOn = 1;
    skin.pictureFile = m_env->path(QStringLiteral("ground.png"));
    QImage picture(40, 30, QImage::Format_RGB32);
    picture.fill(Qt::darkCyan);
    QVERIFY(picture.save(skin.pictureFile));
    form.setSkin(skin);
    const QString path = m_env->path(QStringLiteral("mine.qsk"));
    m_dialogs->saveAnswers << path;
    form.Command5_Click();
    QCOMPARE(m_dialogs->saveRequests.value(0).title, QStringLiteral("Save / Open Skin"));
    QCOMPARE(m_dialogs->saveRequests.value(0).filter, QStringLiteral("Skin Files(*.qsk)|*.qsk"));

    form.Command3_Click();
    form.setSkin(Skin());
    const QColor before = paletteColour(&m_main->window, QPalette::Window);
    form.Label3->setText(QStringLiteral("Playlist Font : Before"));
    m_dialogs->openAnswers << path;
    form.Command6_Click();
    QCOMPARE(form.skin(), skin);
    QVERIFY(!form.Image1->pixmap().isNull());
    // Loading neither applies the skin nor changes the font caption.
    QCOMPARE(paletteColour(&m_main->window, QPalette::Window), before);
    QCOMPARE(form.Label3->text(), QStringLiteral("Playlist Font : Before"));
    QVERIFY(m_dialogs->messages.isEmpty());
}

void TstForm4::unusableSkinChangesNothing_data()
{
    QTest::addColumn<int>("line");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("keptLines");
    QTest::addColumn<bool>("usable");
    QTest::addColumn<bool>("reported");

    QTest::newRow("spread not a number") << 9 << QStringLiteral(" lots ") << 10 << false << true;
    QTest::newRow("eight lines") << 1 << QStringLiteral(" 255 ") << 8 << false << true;
    // A missing picture is left out and named; the rest of the skin is used.
    QTest::newRow("picture on, missing") << 5 << QStringLiteral("/nowhere/ground.jpg") << 10 << true << true;
    QTest::newRow("empty first line") << 1 << QString() << 10 << false << false;
    QTest::newRow("picture off, missing") << 4 << QStringLiteral(" 0 ") << 10 << true << false;
}

void TstForm4::unusableSkinChangesNothing()
{
    QFETCH(int, line);
    QFETCH(QString, text);
    QFETCH(int, keptLines);
    QFETCH(bool, usable);
    QFETCH(bool, reported);
    Skin skin = sampleSkin();
    skin.pictureOn = 1;
    skin.pictureFile = QStringLiteral("/nowhere/ground.jpg");
    QStringList lines = SkinFile::lines(skin).mid(0, keptLines);
    lines[line - 1] = text;
    const QString path = m_env->path(QStringLiteral("bad skin.qsk"));
    QVERIFY(writeLines(path, lines));

    Form4 form;
    const Skin before = form.skin();
    m_dialogs->openAnswers << path;
    form.Command6_Click();
    QCOMPARE(m_dialogs->messages.size(), reported ? 1 : 0);
    if (reported)
        QVERIFY2(m_dialogs->messages.first().contains(path), qPrintable(m_dialogs->messages.first()));
    if (usable) {
        QCOMPARE(form.skin().backgroundColour, skin.backgroundColour);
        QCOMPARE(form.skin().fontName, skin.fontName);
        return;
    }
    // Not one value of the file was taken, although the other lines were fine.
    QCOMPARE(form.skin(), before);
}

void TstForm4::resetThenApply()
{
    Form4 form;
    form.setSkin(sampleSkin());
    form.Command3_Click();
    form.Command1_Click();
    const QColor gray(0x80, 0x80, 0x80);
    const QColor lightGray(0xE0, 0xE0, 0xE0);
    QCOMPARE(paletteColour(&m_main->window, QPalette::Window), gray);
    QCOMPARE(paletteColour(m_main->list, QPalette::Text), lightGray);
    for (const char *name : {"Label2", "Label3", "Label9", "Text2"})
        QCOMPARE(paletteColour(m_main->child(name), QPalette::WindowText), lightGray);
    QCOMPARE(paletteColour(m_main->child("Text3"), QPalette::Text), gray);
    QCOMPARE(m_main->list->font().family(), QStringLiteral("Arial"));
    QVERIFY(!form.applier()->background().gradient);
    // 184 twips at 96 dots per inch.
    QCOMPARE(m_main->child("Label1")->height(), 12);
    // Reset leaves the gradient values alone.
    QCOMPARE(form.VScroll1->value(), 200);
}

void TstForm4::applyWritesDefaultSkin_data()
{
    QTest::addColumn<QString>("save");
    QTest::addColumn<bool>("unwritable");
    QTest::newRow("Save 1") << QStringLiteral("1") << false;
    QTest::newRow("Save 0") << QStringLiteral("0") << false;
    QTest::newRow("Save 1, data folder under a file") << QStringLiteral("1") << true;
}

void TstForm4::applyWritesDefaultSkin()
{
    QFETCH(QString, save);
    QFETCH(bool, unwritable);
    SettingsStore::write(QStringLiteral("Skins"), QStringLiteral("Save"), save);
    if (unwritable) {
        QFile plain(m_env->path(QStringLiteral("plain")));
        QVERIFY(plain.open(QIODevice::WriteOnly));
        qputenv("QUILLET_DATA_DIR", m_env->path(QStringLiteral("plain/data")).toUtf8());
    }
    Form4 form;
    form.setSkin(sampleSkin());
    form.Command1_Click();

    QFile written(SkinFile::defaultSkinPath());
    if (unwritable) {
        QCOMPARE(m_dialogs->messages.size(), 1);
        QVERIFY(m_dialogs->messages.first().startsWith(QStringLiteral("The default skin could not be saved.")));
        QVERIFY(m_dialogs->messages.first().contains(SkinFile::defaultSkinPath()));
    } else if (save == QLatin1String("1")) {
        QVERIFY(written.open(QIODevice::ReadOnly));
        QCOMPARE(written.readAll(),
            (SkinFile::lines(sampleSkin()).join(QStringLiteral("\r\n")) + QStringLiteral("\r\n")).toUtf8());
    } else {
        QVERIFY(!written.exists());
    }
    // The main window is painted in every case.
    QCOMPARE(paletteColour(&m_main->window, QPalette::Window), QColor(0x60, 0x40, 0x20));
}

void TstForm4::startupSkin_data()
{
    QTest::addColumn<QString>("withDefault"); // "", "good" or "blank" (first line empty)
    QTest::addColumn<QString>("argument"); // "", "good" or "corrupt"
    QTest::addColumn<QString>("autoOpen");
    QTest::addColumn<QColor>("expected"); // invalid: the main window keeps its design colour
    QTest::addColumn<bool>("argumentUsed");
    QTest::addColumn<int>("messages");

    const QColor defaultColour(0x11, 0x22, 0x33);
    const QColor argumentColour(0x60, 0x40, 0x20);
    const QString good = QStringLiteral("good");
    QTest::newRow("default skin") << good << QString() << QStringLiteral("1") << defaultColour << false << 0;
    QTest::newRow("no default skin") << QString() << QString() << QStringLiteral("1") << QColor() << false << 0;
    QTest::newRow("default skin, picture missing")
        << QStringLiteral("no picture") << QString() << QStringLiteral("1") << defaultColour << false << 1;
    QTest::newRow("default skin, blank first line")
        << QStringLiteral("blank") << QString() << QStringLiteral("1") << QColor() << false << 0;
    QTest::newRow("command-line skin") << good << QStringLiteral("good") << QStringLiteral("1") << argumentColour
                                       << true << 0;
    QTest::newRow("command-line skin, Auto 0")
        << good << QStringLiteral("good") << QStringLiteral("0") << QColor() << false << 0;
    QTest::newRow("corrupt command-line skin")
        << good << QStringLiteral("corrupt") << QStringLiteral("1") << QColor() << false << 1;
}

void TstForm4::startupSkin()
{
    QFETCH(QString, withDefault);
    QFETCH(QString, argument);
    QFETCH(QString, autoOpen);
    QFETCH(QColor, expected);
    QFETCH(bool, argumentUsed);
    QFETCH(int, messages);
    SettingsStore::write(QStringLiteral("Skins"), QStringLiteral("Auto"), autoOpen);
    Skin defaultSkin;
    defaultSkin.backgroundColour = 0x332211;
    defaultSkin.fontName = QStringLiteral("DejaVu Serif");
    if (withDefault == QLatin1String("no picture")) {
        defaultSkin.pictureOn = 1;
        defaultSkin.pictureFile = m_env->path(QStringLiteral("gone.png"));
    }
    if (!withDefault.isEmpty()) {
        QStringList lines = SkinFile::lines(defaultSkin);
        if (withDefault == QLatin1String("blank"))
            lines[0].clear();
        QVERIFY(writeLines(SkinFile::defaultSkinPath(), lines));
    }
    QString path;
    if (argument == QLatin1String("good")) {
        path = m_env->path(QStringLiteral("opened.qsk"));
        QVERIFY(writeLines(path, SkinFile::lines(sampleSkin())));
    } else if (argument == QLatin1String("corrupt")) {
        QStringList lines = SkinFile::lines(sampleSkin());
        lines[2] = QStringLiteral("yes");
        path = m_env->path(QStringLiteral("opened.qsk"));
        QVERIFY(writeLines(path, lines));
    }
    const QColor design = paletteColour(&m_main->window, QPalette::Window);

    Form4 form;
    QCOMPARE(form.loadAtStartup(path), argumentUsed);
    QCOMPARE(paletteColour(&m_main->window, QPalette::Window), expected.isValid() ? expected : design);
    QCOMPARE(m_dialogs->messages.size(), messages);
    if (messages > 0)
        QVERIFY(m_dialogs->messages.first().contains(argument.isEmpty() ? defaultSkin.pictureFile : path));
    if (withDefault == QLatin1String("no picture")) {
        // The user's skin is used and kept, also through the next Apply: nothing is replaced by defaults.
        QCOMPARE(m_main->list->font().family(), QStringLiteral("DejaVu Serif"));
        form.Command1_Click();
        QCOMPARE(SkinFile::read(SkinFile::defaultSkinPath()).skin, defaultSkin);
        QCOMPARE(m_dialogs->messages.size(), 1);
    }
    QCOMPARE(form.Label3->text(), QStringLiteral("Playlist Font : ") + m_main->list->font().family());
    // An applied command-line skin becomes the default skin of the next start.
    if (argumentUsed)
        QCOMPARE(SkinFile::read(SkinFile::defaultSkinPath()).skin, sampleSkin());
}

void TstForm4::colourAndFontDialogs()
{
    Form4 form;
    // A cancelled colour dialog gives back its current colour: black at first, then the last one chosen.
    form.command9_Click();
    QCOMPARE(form.skin().backgroundColour, 0);
    m_dialogs->colourAnswers << QColor(0x12, 0x34, 0x56);
    form.command9_Click();
    QCOMPARE(form.skin().backgroundColour, 0x563412);
    form.command10_Click();
    QCOMPARE(form.skin().textColour, 0x563412);

    m_dialogs->fontAnswers << QFont(QStringLiteral("DejaVu Sans Mono"), 31);
    form.Command8_Click();
    QCOMPARE(m_dialogs->messages,
        QStringList {QStringLiteral("Only The Font Type Will Be Changed ! Font Type Is DejaVu Sans Mono")});
    QCOMPARE(form.Label3->text(), QStringLiteral("Playlist Font : DejaVu Sans Mono"));
    QCOMPARE(form.skin().fontName, QStringLiteral("DejaVu Sans Mono"));
}

QTEST_MAIN(TstForm4)
#include "tst_form4.moc"
