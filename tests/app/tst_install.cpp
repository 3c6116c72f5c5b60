// cmake --install of this build into a temporary prefix: the program, desktop entry, skin MIME type, icon and
// AppStream metainfo land in their freedesktop places, the freedesktop validators accept them, and installing and
// "Register File Types Now" into the same folders leave every registered type opening in Quillet.
#include "app/mprisroot.h"
#include "desktoptesting.h"
#include "fakes/mimetools.h"
#include "fakes/testenv.h"
#include "settings/filetyperegistry.h"
#include "settings/iconresource.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QXmlStreamReader>

using namespace quillet;
using namespace quillet::testing;

namespace {

struct Run
{
    int exitCode = -1;
    QString output;
};

Run run(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    if (!process.waitForFinished(120000))
        return {-1, QStringLiteral("did not finish: ") + program};
    return {
        process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1, QString::fromUtf8(process.readAll())};
}

// The [Desktop Entry] keys of a desktop file.
QMap<QString, QString> desktopEntry(const QString &path)
{
    QMap<QString, QString> keys;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return keys;
    bool inEntry = false;
    while (!file.atEnd()) {
        const QString line = QString::fromUtf8(file.readLine()).trimmed();
        if (line.startsWith(QLatin1Char('[')))
            inEntry = line == QLatin1String("[Desktop Entry]");
        else if (inEntry && line.contains(QLatin1Char('=')))
            keys.insert(line.section(QLatin1Char('='), 0, 0), line.section(QLatin1Char('='), 1));
    }
    return keys;
}

// The texts of every element with the given name in an XML file, with the named attribute's value first when
// attribute is not empty ("type=text").
QStringList xmlTexts(const QString &path, const QString &element, const QString &attribute = {})
{
    QStringList texts;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return texts;
    QXmlStreamReader xml(&file);
    while (!xml.atEnd()) {
        xml.readNext();
        if (!xml.isStartElement() || xml.name() != element)
            continue;
        const QString prefix
            = attribute.isEmpty() ? QString() : xml.attributes().value(attribute).toString() + QLatin1Char('=');
        texts.append(prefix + xml.readElementText(QXmlStreamReader::IncludeChildElements).trimmed());
    }
    return xml.hasError() ? QStringList {QStringLiteral("XML error: ") + xml.errorString()} : texts;
}

} // namespace

class TstInstall : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void filesLandInTheirPlaces();
    void entryAndMetainfoAgree();
    void installAndRegistrationKeepEachOther_data();
    void installAndRegistrationKeepEachOther();

private:
    QString file(const QString &relative) const { return m_prefix.filePath(relative); }
    static Run install(const QString &prefix);

    TestEnvironment m_env;
    QTemporaryDir m_prefix;
};

Run TstInstall::install(const QString &prefix)
{
    const QString buildDir = QDir::cleanPath(QCoreApplication::applicationDirPath() + QStringLiteral("/.."));
    return run(QStringLiteral("cmake"), {QStringLiteral("--install"), buildDir, QStringLiteral("--prefix"), prefix});
}

void TstInstall::initTestCase()
{
    QVERIFY2(!quilletExecutable().isEmpty(), "build the quillet target first");
    const Run installed = install(m_prefix.path());
    QVERIFY2(installed.exitCode == 0, qPrintable(installed.output));
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
    // The freedesktop validators accept the desktop entry and the metainfo, without a warning: software centres
    // show a file that only warns as faulty too.
    for (const QStringList &check :
        {QStringList {QStringLiteral("desktop-file-validate"), file(QStringLiteral("share/applications/quillet.desktop"))},
            QStringList {QStringLiteral("appstreamcli"), QStringLiteral("validate"), QStringLiteral("--no-net"),
                file(QStringLiteral("share/metainfo/io.github.quillet.Quillet.metainfo.xml"))}}) {
        const Run result = run(check.first(), check.mid(1));
        QVERIFY2(result.exitCode == 0 && !result.output.contains(QLatin1String("warning"), Qt::CaseInsensitive),
            qPrintable(check.first() + QStringLiteral(": ") + result.output));
    }
}

void TstInstall::entryAndMetainfoAgree()
{
    const QMap<QString, QString> entry = desktopEntry(file(QStringLiteral("share/applications/quillet.desktop")));
    // One file at a time, by the installed program's full path: the prefix's bin folder need not be on the PATH.
    QCOMPARE(entry.value(QStringLiteral("Exec")), file(QStringLiteral("bin/quillet")) + QStringLiteral(" %f"));
    QVERIFY(QFile::exists(file(QStringLiteral("share/icons/hicolor/scalable/apps/"))
        + entry.value(QStringLiteral("Icon")) + QStringLiteral(".svg")));
    // What the desktop entry offers to open is what the media controls say Quillet opens.
    QStringList listed = entry.value(QStringLiteral("MimeType")).split(QLatin1Char(';'), Qt::SkipEmptyParts);
    QStringList announced = MprisRoot::mimeTypes();
    listed.sort();
    announced.sort();
    QCOMPARE(listed, announced);

    const QString path = file(QStringLiteral("share/metainfo/io.github.quillet.Quillet.metainfo.xml"));
    QCOMPARE(xmlTexts(path, QStringLiteral("launchable"), QStringLiteral("type")),
        QStringList {QStringLiteral("desktop-id=quillet.desktop")});
    const QStringList claimed = xmlTexts(path, QStringLiteral("mediatype"));
    QVERIFY(!claimed.isEmpty());
    for (const QString &type : claimed)
        QVERIFY2(listed.contains(type), qPrintable(type));
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
    const Run installed = install(prefix);
    QVERIFY2(installed.exitCode == 0, qPrintable(installed.output));
    if (!registerFirst)
        QVERIFY(registerTypes());
    // What a package manager's trigger does after an install.
    QCOMPARE(run(QStringLiteral("update-mime-database"), {prefix + QStringLiteral("/share/mime")}).exitCode, 0);

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
    for (const QString &types : {prefix + QStringLiteral("/share/mime/types"), QStringLiteral("/usr/share/mime/types")}) {
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
