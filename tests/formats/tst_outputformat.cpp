// The formats side by side: names and extensions, every format holding the default DXF file's points moved
// and turned as stated, with no face lost, the default writer's progress, cancel and failure rules, what
// assimp reads, and the 3MF package as a strict reader takes it.

#include <QTest>
#include <QXmlStreamReader>

#include <cmath>

#include "FormatReaders.h"
#include "WrittenFlower.h"

using namespace petalwright;
using formats::OutputFormat;
using testing::Point3;
using testing::Shape;

namespace {

// Millimetres of the file per drawing unit, and the mesh point (x, y, z) as the format places it.
Point3 placed(OutputFormat format, const Point3& p)
{
    const double x = p[0], y = p[1] - 50.0, z = p[2];
    switch (format) {
    case OutputFormat::CadDxf:
    case OutputFormat::Stl: return {x, -z, y}; // a quarter turn about +X: the axis +Y becomes +Z
    case OutputFormat::Glb: return {x / 1000, y / 1000, z / 1000};
    default: return {x, y, z};
    }
}

// Back into millimetres, for comparing; float formats round at about 1e-7 of the value.
double tolerance(OutputFormat format, double value)
{
    const bool binary = format == OutputFormat::Stl || format == OutputFormat::Glb;
    return binary ? 4e-7 * std::max(1.0, std::abs(value)) : 2e-9;
}

bool near(OutputFormat format, const Point3& seen, const Point3& expected)
{
    const double scale = format == OutputFormat::Glb ? 1000.0 : 1.0;
    for (std::size_t a = 0; a < 3; ++a)
        if (std::abs(seen[a] - expected[a]) * scale > tolerance(format, expected[a] * scale))
            return false;
    return true;
}

double area(const Shape& s)
{
    double sum = 0;
    for (std::size_t i = 1; i + 1 < s.corners.size(); ++i)
        sum += 0.5 * testing::length(testing::areaNormal(s.corners[0], s.corners[i], s.corners[i + 1]));
    return sum;
}

} // namespace

class TestOutputFormat : public QObject {
    Q_OBJECT
private slots:
    void names()
    {
        QStringList names, types;
        for (const OutputFormat f : formats::kOutputFormats) {
            names << QString::fromLatin1(formats::formatName(f).data(), static_cast<qsizetype>(formats::formatName(f).size()));
            types << QString::fromStdString(std::string(formats::formatFileType(f))) + ' ' + QString::fromLatin1(formats::formatExtension(f).data(), static_cast<qsizetype>(formats::formatExtension(f).size()));
            QCOMPARE(formats::formatFromName(names.last().toUpper().toStdString()), std::optional(f));
            QCOMPARE(formats::isPrintable(f), f == OutputFormat::PrintStl || f == OutputFormat::ThreeMf);
        }
        QCOMPARE(formats::formatNameList("|"), std::string("dxf|cad-dxf|obj|stl|glb|print-stl|3mf|petal"));
        QCOMPARE(types.join('|'), QStringLiteral("DXFファイル(*.dxf) dxf|CAD向けDXFファイル(*.dxf) dxf|OBJファイル(*.obj) obj|STLファイル(*.stl) stl|"
                                                 "glTFバイナリ(*.glb) glb|3Dプリント用STL(*.stl) stl|3Dプリント用3MF(*.3mf) 3mf|花の設定(*.petal) petal"));
        for (const char* wrong : {"", "cad", "cad_dxf", " obj", "gltf", "dxf2"})
            QVERIFY2(!formats::formatFromName(wrong), wrong);
    }

    // The extension in any case; else (none, a dot in the folder only, a hidden name, another, inner or
    // trailing extension, standard output) the default DXF file.
    void formatFromPath()
    {
        for (const auto& [path, format] : {std::pair{"out/flower.obj", OutputFormat::Obj}, {"/tmp/FLOWER.STL", OutputFormat::Stl},
                                           {"a.b/flower.Glb", OutputFormat::Glb}, {"flower.3MF", OutputFormat::ThreeMf}})
            QVERIFY2(formats::formatFromPath(path) == format, path);
        for (const char* path : {"flower", "my.obj/flower", "C:\\my.stl\\flower", ".obj", "flower.gltf", "flower.obj.txt", "flower.obj.", "-"})
            QVERIFY2(formats::formatFromPath(path) == OutputFormat::Dxf, path);
    }

    // The default flower twice, the smallest, one ring of 12 wide petals, growing rings, the largest.
    void samePointsMovedAndTurned()
    {
        const std::pair<geometry::ParameterTexts, int> rows[] = {
            {geometry::defaultParameterTexts(), 1}, {geometry::defaultParameterTexts(), 2}, {{"2", "1", "1", "0.1", "0", "0"}, 3},
            {{"12", "1", "10", "1", "90", "90"}, 4}, {{"7", "9", "3", "2.5", "30", "170"}, 99}, {testing::kLargestTexts, 5},
        };
        for (const auto& [texts, seed] : rows) {
            const testing::Flower flower = testing::makeFlower(texts, static_cast<std::uint64_t>(seed));
            const std::vector<Shape> plain = testing::readFaces(OutputFormat::Dxf, flower.file(OutputFormat::Dxf));
            QCOMPARE(static_cast<int>(plain.size()), flower.faceTotal());
            const int facesPerRing = flower.parameters.petalCount * geometry::kFacesPerPetal;

            for (const OutputFormat format : {OutputFormat::CadDxf, OutputFormat::Obj, OutputFormat::Stl, OutputFormat::Glb}) {
                const std::string name(formats::formatName(format));
                const std::vector<Shape> shapes = testing::readFaces(format, flower.file(format));
                QVERIFY2(!shapes.empty(), name.c_str());
                // Each face of the file lies on a face of the default DXF file, in the same order and ring.
                std::size_t at = 0;
                double fileArea = 0;
                for (const Shape& shape : shapes) {
                    const auto onFace = [&](std::size_t f) {
                        for (const Point3& c : shape.corners)
                            if (std::none_of(plain[f].corners.begin(), plain[f].corners.end(),
                                             [&](const Point3& d) { return near(format, c, placed(format, d)); }))
                                return false;
                        return true;
                    };
                    while (at < plain.size() && !onFace(at))
                        ++at;
                    if (at == plain.size())
                        QFAIL(qPrintable(QStringLiteral("%1: a face not on the default file's faces, or out of order").arg(name.c_str())));
                    if (format != OutputFormat::Stl && shape.ring != static_cast<int>(at) / facesPerRing)
                        QFAIL(qPrintable(QStringLiteral("%1: a face of ring %2 in ring %3").arg(name.c_str()).arg(static_cast<int>(at) / facesPerRing + 1).arg(shape.ring + 1)));
                    QVERIFY2(shape.corners.size() == 3 || shape.corners.size() == 4, name.c_str());
                    QVERIFY2(area(shape) > 0, name.c_str());
                    fileArea += area(shape);
                }
                // Nothing lost: the faces cover as much as the default file's faces, each taken as two triangles
                // (in square metres for glTF).
                double plainArea = 0;
                for (const Shape& face : plain)
                    plainArea += area(face) * (format == OutputFormat::Glb ? 1e-6 : 1.0);
                QVERIFY2(std::abs(fileArea - plainArea) <= 1e-6 * plainArea,
                         qPrintable(QStringLiteral("%1: area %2 against %3").arg(name.c_str()).arg(fileArea, 0, 'g', 12).arg(plainArea, 0, 'g', 12)));
            }
        }
    }

    void progressCancelAndFailureAsDxf()
    {
        for (const OutputFormat format : {OutputFormat::Dxf, OutputFormat::CadDxf, OutputFormat::Obj, OutputFormat::Stl, OutputFormat::Glb}) {
            const testing::Flower flower = testing::makeFlower(geometry::defaultParameterTexts());
            const std::size_t allShapes = testing::readFaces(format, flower.file(format)).size();

            // One step per face of the flower, counting as the default DXF file does.
            formats::MemorySink sink;
            QList<int> steps;
            QCOMPARE(flower.write(format, sink, [&](int n) { steps << n; return true; }), formats::WriteOutcome::Finished);
            QVERIFY(steps.size() == flower.faceTotal() && steps.first() + steps.last() == 1 + flower.faceTotal());

            // A cancel after face k leaves a whole file with the faces of the first k faces (the default DXF file: exactly k).
            std::size_t before = 0;
            for (const int k : {1, 2, 9, 100, flower.faceTotal() - 1}) {
                formats::MemorySink cancelled;
                int seen = 0;
                QCOMPARE(flower.write(format, cancelled, [&](int n) { seen = n; return n < k; }), formats::WriteOutcome::Cancelled);
                const std::size_t shapes = testing::readFaces(format, cancelled.data).size();
                QVERIFY2(seen == k && shapes >= std::max<std::size_t>(before, 1) && shapes < allShapes && (format != OutputFormat::Dxf || shapes == std::size_t(k)),
                         qPrintable(QStringLiteral("cancel after face %1: %2 shapes").arg(k).arg(shapes)));
                before = shapes;
                if (format == OutputFormat::CadDxf || format == OutputFormat::Dxf)
                    QVERIFY(cancelled.data.ends_with(flower.file(format).substr(flower.file(format).find("EOF\r\n"))));
            }

            // A refusing sink fails the file. The text writers hand over pieces as they go: after a refusal
            // they stop, with no further bytes and no further steps. (stl and glb hand over the whole file
            // once, after the last step, so for them only the outcome can tell.)
            const bool streams = format != OutputFormat::Stl && format != OutputFormat::Glb;
            const std::string complete = flower.file(format);
            for (const std::size_t room : {std::size_t{0}, complete.size() / 2, complete.size() - 1}) {
                testing::FillingSink failing(room);
                int stepsAfterFailure = 0;
                QCOMPARE(flower.write(format, failing, [&](int) { stepsAfterFailure += failing.full ? 1 : 0; return true; }),
                         formats::WriteOutcome::Failed);
                if (streams)
                    QVERIFY(failing.writesAfterFailure == 0 && stepsAfterFailure == 0 && complete.starts_with(failing.data));
            }
        }
    }

    // What assimp makes of each mesh file: every face, one mesh per ring, or one in all for STL. (Where the
    // points lie, the up axis among them: samePointsMovedAndTurned.)
    void assimpReadsIt()
    {
        if (testing::assimpProgram().isEmpty())
            QSKIP("assimp is not installed (tools/build.sh installs assimp-utils)");
        for (const OutputFormat format : {OutputFormat::Obj, OutputFormat::Stl, OutputFormat::Glb})
            for (const geometry::ParameterTexts& texts : {geometry::defaultParameterTexts(), testing::kLargestTexts}) {
                const testing::Flower flower = testing::makeFlower(texts, 5);
                QTemporaryDir dir;
                QCOMPARE(testing::assimpSummary(flower, format, dir), QStringLiteral("%1|%2|triangles")
                         .arg(format == OutputFormat::Stl ? 1 : flower.parameters.overlapCount).arg(testing::readFaces(format, flower.file(format)).size()));
            }
    }

    // The file name is the model's title: escaped, on one line; the package holds no date.
    void threeMfPackage()
    {
        for (const auto& [fileName, shown] : {std::pair{"flower.3mf", "flower.3mf"}, {R"(a&b<c>"d".3mf)", R"(a&b<c>"d".3mf)"}, {"花\r\nx.3mf", "花  x.3mf"}}) {
            // A tetrahedron stands for the solid.
            const formats::SolidMesh solid{{{0, 0, 0}, {10, 0, 0}, {0, 10, 0}, {0, 0, 10}}, {{0, 2, 1}, {0, 1, 3}, {0, 3, 2}, {1, 2, 3}}};
            formats::MemorySink sink;
            const formats::CommentInfo info{fileName, [] { return std::string("2006/01/15 9:05:07"); }, geometry::defaultParameterTexts()};
            QCOMPARE(formats::writeSolidFile(OutputFormat::ThreeMf, solid, info, sink), formats::WriteOutcome::Finished);
            std::string problem;
            const std::vector<testing::ZipPart> parts = testing::readZip(sink.data, problem);
            QVERIFY2(parts.size() == 3, problem.c_str());
            QCOMPARE(parts[0].name + ' ' + parts[1].name + ' ' + parts[2].name, std::string("[Content_Types].xml _rels/.rels 3D/3dmodel.model"));

            // The package says where the model is and what it holds; each part is well-formed XML.
            QStringList seen;
            for (const testing::ZipPart& part : parts) {
                QVERIFY(part.data.find("2006/01/15") == std::string::npos);
                QXmlStreamReader xml(QByteArray::fromStdString(part.data));
                while (!xml.atEnd()) {
                    const auto at = [&](const char* name) { return xml.attributes().value(QLatin1String(name)).toString(); };
                    if (xml.readNext() != QXmlStreamReader::StartElement)
                        continue;
                    const QString name = xml.name().toString();
                    if (name == "Default" && at("Extension") == "model")
                        seen << at("ContentType");
                    else if (name == "Relationship")
                        seen << at("Target") + ' ' + at("Type");
                    else if (name == "metadata" && at("name") == "Title")
                        seen << xml.readElementText();
                    else if (name == "model" || name == "vertex" || name == "triangle")
                        seen << name + ' ' + at(name == "model" ? "unit" : name == "vertex" ? "z" : "v3");
                }
                QVERIFY2(!xml.hasError(), qPrintable(xml.errorString()));
            }
            QCOMPARE(seen, QStringList({"application/vnd.ms-package.3dmanufacturing-3dmodel+xml",
                                        "/3D/3dmodel.model http://schemas.microsoft.com/3dmanufacturing/2013/01/3dmodel", "model millimeter",
                                        shown, "vertex 0", "vertex 0", "vertex 0",
                                        "vertex 10", "triangle 1", "triangle 3", "triangle 2", "triangle 3"}));

            // The browser deflates the model itself and the core packs it: with the same deflate (zlib's
            // stream without its head and tail), the same bytes; with none, the model stored.
            const std::string model = formats::threeMfModel(solid, info);
            const QByteArray zlib = qCompress(QByteArray::fromStdString(model));
            QCOMPARE(formats::threeMfPackage(model, zlib.mid(6, zlib.size() - 10).toStdString()), sink.data);
            QCOMPARE(testing::readZip(formats::threeMfPackage(model, model + "longer"), problem).at(2).data, model);
        }
    }
};

QTEST_GUILESS_MAIN(TestOutputFormat)
#include "tst_outputformat.moc"
