// Skins on the real main window: what the window shows after Apply, read from a grab of it.
#include "form1fixture.h"

#include "appearance/form4.h"

#include <QCheckBox>
#include <QLabel>

using namespace quillet;
using namespace quillet::testing;

namespace {

// Points of the window's own background (no control over them): down its left margin, top to bottom.
QList<QPoint> backgroundPoints(QWidget &window)
{
    QList<QPoint> points;
    for (int y = 0; y < window.height(); ++y) {
        if (!window.childAt(1, y))
            points << QPoint(1, y);
    }
    return points;
}

} // namespace

class TstSkins : public QObject
{
    Q_OBJECT

private slots:
    void gradient_data();
    void gradient();
    void pictureSkin();
};

void TstSkins::gradient_data()
{
    QTest::addColumn<int>("spread");
    QTest::newRow("s 0") << 0;
    QTest::newRow("s 1") << 1;
}

void TstSkins::gradient()
{
    QFETCH(int, spread);
    Form1Fixture fixture;
    Form1 &main = fixture.load();
    main.show();
    QVERIFY(QTest::qWaitForWindowExposed(&main));
    Form4 options;
    options.loadAtStartup(QString());
    Skin skin;
    skin.backgroundColour = 0x102030;
    skin.gradientOn = 1;
    skin.gradientRed = 40;
    skin.gradientGreen = 60;
    skin.gradientSpread = qint16(spread);
    options.setSkin(skin);
    options.Command1_Click();

    const QImage grab = main.grab().toImage();
    const QList<QPoint> points = backgroundPoints(main);
    QVERIFY(points.size() > main.height() / 4);
    QCOMPARE(points.first().y(), 0);
    QCOMPARE(points.last().y(), main.height() - 1);
    const QColor plain(0x30, 0x20, 0x10);
    if (spread == 0) {
        // No gradient line: the plain background from top to bottom.
        for (const QPoint &point : points)
            QCOMPARE(grab.pixelColor(point), plain);
        return;
    }
    // Blue 0 in the top line, then 100 and 200, and full blue for every line below, the lowest third included.
    QCOMPARE(grab.pixelColor(points.first()), QColor(40, 60, 0));
    int fullBlue = 0;
    for (const QPoint &point : points) {
        const QColor colour = grab.pixelColor(point);
        QCOMPARE(colour.red(), 40);
        QCOMPARE(colour.green(), 60);
        QVERIFY2(QList<int>({0, 100, 200, 255}).contains(colour.blue()), qPrintable(QString::number(point.y())));
        fullBlue += colour.blue() == 255 ? 1 : 0;
    }
    QVERIFY(fullBlue >= points.size() - 4);
    QCOMPARE(grab.pixelColor(points.last()), QColor(40, 60, 255));
}

void TstSkins::pictureSkin()
{
    Form1Fixture fixture;
    Form1 &main = fixture.load();
    main.show();
    QVERIFY(QTest::qWaitForWindowExposed(&main));
    QImage picture(60, main.height() / 2, QImage::Format_RGB32);
    picture.fill(QColor(200, 30, 90));
    const QString path = fixture.env.path(QStringLiteral("ground.png"));
    QVERIFY(picture.save(path));

    Form4 options;
    Skin skin;
    skin.backgroundColour = 0x102030;
    skin.textColour = 0x00FFFF;
    skin.pictureOn = 1;
    skin.pictureFile = path;
    options.setSkin(skin);
    options.Command1_Click();

    // The picture lies unscaled at the top left; below it the background colour shows.
    const QImage grab = main.grab().toImage();
    const QList<QPoint> points = backgroundPoints(main);
    for (const QPoint &point : points) {
        const QColor expected = point.y() < picture.height() ? QColor(200, 30, 90) : QColor(0x30, 0x20, 0x10);
        QCOMPARE(grab.pixelColor(point), expected);
    }
    QCOMPARE(main.Label9->palette().color(QPalette::WindowText), QColor(255, 255, 0));

    // With the picture switched off the window shows its colour again.
    options.Check2->setChecked(false);
    options.Command1_Click();
    QCOMPARE(main.grab().toImage().pixelColor(points.first()), QColor(0x30, 0x20, 0x10));
}

QTEST_MAIN(TstSkins)
#include "tst_skins.moc"
