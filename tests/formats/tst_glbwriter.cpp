// The binary glTF file: its container, a primitive and a material per ring, flat unit normals, metres
// with Y up, and what the glTF validator makes of it.

#include <QTest>

#include <array>
#include <cmath>

#include "FormatReaders.h"
#include "WrittenFlower.h"
#include "formats/RingColours.h"

using namespace petalwright;
using formats::OutputFormat;

class TestGlbWriter : public QObject {
    Q_OBJECT
private slots:
    void containerRingsAndNormals()
    {
        const testing::Flower flower = testing::makeFlower(geometry::defaultParameterTexts());
        const std::string file = flower.file(OutputFormat::Glb);
        const testing::Glb glb = testing::readGlb(file);
        // (The reader takes only a whole container with both chunks four-byte aligned.)
        QVERIFY(glb.valid && testing::readLittle<std::uint32_t>(file, 4) == 2u && glb.binary.size() % 4 == 0);

        const QJsonObject asset = glb.json["asset"].toObject();
        QCOMPARE(asset["version"].toString() + '|' + asset["generator"].toString(), QStringLiteral("2.0|Petalwright 0.7.1"));
        QStringList comments;
        for (const QJsonValue line : asset["extras"].toObject()["comment"].toArray())
            comments << line.toString();
        QVERIFY(comments.size() == 9 && comments.value(2) == QStringLiteral("// 花びらの枚数 = 6"));

        // One primitive per ring, coloured as the CAD profile's layers. (Each face in its ring's primitive:
        // the output-format test.)
        const QJsonArray primitives = glb.json["meshes"].toArray()[0].toObject()["primitives"].toArray();
        const std::vector<formats::RingColour> colours = formats::ringColours(flower.mesh, 6);
        QCOMPARE(primitives.size(), 6);
        for (int ring = 0; ring < 6; ++ring) {
            const QJsonObject primitive = primitives[ring].toObject();
            const QJsonObject material = glb.json["materials"].toArray()[primitive["material"].toInt()].toObject();
            QVERIFY(material["doubleSided"].toBool());
            const QJsonArray colour = material["pbrMetallicRoughness"].toObject()["baseColorFactor"].toArray();
            for (qsizetype c = 0; c < 3; ++c) {
                // Linear values: sRGB 1.0 stays 1, 0.65 becomes about 0.38.
                const double srgb = colours[static_cast<std::size_t>(ring)].rgb[static_cast<std::size_t>(c)];
                const double linear = srgb <= 0.04045 ? srgb / 12.92 : std::pow((srgb + 0.055) / 1.055, 2.4);
                QVERIFY(std::abs(colour[c].toDouble() - linear) < 1e-12);
            }
            const QJsonObject attributes = primitive["attributes"].toObject();
            const auto positions = testing::glbVectors(glb, attributes["POSITION"].toInt());
            const auto normals = testing::glbVectors(glb, attributes["NORMAL"].toInt());
            QVERIFY(positions.size() == normals.size() && !positions.empty() && positions.size() % 3 == 0);
            // Each corner carries its triangle's unit normal, by the right-hand rule over its corners.
            for (std::size_t i = 0; i < normals.size(); ++i) {
                const testing::Point3 n = testing::areaNormal(positions[i - i % 3], positions[i - i % 3 + 1], positions[i - i % 3 + 2]);
                for (std::size_t k = 0; k < 3; ++k)
                    QVERIFY2(std::abs(normals[i][k] - n[k] / testing::length(n)) < 1e-3, qPrintable(QStringLiteral("ring %1 corner %2").arg(ring).arg(i)));
            }
        }
    }

    // The file name, which the comment lines carry into the JSON: the default flower; the smallest, quotes
    // and backslashes in the name; the largest, a tab in the name. Then what the glTF validator says.
    void readersAcceptIt()
    {
        const bool validate = !testing::gltfValidator().isEmpty();
        const std::tuple<geometry::ParameterTexts, int, QString> rows[] = {
            {geometry::defaultParameterTexts(), 5, "flower.glb"}, {{"2", "1", "1", "0.1", "0", "0"}, 1, R"(C:\花\"a\"b\.glb)"},
            {testing::kLargestTexts, 5, "tab\there.glb"}};
        for (const auto& [texts, seed, name] : rows) {
            const QByteArray nameBytes = name.toUtf8();
            const testing::Flower flower = testing::makeFlower(texts, static_cast<std::uint64_t>(seed), nameBytes.constData());
            QTemporaryDir dir;
            const std::string file = flower.file(OutputFormat::Glb);
            const QString path = testing::saveFile(dir, "flower.glb", file);
            const QString versionLine = testing::readGlb(file).json["asset"].toObject()["extras"].toObject()["comment"].toArray()[1].toString();
            QVERIFY2(versionLine.contains(QStringLiteral(" - %1(").arg(name)), qPrintable(versionLine));
            const testing::ToolRun validator = validate ? testing::runTool(QStringLiteral("node"), {testing::gltfValidator(), path}) : testing::ToolRun();
            QVERIFY2(!validate || (validator.exitCode == 0 && validator.out.startsWith("errors 0 warnings 0")), qPrintable(validator.out));
        }
        if (!validate)
            QSKIP("the glTF validator is not installed (tools/build.sh installs it)");
    }
};

QTEST_GUILESS_MAIN(TestGlbWriter)
#include "tst_glbwriter.moc"
