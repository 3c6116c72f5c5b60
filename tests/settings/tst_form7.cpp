#include "fakes/fakedialogs.h"
#include "fakes/testenv.h"
#include "settings/form7.h"
#include "settings/iconresource.h"

#include <QApplication>
#include <QCheckBox>
#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QPushButton>
#include <QTest>

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

// What `xdg-mime query default` answers, as a desktop without its own database would (no desktop session).
QString defaultApplication(const QString &mimeType)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_CURRENT_DESKTOP"), QStringLiteral("X-Generic"));
    for (const char *name : {"KDE_FULL_SESSION", "GNOME_DESKTOP_SESSION_ID", "MATE_DESKTOP_SESSION_ID",
             "DESKTOP_SESSION", "XDG_DATA_DIRS", "XDG_CONFIG_DIRS"})
        environment.remove(QString::fromLatin1(name));
    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral("xdg-mime"), {QStringLiteral("query"), QStringLiteral("default"), mimeType});
    if (!process.waitForFinished(30000))
        return QStringLiteral("<xdg-mime hung>");
    return QString::fromUtf8(process.readAllStandardOutput()).trimmed();
}

// The MIME types a desktop gives a file with the extension, read from the compiled glob lists of the system
// and of the user (weight:type:pattern lines).
QStringList typesByGlob(const QString &extension)
{
    QStringList types;
    for (const QString &path :
        {QStringLiteral("/usr/share/mime/globs2"), dataHome() + QStringLiteral("/mime/globs2")}) {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            continue;
        const QStringList lines = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
        for (const QString &line : lines) {
            const QStringList fields = line.split(QLatin1Char(':'));
            if (fields.size() >= 3 && fields.at(2).compare(QLatin1Char('*') + extension, Qt::CaseInsensitive) == 0
                && !types.contains(fields.at(1)))
                types.append(fields.at(1));
        }
    }
    return types;
}

// Whether opening a file with the extension starts Quillet: it has a type, and each type it may get names
// quillet.desktop as its default and is listed in the desktop file.
bool opensInQuillet(const QString &extension, const QByteArray &desktopFile)
{
    const QStringList types = typesByGlob(extension);
    if (types.isEmpty())
        return false;
    for (const QString &type : types) {
        if (defaultApplication(type) != QStringLiteral("quillet.desktop"))
            return false;
        if (!desktopFile.contains(';' + type.toUtf8() + ';') && !desktopFile.contains('=' + type.toUtf8() + ';'))
            return false;
    }
    return true;
}

QByteArray desktopFile()
{
    QFile file(dataHome() + QStringLiteral("/applications/quillet.desktop"));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

// Every file below the user's data and config folders with its contents.
QMap<QString, QByteArray> userFiles()
{
    QMap<QString, QByteArray> files;
    for (const QString &root : {dataHome(), configHome()}) {
        QDirIterator it(root, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            QFile file(it.next());
            if (file.open(QIODevice::ReadOnly))
                files.insert(file.fileName(), file.readAll());
        }
    }
    return files;
}

void makeRegularFile(const QString &path)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
}

} // namespace

class TestForm7 : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void startStateRegistersMediaPlaylistsAndSkins();
    void registeringTwiceLeavesTheSameFiles();
    void missingIconResourceWritesNothing_data();
    void missingIconResourceWritesNothing();
    void allUncheckedStillRegistersSkins();
    void selectAllRegistersQuickTime();
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
    for (const QString &cursor : std::as_const(m_cursorAtMessage))
        QCOMPARE(cursor, QStringLiteral("normal"));
    qunsetenv("QUILLET_ICON_FILE");
    m_dialogs.reset();
    m_env.reset();
}

void TestForm7::startStateRegistersMediaPlaylistsAndSkins()
{
    QVERIFY2(QFile::exists(shippedIconFile()), qPrintable(shippedIconFile()));
    Form7 window;
    QCOMPARE(window.windowTitle(), QStringLiteral("Register File Types ..."));
    window.Command1->click();
    QCOMPARE(m_dialogs->messages, QStringList {kSuccess});

    const QByteArray desktop = desktopFile();
    QVERIFY(desktop.contains("\nExec=" + QCoreApplication::applicationFilePath().toUtf8() + " %f\n"));
    QProcess validate;
    validate.start(
        QStringLiteral("desktop-file-validate"), {dataHome() + QStringLiteral("/applications/quillet.desktop")});
    QVERIFY(validate.waitForFinished());
    const QByteArray report = validate.readAllStandardOutput() + validate.readAllStandardError();
    QVERIFY2(validate.exitCode() == 0 && !report.contains("error"), report.constData());

    QCOMPARE(defaultApplication(QStringLiteral("audio/mpeg")), QStringLiteral("quillet.desktop"));
    QCOMPARE(defaultApplication(QStringLiteral("audio/x-scpls")), QStringLiteral("quillet.desktop"));
    QCOMPARE(defaultApplication(QStringLiteral("audio/x-mpegurl")), QStringLiteral("quillet.desktop"));
    QCOMPARE(defaultApplication(QStringLiteral("application/x-quillet-skin")), QStringLiteral("quillet.desktop"));

    const QStringList media {QStringLiteral(".mp3"), QStringLiteral(".mp2"), QStringLiteral(".mpeg"),
        QStringLiteral(".avi"), QStringLiteral(".wav"), QStringLiteral(".wma"), QStringLiteral(".asf"),
        QStringLiteral(".asx"), QStringLiteral(".wm"), QStringLiteral(".wmx"), QStringLiteral(".wmp"),
        QStringLiteral(".aiff"), QStringLiteral(".snd"), QStringLiteral(".mid"), QStringLiteral(".wax"),
        QStringLiteral(".wmv"), QStringLiteral(".wvx"), QStringLiteral(".mpg"), QStringLiteral(".mpe"),
        QStringLiteral(".m1v"), QStringLiteral(".mpv2"), QStringLiteral(".mp2v"), QStringLiteral(".mpa"),
        QStringLiteral(".midi"), QStringLiteral(".rmi"), QStringLiteral(".ivf"), QStringLiteral(".aif"),
        QStringLiteral(".aifc"), QStringLiteral(".dat"), QStringLiteral(".au")};
    QCOMPARE(QSet<QString>(media.cbegin(), media.cend()).size(), 30);
    for (const QString &extension :
        media + QStringList {QStringLiteral(".pls"), QStringLiteral(".m3u"), QStringLiteral(".qsk")})
        QVERIFY2(opensInQuillet(extension, desktop), qPrintable(extension));
    for (const QString &extension : {QStringLiteral(".mov"), QStringLiteral(".qt")}) {
        QVERIFY2(!opensInQuillet(extension, desktop), qPrintable(extension));
        const QStringList types = typesByGlob(extension);
        for (const QString &type : types)
            QVERIFY2(!desktop.contains(type.toUtf8()), qPrintable(type));
    }
    // The type icons are in the user's icon theme.
    for (const char *icon : {"mimetypes/application-x-quillet-audio.svg", "mimetypes/application-x-quillet-list.svg",
             "mimetypes/application-x-quillet-skin.svg", "apps/quillet.svg"}) {
        QFile file(dataHome() + QStringLiteral("/icons/hicolor/scalable/") + QString::fromLatin1(icon));
        QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(file.fileName()));
        QVERIFY(file.readAll().contains("<svg"));
    }
}

void TestForm7::registeringTwiceLeavesTheSameFiles()
{
    Form7 window;
    window.Command1->click();
    const QMap<QString, QByteArray> first = userFiles();
    QVERIFY(first.contains(configHome() + QStringLiteral("/mimeapps.list")));
    QVERIFY(first.contains(dataHome() + QStringLiteral("/mime/packages/quillet.xml")));
    window.Command1->click();
    const QMap<QString, QByteArray> second = userFiles();
    QCOMPARE(second.keys(), first.keys());
    for (auto it = first.cbegin(); it != first.cend(); ++it)
        QVERIFY2(second.value(it.key()) == it.value(), qPrintable(it.key()));
    QCOMPARE(m_dialogs->messages, (QStringList {kSuccess, kSuccess}));
}

void TestForm7::missingIconResourceWritesNothing_data()
{
    QTest::addColumn<QByteArray>("contents");
    QTest::addColumn<bool>("exists");
    QTest::newRow("missing") << QByteArray() << false;
    QTest::newRow("empty") << QByteArray() << true;
    QTest::newRow("not a resource file") << QByteArray("MZ\x90\0not icons") << true;
}

void TestForm7::missingIconResourceWritesNothing()
{
    QFETCH(QByteArray, contents);
    QFETCH(bool, exists);
    const QString path = m_env->path(QStringLiteral("program/quillet-icons.rcc"));
    if (exists) {
        QDir().mkpath(m_env->path(QStringLiteral("program")));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(contents);
    }
    qputenv("QUILLET_ICON_FILE", path.toUtf8());
    Form7 window;
    window.Command1->click();
    QCOMPARE(m_dialogs->messages,
        QStringList {QStringLiteral("The File ") + path + QStringLiteral(" Not Found ! Reinstall Quillet ....")});
    QVERIFY(userFiles().isEmpty());
}

void TestForm7::allUncheckedStillRegistersSkins()
{
    Form7 window;
    const QList<QCheckBox *> boxes = window.checkBoxes();
    QCOMPARE(boxes.size(), 35);
    for (QCheckBox *box : boxes)
        box->setChecked(false);
    window.Command1->click();
    QCOMPARE(m_dialogs->messages, QStringList {kSuccess});
    QCOMPARE(defaultApplication(QStringLiteral("application/x-quillet-skin")), QStringLiteral("quillet.desktop"));
    QVERIFY(desktopFile().contains("\nMimeType=application/x-quillet-skin;\n"));
    QVERIFY(defaultApplication(QStringLiteral("audio/mpeg")) != QStringLiteral("quillet.desktop"));
    QVERIFY(!opensInQuillet(QStringLiteral(".mp3"), desktopFile()));
}

void TestForm7::selectAllRegistersQuickTime()
{
    Form7 window;
    window.Command2->click();
    for (QCheckBox *box : window.checkBoxes())
        QVERIFY2(box->isChecked(), qPrintable(box->text()));
    window.Command1->click();
    QCOMPARE(m_dialogs->messages, QStringList {kSuccess});
    QVERIFY(opensInQuillet(QStringLiteral(".mov"), desktopFile()));
    QVERIFY(opensInQuillet(QStringLiteral(".qt"), desktopFile()));
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
    makeRegularFile(m_env->path(QStringLiteral("blocker")));
    const QString blocked = m_env->path(QStringLiteral("blocker/xdg"));
    qputenv(variable.toLatin1().constData(), blocked.toUtf8());
    Form7 window;
    window.Command1->click();
    QCOMPARE(m_dialogs->messages.size(), 1);
    QVERIFY2(m_dialogs->messages.constFirst().startsWith(QStringLiteral("The file association could not be made.")),
        qPrintable(m_dialogs->messages.constFirst()));
    QVERIFY(m_dialogs->messages.constFirst().contains(blocked));
    // Nothing names Quillet as the default when its files could not all be written.
    QVERIFY(!QFile::exists(configHome() + QStringLiteral("/mimeapps.list")));
}

QTEST_MAIN(TestForm7)
#include "tst_form7.moc"
