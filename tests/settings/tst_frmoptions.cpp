#include "fakes/fakedialogs.h"
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
#include <QSlider>
#include <QTest>

using namespace quillet;
using namespace quillet::testing;

namespace {

QAbstractButton *button(const frmOptions &window, const QString &name)
{
    const QHash<QString, QAbstractButton *> buttons {
        {QStringLiteral("Option1"), window.Option1},
        {QStringLiteral("Option2"), window.Option2},
        {QStringLiteral("Check1"), window.Check1},
        {QStringLiteral("Check2"), window.Check2},
        {QStringLiteral("Check3"), window.Check3},
        {QStringLiteral("Check4"), window.Check4},
        {QStringLiteral("Check5"), window.Check5},
        {QStringLiteral("Check6"), window.Check6},
        {QStringLiteral("Check7"), window.Check7},
        {QStringLiteral("Check8"), window.Check8},
        {QStringLiteral("Check9"), window.Check9},
        {QStringLiteral("Check10"), window.Check10},
        {QStringLiteral("Check11"), window.Check11},
        {QStringLiteral("Check12"), window.Check12},
        {QStringLiteral("Check13"), window.Check13},
        {QStringLiteral("Check14"), window.Check14},
    };
    return buttons.value(name);
}

// Every stored preference as "Section/Key=value", "<none>" for one that is not stored.
QStringList storedValues()
{
    QStringList values;
    for (const SettingDefault &setting : SettingsStore::defaults()) {
        const QString section = QString::fromLatin1(setting.section);
        const QString key = QString::fromLatin1(setting.key);
        values << section + QLatin1Char('/') + key + QLatin1Char('=')
                + SettingsStore::read(section, key, QStringLiteral("<none>"));
    }
    return values;
}

QStringList defaultValues()
{
    QStringList values;
    for (const SettingDefault &setting : SettingsStore::defaults())
        values << QString::fromLatin1(setting.section) + QLatin1Char('/') + QString::fromLatin1(setting.key)
                + QLatin1Char('=') + QString::fromLatin1(setting.value);
    return values;
}

} // namespace

class TestFrmOptions : public QObject
{
    Q_OBJECT
private slots:
    void emptyStoreShowsDefaults();
    void storedValueShown_data();
    void storedValueShown();
    void sliderShowsStoredInterval_data();
    void sliderShowsStoredInterval();
    void eachBoxWritesItsOwnKey_data();
    void eachBoxWritesItsOwnKey();
    void disableStoredAsZeroAndShownAgain();
    void applyTwiceWritesTheSameFifteenValues();
    void sliderAtRightEndShowsAndStores200();
    void cancelWritesNothing();
    void okWritesAndCloses();
    void failedWriteIsReportedAndWindowStaysOpen();
    void pageSwitchShowsOneFrame_data();
    void pageSwitchShowsOneFrame();
};

void TestFrmOptions::emptyStoreShowsDefaults()
{
    TestEnvironment env;
    FakeDialogs dialogs;
    frmOptions window;
    QVERIFY(window.Option1->isChecked());
    QVERIFY(!window.Option2->isChecked());
    const QStringList unchecked {
        QStringLiteral("Check1"), QStringLiteral("Check2"), QStringLiteral("Check5"), QStringLiteral("Check12")};
    for (int i = 1; i <= 14; ++i) {
        const QString name = QStringLiteral("Check%1").arg(i);
        QCOMPARE_NE(button(window, name), nullptr);
        QVERIFY2(button(window, name)->isChecked() == !unchecked.contains(name), qPrintable(name));
    }
    QCOMPARE(window.Slider1->value(), 20);
    QCOMPARE(window.Label3->text(), QStringLiteral("20 Miliseconds."));
    // Reading never creates values.
    QVERIFY(!QFile::exists(SettingsStore::filePath()));
}

void TestFrmOptions::storedValueShown_data()
{
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QStringList>("checked");
    QTest::addColumn<QStringList>("unchecked");

    const QString opening = QStringLiteral("Opening Files");
    const QString autoPlay = QStringLiteral("Auto Play");
    const auto list = [](std::initializer_list<const char *> names) {
        QStringList result;
        for (const char *name : names)
            result << QString::fromLatin1(name);
        return result;
    };
    QTest::newRow("first file") << opening << autoPlay << QStringLiteral("2") << list({"Option2"})
                                << list({"Option1", "Check1"});
    QTest::newRow("disabled keeps design option")
        << opening << autoPlay << QStringLiteral("0") << list({"Option1", "Check1"}) << list({"Option2"});
    QTest::newRow("other number disables")
        << opening << autoPlay << QStringLiteral("7") << list({"Check1"}) << list({"Option2"});
    QTest::newRow("auto play not a number")
        << opening << autoPlay << QStringLiteral("abc") << list({"Option1"}) << list({"Option2", "Check1"});
    QTest::newRow("manage on") << opening << QStringLiteral("Manage") << QStringLiteral("1") << list({"Check2"})
                               << QStringList();
    QTest::newRow("manage not a number") << opening << QStringLiteral("Manage") << QStringLiteral("yes")
                                         << QStringList() << list({"Check2"});
    QTest::newRow("video open with blanks") << QStringLiteral("Video") << QStringLiteral("Open") << QStringLiteral(" 1")
                                            << list({"Check5"}) << QStringList();
    QTest::newRow("video save off") << QStringLiteral("Video") << QStringLiteral("Save") << QStringLiteral("0")
                                    << list({"Check7", "Check8"}) << list({"Check9"});
    QTest::newRow("continue off") << QStringLiteral("Playlist") << QStringLiteral("Continue") << QStringLiteral("0")
                                  << list({"Check8", "Check9"}) << list({"Check7"});
    QTest::newRow("top off") << QStringLiteral("Remote") << QStringLiteral("Top") << QStringLiteral("0")
                             << list({"Check10"}) << list({"Check11", "Check12"});
    QTest::newRow("top out of range") << QStringLiteral("Remote") << QStringLiteral("Top") << QStringLiteral("2")
                                      << list({"Check11"}) << QStringList();
    QTest::newRow("short on") << QStringLiteral("Remote") << QStringLiteral("Short") << QStringLiteral("1")
                              << list({"Check12"}) << QStringList();
    QTest::newRow("tray hide off") << QStringLiteral("Tray") << QStringLiteral("Hide") << QStringLiteral("0")
                                   << list({"Check14"}) << list({"Check13"});
    QTest::newRow("skins save off") << QStringLiteral("Skins") << QStringLiteral("Save") << QStringLiteral("0")
                                    << list({"Check3"}) << list({"Check4"});
}

void TestFrmOptions::storedValueShown()
{
    QFETCH(QString, section);
    QFETCH(QString, key);
    QFETCH(QString, stored);
    QFETCH(QStringList, checked);
    QFETCH(QStringList, unchecked);
    TestEnvironment env;
    FakeDialogs dialogs;
    QVERIFY(SettingsStore::write(section, key, stored));
    frmOptions window;
    for (const QString &name : std::as_const(checked))
        QVERIFY2(button(window, name)->isChecked(), qPrintable(name));
    for (const QString &name : std::as_const(unchecked))
        QVERIFY2(!button(window, name)->isChecked(), qPrintable(name));
}

void TestFrmOptions::sliderShowsStoredInterval_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<int>("value");
    QTest::addColumn<QString>("label");
    QTest::newRow("in range") << QStringLiteral("100") << 100 << QStringLiteral("100 Miliseconds");
    QTest::newRow("right end") << QStringLiteral("200") << 200 << QStringLiteral("200 Miliseconds");
    QTest::newRow("left end") << QStringLiteral("20") << 20 << QStringLiteral("20 Miliseconds.");
    QTest::newRow("below") << QStringLiteral("19") << 20 << QStringLiteral("20 Miliseconds.");
    QTest::newRow("above") << QStringLiteral("201") << 20 << QStringLiteral("20 Miliseconds.");
    QTest::newRow("beyond 16 bits") << QStringLiteral("65636") << 20 << QStringLiteral("20 Miliseconds.");
    QTest::newRow("not a number") << QStringLiteral("fast") << 20 << QStringLiteral("20 Miliseconds.");
    QTest::newRow("empty") << QString() << 20 << QStringLiteral("20 Miliseconds.");
}

void TestFrmOptions::sliderShowsStoredInterval()
{
    QFETCH(QString, stored);
    QFETCH(int, value);
    QFETCH(QString, label);
    TestEnvironment env;
    FakeDialogs dialogs;
    QVERIFY(SettingsStore::write(QStringLiteral("Splash"), QStringLiteral("Interval"), stored));
    frmOptions window;
    QCOMPARE(window.Slider1->value(), value);
    QCOMPARE(window.Label3->text(), label);
}

void TestFrmOptions::eachBoxWritesItsOwnKey_data()
{
    QTest::addColumn<QString>("box");
    QTest::addColumn<QString>("setting");
    const char *const rows[][2] = {
        {"Check2", "Opening Files/Manage"},
        {"Check3", "Skins/Auto"},
        {"Check4", "Skins/Save"},
        {"Check5", "Video/Open"},
        {"Check6", "Video/Auto"},
        {"Check9", "Video/Save"},
        {"Check7", "Playlist/Continue"},
        {"Check8", "Playlist/Save"},
        {"Check10", "Remote/Auto"},
        {"Check11", "Remote/Top"},
        {"Check12", "Remote/Short"},
        {"Check13", "Tray/Hide"},
        {"Check14", "Tray/Animate"},
    };
    for (const auto &row : rows)
        QTest::newRow(row[0]) << QString::fromLatin1(row[0]) << QString::fromLatin1(row[1]);
}

void TestFrmOptions::eachBoxWritesItsOwnKey()
{
    QFETCH(QString, box);
    QFETCH(QString, setting);
    TestEnvironment env;
    FakeDialogs dialogs;
    frmOptions window;
    QAbstractButton *target = button(window, box);
    target->toggle();
    window.Command1->click();

    QStringList expected = defaultValues();
    for (QString &line : expected) {
        if (line.startsWith(setting + QLatin1Char('='))) {
            line = setting + QLatin1Char('=') + (target->isChecked() ? QStringLiteral("1") : QStringLiteral("0"));
        }
    }
    QCOMPARE(storedValues(), expected);
    QVERIFY(dialogs.messages.isEmpty());
}

void TestFrmOptions::disableStoredAsZeroAndShownAgain()
{
    TestEnvironment env;
    FakeDialogs dialogs;
    {
        frmOptions window;
        window.Option2->click();
        window.Check1->click();
        // "Disable" and the option buttons do not clear each other.
        QVERIFY(window.Option2->isChecked());
        QVERIFY(window.Check1->isChecked());
        window.Command1->click();
    }
    QCOMPARE(
        SettingsStore::read(QStringLiteral("Opening Files"), QStringLiteral("Auto Play"), {}), QStringLiteral("0"));
    frmOptions again;
    QVERIFY(again.Check1->isChecked());
    QVERIFY(again.Option1->isChecked());
    again.Option2->click();
    QVERIFY(again.Check1->isChecked());
    QVERIFY(!again.Option1->isChecked());
    again.Check1->click();
    again.Command1->click();
    QCOMPARE(
        SettingsStore::read(QStringLiteral("Opening Files"), QStringLiteral("Auto Play"), {}), QStringLiteral("2"));
}

void TestFrmOptions::applyTwiceWritesTheSameFifteenValues()
{
    TestEnvironment env;
    FakeDialogs dialogs;
    frmOptions window;
    window.Command1->click();
    QCOMPARE(storedValues(), defaultValues());
    QFile file(SettingsStore::filePath());
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray first = file.readAll();
    file.close();

    // Every value is written again, not only those that changed in the window.
    for (const SettingDefault &setting : SettingsStore::defaults())
        SettingsStore::write(
            QString::fromLatin1(setting.section), QString::fromLatin1(setting.key), QStringLiteral("x"));
    window.Command1->click();
    QCOMPARE(storedValues(), defaultValues());
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), first);
}

void TestFrmOptions::sliderAtRightEndShowsAndStores200()
{
    TestEnvironment env;
    FakeDialogs dialogs;
    frmOptions window;
    window.Slider1->triggerAction(QAbstractSlider::SliderToMaximum);
    QCOMPARE(window.Label3->text(), QStringLiteral("200 Miliseconds"));
    window.Command1->click();
    QCOMPARE(SettingsStore::read(QStringLiteral("Splash"), QStringLiteral("Interval"), {}), QStringLiteral("200"));
}

void TestFrmOptions::cancelWritesNothing()
{
    TestEnvironment env;
    FakeDialogs dialogs;
    QVERIFY(SettingsStore::write(QStringLiteral("Tray"), QStringLiteral("Hide"), QStringLiteral("0")));
    QFile file(SettingsStore::filePath());
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray before = file.readAll();
    file.close();

    frmOptions window;
    window.show();
    window.Check13->click();
    window.Check2->click();
    window.Slider1->setValue(150);
    window.Command2->click();
    QVERIFY(!window.isVisible());
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), before);
}

void TestFrmOptions::okWritesAndCloses()
{
    TestEnvironment env;
    FakeDialogs dialogs;
    frmOptions window;
    window.show();
    window.Check14->click();
    window.cmdOK->click();
    QVERIFY(!window.isVisible());
    QCOMPARE(SettingsStore::read(QStringLiteral("Tray"), QStringLiteral("Animate"), {}), QStringLiteral("0"));
    QCOMPARE(storedValues().size(), 15);
    QVERIFY(!storedValues().join(QLatin1Char(' ')).contains(QStringLiteral("<none>")));
}

void TestFrmOptions::failedWriteIsReportedAndWindowStaysOpen()
{
    TestEnvironment env;
    FakeDialogs dialogs;
    // A settings folder below a regular file cannot be created.
    QFile blocker(env.path(QStringLiteral("blocker")));
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    qputenv("QUILLET_CONFIG_DIR", env.path(QStringLiteral("blocker/config")).toUtf8());

    frmOptions window;
    window.show();
    window.Check2->click();
    window.cmdOK->click();
    QCOMPARE(dialogs.messages.size(), 1);
    QVERIFY(dialogs.messages.constFirst().contains(SettingsStore::filePath()));
    QVERIFY(window.isVisible());
    QVERIFY(window.Check2->isChecked());
}

void TestFrmOptions::pageSwitchShowsOneFrame_data()
{
    QTest::addColumn<int>("row");
    QTest::addColumn<QString>("caption");
    QTest::newRow("opening files") << 0 << QStringLiteral("Opening Files");
    QTest::newRow("skins") << 1 << QStringLiteral("Skins");
    QTest::newRow("play lists") << 2 << QStringLiteral("Playlists");
    QTest::newRow("remote control") << 3 << QStringLiteral("Remote Control");
    QTest::newRow("system tray") << 4 << QStringLiteral("System Tray");
    QTest::newRow("splash screen") << 5 << QStringLiteral("Splash Screen");
}

void TestFrmOptions::pageSwitchShowsOneFrame()
{
    QFETCH(int, row);
    QFETCH(QString, caption);
    TestEnvironment env;
    FakeDialogs dialogs;
    frmOptions window;
    window.show();
    const QList<QGroupBox *> frames {
        window.Frame1, window.Frame2, window.Frame3, window.Frame4, window.Frame5, window.Frame6};
    QCOMPARE(window.List1->currentRow(), -1);
    QVERIFY(window.List1->selectedItems().isEmpty());
    QVERIFY(window.Frame1->isVisible());
    const QSize size = window.size();

    // Going to another page first, so that coming back to the first one is a real switch.
    window.List1->setCurrentRow(row == 5 ? 0 : 5);
    window.List1->setCurrentRow(row);
    for (int i = 0; i < frames.size(); ++i)
        QCOMPARE(frames.at(i)->isVisible(), i == row);
    QCOMPARE(frames.at(row)->title(), caption);
    QCOMPARE(window.size(), size);
}

QTEST_MAIN(TestFrmOptions)
#include "tst_frmoptions.moc"
