#pragma once
// The file formats a run can write, their names and extensions, and the writer of each.

#include <array>
#include <optional>
#include <string_view>

#include "formats/FaceFileWriter.h"

namespace petalwright::formats {

enum class OutputFormat {
    Dxf,    // the DXF file of 3DFACE entities on one layer each, the default
    CadDxf, // DXF for CAD programs
    Obj,
    Stl,
    Glb,
};

inline constexpr std::array<OutputFormat, 5> kOutputFormats = {
    OutputFormat::Dxf, OutputFormat::CadDxf, OutputFormat::Obj, OutputFormat::Stl, OutputFormat::Glb};

// "dxf", "cad-dxf", "obj", "stl", "glb".
std::string_view formatName(OutputFormat format);
// The save dialog's file type: "DXFファイル(*.dxf)", "CAD向けDXFファイル(*.dxf)", "OBJファイル(*.obj)", ...
std::string_view formatFileType(OutputFormat format);
// The format of a name above (in any letter case); nothing for another text.
std::optional<OutputFormat> formatFromName(std::string_view name);
// Extension of the format's files without the dot: "dxf" (both DXF formats), "obj", "stl", "glb".
std::string_view formatExtension(OutputFormat format);
// The format an output path asks for by its extension: .obj, .stl and .glb in any letter case, else the default DXF.
OutputFormat formatFromPath(std::string_view path);

// Writes the flower in `format`, with writeFaceFile's outcome and step.
WriteOutcome writeOutputFile(OutputFormat format, const geometry::MeshStore& mesh, int overlapCount, int petalCount,
                             const CommentInfo& info, OutputSink& sink, const FaceStep& step = {});

} // namespace petalwright::formats
