#pragma once
// The DXF face file: one ENTITIES section of 3DFACE entities, then a "//" comment block.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "geometry/FlowerParameters.h"
#include "geometry/MeshStore.h"

namespace petalwright::formats {

// Where the file's bytes go. The file adapter decides the code page; tests collect in memory.
class OutputSink {
public:
    virtual ~OutputSink() = default;
    // Appends bytes as they are. Returns false when they could not be written.
    virtual bool write(std::string_view bytes) = 0;
    // The UTF-8 text of a comment line in the file's code page; UTF-8 unchanged by default.
    virtual std::string encodeText(std::string_view utf8) const { return std::string(utf8); }
};

// What the comment block records besides the version.
struct CommentInfo {
    std::string fileName;                       // file-name part of the output path, UTF-8
    std::function<std::string()> dateTime;      // local "date time", read once after the last face
    geometry::ParameterTexts parameterTexts;    // the six box texts as typed (trimmed on writing)
    std::optional<std::uint64_t> seed = std::nullopt; // the shape number, for the formats that record the flower
};

// Called after each face with the number written so far; returns false to stop (cancel).
using FaceStep = std::function<bool(int facesWritten)>;

enum class WriteOutcome {
    Finished,  // every face, trailer and comment block written
    Cancelled, // stopped by the step after some faces; trailer and comment block written
    Failed,    // the sink refused bytes; nothing more was written
};

// The text on one line: a CR or LF inside it (a box cannot hold one, a command line or a file
// name can) becomes a blank, so a comment block or a title keeps its lines.
std::string flatLine(std::string_view text);

// The comment block's lines in UTF-8, without line ends: "//", the version line, the six parameter lines,
// "//". Reads the date and time once.
std::vector<std::string> commentLines(const CommentInfo& info);

// Writes every face of the `overlapCount` x `petalCount` petals held in `mesh`.
WriteOutcome writeFaceFile(const geometry::MeshStore& mesh, int overlapCount, int petalCount,
                           const CommentInfo& info, OutputSink& sink, const FaceStep& step = {});

// Bytes that collect in memory, for tests and benchmarks.
class MemorySink final : public OutputSink {
public:
    bool write(std::string_view bytes) override
    {
        data.append(bytes);
        return true;
    }
    std::string data;
};

} // namespace petalwright::formats
