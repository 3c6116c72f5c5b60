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
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QXmlStreamReader>

using namespace Qt::StringLiterals;
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
    const QString buildDir = QDir::cleanPath(QCoreApplication::applicationDirPath() + u"/.."_s);
    const QStringList arguments = environment
        + QStringList {QStandardPaths::findExecutable(u"cmake"_s), u"--install"_s, buildDir, u"--prefix"_s, prefix};
    ClientResult result = runClient(u"env"_s, arguments, 120000);
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
        while (!xml.atEnd() && (info.suffix() == u"svg"_s || info.suffix() == u"xml"_s))
            xml.readNext();
        QVERIFY2(!xml.hasError(), path);
    }
    QVERIFY(QFileInfo(file(u"bin/quillet"_s)).isExecutable());
    // The entry names the installed program by its full path: the prefix's bin folder need not be on the PATH.
    QFile entry(file(u"share/applications/quillet.desktop"_s));
    QVERIFY(entry.open(QIODevice::ReadOnly));
    QVERIFY(entry.readAll().contains("\nExec=" + QFile::encodeName(file(u"bin/quillet"_s)) + " %F\n"));
    // The freedesktop validators accept the desktop entry and the metainfo, without a warning: software centres
    // show a file that only warns as faulty too.
    for (const QStringList &check :
        {QStringList {u"desktop-file-validate"_s, file(u"share/applications/quillet.desktop"_s)},
            QStringList {u"appstreamcli"_s, u"validate"_s, u"--no-net"_s,
                file(u"share/metainfo/io.github.quillet.Quillet.metainfo.xml"_s)}}) {
        const ClientResult result = runClient(check.first(), check.mid(1), 120000);
        const QString output = result.out + result.err;
        // An error desktop-file-validate calls "will be fatal in the future" still ends with 0.
        QVERIFY2(result.exitCode == 0 && !output.contains(u"warning"_s, Qt::CaseInsensitive)
                && !output.contains(u"error"_s, Qt::CaseInsensitive),
            qPrintable(check.first() + u": "_s + output));
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
    const QString prefix = home.filePath(u".local"_s);
    QStringList environment = {u"HOME="_s + home.path()};
    if (!toolsThere) {
        // Only cmake on the PATH.
        QDir().mkpath(home.filePath(u"bin"_s));
        QFile::link(QStandardPaths::findExecutable(u"cmake"_s), home.filePath(u"bin/cmake"_s));
        environment << u"PATH="_s + home.filePath(u"bin"_s);
    }
    const ClientResult installed = install(prefix, environment);
    QVERIFY2(installed.exitCode == 0, qPrintable(installed.err));
    if (!toolsThere)
        return;
    const QByteArray oldData = qgetenv("XDG_DATA_HOME");
    qputenv("XDG_DATA_HOME", QFile::encodeName(prefix + u"/share"_s));
    QFile skin(home.filePath(u"blue.qsk"_s));
    QVERIFY(skin.open(QIODevice::WriteOnly) && skin.write("1\r\n") == 3);
    skin.close();
    const QString opens = opensIn(skin.fileName());
    qputenv("XDG_DATA_HOME", oldData);
    QCOMPARE(opens, u"application/x-quillet-skin in Quillet"_s);
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
    const QString prefix = home.filePath(u".local"_s);
    const QByteArray oldData = qgetenv("XDG_DATA_HOME");
    const QByteArray oldConfig = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_DATA_HOME", QFile::encodeName(prefix + u"/share"_s));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(home.filePath(u".config"_s)));
    const auto registerTypes = [&] {
        FileTypeRegistry registry({prefix + u"/share"_s, home.filePath(u".config"_s), prefix + u"/bin/quillet"_s});
        for (const char *extension : {".mp3", ".wmp", ".dat", ".qsk"})
            registry.add(QLatin1String(extension), extension == QByteArray(".qsk") ? FileKind::Skin : FileKind::Media);
        IconResource icons;
        return icons.load(file(u"share/quillet/quillet-icons.rcc"_s)) && registry.registerTypes(icons).ok;
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
    QFile::copy(testData(u"tone-44k-stereo.mp3"_s), home.filePath(u"a.mp3"_s));
    for (const QString &path : {home.filePath(u"a.mp3"_s), make(u"b.wmp"_s, "x"), make(u"track.dat"_s, videoCdTrack()),
             make(u"c.qsk"_s, "1\r\n")}) {
        const QString result = opensIn(path);
        QVERIFY2(result.endsWith(u" in Quillet"_s), qPrintable(path + u": "_s + result));
    }
    QVERIFY(!opensIn(make(u"notes.dat"_s, "milk\n")).endsWith(u" in Quillet"_s));

    // No line in mimeapps.list names a type the MIME database no longer knows.
    QString known;
    for (const QString &types : {prefix + u"/share/mime/types"_s, u"/usr/share/mime/types"_s}) {
        QFile list(types);
        if (list.open(QIODevice::ReadOnly))
            known += QString::fromUtf8(list.readAll());
    }
    const QStringList known_types = known.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QFile apps(home.filePath(u".config/mimeapps.list"_s));
    QVERIFY(apps.open(QIODevice::ReadOnly | QIODevice::Text));
    for (const QString &line : QString::fromUtf8(apps.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        if (line.contains(u'='))
            QVERIFY2(known_types.contains(line.section(u'=', 0, 0)), qPrintable(line));
    }
    qputenv("XDG_DATA_HOME", oldData);
    qputenv("XDG_CONFIG_HOME", oldConfig);
}

QTEST_GUILESS_MAIN(TstInstall)
#include "tst_install.moc"
