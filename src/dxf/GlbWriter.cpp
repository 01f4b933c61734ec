#include "dxf/GlbWriter.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>

#include "Version.h"
#include "dxf/CadDxfWriter.h"
#include "dxf/FaceSplit.h"
#include "dxf/Placement.h"
#include "dxf/RingColours.h"
#include "geometry/FaceWalk.h"

namespace petalwright::dxf {
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

// Positions and normals of one ring, three corners per triangle, each corner with its own normal so
// the petals look flat.
struct RingTriangles {
    std::vector<float> position;
    std::vector<float> normal;
};

void appendPoint(std::vector<float>& out, const Point& p)
{
    out.insert(out.end(), {static_cast<float>(p[0]), static_cast<float>(p[1]), static_cast<float>(p[2])});
}

// Shortest text that reads back as exactly this double (a float widened, for min and max).
void appendNumber(std::string& json, double value)
{
    char digits[32];
    const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
    json.append(digits, end);
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

std::string json(const std::vector<RingTriangles>& rings, const std::vector<RingColour>& colours,
                 const std::vector<std::string>& comments)
{
    std::string j = "{\"asset\":{\"version\":\"2.0\",\"generator\":";
    appendString(j, std::string(version::kProductName) + " " + std::string(version::kVersionText));
    j += ",\"extras\":{\"comment\":[";
    for (std::size_t i = 0; i < comments.size(); ++i) {
        if (i > 0)
            j += ',';
        appendString(j, comments[i]);
    }
    j += "]}}";

    std::string primitives, materials, accessors, views;
    std::size_t offset = 0;
    int primitive = 0;
    for (std::size_t ring = 0; ring < rings.size(); ++ring) {
        const RingTriangles& t = rings[ring];
        if (t.position.empty())
            continue; // a cancelled run may end before a ring
        const std::size_t corners = t.position.size() / 3;
        std::array<double, 3> low, high;
        low.fill(std::numeric_limits<double>::max());
        high.fill(std::numeric_limits<double>::lowest());
        for (std::size_t i = 0; i < t.position.size(); ++i) {
            low[i % 3] = std::min(low[i % 3], static_cast<double>(t.position[i]));
            high[i % 3] = std::max(high[i % 3], static_cast<double>(t.position[i]));
        }
        const std::size_t bytes = t.position.size() * sizeof(float);
        const std::string separator = primitive > 0 ? "," : "";
        const int first = 2 * primitive;

        views += separator + "{\"buffer\":0,\"byteOffset\":" + std::to_string(offset) + ",\"byteLength\":"
            + std::to_string(bytes) + ",\"target\":" + std::to_string(kArrayBuffer) + "},"
            + "{\"buffer\":0,\"byteOffset\":" + std::to_string(offset + bytes) + ",\"byteLength\":"
            + std::to_string(bytes) + ",\"target\":" + std::to_string(kArrayBuffer) + "}";
        offset += 2 * bytes;

        accessors += separator + "{\"bufferView\":" + std::to_string(first) + ",\"componentType\":"
            + std::to_string(kFloatComponent) + ",\"count\":" + std::to_string(corners) + ",\"type\":\"VEC3\",\"min\":";
        appendVector(accessors, low);
        accessors += ",\"max\":";
        appendVector(accessors, high);
        accessors += "},{\"bufferView\":" + std::to_string(first + 1) + ",\"componentType\":"
            + std::to_string(kFloatComponent) + ",\"count\":" + std::to_string(corners) + ",\"type\":\"VEC3\"}";

        primitives += separator + "{\"attributes\":{\"POSITION\":" + std::to_string(first) + ",\"NORMAL\":"
            + std::to_string(first + 1) + "},\"material\":" + std::to_string(primitive) + ",\"mode\":"
            + std::to_string(kTriangles) + "}";

        const auto& rgb = colours[ring].rgb;
        materials += separator + "{\"name\":";
        appendString(materials, ringLayerName(static_cast<int>(ring)));
        materials += ",\"pbrMetallicRoughness\":{\"baseColorFactor\":[";
        for (const double c : rgb) {
            appendNumber(materials, linear(c));
            materials += ',';
        }
        materials += "1],\"metallicFactor\":0,\"roughnessFactor\":";
        appendNumber(materials, kRoughness);
        materials += "},\"doubleSided\":true}";
        ++primitive;
    }

    if (primitive == 0) {
        j += ",\"scene\":0,\"scenes\":[{\"nodes\":[0]}],\"nodes\":[{\"name\":\"flower\"}]}";
        return j;
    }
    j += ",\"scene\":0,\"scenes\":[{\"nodes\":[0]}],\"nodes\":[{\"name\":\"flower\",\"mesh\":0}]";
    j += ",\"meshes\":[{\"name\":\"flower\",\"primitives\":[" + primitives + "]}]";
    j += ",\"materials\":[" + materials + "]";
    j += ",\"accessors\":[" + accessors + "]";
    j += ",\"bufferViews\":[" + views + "]";
    j += ",\"buffers\":[{\"byteLength\":" + std::to_string(offset) + "}]}";
    return j;
}

} // namespace

WriteOutcome writeGlbFile(const geometry::MeshStore& mesh, int overlapCount, int petalCount,
                          const CommentInfo& info, OutputSink& sink, const FaceStep& step)
{
    std::vector<RingTriangles> rings(static_cast<std::size_t>(std::max(overlapCount, 0)));
    const std::size_t cornersPerRing = static_cast<std::size_t>(std::max(petalCount, 0)) * geometry::kFacesPerPetal * 2 * 3 * 3;
    for (RingTriangles& ring : rings) {
        ring.position.reserve(cornersPerRing);
        ring.normal.reserve(cornersPerRing);
    }

    int faces = 0;
    bool cancelled = false;
    geometry::forEachFace(mesh, overlapCount, petalCount, [&](const geometry::Face& face) {
        RingTriangles& ring = rings[static_cast<std::size_t>(face.ring)];
        const SplitFace split = splitFace(mesh, face);
        for (int i = 0; i < split.count; ++i) {
            const Polygon& polygon = split.polygon[static_cast<std::size_t>(i)];
            for (int t = 0; t < triangleCount(polygon); ++t) {
                const auto corners = triangle(polygon, t);
                const Point a = place(mesh, corners[0], kGltfPlacement);
                const Point b = place(mesh, corners[1], kGltfPlacement);
                const Point c = place(mesh, corners[2], kGltfPlacement);
                const Point n = unitNormal(a, b, c);
                for (const Point& p : {a, b, c}) {
                    appendPoint(ring.position, p);
                    appendPoint(ring.normal, n);
                }
            }
        }
        ++faces;
        cancelled = step && !step(faces);
        return !cancelled;
    });

    std::string text = json(rings, ringColours(mesh, overlapCount), commentLines(info));
    text.resize((text.size() + 3) / 4 * 4, ' ');
    std::string binary;
    for (const RingTriangles& ring : rings) {
        binary.append(reinterpret_cast<const char*>(ring.position.data()), ring.position.size() * sizeof(float));
        binary.append(reinterpret_cast<const char*>(ring.normal.data()), ring.normal.size() * sizeof(float));
    }

    std::string data;
    const std::size_t total = 12 + 8 + text.size() + (binary.empty() ? 0 : 8 + binary.size());
    data.reserve(total);
    appendUint32(data, kMagic);
    appendUint32(data, kContainerVersion);
    appendUint32(data, static_cast<std::uint32_t>(total));
    appendUint32(data, static_cast<std::uint32_t>(text.size()));
    appendUint32(data, kJsonChunk);
    data += text;
    if (!binary.empty()) {
        appendUint32(data, static_cast<std::uint32_t>(binary.size()));
        appendUint32(data, kBinChunk);
        data += binary;
    }
    if (!sink.write(data))
        return WriteOutcome::Failed;
    return cancelled ? WriteOutcome::Cancelled : WriteOutcome::Finished;
}

} // namespace petalwright::dxf
