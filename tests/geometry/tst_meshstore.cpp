// Shape and zero fill of the mesh store.

#include <QTest>

#include "geometry/MeshStore.h"

using namespace petalwright::geometry;

class TestMeshStore : public QObject {
    Q_OBJECT
private slots:
    void shapeAndZeroFill()
    {
        MeshStore store;
        // One spare index per dimension: (rings + 1) x (petals + 1) x 6 x 4.
        for (const auto& [overlap, petals, elements] : {std::tuple{1, 2, 144}, {6, 6, 1176}, {50, 50, 62424}}) {
            store.allocate(overlap, petals);
            QCOMPARE(store.rings(), overlap);
            QCOMPARE(store.petals(), petals);
            QCOMPARE(store.size(), static_cast<std::size_t>(elements));
        }
        store.allocate(2, 3);
        store.set(1, 2, 4, 2, 1.5, 2.5, -3.5);
        QCOMPARE(store.z(store.index(1, 2, 4, 2)), -3.5);
        store.allocate(2, 3);
        for (std::size_t k = 0; k < store.size(); ++k)
            QVERIFY(store.x(k) == 0.0 && store.y(k) == 0.0 && store.z(k) == 0.0);
    }
};

QTEST_GUILESS_MAIN(TestMeshStore)
#include "tst_meshstore.moc"
