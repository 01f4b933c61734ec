#pragma once
// A generated flower written in one of the formats, and the third-party readers that check the files.

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QString>
#include <QTemporaryDir>

#include <string>

#include "FillingSink.h"
#include "FormatReaders.h"
#include "TestFiles.h"
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
    return writeFile(dir.filePath(name), QByteArray::fromStdString(bytes)) ? dir.filePath(name) : QString();
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
    const QString script = QStringLiteral(PETALWRIGHT_GLTF_VALIDATOR);
    const bool installed = QFile::exists(script.section('/', 0, -2) + "/node_modules/gltf-validator/package.json");
    return QStandardPaths::findExecutable(QStringLiteral("node")).isEmpty() || !installed ? QString() : script;
}

// What assimp reads of the flower's file in `format`, saved in `dir`: "meshes|faces|primitive types",
// or its whole output when the import failed.
inline QString assimpSummary(const Flower& flower, formats::OutputFormat format, const QTemporaryDir& dir)
{
    const ToolRun run = runTool(assimpProgram(), {"info", saveFile(dir, "flower." + QString::fromLatin1(formats::formatExtension(format).data()), flower.file(format))});
    QStringList seen;
    for (const char* field : {"Meshes", "Faces", "Primitive Types"})
        seen << QRegularExpression(QStringLiteral("\\n%1:\\s+([^\\n]*)").arg(field)).match(run.out).captured(1).trimmed();
    return run.exitCode == 0 && run.out.contains(QStringLiteral("Importing file ...                   OK")) ? seen.join('|') : run.out;
}

} // namespace petalwright::testing
