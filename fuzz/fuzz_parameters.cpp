// Fuzz target: six arbitrary parameter texts through conversion, the seven checks and, for texts
// that pass, the size estimate, the first petal of the mesh and its eight faces in the file.
//
// Input: the six texts separated by '|'; missing texts are empty, the sixth takes the rest (so it
// can hold '|' too) and also serves as the file name in the comment block. Any byte may appear: NUL, invalid UTF-8, blanks, long digit runs.

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "Version.h"
#include "formats/FaceFileWriter.h"
#include "formats/NumberPatterns.h"
#include "formats/SizeEstimate.h"
#include "geometry/DaisyMesh.h"
#include "geometry/FlowerParameters.h"
#include "geometry/MeshStore.h"
#include "geometry/NumberScan.h"
#include "geometry/RandomSource.h"

using namespace petalwright;

namespace {

constexpr char kSeparator = '|';
constexpr int kFacesOfOnePetal = geometry::kFacesPerPetal;
constexpr int kCommentLines = 13;
constexpr double kCentreY = 50;
constexpr double kTipLength = 40;

#define FUZZ_CHECK(condition)                                                                        \
    do {                                                                                             \
        if (!(condition)) {                                                                          \
            std::fprintf(stderr, "invariant failed: %s (%s:%d)\n", #condition, __FILE__, __LINE__); \
            std::abort();                                                                            \
        }                                                                                            \
    } while (false)

geometry::ParameterTexts splitTexts(std::string_view input)
{
    geometry::ParameterTexts texts;
    for (std::size_t i = 0; i < texts.size(); ++i) {
        const std::size_t end = i + 1 < texts.size() ? input.find(kSeparator) : std::string_view::npos;
        texts[i] = std::string(input.substr(0, end));
        input = end == std::string_view::npos ? std::string_view() : input.substr(end + 1);
    }
    return texts;
}

// The message is a CR LF joined list of the fixed messages, each at most once, in check order.
void checkMessage(const std::string& message)
{
    static constexpr std::array<std::string_view, 7> kOrder = {
        geometry::messages::kPetalCount,  geometry::messages::kOverlapCount, geometry::messages::kPetalWidth,
        geometry::messages::kPetalScale,  geometry::messages::kAngleStart,   geometry::messages::kAngleEnd,
        geometry::messages::kAngleOrder,
    };
    std::size_t next = 0;
    std::string_view rest = message;
    while (!rest.empty()) {
        const std::size_t end = rest.find("\r\n");
        const std::string_view line = rest.substr(0, end);
        while (next < kOrder.size() && kOrder[next] != line)
            ++next;
        FUZZ_CHECK(next < kOrder.size());
        ++next;
        if (end == std::string_view::npos)
            break;
        rest = rest.substr(end + 2);
        FUZZ_CHECK(!rest.empty()); // no trailing break
    }
}

bool isCoordinate(std::string_view s)
{
    if (!s.empty() && s.front() == '-')
        s.remove_prefix(1);
    const std::size_t point = s.find('.');
    if (point == 0 || point == std::string_view::npos || s.size() - point - 1 != 9)
        return false;
    for (std::size_t i = 0; i < s.size(); ++i)
        if (i != point && (s[i] < '0' || s[i] > '9'))
            return false;
    return true;
}

// Next CR LF terminated line of `file` from `pos`.
std::string_view nextLine(std::string_view file, std::size_t& pos)
{
    const std::size_t end = file.find("\r\n", pos);
    FUZZ_CHECK(end != std::string_view::npos);
    const std::string_view line = file.substr(pos, end - pos);
    pos = end + 2;
    return line;
}

// Head, eight face blocks with running layer names, then the trailer and the comment block.
void checkFile(const std::string& file, const geometry::ParameterTexts& texts, std::string_view fileName)
{
    constexpr std::string_view kHead = "0\r\nSECTION\r\n2\r\nENTITIES\r\n0\r\n";
    FUZZ_CHECK(file.compare(0, kHead.size(), kHead) == 0);
    std::size_t pos = kHead.size();
    for (int face = 0; face < kFacesOfOnePetal; ++face) {
        FUZZ_CHECK(nextLine(file, pos) == "3DFACE");
        FUZZ_CHECK(nextLine(file, pos) == "8");
        char layer[16];
        std::snprintf(layer, sizeof layer, "d%06d", face);
        FUZZ_CHECK(nextLine(file, pos) == layer);
        for (int corner = 0; corner < 4; ++corner) {
            for (int axis = 1; axis <= 3; ++axis) {
                FUZZ_CHECK(nextLine(file, pos) == std::to_string(10 * axis + corner));
                FUZZ_CHECK(isCoordinate(nextLine(file, pos)));
            }
        }
        FUZZ_CHECK(nextLine(file, pos) == "0");
    }

    // Exactly thirteen lines follow the last block, whatever the texts hold.
    const std::string_view tail = std::string_view(file).substr(pos);
    std::size_t lineEnds = 0;
    for (std::size_t i = 0; i < tail.size(); ++i)
        if (tail[i] == '\n' || tail[i] == '\r')
            lineEnds += tail[i] == '\n' || i + 1 == tail.size() || tail[i + 1] != '\n';
    FUZZ_CHECK(lineEnds == kCommentLines);

    constexpr std::string_view kTrailer = "ENDSEC\r\n0\r\nEOF\r\n\r\n//\r\n";
    FUZZ_CHECK(tail.substr(0, kTrailer.size()) == kTrailer);
    pos += kTrailer.size();
    std::string versionStart = "// ";
    versionStart += version::kProductName;
    versionStart += ' ';
    versionStart += version::kVersionText;
    versionStart += " - ";
    for (const char c : fileName)
        versionStart += c == '\r' || c == '\n' ? ' ' : c; // the name on one line
    versionStart += "(2006/01/15 9:05:07)";
    FUZZ_CHECK(nextLine(file, pos) == versionStart);
    for (std::size_t i = 0; i < texts.size(); ++i) {
        std::string expected = "// ";
        expected += geometry::kParameterLabels[i];
        expected += " = ";
        FUZZ_CHECK(file.compare(pos, expected.size(), expected) == 0);
        pos = file.find("\r\n", pos) + 2;
    }
    FUZZ_CHECK(file.compare(pos, std::string::npos, "//\r\n") == 0);
}

void checkSize(const geometry::FlowerParameters& p)
{
    const formats::SizeEstimate size = formats::estimateSize(p.petalCount, p.overlapCount);
    FUZZ_CHECK(size.faceTotal == p.petalCount * kFacesOfOnePetal * p.overlapCount);
    const std::string& text = size.sizeEstimateText;
    constexpr std::string_view kPrefix = "約 ";
    FUZZ_CHECK(text.compare(0, kPrefix.size(), kPrefix) == 0);
    const std::string_view unit = std::string_view(text).substr(text.size() - 3);
    FUZZ_CHECK(unit == " KB" || unit == " MB");
    const std::string_view number = std::string_view(text).substr(kPrefix.size(), text.size() - kPrefix.size() - 3);
    FUZZ_CHECK(number.size() >= 3 && number[number.size() - 2] == '.' && number.front() != '0');
}

// Generates the first petal only and writes its eight faces.
void checkFirstPetal(const geometry::FlowerParameters& p, const geometry::ParameterTexts& texts)
{
    geometry::MeshStore store;
    store.allocate(p.overlapCount, p.petalCount);
    geometry::SeededRandom random(1);
    int steps = 0;
    const bool complete = geometry::makeDaisyMesh(p, store, random, [&steps](int facesBefore) {
        FUZZ_CHECK(facesBefore == 0);
        ++steps;
        return false;
    });
    FUZZ_CHECK(!complete && steps == 1);

    const double scaleBound = std::max(1.0, p.petalScale) * kTipLength;
    for (int strip = 0; strip < geometry::kStripsPerPetal; ++strip) {
        for (int point = 0; point < geometry::kPointsPerStrip; ++point) {
            const std::size_t i = store.index(0, 0, point, strip);
            FUZZ_CHECK(std::isfinite(store.x(i)) && std::isfinite(store.y(i)) && std::isfinite(store.z(i)));
            FUZZ_CHECK(std::fabs(store.x(i)) <= scaleBound && std::fabs(store.z(i)) <= scaleBound);
            FUZZ_CHECK(std::fabs(store.y(i) - kCentreY) <= scaleBound);
        }
        const std::size_t base = store.index(0, 0, 0, strip);
        FUZZ_CHECK(store.x(base) == 0 && store.y(base) == kCentreY && store.z(base) == 0);
    }
    // The strips meet at the tip, 40 units from the centre on ring 0.
    const std::size_t tip = store.index(0, 0, 4, 0);
    for (int strip = 1; strip < geometry::kStripsPerPetal; ++strip) {
        const std::size_t other = store.index(0, 0, 4, strip);
        FUZZ_CHECK(store.x(other) == store.x(tip) && store.y(other) == store.y(tip) && store.z(other) == store.z(tip));
    }
    const double dy = store.y(tip) - kCentreY;
    const double length = std::sqrt(store.x(tip) * store.x(tip) + dy * dy + store.z(tip) * store.z(tip));
    FUZZ_CHECK(std::fabs(length - kTipLength) < 1e-9);
    // Nothing past the first petal was computed.
    const std::size_t second = store.index(0, 1, 4, 1);
    FUZZ_CHECK(store.x(second) == 0 && store.y(second) == 0 && store.z(second) == 0);

    formats::CommentInfo info;
    info.fileName = "fuzz.dxf";
    info.dateTime = [] { return std::string("2006/01/15 9:05:07"); };
    info.parameterTexts = texts;
    formats::MemorySink sink;
    const formats::WriteOutcome outcome = formats::writeFaceFile(store, p.overlapCount, p.petalCount, info, sink,
                                                         [](int written) { return written < kFacesOfOnePetal; });
    FUZZ_CHECK(outcome == formats::WriteOutcome::Cancelled);
    checkFile(sink.data, texts, info.fileName);

    // A file name may hold any bytes too (a command line can give CR or LF): the sixth text,
    // which takes the rest of the input, as the name.
    info.fileName = texts[5] + ".dxf";
    formats::MemorySink named;
    FUZZ_CHECK(formats::writeFaceFile(store, p.overlapCount, p.petalCount, info, named,
                                  [](int written) { return written < kFacesOfOnePetal; })
               == formats::WriteOutcome::Cancelled);
    checkFile(named.data, texts, info.fileName);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const geometry::ParameterTexts texts = splitTexts(std::string_view(reinterpret_cast<const char*>(data), size));

    for (const std::string& text : texts) {
        const geometry::Scan scan = geometry::scanLeadingNumber(geometry::trimBlanks(text));
        FUZZ_CHECK(!std::isnan(scan.value) && scan.used <= text.size());
    }

    const geometry::FlowerParameters p = geometry::convertParameters(texts);
    const std::string message = geometry::checkParameters(texts, p);
    checkMessage(message);
    if (!message.empty())
        return 0;

    FUZZ_CHECK(p.petalCount >= 2 && p.petalCount <= 50);
    FUZZ_CHECK(p.overlapCount >= 1 && p.overlapCount <= 50);
    FUZZ_CHECK(p.petalWidth >= 1 && p.petalWidth <= 10);
    FUZZ_CHECK(p.petalScale >= 0.1 && p.petalScale <= 50.0);
    FUZZ_CHECK(p.angleStart >= 0.0 && p.angleStart <= p.angleEnd && p.angleEnd <= 180.0);
    checkSize(p);
    checkFirstPetal(p, texts);
    return 0;
}
