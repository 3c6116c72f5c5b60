// "Register File Types ..." with the real freedesktop tools: after a registration the desktop (asked through
// xdg-mime and GLib's gio) opens every registered type in Quillet, started from any folder name.
#include "fakes/fakedialogs.h"
#include "fakes/mimetools.h"
#include "fakes/tagfiles.h"
#include "fakes/testenv.h"
#include "settings/filetyperegistry.h"
#include "settings/form7.h"
#include "settings/iconresource.h"

#include <QApplication>
#include <QCheckBox>
#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QPushButton>
#include <QTest>

#include <memory>

using namespace quillet;
using namespace quillet::testing;
using namespace Qt::StringLiterals;

namespace {

const QString kSuccess = u"The file association has been made!"_s;

QString shippedIconFile()
{
    return QFileInfo(testDataDir()).absolutePath() + u"/src/"_s + IconResource::fileName();
}

QString dataHome()
{
    return qEnvironmentVariable("XDG_DATA_HOME");
}

QString configHome()
{
    return qEnvironmentVariable("XDG_CONFIG_HOME");
}

QString makeFile(const QString &path, const QByteArray &bytes)
{
    return writeFileBytes(path, bytes) ? path : QString();
}

// Every file below the user's data and config folders with its contents.
QMap<QString, QByteArray> userFiles()
{
    QMap<QString, QByteArray> files;
    for (const QString &root : {dataHome(), configHome()}) {
        QDirIterator it(root, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString path = it.next();
            files.insert(path, fileBytes(path));
        }
    }
    return files;
}

QString validate(const QString &desktopFile)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(u"desktop-file-validate"_s, {desktopFile});
    process.waitForFinished();
    const QString report = QString::fromUtf8(process.readAll());
    return process.exitCode() == 0 && !report.contains(u"error"_s) ? QString() : report;
}

} // namespace

class TestForm7 : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void registeredTypesOpenInQuillet();
    void laterRegistrationKeepsEarlierTypesAndRepeatsChangeNothing();
    void desktopStartsQuilletFromAnyFolderName();
    void failureIsReported_data();
    void failureIsReported();

private:
    std::unique_ptr<TestEnvironment> m_env;
    std::unique_ptr<FakeDialogs> m_dialogs;
    QStringList m_cursorAtMessage;
};

void TestForm7::init()
{
    m_env = std::make_unique<TestEnvironment>();
    m_dialogs = std::make_unique<FakeDialogs>();
    m_cursorAtMessage.clear();
    m_dialogs->onMessage
        = [this](const QString &) { m_cursorAtMessage << (QApplication::overrideCursor() ? u"wait"_s : u"normal"_s); };
    qputenv("QUILLET_ICON_FILE", shippedIconFile().toUtf8());
}

void TestForm7::cleanup()
{
    // The wait cursor is gone after every way through "&Register", and was gone when the message showed.
    QCOMPARE(QApplication::overrideCursor(), nullptr);
    QVERIFY(!m_cursorAtMessage.contains(u"wait"_s));
    qunsetenv("QUILLET_ICON_FILE");
    qunsetenv("XDG_CURRENT_DESKTOP");
    m_dialogs.reset();
    m_env.reset();
}

void TestForm7::registeredTypesOpenInQuillet()
{
    const QString notes = makeFile(m_env->path(u"notes.dat"_s), "shopping list\nmilk\n");
    const QString textTypeBefore = opensIn(notes);
    // A desktop that keeps its own list, where another player is the default.
    qputenv("XDG_CURRENT_DESKTOP", "ubuntu:GNOME");
    QDir().mkpath(configHome());
    QDir().mkpath(dataHome() + u"/applications"_s);
    makeFile(dataHome() + u"/applications/other-player.desktop"_s,
        "[Desktop Entry]\nType=Application\nName=Other\nExec=true %f\nMimeType=audio/mpeg;\n");
    const QString own = makeFile(
        configHome() + u"/gnome-mimeapps.list"_s, "[Default Applications]\naudio/mpeg=other-player.desktop;\n");
    QCOMPARE(gioDefault(u"audio/mpeg"_s, u"ubuntu:GNOME"_s), u"other-player.desktop"_s);
    Form7 window;
    window.show();
    // Every type starts checked but QuickTime's.
    for (QCheckBox *box : window.checkBoxes())
        QVERIFY2(box->isChecked() != (box->text() == u".mov"_s || box->text() == u".qt"_s), qPrintable(box->text()));
    QTest::mouseClick(window.Command1, Qt::LeftButton);
    QCOMPARE(m_dialogs->messages, QStringList {kSuccess});
    QCOMPARE(validate(dataHome() + u"/applications/quillet.desktop"_s), QString());
    // The desktop's own list gets the defaults too; a desktop without a list of its own is not given one.
    QCOMPARE(gioDefault(u"audio/mpeg"_s, u"ubuntu:GNOME"_s), u"quillet.desktop"_s);
    QVERIFY(fileBytes(own).contains("audio/mpeg=quillet.desktop;other-player.desktop;\n"));
    QVERIFY(!QFile::exists(configHome() + u"/ubuntu-mimeapps.list"_s));

    const QList<QPair<QString, QByteArray>> files
        = {{u"a.mp3"_s, "ID3"}, {u"b.wmp"_s, "x"}, {u"c.m3u"_s, "#EXTM3U\n"}, {u"c8.m3u8"_s, "#EXTM3U\n"},
            {u"d.pls"_s, "[playlist]\n"}, {u"e.qsk"_s, "1\n"}, {u"track.dat"_s, videoCdTrack()}};
    for (const auto &[name, bytes] : files) {
        const QString result = opensIn(makeFile(m_env->path(name), bytes));
        QVERIFY2(result.endsWith(u" in Quillet"_s), qPrintable(name + u": "_s + result));
    }
    QCOMPARE(opensIn(m_env->path(u"track.dat"_s)), u"application/x-quillet-dat in Quillet"_s);
    // Other .dat files keep the type they had; QuickTime is not registered unless asked for.
    QCOMPARE(opensIn(notes), textTypeBefore);
    QVERIFY(!opensIn(makeFile(m_env->path(u"f.mov"_s), "x")).endsWith(u" in Quillet"_s));
    QVERIFY(QFile::exists(dataHome() + u"/icons/hicolor/scalable/mimetypes/application-x-quillet-audio.svg"_s));
}

void TestForm7::laterRegistrationKeepsEarlierTypesAndRepeatsChangeNothing()
{
    // The window offers .m3u8 beside .m3u and .pls: registered alone, it opens in Quillet.
    {
        Form7 window;
        QCheckBox *m3u8 = nullptr;
        for (QCheckBox *box : window.checkBoxes()) {
            box->setChecked(false);
            if (box->text() == u".m3u8"_s)
                m3u8 = box;
        }
        QVERIFY(m3u8);
        window.show();
        QTest::mouseClick(m3u8, Qt::LeftButton);
        window.Command1->click();
        const QString list = makeFile(m_env->path(u"only.m3u8"_s), "#EXTM3U\n");
        QVERIFY2(opensIn(list).endsWith(u" in Quillet"_s), qPrintable(opensIn(list)));
        m_dialogs->messages.clear();
    }
    Form7 window;
    window.Command2->click(); // select all
    window.Command1->click();
    const QMap<QString, QByteArray> first = userFiles();
    window.Command1->click();
    QCOMPARE(userFiles(), first);
    for (QCheckBox *box : window.checkBoxes())
        box->setChecked(false);
    window.Command1->click();
    QCOMPARE(m_dialogs->messages, (QStringList {kSuccess, kSuccess, kSuccess}));
    for (const char *name : {"a.mov", "b.wmp", "c.mp3", "d.qsk"}) {
        const QString result = opensIn(makeFile(m_env->path(QLatin1String(name)), "x"));
        QVERIFY2(result.endsWith(u" in Quillet"_s), qPrintable(result));
    }
}

void TestForm7::desktopStartsQuilletFromAnyFolderName()
{
    // A stand-in program that writes down its arguments, in a folder whose name the desktop entry must escape.
    const QString folder = m_env->path(u"100% sure $HOME \"quoted\" back\\slash"_s);
    QVERIFY(QDir().mkpath(folder));
    const QString program
        = makeFile(folder + u"/quillet"_s, "#!/bin/sh\nprintf '%s\\n' \"$@\" > \"$(dirname \"$0\")/arguments\"\n");
    QVERIFY(QFile::setPermissions(program, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    FileTypeRegistry registry({dataHome(), configHome(), program});
    registry.add(u".wmp"_s, FileKind::Media);
    IconResource icons;
    QVERIFY(icons.load(shippedIconFile()));
    QVERIFY(registry.registerTypes(icons).ok);
    QCOMPARE(validate(registry.desktopFilePath()), QString());

    // Several files selected together start the program once, with all of them.
    const QString song = makeFile(m_env->path(u"my song.wmp"_s), "x");
    const QString other = makeFile(m_env->path(u"other.wmp"_s), "x");
    desktopTool(u"gio"_s, {u"launch"_s, registry.desktopFilePath(), song, other});
    const QString arguments = folder + u"/arguments"_s;
    QTRY_VERIFY(QFile::exists(arguments));
    QTest::qWait(300); // a second start, if there were one, would write over the first
    QCOMPARE(QString::fromUtf8(fileBytes(arguments)).trimmed(), song + u'\n' + other);
}

void TestForm7::failureIsReported_data()
{
    QTest::addColumn<QByteArray>("variable"); // set to a regular file, or to a folder below it
    QTest::newRow("icon file that is no resource file") << QByteArray("QUILLET_ICON_FILE");
    QTest::newRow("data folder") << QByteArray("XDG_DATA_HOME");
    QTest::newRow("config folder") << QByteArray("XDG_CONFIG_HOME");
}

void TestForm7::failureIsReported()
{
    QFETCH(QByteArray, variable);
    // A file that is not a resource file counts as missing; a folder below a regular file cannot be created.
    const QString blocker = makeFile(m_env->path(u"blocker"_s), "MZ not icons");
    const bool icons = variable == "QUILLET_ICON_FILE";
    const QString path = icons ? blocker : blocker + u"/xdg"_s;
    qputenv(variable.constData(), path.toUtf8());
    Form7 window;
    window.Command1->click();
    QCOMPARE(m_dialogs->messages.size(), 1);
    if (icons) {
        QCOMPARE(m_dialogs->messages.constFirst(), u"The File "_s + path + u" Not Found ! Reinstall Quillet ...."_s);
        QVERIFY(userFiles().isEmpty());
    } else {
        QVERIFY(m_dialogs->messages.constFirst().startsWith(u"The file association could not be made."_s));
        QVERIFY(m_dialogs->messages.constFirst().contains(path));
    }
    // Nothing names Quillet as the default when its files could not all be written.
    QVERIFY(!QFile::exists(configHome() + u"/mimeapps.list"_s));
}

QTEST_MAIN(TestForm7)
#include "tst_form7.moc"
