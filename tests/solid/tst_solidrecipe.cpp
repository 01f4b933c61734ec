// The solid's recipe without an engine: every part closed and turned outward (what an exact union
// library needs), and the finish keeping the outer shell, outward, on the bed, at the asked size.

#include <QTest>

#include <algorithm>
#include <map>
#include <utility>

#include "geometry/DaisyMesh.h"
#include "geometry/RandomSource.h"
#include "geometry/SampleFlowers.h"
#include "solid/SolidRecipe.h"

using namespace petalwright;

namespace {

// Each edge met once each way, and a positive volume: closed and turned outward.
void checkClosedOutward(const solid::PartMesh& part)
{
    std::map<std::pair<std::uint32_t, std::uint32_t>, int> edges;
    double volume = 0;
    for (const auto& t : part.triangles) {
        for (std::size_t k = 0; k < 3; ++k)
            ++edges[{t[k], t[(k + 1) % 3]}];
        const auto &a = part.points[t[0]], &b = part.points[t[1]], &c = part.points[t[2]];
        volume += (double(a[0]) * (double(b[1]) * c[2] - double(b[2]) * c[1]) - double(a[1]) * (double(b[0]) * c[2] - double(b[2]) * c[0])
                   + double(a[2]) * (double(b[0]) * c[1] - double(b[1]) * c[0])) / 6;
    }
    for (const auto& [edge, count] : edges) {
        QCOMPARE(count, 1);
        QVERIFY(edges.count({edge.second, edge.first}) == 1);
    }
    QVERIFY(volume > 0);
}

// A box from `low` to `high`, its faces turned inward when `inward`.
solid::PartMesh box(float low, float high, bool inward)
{
    solid::PartMesh m;
    for (int i = 0; i < 8; ++i)
        m.points.push_back({i & 1 ? high : low, i & 2 ? high : low, i & 4 ? high : low});
    m.triangles = {{0, 2, 1}, {1, 2, 3}, {4, 5, 6}, {5, 7, 6}, {0, 1, 4}, {1, 5, 4}, {2, 6, 3}, {3, 6, 7}, {0, 4, 2}, {2, 4, 6}, {1, 3, 5}, {3, 7, 5}};
    if (inward)
        for (auto& t : m.triangles)
            std::swap(t[1], t[2]);
    return m;
}

} // namespace

class TestSolidRecipe : public QObject {
    Q_OBJECT
private slots:
    void partsClosedOutward_data()
    {
        QTest::addColumn<geometry::ParameterTexts>("texts");
        QTest::addRow("default") << geometry::defaultParameterTexts();
        for (const char* name : {"lotus", "tulip", "pompom"})
            for (const auto& sample : geometry::sampleFlowers())
                if (sample.name == std::string_view(name))
                    QTest::addRow("%s", name) << geometry::ParameterTexts{std::string(sample.texts[0]), std::string(sample.texts[1]),
                                                                          std::string(sample.texts[2]), std::string(sample.texts[3]),
                                                                          std::string(sample.texts[4]), std::string(sample.texts[5])};
    }
    void partsClosedOutward()
    {
        QFETCH(geometry::ParameterTexts, texts);
        const geometry::FlowerParameters p = geometry::convertParameters(texts);
        geometry::MeshStore mesh;
        mesh.allocate(p.overlapCount, p.petalCount);
        geometry::SeededRandom random(3);
        geometry::makeDaisyMesh(p, mesh, random);
        const solid::SolidPlan plan = solid::planPrintSolid(mesh, p.overlapCount, p.petalCount, {1.2, 80});
        QCOMPARE(plan.slabs.size(), std::size_t(p.overlapCount * p.petalCount));
        for (const solid::PartMesh& slab : plan.slabs)
            checkClosedOutward(slab);
        if (!plan.heart.triangles.empty())
            checkClosedOutward(plan.heart);
        checkClosedOutward(plan.below);
    }
    void finishKeepsOuterShell()
    {
        // An engine's mesh turned inward, with a cavity inside: the outer box alone, outward, on the bed, 50 mm wide.
        solid::PartMesh outer = box(2, 12, true), cavity = box(5, 6, false);
        for (const auto& t : cavity.triangles)
            outer.triangles.push_back({t[0] + 8, t[1] + 8, t[2] + 8});
        outer.points.insert(outer.points.end(), cavity.points.begin(), cavity.points.end());
        solid::SolidPlan plan;
        plan.cut = 2;
        plan.sizeMm = 50;
        formats::SolidMesh out;
        QCOMPARE(solid::finishPrintSolid(plan, outer.points, outer.triangles, 1e-4, out), solid::SolidOutcome::Finished);
        QCOMPARE(out.triangles.size(), std::size_t(12));
        checkClosedOutward({out.points, out.triangles});
        float low = 1e9f, high = -1e9f, bottom = 1e9f;
        for (const auto& q : out.points) {
            low = std::min(low, q[0]);
            high = std::max(high, q[0]);
            bottom = std::min(bottom, q[2]);
        }
        QCOMPARE(high - low, 50.0f);
        QCOMPARE(bottom, 0.0f);
        QCOMPARE(solid::finishPrintSolid(plan, outer.points, {}, 1e-4, out), solid::SolidOutcome::Failed);
    }
};

QTEST_GUILESS_MAIN(TestSolidRecipe)
#include "tst_solidrecipe.moc"
