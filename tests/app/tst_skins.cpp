// Skins on the real main window under a real X server: after Apply every caption, label, field, icon and the
// playlist is drawn in the skin's two colours with readable contrast, and a picture lies behind the controls.
#include "form1fixture.h"

#include "appearance/form4.h"
#include "fakes/xvfb.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QStyleOptionButton>

#include <cmath>

using namespace quillet;
using namespace quillet::testing;

namespace {

double luminance(QColor colour)
{
    const auto channel = [](double c) { return c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4); };
    return 0.2126 * channel(colour.redF()) + 0.7152 * channel(colour.greenF()) + 0.0722 * channel(colour.blueF());
}

double contrast(QColor a, QColor b)
{
    const double la = luminance(a);
    const double lb = luminance(b);
    return (qMax(la, lb) + 0.05) / (qMin(la, lb) + 0.05);
}

// The contrast between the text (or picture) pixels of an area and the area's background: its most common colour
// against the pixel that stands out most from it.
double areaContrast(const QImage &image, const QRect &area)
{
    QHash<QRgb, int> counts;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x)
            ++counts[image.pixel(x, y)];
    }
    QRgb background = 0;
    int most = 0;
    for (auto it = counts.cbegin(); it != counts.cend(); ++it) {
        if (it.value() > most) {
            most = it.value();
            background = it.key();
        }
    }
    double best = 1;
    for (auto it = counts.cbegin(); it != counts.cend(); ++it)
        best = qMax(best, contrast(QColor(background), QColor(it.key())));
    return best;
}

// The areas of the main window that show text or a picture, by a name for the failure message.
QList<QPair<QString, QRect>> textAreas(Form1 &main)
{
    QList<QPair<QString, QRect>> areas;
    const auto add = [&](const QString &name, QWidget *widget, QRect inside) {
        if (widget->isVisible() && !inside.isEmpty())
            areas.append({name, QRect(widget->mapTo(&main, inside.topLeft()), inside.size()) & main.rect()});
    };
    for (QLabel *label : main.findChildren<QLabel *>()) {
        if (!label->text().trimmed().isEmpty())
            add(QStringLiteral("label \"%1\"").arg(label->text()), label, label->contentsRect());
    }
    for (QAbstractButton *button : main.findChildren<QAbstractButton *>()) {
        if (auto *box = qobject_cast<QCheckBox *>(button)) {
            QStyleOptionButton option;
            option.initFrom(box);
            option.text = box->text();
            add(box->text(), box, box->style()->subElementRect(QStyle::SE_CheckBoxContents, &option, box));
        } else if (!button->icon().isNull()) {
            add(QStringLiteral("icon of ") + button->toolTip(), button, button->rect().adjusted(2, 2, -2, -2));
        }
    }
    // The playlist's rows, inside its frame.
    add(QStringLiteral("playlist"), main.List1->viewport(), main.List1->viewport()->rect().adjusted(2, 2, -2, -2));
    return areas;
}

} // namespace

class TstSkins : public QObject
{
    Q_OBJECT

private slots:
    void everyTextIsReadable_data();
    void everyTextIsReadable();
    void pictureLiesBehindTheControls();
};

void TstSkins::everyTextIsReadable_data()
{
    QTest::addColumn<int>("background"); // 0x00BBGGRR
    QTest::addColumn<int>("text");
    QTest::newRow("light") << 0xFFFFFF << 0x000000;
    QTest::newRow("dark") << 0x202020 << 0xE0E0E0;
    QTest::newRow("yellow on blue") << 0x803000 << 0x00FFFF;
}

void TstSkins::everyTextIsReadable()
{
    QFETCH(int, background);
    QFETCH(int, text);
    Form1Fixture fixture;
    fixture.writeDefaultPlaylist("First Song.mp3\r\nSecond Song.mp3\r\nThird Song.mp3\r\n");
    Form1 &main = fixture.load();
    main.show();
    QVERIFY(QTest::qWaitForWindowExposed(&main));
    QVERIFY(main.List1->count() == 3);
    main.List1->clearSelection();

    Form4 options;
    Skin skin;
    skin.backgroundColour = background;
    skin.textColour = text;
    options.setSkin(skin);
    options.show();
    QTest::mouseClick(options.Command1, Qt::LeftButton);
    main.List1->clearSelection();
    QApplication::processEvents();

    const QImage shot = main.grab().toImage();
    if (qEnvironmentVariableIsSet("QUILLET_SCREENSHOT_DIR"))
        shot.save(qEnvironmentVariable("QUILLET_SCREENSHOT_DIR")
            + QStringLiteral("/skin-%1.png").arg(QLatin1String(QTest::currentDataTag())));
    const double wanted = qMin(4.5,
        contrast(QColor(background & 0xFF, (background >> 8) & 0xFF, background >> 16),
            QColor(text & 0xFF, (text >> 8) & 0xFF, text >> 16)));
    const QList<QPair<QString, QRect>> areas = textAreas(main);
    QVERIFY(areas.size() > 20);
    QStringList unreadable;
    for (const auto &[name, area] : areas) {
        const double found = areaContrast(shot, area);
        if (found < wanted)
            unreadable << QStringLiteral("%1 %2:1").arg(name).arg(found, 0, 'f', 1);
    }
    QVERIFY2(unreadable.isEmpty(), qPrintable(unreadable.join(QStringLiteral(", "))));
}

void TstSkins::pictureLiesBehindTheControls()
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
    skin.pictureOn = 1;
    skin.pictureFile = path;
    options.setSkin(skin);
    options.Command1_Click();
    // Down the window's left margin: the picture unscaled at the top, the background colour below it.
    const QImage grab = main.grab().toImage();
    for (int y = 0; y < main.height(); ++y) {
        if (!main.childAt(1, y))
            QCOMPARE(grab.pixelColor(1, y), y < picture.height() ? QColor(200, 30, 90) : QColor(0x30, 0x20, 0x10));
    }
    options.Check2->setChecked(false);
    options.Command1_Click();
    QCOMPARE(main.grab().toImage().pixelColor(1, main.height() - 2), QColor(0x30, 0x20, 0x10));
}

int main(int argc, char *argv[])
{
    return runOnXvfb([&] {
        QApplication app(argc, argv);
        TstSkins test;
        return QTest::qExec(&test, argc, argv);
    });
}

#include "tst_skins.moc"
