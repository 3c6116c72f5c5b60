#pragma once

#include "app/form1.h"
#include "fakes/fakedialogs.h"
#include "fakes/fakeplayer.h"
#include "fakes/testenv.h"
#include "playlist/playlistfile.h"
#include "playlist/playlistview.h"
#include "settings/settingsstore.h"

#include <QFile>
#include <QTimer>
#include <QTest>

#include <memory>

namespace quillet::testing {

// One main window with a fake player and fake dialogs, in its own temporary data and config folders.
struct Form1Fixture
{
    TestEnvironment env;
    FakeDialogs dialogs;
    FakePlayerFactory players;
    std::unique_ptr<Form1> form;
    int endProcessCalls = 0;

    // Creates the window (not yet loaded).
    Form1 &create()
    {
        form = std::make_unique<Form1>();
        form->setEndProcess([this] { ++endProcessCalls; });
        return *form;
    }
    // Creates and loads the window with a command-line text; timers are stopped so tests tick them by hand.
    Form1 &load(const QString &commandLine = {})
    {
        create();
        form->load(commandLine);
        form->Timer1->stop();
        form->Timer2->stop();
        return *form;
    }
    FakePlayer &player() const { return *static_cast<FakePlayer *>(form->MP1); }
    QStringList entries() const { return form->List1->entries(); }

    // Writes a file with the given raw bytes.
    static void writeFile(const QString &path, const QByteArray &bytes)
    {
        QFile file(path);
        QVERIFY2(file.open(QIODevice::WriteOnly), qPrintable(path));
        file.write(bytes);
    }
    static QByteArray readFile(const QString &path)
    {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            return {};
        return file.readAll();
    }
    void writeDefaultPlaylist(const QByteArray &bytes) const { writeFile(PlaylistFile::defaultPlaylistPath(), bytes); }
};

} // namespace quillet::testing
