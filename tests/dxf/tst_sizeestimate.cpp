// Face count and size text of a run.

#include <QTest>

#include "dxf/SizeEstimate.h"

using namespace petalwright::dxf;

class TestSizeEstimate : public QObject {
    Q_OBJECT
private slots:
    void estimates_data()
    {
        QTest::addColumn<int>("petals");
        QTest::addColumn<int>("overlap");
        QTest::addColumn<int>("faces");
        QTest::addColumn<QString>("size");
        QTest::addRow("smallest") << 2 << 1 << 16 << QStringLiteral("約 3.8 KB");
        QTest::addRow("defaults") << 6 << 6 << 288 << QStringLiteral("約 67.1 KB");
        QTest::addRow("below confirmation") << 37 << 4 << 1184 << QStringLiteral("約 275.5 KB");
        QTest::addRow("first confirmation") << 10 << 15 << 1200 << QStringLiteral("約 279.2 KB");
        QTest::addRow("953.0 + 0.05 rounds up") << 16 << 32 << 4096 << QStringLiteral("約 953.1 KB");
        QTest::addRow("550: last in KB") << 22 << 25 << 4400 << QStringLiteral("約 1023.8 KB");
        QTest::addRow("551: first in MB") << 29 << 19 << 4408 << QStringLiteral("約 1.1 MB");
        QTest::addRow("largest") << 50 << 50 << 20000 << QStringLiteral("約 4.6 MB");
    }
    void estimates()
    {
        QFETCH(int, petals);
        QFETCH(int, overlap);
        QFETCH(int, faces);
        QFETCH(QString, size);
        const SizeEstimate e = estimateSize(petals, overlap);
        QCOMPARE(e.faceTotal, faces);
        QCOMPARE(QString::fromStdString(e.sizeEstimateText), size);
        QCOMPARE(e.faceTotal >= kConfirmFaceCount, faces >= 1200);
    }
};

QTEST_GUILESS_MAIN(TestSizeEstimate)
#include "tst_sizeestimate.moc"
