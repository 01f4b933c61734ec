#include "formats/CadDxfWriter.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <limits>

#include "formats/FaceSplit.h"
#include "formats/FlowerReader.h"
#include "formats/NumberPatterns.h"
#include "formats/Placement.h"
#include "formats/RingColours.h"
#include "formats/SinkBuffer.h"
#include "geometry/FaceWalk.h"

namespace petalwright::formats {
namespace {

constexpr int kPointsPerPetal = geometry::kPointsPerStrip * geometry::kStripsPerPetal;
constexpr int kLayerZeroColour = 7;        // white on a dark drawing area, black on a light one
constexpr int kInsertionUnitsMillimetres = 4;

class Lines {
public:
    explicit Lines(std::string& out) : m_out(out) {}
    Lines& operator()(std::string_view text)
    {
        m_out.append(text);
        m_out.append("\r\n");
        return *this;
    }
    Lines& operator()(int number)
    {
        char digits[16];
        const auto end = std::to_chars(digits, digits + sizeof digits, number).ptr;
        return (*this)(std::string_view(digits, static_cast<std::size_t>(end - digits)));
    }
    Lines& point(int firstCode, const Point& p)
    {
        for (std::size_t axis = 0; axis < 3; ++axis) {
            (*this)(firstCode + 10 * static_cast<int>(axis));
            m_out.append(formatCoordinate(p[axis]));
            m_out.append("\r\n");
        }
        return *this;
    }

private:
    std::string& m_out;
};

std::string head(const geometry::MeshStore& mesh, int rings, int petals, const CommentInfo& info)
{
    Point low = {std::numeric_limits<double>::max(), std::numeric_limits<double>::max(), std::numeric_limits<double>::max()};
    Point high = {std::numeric_limits<double>::lowest(), std::numeric_limits<double>::lowest(), std::numeric_limits<double>::lowest()};
    for (int ring = 0; ring < rings; ++ring)
        for (int petal = 0; petal < petals; ++petal)
            for (int i = 0; i < kPointsPerPetal; ++i) {
                const Point p = place(mesh, mesh.index(ring, petal, i / geometry::kStripsPerPetal, i % geometry::kStripsPerPetal), kCadPlacement);
                for (std::size_t a = 0; a < 3; ++a) {
                    low[a] = std::min(low[a], p[a]);
                    high[a] = std::max(high[a], p[a]);
                }
            }
    if (rings <= 0 || petals <= 0)
        low = high = {0, 0, 0};

    std::string text;
    Lines line(text);
    // The flower first, as a comment every DXF reader skips: ASCII, so the code page cannot touch it.
    line("999")(flowerLine(flowerRecord(info.parameterTexts, info.seed)));
    line("0")("SECTION")("2")("HEADER");
    line("9")("$ACADVER")("1")("AC1009");
    line("9")("$DWGCODEPAGE")("3")("ANSI_932");
    line("9")("$INSUNITS")("70")(kInsertionUnitsMillimetres);
    line("9")("$EXTMIN").point(10, low);
    line("9")("$EXTMAX").point(10, high);
    line("0")("ENDSEC");

    line("0")("SECTION")("2")("TABLES");
    line("0")("TABLE")("2")("LTYPE")("70")(1);
    line("0")("LTYPE")("2")("CONTINUOUS")("70")(0)("3")("Solid line")("72")(65)("73")(0)("40")("0.0");
    line("0")("ENDTAB");
    line("0")("TABLE")("2")("LAYER")("70")(rings + 1);
    line("0")("LAYER")("2")("0")("70")(0)("62")(kLayerZeroColour)("6")("CONTINUOUS");
    const std::vector<RingColour> colours = ringColours(mesh, rings);
    for (int ring = 0; ring < rings; ++ring)
        line("0")("LAYER")("2")(ringLayerName(ring))("70")(0)("62")(colours[static_cast<std::size_t>(ring)].colourNumber)("6")("CONTINUOUS");
    line("0")("ENDTAB");
    line("0")("ENDSEC");

    line("0")("SECTION")("2")("ENTITIES");
    return text;
}

// One 3DFACE; a triangle repeats its third corner as the fourth.
char* appendFace(char* out, const geometry::MeshStore& mesh, const Polygon& polygon, std::string_view layer)
{
    constexpr std::string_view kStart = "0\r\n3DFACE\r\n8\r\n";
    std::memcpy(out, kStart.data(), kStart.size());
    out += kStart.size();
    std::memcpy(out, layer.data(), layer.size());
    out += layer.size();
    *out++ = '\r';
    *out++ = '\n';
    for (int c = 0; c < geometry::kCornersPerFace; ++c) {
        const std::size_t element = polygon.corner[static_cast<std::size_t>(std::min(c, polygon.cornerCount - 1))];
        const Point p = place(mesh, element, kCadPlacement);
        for (std::size_t axis = 0; axis < 3; ++axis) {
            const int code = 10 * static_cast<int>(axis + 1) + c;
            *out++ = static_cast<char>('0' + code / 10);
            *out++ = static_cast<char>('0' + code % 10);
            *out++ = '\r';
            *out++ = '\n';
            out = appendCoordinate(out, p[axis]);
            *out++ = '\r';
            *out++ = '\n';
        }
    }
    return out;
}

} // namespace

std::string ringLayerName(int ring)
{
    std::string name = "RING";
    if (ring + 1 < 10)
        name += '0';
    name += std::to_string(ring + 1);
    return name;
}

WriteOutcome writeCadDxfFile(const geometry::MeshStore& mesh, int overlapCount, int petalCount,
                             const CommentInfo& info, OutputSink& sink, const FaceStep& step)
{
    constexpr std::size_t kMaxFace = 64 + 12 * (4 + kMaxCoordinateLength);
    SinkBuffer buffer(sink);
    buffer.append(head(mesh, overlapCount, petalCount, info));
    std::vector<std::string> layers;
    for (int ring = 0; ring < overlapCount; ++ring)
        layers.push_back(ringLayerName(ring));

    char block[2 * kMaxFace];
    int faces = 0;
    bool cancelled = false;
    bool failed = false;
    geometry::forEachFace(mesh, overlapCount, petalCount, [&](const geometry::Face& face) {
        const SplitFace split = splitFace(mesh, face);
        char* out = block;
        for (int i = 0; i < split.count; ++i)
            out = appendFace(out, mesh, split.polygon[static_cast<std::size_t>(i)], layers[static_cast<std::size_t>(face.ring)]);
        buffer.append(std::string_view(block, static_cast<std::size_t>(out - block)));
        ++faces;
        failed = !buffer.flushIfFull();
        cancelled = !failed && step && !step(faces);
        return !failed && !cancelled;
    });
    if (failed)
        return WriteOutcome::Failed;

    // Normal end and cancel both close the file with the trailer and the comment block.
    std::string tail = "0\r\nENDSEC\r\n0\r\nEOF\r\n\r\n";
    for (const std::string& line : commentLines(info)) {
        tail += sink.encodeText(line);
        tail += "\r\n";
    }
    buffer.append(tail);
    if (!buffer.flush())
        return WriteOutcome::Failed;
    return cancelled ? WriteOutcome::Cancelled : WriteOutcome::Finished;
}

} // namespace petalwright::formats
