// How the windows look: each is drawn as a user first sees it and compared with a picture of it taken when it was
// last checked by eye (tests/app/looks/*.png). A missing icon, a control left out of its layout, a lost colour or
// a page shown over another changes many pixels; font hinting differences change few. After a deliberate change,
// QUILLET_UPDATE_LOOKS=1 rewrites the pictures, which are then looked at before they are committed.
#include "app/form1fixture.h"
#include "app/frmsplash.h"
#include "appearance/form4.h"
#include "appearance/form6.h"
#include "fakes/fakemainwindow.h"
#include "playlist/form5.h"
#include "playlist/form9.h"
#include "settings/frmabout.h"
#include "settings/frmoptions.h"
#include "tags/id3t.h"
#include "video/form3.h"

#include <QDir>
#include <QHash>
#include <QImage>
#include <QListWidget>
#include <QMenu>

#include <functional>

using namespace quillet;
using namespace quillet::testing;
using namespace Qt::StringLiterals;

namespace {

// The number of pixels that differ by more than a little in any channel.
qint64 differingPixels(const QImage &a, const QImage &b)
{
    if (a.size() != b.size())
        return qint64(a.width()) * a.height();
    qint64 differing = 0;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y);
            const QRgb q = b.pixel(x, y);
            if (qAbs(qRed(p) - qRed(q)) > 40 || qAbs(qGreen(p) - qGreen(q)) > 40 || qAbs(qBlue(p) - qBlue(q)) > 40)
                ++differing;
        }
    }
    return differing;
}

} // namespace

class TstLooks : public QObject
{
    Q_OBJECT

private slots:
    // The text cursor stays on instead of blinking, so that a picture never catches it half way.
    void initTestCase() { QApplication::setCursorFlashTime(0); }
    void windowLooksAsChecked_data()
    {
        QTest::addColumn<QString>("name");
        for (const char *name : {"main window", "file search", "tag editor", "preferences", "preferences, skins",
                 "video playlist", "visual options", "ID3 playlist", "remote control", "main window's Remove menu",
                 "splash window", "about window"})
            QTest::newRow(name) << QString::fromLatin1(name);
    }
    void windowLooksAsChecked()
    {
        QFETCH(QString, name);
        Form1Fixture f;
        FakeMainWindow main;
        // The other windows are opened on their own, as their commands open them.
        const QHash<QString, std::function<QWidget *()>> make = {{u"remote control"_s, [] { return Form6::open(); }},
            {u"video playlist"_s, [] { return Form3::open(); }}, {u"ID3 playlist"_s, [] { return new Form5; }},
            {u"visual options"_s, [] { return new Form4; }}, {u"preferences"_s, [] { return new frmOptions; }},
            {u"preferences, skins"_s, [] { return new frmOptions; }},
            {u"tag editor"_s,
                [&main] {
                    auto *editor = new id3t;
                    editor->setMainPlayer(&main.player);
                    return editor;
                }},
            // It opens on the home folder: one whose name does not change from run to run.
            {u"file search"_s, [] { return qputenv("HOME", "/usr/share"), new Form9; }},
            // Its bar stands still at the start for the picture.
            {u"splash window"_s,
                [] {
                    auto *splash = new frmSplash({});
                    splash->Timer1->stop();
                    return splash;
                }},
            // Its clock stands still, so that the credits wait below the picture.
            {u"about window"_s, [] {
                 auto *about = new frmAbout;
                 about->setClock([] { return qint64(4000); });
                 return about;
             }}};
        std::unique_ptr<QWidget> other(make.contains(name) ? make.value(name)() : nullptr);
        QWidget *window = other.get();
        if (other) {
            window->show();
            QVERIFY(QTest::qWaitForWindowExposed(window));
        } else {
            f.load();
            window = &f.show();
        }
        if (auto *options = qobject_cast<frmOptions *>(window); options && name.endsWith(u"skins"_s)) {
            QListWidget *pages = options->List1;
            QTest::mouseClick(pages->viewport(), Qt::LeftButton, {}, pages->visualItemRect(pages->item(1)).center());
        } else if (name == u"main window's Remove menu"_s) {
            auto *menu = f.form->findChild<QMenu *>(u"remv"_s);
            menu->popup(f.form->mapToGlobal(QPoint(20, 20)));
            QVERIFY(QTest::qWaitForWindowExposed(menu));
            window = menu;
        }
        QTest::qWait(50);
        // The desktop's task bar and window list show the title; a menu and the splash window have no place there.
        QVERIFY(!window->windowTitle().isEmpty() || qobject_cast<QMenu *>(window)
            || window->windowType() == Qt::SplashScreen);
        const QImage shot = window->grab().toImage().convertToFormat(QImage::Format_RGB32);
        const QString look = QStringLiteral(QUILLET_SOURCE_DIR "/tests/app/looks/") + name + u".png"_s;
        if (qEnvironmentVariableIsSet("QUILLET_UPDATE_LOOKS")) {
            QVERIFY(shot.save(look));
            return;
        }
        const QImage checked(look);
        QVERIFY2(!checked.isNull(), qPrintable(look));
        const qint64 differing = differingPixels(shot, checked.convertToFormat(QImage::Format_RGB32));
        const QString now = QDir::temp().filePath(name + u" (now).png"_s);
        if (differing > 8)
            shot.save(now);
        QVERIFY2(differing <= 8, qPrintable(u"%1 pixels differ; the window now is in %2"_s.arg(differing).arg(now)));
    }
};

QTEST_MAIN(TstLooks)
#include "tst_looks.moc"
