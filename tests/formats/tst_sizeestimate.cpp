// Face count and size text of a run.

#include <QTest>

#include "WrittenFlower.h"
#include "formats/SizeEstimate.h"

using namespace petalwright::formats;
using petalwright::testing::makeFlower;

namespace {
// The number in "約 20.3 KB" / "約 1.5 MB" in bytes.
double bytesOf(const std::string& text)
{
    const double value = std::stod(text.substr(text.find(' ') + 1));
    return value * 1024 * (text.ends_with("MB") ? 1024 : 1);
}
} // namespace

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
            QCOMPARE(std::to_string(e.faceTotal) + ' ' + e.sizeEstimateText, std::to_string(r.faces) + ' ' + r.size);
            QCOMPARE(e.faceTotal >= kConfirmFaceCount, r.faces >= 1200);
        }
    }

    // Every surface type's estimate within a tenth of the file its writer makes, across the range.
    void followsTheType()
    {
        const petalwright::geometry::ParameterTexts rows[] = {
            {"2", "1", "1", "0.1", "0", "0"},      {"6", "6", "5", "0.5", "90", "135"}, {"50", "50", "10", "50", "0", "180"},
            {"50", "50", "1", "0.1", "180", "180"}, {"3", "50", "2", "20", "90", "90"},  {"50", "2", "10", "0.1", "0", "180"},
            {"21", "9", "4", "7.5", "10", "170"},   {"2", "50", "1", "50", "0", "180"},
        };
        for (const auto& texts : rows) {
            const auto flower = makeFlower(texts);
            for (const OutputFormat format : kOutputFormats) {
                if (isPrintable(format) || isFlowerFile(format))
                    continue;
                const SizeEstimate e = estimateFileSize(format, flower.parameters);
                QCOMPARE(e.faceTotal, flower.faceTotal());
                const double written = static_cast<double>(flower.file(format).size());
                const double shown = bytesOf(e.sizeEstimateText);
                if (format == OutputFormat::Dxf)
                    QCOMPARE(e.sizeEstimateText, estimateSize(flower.parameters.petalCount, flower.parameters.overlapCount).sizeEstimateText);
                else
                    QVERIFY2(std::abs(shown / written - 1) <= 0.1,
                             qPrintable(QStringLiteral("%1: %2 for %3 bytes").arg(formatName(format).data(), e.sizeEstimateText.c_str()).arg(written)));
            }
        }
    }
};

QTEST_GUILESS_MAIN(TestSizeEstimate)
#include "tst_sizeestimate.moc"
