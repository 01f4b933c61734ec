// The mesh store: its size with the spare index of each dimension, a separate element for every
// ring, petal, point and strip, and a zero fill on each allocation.

#include <QTest>

#include <vector>

#include "geometry/MeshStore.h"

using namespace petalwright::geometry;

class TestMeshStore : public QObject {
    Q_OBJECT
private slots:
    void everyPointHasItsOwnElement()
    {
        MeshStore store;
        // One spare index per dimension: (rings + 1) x (petals + 1) x 6 x 4.
        for (const auto& [overlap, petals, elements] : {std::tuple{1, 2, 144}, {6, 6, 1176}, {50, 50, 62424}, {3, 7, 768}}) {
            store.allocate(overlap, petals);
            QVERIFY(store.rings() == overlap && store.petals() == petals && store.size() == static_cast<std::size_t>(elements));
            // Spare indices included, no two grid positions share an element and none lies outside.
            std::vector<int> uses(store.size());
            for (int ring = 0; ring <= overlap; ++ring)
                for (int petal = 0; petal <= petals; ++petal)
                    for (int point = 0; point <= kPointsPerStrip; ++point)
                        for (int strip = 0; strip <= kStripsPerPetal; ++strip) {
                            const std::size_t i = store.index(ring, petal, point, strip);
                            QVERIFY(i < store.size() && ++uses[i] == 1);
                        }
        }
        // A later allocation starts from zeros again, whatever the store held.
        store.set(3, 7, 5, 3, 1.5, 2.5, -3.5);
        store.allocate(3, 7);
        for (std::size_t k = 0; k < store.size(); ++k)
            QVERIFY(store.x(k) == 0.0 && store.y(k) == 0.0 && store.z(k) == 0.0);
    }
};

QTEST_GUILESS_MAIN(TestMeshStore)
#include "tst_meshstore.moc"
