// The visual options window over real skin files: Save, Load and Apply, unusable skins, the start-up skin.
#include "appearance/form4.h"
#include "appearance/skinfile.h"
#include "fakes/fakedialogs.h"
#include "fakes/fakemainwindow.h"
#include "fakes/tagfiles.h"
#include "fakes/testenv.h"
#include "settings/settingsstore.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QTest>

#include <memory>

using namespace Qt::StringLiterals;
using namespace quillet;
using namespace quillet::testing;

namespace {

Skin sampleSkin()
{
    Skin skin;
    skin.backgroundColour = 0x204060;
    skin.textColour = 0x00FFEE;
    skin.gradientOn = 1;
    skin.fontName = u"DejaVu Serif"_s;
    skin.gradientRed = 200;
    skin.gradientGreen = 30;
    skin.gradientSpread = 90;
    return skin;
}

bool writeLines(const QString &path, const QStringList &lines)
{
    return writeFileBytes(path, lines.join(u"\r\n"_s).toUtf8() + "\r\n");
}

} // namespace

class TstForm4 : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        m_env = std::make_unique<TestEnvironment>();
        m_dialogs = std::make_unique<FakeDialogs>();
        m_main = std::make_unique<FakeMainWindow>();
        m_main->list->setObjectName(u"List1"_s);
    }
    void cleanup()
    {
        m_main.reset();
        m_dialogs.reset();
        m_env.reset();
    }
    void saveLoadAndApply()
    {
        Form4 form;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        Skin skin = sampleSkin();
        skin.backgroundColour = -16777216; // top bit set: kept exactly
        form.setSkin(skin);
        // A picture chosen with Browse is previewed: the middle of the preview has its colour.
        const auto preview = [&form] {
            const QImage shot = form.Image1->grab().toImage();
            return shot.pixelColor(shot.rect().center());
        };
        const auto picture = [this](const char *name, Qt::GlobalColor colour) {
            QImage image(40, 30, QImage::Format_RGB32);
            image.fill(colour);
            const QString path = m_env->path(QLatin1String(name));
            return image.save(path) ? path : QString();
        };
        skin.pictureOn = 1;
        skin.pictureFile = picture("ground.png", Qt::darkCyan);
        m_dialogs->openAnswers << skin.pictureFile;
        QTest::mouseClick(form.Command4, Qt::LeftButton);
        QTest::mouseClick(form.Check2, Qt::LeftButton);
        QCOMPARE(preview(), QColor(Qt::darkCyan));
        const QString path = m_env->path(u"mine.qsk"_s);
        m_dialogs->saveAnswers << path;
        QTest::mouseClick(form.Command5, Qt::LeftButton);
        m_dialogs->openAnswers << picture("other.png", Qt::red);
        QTest::mouseClick(form.Command4, Qt::LeftButton);
        QCOMPARE(preview(), QColor(Qt::red));

        // Reset, then Load: every value comes back, the preview too; loading does not apply.
        QTest::mouseClick(form.Command3, Qt::LeftButton);
        QCOMPARE(form.skin().backgroundColour, 0x808080);
        const QColor before = mainColour();
        m_dialogs->openAnswers << path;
        QTest::mouseClick(form.Command6, Qt::LeftButton);
        QCOMPARE(form.skin(), skin);
        QCOMPARE(preview(), QColor(Qt::darkCyan));
        QCOMPARE(mainColour(), before);
        QVERIFY(m_dialogs->messages.isEmpty());
        // Apply paints the main window and its playlist.
        QTest::mouseClick(form.Command1, Qt::LeftButton);
        QCOMPARE(m_main->list->palette().color(QPalette::Text), QColor(0xEE, 0xFF, 0x00));
        QCOMPARE(m_main->list->font().family(), u"DejaVu Serif"_s);

        // A default skin that cannot be written is reported; the main window is painted all the same.
        QVERIFY(writeFileBytes(m_env->path(u"plain"_s), {}));
        qputenv("QUILLET_DATA_DIR", m_env->path(u"plain/data"_s).toUtf8());
        form.setSkin(sampleSkin());
        QTest::mouseClick(form.Command1, Qt::LeftButton);
        QCOMPARE(m_dialogs->messages.size(), 1);
        QVERIFY(m_dialogs->messages.first().contains(SkinFile::defaultSkinPath()));
        QCOMPARE(mainColour(), QColor(0x60, 0x40, 0x20));
    }
    void skinThatCannotBeUsed_data()
    {
        QTest::addColumn<int>("line");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("keptLines");
        QTest::addColumn<bool>("usable");
        QTest::addColumn<bool>("reported");
        QTest::newRow("spread not a number") << 9 << u" lots "_s << 10 << false << true;
        QTest::newRow("colour out of range") << 1 << u"99999999999"_s << 10 << false << true;
        QTest::newRow("eight lines") << 1 << u" 255 "_s << 8 << false << true;
        QTest::newRow("empty first line") << 1 << QString() << 10 << false << false;
        // A missing picture is left out and named; the rest of the skin is used.
        QTest::newRow("picture on, missing") << 5 << u"/nowhere/ground.jpg"_s << 10 << true << true;
        QTest::newRow("picture off, missing") << 4 << u" 0 "_s << 10 << true << false;
    }
    void skinThatCannotBeUsed()
    {
        QFETCH(int, line);
        QFETCH(QString, text);
        QFETCH(int, keptLines);
        QFETCH(bool, usable);
        QFETCH(bool, reported);
        Skin skin = sampleSkin();
        skin.pictureOn = 1;
        skin.pictureFile = u"/nowhere/ground.jpg"_s;
        QStringList lines = SkinFile::lines(skin).mid(0, keptLines);
        lines[line - 1] = text;
        const QString path = m_env->path(u"bad skin.qsk"_s);
        QVERIFY(writeLines(path, lines));
        Form4 form;
        const Skin before = form.skin();
        m_dialogs->openAnswers << path;
        form.Command6_Click();
        QCOMPARE(m_dialogs->messages.size(), reported ? 1 : 0);
        if (reported)
            QVERIFY2(m_dialogs->messages.first().contains(path), qPrintable(m_dialogs->messages.first()));
        // A skin is taken whole or not at all.
        QCOMPARE(form.skin().fontName, usable ? skin.fontName : before.fontName);
        QCOMPARE(form.skin().backgroundColour, usable ? skin.backgroundColour : before.backgroundColour);
    }
    void startupSkin_data()
    {
        QTest::addColumn<QString>("withDefault"); // "good", "no picture", "blank" (first line empty) or "corrupt"
        QTest::addColumn<QString>("argument"); // "", "good" or "corrupt"
        QTest::addColumn<QString>("autoOpen");
        QTest::addColumn<QColor>("expected"); // invalid: the main window keeps its design colour
        QTest::addColumn<bool>("argumentUsed");
        QTest::addColumn<int>("messages");
        const QColor defaultColour(0x11, 0x22, 0x33);
        const QString good = u"good"_s;
        const QString one = u"1"_s;
        QTest::newRow("default skin") << good << QString() << one << defaultColour << false << 0;
        QTest::newRow("default skin, picture missing")
            << "no picture" << QString() << one << defaultColour << false << 1;
        QTest::newRow("default skin, blank first line") << "blank" << QString() << one << QColor() << false << 0;
        // A default skin that cannot be used is left alone without a word at every start.
        QTest::newRow("corrupt default skin") << "corrupt" << QString() << one << QColor() << false << 0;
        QTest::newRow("command-line skin") << good << good << one << QColor(0x60, 0x40, 0x20) << true << 0;
        QTest::newRow("command-line skin, Auto 0") << good << good << u"0"_s << QColor() << false << 0;
        QTest::newRow("corrupt command-line skin") << good << "corrupt" << one << QColor() << false << 1;
    }
    void startupSkin()
    {
        QFETCH(QString, withDefault);
        QFETCH(QString, argument);
        QFETCH(QString, autoOpen);
        QFETCH(QColor, expected);
        QFETCH(bool, argumentUsed);
        QFETCH(int, messages);
        SettingsStore::write(u"Skins"_s, u"Auto"_s, autoOpen);
        Skin defaultSkin;
        defaultSkin.backgroundColour = 0x332211;
        defaultSkin.fontName = u"DejaVu Serif"_s;
        if (withDefault == QLatin1String("no picture")) {
            defaultSkin.pictureOn = 1;
            defaultSkin.pictureFile = m_env->path(u"gone.png"_s);
        }
        const auto writeSkin = [](const QString &path, const Skin &skin, const QString &damage) {
            QStringList lines = SkinFile::lines(skin);
            if (damage == QLatin1String("blank"))
                lines[0].clear();
            if (damage == QLatin1String("corrupt"))
                lines[2] = u"yes"_s;
            return writeLines(path, lines);
        };
        QVERIFY(writeSkin(SkinFile::defaultSkinPath(), defaultSkin, withDefault));
        const QString path = argument.isEmpty() ? QString() : m_env->path(u"opened.qsk"_s);
        QVERIFY(path.isEmpty() || writeSkin(path, sampleSkin(), argument));
        const QColor design = mainColour();
        Form4 form;
        QCOMPARE(form.loadAtStartup(path), argumentUsed);
        QCOMPARE(mainColour(), expected.isValid() ? expected : design);
        QCOMPARE(m_dialogs->messages.size(), messages);
        if (messages > 0)
            QVERIFY(m_dialogs->messages.first().contains(argument.isEmpty() ? defaultSkin.pictureFile : path));
        // An applied command-line skin becomes the default skin of the next start.
        if (argumentUsed)
            QCOMPARE(SkinFile::read(SkinFile::defaultSkinPath()).skin, sampleSkin());
        if (withDefault == QLatin1String("no picture")) {
            // The user's skin is used and kept, also through the next Apply: nothing is replaced by defaults.
            QCOMPARE(m_main->list->font().family(), u"DejaVu Serif"_s);
            form.Command1_Click();
            QCOMPARE(SkinFile::read(SkinFile::defaultSkinPath()).skin, defaultSkin);
            QCOMPARE(m_dialogs->messages.size(), 1);
        }
    }

private:
    QColor mainColour() const { return m_main->window.palette().color(QPalette::Window); }

    std::unique_ptr<TestEnvironment> m_env;
    std::unique_ptr<FakeDialogs> m_dialogs;
    std::unique_ptr<FakeMainWindow> m_main;
};

QTEST_MAIN(TstForm4)
#include "tst_form4.moc"
