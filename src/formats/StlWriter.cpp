#include "formats/StlWriter.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>

#include "Version.h"
#include "formats/Triangles.h"

namespace petalwright::formats {
namespace {

static_assert(std::endian::native == std::endian::little, "STL numbers are little-endian");

constexpr std::size_t kHeadBytes = 80;
constexpr std::size_t kCountBytes = 4;
constexpr std::size_t kTriangleBytes = 50; // normal, three corners (12 floats) and a 2-byte attribute

// Normal and corners as twelve floats, then the attribute bytes (zero).
void appendTriangle(std::string& out, const Point& normal, const Point& a, const Point& b, const Point& c)
{
    float values[12];
    std::size_t i = 0;
    for (const Point* p : {&normal, &a, &b, &c})
        for (const double v : *p)
            values[i++] = static_cast<float>(v);
    char record[kTriangleBytes] = {};
    std::memcpy(record, values, sizeof values);
    out.append(record, kTriangleBytes);
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
        forEachTriangle(mesh, face, kCadPlacement, [&](const Point& a, const Point& b, const Point& c, const Point& normal) {
            appendTriangle(data, normal, a, b, c);
            ++triangles;
        });
        ++faces;
        cancelled = step && !step(faces);
        return !cancelled;
    });
    std::memcpy(data.data() + kHeadBytes, &triangles, kCountBytes);

    if (!sink.write(data))
        return WriteOutcome::Failed;
    return cancelled ? WriteOutcome::Cancelled : WriteOutcome::Finished;
}

} // namespace petalwright::formats
