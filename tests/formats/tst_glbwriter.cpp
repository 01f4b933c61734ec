// The binary glTF file: its container, a primitive and a material per ring, flat unit normals, metres
// with Y up, and what the glTF validator and assimp make of it.

#include <QTest>

#include <cmath>

#include "FormatReaders.h"
#include "WrittenFlower.h"
#include "formats/RingColours.h"

using namespace petalwright;
using formats::OutputFormat;

Q_DECLARE_METATYPE(geometry::ParameterTexts)

class TestGlbWriter : public QObject {
    Q_OBJECT
private slots:
    void containerRingsAndNormals()
    {
        const testing::Flower flower = testing::makeFlower(geometry::defaultParameterTexts());
        const std::string file = flower.file(OutputFormat::Glb);
        const testing::Glb glb = testing::readGlb(file);
        QVERIFY(glb.valid);
        QCOMPARE(testing::readLittle<std::uint32_t>(file, 4), 2u);
        QCOMPARE(testing::readLittle<std::uint32_t>(file, 12) % 4, 0u);
        QCOMPARE(glb.binary.size() % 4, std::size_t{0});

        const QJsonObject asset = glb.json["asset"].toObject();
        QCOMPARE(asset["version"].toString(), QStringLiteral("2.0"));
        QCOMPARE(asset["generator"].toString(), QStringLiteral("Petalwright 0.7.1"));
        QStringList comments;
        for (const QJsonValue line : asset["extras"].toObject()["comment"].toArray())
            comments << line.toString();
        QCOMPARE(comments.value(2), QStringLiteral("// 花びらの枚数 = 6"));
        QCOMPARE(comments.size(), 9);

        // One primitive and one material per ring, in ring order, coloured as the CAD profile's layers.
        const QJsonArray primitives = glb.json["meshes"].toArray()[0].toObject()["primitives"].toArray();
        const QJsonArray materials = glb.json["materials"].toArray();
        const std::vector<formats::RingColour> colours = formats::ringColours(flower.mesh, 6);
        QCOMPARE(primitives.size(), 6);
        QCOMPARE(materials.size(), 6);
        for (int ring = 0; ring < 6; ++ring) {
            const QJsonObject primitive = primitives[ring].toObject();
            const QJsonObject material = materials[primitive["material"].toInt()].toObject();
            QCOMPARE(material["name"].toString(), QStringLiteral("RING%1").arg(ring + 1, 2, 10, QLatin1Char('0')));
            QVERIFY(material["doubleSided"].toBool());
            const QJsonArray colour = material["pbrMetallicRoughness"].toObject()["baseColorFactor"].toArray();
            for (qsizetype c = 0; c < 3; ++c) {
                // Linear values: sRGB 1.0 stays 1, 0.65 becomes about 0.38.
                const double srgb = colours[static_cast<std::size_t>(ring)].rgb[static_cast<std::size_t>(c)];
                const double linear = srgb <= 0.04045 ? srgb / 12.92 : std::pow((srgb + 0.055) / 1.055, 2.4);
                QVERIFY(std::abs(colour[c].toDouble() - linear) < 1e-12);
            }
            // Each corner carries its triangle's unit normal.
            const QJsonObject attributes = primitive["attributes"].toObject();
            const auto positions = testing::glbVectors(glb, attributes["POSITION"].toInt());
            const auto normals = testing::glbVectors(glb, attributes["NORMAL"].toInt());
            QCOMPARE(positions.size(), normals.size());
            QVERIFY(!positions.empty() && positions.size() % 3 == 0);
            for (std::size_t i = 0; i < normals.size(); ++i) {
                QVERIFY(std::abs(std::hypot(normals[i][0], normals[i][1], normals[i][2]) - 1) < 1e-6);
                QVERIFY(normals[i] == normals[i - i % 3]);
            }
        }
    }

    void readersAcceptIt_data()
    {
        QTest::addColumn<geometry::ParameterTexts>("texts");
        QTest::addColumn<int>("seed");
        QTest::addColumn<double>("top"); // largest Y in metres: the axis is +Y, the centre at the origin
        QTest::addRow("default") << geometry::defaultParameterTexts() << 5 << 0.014142;
        QTest::addRow("smallest") << geometry::ParameterTexts{"2", "1", "1", "0.1", "0", "0"} << 1 << 0.0;
        QTest::addRow("largest") << testing::kLargestTexts << 5 << 2.0;
    }
    void readersAcceptIt()
    {
        QFETCH(geometry::ParameterTexts, texts);
        QFETCH(int, seed);
        QFETCH(double, top);
        const testing::Flower flower = testing::makeFlower(texts, static_cast<std::uint64_t>(seed));
        QTemporaryDir dir;
        const std::string file = flower.file(OutputFormat::Glb);
        const QString path = testing::saveFile(dir, "flower.glb", file);
        const auto box = testing::boundingBox(testing::readGlbFaces(file));
        QCOMPARE(std::round(box[1][1] * 1e6) / 1e6, top);

        if (testing::gltfValidator().isEmpty())
            QSKIP("the glTF validator is not installed (tools/build.sh installs it)");
        const testing::ToolRun validator = testing::runTool(QStringLiteral("node"), {testing::gltfValidator(), path});
        QVERIFY2(validator.exitCode == 0, qPrintable(validator.out));
        QVERIFY(validator.out.startsWith("errors 0 warnings 0"));

        if (testing::assimpProgram().isEmpty())
            QSKIP("assimp is not installed (tools/build.sh installs assimp-utils)");
        const QMap<QString, QString> info = testing::assimpInfo(path);
        QVERIFY2(!info.contains("failure"), qPrintable(info.value("failure")));
        QCOMPARE(info["Meshes"], QString::number(flower.parameters.overlapCount));
        QCOMPARE(info["Faces"], QString::number(testing::readGlbFaces(file).size()));
        QCOMPARE(info["Primitive Types"], QStringLiteral("triangles"));
        QVERIFY2(testing::sameBox(info, box), qPrintable(info["Minimum point"] + ' ' + info["Maximum point"]));
    }
};

QTEST_GUILESS_MAIN(TestGlbWriter)
#include "tst_glbwriter.moc"
