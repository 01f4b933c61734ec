#pragma once
// The printable solid's two files: binary STL and 3MF.

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "formats/FaceFileWriter.h"
#include "formats/SolidMesh.h"

namespace petalwright::formats {

// The namespace of the 3MF model's own metadata names ("petalwright:size", ...).
inline constexpr std::string_view kThreeMfNamespace = "https://petalwright.github.io/3mf/metadata";

// Further name/value pairs of a 3MF model's metadata, in order (names with the "petalwright:" prefix).
using ThreeMfMetadata = std::vector<std::pair<std::string, std::string>>;

// Bytes of a print-stl file of `triangles` triangles (exact).
std::uint64_t printStlBytes(std::uint64_t triangles);
// Bytes of a 3MF file of `triangles` triangles (the deflated model varies: within a quarter for the flowers).
std::uint64_t threeMfBytes(std::uint64_t triangles);

// Binary STL of the solid: 80-byte head, count, per triangle its outward unit normal and corners.
WriteOutcome writePrintStlFile(const SolidMesh& solid, const CommentInfo& info, OutputSink& sink);

// 3MF: a zip package of [Content_Types].xml, _rels/.rels and 3D/3dmodel.model (deflated; one object, millimetres,
// the same float corners as the STL). Its metadata: Title (the file name), Application, the solid's size,
// thickness and orientation, then `metadata`; no date.
WriteOutcome writeThreeMfFile(const SolidMesh& solid, const CommentInfo& info, OutputSink& sink, const ThreeMfMetadata& metadata = {});

// The two steps of writeThreeMfFile, for a build that deflates elsewhere (the browser's, without zlib):
// the model part, and the package of it, deflated with zlib where the build has it or as `deflatedModel`
// (raw deflate of `model`) when one is given; stored where neither is smaller.
std::string threeMfModel(const SolidMesh& solid, const CommentInfo& info, const ThreeMfMetadata& metadata = {});
std::string threeMfPackage(std::string_view model, std::string_view deflatedModel = {});

} // namespace petalwright::formats
