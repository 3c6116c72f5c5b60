// "Register File Types ..." with the real freedesktop tools: after a registration the desktop opens every
// registered type in Quillet (asked of xdg-mime and GLib's gio), .dat only for video CD files, the desktop entry
// starts the program from any folder name, and desktop-specific mimeapps.list files get the defaults too.
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

namespace {

const QString kSuccess = QStringLiteral("The file association has been made!");

QString shippedIconFile()
{
    return QFileInfo(testDataDir()).absolutePath() + QStringLiteral("/src/") + IconResource::fileName();
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
    process.start(QStringLiteral("desktop-file-validate"), {desktopFile});
    process.waitForFinished();
    const QString report = QString::fromUtf8(process.readAll());
    return process.exitCode() == 0 && !report.contains(QLatin1String("error")) ? QString() : report;
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
    void desktopSpecificListGetsTheDefaults();
    void missingIconResourceWritesNothing();
    void writeFailureIsReported_data();
    void writeFailureIsReported();

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
    m_dialogs->onMessage = [this](const QString &) {
        m_cursorAtMessage << (QApplication::overrideCursor() ? QStringLiteral("wait") : QStringLiteral("normal"));
    };
    qputenv("QUILLET_ICON_FILE", shippedIconFile().toUtf8());
}

void TestForm7::cleanup()
{
    // The wait cursor is gone after every way through "&Register", and was gone when the message showed.
    QCOMPARE(QApplication::overrideCursor(), nullptr);
    QVERIFY(!m_cursorAtMessage.contains(QStringLiteral("wait")));
    qunsetenv("QUILLET_ICON_FILE");
    qunsetenv("XDG_CURRENT_DESKTOP");
    m_dialogs.reset();
    m_env.reset();
}

void TestForm7::registeredTypesOpenInQuillet()
{
    QVERIFY2(QFile::exists(shippedIconFile()), qPrintable(shippedIconFile()));
    const QString notes = makeFile(m_env->path(QStringLiteral("notes.dat")), "shopping list\nmilk\n");
    const QString textTypeBefore = opensIn(notes);
    Form7 window;
    window.show();
    QTest::mouseClick(window.Command1, Qt::LeftButton);
    QCOMPARE(m_dialogs->messages, QStringList {kSuccess});
    QCOMPARE(validate(dataHome() + QStringLiteral("/applications/quillet.desktop")), QString());

    const QList<QPair<QString, QByteArray>> files
        = {{QStringLiteral("a.mp3"), "ID3"}, {QStringLiteral("b.wmp"), "x"}, {QStringLiteral("c.m3u"), "#EXTM3U\n"},
            {QStringLiteral("c8.m3u8"), "#EXTM3U\n"}, {QStringLiteral("d.pls"), "[playlist]\n"},
            {QStringLiteral("e.qsk"), "1\n"}, {QStringLiteral("track.dat"), videoCdTrack()}};
    for (const auto &[name, bytes] : files) {
        const QString result = opensIn(makeFile(m_env->path(name), bytes));
        QVERIFY2(result.endsWith(QLatin1String(" in Quillet")), qPrintable(name + QLatin1String(": ") + result));
    }
    QCOMPARE(opensIn(m_env->path(QStringLiteral("track.dat"))), QStringLiteral("application/x-quillet-dat in Quillet"));
    // Other .dat files keep the type they had; QuickTime is not registered unless asked for.
    QCOMPARE(opensIn(notes), textTypeBefore);
    QVERIFY(!opensIn(notes).endsWith(QLatin1String(" in Quillet")));
    QVERIFY(!opensIn(makeFile(m_env->path(QStringLiteral("f.mov")), "x")).endsWith(QLatin1String(" in Quillet")));
    QVERIFY(QFile::exists(
        dataHome() + QStringLiteral("/icons/hicolor/scalable/mimetypes/application-x-quillet-audio.svg")));
}

void TestForm7::laterRegistrationKeepsEarlierTypesAndRepeatsChangeNothing()
{
    // The window offers .m3u8 beside .m3u and .pls: registered alone, it opens in Quillet.
    {
        Form7 window;
        QCheckBox *m3u8 = nullptr;
        for (QCheckBox *box : window.checkBoxes()) {
            box->setChecked(false);
            if (box->text() == QLatin1String(".m3u8"))
                m3u8 = box;
        }
        QVERIFY(m3u8);
        window.show();
        QTest::mouseClick(m3u8, Qt::LeftButton);
        window.Command1->click();
        const QString list = makeFile(m_env->path(QStringLiteral("only.m3u8")), "#EXTM3U\n");
        QVERIFY2(opensIn(list).endsWith(QLatin1String(" in Quillet")), qPrintable(opensIn(list)));
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
        QVERIFY2(result.endsWith(QLatin1String(" in Quillet")), qPrintable(result));
    }
}

void TestForm7::desktopStartsQuilletFromAnyFolderName()
{
    // A stand-in program that writes down its arguments, in a folder whose name the desktop entry must escape.
    const QString folder = m_env->path(QStringLiteral("100% sure $HOME \"quoted\" back\\slash"));
    QVERIFY(QDir().mkpath(folder));
    const QString program = makeFile(
        folder + QStringLiteral("/quillet"), "#!/bin/sh\nprintf '%s\\n' \"$@\" > \"$(dirname \"$0\")/arguments\"\n");
    QVERIFY(QFile::setPermissions(program, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    FileTypeRegistry registry({dataHome(), configHome(), program});
    registry.add(QStringLiteral(".wmp"), FileKind::Media);
    IconResource icons;
    QVERIFY(icons.load(shippedIconFile()));
    QVERIFY(registry.registerTypes(icons).ok);
    QCOMPARE(validate(registry.desktopFilePath()), QString());

    // Several files selected together start the program once, with all of them.
    const QString song = makeFile(m_env->path(QStringLiteral("my song.wmp")), "x");
    const QString other = makeFile(m_env->path(QStringLiteral("other.wmp")), "x");
    desktopTool(QStringLiteral("gio"), {QStringLiteral("launch"), registry.desktopFilePath(), song, other});
    const QString arguments = folder + QStringLiteral("/arguments");
    QTRY_VERIFY(QFile::exists(arguments));
    QTest::qWait(300); // a second start, if there were one, would write over the first
    QCOMPARE(QString::fromUtf8(fileBytes(arguments)).trimmed(), song + QLatin1Char('\n') + other);
}

void TestForm7::desktopSpecificListGetsTheDefaults()
{
    // A desktop that keeps its own list, where another player is the default.
    qputenv("XDG_CURRENT_DESKTOP", "ubuntu:GNOME");
    QDir().mkpath(configHome());
    QDir().mkpath(dataHome() + QStringLiteral("/applications"));
    makeFile(dataHome() + QStringLiteral("/applications/other-player.desktop"),
        "[Desktop Entry]\nType=Application\nName=Other\nExec=true %f\nMimeType=audio/mpeg;\n");
    const QString own = makeFile(configHome() + QStringLiteral("/gnome-mimeapps.list"),
        "[Default Applications]\naudio/mpeg=other-player.desktop;\n");
    QCOMPARE(gioDefault(QStringLiteral("audio/mpeg"), QStringLiteral("ubuntu:GNOME")),
        QStringLiteral("other-player.desktop"));
    Form7 window;
    window.Command1->click();
    QCOMPARE(m_dialogs->messages, QStringList {kSuccess});
    QCOMPARE(
        gioDefault(QStringLiteral("audio/mpeg"), QStringLiteral("ubuntu:GNOME")), QStringLiteral("quillet.desktop"));
    QVERIFY(fileBytes(own).contains("audio/mpeg=quillet.desktop;other-player.desktop;\n"));
    // A desktop without a list of its own is not given one.
    QVERIFY(!QFile::exists(configHome() + QStringLiteral("/ubuntu-mimeapps.list")));
}

void TestForm7::missingIconResourceWritesNothing()
{
    // A file that is not a resource file counts as missing.
    const QString path = makeFile(m_env->path(QStringLiteral("quillet-icons.rcc")), "MZ not icons");
    qputenv("QUILLET_ICON_FILE", path.toUtf8());
    Form7 window;
    window.Command1->click();
    QCOMPARE(m_dialogs->messages,
        QStringList {QStringLiteral("The File ") + path + QStringLiteral(" Not Found ! Reinstall Quillet ....")});
    QVERIFY(userFiles().isEmpty());
}

void TestForm7::writeFailureIsReported_data()
{
    QTest::addColumn<QString>("variable");
    QTest::newRow("data folder") << QStringLiteral("XDG_DATA_HOME");
    QTest::newRow("config folder") << QStringLiteral("XDG_CONFIG_HOME");
}

void TestForm7::writeFailureIsReported()
{
    QFETCH(QString, variable);
    // A folder below a regular file cannot be created.
    makeFile(m_env->path(QStringLiteral("blocker")), {});
    const QString blocked = m_env->path(QStringLiteral("blocker/xdg"));
    qputenv(variable.toLatin1().constData(), blocked.toUtf8());
    Form7 window;
    window.Command1->click();
    QCOMPARE(m_dialogs->messages.size(), 1);
    QVERIFY(m_dialogs->messages.constFirst().startsWith(QStringLiteral("The file association could not be made.")));
    QVERIFY(m_dialogs->messages.constFirst().contains(blocked));
    // Nothing names Quillet as the default when its files could not all be written.
    QVERIFY(!QFile::exists(configHome() + QStringLiteral("/mimeapps.list")));
}

QTEST_MAIN(TestForm7)
#include "tst_form7.moc"
