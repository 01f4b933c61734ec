#include "formats/ObjWriter.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <unordered_map>

#include "formats/CadDxfWriter.h"
#include "formats/FaceSplit.h"
#include "formats/FlowerReader.h"
#include "formats/NumberPatterns.h"
#include "formats/Placement.h"
#include "formats/SinkBuffer.h"
#include "geometry/FaceWalk.h"

namespace petalwright::formats {
namespace {

constexpr int kPointsPerPetal = geometry::kPointsPerStrip * geometry::kStripsPerPetal;

// A point as the file writes it: each coordinate in billionths, rounded.
using PointKey = std::array<std::int64_t, 3>;

PointKey keyOf(const Point& p)
{
    constexpr double kBillionths = 1e9;
    constexpr double kLimit = 9e18; // within the 64-bit range; the flower's points are far below it
    PointKey key{};
    for (std::size_t a = 0; a < 3; ++a) {
        const double scaled = std::round(p[a] * kBillionths);
        if (std::abs(scaled) < kLimit)
            key[a] = static_cast<std::int64_t>(scaled);
        else
            std::memcpy(&key[a], &p[a], sizeof key[a]); // the bits themselves
    }
    return key;
}

struct PointKeyHash {
    std::size_t operator()(const PointKey& k) const
    {
        std::uint64_t h = 0xcbf29ce484222325u;
        for (const std::int64_t v : k)
            h = (h ^ static_cast<std::uint64_t>(v)) * 0x100000001b3u;
        return static_cast<std::size_t>(h ^ (h >> 32));
    }
};

} // namespace

WriteOutcome writeObjFile(const geometry::MeshStore& mesh, int overlapCount, int petalCount,
                          const CommentInfo& info, OutputSink& sink, const FaceStep& step)
{
    SinkBuffer buffer(sink);
    std::string head;
    // The comment lines come with line breaks in the name and the texts already turned into blanks.
    for (const std::string& line : commentLines(info)) {
        head += '#';
        head.append(line, 2); // "//" becomes "#"
        head += '\n';
    }
    head += "# " + flowerLine(flowerRecord(info.parameterTexts, info.seed)) + "\n";
    head += "# Units: millimetres. Up: +Y. One group per ring.\n";
    buffer.append(head);

    // OBJ numbers vertices from 1 across the whole file. Within a ring, points written alike (the centre
    // of every petal, the tip of a petal's strips, tips that meet on the axis) are one vertex, so each ring
    // is one connected mesh.
    std::unordered_map<PointKey, long long, PointKeyHash> ringVertices;
    std::array<std::size_t, kPointsPerPetal> elementOf{};
    std::array<long long, kPointsPerPetal> vertexOf{};
    long long vertices = 0;
    // A group line, a petal's vertices and the faces of one face of the flower at most.
    constexpr std::size_t kMaxBlock = 64 + kPointsPerPetal * (2 + 3 * (1 + kMaxCoordinateLength)) + 2 * (2 + 4 * 21);
    char block[kMaxBlock];
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
                ringVertices.clear();
            }
            for (int point = 0; point < geometry::kPointsPerStrip; ++point) {
                for (int strip = 0; strip < geometry::kStripsPerPetal; ++strip) {
                    const auto g = static_cast<std::size_t>(point * geometry::kStripsPerPetal + strip);
                    elementOf[g] = mesh.index(face.ring, face.petal, point, strip);
                    const Point v = place(mesh, elementOf[g], kObjPlacement);
                    char text[4 + 3 * (1 + kMaxCoordinateLength)];
                    char* end = text;
                    *end++ = 'v';
                    for (const double c : v) {
                        *end++ = ' ';
                        end = appendCoordinate(end, c);
                    }
                    *end++ = '\n';
                    const auto [known, added] = ringVertices.try_emplace(keyOf(v), vertices + 1);
                    vertexOf[g] = known->second;
                    if (!added)
                        continue;
                    ++vertices;
                    std::memcpy(out, text, static_cast<std::size_t>(end - text));
                    out += end - text;
                }
            }
        }
        const SplitFace split = splitFace(mesh, face);
        for (int i = 0; i < split.count; ++i) {
            const Polygon& polygon = split.polygon[static_cast<std::size_t>(i)];
            std::array<long long, geometry::kCornersPerFace> corners{};
            int count = 0;
            for (int c = 0; c < polygon.cornerCount; ++c) {
                const std::size_t element = polygon.corner[static_cast<std::size_t>(c)];
                std::size_t g = 0;
                while (g + 1 < elementOf.size() && elementOf[g] != element)
                    ++g;
                // Corners a billionth apart are one vertex in the file: such a face keeps it once.
                if (std::find(corners.begin(), corners.begin() + count, vertexOf[g]) == corners.begin() + count)
                    corners[static_cast<std::size_t>(count++)] = vertexOf[g];
            }
            if (count < 3)
                continue;
            *out++ = 'f';
            for (int c = 0; c < count; ++c) {
                *out++ = ' ';
                out = std::to_chars(out, out + 24, corners[static_cast<std::size_t>(c)]).ptr;
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

} // namespace petalwright::formats
