#include <QTest>
class TstPlaceholder : public QObject { Q_OBJECT private slots: void runs() { QVERIFY(true); } };
QTEST_GUILESS_MAIN(TstPlaceholder)
#include "tst_placeholder.moc"
