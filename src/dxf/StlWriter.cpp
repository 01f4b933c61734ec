#include "dxf/StlWriter.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>

#include "Version.h"
#include "dxf/FaceSplit.h"
#include "dxf/Placement.h"
#include "geometry/FaceWalk.h"

namespace petalwright::dxf {
namespace {

static_assert(std::endian::native == std::endian::little, "STL numbers are little-endian");

constexpr std::size_t kHeadBytes = 80;
constexpr std::size_t kCountBytes = 4;
constexpr std::size_t kTriangleBytes = 50; // normal, three corners (12 floats) and a 2-byte attribute

void appendFloats(std::string& out, const Point& p)
{
    const float f[3] = {static_cast<float>(p[0]), static_cast<float>(p[1]), static_cast<float>(p[2])};
    out.append(reinterpret_cast<const char*>(f), sizeof f);
}

} // namespace

WriteOutcome writeStlFile(const geometry::MeshStore& mesh, int overlapCount, int petalCount,
                          const CommentInfo&, OutputSink& sink, const FaceStep& step)
{
    // The head must not begin with "solid": readers would take the file for text.
    std::string head = "Petalwright ";
    head += version::kVersionText;
    head += " flower, binary STL, millimetres, Z up";
    head.resize(kHeadBytes, ' ');

    std::string data = head + std::string(kCountBytes, '\0');
    const auto faceTotal = static_cast<std::size_t>(std::max(overlapCount, 0)) * static_cast<std::size_t>(std::max(petalCount, 0))
        * geometry::kSegmentsPerStrip * geometry::kStripPairs;
    data.reserve(data.size() + faceTotal * 2 * kTriangleBytes);

    std::uint32_t triangles = 0;
    int faces = 0;
    bool cancelled = false;
    geometry::forEachFace(mesh, overlapCount, petalCount, [&](const geometry::Face& face) {
        const SplitFace split = splitFace(mesh, face);
        for (int i = 0; i < split.count; ++i) {
            const Polygon& polygon = split.polygon[static_cast<std::size_t>(i)];
            for (int t = 0; t < triangleCount(polygon); ++t) {
                const auto corners = triangle(polygon, t);
                const Point a = place(mesh, corners[0], kCadPlacement);
                const Point b = place(mesh, corners[1], kCadPlacement);
                const Point c = place(mesh, corners[2], kCadPlacement);
                appendFloats(data, unitNormal(a, b, c));
                appendFloats(data, a);
                appendFloats(data, b);
                appendFloats(data, c);
                data.append(2, '\0');
                ++triangles;
            }
        }
        ++faces;
        cancelled = step && !step(faces);
        return !cancelled;
    });
    std::memcpy(data.data() + kHeadBytes, &triangles, kCountBytes);

    if (!sink.write(data))
        return WriteOutcome::Failed;
    return cancelled ? WriteOutcome::Cancelled : WriteOutcome::Finished;
}

} // namespace petalwright::dxf
