// Face count and size text of a run.

#include <QTest>

#include "formats/SizeEstimate.h"

using namespace petalwright::formats;

class TestSizeEstimate : public QObject {
    Q_OBJECT
private slots:
    void estimates()
    {
        const struct { int petals, overlap, faces; const char* size; } rows[] = {
            {2, 1, 16, "約 3.8 KB"}, {6, 6, 288, "約 67.1 KB"}, {37, 4, 1184, "約 275.5 KB"},
            {10, 15, 1200, "約 279.2 KB"}, {16, 32, 4096, "約 953.1 KB"}, // 953.0 + 0.05 rounds up
            {22, 25, 4400, "約 1023.8 KB"}, {29, 19, 4408, "約 1.1 MB"}, // 550 and 551 petals
            {50, 50, 20000, "約 4.6 MB"},
        };
        for (const auto& r : rows) {
            const SizeEstimate e = estimateSize(r.petals, r.overlap);
            QCOMPARE(e.faceTotal, r.faces);
            QCOMPARE(e.sizeEstimateText, std::string(r.size));
            QCOMPARE(e.faceTotal >= kConfirmFaceCount, r.faces >= 1200);
        }
    }
};

QTEST_GUILESS_MAIN(TestSizeEstimate)
#include "tst_sizeestimate.moc"
