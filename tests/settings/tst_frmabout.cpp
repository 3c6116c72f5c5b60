#include "fakes/fakedialogs.h"
#include "fakes/testenv.h"
#include "settings/creditsview.h"
#include "settings/frmabout.h"

#include <QEnterEvent>
#include <QLabel>
#include <QTest>

using namespace quillet;
using namespace quillet::testing;

namespace {

const QColor kYellow(255, 255, 0);
const QColor kRed(255, 0, 0);

// Whether the label shows text in the colour (some pixel close to it).
bool showsColour(QLabel *label, const QColor &colour)
{
    const QImage image = label->grab().toImage();
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor pixel = image.pixelColor(x, y);
            if (qAbs(pixel.red() - colour.red()) < 40 && qAbs(pixel.green() - colour.green()) < 40
                && qAbs(pixel.blue() - colour.blue()) < 40)
                return true;
        }
    }
    return false;
}

} // namespace

class TestFrmAbout : public QObject
{
    Q_OBJECT
private slots:
    void scrollsUpWrapsAndSwapsColour();
    void framesNeedMoreThanTwentyMilliseconds();
    void timerScrollsTheText();
    void closingStopsTheScroll_data();
    void closingStopsTheScroll();
    void exitTurnsRedUnderTheMouse();
    void unmeasurableTextIsReported();
};

void TestFrmAbout::scrollsUpWrapsAndSwapsColour()
{
    TestEnvironment env;
    FakeDialogs dialogs;
    qint64 now = 1000;
    frmAbout about;
    about.setClock([&now] { return now; });
    about.setCreditsText(QStringLiteral("Quillet MP3 Player 1.3 R\nline two\nline three"));
    about.show();
    QTRY_VERIFY(about.isScrolling());

    const int areaHeight = about.picScroll->height();
    const int textHeight = about.picScroll->textHeight();
    QVERIFY(textHeight > 0);
    // One pass draws frames at the bottom edge, then one pixel higher each, until the text is 50 pixels above
    // the top; then it starts from the bottom again in the other colour.
    const int framesPerPass = areaHeight + textHeight + 51;
    const QColor colours[] = {kYellow, kRed, kYellow};
    for (int pass = 0; pass < 3; ++pass) {
        const QColor colour = colours[pass];
        for (int frame = 0; frame < framesPerPass; ++frame) {
            // The first frame was drawn when the window showed.
            if (pass > 0 || frame > 0) {
                now += 21;
                about.tmrScroll_Timer();
            }
            const std::optional<CreditsScroller::Frame> shown = about.picScroll->frame();
            QVERIFY(shown);
            QCOMPARE(shown->rect.top(), areaHeight - frame);
            QCOMPARE(shown->rect.height(), textHeight + 100);
            QCOMPARE(shown->rect.width(), about.picScroll->width());
            QCOMPARE(shown->colour, colour);
        }
    }
    QVERIFY(dialogs.messages.isEmpty());
}

void TestFrmAbout::framesNeedMoreThanTwentyMilliseconds()
{
    TestEnvironment env;
    FakeDialogs dialogs;
    qint64 now = 5000;
    frmAbout about;
    about.setClock([&now] { return now; });
    about.show();
    QTRY_VERIFY(about.picScroll->frame());
    const int top = about.picScroll->frame()->rect.top();
    now += 20;
    about.tmrScroll_Timer();
    QCOMPARE(about.picScroll->frame()->rect.top(), top);
    now += 1;
    about.tmrScroll_Timer();
    QCOMPARE(about.picScroll->frame()->rect.top(), top - 1);
    about.tmrScroll_Timer();
    QCOMPARE(about.picScroll->frame()->rect.top(), top - 1);
}

void TestFrmAbout::timerScrollsTheText()
{
    TestEnvironment env;
    FakeDialogs dialogs;
    frmAbout about;
    about.show();
    QTRY_VERIFY(about.picScroll->frame());
    QCOMPARE(about.picScroll->frame()->rect.top(), about.picScroll->height());
    // With the real clock the timer alone moves the text.
    QTRY_VERIFY(about.picScroll->frame()->rect.top() < about.picScroll->height() - 3);
}

void TestFrmAbout::closingStopsTheScroll_data()
{
    QTest::addColumn<bool>("byExit");
    QTest::newRow("EXIT clicked") << true;
    QTest::newRow("window closed") << false;
}

void TestFrmAbout::closingStopsTheScroll()
{
    QFETCH(bool, byExit);
    TestEnvironment env;
    FakeDialogs dialogs;
    qint64 now = 0;
    frmAbout about;
    about.setClock([&now] { return now; });
    about.show();
    QTRY_VERIFY(about.isScrolling());
    if (byExit)
        QTest::mouseClick(about.lblExit, Qt::LeftButton);
    else
        about.close();
    QVERIFY(!about.isVisible());
    QVERIFY(!about.isScrolling());
    // Nothing moves once it is closed, and showing it again does not restart the routine.
    const int top = about.scroller().rect().top();
    now += 1000;
    QTest::qWait(60);
    QCOMPARE(about.scroller().rect().top(), top);
    about.show();
    QTest::qWait(30);
    QVERIFY(!about.isScrolling());
}

void TestFrmAbout::exitTurnsRedUnderTheMouse()
{
    TestEnvironment env;
    FakeDialogs dialogs;
    frmAbout about;
    about.show();
    QVERIFY(QTest::qWaitForWindowExposed(&about));
    QVERIFY(showsColour(about.lblExit, kYellow));
    QVERIFY(!showsColour(about.lblExit, kRed));
    QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
    QApplication::sendEvent(about.lblExit, &enter);
    QVERIFY(showsColour(about.lblExit, kRed));
    QVERIFY(!showsColour(about.lblExit, kYellow));
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(about.lblExit, &leave);
    QVERIFY(showsColour(about.lblExit, kYellow));
    QVERIFY(about.isVisible());
}

void TestFrmAbout::unmeasurableTextIsReported()
{
    TestEnvironment env;
    FakeDialogs dialogs;
    frmAbout about;
    about.setCreditsText(QString());
    about.show();
    QTRY_COMPARE(dialogs.messages, QStringList {QStringLiteral("Error scrolling text")});
    QVERIFY(!about.isVisible());
    QVERIFY(!about.isScrolling());
}

QTEST_MAIN(TestFrmAbout)
#include "tst_frmabout.moc"
