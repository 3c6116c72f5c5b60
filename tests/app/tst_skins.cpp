// Skins on the real main window under a real X server: after Apply, in light, dark and saturated skins alike,
// every caption, label, field, icon and playlist row reads at 4.5:1 on screen and the edges of the fields, the
// playlist and the MUTE box show at 3:1 against the window; a picture lies behind the controls.
#include "form1fixture.h"

#include "appearance/form4.h"
#include "common/colour.h"
#include "common/contrast.h"
#include "fakes/xvfb.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyleOptionButton>

#include <algorithm>

using namespace Qt::StringLiterals;
using namespace quillet;
using namespace quillet::testing;

namespace {

// The contrast between the text (or picture) pixels of an area and the area's ground: its most common colour
// against the pixel that stands out most from it.
double areaContrast(const QImage &image, const QRect &area)
{
    QHash<QRgb, int> counts;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x)
            ++counts[image.pixel(x, y)];
    }
    const QColor ground(std::max_element(counts.cbegin(), counts.cend()).key());
    double best = 1;
    for (auto it = counts.cbegin(); it != counts.cend(); ++it)
        best = qMax(best, contrastRatio(ground, QColor(it.key())));
    return best;
}

// How well the edge of a control stands out from the window: along each side, the outer two pixels that differ
// most from the window's colour; a side counts by its middle value (a rounded corner or a caption crossing it
// does not decide), and the edge by its weakest side.
double edgeContrast(const QImage &image, const QRect &control, const QColor &window)
{
    const auto sideContrast = [&](QPoint from, QPoint along, QPoint inward, int length) {
        QList<double> values;
        for (int i = 4; i < length - 4; ++i) {
            double best = 1;
            for (int depth = 0; depth < 2; ++depth) {
                const QPoint at = from + along * i + inward * depth;
                if (image.rect().contains(at))
                    best = qMax(best, contrastRatio(window, image.pixelColor(at)));
            }
            values << best;
        }
        if (values.isEmpty())
            return 1.0;
        std::sort(values.begin(), values.end());
        return values.at(values.size() / 2);
    };
    const QRect r = control;
    return std::min({sideContrast(r.topLeft(), {1, 0}, {0, 1}, r.width()),
        sideContrast(r.bottomLeft(), {1, 0}, {0, -1}, r.width()), sideContrast(r.topLeft(), {0, 1}, {1, 0}, r.height()),
        sideContrast(r.topRight(), {0, 1}, {-1, 0}, r.height())});
}

QRect inWindow(QWidget *window, QWidget *widget, const QRect &inside)
{
    return QRect(widget->mapTo(window, inside.topLeft()), inside.size());
}

// The areas of the main window that show text or a picture, by a name for the failure message.
QList<QPair<QString, QRect>> textAreas(Form1 &main)
{
    QList<QPair<QString, QRect>> areas;
    const auto add = [&](const QString &name, QWidget *widget, QRect inside) {
        if (widget->isVisible() && !inside.isEmpty())
            areas.append({name, inWindow(&main, widget, inside) & main.rect()});
    };
    for (QLabel *label : main.findChildren<QLabel *>()) {
        if (!label->text().trimmed().isEmpty())
            add(u"label \"%1\""_s.arg(label->text()), label, label->contentsRect());
    }
    for (QAbstractButton *button : main.findChildren<QAbstractButton *>()) {
        if (auto *box = qobject_cast<QCheckBox *>(button)) {
            QStyleOptionButton option;
            option.initFrom(box);
            option.text = box->text();
            add(box->text(), box, box->style()->subElementRect(QStyle::SE_CheckBoxContents, &option, box));
        } else if (!button->icon().isNull()) {
            add(u"icon of "_s + button->toolTip(), button, button->rect().adjusted(2, 2, -2, -2));
        } else if (!button->text().isEmpty()) {
            add(u"button \"%1\""_s.arg(button->text()), button, button->rect().adjusted(3, 3, -3, -3));
        }
    }
    for (QLineEdit *field : {main.Text3, main.Text4, main.Text5, main.Text6, main.Text7})
        add(u"field \"%1\""_s.arg(field->text()), field, field->rect().adjusted(3, 3, -3, -3));
    add(u"playlist"_s, main.List1->viewport(), main.List1->viewport()->rect().adjusted(2, 2, -2, -2));
    return areas;
}

// The controls whose edges must show against the window.
QList<QPair<QString, QRect>> edgedControls(Form1 &main)
{
    QList<QPair<QString, QRect>> controls;
    for (QLineEdit *field : {main.Text4, main.Text5, main.Text6, main.Text7})
        controls.append({field->accessibleName() + u" field"_s, inWindow(&main, field, field->rect())});
    controls.append({u"playlist frame"_s, inWindow(&main, main.List1, main.List1->rect())});
    QStyleOptionButton option;
    option.initFrom(main.Option1);
    controls.append({u"MUTE box"_s,
        inWindow(&main, main.Option1,
            main.Option1->style()->subElementRect(QStyle::SE_CheckBoxIndicator, &option, main.Option1))});
    for (QPushButton *button : main.findChildren<QPushButton *>()) {
        if (button->isVisible())
            controls.append({u"button \"%1\""_s.arg(button->text()), inWindow(&main, button, button->rect())});
    }
    return controls;
}

} // namespace

class TstSkins : public QObject
{
    Q_OBJECT

private slots:
    void textReadsAndEdgesShow_data()
    {
        QTest::addColumn<int>("background"); // 0x00BBGGRR
        QTest::addColumn<int>("text");
        QTest::newRow("light") << 0xFFFFFF << 0x000000;
        QTest::newRow("dark") << 0x202020 << 0xE0E0E0;
        QTest::newRow("yellow on blue") << 0xFF0000 << 0x00FFFF;
        QTest::newRow("red on green") << 0x008000 << 0x0000FF;
        QTest::newRow("reset colours") << 0x808080 << 0xE0E0E0;
    }
    void textReadsAndEdgesShow()
    {
        QFETCH(int, background);
        QFETCH(int, text);
        Form1Fixture fixture;
        const QString song = fixture.env.path(u"Tagged Song.mp3"_s);
        QVERIFY(QFile::copy(testData(u"tags-v23.mp3"_s), song));
        fixture.writeDefaultPlaylist(song.toUtf8() + "\r\nSecond Song.mp3\r\nThird Song.mp3\r\n");
        Form1 &main = fixture.show();
        QVERIFY(main.List1->count() == 3);
        // A song plays and is clicked: its tag fills the fields and the song information line.
        fixture.clickEntry(0, true);
        fixture.player().emitMediaOpened();
        QVERIFY(!main.Text4->text().isEmpty() && !main.Text3->text().isEmpty());
        main.List1->clearSelection();
        main.Option1->setFocus();
        main.Option1->clearFocus();

        Form4 options;
        Skin skin;
        skin.backgroundColour = background;
        skin.textColour = text;
        options.setSkin(skin);
        options.Command1_Click();
        main.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&main));

        // What the X server shows, once the window has been painted in the skin.
        QImage shot;
        QColor window;
        QTRY_VERIFY_WITH_TIMEOUT((shot = main.screen()->grabWindow(main.winId()).toImage(),
                                     window = QColor(shot.pixel(2, main.height() - 2)),
                                     contrastRatio(window, colourFromValue(ColourValue(background))) < 1.5),
            5000);
        QStringList faults;
        const QList<QPair<QString, QRect>> areas = textAreas(main);
        QVERIFY(areas.size() > 25);
        for (const auto &[name, area] : areas) {
            const double found = areaContrast(shot, area);
            if (found < TextContrast)
                faults << u"%1 %2:1"_s.arg(name).arg(found, 0, 'f', 2);
        }
        for (const auto &[name, area] : edgedControls(main)) {
            const double found = edgeContrast(shot, area, window);
            if (found < EdgeContrast)
                faults << u"edge of %1 %2:1"_s.arg(name).arg(found, 0, 'f', 2);
        }
        QVERIFY2(faults.isEmpty(), qPrintable(faults.join(u", "_s)));
    }
    void pictureLiesBehindTheControls()
    {
        Form1Fixture fixture;
        Form1 &main = fixture.show();
        QImage picture(60, main.height() / 2, QImage::Format_RGB32);
        picture.fill(QColor(200, 30, 90));
        const QString path = fixture.env.path(u"ground.png"_s);
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
};

QUILLET_XVFB_TEST_MAIN(TstSkins)

#include "tst_skins.moc"
