#pragma once
// The file formats a run can write, their names and extensions, and the writer of each.

#include <array>
#include <optional>
#include <string>
#include <string_view>

#include "formats/FaceFileWriter.h"
#include "formats/SolidMesh.h"
#include "formats/SolidWriters.h"

namespace petalwright::formats {

enum class OutputFormat {
    Dxf,    // the DXF file of 3DFACE entities on one layer each, the default
    CadDxf, // DXF for CAD programs
    Obj,
    Stl,
    Glb,
    PrintStl, // the printable solid as binary STL
    ThreeMf,  // the printable solid as 3MF
    Petal,    // the flower file: the six texts and the shape number, no faces
};

inline constexpr std::array<OutputFormat, 8> kOutputFormats = {
    OutputFormat::Dxf, OutputFormat::CadDxf,   OutputFormat::Obj,     OutputFormat::Stl,
    OutputFormat::Glb, OutputFormat::PrintStl, OutputFormat::ThreeMf, OutputFormat::Petal};

// "dxf", "cad-dxf", "obj", "stl", "glb", "print-stl", "3mf", "petal".
std::string_view formatName(OutputFormat format);
// The save dialog's file type: "DXFファイル(*.dxf)", "CAD向けDXFファイル(*.dxf)", "OBJファイル(*.obj)", ...
std::string_view formatFileType(OutputFormat format);
// The format of a name above (in any letter case); nothing for another text.
std::optional<OutputFormat> formatFromName(std::string_view name);
// Extension of the format's files without the dot: "dxf" (both DXF formats), "obj", "stl" (both STL formats),
// "glb", "3mf", "petal".
std::string_view formatExtension(OutputFormat format);
// The format an output path asks for by its extension: .obj, .stl, .glb, .3mf and .petal in any letter case, else the
// default DXF.
OutputFormat formatFromPath(std::string_view path);
// The formats of the printable solid (print-stl, 3mf): written by writeSolidFile after the solid is built.
bool isPrintable(OutputFormat format);
// The flower file, written from the texts and the shape number alone (no mesh, no progress).
bool isFlowerFile(OutputFormat format);
// The names joined by `separator`, in table order (for help texts and messages).
std::string formatNameList(std::string_view separator);

// Writes the flower's surface in `format` (not a printable one), with writeFaceFile's outcome and step;
// the flower file records `info`'s texts and shape number.
WriteOutcome writeOutputFile(OutputFormat format, const geometry::MeshStore& mesh, int overlapCount, int petalCount,
                             const CommentInfo& info, OutputSink& sink, const FaceStep& step = {});
// Writes the printable solid in a printable `format`; `metadata` goes into a 3MF model's metadata.
WriteOutcome writeSolidFile(OutputFormat format, const SolidMesh& solid, const CommentInfo& info, OutputSink& sink,
                            const ThreeMfMetadata& metadata = {});

} // namespace petalwright::formats
