#include "appearance/skinfile.h"
#include "fakes/testenv.h"

#include <QFile>
#include <QTest>

#include <csignal>
#include <memory>
#include <sys/resource.h>

using namespace quillet;
using namespace quillet::testing;

Q_DECLARE_METATYPE(quillet::Skin)
Q_DECLARE_METATYPE(quillet::SkinFile::Status)

namespace {

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

Skin sampleSkin()
{
    Skin skin;
    skin.backgroundColour = 8421504;
    skin.textColour = 0x00FF8040;
    skin.gradientOn = 1;
    skin.pictureOn = 1;
    skin.pictureFile = QStringLiteral("/home/ann/Bilder/Blätter am Fluss.jpg");
    skin.fontName = QStringLiteral("DejaVu Sans");
    skin.gradientRed = 200;
    skin.gradientGreen = 17;
    skin.gradientSpread = 255;
    return skin;
}

} // namespace

class TstSkinFile : public QObject
{
    Q_OBJECT

private slots:
    void init() { m_env = std::make_unique<TestEnvironment>(); }
    void cleanup() { m_env.reset(); }

    void roundTrip_data();
    void roundTrip();
    void parse_data();
    void parse();
    void missingFileIsIgnored();
    void failedWriteIsReportedAndKeepsOldFile();

private:
    std::unique_ptr<TestEnvironment> m_env;
};

void TstSkinFile::roundTrip_data()
{
    QTest::addColumn<Skin>("skin");
    QTest::addColumn<QByteArray>("firstTwoLines");

    QTest::newRow("all nine values") << sampleSkin() << QByteArray(" 8421504 \r\n 16744512 \r\n");
    Skin negative = sampleSkin();
    negative.backgroundColour = -16777216;
    negative.textColour = qint32(0x80000005);
    QTest::newRow("top bit set") << negative << QByteArray("-16777216 \r\n-2147483643 \r\n");
    Skin empty;
    empty.pictureFile.clear();
    empty.fontName.clear();
    QTest::newRow("empty texts, zeros") << empty << QByteArray(" 8421504 \r\n 14737632 \r\n");
}

void TstSkinFile::roundTrip()
{
    QFETCH(Skin, skin);
    QFETCH(QByteArray, firstTwoLines);
    const QString path = m_env->path(QStringLiteral("skins/my skin.qsk"));
    QVERIFY(SkinFile::write(path, skin).ok);

    const QByteArray bytes = readFile(path);
    QVERIFY(bytes.startsWith(firstTwoLines));
    QVERIFY(bytes.endsWith("[Dont edit these values]\r\n"));
    QCOMPARE(bytes.count("\r\n"), 10);

    const SkinFile::ReadResult read = SkinFile::read(path);
    QCOMPARE(read.status, SkinFile::Status::Read);
    QCOMPARE(read.skin, skin);
}

void TstSkinFile::parse_data()
{
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<SkinFile::Status>("status");
    QTest::addColumn<QString>("errorPart");

    const QStringList good = SkinFile::lines(sampleSkin());
    const auto with = [&good](int line, const QString &text) {
        QStringList lines = good;
        lines[line - 1] = text;
        return lines;
    };
    QTest::newRow("written file") << good << SkinFile::Status::Read << QString();
    QTest::newRow("nine lines, no remark") << good.mid(0, 9) << SkinFile::Status::Read << QString();
    QTest::newRow("blanks around numbers") << with(7, QStringLiteral("   12\t")) << SkinFile::Status::Read << QString();
    QTest::newRow("empty first line") << with(1, QString()) << SkinFile::Status::Ignored << QString();
    QTest::newRow("empty file") << QStringList() << SkinFile::Status::Ignored << QString();
    QTest::newRow("eight lines") << good.mid(0, 8) << SkinFile::Status::Unusable << QStringLiteral("nine lines");
    QTest::newRow("text colour not a number")
        << with(2, QStringLiteral("white")) << SkinFile::Status::Unusable << QStringLiteral("line 2");
    QTest::newRow("colour beyond 32 bits")
        << with(1, QStringLiteral(" 4294967295 ")) << SkinFile::Status::Unusable << QStringLiteral("line 1");
    QTest::newRow("gradient flag 2") << with(3, QStringLiteral(" 2 ")) << SkinFile::Status::Unusable
                                     << QStringLiteral("line 3");
    QTest::newRow("empty number line") << with(9, QString()) << SkinFile::Status::Unusable << QStringLiteral("line 9");
    QTest::newRow("red above 255") << with(7, QStringLiteral(" 256 ")) << SkinFile::Status::Unusable
                                   << QStringLiteral("line 7");
}

void TstSkinFile::parse()
{
    QFETCH(QStringList, lines);
    QFETCH(SkinFile::Status, status);
    QFETCH(QString, errorPart);
    const SkinFile::ReadResult result = SkinFile::parse(lines);
    QCOMPARE(result.status, status);
    if (status == SkinFile::Status::Read)
        QCOMPARE(result.skin.gradientRed, qint16(lines.at(6).trimmed().toInt()));
    if (!errorPart.isEmpty())
        QVERIFY2(result.error.contains(errorPart), qPrintable(result.error));
}

void TstSkinFile::missingFileIsIgnored()
{
    const SkinFile::ReadResult result = SkinFile::read(m_env->path(QStringLiteral("none.qsk")));
    QCOMPARE(result.status, SkinFile::Status::Ignored);
    QVERIFY(result.error.isEmpty());
    // A file written on Linux with LF line ends reads the same as one with CR LF.
    const QString path = m_env->path(QStringLiteral("lf.qsk"));
    QVERIFY(writeFile(path, SkinFile::lines(sampleSkin()).join(QLatin1Char('\n')).toUtf8()));
    QCOMPARE(SkinFile::read(path).skin, sampleSkin());
}

void TstSkinFile::failedWriteIsReportedAndKeepsOldFile()
{
    // A folder that cannot be made: its parent is a regular file.
    QVERIFY(writeFile(m_env->path(QStringLiteral("plain")), "x"));
    const FileResult noFolder = SkinFile::write(m_env->path(QStringLiteral("plain/skin.qsk")), sampleSkin());
    QVERIFY(!noFolder.ok);
    QVERIFY(noFolder.error.contains(QStringLiteral("plain/skin.qsk")));

    // A write cut short by the file size limit leaves the old skin whole.
    const QString path = m_env->path(QStringLiteral("old.qsk"));
    QVERIFY(SkinFile::write(path, Skin()).ok);
    const QByteArray old = readFile(path);
    rlimit saved {};
    QCOMPARE(getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 40;
    QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
    const FileResult cut = SkinFile::write(path, sampleSkin());
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);
    QVERIFY(!cut.ok);
    QCOMPARE(readFile(path), old);
}

QTEST_GUILESS_MAIN(TstSkinFile)
#include "tst_skinfile.moc"
