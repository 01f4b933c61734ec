#pragma once
// The flower as a binary STL file: triangles with their normals, the centre at the origin, Z up, millimetres.

#include "formats/FaceFileWriter.h"

namespace petalwright::formats {

// Same outcome and step as writeFaceFile. The file is collected in memory and handed to the sink once,
// since its head holds the triangle count; a cancelled file holds the triangles so far.
WriteOutcome writeStlFile(const geometry::MeshStore& mesh, int overlapCount, int petalCount,
                          const CommentInfo& info, OutputSink& sink, const FaceStep& step = {});

} // namespace petalwright::formats
