// cmake --install of this build into a temporary prefix: the program, desktop entry, skin MIME type, icon and
// AppStream metainfo land in their freedesktop places, the freedesktop validators accept them, and installing and
// "Register File Types Now" into the same folders leave every registered type opening in Quillet.
#include "desktoptesting.h"
#include "fakes/mimetools.h"
#include "fakes/testenv.h"
#include "settings/filetyperegistry.h"
#include "settings/iconresource.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QXmlStreamReader>

using namespace quillet;
using namespace quillet::testing;

class TstInstall : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void filesLandInTheirPlaces();
    void installAloneMakesTheTypesKnown_data();
    void installAloneMakesTheTypesKnown();
    void installAndRegistrationKeepEachOther_data();
    void installAndRegistrationKeepEachOther();

private:
    QString file(const QString &relative) const { return m_prefix.filePath(relative); }
    static ClientResult install(const QString &prefix, const QStringList &environment = {});

    TestEnvironment m_env;
    QTemporaryDir m_prefix;
};

// cmake --install of this build; its messages, in case it fails, in err.
ClientResult TstInstall::install(const QString &prefix, const QStringList &environment)
{
    const QString buildDir = QDir::cleanPath(QCoreApplication::applicationDirPath() + QStringLiteral("/.."));
    const QStringList arguments = environment
        + QStringList {QStandardPaths::findExecutable(QStringLiteral("cmake")), QStringLiteral("--install"), buildDir,
            QStringLiteral("--prefix"), prefix};
    ClientResult result = runClient(QStringLiteral("env"), arguments, 120000);
    result.err += result.out;
    return result;
}

void TstInstall::initTestCase()
{
    QVERIFY2(!quilletExecutable().isEmpty(), "build the quillet target first");
    const ClientResult installed = install(m_prefix.path());
    QVERIFY2(installed.exitCode == 0, qPrintable(installed.err));
}

void TstInstall::filesLandInTheirPlaces()
{
    for (const char *path : {"bin/quillet", "share/applications/quillet.desktop",
             "share/mime/packages/io.github.quillet.Quillet.xml", "share/icons/hicolor/scalable/apps/quillet.svg",
             "share/metainfo/io.github.quillet.Quillet.metainfo.xml", "share/quillet/quillet-icons.rcc"}) {
        const QFileInfo info(file(QLatin1String(path)));
        QVERIFY2(info.isFile() && info.size() > 0, path);
        // The XML files must parse: icon themes and software centres skip broken ones without a word.
        QFile xmlFile(info.filePath());
        QVERIFY(xmlFile.open(QIODevice::ReadOnly));
        QXmlStreamReader xml(&xmlFile);
        while (!xml.atEnd() && (info.suffix() == QLatin1String("svg") || info.suffix() == QLatin1String("xml")))
            xml.readNext();
        QVERIFY2(!xml.hasError(), path);
    }
    QVERIFY(QFileInfo(file(QStringLiteral("bin/quillet"))).isExecutable());
    // The entry names the installed program by its full path: the prefix's bin folder need not be on the PATH.
    QFile entry(file(QStringLiteral("share/applications/quillet.desktop")));
    QVERIFY(entry.open(QIODevice::ReadOnly));
    QVERIFY(entry.readAll().contains("\nExec=" + QFile::encodeName(file(QStringLiteral("bin/quillet"))) + " %F\n"));
    // The freedesktop validators accept the desktop entry and the metainfo, without a warning: software centres
    // show a file that only warns as faulty too.
    for (const QStringList &check : {QStringList {QStringLiteral("desktop-file-validate"),
                                         file(QStringLiteral("share/applications/quillet.desktop"))},
             QStringList {QStringLiteral("appstreamcli"), QStringLiteral("validate"), QStringLiteral("--no-net"),
                 file(QStringLiteral("share/metainfo/io.github.quillet.Quillet.metainfo.xml"))}}) {
        const ClientResult result = runClient(check.first(), check.mid(1), 120000);
        const QString output = result.out + result.err;
        // An error desktop-file-validate calls "will be fatal in the future" still ends with 0.
        QVERIFY2(result.exitCode == 0 && !output.contains(QLatin1String("warning"), Qt::CaseInsensitive)
                && !output.contains(QLatin1String("error"), Qt::CaseInsensitive),
            qPrintable(check.first() + QStringLiteral(": ") + output));
    }
}

void TstInstall::installAloneMakesTheTypesKnown_data()
{
    QTest::addColumn<bool>("toolsThere");
    QTest::newRow("with the freedesktop tools") << true;
    // A machine without update-mime-database and update-desktop-database still installs.
    QTest::newRow("without them") << false;
}

// cmake --install into ~/.local of a fresh home, and nothing else: the desktop knows the skin type and opens it,
// and a file manager's double-click on a song starts Quillet.
void TstInstall::installAloneMakesTheTypesKnown()
{
    QFETCH(bool, toolsThere);
    QTemporaryDir home;
    const QString prefix = home.filePath(QStringLiteral(".local"));
    QStringList environment = {QStringLiteral("HOME=") + home.path()};
    if (!toolsThere) {
        // Only cmake on the PATH.
        QDir().mkpath(home.filePath(QStringLiteral("bin")));
        QFile::link(
            QStandardPaths::findExecutable(QStringLiteral("cmake")), home.filePath(QStringLiteral("bin/cmake")));
        environment << QStringLiteral("PATH=") + home.filePath(QStringLiteral("bin"));
    }
    const ClientResult installed = install(prefix, environment);
    QVERIFY2(installed.exitCode == 0, qPrintable(installed.err));
    if (!toolsThere)
        return;
    const QByteArray oldData = qgetenv("XDG_DATA_HOME");
    qputenv("XDG_DATA_HOME", QFile::encodeName(prefix + QStringLiteral("/share")));
    QFile skin(home.filePath(QStringLiteral("blue.qsk")));
    QVERIFY(skin.open(QIODevice::WriteOnly) && skin.write("1\r\n") == 3);
    skin.close();
    const QString opens = opensIn(skin.fileName());
    qputenv("XDG_DATA_HOME", oldData);
    QCOMPARE(opens, QStringLiteral("application/x-quillet-skin in Quillet"));
}

void TstInstall::installAndRegistrationKeepEachOther_data()
{
    QTest::addColumn<bool>("registerFirst");
    QTest::newRow("register, then install") << true;
    QTest::newRow("install, then register") << false;
}

void TstInstall::installAndRegistrationKeepEachOther()
{
    QFETCH(bool, registerFirst);
    // The user's own folders are the prefix ~/.local: both write into the same places.
    QTemporaryDir home;
    const QString prefix = home.filePath(QStringLiteral(".local"));
    const QByteArray oldData = qgetenv("XDG_DATA_HOME");
    const QByteArray oldConfig = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_DATA_HOME", QFile::encodeName(prefix + QStringLiteral("/share")));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(home.filePath(QStringLiteral(".config"))));
    const auto registerTypes = [&] {
        FileTypeRegistry registry({prefix + QStringLiteral("/share"), home.filePath(QStringLiteral(".config")),
            prefix + QStringLiteral("/bin/quillet")});
        for (const char *extension : {".mp3", ".wmp", ".dat", ".qsk"})
            registry.add(QLatin1String(extension), extension == QByteArray(".qsk") ? FileKind::Skin : FileKind::Media);
        IconResource icons;
        return icons.load(file(QStringLiteral("share/quillet/quillet-icons.rcc"))) && registry.registerTypes(icons).ok;
    };
    if (registerFirst)
        QVERIFY(registerTypes());
    const ClientResult installed = install(prefix);
    QVERIFY2(installed.exitCode == 0, qPrintable(installed.err));
    if (!registerFirst)
        QVERIFY(registerTypes());

    const auto make = [&](const QString &name, const QByteArray &bytes) {
        QFile out(home.filePath(name));
        out.open(QIODevice::WriteOnly);
        out.write(bytes);
        return out.fileName();
    };
    QFile::copy(testData(QStringLiteral("tone-44k-stereo.mp3")), home.filePath(QStringLiteral("a.mp3")));
    for (const QString &path : {home.filePath(QStringLiteral("a.mp3")), make(QStringLiteral("b.wmp"), "x"),
             make(QStringLiteral("track.dat"), videoCdTrack()), make(QStringLiteral("c.qsk"), "1\r\n")}) {
        const QString result = opensIn(path);
        QVERIFY2(result.endsWith(QLatin1String(" in Quillet")), qPrintable(path + QLatin1String(": ") + result));
    }
    QVERIFY(!opensIn(make(QStringLiteral("notes.dat"), "milk\n")).endsWith(QLatin1String(" in Quillet")));

    // No line in mimeapps.list names a type the MIME database no longer knows.
    QString known;
    for (const QString &types :
        {prefix + QStringLiteral("/share/mime/types"), QStringLiteral("/usr/share/mime/types")}) {
        QFile list(types);
        if (list.open(QIODevice::ReadOnly))
            known += QString::fromUtf8(list.readAll());
    }
    const QStringList known_types = known.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QFile apps(home.filePath(QStringLiteral(".config/mimeapps.list")));
    QVERIFY(apps.open(QIODevice::ReadOnly | QIODevice::Text));
    for (const QString &line : QString::fromUtf8(apps.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        if (line.contains(QLatin1Char('=')))
            QVERIFY2(known_types.contains(line.section(QLatin1Char('='), 0, 0)), qPrintable(line));
    }
    qputenv("XDG_DATA_HOME", oldData);
    qputenv("XDG_CONFIG_HOME", oldConfig);
}

QTEST_GUILESS_MAIN(TstInstall)
#include "tst_install.moc"
