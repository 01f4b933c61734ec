#include "formats/GlbWriter.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>

#include "Version.h"
#include "formats/CadDxfWriter.h"
#include "formats/FlowerReader.h"
#include "formats/NumberPatterns.h"
#include "formats/RingColours.h"
#include "formats/Triangles.h"

namespace petalwright::formats {
namespace {

static_assert(std::endian::native == std::endian::little, "glTF numbers are little-endian");

constexpr std::uint32_t kMagic = 0x46546C67;     // "glTF"
constexpr std::uint32_t kContainerVersion = 2;
constexpr std::uint32_t kJsonChunk = 0x4E4F534A; // "JSON"
constexpr std::uint32_t kBinChunk = 0x004E4942;  // "BIN\0"
constexpr int kFloatComponent = 5126;
constexpr int kArrayBuffer = 34962;
constexpr int kTriangles = 4;
constexpr double kRoughness = 0.8;

constexpr std::size_t kFloatsPerCorner = 6; // position, then normal
constexpr std::size_t kCornerBytes = kFloatsPerCorner * sizeof(float);

// Every corner of every triangle, position and normal interleaved, ring after ring; each corner carries
// its triangle's normal so the petals look flat.
struct Corners {
    std::vector<float> values;
    std::vector<std::size_t> ringStart; // first corner of each ring, then the end

    std::size_t count() const { return values.size() / kFloatsPerCorner; }
};

void appendCorner(std::vector<float>& out, const Point& p, const Point& n)
{
    out.insert(out.end(), {static_cast<float>(p[0]), static_cast<float>(p[1]), static_cast<float>(p[2]),
                           static_cast<float>(n[0]), static_cast<float>(n[1]), static_cast<float>(n[2])});
}

// Shortest text that reads back as exactly this double (a float widened, for min and max).
void appendNumber(std::string& json, double value)
{
    char digits[kMaxShortestLength];
    json.append(digits, appendShortest(digits, value));
}

void appendVector(std::string& json, const std::array<double, 3>& v)
{
    json += '[';
    for (std::size_t i = 0; i < 3; ++i) {
        if (i > 0)
            json += ',';
        appendNumber(json, v[i]);
    }
    json += ']';
}

void appendString(std::string& json, std::string_view text)
{
    json += '"';
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            json += '\\';
            json += c;
        } else if (byte < 0x20) {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\u%04x", byte);
            json += escape;
        } else {
            json += c;
        }
    }
    json += '"';
}

// sRGB component to the linear value glTF colours hold.
double linear(double srgb) { return srgb <= 0.04045 ? srgb / 12.92 : std::pow((srgb + 0.055) / 1.055, 2.4); }

void appendUint32(std::string& out, std::uint32_t value) { out.append(reinterpret_cast<const char*>(&value), sizeof value); }

std::string json(const Corners& corners, const std::vector<RingColour>& colours, const std::vector<std::string>& comments, const std::string& flower)
{
    std::string j = "{\"asset\":{\"version\":\"2.0\",\"generator\":";
    appendString(j, std::string(version::kProductName) + " " + std::string(version::kVersionText));
    j += ",\"extras\":{\"comment\":[";
    for (std::size_t i = 0; i < comments.size(); ++i) {
        if (i > 0)
            j += ',';
        appendString(j, comments[i]);
    }
    j += "],\"flower\":";
    appendString(j, flower);
    j += "}}";

    // One buffer view per ring over its interleaved corners; its positions and normals are two accessors.
    std::string primitives, materials, accessors, views;
    int primitive = 0;
    for (std::size_t ring = 0; ring + 1 < corners.ringStart.size(); ++ring) {
        const std::size_t first = corners.ringStart[ring], end = corners.ringStart[ring + 1];
        if (first == end)
            continue; // a cancelled run may end before a ring
        std::array<double, 3> low, high;
        low.fill(std::numeric_limits<double>::max());
        high.fill(std::numeric_limits<double>::lowest());
        for (std::size_t c = first; c < end; ++c)
            for (std::size_t a = 0; a < 3; ++a) {
                const double v = corners.values[c * kFloatsPerCorner + a];
                low[a] = std::min(low[a], v);
                high[a] = std::max(high[a], v);
            }
        const std::string separator = primitive > 0 ? "," : "";
        const std::string count = std::to_string(end - first);
        const std::string view = std::to_string(primitive);

        views += separator + "{\"buffer\":0,\"byteOffset\":" + std::to_string(first * kCornerBytes) + ",\"byteLength\":"
            + std::to_string((end - first) * kCornerBytes) + ",\"byteStride\":" + std::to_string(kCornerBytes)
            + ",\"target\":" + std::to_string(kArrayBuffer) + "}";

        accessors += separator + "{\"bufferView\":" + view + ",\"componentType\":" + std::to_string(kFloatComponent)
            + ",\"count\":" + count + ",\"type\":\"VEC3\",\"min\":";
        appendVector(accessors, low);
        accessors += ",\"max\":";
        appendVector(accessors, high);
        accessors += "},{\"bufferView\":" + view + ",\"byteOffset\":" + std::to_string(3 * sizeof(float))
            + ",\"componentType\":" + std::to_string(kFloatComponent) + ",\"count\":" + count + ",\"type\":\"VEC3\"}";

        primitives += separator + "{\"attributes\":{\"POSITION\":" + std::to_string(2 * primitive) + ",\"NORMAL\":"
            + std::to_string(2 * primitive + 1) + "},\"material\":" + view + ",\"mode\":" + std::to_string(kTriangles) + "}";

        materials += separator + "{\"name\":";
        appendString(materials, ringLayerName(static_cast<int>(ring)));
        materials += ",\"pbrMetallicRoughness\":{\"baseColorFactor\":[";
        for (const double c : colours[ring].rgb) {
            appendNumber(materials, linear(c));
            materials += ',';
        }
        materials += "1],\"metallicFactor\":0,\"roughnessFactor\":";
        appendNumber(materials, kRoughness);
        materials += "},\"doubleSided\":true}";
        ++primitive;
    }

    j += ",\"scene\":0,\"scenes\":[{\"nodes\":[0]}]";
    if (primitive == 0)
        return j + ",\"nodes\":[{\"name\":\"flower\"}]}";
    j += ",\"nodes\":[{\"name\":\"flower\",\"mesh\":0}]";
    j += ",\"meshes\":[{\"name\":\"flower\",\"primitives\":[" + primitives + "]}]";
    j += ",\"materials\":[" + materials + "]";
    j += ",\"accessors\":[" + accessors + "]";
    j += ",\"bufferViews\":[" + views + "]";
    j += ",\"buffers\":[{\"byteLength\":" + std::to_string(corners.count() * kCornerBytes) + "}]}";
    return j;
}

} // namespace

WriteOutcome writeGlbFile(const geometry::MeshStore& mesh, int overlapCount, int petalCount,
                          const CommentInfo& info, OutputSink& sink, const FaceStep& step)
{
    const auto rings = static_cast<std::size_t>(std::max(overlapCount, 0));
    const std::size_t faceTotal = rings * static_cast<std::size_t>(std::max(petalCount, 0)) * geometry::kFacesPerPetal;
    Corners corners;
    corners.values.reserve(faceTotal * 2 * 3 * kFloatsPerCorner);
    corners.ringStart.assign(rings + 1, 0);

    int faces = 0;
    bool cancelled = false;
    geometry::forEachFace(mesh, overlapCount, petalCount, [&](const geometry::Face& face) {
        forEachTriangle(mesh, face, kGltfPlacement, [&](const Point& a, const Point& b, const Point& c, const Point& n) {
            appendCorner(corners.values, a, n);
            appendCorner(corners.values, b, n);
            appendCorner(corners.values, c, n);
        });
        // Rings after this one start where it ends, until they get faces of their own.
        std::fill(corners.ringStart.begin() + face.ring + 1, corners.ringStart.end(), corners.count());
        ++faces;
        cancelled = step && !step(faces);
        return !cancelled;
    });

    std::string head(12 + 8, '\0');
    head += json(corners, ringColours(mesh, overlapCount), commentLines(info), flowerLine(flowerRecord(info.parameterTexts, info.seed)));
    head.resize(12 + 8 + (head.size() - 20 + 3) / 4 * 4, ' ');
    const std::size_t binaryBytes = corners.values.size() * sizeof(float);
    const std::size_t total = head.size() + (binaryBytes == 0 ? 0 : 8 + binaryBytes);
    std::string words;
    for (const std::uint32_t word : {kMagic, kContainerVersion, static_cast<std::uint32_t>(total),
                                     static_cast<std::uint32_t>(head.size() - 20), kJsonChunk})
        appendUint32(words, word);
    head.replace(0, words.size(), words);
    if (binaryBytes > 0) {
        appendUint32(head, static_cast<std::uint32_t>(binaryBytes));
        appendUint32(head, kBinChunk);
    }
    // Two pieces: the head with the JSON, then the corners as they lie in memory.
    if (!sink.write(head)
        || (binaryBytes > 0 && !sink.write(std::string_view(reinterpret_cast<const char*>(corners.values.data()), binaryBytes))))
        return WriteOutcome::Failed;
    return cancelled ? WriteOutcome::Cancelled : WriteOutcome::Finished;
}

} // namespace petalwright::formats
