// The preferences window over a real settings file: what it shows for stored values and what OK stores.
#include "fakes/fakedialogs.h"
#include "fakes/tagfiles.h"
#include "fakes/testenv.h"
#include "settings/frmoptions.h"
#include "settings/settingsstore.h"

#include <QCheckBox>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

using namespace quillet;
using namespace quillet::testing;
using namespace Qt::StringLiterals;

namespace {

// Every preference as "Section/Key=value": as stored ("-" when missing), or else its default.
QStringList preferences(bool stored)
{
    QStringList values;
    for (const SettingDefault &setting : SettingsStore::defaults()) {
        const QString section = QLatin1String(setting.section), key = QLatin1String(setting.key);
        values << u"%1/%2=%3"_s.arg(
            section, key, stored ? SettingsStore::read(section, key, u"-"_s) : QLatin1String(setting.value));
    }
    return values;
}

QMap<QString, QAbstractButton *> buttons(const frmOptions &w)
{
#define BUTTON(name)                                                                                                   \
    {                                                                                                                  \
        QStringLiteral(#name), w.name                                                                                  \
    }
    return {BUTTON(Option1), BUTTON(Option2), BUTTON(Check1), BUTTON(Check2), BUTTON(Check3), BUTTON(Check4),
        BUTTON(Check5), BUTTON(Check6), BUTTON(Check7), BUTTON(Check8), BUTTON(Check9), BUTTON(Check10),
        BUTTON(Check11), BUTTON(Check12), BUTTON(Check13), BUTTON(Check14)};
#undef BUTTON
}

QStringList checkedNames(const frmOptions &window)
{
    QStringList names;
    for (const auto &[name, button] : buttons(window).asKeyValueRange()) {
        if (button->isChecked())
            names << name;
    }
    return names;
}

} // namespace

class TestFrmOptions : public QObject
{
    Q_OBJECT
private slots:
    void opensWithItsControlsAndShowsOneFrame();
    void storedValueShownAsTheProgramTakesIt_data();
    void storedValueShownAsTheProgramTakesIt();
    void okStoresWhatIsShownAndCloses();
};

void TestFrmOptions::opensWithItsControlsAndShowsOneFrame()
{
    TestEnvironment env;
    FakeDialogs dialogs;
    frmOptions window;
    window.show();
    QCOMPARE(window.List1->count(), 6);
    for (int page = 0; page < 6; ++page) {
        window.List1->setCurrentRow(page);
        const QList<QGroupBox *> frames {
            window.Frame1, window.Frame2, window.Frame3, window.Frame4, window.Frame5, window.Frame6};
        for (int i = 0; i < frames.size(); ++i)
            QCOMPARE(frames.at(i)->isVisible(), i == page);
    }
    QCOMPARE(window.Slider1->minimum(), 20);
    // An empty store shows the defaults.
    QCOMPARE(checkedNames(window).join(u' '),
        u"Check10 Check11 Check13 Check14 Check3 Check4 Check6 Check7 Check8 Check9 Option1"_s);
}

void TestFrmOptions::storedValueShownAsTheProgramTakesIt_data()
{
    QTest::addColumn<QString>("setting");
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("box"); // the button whose state the value decides, or "" for the slider
    QTest::addColumn<int>("shown"); // 1 checked, 0 not; the slider's value for the interval

    // name, setting, stored text, button ("" for the slider), what the window shows
    const char *const rows[][5] = {
        {"first file", "Opening Files/Auto Play", "2", "Option2", "1"},
        {"auto play 7 disables", "Opening Files/Auto Play", "7", "Check1", "1"},
        {"auto play abc plays nothing", "Opening Files/Auto Play", "abc", "Check1", "1"},
        {"auto play 01 plays nothing", "Opening Files/Auto Play", "01", "Check1", "1"},
        {"manage 1.0 reads as 1", "Opening Files/Manage", "1.0", "Check2", "1"},
        {"manage yes", "Opening Files/Manage", "yes", "Check2", "0"},
        {"video open with blank is not 1", "Video/Open", " 1", "Check5", "0"},
        {"remote top 2 is not 1", "Remote/Top", "2", "Check11", "0"},
        {"tray hide off", "Tray/Hide", "0", "Check13", "0"},
        {"interval in range", "Splash/Interval", "100", "", "100"},
        {"interval 30000", "Splash/Interval", "30000", "", "200"},
        {"interval 1", "Splash/Interval", "1", "", "20"},
        {"interval not a number", "Splash/Interval", "fast", "", "20"},
    };
    for (const auto &row : rows)
        QTest::newRow(row[0]) << QString::fromUtf8(row[1]) << QString::fromUtf8(row[2]) << QString::fromUtf8(row[3])
                              << QByteArray(row[4]).toInt();
}

void TestFrmOptions::storedValueShownAsTheProgramTakesIt()
{
    QFETCH(QString, setting);
    QFETCH(QString, stored);
    QFETCH(QString, box);
    QFETCH(int, shown);
    TestEnvironment env;
    FakeDialogs dialogs;
    const QString section = setting.section(u'/', 0, 0);
    const QString key = setting.section(u'/', 1);
    QVERIFY(SettingsStore::write(section, key, stored));
    frmOptions window;
    if (box.isEmpty()) {
        QCOMPARE(window.Slider1->value(), shown);
        QCOMPARE(SettingsStore::splashInterval(), shown);
    } else {
        QCOMPARE(buttons(window).value(box)->isChecked(), shown == 1);
    }
    if (key == u"Auto Play"_s) {
        const int mode = SettingsStore::autoPlay();
        QCOMPARE(window.Check1->isChecked(), mode == 0);
        QCOMPARE(!window.Check1->isChecked() && window.Option2->isChecked(), mode == 2);
    }
    // OK stores what the window shows: the program's meaning of the odd value, made plain.
    window.cmdOK->click();
    QCOMPARE(dialogs.messages, QStringList());
    if (key == u"Auto Play"_s)
        QCOMPARE(SettingsStore::autoPlay(), SettingsStore::read(section, key).toInt());
    else
        QCOMPARE(SettingsStore::read(section, key), QString::number(shown));
}

void TestFrmOptions::okStoresWhatIsShownAndCloses()
{
    TestEnvironment env;
    FakeDialogs dialogs;
    frmOptions window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    window.List1->setCurrentRow(0);
    QTest::mouseClick(window.Option2, Qt::LeftButton);
    QTest::mouseClick(window.Check2, Qt::LeftButton);
    window.List1->setCurrentRow(5);
    window.Slider1->setFocus();
    QTest::keyClick(window.Slider1, Qt::Key_End);
    QCOMPARE(window.Label3->text(), u"200 Miliseconds"_s);
    // Cancel stores nothing, and reading never created the file.
    QTest::mouseClick(window.Command2, Qt::LeftButton);
    QVERIFY(!QFile::exists(SettingsStore::filePath()));

    window.show();
    QTest::mouseClick(window.cmdOK, Qt::LeftButton);
    QVERIFY(!window.isVisible());
    QStringList expected = preferences(false);
    expected.replace(0, u"Opening Files/Auto Play=2"_s);
    expected.replace(1, u"Opening Files/Manage=1"_s);
    expected.replace(14, u"Splash/Interval=200"_s);
    QCOMPARE(preferences(true), expected);
    QVERIFY(dialogs.messages.isEmpty());
    frmOptions again;
    QVERIFY(again.Option2->isChecked() && again.Check2->isChecked() && again.Slider1->value() == 200);

    // A line the INI reader cannot parse, added by hand while the window is open, is no write failure.
    QFile file(SettingsStore::filePath());
    QVERIFY(file.open(QIODevice::Append));
    file.write("[Tray\nthis line is no setting\n");
    file.close();
    again.show();
    QTest::mouseClick(again.cmdOK, Qt::LeftButton);
    QVERIFY(dialogs.messages.isEmpty() && !again.isVisible());
    QCOMPARE(preferences(true), expected);

    // When the settings folder's parent is a regular file nothing can be written, even by root: OK says so and the
    // window stays open.
    QVERIFY(writeFileBytes(env.path(u"file"_s), {}));
    qputenv("QUILLET_CONFIG_DIR", QFile::encodeName(env.path(u"file/config"_s)));
    again.show();
    QTest::mouseClick(again.cmdOK, Qt::LeftButton);
    QCOMPARE(dialogs.messages.size(), 1);
    QVERIFY(dialogs.messages.first().contains(env.path(u"file/config"_s)));
    QVERIFY(again.isVisible());
}

QTEST_MAIN(TestFrmOptions)
#include "tst_frmoptions.moc"
