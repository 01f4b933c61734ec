// The binary STL file: a head no reader takes for text, normals that follow the corner order. (Every
// face there, Z up, and what assimp makes of it: the output-format test.)

#include <QTest>

#include <cmath>

#include "FormatReaders.h"
#include "WrittenFlower.h"

using namespace petalwright;
using formats::OutputFormat;
using testing::Point3;

class TestStlWriter : public QObject {
    Q_OBJECT
private slots:
    void headCountAndNormals()
    {
        const testing::Flower flower = testing::makeFlower(geometry::defaultParameterTexts());
        const std::string file = flower.file(OutputFormat::Stl);
        QCOMPARE(QByteArray::fromStdString(file.substr(0, 80)).trimmed(), QByteArray("Petalwright 0.7.1 flower=6,6,5,0.5,90,135,7"));
        const std::vector<testing::StlTriangle> triangles = testing::readStlTriangles(file);
        QVERIFY(!triangles.empty()); // every face there: the output-format test's areas
        for (const testing::StlTriangle& t : triangles) {
            const Point3 n = testing::areaNormal(t.corner[0], t.corner[1], t.corner[2]);
            QVERIFY(std::abs(testing::length(t.normal) - 1) < 1e-6);
            QVERIFY((n[0] * t.normal[0] + n[1] * t.normal[1] + n[2] * t.normal[2]) / testing::length(n) > 0.999);
        }
    }
};

QTEST_GUILESS_MAIN(TestStlWriter)
#include "tst_stlwriter.moc"
