#include "fakes/fakemainwindow.h"
#include "fakes/testenv.h"
#include "playlist/directorylist.h"
#include "playlist/drivelist.h"
#include "playlist/form8.h"

#include <QDir>
#include <QPointer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace quillet;

class TstForm8 : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void storesTheDirectoryWithOneTrailingSlash_data();
    void storesTheDirectoryWithOneTrailingSlash();
    void driveThatCannotBeReadIsIgnored();
    void opensOnceAtTheCurrentRoot();

private:
    std::unique_ptr<testing::TestEnvironment> m_env;
    std::unique_ptr<testing::FakeMainWindow> m_main;
    QTemporaryDir m_dir;
};

void TstForm8::init()
{
    m_env = std::make_unique<testing::TestEnvironment>();
    m_main = std::make_unique<testing::FakeMainWindow>();
}

void TstForm8::cleanup()
{
    Form8::unload();
    m_main.reset();
    m_env.reset();
}

void TstForm8::storesTheDirectoryWithOneTrailingSlash_data()
{
    QTest::addColumn<QString>("chosen"); // below the temporary folder unless absolute
    QTest::addColumn<QString>("stored");

    QTest::newRow("root") << "/"
                          << "/";
    QTest::newRow("folder") << "music"
                            << "music/";
    QTest::newRow("folder given with a slash") << "music/"
                                               << "music/";
    QTest::newRow("nested folder") << "music/rock"
                                   << "music/rock/";
}

void TstForm8::storesTheDirectoryWithOneTrailingSlash()
{
    QFETCH(QString, chosen);
    QFETCH(QString, stored);
    QVERIFY(QDir().mkpath(m_dir.filePath(QStringLiteral("music/rock"))));
    const auto inTemp = [this](const QString &path) {
        return path.startsWith(QLatin1Char('/')) ? path : m_dir.path() + QLatin1Char('/') + path;
    };

    QPointer<Form8> form = Form8::open();
    QCOMPARE(form->windowTitle(), QStringLiteral("Choose Root Directory"));
    QCOMPARE(form->Command1->text(), QStringLiteral("&Choose Directory"));
    QVERIFY(form->Dir1->setPath(inTemp(chosen)));
    QTest::mouseClick(form->Command1, Qt::LeftButton);
    QCOMPARE(m_main->root, inTemp(stored));
    // The chooser goes away after the choice.
    QTRY_VERIFY(form.isNull());
    QVERIFY(Form8::instance() == nullptr);
}

void TstForm8::driveThatCannotBeReadIsIgnored()
{
    const QString usable = m_dir.filePath(QStringLiteral("usable"));
    QVERIFY(QDir().mkpath(usable));
    Form8 *form = Form8::open();
    form->Drive1->setDrives(
        {{m_dir.filePath(QStringLiteral("no-medium")), QStringLiteral("gone")}, {usable, QStringLiteral("usable")}});
    form->Drive1->setCurrentIndex(1);
    QCOMPARE(form->Dir1->path(), usable);
    form->Drive1->setCurrentIndex(0);
    QCOMPARE(form->Dir1->path(), usable);
    QCOMPARE(form->Drive1->drive(), usable);
    form->Command1_Click();
    QCOMPARE(m_main->root, usable + QLatin1Char('/'));
}

void TstForm8::opensOnceAtTheCurrentRoot()
{
    const QString music = m_dir.filePath(QStringLiteral("music"));
    QVERIFY(QDir().mkpath(music));
    m_main->root = music + QLatin1Char('/');
    Form8 *form = Form8::open();
    QCOMPARE(form->Dir1->path(), music);
    QCOMPARE(form->parentWidget(), m_main->mainWidget());
    // A second request while the chooser is open brings the same window back instead of stacking another.
    QCOMPARE(Form8::open(), form);
    // Closing without a choice leaves the root directory alone.
    QPointer<Form8> closed = form;
    form->close();
    QTRY_VERIFY(closed.isNull());
    QCOMPARE(m_main->root, music + QLatin1Char('/'));
}

QTEST_MAIN(TstForm8)
#include "tst_form8.moc"
