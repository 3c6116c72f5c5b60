// The window background: black at the top of the area to blue at its bottom, nothing painted outside it.
#include "common/gradient.h"

#include <QImage>
#include <QPainter>
#include <QTest>

using namespace quillet;

class TstGradient : public QObject
{
    Q_OBJECT

private slots:
    void fillsTheAreaFromBlackToBlue_data();
    void fillsTheAreaFromBlackToBlue();
};

void TstGradient::fillsTheAreaFromBlackToBlue_data()
{
    QTest::addColumn<int>("height");
    QTest::newRow("shorter than the gradient") << 37;
    QTest::newRow("taller than the gradient") << 1200;
}

void TstGradient::fillsTheAreaFromBlackToBlue()
{
    QFETCH(int, height);
    QImage image(20, height + 10, QImage::Format_RGB32);
    image.fill(Qt::red);
    {
        QPainter painter(&image);
        paintGradient(painter, QRect(0, 5, 20, height));
    }
    QCOMPARE(QColor(image.pixel(0, 4)), QColor(Qt::red));
    QCOMPARE(QColor(image.pixel(0, height + 5)), QColor(Qt::red));
    QCOMPARE(QColor(image.pixel(0, 5)), QColor(0, 0, 0));
    QCOMPARE(QColor(image.pixel(19, height + 4)), QColor(0, 0, 255));
    int previous = -1;
    for (int y = 5; y < height + 5; ++y) {
        const QColor colour(image.pixel(10, y));
        QVERIFY2(colour.red() == 0 && colour.green() == 0 && colour.blue() >= previous,
            qPrintable(QStringLiteral("row %1").arg(y)));
        previous = colour.blue();
    }
}

QTEST_GUILESS_MAIN(TstGradient)
#include "tst_gradient.moc"
