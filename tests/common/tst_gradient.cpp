#include "common/gradient.h"

#include <QImage>
#include <QPainter>
#include <QTest>

using namespace quillet;

class TstGradient : public QObject
{
    Q_OBJECT

private slots:
    void blueOfLine_data();
    void blueOfLine();
    void fillsEveryRowFromBlackToBlue_data();
    void fillsEveryRowFromBlackToBlue();
};

void TstGradient::blueOfLine_data()
{
    QTest::addColumn<int>("line");
    QTest::addColumn<int>("blue");

    QTest::newRow("top") << 0 << 0;
    QTest::newRow("0.51 rounds up") << 1 << 1;
    QTest::newRow("25.5 goes to even 26") << 50 << 26;
    QTest::newRow("76.5 goes to even 76") << 150 << 76;
    QTest::newRow("127.5 goes to even 128") << 250 << 128;
    QTest::newRow("178.5 goes to even 178") << 350 << 178;
    QTest::newRow("254.49") << 499 << 254;
    QTest::newRow("bottom") << 500 << 255;
}

void TstGradient::blueOfLine()
{
    QFETCH(int, line);
    QFETCH(int, blue);
    QCOMPARE(gradientBlue(line), blue);
}

void TstGradient::fillsEveryRowFromBlackToBlue_data()
{
    QTest::addColumn<int>("height");
    QTest::newRow("short") << 37;
    QTest::newRow("exactly 501 rows") << 501;
    QTest::newRow("tall") << 1200;
}

void TstGradient::fillsEveryRowFromBlackToBlue()
{
    QFETCH(int, height);
    QImage image(20, height + 10, QImage::Format_RGB32);
    image.fill(Qt::red);
    {
        QPainter painter(&image);
        paintGradient(painter, QRect(0, 5, 20, height));
    }
    // Outside the area nothing is painted.
    QCOMPARE(QColor(image.pixel(0, 4)), QColor(Qt::red));
    QCOMPARE(QColor(image.pixel(0, height + 5)), QColor(Qt::red));
    QCOMPARE(QColor(image.pixel(0, 5)), QColor(0, 0, 0));
    QCOMPARE(QColor(image.pixel(19, height + 4)), QColor(0, 0, 255));
    int previous = -1;
    for (int y = 5; y < height + 5; ++y) {
        const QColor colour(image.pixel(10, y));
        QCOMPARE(colour.red(), 0);
        QCOMPARE(colour.green(), 0);
        QVERIFY2(colour.blue() >= previous, qPrintable(QStringLiteral("row %1").arg(y)));
        previous = colour.blue();
    }
    if (height == 501) {
        // One row for each line.
        for (int line = 0; line <= 500; ++line)
            QCOMPARE(QColor(image.pixel(0, 5 + line)).blue(), gradientBlue(line));
    }
}

QTEST_GUILESS_MAIN(TstGradient)
#include "tst_gradient.moc"
