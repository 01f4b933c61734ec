// Ring colours: distinct for every ring count up to 50, graded from the smallest ring outward, and the
// palette's numbers as RGB.

#include <QTest>

#include <set>

#include "formats/RingColours.h"
#include "geometry/DaisyMesh.h"

using namespace petalwright;

class TestRingColours : public QObject {
    Q_OBJECT
private slots:
    void distinctAndGraded()
    {
        for (const double scale : {0.5, 1.0, 3.0}) {
            for (int rings = 1; rings <= 50; ++rings) {
                const geometry::FlowerParameters p = {2, rings, 5, scale, 90.0, 135.0};
                geometry::MeshStore mesh;
                mesh.allocate(rings, 2);
                geometry::SeededRandom random(1);
                geometry::makeDaisyMesh(p, mesh, random);
                const std::vector<formats::RingColour> colours = formats::ringColours(mesh, rings);
                QCOMPARE(static_cast<int>(colours.size()), rings);

                // From the centre outward: shrinking rings put the centre last, growing and equal ones first.
                std::vector<int> outward(static_cast<std::size_t>(rings));
                for (int i = 0; i < rings; ++i)
                    outward[static_cast<std::size_t>(i)] = colours[static_cast<std::size_t>(scale < 1.0 ? rings - 1 - i : i)].colourNumber;
                const QString where = QStringLiteral("scale %1, %2 rings").arg(scale).arg(rings);
                // The centre is yellow; no two rings alike.
                QVERIFY2(outward.front() == 50 && std::set<int>(outward.begin(), outward.end()).size() == outward.size(), qPrintable(where));
                // Each step goes on round the hue circle (yellow, orange, red, ...) or darkens the same hue.
                for (std::size_t i = 1; i < outward.size(); ++i) {
                    const int hueBefore = outward[i - 1] / 10, hue = outward[i] / 10;
                    const int turn = ((hueBefore - hue) % 24 + 24) % 24;
                    const bool darker = turn == 0 && outward[i] % 10 > outward[i - 1] % 10;
                    QVERIFY2((darker || (turn > 0 && outward[i] % 10 == 0)) && outward[i] >= 10 && outward[i] <= 249, qPrintable(where));
                }
            }
        }
    }

    // Red, yellow, green, cyan, blue, magenta; orange, dark yellow, half red.
    void paletteRgb()
    {
        const std::pair<int, std::array<double, 3>> rows[] = {
            {10, {1, 0, 0}}, {50, {1, 1, 0}}, {90, {0, 1, 0}}, {130, {0, 1, 1}}, {170, {0, 0, 1}}, {210, {1, 0, 1}},
            {30, {1, 0.5, 0}}, {52, {0.65, 0.65, 0}}, {14, {0.5, 0, 0}},
        };
        for (const auto& [number, rgb] : rows) {
            const auto seen = formats::paletteRgb(number);
            for (std::size_t i = 0; i < 3; ++i)
                QVERIFY2(std::abs(seen[i] - rgb[i]) < 1e-12, qPrintable(QStringLiteral("%1: %2").arg(number).arg(seen[i])));
        }
    }
};

QTEST_GUILESS_MAIN(TestRingColours)
#include "tst_ringcolours.moc"
