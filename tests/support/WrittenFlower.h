#pragma once
// A generated flower written in one of the formats, and the third-party readers that check the files.

#include <QFile>
#include <QMap>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QString>
#include <QTemporaryDir>

#include <array>
#include <cmath>
#include <string>

#include "FillingSink.h"
#include "FormatReaders.h"
#include "formats/OutputFormat.h"
#include "geometry/DaisyMesh.h"

namespace petalwright::testing {

struct Flower {
    geometry::FlowerParameters parameters;
    geometry::MeshStore mesh;
    formats::CommentInfo info;

    formats::WriteOutcome write(formats::OutputFormat format, formats::OutputSink& sink, const formats::FaceStep& step = {}) const
    {
        return formats::writeOutputFile(format, mesh, parameters.overlapCount, parameters.petalCount, info, sink, step);
    }
    // The whole file, or empty when the writer did not finish.
    std::string file(formats::OutputFormat format) const
    {
        formats::MemorySink sink;
        return write(format, sink) == formats::WriteOutcome::Finished ? sink.data : std::string();
    }
    int faceTotal() const { return parameters.overlapCount * parameters.petalCount * geometry::kFacesPerPetal; }
};

inline const geometry::ParameterTexts kLargestTexts = {"50", "50", "10", "50", "0", "180"};

inline Flower makeFlower(const geometry::ParameterTexts& texts, std::uint64_t seed = 7, const char* fileName = "flower.dxf")
{
    Flower flower{geometry::convertParameters(texts), {}, {fileName, [] { return std::string("2006/01/15 9:05:07"); }, texts}};
    flower.info.seed = seed;
    flower.mesh.allocate(flower.parameters.overlapCount, flower.parameters.petalCount);
    geometry::SeededRandom random(seed);
    geometry::makeDaisyMesh(flower.parameters, flower.mesh, random);
    return flower;
}

// Writes `bytes` into `dir` under `name`; returns the path.
inline QString saveFile(const QTemporaryDir& dir, const QString& name, const std::string& bytes)
{
    const QString path = dir.filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes.data(), static_cast<qint64>(bytes.size())) != static_cast<qint64>(bytes.size()))
        return {};
    return path;
}

struct ToolRun {
    bool started = false;
    int exitCode = -1;
    QString out; // standard output and error together
};

inline ToolRun runTool(const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    if (!process.waitForStarted(10000))
        return {};
    const bool done = process.waitForFinished(180000) && process.exitStatus() == QProcess::NormalExit;
    return {true, done ? process.exitCode() : -1, QString::fromUtf8(process.readAll())};
}

// The readers, or an empty string when one is not installed.
inline QString ezdxfPython()
{
    const QString python = QStringLiteral("/usr/bin/python3");
    return runTool(python, {"-c", "import ezdxf"}).exitCode == 0 ? python : QString();
}
inline QString assimpProgram() { return QStandardPaths::findExecutable(QStringLiteral("assimp")); }
inline QString gltfValidator()
{
    const QString node = QStandardPaths::findExecutable(QStringLiteral("node"));
    const QString script = QStringLiteral(PETALWRIGHT_GLTF_VALIDATOR);
    const bool installed = QFile::exists(QStringLiteral(PETALWRIGHT_GLTF_VALIDATOR).section('/', 0, -2) + "/node_modules/gltf-validator/package.json");
    return node.isEmpty() || !installed ? QString() : script;
}

// What `assimp info` reports after its usual clean-up (which turns degenerate triangles into lines and
// points): "Meshes", "Faces", "Primitive Types", "Minimum point", "Maximum point" and the like, and
// "failure" with the output when the import failed.
inline QMap<QString, QString> assimpInfo(const QString& path)
{
    const ToolRun run = runTool(assimpProgram(), {"info", path});
    QMap<QString, QString> info;
    if (run.exitCode != 0 || !run.out.contains(QStringLiteral("Importing file ...                   OK"))) {
        info["failure"] = run.out;
        return info;
    }
    for (const QString& line : run.out.split('\n')) {
        static const QRegularExpression field(QStringLiteral("^([A-Z][A-Za-z .()]*?):?\\s{2,}(.*)$"));
        const QRegularExpressionMatch m = field.match(line);
        if (m.hasMatch() && !info.contains(m.captured(1)))
            info[m.captured(1)] = m.captured(2).trimmed();
    }
    return info;
}

// True when assimp's bounding box, "(x y z)" twice, matches `box` to float precision.
inline bool sameBox(const QMap<QString, QString>& info, const std::array<std::array<double, 3>, 2>& box)
{
    for (std::size_t end = 0; end < 2; ++end) {
        const QStringList seen = QString(info.value(end == 0 ? "Minimum point" : "Maximum point")).remove('(').remove(')').split(' ', Qt::SkipEmptyParts);
        for (std::size_t a = 0; a < 3; ++a)
            if (seen.size() != 3 || !(std::abs(seen[static_cast<qsizetype>(a)].toDouble() - box[end][a]) <= 1e-6 * std::max(1.0, std::abs(box[end][a]))))
                return false;
    }
    return true;
}

// What assimp makes of the flower's file in `format`, saved in `dir`: empty when it reads every face our
// reader reads, no degenerate lines or points left by its clean-up, one mesh per ring
// (one in all for STL) and the same bounding box; else what differs. `info` gets the whole report.
inline QString assimpProblem(const Flower& flower, formats::OutputFormat format, const QTemporaryDir& dir,
                             QMap<QString, QString>* info = nullptr)
{
    const std::string file = flower.file(format);
    const std::vector<Shape> faces = readFaces(format, file);
    const QMap<QString, QString> seen = assimpInfo(saveFile(dir, "flower." + QString::fromLatin1(formats::formatExtension(format).data()), file));
    if (info)
        *info = seen;
    const int meshes = format == formats::OutputFormat::Stl ? 1 : flower.parameters.overlapCount;
    if (seen.contains("failure") || seen["Faces"] != QString::number(faces.size()) || seen["Primitive Types"].contains("point")
        || seen["Primitive Types"].contains("line") || seen["Meshes"] != QString::number(meshes) || !sameBox(seen, boundingBox(faces)))
        return seen.value("failure", QStringList({seen["Meshes"], seen["Faces"], seen["Primitive Types"], seen["Minimum point"], seen["Maximum point"]}).join('|'));
    return {};
}

} // namespace petalwright::testing
