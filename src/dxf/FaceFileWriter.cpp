#include "dxf/FaceFileWriter.h"

#include <cstring>

#include "Version.h"
#include "dxf/NumberPatterns.h"
#include "geometry/NumberScan.h"

namespace petalwright::dxf {
namespace {

constexpr int kSegments = 4;   // faces along a petal
constexpr int kStripPairs = 2; // faces across a petal
constexpr std::size_t kFlushAt = 60 * 1024;
constexpr std::string_view kHead = "0\r\nSECTION\r\n2\r\nENTITIES\r\n0\r\n";
constexpr std::string_view kTrailer = "ENDSEC\r\n0\r\nEOF\r\n\r\n//\r\n";

// Buffers whole face blocks and hands them to the sink in large pieces.
class BlockBuffer {
public:
    explicit BlockBuffer(OutputSink& sink) : m_sink(sink) { m_data.reserve(kFlushAt + 8192); }

    void append(std::string_view bytes) { m_data.append(bytes); }

    bool flushIfFull() { return m_data.size() < kFlushAt || flush(); }
    bool flush()
    {
        const bool ok = m_data.empty() || m_sink.write(m_data);
        m_data.clear();
        return ok;
    }

private:
    OutputSink& m_sink;
    std::string m_data;
};

char* appendLine(char* out, std::string_view text)
{
    std::memcpy(out, text.data(), text.size());
    out += text.size();
    *out++ = '\r';
    *out++ = '\n';
    return out;
}

// Group code then value: corner c (0..3) and axis a (0..2) use code 10 * (a + 1) + c.
char* appendCorner(char* out, const geometry::MeshStore& mesh, std::size_t element, int corner)
{
    const double values[3] = {mesh.x(element), mesh.y(element), mesh.z(element)};
    for (int axis = 0; axis < 3; ++axis) {
        const int code = 10 * (axis + 1) + corner;
        *out++ = static_cast<char>('0' + code / 10);
        *out++ = static_cast<char>('0' + code % 10);
        *out++ = '\r';
        *out++ = '\n';
        out = appendCoordinate(out, values[axis]);
        *out++ = '\r';
        *out++ = '\n';
    }
    return out;
}

// The text on one line: a CR or LF inside it (a box cannot hold one, a command line or a file
// name can) becomes a blank, so the comment block keeps its thirteen lines.
std::string flatLine(std::string_view text)
{
    std::string flat(text);
    for (char& c : flat)
        if (c == '\r' || c == '\n')
            c = ' ';
    return flat;
}

// A parameter text on one line, trimmed.
std::string oneLine(std::string_view text) { return std::string(geometry::trimBlanks(flatLine(text))); }

std::string commentBlock(const CommentInfo& info, const OutputSink& sink)
{
    std::string versionLine = "// ";
    versionLine += version::kProductName;
    versionLine += ' ';
    versionLine += version::kVersionText;
    versionLine += " - ";
    versionLine += flatLine(info.fileName);
    versionLine += '(';
    versionLine += flatLine(info.dateTime ? info.dateTime() : std::string());
    versionLine += ')';

    std::string block = sink.encodeText(versionLine) + "\r\n";
    for (std::size_t i = 0; i < info.parameterTexts.size(); ++i) {
        std::string line = "// ";
        line += geometry::kParameterLabels[i];
        line += " = ";
        line += oneLine(info.parameterTexts[i]);
        block += sink.encodeText(line);
        block += "\r\n";
    }
    block += "//\r\n";
    return block;
}

} // namespace

WriteOutcome writeFaceFile(const geometry::MeshStore& mesh, int overlapCount, int petalCount,
                           const CommentInfo& info, OutputSink& sink, const FaceStep& step)
{
    constexpr std::size_t kMaxBlock = 64 + 12 * (4 + kMaxCoordinateLength);
    BlockBuffer buffer(sink);
    buffer.append(kHead);
    char block[kMaxBlock];

    int faces = 0;
    bool cancelled = false;
    for (int ring = 0; ring < overlapCount && !cancelled; ++ring) {
        for (int petal = 0; petal < petalCount && !cancelled; ++petal) {
            for (int q = 0; q < kStripPairs && !cancelled; ++q) {
                for (int p = 0; p < kSegments && !cancelled; ++p) {
                    char* out = appendLine(block, "3DFACE");
                    out = appendLine(out, "8");
                    *out++ = 'd';
                    out = appendLayerNumber(out, faces);
                    *out++ = '\r';
                    *out++ = '\n';
                    ++faces;
                    out = appendCorner(out, mesh, mesh.index(ring, petal, p, q), 0);
                    out = appendCorner(out, mesh, mesh.index(ring, petal, p, q + 1), 1);
                    out = appendCorner(out, mesh, mesh.index(ring, petal, p + 1, q + 1), 2);
                    out = appendCorner(out, mesh, mesh.index(ring, petal, p + 1, q), 3);
                    out = appendLine(out, "0");
                    buffer.append(std::string_view(block, static_cast<std::size_t>(out - block)));
                    if (!buffer.flushIfFull())
                        return WriteOutcome::Failed;
                    if (step && !step(faces))
                        cancelled = true;
                }
            }
        }
    }

    // Normal end and cancel both close the file with the trailer and the comment block.
    buffer.append(kTrailer);
    buffer.append(commentBlock(info, sink));
    if (!buffer.flush())
        return WriteOutcome::Failed;
    return cancelled ? WriteOutcome::Cancelled : WriteOutcome::Finished;
}

} // namespace petalwright::dxf
