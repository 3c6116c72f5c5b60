// How the windows look: each is drawn as a user first sees it and compared with a picture of it taken when it was
// last checked by eye (tests/app/looks/*.png). A missing icon, a control left out of its layout, a lost colour or
// a page shown over another changes many pixels; font hinting differences change few. After a deliberate change,
// QUILLET_UPDATE_LOOKS=1 rewrites the pictures, which are then looked at before they are committed.
#include "app/form1fixture.h"
#include "appearance/form4.h"
#include "appearance/form6.h"
#include "fakes/fakemainwindow.h"
#include "playlist/form5.h"
#include "playlist/form9.h"
#include "settings/frmoptions.h"
#include "tags/id3t.h"
#include "video/form3.h"

#include <QDir>
#include <QImage>
#include <QListWidget>
#include <QMenu>
#include <QTest>

#include <functional>

using namespace quillet;
using namespace quillet::testing;

namespace {

QString lookPath(const QString &name)
{
    return QStringLiteral(QUILLET_SOURCE_DIR "/tests/app/looks/") + name + QStringLiteral(".png");
}

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
                 "video playlist", "visual options", "ID3 playlist", "remote control", "main window's Remove menu"})
            QTest::newRow(name) << QString::fromLatin1(name);
    }
    void windowLooksAsChecked()
    {
        QFETCH(QString, name);
        Form1Fixture f;
        FakeMainWindow main;
        std::unique_ptr<QWidget> other;
        QWidget *window = nullptr;
        if (name == QLatin1String("main window")) {
            f.load();
            window = &f.show();
        } else if (name == QLatin1String("main window's Remove menu")) {
            f.load();
            f.show();
            auto *menu = f.form->findChild<QMenu *>(QStringLiteral("remv"));
            menu->popup(f.form->mapToGlobal(QPoint(20, 20)));
            QVERIFY(QTest::qWaitForWindowExposed(menu));
            window = menu;
        } else if (name == QLatin1String("remote control")) {
            other.reset(Form6::open());
        } else if (name == QLatin1String("file search")) {
            // It opens on the home folder: one whose name does not change from run to run.
            qputenv("HOME", "/usr/share");
            other = std::make_unique<Form9>();
        } else if (name == QLatin1String("tag editor")) {
            auto *editor = new id3t;
            editor->setMainPlayer(&main.player);
            other.reset(editor);
        } else if (name.startsWith(QLatin1String("preferences"))) {
            auto *options = new frmOptions;
            other.reset(options);
            if (name.endsWith(QLatin1String("skins"))) {
                options->show();
                QVERIFY(QTest::qWaitForWindowExposed(options));
                QListWidget *pages = options->List1;
                QTest::mouseClick(pages->viewport(), Qt::LeftButton, {}, pages->visualItemRect(pages->item(1)).center());
            }
        } else if (name == QLatin1String("video playlist")) {
            other.reset(Form3::open());
        } else if (name == QLatin1String("ID3 playlist")) {
            other = std::make_unique<Form5>();
        } else if (name == QLatin1String("visual options")) {
            other = std::make_unique<Form4>();
        }
        if (other) {
            window = other.get();
            window->show();
            QVERIFY(QTest::qWaitForWindowExposed(window));
        }
        QTest::qWait(50);
        // The desktop's task bar and window list show the title.
        QVERIFY(!window->windowTitle().isEmpty() || qobject_cast<QMenu *>(window));
        const QImage shot = window->grab().toImage().convertToFormat(QImage::Format_RGB32);
        if (qEnvironmentVariableIsSet("QUILLET_UPDATE_LOOKS")) {
            QVERIFY(shot.save(lookPath(name)));
            return;
        }
        const QImage checked(lookPath(name));
        QVERIFY2(!checked.isNull(), qPrintable(lookPath(name)));
        const qint64 differing = differingPixels(shot, checked.convertToFormat(QImage::Format_RGB32));
        const QString now = QDir::temp().filePath(name + QStringLiteral(" (now).png"));
        if (differing > 8)
            shot.save(now);
        QVERIFY2(differing <= 8, qPrintable(QStringLiteral("%1 pixels differ; the window now is in %2").arg(differing).arg(now)));
    }
};

QTEST_MAIN(TstLooks)
#include "tst_looks.moc"
