#include "formats/FaceFileWriter.h"

#include <cstring>

#include "Version.h"
#include "formats/NumberPatterns.h"
#include "formats/SinkBuffer.h"
#include "geometry/FaceWalk.h"
#include "geometry/NumberScan.h"

namespace petalwright::formats {
namespace {

constexpr std::string_view kHead = "0\r\nSECTION\r\n2\r\nENTITIES\r\n0\r\n";
constexpr std::string_view kTrailer = "ENDSEC\r\n0\r\nEOF\r\n\r\n";

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

// A parameter text on one line, trimmed.
std::string oneLine(std::string_view text) { return std::string(geometry::trimBlanks(flatLine(text))); }

std::string commentBlock(const CommentInfo& info, const OutputSink& sink)
{
    std::string block;
    for (const std::string& line : commentLines(info)) {
        block += sink.encodeText(line);
        block += "\r\n";
    }
    return block;
}

} // namespace

std::vector<std::string> commentLines(const CommentInfo& info)
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

    std::vector<std::string> lines = {"//", versionLine};
    for (std::size_t i = 0; i < info.parameterTexts.size(); ++i) {
        std::string line = "// ";
        line += geometry::kParameterLabels[i];
        line += " = ";
        line += oneLine(info.parameterTexts[i]);
        lines.push_back(std::move(line));
    }
    lines.emplace_back("//");
    return lines;
}

WriteOutcome writeFaceFile(const geometry::MeshStore& mesh, int overlapCount, int petalCount,
                           const CommentInfo& info, OutputSink& sink, const FaceStep& step)
{
    constexpr std::size_t kMaxBlock = 64 + 12 * (4 + kMaxCoordinateLength);
    SinkBuffer buffer(sink);
    buffer.append(kHead);
    char block[kMaxBlock];

    int faces = 0;
    bool cancelled = false;
    bool failed = false;
    geometry::forEachFace(mesh, overlapCount, petalCount, [&](const geometry::Face& face) {
        char* out = appendLine(block, "3DFACE");
        out = appendLine(out, "8");
        *out++ = 'd';
        out = appendLayerNumber(out, faces);
        *out++ = '\r';
        *out++ = '\n';
        ++faces;
        for (int c = 0; c < geometry::kCornersPerFace; ++c)
            out = appendCorner(out, mesh, face.corner[static_cast<std::size_t>(c)], c);
        out = appendLine(out, "0");
        buffer.append(std::string_view(block, static_cast<std::size_t>(out - block)));
        failed = !buffer.flushIfFull();
        cancelled = !failed && step && !step(faces);
        return !failed && !cancelled;
    });
    if (failed)
        return WriteOutcome::Failed;

    // Normal end and cancel both close the file with the trailer and the comment block.
    buffer.append(kTrailer);
    buffer.append(commentBlock(info, sink));
    if (!buffer.flush())
        return WriteOutcome::Failed;
    return cancelled ? WriteOutcome::Cancelled : WriteOutcome::Finished;
}

std::string flatLine(std::string_view text)
{
    std::string flat(text);
    for (char& c : flat)
        if (c == '\r' || c == '\n')
            c = ' ';
    return flat;
}

} // namespace petalwright::formats
