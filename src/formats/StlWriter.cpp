#include "formats/StlWriter.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "formats/FlowerReader.h"
#include "formats/StlRecord.h"
#include "formats/Triangles.h"

namespace petalwright::formats {

WriteOutcome writeStlFile(const geometry::MeshStore& mesh, int overlapCount, int petalCount,
                          const CommentInfo& info, OutputSink& sink, const FaceStep& step)
{
    std::string data = stlHead("flower", flowerRecord(info.parameterTexts, info.seed)) + std::string(kStlCountBytes, '\0');
    const auto faceTotal = static_cast<std::size_t>(std::max(overlapCount, 0)) * static_cast<std::size_t>(std::max(petalCount, 0))
        * geometry::kSegmentsPerStrip * geometry::kStripPairs;
    data.reserve(data.size() + faceTotal * 2 * kStlTriangleBytes);

    std::uint32_t triangles = 0;
    int faces = 0;
    bool cancelled = false;
    geometry::forEachFace(mesh, overlapCount, petalCount, [&](const geometry::Face& face) {
        forEachTriangle(mesh, face, kCadPlacement, [&](const Point& a, const Point& b, const Point& c, const Point& normal) {
            appendStlTriangle(data, normal, a, b, c);
            ++triangles;
        });
        ++faces;
        cancelled = step && !step(faces);
        return !cancelled;
    });
    std::memcpy(data.data() + kStlHeadBytes, &triangles, kStlCountBytes);

    if (!sink.write(data))
        return WriteOutcome::Failed;
    return cancelled ? WriteOutcome::Cancelled : WriteOutcome::Finished;
}

} // namespace petalwright::formats
