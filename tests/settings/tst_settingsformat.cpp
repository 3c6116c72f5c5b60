// The settings file's own INI reader and writer against Qt's: a file that Qt wrote, or that a user edited by hand
// in the ways Qt reads, gives every window the values it gave before; a file this program writes reads the same in
// Qt (an older Quillet, a hand-made script) and here.
#include "fakes/tagfiles.h"
#include "fakes/testenv.h"
#include "settings/settingsformat.h"

#include <QSettings>
#include <QTest>

using namespace quillet;
using namespace quillet::testing;
using namespace Qt::StringLiterals;

// The text of a value as the store takes it: none for a missing or "@Invalid()" one.
static QString shown(const QVariant &value)
{
    return value.isValid() ? u'\'' + value.toString() + u'\'' : u"(none)"_s;
}

class TstSettingsFormat : public QObject
{
    Q_OBJECT

private slots:
    void readsAsQtReads_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::newRow("as Qt writes it") << QByteArray(
            "[Opening%20Files]\nAuto%20Play=1\nManage=0\n\n[Skins]\nAuto=1\n");
        QTest::newRow("hand-edited") << QByteArray(
            "; comment\n[Opening Files]\nAuto Play = 0\n[Tray]\nHide=\"1\"\nAnimate=a, b\n[Remote]\nTop=@Invalid()\n"
            "Short=@ByteArray(x)\n[General]\nx=\\x41\\n\n[Video\nOpen=1\n=novalue\n[Playlist]\nContinue\nSave=1\nSave="
            "0\n");
        QTest::newRow("quotes, escapes, comments") << QByteArray(
            "[A]\nk=  spaced value  \nq=\"  quoted  \"\nm=a\"b\"c\nt=1 ; trailing comment\nu=\"x;y\"\nw=\\\"\ne=\\e\n"
            "h=\\x4g\no=\\101\\1012\nn=line1\\\nline2\nz=@@at\nzz=@String(str)\nr=@Rect(1 2 3 "
            "4)\nb=@ByteArray(caf\xc3\xa9)\n"
            "l=\\t \nv=\\  \ns=\" \"  \nc=,\nd=\"a,b\"\nx=\\x\n");
        QTest::newRow("sections") << QByteArray(
            "\xef\xbb\xbfk=top\n[general]\nk=1\n[%General]\nk=2\n[A]\nk=1\n[B]\nk=2\n[A]\nk=3\n[ ]\nk=4\n[A]]\nj=5\n");
        QTest::newRow("names") << QByteArray("[A%2FB]\nk%20y=1\nsl\\ash=2\nuni%U00e9=3\nbad%zz=4\npct%=5\n#x=6\n");
        QTest::newRow("line ends") << QByteArray("[A]\r\nk=v\r\nl=w\rm=x\nq=\"multi\nline\"\nr=after\n  i  =  v  \n");
    }
    void readsAsQtReads()
    {
        QFETCH(QByteArray, text);
        TestEnvironment env;
        // Through QSettings, as the program reads, each from a file of its own: QSettings reuses a file's parse.
        const QString qtPath = env.path(u"qt.ini"_s), ourPath = env.path(u"ours.ini"_s);
        QVERIFY(writeFileBytes(qtPath, text) && writeFileBytes(ourPath, text));
        const QSettings qt(qtPath, QSettings::IniFormat);
        const QSettings ours(ourPath, SettingsFormat::format());
        QStringList keys = qt.allKeys() + ours.allKeys();
        keys.removeDuplicates();
        QVERIFY(!keys.isEmpty());
        for (const QString &key : keys)
            QCOMPARE(key + u' ' + shown(ours.value(key)), key + u' ' + shown(qt.value(key)));
    }
    void writesWhatQtReads_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("value");
        QTest::newRow("plain") << u"Opening Files/Auto Play"_s << u"1"_s;
        QTest::newRow("blanks around") << u"A/B/C"_s << u" both "_s;
        QTest::newRow("list and comment characters") << u"General/k"_s << u"a,b;c=d"_s;
        QTest::newRow("quotes and backslashes") << u"top"_s << u"\"q\" \\ x\\"_s;
        QTest::newRow("at signs") << u"S/k"_s << u"@Invalid()"_s;
        QTest::newRow("controls and hex digits after them")
            << u"S/k"_s << QString(QChar(1)) + u"A"_s + QChar(0) + u"1f\r\n\t"_s;
        QTest::newRow("beyond ASCII") << u"S\u00e9/k\u20ac"_s << u"caf\u00e9 \u20ac \U0001F600"_s;
        QTest::newRow("escaped name") << u"a%b/c d"_s << u""_s;
    }
    void writesWhatQtReads()
    {
        QFETCH(QString, key);
        QFETCH(QString, value);
        TestEnvironment env;
        QSettings::SettingsMap values {{key, value}, {u"Z/other"_s, u"1"_s}};
        const QString ours = env.path(u"ours.ini"_s);
        QVERIFY(writeFileBytes(ours, SettingsFormat::text(values)));
        QCOMPARE(QSettings(ours, QSettings::IniFormat).value(key).toString(), value);
        QCOMPARE(SettingsFormat::parse(SettingsFormat::text(values)), values);
        // And what Qt writes reads here as in Qt.
        const QString theirs = env.path(u"qt.ini"_s);
        {
            QSettings qt(theirs, QSettings::IniFormat);
            qt.setValue(key, value);
        }
        QCOMPARE(SettingsFormat::parse(fileBytes(theirs)).value(key).toString(), value);
    }
};

QTEST_MAIN(TstSettingsFormat)
#include "tst_settingsformat.moc"
