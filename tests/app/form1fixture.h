#pragma once

#include "app/form1.h"
#include "fakes/fakedialogs.h"
#include "fakes/fakeplayer.h"
#include "fakes/testenv.h"
#include "playlist/playlistfile.h"
#include "playlist/playlistview.h"
#include "settings/settingsstore.h"

#include <QAbstractButton>
#include <QFile>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QTest>
#include <QTimer>

#include <memory>
#include <optional>

namespace quillet::testing {

// One main window in its own temporary data and config folders, with fake dialogs and either a fake player or the
// real engine (null audio).
struct Form1Fixture
{
    enum class Engine { Fake, Real };
    TestEnvironment env;
    FakeDialogs dialogs;
    std::optional<FakePlayerFactory> players;
    std::unique_ptr<Form1> form;
    int endProcessCalls = 0;

    explicit Form1Fixture(Engine engine = Engine::Fake)
    {
        if (engine == Engine::Fake)
            players.emplace();
    }
    // With the fake player the timers are stopped so tests tick them by hand; the real engine keeps them running.
    Form1 &load(const QString &commandLine = {})
    {
        form = std::make_unique<Form1>();
        form->setEndProcess([this] { ++endProcessCalls; });
        form->load(commandLine);
        if (players) {
            form->Timer1->stop();
            form->Timer2->stop();
        }
        return *form;
    }
    // Loads the window if no test did, then shows it. Showing starts its marquee again; with the fake player the
    // tests still tick it by hand.
    Form1 &show()
    {
        if (!form)
            load();
        form->show();
        [[maybe_unused]] const bool exposed = QTest::qWaitForWindowExposed(form.get());
        if (players) {
            form->Timer1->stop();
            form->Timer2->stop();
        }
        return *form;
    }
    void click(const QString &name) const
    {
        QTest::mouseClick(form->findChild<QAbstractButton *>(name), Qt::LeftButton);
    }
    // As a window system delivers it: a click, then, for a double-click, a press that arrives as one.
    void clickEntry(int i, bool twice = false) const
    {
        form->List1->doItemsLayout();
        const QPoint at = form->List1->visualRect(form->List1->model()->index(i, 0)).center();
        QTest::mouseClick(form->List1->viewport(), Qt::LeftButton, {}, at);
        if (twice)
            QTest::mouseDClick(form->List1->viewport(), Qt::LeftButton, {}, at);
    }
    // Where the handle of a slider or scroll bar is drawn, for a press that drags it.
    static QPoint handleCentre(QAbstractSlider *slider)
    {
        const bool bar = qobject_cast<QScrollBar *>(slider);
        QStyleOptionSlider option;
        option.initFrom(slider);
        option.orientation = slider->orientation();
        option.minimum = slider->minimum();
        option.maximum = slider->maximum();
        option.sliderPosition = slider->sliderPosition();
        option.sliderValue = slider->value();
        option.pageStep = slider->pageStep();
        option.singleStep = slider->singleStep();
        return slider->style()
            ->subControlRect(bar ? QStyle::CC_ScrollBar : QStyle::CC_Slider, &option,
                bar ? QStyle::SC_ScrollBarSlider : QStyle::SC_SliderHandle, slider)
            .center();
    }
    FakePlayer &player() const { return *static_cast<FakePlayer *>(form->MP1); }
    QStringList entries() const { return form->List1->entries(); }
    static void writeFile(const QString &path, const QByteArray &bytes)
    {
        QFile file(path);
        QVERIFY2(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size(), qPrintable(path));
    }
    static QByteArray readFile(const QString &path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    void writeDefaultPlaylist(const QByteArray &bytes) const { writeFile(PlaylistFile::defaultPlaylistPath(), bytes); }
};

} // namespace quillet::testing
