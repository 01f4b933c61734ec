// Shape and zero fill of the mesh store.

#include <QTest>

#include "geometry/MeshStore.h"

using namespace petalwright::geometry;

class TestMeshStore : public QObject {
    Q_OBJECT
private slots:
    void shapeKeepsOneSpareIndexPerDimension_data()
    {
        QTest::addColumn<int>("overlap");
        QTest::addColumn<int>("petals");
        QTest::addColumn<int>("elements");
        QTest::addRow("smallest") << 1 << 2 << 2 * 3 * 6 * 4;
        QTest::addRow("defaults") << 6 << 6 << 7 * 7 * 6 * 4;
        QTest::addRow("largest") << 50 << 50 << 62424;
    }
    void shapeKeepsOneSpareIndexPerDimension()
    {
        QFETCH(int, overlap);
        QFETCH(int, petals);
        QFETCH(int, elements);
        MeshStore store;
        store.allocate(overlap, petals);
        QCOMPARE(store.rings(), overlap);
        QCOMPARE(store.petals(), petals);
        QCOMPARE(store.size(), static_cast<std::size_t>(elements));
    }

    void reallocationStartsFromZero()
    {
        MeshStore store;
        store.allocate(2, 3);
        store.set(1, 2, 4, 2, 1.5, 2.5, -3.5);
        const std::size_t i = store.index(1, 2, 4, 2);
        QCOMPARE(store.y(i), 2.5);
        store.allocate(2, 3);
        for (std::size_t k = 0; k < store.size(); ++k)
            QVERIFY(store.x(k) == 0.0 && store.y(k) == 0.0 && store.z(k) == 0.0);
    }
};

QTEST_GUILESS_MAIN(TestMeshStore)
#include "tst_meshstore.moc"
