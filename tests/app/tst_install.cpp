// cmake --install of this build into a temporary prefix: the program, desktop entry, skin MIME type, icon and
// AppStream metainfo land in their freedesktop places and the freedesktop validators accept them.
#include "app/mprisroot.h"
#include "desktoptesting.h"
#include "fakes/testenv.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QXmlStreamReader>

#include <algorithm>

using namespace quillet;
using namespace quillet::testing;

namespace {

struct Run
{
    int exitCode = -1;
    QString output;
};

Run run(const QString &program, const QStringList &arguments, const QProcessEnvironment &environment = {})
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    if (!environment.isEmpty())
        process.setProcessEnvironment(environment);
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
    void filesLandInTheirPlaces_data();
    void filesLandInTheirPlaces();
    void validatorsAcceptTheFiles_data();
    void validatorsAcceptTheFiles();
    void desktopEntryStartsQuilletWithAFile();
    void mimeTypesAgreeEverywhere();
    void skinTypeIsKnownAfterInstall();
    void metainfoNamesTheDesktopEntry();

private:
    QString file(const QString &relative) const { return m_prefix.filePath(relative); }

    TestEnvironment m_env;
    QTemporaryDir m_prefix;
};

void TstInstall::initTestCase()
{
    QVERIFY2(!quilletExecutable().isEmpty(), "build the quillet target first");
    const QString buildDir = QDir::cleanPath(QCoreApplication::applicationDirPath() + QStringLiteral("/.."));
    QVERIFY2(QFile::exists(buildDir + QStringLiteral("/CMakeCache.txt")), qPrintable(buildDir));
    const Run install = run(
        QStringLiteral("cmake"), {QStringLiteral("--install"), buildDir, QStringLiteral("--prefix"), m_prefix.path()});
    QVERIFY2(install.exitCode == 0, qPrintable(install.output));
}

void TstInstall::filesLandInTheirPlaces_data()
{
    QTest::addColumn<QString>("path");

    QTest::newRow("program") << QStringLiteral("bin/quillet");
    QTest::newRow("desktop entry") << QStringLiteral("share/applications/quillet.desktop");
    QTest::newRow("skin MIME type") << QStringLiteral("share/mime/packages/quillet.xml");
    QTest::newRow("icon") << QStringLiteral("share/icons/hicolor/scalable/apps/quillet.svg");
    QTest::newRow("metainfo") << QStringLiteral("share/metainfo/io.github.quillet.Quillet.metainfo.xml");
    QTest::newRow("type icons") << QStringLiteral("share/quillet/quillet-icons.rcc");
}

void TstInstall::filesLandInTheirPlaces()
{
    QFETCH(QString, path);
    const QFileInfo info(file(path));
    QVERIFY2(info.isFile(), qPrintable(info.filePath()));
    QVERIFY(info.size() > 0);
    if (path.startsWith(QLatin1String("bin/")))
        QVERIFY(info.isExecutable());
    // The XML files must parse: icon themes and software centres skip broken ones without a word.
    if (path.endsWith(QLatin1String(".svg")) || path.endsWith(QLatin1String(".xml"))) {
        QFile xmlFile(info.filePath());
        QVERIFY(xmlFile.open(QIODevice::ReadOnly));
        QXmlStreamReader xml(&xmlFile);
        while (!xml.atEnd())
            xml.readNext();
        QVERIFY2(!xml.hasError(), qPrintable(xml.errorString()));
    }
}

void TstInstall::validatorsAcceptTheFiles_data()
{
    QTest::addColumn<QString>("program");
    QTest::addColumn<QStringList>("arguments");

    QTest::newRow("desktop-file-validate") << QStringLiteral("desktop-file-validate")
                                           << QStringList {file(QStringLiteral("share/applications/quillet.desktop"))};
    QTest::newRow("appstreamcli validate")
        << QStringLiteral("appstreamcli")
        << QStringList {QStringLiteral("validate"), QStringLiteral("--no-net"),
               file(QStringLiteral("share/metainfo/io.github.quillet.Quillet.metainfo.xml"))};
}

void TstInstall::validatorsAcceptTheFiles()
{
    QFETCH(QString, program);
    QFETCH(QStringList, arguments);
    const Run check = run(program, arguments);
    QVERIFY2(check.exitCode == 0, qPrintable(program + QStringLiteral(": ") + check.output));
    // Warnings count as failures too: a validator that only warns still shows the file as faulty in software
    // centres.
    QVERIFY2(!check.output.contains(QLatin1String("warning"), Qt::CaseInsensitive), qPrintable(check.output));
}

void TstInstall::desktopEntryStartsQuilletWithAFile()
{
    const QMap<QString, QString> entry = desktopEntry(file(QStringLiteral("share/applications/quillet.desktop")));
    QCOMPARE(entry.value(QStringLiteral("Type")), QStringLiteral("Application"));
    QCOMPARE(entry.value(QStringLiteral("Name")), QStringLiteral("Quillet"));
    // One file at a time: Quillet takes the whole argument text as one file name.
    QCOMPARE(entry.value(QStringLiteral("Exec")), QStringLiteral("quillet %f"));
    QCOMPARE(entry.value(QStringLiteral("Icon")), QStringLiteral("quillet"));
    QVERIFY(QFile::exists(file(QStringLiteral("share/icons/hicolor/scalable/apps/"))
        + entry.value(QStringLiteral("Icon")) + QStringLiteral(".svg")));
    QVERIFY(QFile::exists(
        file(QStringLiteral("bin/")) + entry.value(QStringLiteral("Exec")).section(QLatin1Char(' '), 0, 0)));
}

void TstInstall::mimeTypesAgreeEverywhere()
{
    // What the desktop entry offers to open is what the media controls say Quillet opens.
    const QMap<QString, QString> entry = desktopEntry(file(QStringLiteral("share/applications/quillet.desktop")));
    QStringList listed = entry.value(QStringLiteral("MimeType")).split(QLatin1Char(';'), Qt::SkipEmptyParts);
    QStringList announced = MprisRoot::mimeTypes();
    listed.sort();
    announced.sort();
    QCOMPARE(listed, announced);
    // Every type is one the shared MIME database knows, or the one Quillet installs.
    const QStringList own = xmlTexts(
        file(QStringLiteral("share/mime/packages/quillet.xml")), QStringLiteral("mime-type"), QStringLiteral("type"));
    for (const QString &type : std::as_const(listed)) {
        const bool declared = std::any_of(own.cbegin(), own.cend(),
            [&type](const QString &declaration) { return declaration.startsWith(type + QLatin1Char('=')); });
        const bool known
            = declared || QFile::exists(QStringLiteral("/usr/share/mime/") + type + QStringLiteral(".xml"));
        QVERIFY2(known, qPrintable(type));
    }
}

void TstInstall::skinTypeIsKnownAfterInstall()
{
    // What a package manager's trigger does after installing: the MIME database of the prefix is rebuilt and names
    // the skin type for *.qsk files.
    const QString mimeDir = file(QStringLiteral("share/mime"));
    const Run update = run(QStringLiteral("update-mime-database"), {QStringLiteral("-V"), mimeDir});
    QVERIFY2(update.exitCode == 0, qPrintable(update.output));
    QVERIFY2(!update.output.contains(QLatin1String("warning"), Qt::CaseInsensitive), qPrintable(update.output));
    QFile globs(mimeDir + QStringLiteral("/globs2"));
    QVERIFY(globs.open(QIODevice::ReadOnly));
    QVERIFY(globs.readAll().contains(":application/x-quillet-skin:*.qsk"));
}

void TstInstall::metainfoNamesTheDesktopEntry()
{
    const QString path = file(QStringLiteral("share/metainfo/io.github.quillet.Quillet.metainfo.xml"));
    QCOMPARE(xmlTexts(path, QStringLiteral("id")), QStringList {QStringLiteral("io.github.quillet.Quillet")});
    QCOMPARE(xmlTexts(path, QStringLiteral("launchable"), QStringLiteral("type")),
        QStringList {QStringLiteral("desktop-id=quillet.desktop")});
    QCOMPARE(xmlTexts(path, QStringLiteral("binary")), QStringList {QStringLiteral("quillet")});
    // The media types it claims are ones the desktop entry opens.
    const QStringList opened = desktopEntry(file(QStringLiteral("share/applications/quillet.desktop")))
                                   .value(QStringLiteral("MimeType"))
                                   .split(QLatin1Char(';'), Qt::SkipEmptyParts);
    const QStringList claimed = xmlTexts(path, QStringLiteral("mediatype"));
    QVERIFY(!claimed.isEmpty());
    for (const QString &type : claimed)
        QVERIFY2(opened.contains(type), qPrintable(type));
}

QTEST_GUILESS_MAIN(TstInstall)
#include "tst_install.moc"
