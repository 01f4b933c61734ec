#pragma once
// The flower as a Wavefront OBJ file: the comment block as "#" lines, then one group per ring with
// shared vertices and the faces of the CAD profile; the centre at the origin, Y up, millimetres.

#include "formats/FaceFileWriter.h"

namespace petalwright::formats {

// Same outcome and step as writeFaceFile. Text is UTF-8 with LF line ends; the comment lines are not
// passed through the sink's code page. A cancelled file holds the faces so far.
WriteOutcome writeObjFile(const geometry::MeshStore& mesh, int overlapCount, int petalCount,
                          const CommentInfo& info, OutputSink& sink, const FaceStep& step = {});

} // namespace petalwright::formats
