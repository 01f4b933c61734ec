// The daisy mesh generator: example points, ring scale, tilt, turns, progress and cancel.

#include <QTest>

#include <cmath>
#include <vector>

#include "dxf/NumberPatterns.h"
#include "geometry/DaisyMesh.h"

using namespace petalwright::geometry;

namespace {

// Hands out the given numbers in turn (0 when they run out) and counts the draws.
class FixedRandom final : public RandomSource {
public:
    explicit FixedRandom(std::vector<double> values = {}) : m_values(std::move(values)) {}
    double next() override
    {
        const std::size_t i = draws++;
        return i < m_values.size() ? m_values[i] : 0.0;
    }
    std::size_t draws = 0;

private:
    std::vector<double> m_values;
};

struct Point {
    double x, y, z;
};

Point at(const MeshStore& m, int ring, int petal, int point, int strip)
{
    const std::size_t i = m.index(ring, petal, point, strip);
    return {m.x(i), m.y(i), m.z(i)};
}

QString text(const Point& p)
{
    using petalwright::dxf::formatCoordinate;
    return QString::fromStdString(formatCoordinate(p.x) + ", " + formatCoordinate(p.y) + ", " + formatCoordinate(p.z));
}

double distanceFromCentre(const Point& p) { return std::hypot(p.x, p.y - 50.0, p.z); }
double azimuthDegrees(const Point& p) { return std::atan2(p.z, p.x) * 180.0 / M_PI; }

MeshStore generate(const FlowerParameters& p, RandomSource& random, const PetalStep& step = {})
{
    MeshStore store;
    store.allocate(p.overlapCount, p.petalCount);
    makeDaisyMesh(p, store, random, step);
    return store;
}

const FlowerParameters kExample = {4, 1, 10, 1.0, 90.0, 90.0};

} // namespace

class TestDaisyMesh : public QObject {
    Q_OBJECT
private slots:
    void examplePointsToNineDecimals()
    {
        FixedRandom random;
        const MeshStore m = generate(kExample, random);
        QCOMPARE(text(at(m, 0, 0, 1, 0)), QStringLiteral("15.970992272, 49.441608053, 0.784604538"));
        QCOMPARE(text(at(m, 0, 0, 1, 1)), QStringLiteral("11.141827845, 47.221629157, 11.141827845"));
        QCOMPARE(text(at(m, 0, 0, 1, 2)), QStringLiteral("0.784604538, 49.441608053, 15.970992272"));
        for (int strip = 0; strip < kStripsPerPetal; ++strip) {
            QCOMPARE(text(at(m, 0, 0, 4, strip)), QStringLiteral("28.284271247, 50.000000000, 28.284271247"));
            QCOMPARE(text(at(m, 0, 0, 0, strip)), QStringLiteral("0.000000000, 50.000000000, 0.000000000"));
        }
    }

    void oneRingDrawsNothingAndIgnoresEndAndScale()
    {
        FixedRandom first({0.9}), second({0.9});
        const MeshStore a = generate(kExample, first);
        const MeshStore b = generate({4, 1, 10, 7.5, 90.0, 170.0}, second);
        QCOMPARE(first.draws + second.draws, std::size_t{0});
        for (std::size_t i = 0; i < a.size(); ++i)
            QVERIFY(a.x(i) == b.x(i) && a.y(i) == b.y(i) && a.z(i) == b.z(i));
    }

    void laterRingsTurnByWholeMultiples()
    {
        // Petal spacing 90 degrees over 3 rings: turn unit 30; the tip sits mid-sector (+45).
        FixedRandom random({0.5, 0.9999999});
        const MeshStore m = generate({4, 3, 5, 1.0, 90.0, 135.0}, random);
        QCOMPARE(random.draws, std::size_t{2});
        QCOMPARE(azimuthDegrees(at(m, 0, 0, 4, 1)), 45.0);
        QCOMPARE(azimuthDegrees(at(m, 1, 0, 4, 1)), 75.0);  // floor(0.5 * 3) = 1
        QCOMPARE(azimuthDegrees(at(m, 2, 0, 4, 1)), 105.0); // floor(0.9999999 * 3) = 2
        QCOMPARE(azimuthDegrees(at(m, 2, 1, 4, 1)), 195.0 - 360.0);
    }

    void tipsLieAtRingScaleDistance_data()
    {
        QTest::addColumn<double>("scale");
        QTest::addColumn<QList<double>>("tips");
        QTest::addRow("shrinking") << 0.5 << QList<double>{40, 30, 20};
        QTest::addRow("growing") << 2.0 << QList<double>{40, 60, 80};
        QTest::addRow("unscaled") << 1.0 << QList<double>{40, 40, 40};
    }
    void tipsLieAtRingScaleDistance()
    {
        QFETCH(double, scale);
        QFETCH(QList<double>, tips);
        FixedRandom random;
        const MeshStore m = generate({5, 3, 5, scale, 30.0, 150.0}, random);
        for (int ring = 0; ring < 3; ++ring)
            for (int strip = 0; strip < kStripsPerPetal; ++strip)
                QCOMPARE(distanceFromCentre(at(m, ring, 4, 4, strip)), tips[ring]);
    }

    void growthAngleSetsTipHeight_data()
    {
        QTest::addColumn<double>("angle");
        QTest::addColumn<double>("tipY");
        const double rad = 3.14159265358979 / 180;
        QTest::addRow("hanging down") << 0.0 << 10.0;
        QTest::addRow("horizontal") << 90.0 << 50.0;
        QTest::addRow("straight up") << 180.0 << 90.0;
        QTest::addRow("45.5 -> tilt 316") << 45.5 << 40 * std::sin(316 * rad) + 50;
        QTest::addRow("44.5 -> tilt 314") << 44.5 << 40 * std::sin(314 * rad) + 50;
    }
    void growthAngleSetsTipHeight()
    {
        QFETCH(double, angle);
        QFETCH(double, tipY);
        FixedRandom random;
        const MeshStore m = generate({6, 1, 5, 1.0, angle, angle}, random);
        QCOMPARE(at(m, 0, 3, 4, 0).y, tipY);
    }

    void widthSetsEdgeSpread_data()
    {
        // Sector units (32 per petal) of points 1..3 of both edges.
        QTest::addColumn<int>("width");
        QTest::addColumn<QList<int>>("units");
        QTest::addRow("1") << 1 << QList<int>{10, 11, 14, 22, 21, 18};
        QTest::addRow("4") << 4 << QList<int>{7, 8, 12, 25, 24, 20};
        QTest::addRow("5") << 5 << QList<int>{6, 7, 12, 26, 25, 20};
        QTest::addRow("7") << 7 << QList<int>{4, 5, 10, 28, 27, 22};
        QTest::addRow("8") << 8 << QList<int>{3, 4, 10, 29, 28, 22};
        QTest::addRow("10") << 10 << QList<int>{1, 2, 9, 31, 30, 23};
    }
    void widthSetsEdgeSpread()
    {
        QFETCH(int, width);
        QFETCH(QList<int>, units);
        FixedRandom random;
        const MeshStore m = generate({4, 1, width, 1.0, 90.0, 90.0}, random); // sector 90 degrees
        QList<int> found;
        for (int strip : {0, 2})
            for (int point = 1; point <= 3; ++point)
                found << static_cast<int>(std::lround(azimuthDegrees(at(m, 0, 0, point, strip)) / (90.0 / 32)));
        QCOMPARE(found, units);
    }

    void reportsFacesBeforeEachPetal()
    {
        FixedRandom random;
        QList<int> counts;
        MeshStore m;
        m.allocate(2, 3);
        QVERIFY(makeDaisyMesh({3, 2, 5, 0.5, 90.0, 135.0}, m, random, [&](int before) {
            counts << before;
            return true;
        }));
        QCOMPARE(counts, (QList<int>{0, 8, 16, 24, 32, 40}));
    }

    void cancelStopsAfterThePetal_data()
    {
        QTest::addColumn<int>("stopAt"); // 1-based petal whose step cancels
        QTest::addColumn<int>("draws");
        QTest::addRow("first petal") << 1 << 0;
        QTest::addRow("last petal of ring 0") << 3 << 0;
        QTest::addRow("first petal of ring 1") << 4 << 1;
        QTest::addRow("last petal") << 9 << 2;
    }
    void cancelStopsAfterThePetal()
    {
        QFETCH(int, stopAt);
        QFETCH(int, draws);
        FixedRandom random;
        int steps = 0;
        MeshStore m;
        m.allocate(3, 3);
        QVERIFY(!makeDaisyMesh({3, 3, 5, 0.5, 90.0, 135.0}, m, random, [&](int) { return ++steps < stopAt; }));
        QCOMPARE(steps, stopAt);
        QCOMPARE(random.draws, static_cast<std::size_t>(draws));
        for (int n = 0; n < 9; ++n) // tips of computed petals are set, later ones untouched
            QCOMPARE(at(m, n / 3, n % 3, 4, 1).y != 0.0, n < stopAt);
    }
};

QTEST_GUILESS_MAIN(TestDaisyMesh)
#include "tst_daisymesh.moc"
