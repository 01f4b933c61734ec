#include "dxf/ObjWriter.h"

#include <charconv>
#include <cstring>

#include "dxf/CadDxfWriter.h"
#include "dxf/FaceSplit.h"
#include "dxf/NumberPatterns.h"
#include "dxf/Placement.h"
#include "dxf/SinkBuffer.h"
#include "geometry/FaceWalk.h"

namespace petalwright::dxf {
namespace {

constexpr int kPointsPerPetal = geometry::kPointsPerStrip * geometry::kStripsPerPetal;

// Grid point (point, strip) of a petal as a number 0..14.
constexpr int gridPoint(int point, int strip) { return point * geometry::kStripsPerPetal + strip; }

} // namespace

WriteOutcome writeObjFile(const geometry::MeshStore& mesh, int overlapCount, int petalCount,
                          const CommentInfo& info, OutputSink& sink, const FaceStep& step)
{
    SinkBuffer buffer(sink);
    std::string head;
    for (const std::string& line : commentLines(info)) {
        head += '#';
        head.append(line, 2); // "//" becomes "#"
        head += '\n';
    }
    head += "# Units: millimetres. Up: +Y. One group per ring.\n";
    buffer.append(head);

    // OBJ numbers vertices from 1 across the whole file; each petal's grid point maps to one of them,
    // points at the same position (the centre, the tip) to the same one.
    std::array<std::size_t, kPointsPerPetal> elementOf{};
    std::array<long long, kPointsPerPetal> vertexOf{};
    long long vertices = 0;
    char block[4096];
    int faces = 0;
    bool cancelled = false;
    bool failed = false;
    geometry::forEachFace(mesh, overlapCount, petalCount, [&](const geometry::Face& face) {
        char* out = block;
        if (face.q == 0 && face.p == 0) {
            if (face.petal == 0) {
                const std::string group = "g " + ringLayerName(face.ring) + "\n";
                std::memcpy(out, group.data(), group.size());
                out += group.size();
            }
            std::array<Point, kPointsPerPetal> seen{};
            for (int point = 0; point < geometry::kPointsPerStrip; ++point) {
                for (int strip = 0; strip < geometry::kStripsPerPetal; ++strip) {
                    const int g = gridPoint(point, strip);
                    const Point v = place(mesh, mesh.index(face.ring, face.petal, point, strip), kObjPlacement);
                    seen[static_cast<std::size_t>(g)] = v;
                    elementOf[static_cast<std::size_t>(g)] = mesh.index(face.ring, face.petal, point, strip);
                    vertexOf[static_cast<std::size_t>(g)] = 0;
                    for (int earlier = gridPoint(point, 0); earlier < g; ++earlier)
                        if (seen[static_cast<std::size_t>(earlier)] == v)
                            vertexOf[static_cast<std::size_t>(g)] = vertexOf[static_cast<std::size_t>(earlier)];
                    if (vertexOf[static_cast<std::size_t>(g)] != 0)
                        continue;
                    vertexOf[static_cast<std::size_t>(g)] = ++vertices;
                    *out++ = 'v';
                    for (const double c : v) {
                        *out++ = ' ';
                        out = appendCoordinate(out, c);
                    }
                    *out++ = '\n';
                }
            }
        }
        const SplitFace split = splitFace(mesh, face);
        for (int i = 0; i < split.count; ++i) {
            const Polygon& polygon = split.polygon[static_cast<std::size_t>(i)];
            *out++ = 'f';
            for (int c = 0; c < polygon.cornerCount; ++c) {
                const std::size_t element = polygon.corner[static_cast<std::size_t>(c)];
                std::size_t g = 0;
                while (g + 1 < elementOf.size() && elementOf[g] != element)
                    ++g;
                *out++ = ' ';
                out = std::to_chars(out, out + 24, vertexOf[g]).ptr;
            }
            *out++ = '\n';
        }
        buffer.append(std::string_view(block, static_cast<std::size_t>(out - block)));
        ++faces;
        failed = !buffer.flushIfFull();
        cancelled = !failed && step && !step(faces);
        return !failed && !cancelled;
    });
    if (failed || !buffer.flush())
        return WriteOutcome::Failed;
    return cancelled ? WriteOutcome::Cancelled : WriteOutcome::Finished;
}

} // namespace petalwright::dxf
