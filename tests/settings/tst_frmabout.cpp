// The about window: its credits scroll under the real timer until EXIT or the close box stops them.
#include "fakes/fakedialogs.h"
#include "settings/creditsview.h"
#include "settings/frmabout.h"

#include <QLabel>
#include <QTest>

using namespace quillet;
using namespace quillet::testing;

namespace {

// How many pixels of the widget, drawn as it is now, have the colour.
int pixelsIn(QWidget *widget, const QColor &colour)
{
    const QImage shot = widget->grab().toImage();
    int count = 0;
    for (int y = 0; y < shot.height(); ++y)
        for (int x = 0; x < shot.width(); ++x)
            count += shot.pixelColor(x, y) == colour;
    return count;
}

} // namespace

class TestFrmAbout : public QObject
{
    Q_OBJECT
private slots:
    void scrollsUpAndWrapsInTheOtherColour();
    void closingStopsTheScroll_data();
    void closingStopsTheScroll();
    void unmeasurableTextIsReported();
};

void TestFrmAbout::scrollsUpAndWrapsInTheOtherColour()
{
    FakeDialogs dialogs;
    frmAbout about;
    about.setCreditsText(QStringLiteral("Quillet\nline two"));
    // A low scroll area makes a whole pass short.
    about.picScroll->setFixedHeight(60);
    about.show();
    QVERIFY(about.lblExit->isVisible());
    // The window's dark blue, under its yellow and white text.
    QCOMPARE(about.grab().toImage().pixelColor(1, 1), QColor(10, 14, 40));
    QTRY_VERIFY(about.picScroll->frame());
    const QColor first = about.picScroll->frame()->colour;
    QCOMPARE(about.picScroll->frame()->rect.top(), about.picScroll->height());
    const int before = pixelsIn(about.picScroll, first);
    // The real timer moves the text up, one pixel a frame, and after a whole pass it starts again at the bottom
    // in the other colour; on its way the text is seen in its colour.
    QTRY_VERIFY(about.picScroll->frame()->rect.top() < about.picScroll->height() - 20);
    QVERIFY2(pixelsIn(about.picScroll, first) > before + 20, "the credits are not drawn");
    QTRY_VERIFY_WITH_TIMEOUT(about.picScroll->frame()->colour != first, 30000);
    QVERIFY(about.picScroll->frame()->rect.top() > about.picScroll->height() - 40);
    QVERIFY(dialogs.messages.isEmpty());
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
    FakeDialogs dialogs;
    frmAbout about;
    about.show();
    QVERIFY(QTest::qWaitForWindowExposed(&about));
    QTRY_VERIFY(about.isScrolling());
    if (byExit) {
        // EXIT turns red under the mouse and yellow again when the mouse leaves it; only a left click on it closes.
        const auto drawnIn = [&about](QColor colour) { return pixelsIn(about.lblExit, colour) > 10; };
        const QColor red(255, 0, 0), yellow(255, 255, 0);
        QVERIFY(drawnIn(yellow) && !drawnIn(red));
        QTest::mouseMove(about.lblExit, about.lblExit->rect().center());
        QTRY_VERIFY(drawnIn(red) && !drawnIn(yellow));
        QTest::mouseClick(about.lblExit, Qt::RightButton, {}, about.lblExit->rect().center());
        QTest::mouseClick(about.lblExit, Qt::MiddleButton, {}, about.lblExit->rect().center());
        QVERIFY(about.isVisible());
        QTest::mouseMove(&about, {5, 5});
        QTRY_VERIFY(drawnIn(yellow) && !drawnIn(red));
        QTest::mouseClick(about.lblExit, Qt::LeftButton);
    } else {
        about.close();
    }
    QVERIFY(!about.isVisible());
    QVERIFY(!about.isScrolling());
    const int top = about.scroller().rect().top();
    QTest::qWait(100);
    QCOMPARE(about.scroller().rect().top(), top);
}

void TestFrmAbout::unmeasurableTextIsReported()
{
    FakeDialogs dialogs;
    frmAbout about;
    about.setCreditsText(QString());
    about.show();
    QTRY_COMPARE(dialogs.messages, QStringList {QStringLiteral("Error scrolling text")});
    QVERIFY(!about.isVisible());
}

QTEST_MAIN(TestFrmAbout)
#include "tst_frmabout.moc"
