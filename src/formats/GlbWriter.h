#pragma once
// The flower as binary glTF 2.0: one mesh with a primitive and a material (the ring's colour) per ring,
// flat normals, the centre at the origin, Y up, metres.

#include "formats/FaceFileWriter.h"

namespace petalwright::formats {

// Same outcome and step as writeFaceFile. The file is collected in memory and handed to the sink once,
// since its head holds the lengths; a cancelled file holds the triangles so far. The comment block's
// lines go into the asset's "extras".
WriteOutcome writeGlbFile(const geometry::MeshStore& mesh, int overlapCount, int petalCount,
                          const CommentInfo& info, OutputSink& sink, const FaceStep& step = {});

} // namespace petalwright::formats
