// The finished solid's check: what a reader welding the file's corners finds wrong with it.

#include <QTest>

#include "solid/SolidSoundness.h"

using namespace petalwright;

namespace {

using Points = std::vector<std::array<float, 3>>;
using Triangles = std::vector<std::array<std::uint32_t, 3>>;

// A tetrahedron on corners `first`..`first + 3` of `points`, each face counter-clockwise from outside.
Triangles tetrahedron(std::uint32_t first)
{
    return {{first, first + 2, first + 1}, {first, first + 1, first + 3}, {first + 1, first + 2, first + 3}, {first, first + 3, first + 2}};
}

const Points kCorners = {{0, 0, 0}, {10, 0, 0}, {0, 10, 0}, {0, 0, 10}};

} // namespace

class TestSolidSoundness : public QObject {
    Q_OBJECT
private slots:
    void check_data()
    {
        QTest::addColumn<Points>("points");
        QTest::addColumn<Triangles>("triangles");
        QTest::addColumn<int>("withoutArea");
        QTest::addColumn<int>("badEdges");
        QTest::addColumn<int>("parts");
        QTest::addRow("closed") << kCorners << tetrahedron(0) << 0 << 0 << 1;
        Points twice = kCorners; // the same corners again, welded by position into the first
        twice.insert(twice.end(), kCorners.begin(), kCorners.end());
        Triangles split = tetrahedron(0);
        split[2] = tetrahedron(4)[2];
        QTest::addRow("corners apart, welded") << twice << split << 0 << 0 << 1;
        Triangles flipped = tetrahedron(0);
        std::swap(flipped[1][1], flipped[1][2]);
        QTest::addRow("one face turned") << kCorners << flipped << 0 << 3 << 1;
        Points apart = kCorners;
        for (const auto& p : kCorners)
            apart.push_back({p[0] + 20, p[1], p[2]});
        Triangles two = tetrahedron(0);
        for (const auto& t : tetrahedron(4))
            two.push_back(t);
        QTest::addRow("two pieces") << apart << two << 0 << 0 << 2;
        // The fourth corner on the line through the first two: that face has no direction.
        QTest::addRow("a face on a line") << Points{{0, 0, 0}, {10, 0, 0}, {0, 10, 0}, {20, 0, 0}} << tetrahedron(0) << 1 << 0 << 1;
        // Corners rounded to a grid, one halfway between the others: a reader finds no direction for that face.
        QTest::addRow("a face on a line in floats")
            << Points{{-0.006548520f, -0.001637130f, 30.894281f}, {-0.003274260f, -0.004911391f, 30.894281f}, {0, 10, 0}, {-0.004911391f, -0.003274260f, 30.894281f}}
            << tetrahedron(0) << 1 << 0 << 1;
    }
    void check()
    {
        QFETCH(Points, points);
        QFETCH(Triangles, triangles);
        QFETCH(int, withoutArea);
        QFETCH(int, badEdges);
        QFETCH(int, parts);
        formats::SolidMesh mesh;
        mesh.points = points;
        mesh.triangles = triangles;
        const solid::SolidSoundness s = solid::checkSoundness(mesh);
        QCOMPARE(s.withoutArea, withoutArea);
        QCOMPARE(s.badEdges, badEdges);
        QCOMPARE(s.parts, parts);
        QCOMPARE(s.sound(), withoutArea == 0 && badEdges == 0 && parts == 1);
    }
};

QTEST_GUILESS_MAIN(TestSolidSoundness)
#include "tst_solidsoundness.moc"
