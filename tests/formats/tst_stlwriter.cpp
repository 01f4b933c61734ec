// The binary STL file: a head no reader takes for text, the count, normals that follow the corner order,
// Z up, and what assimp makes of it.

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
        QVERIFY(file.size() > 84);
        QVERIFY(!file.starts_with("solid"));
        QCOMPARE(QByteArray::fromStdString(file.substr(0, 80)).trimmed(), QByteArray("Petalwright 0.7.1 flower=6,6,5,0.5,90,135,7"));
        const std::vector<testing::StlTriangle> triangles = testing::readStlTriangles(file);
        // The faces of the CAD profile, each four-point face as two triangles.
        std::size_t expected = 0;
        for (const testing::Shape& face : testing::readDxfFaces(flower.file(OutputFormat::CadDxf), [](const QByteArray&) { return 0; }, true))
            expected += face.corners.size() - 2;
        QCOMPARE(triangles.size(), expected);
        QCOMPARE(file.size(), 84 + 50 * expected);
        for (const testing::StlTriangle& t : triangles) {
            const Point3 u = {t.corner[1][0] - t.corner[0][0], t.corner[1][1] - t.corner[0][1], t.corner[1][2] - t.corner[0][2]};
            const Point3 v = {t.corner[2][0] - t.corner[0][0], t.corner[2][1] - t.corner[0][1], t.corner[2][2] - t.corner[0][2]};
            const Point3 n = {u[1] * v[2] - u[2] * v[1], u[2] * v[0] - u[0] * v[2], u[0] * v[1] - u[1] * v[0]};
            const double length = std::hypot(n[0], n[1], n[2]);
            QVERIFY(length > 0);
            QVERIFY(std::abs(std::hypot(t.normal[0], t.normal[1], t.normal[2]) - 1) < 1e-6);
            QVERIFY((n[0] * t.normal[0] + n[1] * t.normal[1] + n[2] * t.normal[2]) / length > 0.999);
        }
    }

    void assimpReadsIt_data()
    {
        QTest::addColumn<geometry::ParameterTexts>("texts");
        QTest::addColumn<double>("top"); // largest Z: the axis is +Z, the centre at the origin
        QTest::addRow("default") << geometry::defaultParameterTexts() << 14.142136;
        QTest::addRow("largest") << testing::kLargestTexts << 2000.0;
    }
    void assimpReadsIt()
    {
        QFETCH(geometry::ParameterTexts, texts);
        QFETCH(double, top);
        if (testing::assimpProgram().isEmpty())
            QSKIP("assimp is not installed (tools/build.sh installs assimp-utils)");
        const testing::Flower flower = testing::makeFlower(texts, 5);
        QTemporaryDir dir;
        const std::string file = flower.file(OutputFormat::Stl);
        const QMap<QString, QString> info = testing::assimpInfo(testing::saveFile(dir, "flower.stl", file));
        QVERIFY2(!info.contains("failure"), qPrintable(info.value("failure")));
        QCOMPARE(info["Faces"], QString::number(testing::readStlTriangles(file).size()));
        QCOMPARE(info["Primitive Types"], QStringLiteral("triangles"));
        const auto box = testing::boundingBox(testing::readStlFaces(file));
        QVERIFY2(testing::sameBox(info, box), qPrintable(info["Minimum point"] + ' ' + info["Maximum point"]));
        QCOMPARE(std::round(box[1][2] * 1e6) / 1e6, top);
    }
};

QTEST_GUILESS_MAIN(TestStlWriter)
#include "tst_stlwriter.moc"
