#include "appearance/cdibsectionregion.h"
#include "appearance/form6.h"
#include "fakes/fakedialogs.h"
#include "fakes/fakemainwindow.h"
#include "fakes/testenv.h"
#include "settings/settingsstore.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QPointer>
#include <QSlider>
#include <QTest>
#include <QTimer>

#include <memory>

using namespace quillet;
using namespace quillet::testing;

namespace {

const QString kNoMore = QStringLiteral("There Are No More Files To Play !");
const QString kAddSome = QStringLiteral("Please Add Some Files !");

QStringList comboItems(const QComboBox *combo)
{
    QStringList items;
    for (int i = 0; i < combo->count(); ++i)
        items << combo->itemText(i);
    return items;
}

} // namespace

// A main window with the controls the remote reads by name: the mute box, the position slider and the time line.
struct RemoteMainWindow : FakeMainWindow
{
    RemoteMainWindow()
        : Option1(new QCheckBox(&window))
        , Slider4(new QSlider(&window))
        , Label9(new QLabel(&window))
    {
        Option1->setObjectName(QStringLiteral("Option1"));
        Slider4->setObjectName(QStringLiteral("Slider4"));
        Label9->setObjectName(QStringLiteral("Label9"));
    }
    QCheckBox *Option1;
    QSlider *Slider4;
    QLabel *Label9;
};

class TstForm6 : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void openingSteps_data();
    void openingSteps();
    void shapeCutsOutBlack();
    void label3SwitchesShapeAndBack();
    void comboFollowsPlaylist();
    void displayNames_data();
    void displayNames();
    void rootChooserOncePerRebuild();
    void pauseAndStop();
    void nextAndPrevious_data();
    void nextAndPrevious();
    void playChosenEntry();
    void positionCopyAndSeek();
    void doneClosesTheRemote();

private:
    // A remote on the main window with its timer stopped, so that tests tick it by hand.
    std::unique_ptr<Form6> openRemote();

    std::unique_ptr<TestEnvironment> m_env;
    std::unique_ptr<FakeDialogs> m_dialogs;
    std::unique_ptr<RemoteMainWindow> m_main;
};

void TstForm6::init()
{
    m_env = std::make_unique<TestEnvironment>();
    m_dialogs = std::make_unique<FakeDialogs>();
    m_main = std::make_unique<RemoteMainWindow>();
    Form6::setTrayCheck([] { return true; });
}

void TstForm6::cleanup()
{
    Form6::setTrayCheck({});
    m_main.reset();
    m_dialogs.reset();
    m_env.reset();
}

std::unique_ptr<Form6> TstForm6::openRemote()
{
    auto form = std::make_unique<Form6>();
    form->setAttribute(Qt::WA_DeleteOnClose, false);
    form->Timer1->stop();
    return form;
}

void TstForm6::openingSteps_data()
{
    QTest::addColumn<QString>("hide");
    QTest::addColumn<bool>("tray");
    QTest::addColumn<QString>("top");
    QTest::addColumn<bool>("muted");
    QTest::addColumn<bool>("mainVisible");

    QTest::newRow("defaults") << QStringLiteral("1") << true << QStringLiteral("1") << false << false;
    QTest::newRow("Hide 0, Top 0, muted") << QStringLiteral("0") << true << QStringLiteral("0") << true << true;
    QTest::newRow("Hide 1 without a tray") << QStringLiteral("1") << false << QStringLiteral("1") << true << true;
}

void TstForm6::openingSteps()
{
    QFETCH(QString, hide);
    QFETCH(bool, tray);
    QFETCH(QString, top);
    QFETCH(bool, muted);
    QFETCH(bool, mainVisible);
    SettingsStore::write(QStringLiteral("Tray"), QStringLiteral("Hide"), hide);
    SettingsStore::write(QStringLiteral("Remote"), QStringLiteral("Top"), top);
    Form6::setTrayCheck([tray] { return tray; });
    m_main->Option1->setChecked(muted);
    m_main->window.show();

    auto form = openRemote();
    QVERIFY(m_main->window.isMinimized());
    QCOMPARE(m_main->window.isVisible(), mainVisible);
    QCOMPARE(form->windowFlags().testFlag(Qt::WindowStaysOnTopHint), top == QLatin1String("1"));
    QVERIFY(form->windowFlags().testFlag(Qt::FramelessWindowHint));
    QCOMPARE(form->Check1->isChecked(), muted);
    QCOMPARE(m_main->player.mute(), muted);
    QCOMPARE(m_main->player.calls.contains(QStringLiteral("setMute 1")), muted);
}

void TstForm6::shapeCutsOutBlack()
{
    auto form = openRemote();
    const QImage picture = QImage(QStringLiteral(":/remote/full.png")).convertToFormat(QImage::Format_RGB32);
    QCOMPARE(picture.size(), QSize(172, 230));
    QCOMPARE(form->size(), QSize(172, 230));
    const std::optional<QRegion> region = form->shapeRegion().region();
    QVERIFY(region);
    QCOMPARE(form->mask(), *region);
    QVERIFY(form->shapeRegion().Applied(form.get()));
    int cut = 0;
    for (int y = 0; y < picture.height(); ++y) {
        for (int x = 0; x < picture.width(); ++x) {
            const bool black = (picture.pixel(x, y) & 0xFFFFFF) == 0;
            cut += black ? 1 : 0;
            if (black == region->contains(QPoint(x, y)))
                QFAIL(qPrintable(QStringLiteral("pixel %1,%2").arg(x).arg(y)));
        }
    }
    // The corners and the slot near the bottom are cut out; the picture is not a plain rectangle.
    QVERIFY(!region->contains(QPoint(0, 0)));
    QVERIFY(!region->contains(QPoint(86, 216)));
    QVERIFY(region->contains(QPoint(86, 120)));
    QVERIFY(cut > 1000);
}

void TstForm6::label3SwitchesShapeAndBack()
{
    auto form = openRemote();
    form->show();
    const QRegion full = form->mask();
    QCOMPARE(form->Label3->pos(), QPoint(136, 90));
    QCOMPARE(form->Label4->pos(), QPoint(19, 90));
    QCOMPARE(form->Label3->toolTip(), QStringLiteral("Hide Controls"));

    QTest::mouseClick(form->Label3, Qt::LeftButton);
    QVERIFY(!form->fullShapeShown());
    QCOMPARE(form->Label3->toolTip(), QStringLiteral("Show Controls"));
    QCOMPARE(form->Label3->pos(), QPoint(131, 120));
    QCOMPARE(form->Shape1->pos(), QPoint(131, 118));
    QCOMPARE(form->Shape2->pos(), QPoint(26, 118));
    QCOMPARE(form->Label4->pos(), QPoint(26, 120));
    QVERIFY(form->mask() != full);
    QVERIFY(!form->mask().contains(QPoint(86, 190)));
    QVERIFY(form->mask().contains(form->Label3->geometry().center()));
    // The drop-down list lies outside the compact shape and cannot be reached.
    QVERIFY(!form->Combo1->isVisible());

    QTest::mouseClick(form->Label3, Qt::LeftButton);
    QVERIFY(form->fullShapeShown());
    QCOMPARE(form->mask(), full);
    QCOMPARE(form->Label3->toolTip(), QStringLiteral("Hide Controls"));
    QCOMPARE(form->Label3->pos(), QPoint(136, 90));
    QCOMPARE(form->Shape1->pos(), QPoint(136, 88));
    QCOMPARE(form->Shape2->pos(), QPoint(19, 88));
    QCOMPARE(form->Label4->pos(), QPoint(19, 90));
    QVERIFY(form->Combo1->isVisible());
}

void TstForm6::comboFollowsPlaylist()
{
    m_main->list->addMany({QStringLiteral("/m/b.mp3"), QStringLiteral("/m/a.mp3"), QStringLiteral("/m/d.mp3")});
    auto form = openRemote();
    QCOMPARE(comboItems(form->Combo1), (QStringList {QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("d")}));
    m_main->list->add(QStringLiteral("/m/c.mp3"));
    QTRY_COMPARE(form->Combo1->count(), 4);
    QCOMPARE(comboItems(form->Combo1),
        (QStringList {QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c"), QStringLiteral("d")}));
    // The playlist's selection is left on the last entry.
    QCOMPARE(m_main->list->listIndex(), 3);
    m_main->list->clear();
    QTRY_COMPARE(form->Combo1->count(), 0);
}

void TstForm6::displayNames_data()
{
    QTest::addColumn<QString>("entry");
    QTest::addColumn<QString>("shortNames");
    QTest::addColumn<QString>("expected"); // "<canonical>": the canonical path of the existing file

    QTest::newRow("dots in the name") << QStringLiteral("/music/Song.Title.mp3") << QStringLiteral("0")
                                      << QStringLiteral("Song.Title");
    QTest::newRow("no folder part") << QStringLiteral("Song.Title.mp3") << QStringLiteral("0")
                                    << QStringLiteral("Song.Title");
    QTest::newRow("no dot") << QStringLiteral("/music/Readme") << QStringLiteral("0") << QStringLiteral("Readme");
    QTest::newRow("dot in a folder only")
        << QStringLiteral("/music.d/Readme") << QStringLiteral("0") << QStringLiteral("Readme");
    QTest::newRow("backslashes") << QStringLiteral("C:\\Music\\Old.Track.mp3") << QStringLiteral("0")
                                 << QStringLiteral("Old.Track");
    QTest::newRow("short, existing") << QStringLiteral("real.mp3") << QStringLiteral("1")
                                     << QStringLiteral("<canonical>");
    QTest::newRow("short, missing") << QStringLiteral("/music/none.mp3") << QStringLiteral("1") << QString();
}

void TstForm6::displayNames()
{
    QFETCH(QString, entry);
    QFETCH(QString, shortNames);
    QFETCH(QString, expected);
    SettingsStore::write(QStringLiteral("Remote"), QStringLiteral("Short"), shortNames);
    // Relative entries are named from the root directory, where "real.mp3" exists.
    const QString root = m_env->path(QStringLiteral("root/"));
    QVERIFY(QDir().mkpath(root));
    QFile real(root + QStringLiteral("real.mp3"));
    QVERIFY(real.open(QIODevice::WriteOnly));
    m_main->root = root;
    if (expected == QLatin1String("<canonical>"))
        expected = QFileInfo(real.fileName()).canonicalFilePath();
    m_main->list->add(entry);
    auto form = openRemote();
    QCOMPARE(comboItems(form->Combo1), QStringList {expected});
}

void TstForm6::rootChooserOncePerRebuild()
{
    m_main->list->addMany({QStringLiteral("/m/a.mp3"), QStringLiteral("b.mp3")});
    auto form = openRemote();
    QCOMPARE(m_main->rootChooserCount, 1);
    QCOMPARE(comboItems(form->Combo1), QStringList {QStringLiteral("a")});
    for (int tick = 0; tick < 3; ++tick)
        form->Timer1_Timer();
    QCOMPARE(m_main->rootChooserCount, 1);

    m_main->root = QStringLiteral("/music/");
    form->Timer1_Timer();
    QCOMPARE(comboItems(form->Combo1), (QStringList {QStringLiteral("a"), QStringLiteral("b")}));
    QCOMPARE(m_main->rootChooserCount, 1);
}

void TstForm6::pauseAndStop()
{
    auto form = openRemote();
    FakePlayer &player = m_main->player;
    player.setFileName(QStringLiteral("/m/a.mp3"));
    player.calls.clear();
    form->command10_Click();
    QVERIFY(player.calls.isEmpty());
    QCOMPARE(m_main->status, QStringLiteral("Waiting .."));
    QVERIFY(m_dialogs->messages.isEmpty());

    player.setPosition(3);
    form->command10_Click();
    QCOMPARE(player.calls, QStringList {QStringLiteral("pause")});
    QCOMPARE(m_main->status, QStringLiteral("Paused.."));

    player.calls.clear();
    form->command13_Click();
    QCOMPARE(player.calls, (QStringList {QStringLiteral("setCurrentPosition 0"), QStringLiteral("stop")}));
    QCOMPARE(m_main->status, QStringLiteral("Stoped.."));
}

void TstForm6::nextAndPrevious_data()
{
    QTest::addColumn<int>("entries");
    QTest::addColumn<QString>("current");
    QTest::addColumn<bool>("next");
    QTest::addColumn<QStringList>("messages");
    QTest::addColumn<int>("played"); // -1: nothing handed to the player

    QTest::newRow("next in the middle") << 3 << QStringLiteral("0") << true << QStringList() << 1;
    QTest::newRow("next without an index") << 3 << QString() << true << QStringList() << 1;
    QTest::newRow("next on the last") << 3 << QStringLiteral("2") << true << QStringList {kNoMore} << 0;
    QTest::newRow("next past a shrunk list") << 3 << QStringLiteral("7") << true << QStringList {kNoMore} << 0;
    QTest::newRow("next on an empty list") << 0 << QString() << true << QStringList {kAddSome} << -1;
    QTest::newRow("previous in the middle") << 3 << QStringLiteral("2") << false << QStringList() << 1;
    QTest::newRow("previous at the first") << 3 << QStringLiteral("0") << false << QStringList {kNoMore} << 2;
    QTest::newRow("previous with one entry") << 1 << QStringLiteral("0") << false << QStringList {kNoMore} << 0;
    QTest::newRow("previous on an empty list") << 0 << QString() << false << QStringList {kNoMore, kAddSome} << -1;
}

void TstForm6::nextAndPrevious()
{
    QFETCH(int, entries);
    QFETCH(QString, current);
    QFETCH(bool, next);
    QFETCH(QStringList, messages);
    QFETCH(int, played);
    const QStringList names = {QStringLiteral("a.mp3"), QStringLiteral("b.mp3"), QStringLiteral("c.mp3")};
    m_main->list->addMany(names.mid(0, entries));
    m_main->root = QStringLiteral("/music/");
    m_main->currentIndex = current;
    auto form = openRemote();

    next ? form->command11_Click() : form->command12_Click();
    QCOMPARE(m_dialogs->messages, messages);
    if (played < 0) {
        QVERIFY(m_main->player.fileName().isEmpty());
        return;
    }
    QCOMPARE(m_main->list->listIndex(), played);
    // Relative entries reach the player joined to the root directory.
    QCOMPARE(m_main->player.fileName(), QStringLiteral("/music/") + names.at(played));
}

void TstForm6::playChosenEntry()
{
    m_main->list->addMany({QStringLiteral("/m/a.mp3"), QStringLiteral("/m/b.mp3")});
    auto form = openRemote();
    form->Combo1->setCurrentIndex(-1);
    form->Command1_Click();
    QCOMPARE(m_main->startSelectedCount, 0);
    form->Combo1->setCurrentIndex(1);
    form->Command1_Click();
    QCOMPARE(m_main->list->listIndex(), 1);
    QCOMPARE(m_main->startSelectedCount, 1);
}

void TstForm6::positionCopyAndSeek()
{
    auto form = openRemote();
    FakePlayer &player = m_main->player;
    player.setFileName(QStringLiteral("/m/a.mp3"));
    player.setDuration(180.5);
    player.setPosition(10.5);
    m_main->Slider4->setToolTip(QStringLiteral("Current Position : 00:10 Of 03:00 "));
    m_main->Slider4->setRange(0, 180);
    m_main->Slider4->setValue(11);
    m_main->Label9->setText(QStringLiteral("Time : 00:10/03:00 "));
    form->Timer1_Timer();
    QCOMPARE(form->Slider4->maximum(), 180);
    QCOMPARE(form->Slider4->value(), 10);
    QCOMPARE(form->Slider4->toolTip(), QStringLiteral("Current Position : 00:10 Of 03:00 "));
    QCOMPARE(form->sliderMarker(), 11);
    QCOMPARE(form->Label1->text(), QStringLiteral("Time : 00:10/03:00 "));

    player.calls.clear();
    form->Slider4->setSliderDown(true);
    form->Slider4->setSliderPosition(42);
    QCOMPARE(player.calls, QStringList {QStringLiteral("setCurrentPosition 42")});
    // A slider held by the user is not moved by the copy.
    player.setPosition(12);
    form->Timer1_Timer();
    QCOMPARE(form->Slider4->sliderPosition(), 42);
    player.setDuration(1);
    player.calls.clear();
    form->Slider4->setSliderPosition(50);
    QVERIFY(player.calls.isEmpty());
}

void TstForm6::doneClosesTheRemote()
{
    QPointer<Form6> form = Form6::open();
    QCOMPARE(Form6::instance(), form.data());
    QCOMPARE(Form6::open(), form.data());
    QTest::mouseClick(form->Label2, Qt::LeftButton);
    QTRY_VERIFY(form.isNull());
    QVERIFY(!Form6::instance());
}

QTEST_MAIN(TstForm6)
#include "tst_form6.moc"
