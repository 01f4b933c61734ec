// The daisy mesh generator: points to nine decimals, ring turns and the random source behind them,
// progress and cancel.

#include <QTest>

#include <cmath>
#include <set>
#include <thread>
#include <vector>

#include "formats/NumberPatterns.h"
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

MeshStore generate(const FlowerParameters& p, RandomSource& random)
{
    MeshStore store;
    store.allocate(p.overlapCount, p.petalCount);
    makeDaisyMesh(p, store, random);
    return store;
}

std::string text(const MeshStore& m, std::size_t i)
{
    using petalwright::formats::formatCoordinate;
    return formatCoordinate(m.x(i)) + ", " + formatCoordinate(m.y(i)) + ", " + formatCoordinate(m.z(i));
}

bool same(const MeshStore& a, const MeshStore& b, std::size_t i)
{
    return a.x(i) == b.x(i) && a.y(i) == b.y(i) && a.z(i) == b.z(i);
}

double azimuthDegrees(const MeshStore& m, std::size_t i) { return std::atan2(m.z(i), m.x(i)) * 180.0 / M_PI; }

} // namespace

class TestDaisyMesh : public QObject {
    Q_OBJECT
private slots:
    void points()
    {
        const FlowerParameters example = {4, 1, 10, 1.0, 90.0, 90.0};
        const struct { FlowerParameters p; int ring, point, strip; const char* text; } rows[] = {
            {example, 0, 1, 0, "15.970992272, 49.441608053, 0.784604538"},
            {example, 0, 1, 1, "11.141827845, 47.221629157, 11.141827845"},
            {example, 0, 1, 2, "0.784604538, 49.441608053, 15.970992272"},
            {example, 0, 4, 0, "28.284271247, 50.000000000, 28.284271247"}, // the tip, equal on all strips
            {example, 0, 4, 2, "28.284271247, 50.000000000, 28.284271247"},
            {{4, 1, 5, 1.0, 90.0, 90.0}, 0, 3, 2, "17.775539743, 49.441522994, 26.602975215"}, // 20.5 units -> 20
            {{4, 1, 7, 1.0, 90.0, 90.0}, 0, 3, 0, "28.217182191, 49.441522994, 15.082398106"}, // 10.5 units -> 10
            {{4, 1, 10, 1.0, 0.0, 0.0}, 0, 4, 0, "0.000000000, 10.000000000, 0.000000000"},   // hanging down
            {{4, 1, 10, 1.0, 180.0, 180.0}, 0, 4, 0, "0.000000000, 90.000000000, 0.000000000"}, // straight up
            {{4, 1, 10, 1.0, 45.5, 45.5}, 0, 4, 0, "20.346002032, 22.213665182, 20.346002032"}, // tilt 315.5 -> 316
            {{4, 1, 10, 1.0, 44.5, 44.5}, 0, 4, 0, "19.647905774, 21.226407986, 19.647905774"}, // tilt 314.5 -> 314
            {{4, 3, 10, 0.5, 90.0, 90.0}, 2, 4, 1, "14.142135624, 50.000000000, 14.142135624"}, // tip at 40 x 0.5
            {{4, 3, 10, 2.0, 90.0, 90.0}, 1, 4, 1, "42.426406871, 50.000000000, 42.426406871"}, // tip at 40 x 1.5
        };
        for (const auto& r : rows) {
            FixedRandom random;
            const MeshStore m = generate(r.p, random);
            QCOMPARE(QByteArray::fromStdString(text(m, m.index(r.ring, 0, r.point, r.strip))), QByteArray(r.text));
        }
    }

    void ringTurnsAndDraws()
    {
        // One ring draws nothing and ignores the end angle and the scale.
        FixedRandom first({0.9}), second({0.9});
        const MeshStore a = generate({4, 1, 10, 1.0, 90.0, 90.0}, first), b = generate({4, 1, 10, 7.5, 90.0, 170.0}, second);
        QCOMPARE(first.draws + second.draws, std::size_t{0});
        for (std::size_t i = 0; i < a.size(); ++i)
            QVERIFY(same(a, b, i));
        // Petal spacing 90 degrees over 3 rings: turn unit 30; one draw per later ring.
        FixedRandom random({0.5, 0.9999999});
        const MeshStore m = generate({4, 3, 5, 1.0, 90.0, 135.0}, random);
        QCOMPARE(random.draws, std::size_t{2});
        QCOMPARE(azimuthDegrees(m, m.index(0, 0, 4, 1)), 45.0);
        QCOMPARE(azimuthDegrees(m, m.index(1, 0, 4, 1)), 75.0);  // floor(0.5 * 3) = 1
        QCOMPARE(azimuthDegrees(m, m.index(2, 0, 4, 1)), 105.0); // floor(0.9999999 * 3) = 2
        QCOMPARE(azimuthDegrees(m, m.index(2, 1, 4, 1)), 195.0 - 360.0);
    }

    // The seeded source is the same on every machine: seed 1 gives these numbers, seed 4 these turns.
    // Its numbers fill [0, 1), so the turns of a 50-ring flower take every one of their 50 steps.
    void seededRandomSource()
    {
        SeededRandom one(1);
        const std::vector<double> first = {one.next(), one.next(), one.next()};
        QCOMPARE(first, (std::vector<double>{0x1.122deafddb434p-3, 0x1.175c928118c7cp-3, 0x1.ce0b479deb99p-2}));
        SeededRandom four(4); // draws 0.7.. and 0.4..: turns of 2 and 1 units of 30 degrees
        const MeshStore m = generate({4, 3, 5, 1.0, 90.0, 135.0}, four);
        QCOMPARE(azimuthDegrees(m, m.index(1, 0, 4, 1)), 105.0);
        QCOMPARE(azimuthDegrees(m, m.index(2, 0, 4, 1)), 75.0);

        SeededRandom random(20261207);
        std::set<int> steps;
        double lowest = 1.0, highest = 0.0;
        for (int i = 0; i < 20000; ++i) {
            const double r = random.next();
            QVERIFY(r >= 0.0 && r < 1.0);
            lowest = std::min(lowest, r);
            highest = std::max(highest, r);
            steps.insert(static_cast<int>(std::floor(r * 50)));
        }
        QCOMPARE(steps.size(), std::size_t{50});
        QVERIFY2(lowest < 1e-3 && highest > 1.0 - 1e-3, qPrintable(QStringLiteral("%1 .. %2").arg(lowest).arg(highest)));

        // Two runs started a moment apart get different turns.
        const std::uint64_t seed = seedFromClock();
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
        QVERIFY(seedFromClock() != seed);
    }

    void cancelAfterEveryPetalOfDefaultFlower()
    {
        const FlowerParameters p = convertParameters(defaultParameterTexts());
        const int petals = p.petalCount * p.overlapCount;
        FixedRandom first({0.3, 0.6, 0.1, 0.9, 0.5});
        const MeshStore complete = generate(p, first);
        for (int k = 1; k <= petals; ++k) {
            FixedRandom random({0.3, 0.6, 0.1, 0.9, 0.5});
            QList<int> facesBefore;
            MeshStore m;
            m.allocate(p.overlapCount, p.petalCount);
            QVERIFY(!makeDaisyMesh(p, m, random, [&](int before) { facesBefore << before; return facesBefore.size() < k; }));
            QVERIFY(facesBefore.size() == k && facesBefore.back() == kFacesPerPetal * (k - 1));
            QCOMPARE(random.draws, static_cast<std::size_t>((k - 1) / p.petalCount)); // a ring draws when it starts
            for (int n = 0; n < petals; ++n) // petals up to k as in a complete run, nothing computed after them
                for (int point = 0; point < kPointsPerStrip; ++point)
                    for (int strip = 0; strip < kStripsPerPetal; ++strip) {
                        const std::size_t i = m.index(n / p.petalCount, n % p.petalCount, point, strip);
                        if (n < k ? !same(m, complete, i) : m.x(i) != 0 || m.y(i) != 0 || m.z(i) != 0)
                            QFAIL(qPrintable(QStringLiteral("cancel after petal %1: petal %2 point %3").arg(k).arg(n).arg(point)));
                    }
        }
        QCOMPARE(first.draws, std::size_t{5});
    }
};

QTEST_GUILESS_MAIN(TestDaisyMesh)
#include "tst_daisymesh.moc"
