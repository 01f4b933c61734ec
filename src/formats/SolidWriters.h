#pragma once
// The printable solid's two files: binary STL and 3MF.

#include "formats/FaceFileWriter.h"
#include "formats/SolidMesh.h"

namespace petalwright::formats {

// Binary STL of the solid: 80-byte head, count, per triangle its outward unit normal and corners.
WriteOutcome writePrintStlFile(const SolidMesh& solid, const CommentInfo& info, OutputSink& sink);

// 3MF: a zip package of [Content_Types].xml, _rels/.rels and 3D/3dmodel.model (one object, millimetres,
// the same float corners as the STL). The comment block's lines go into the model's metadata.
WriteOutcome writeThreeMfFile(const SolidMesh& solid, const CommentInfo& info, OutputSink& sink);

} // namespace petalwright::formats
