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
#include <QScopeGuard>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QXmlStreamReader>

using namespace Qt::StringLiterals;
using namespace quillet;
using namespace quillet::testing;

static ClientResult install(const QString &prefix, const QStringList &environment = {})
{
    const QString buildDir = QDir::cleanPath(QCoreApplication::applicationDirPath() + u"/.."_s);
    const QStringList arguments = environment
        + QStringList {QStandardPaths::findExecutable(u"cmake"_s), u"--install"_s, buildDir, u"--prefix"_s, prefix};
    ClientResult result = runClient(u"env"_s, arguments, 120000);
    result.err += result.out;
    return result;
}

class TstInstall : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY2(!quilletExecutable().isEmpty(), "build the quillet target first");
        const ClientResult installed = install(m_prefix.path());
        QVERIFY2(installed.exitCode == 0, qPrintable(installed.err));
    }
    void filesLandInTheirPlaces()
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
    void installIntoAHome_data()
    {
        QTest::addColumn<bool>("toolsThere");
        QTest::addColumn<int>("registration"); // 0: none; 1: before the install; 2: after it
        // A machine without update-mime-database and update-desktop-database still installs.
        QTest::newRow("install without the freedesktop tools") << false << 0;
        QTest::newRow("install alone") << true << 0;
        QTest::newRow("register, then install") << true << 1;
        QTest::newRow("install, then register") << true << 2;
    }
    // cmake --install into ~/.local of a fresh home, where "Register File Types Now" writes too: installed alone, the
    // desktop opens the skin type in Quillet; with a registration before or after, every registered type.
    void installIntoAHome()
    {
        QFETCH(bool, toolsThere);
        QFETCH(int, registration);
        QTemporaryDir home;
        const QString prefix = home.filePath(u".local"_s);
        const QByteArray oldData = qgetenv("XDG_DATA_HOME");
        const QByteArray oldConfig = qgetenv("XDG_CONFIG_HOME");
        const auto restore
            = qScopeGuard([&] { qputenv("XDG_DATA_HOME", oldData), qputenv("XDG_CONFIG_HOME", oldConfig); });
        qputenv("XDG_DATA_HOME", QFile::encodeName(prefix + u"/share"_s));
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(home.filePath(u".config"_s)));
        QStringList environment;
        if (!toolsThere) {
            // Only cmake on the PATH.
            QDir().mkpath(home.filePath(u"bin"_s));
            QFile::link(QStandardPaths::findExecutable(u"cmake"_s), home.filePath(u"bin/cmake"_s));
            environment << u"PATH="_s + home.filePath(u"bin"_s);
        }
        const auto registerTypes = [&] {
            FileTypeRegistry registry({prefix + u"/share"_s, home.filePath(u".config"_s), prefix + u"/bin/quillet"_s});
            for (const char *extension : {".mp3", ".wmp", ".dat", ".qsk"})
                registry.add(
                    QLatin1String(extension), extension == QByteArray(".qsk") ? FileKind::Skin : FileKind::Media);
            IconResource icons;
            return icons.load(file(u"share/quillet/quillet-icons.rcc"_s)) && registry.registerTypes(icons).ok;
        };
        if (registration == 1)
            QVERIFY(registerTypes());
        const ClientResult installed = install(prefix, environment);
        QVERIFY2(installed.exitCode == 0, qPrintable(installed.err));
        if (registration == 2)
            QVERIFY(registerTypes());
        if (!toolsThere)
            return;

        const auto make = [&](const QString &name, const QByteArray &bytes) {
            QFile out(home.filePath(name));
            out.open(QIODevice::WriteOnly);
            out.write(bytes);
            return out.fileName();
        };
        QCOMPARE(opensIn(make(u"c.qsk"_s, "1\r\n")), u"application/x-quillet-skin in Quillet"_s);
        QVERIFY(!opensIn(make(u"notes.dat"_s, "milk\n")).endsWith(u" in Quillet"_s));
        if (!registration)
            return;
        QFile::copy(testData(u"tone-44k-stereo.mp3"_s), home.filePath(u"a.mp3"_s));
        for (const QString &path :
            {home.filePath(u"a.mp3"_s), make(u"b.wmp"_s, "x"), make(u"track.dat"_s, videoCdTrack())}) {
            const QString result = opensIn(path);
            QVERIFY2(result.endsWith(u" in Quillet"_s), qPrintable(path + u": "_s + result));
        }

        // No line in mimeapps.list names a type the MIME database no longer knows.
        const auto read = [](const QString &path) {
            QFile in(path);
            return in.open(QIODevice::ReadOnly) ? QString::fromUtf8(in.readAll()) : QString();
        };
        const QStringList known = (read(prefix + u"/share/mime/types"_s) + read(u"/usr/share/mime/types"_s))
                                      .split(u'\n', Qt::SkipEmptyParts);
        const QString apps = read(home.filePath(u".config/mimeapps.list"_s));
        QVERIFY(apps.contains(u'='));
        for (const QString &line : apps.split(u'\n')) {
            if (line.contains(u'='))
                QVERIFY2(known.contains(line.section(u'=', 0, 0)), qPrintable(line));
        }
    }

private:
    QString file(const QString &relative) const { return m_prefix.filePath(relative); }

    TestEnvironment m_env;
    QTemporaryDir m_prefix;
};

QTEST_GUILESS_MAIN(TstInstall)
#include "tst_install.moc"
