#pragma once
// The flower as a DXF file for CAD programs: R12 header, one layer per ring, triangles and flat
// four-point faces, the centre at the origin with the axis along +Z, millimetres.

#include "formats/FaceFileWriter.h"

namespace petalwright::formats {

// Layer name of ring `ring` (0-based): RING01, RING02, ...
std::string ringLayerName(int ring);

// Same outcome and step (after each face of the flower, counted as in the default DXF file) as writeFaceFile;
// a cancelled file ends with the faces so far, the trailer and the comment block.
WriteOutcome writeCadDxfFile(const geometry::MeshStore& mesh, int overlapCount, int petalCount,
                             const CommentInfo& info, OutputSink& sink, const FaceStep& step = {});

} // namespace petalwright::formats
