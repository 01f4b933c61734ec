// The face walk: the file's order of faces and the corner pattern of each. (Stopping: every writer's cancel.)

#include <QTest>

#include "geometry/FaceWalk.h"

using namespace petalwright::geometry;

class TestFaceWalk : public QObject {
    Q_OBJECT
private slots:
    void orderAndCorners()
    {
        MeshStore mesh;
        mesh.allocate(2, 3);
        int n = 0;
        QVERIFY(forEachFace(mesh, 2, 3, [&](const Face& f) {
            // Face n of the file: petal by petal, strip pair q outer and segment p inner.
            const int ring = n / 24, petal = n / 8 % 3, q = n / 4 % 2, p = n % 4;
            const std::array<std::size_t, 4> corners = {mesh.index(ring, petal, p, q), mesh.index(ring, petal, p, q + 1),
                                                        mesh.index(ring, petal, p + 1, q + 1), mesh.index(ring, petal, p + 1, q)};
            if (f.ring != ring || f.petal != petal || f.q != q || f.p != p || f.corner != corners)
                return false;
            ++n;
            return true;
        }));
        QCOMPARE(n, 48);
    }
};

QTEST_GUILESS_MAIN(TestFaceWalk)
#include "tst_facewalk.moc"
