#include "formats/OutputFormat.h"

#include <algorithm>

#include "formats/CadDxfWriter.h"
#include "formats/GlbWriter.h"
#include "formats/ObjWriter.h"
#include "formats/PetalFile.h"
#include "formats/SolidWriters.h"
#include "formats/StlWriter.h"

namespace petalwright::formats {
namespace {

bool equalIgnoringCase(std::string_view a, std::string_view b)
{
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [&](char x, char y) { return lower(x) == lower(y); });
}

} // namespace

std::string_view formatName(OutputFormat format)
{
    switch (format) {
    case OutputFormat::Dxf: return "dxf";
    case OutputFormat::CadDxf: return "cad-dxf";
    case OutputFormat::Obj: return "obj";
    case OutputFormat::Stl: return "stl";
    case OutputFormat::Glb: return "glb";
    case OutputFormat::PrintStl: return "print-stl";
    case OutputFormat::ThreeMf: return "3mf";
    case OutputFormat::Petal: return "petal";
    }
    return "dxf";
}

std::string_view formatFileType(OutputFormat format)
{
    switch (format) {
    case OutputFormat::Dxf: return "DXFファイル(*.dxf)";
    case OutputFormat::CadDxf: return "CAD向けDXFファイル(*.dxf)";
    case OutputFormat::Obj: return "OBJファイル(*.obj)";
    case OutputFormat::Stl: return "STLファイル(*.stl)";
    case OutputFormat::Glb: return "glTFバイナリ(*.glb)";
    case OutputFormat::PrintStl: return "3Dプリント用STL(*.stl)";
    case OutputFormat::ThreeMf: return "3Dプリント用3MF(*.3mf)";
    case OutputFormat::Petal: return "花の設定(*.petal)";
    }
    return "DXFファイル(*.dxf)";
}

std::optional<OutputFormat> formatFromName(std::string_view name)
{
    for (const OutputFormat format : kOutputFormats)
        if (equalIgnoringCase(name, formatName(format)))
            return format;
    return std::nullopt;
}

std::string_view formatExtension(OutputFormat format)
{
    switch (format) {
    case OutputFormat::CadDxf: return formatName(OutputFormat::Dxf);
    case OutputFormat::PrintStl: return formatName(OutputFormat::Stl);
    default: return formatName(format);
    }
}

OutputFormat formatFromPath(std::string_view path)
{
    const std::size_t nameStart = path.find_last_of("/\\");
    const std::string_view name = nameStart == std::string_view::npos ? path : path.substr(nameStart + 1);
    const std::size_t dot = name.rfind('.');
    if (dot == std::string_view::npos || dot == 0)
        return OutputFormat::Dxf; // no extension, or a hidden file's name such as ".obj"
    const std::string_view extension = name.substr(dot + 1);
    for (const OutputFormat format : {OutputFormat::Obj, OutputFormat::Stl, OutputFormat::Glb, OutputFormat::ThreeMf, OutputFormat::Petal})
        if (equalIgnoringCase(extension, formatExtension(format)))
            return format;
    return OutputFormat::Dxf;
}

bool isPrintable(OutputFormat format) { return format == OutputFormat::PrintStl || format == OutputFormat::ThreeMf; }

bool isFlowerFile(OutputFormat format) { return format == OutputFormat::Petal; }

std::string formatNameList(std::string_view separator)
{
    std::string list;
    for (const OutputFormat format : kOutputFormats) {
        if (!list.empty())
            list += separator;
        list += formatName(format);
    }
    return list;
}

WriteOutcome writeSolidFile(OutputFormat format, const SolidMesh& solid, const CommentInfo& info, OutputSink& sink,
                            const ThreeMfMetadata& metadata)
{
    return format == OutputFormat::ThreeMf ? writeThreeMfFile(solid, info, sink, metadata) : writePrintStlFile(solid, info, sink);
}

WriteOutcome writeOutputFile(OutputFormat format, const geometry::MeshStore& mesh, int overlapCount, int petalCount,
                             const CommentInfo& info, OutputSink& sink, const FaceStep& step)
{
    switch (format) {
    case OutputFormat::Dxf: break;
    case OutputFormat::CadDxf: return writeCadDxfFile(mesh, overlapCount, petalCount, info, sink, step);
    case OutputFormat::Obj: return writeObjFile(mesh, overlapCount, petalCount, info, sink, step);
    case OutputFormat::Stl: return writeStlFile(mesh, overlapCount, petalCount, info, sink, step);
    case OutputFormat::Glb: return writeGlbFile(mesh, overlapCount, petalCount, info, sink, step);
    case OutputFormat::PrintStl:
    case OutputFormat::ThreeMf: return WriteOutcome::Failed; // the solid first: writeSolidFile
    case OutputFormat::Petal:
        return sink.write(petalFileText(flowerRecord(info.parameterTexts, info.seed))) ? WriteOutcome::Finished : WriteOutcome::Failed;
    }
    return writeFaceFile(mesh, overlapCount, petalCount, info, sink, step);
}

} // namespace petalwright::formats
