#include "fakes/testenv.h"
#include "settings/filetyperegistry.h"
#include "settings/iconresource.h"
#include "settings/mimeappslist.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace quillet;
using namespace quillet::testing;

class TestFileTypeRegistry : public QObject
{
    Q_OBJECT
private slots:
    void mimeAppsDefaults_data();
    void mimeAppsDefaults();
    void execLine_data();
    void execLine();
    void execLineIsAcceptedByValidator();
    void mimeTypesFor_data();
    void mimeTypesFor();
    void laterRegistrationKeepsEarlierTypes();
};

void TestFileTypeRegistry::mimeAppsDefaults_data()
{
    QTest::addColumn<QString>("before");
    QTest::addColumn<QStringList>("types");
    QTest::addColumn<QString>("after");
    const QStringList mp3 {QStringLiteral("audio/mpeg")};
    const QStringList two {QStringLiteral("audio/mpeg"), QStringLiteral("audio/x-wav")};

    QTest::newRow("no file") << QString() << two
                             << QStringLiteral("[Default Applications]\naudio/mpeg=quillet.desktop;\n"
                                               "audio/x-wav=quillet.desktop;\n");
    QTest::newRow("other group kept") << QStringLiteral("[Added Associations]\ntext/plain=ed.desktop;\n") << mp3
                                      << QStringLiteral("[Added Associations]\ntext/plain=ed.desktop;\n\n"
                                                        "[Default Applications]\naudio/mpeg=quillet.desktop;\n");
    QTest::newRow("other player stays second")
        << QStringLiteral("[Default Applications]\naudio/mpeg=vlc.desktop;mpv.desktop\n") << mp3
        << QStringLiteral("[Default Applications]\naudio/mpeg=quillet.desktop;vlc.desktop;mpv.desktop;\n");
    QTest::newRow("already first") << QStringLiteral("[Default Applications]\naudio/mpeg=quillet.desktop;\n") << mp3
                                   << QStringLiteral("[Default Applications]\naudio/mpeg=quillet.desktop;\n");
    QTest::newRow("moved to the front") << QStringLiteral(
        "[Default Applications]\naudio/mpeg = vlc.desktop;quillet.desktop;\n")
                                        << mp3
                                        << QStringLiteral(
                                               "[Default Applications]\naudio/mpeg=quillet.desktop;vlc.desktop;\n");
    QTest::newRow("new line stays inside its group")
        << QStringLiteral("# mine\n[Default Applications]\ntext/plain=ed.desktop;\n\n[Added Associations]\n"
                          "audio/mpeg=vlc.desktop;\n")
        << mp3
        << QStringLiteral("# mine\n[Default Applications]\ntext/plain=ed.desktop;\naudio/mpeg=quillet.desktop;\n\n"
                          "[Added Associations]\naudio/mpeg=vlc.desktop;\n");
    QTest::newRow("prefix of another type untouched")
        << QStringLiteral("[Default Applications]\naudio/mpegurl=vlc.desktop;\n") << mp3
        << QStringLiteral("[Default Applications]\naudio/mpegurl=vlc.desktop;\naudio/mpeg=quillet.desktop;\n");
    QTest::newRow("CR LF file") << QStringLiteral("[Default Applications]\r\ntext/plain=ed.desktop;\r\n") << mp3
                                << QStringLiteral("[Default Applications]\ntext/plain=ed.desktop;\n"
                                                  "audio/mpeg=quillet.desktop;\n");
}

void TestFileTypeRegistry::mimeAppsDefaults()
{
    QFETCH(QString, before);
    QFETCH(QStringList, types);
    QFETCH(QString, after);
    const QString once = MimeAppsList::withDefaults(before, types, QStringLiteral("quillet.desktop"));
    QCOMPARE(once, after);
    QCOMPARE(MimeAppsList::withDefaults(once, types, QStringLiteral("quillet.desktop")), once);
}

void TestFileTypeRegistry::execLine_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("exec");
    QTest::newRow("plain") << QStringLiteral("/usr/bin/quillet") << QStringLiteral("/usr/bin/quillet %f");
    QTest::newRow("blank") << QStringLiteral("/opt/My Apps/quillet") << QStringLiteral("\"/opt/My Apps/quillet\" %f");
    QTest::newRow("percent") << QStringLiteral("/opt/100%/quillet") << QStringLiteral("/opt/100%%/quillet %f");
    QTest::newRow("dollar and quote") << QStringLiteral("/opt/a$b\"c/quillet")
                                      << QStringLiteral("\"/opt/a\\\\$b\\\\\"c/quillet\" %f");
    QTest::newRow("backslash") << QStringLiteral("/opt/a\\b/quillet")
                               << QStringLiteral("\"/opt/a\\\\\\\\b/quillet\" %f");
}

void TestFileTypeRegistry::execLine()
{
    QFETCH(QString, path);
    QFETCH(QString, exec);
    QCOMPARE(FileTypeRegistry::execLine(path), exec);
}

void TestFileTypeRegistry::execLineIsAcceptedByValidator()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("quillet.desktop"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("[Desktop Entry]\nType=Application\nName=Quillet\nExec=");
    file.write(FileTypeRegistry::execLine(QStringLiteral("/opt/My $Apps \"x\"/100% \\quillet")).toUtf8());
    file.write("\n");
    file.close();
    QProcess validate;
    validate.start(QStringLiteral("desktop-file-validate"), {path});
    QVERIFY(validate.waitForFinished());
    const QByteArray output = validate.readAllStandardOutput() + validate.readAllStandardError();
    QVERIFY2(validate.exitCode() == 0 && !output.contains("error"), output.constData());
}

void TestFileTypeRegistry::mimeTypesFor_data()
{
    QTest::addColumn<QString>("extension");
    QTest::addColumn<int>("kind");
    QTest::addColumn<QStringList>("types");
    const int media = int(FileKind::Media);
    QTest::newRow("mp3") << QStringLiteral(".mp3") << media << QStringList {QStringLiteral("audio/mpeg")};
    QTest::newRow("upper case") << QStringLiteral(".MP3") << media << QStringList {QStringLiteral("audio/mpeg")};
    QTest::newRow("ambiguous m3u") << QStringLiteral(".m3u") << int(FileKind::Playlist)
                                   << QStringList {QStringLiteral("application/vnd.apple.mpegurl"),
                                          QStringLiteral("audio/x-mpegurl")};
    QTest::newRow("unknown") << QStringLiteral(".wmp") << media
                             << QStringList {QStringLiteral("application/x-quillet-wmp")};
    QTest::newRow("skin") << QStringLiteral(".qsk") << int(FileKind::Skin)
                          << QStringList {QStringLiteral("application/x-quillet-skin")};
}

void TestFileTypeRegistry::mimeTypesFor()
{
    QFETCH(QString, extension);
    QFETCH(int, kind);
    QFETCH(QStringList, types);
    QStringList found = FileTypeRegistry::mimeTypesFor(extension, FileKind(kind));
    found.sort();
    QCOMPARE(found, types);
}

void TestFileTypeRegistry::laterRegistrationKeepsEarlierTypes()
{
    TestEnvironment env;
    IconResource icons;
    QVERIFY(icons.load(QFileInfo(testDataDir()).absolutePath() + QStringLiteral("/src/") + IconResource::fileName()));
    FileTypeRegistry::Locations locations {env.path(QStringLiteral("xdg-data")), env.path(QStringLiteral("xdg-config")),
        QStringLiteral("/usr/bin/quillet")};
    FileTypeRegistry first(locations);
    first.add(QStringLiteral(".wmp"), FileKind::Media);
    first.add(QStringLiteral(".mp3"), FileKind::Media);
    QVERIFY(first.registerTypes(icons).ok);
    FileTypeRegistry second(locations);
    second.add(QStringLiteral(".ivf"), FileKind::Media);
    QVERIFY(second.registerTypes(icons).ok);

    QFile desktop(second.desktopFilePath());
    QVERIFY(desktop.open(QIODevice::ReadOnly));
    const QByteArray desktopText = desktop.readAll();
    QVERIFY(desktopText.contains("\nMimeType=application/x-quillet-ivf;application/x-quillet-wmp;audio/mpeg;\n"));
    QVERIFY(desktopText.contains("\nExec=/usr/bin/quillet %f\n"));
    // Both unknown extensions keep a type in the compiled database.
    QFile globs(locations.dataHome + QStringLiteral("/mime/globs2"));
    QVERIFY(globs.open(QIODevice::ReadOnly));
    const QByteArray globsText = globs.readAll();
    QVERIFY(globsText.contains(":application/x-quillet-wmp:*.wmp\n"));
    QVERIFY(globsText.contains(":application/x-quillet-ivf:*.ivf\n"));
    QVERIFY(!globsText.contains("application/x-quillet-skin"));
    QVERIFY(QFile::exists(locations.dataHome
        + QStringLiteral("/icons/hicolor/scalable/mimetypes/"
                         "application-x-quillet-audio.svg")));
}

QTEST_MAIN(TestFileTypeRegistry)
#include "tst_filetyperegistry.moc"
