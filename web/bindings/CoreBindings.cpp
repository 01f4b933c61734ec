// The browser's window onto the core: the texts and lists the page shows, the seven checks, the size
// estimate of each type, the seed's reading, the saved name, the flower for the preview, and a whole run (mesh and file) into a byte buffer with a
// progress callback; for the printable types the solid's recipe, whose parts a union library in JS
// unites (the page's engine) before the recipe finishes the solid and the core writes its file.
// Every rule stays in the core; this file only converts between the core and JS.

#include <emscripten/bind.h>
#include <emscripten/val.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "Version.h"
#include "formats/FaceFileWriter.h"
#include "formats/FlowerReader.h"
#include "formats/FlowerRecord.h"
#include "formats/NumberPatterns.h"
#include "formats/OutputFormat.h"
#include "formats/SizeEstimate.h"
#include "formats/SolidWriters.h"
#include "geometry/DaisyMesh.h"
#include "geometry/FaceWalk.h"
#include "geometry/FlowerParameters.h"
#include "geometry/RandomSource.h"
#include "geometry/SeedText.h"
#include "geometry/SampleFlowers.h"
#include "solid/SolidOptions.h"
#include "solid/SolidRecipe.h"
#include "solid/SolidSizeEstimate.h"
#include "solid/SolidSoundness.h"

using emscripten::val;
using namespace petalwright;

namespace {

struct Cp932Entry {
    std::uint16_t codePoint;
    std::uint16_t bytes;
};
constexpr Cp932Entry kCp932[] = {
#include "Cp932Table.inc"
};

// The comment lines in code page 932, as the desktop programs' file adapter writes them.
class Cp932MemorySink final : public formats::OutputSink {
public:
    bool write(std::string_view bytes) override
    {
        data.append(bytes);
        return true;
    }
    std::string encodeText(std::string_view utf8) const override
    {
        std::string out;
        for (std::size_t i = 0; i < utf8.size();) {
            const auto lead = static_cast<unsigned char>(utf8[i]);
            const int length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
            char32_t c = length == 1 ? lead : length == 2 ? lead & 0x1Fu : length == 3 ? lead & 0x0Fu : lead & 0x07u;
            for (int k = 1; k < length && i + static_cast<std::size_t>(k) < utf8.size(); ++k)
                c = (c << 6) | (static_cast<unsigned char>(utf8[i + static_cast<std::size_t>(k)]) & 0x3Fu);
            i += static_cast<std::size_t>(length);
            const auto found = std::lower_bound(std::begin(kCp932), std::end(kCp932), c,
                                                [](const Cp932Entry& e, char32_t v) { return e.codePoint < v; });
            if (found != std::end(kCp932) && found->codePoint == c) {
                if (found->bytes > 0xFF)
                    out += static_cast<char>(found->bytes >> 8);
                out += static_cast<char>(found->bytes & 0xFF);
            } else if (c < 0x80) {
                out += static_cast<char>(c);
            } else {
                out += '?';
            }
        }
        return out;
    }
    std::string data;
};

geometry::ParameterTexts textsOf(const val& array)
{
    geometry::ParameterTexts texts;
    for (std::size_t i = 0; i < texts.size(); ++i)
        texts[i] = array[i].as<std::string>();
    return texts;
}

val stringList(const auto& items)
{
    val list = val::array();
    for (const auto& item : items)
        list.call<void>("push", val(std::string(item)));
    return list;
}

std::uint64_t seedOf(const std::string& text)
{
    return geometry::parseSeedText(text).value_or(geometry::seedFromClock());
}

// A shape number read as --seed is: the seed in plain decimal digits, or null.
val shapeNumber(const std::string& text)
{
    const auto seed = geometry::parseSeedText(text);
    return seed ? val(std::to_string(*seed)) : val::null();
}

// The message box's text for a shape number the core cannot read.
std::string shapeNumberProblem() { return std::string(formats::messages::kShapeNumber); }

// Names, labels, defaults, formats and samples: everything the page lists.
val coreInfo()
{
    val info = val::object();
    info.set("productName", std::string(version::kProductName));
    info.set("version", std::string(version::kVersionText));
    info.set("labels", stringList(geometry::kParameterLabels));
    info.set("defaultTexts", stringList(geometry::defaultParameterTexts()));
    info.set("confirmFaceCount", formats::kConfirmFaceCount);
    // Every type, in the window's order; the printable ones marked: they ask for a thickness and a size
    // and run as runSolidJob.
    val list = val::array();
    for (const formats::OutputFormat format : formats::kOutputFormats) {
        val f = val::object();
        f.set("name", std::string(formats::formatName(format)));
        f.set("extension", std::string(formats::formatExtension(format)));
        f.set("fileType", std::string(formats::formatFileType(format)));
        f.set("flowerFile", formats::isFlowerFile(format));
        f.set("printable", formats::isPrintable(format));
        list.call<void>("push", f);
    }
    info.set("formats", list);
    info.set("defaultThickness", std::string(solid::kDefaultThicknessText));
    val samples = val::array();
    for (const geometry::SampleFlower& sample : geometry::sampleFlowers()) {
        val s = val::object();
        s.set("name", std::string(sample.name));
        s.set("japaneseName", std::string(sample.japaneseName));
        s.set("texts", stringList(sample.texts));
        samples.call<void>("push", s);
    }
    info.set("samples", samples);
    return info;
}

// The seven checks' messages joined by CR LF; empty when the texts make a flower.
std::string check(const val& texts)
{
    const geometry::ParameterTexts t = textsOf(texts);
    return geometry::checkParameters(t, geometry::convertParameters(t));
}

// Face count, its grouped text, the size estimate of the file `formatName` writes for valid texts
// (a printable type's, as the page's engine makes it, for the thickness and size given: checkSolid
// first), and the question DXF生成 asks from kConfirmFaceCount faces on.
val estimate(const val& texts, const std::string& formatName, const std::string& thicknessText, const std::string& sizeText)
{
    const geometry::FlowerParameters p = geometry::convertParameters(textsOf(texts));
    const auto format = formats::formatFromName(formatName).value_or(formats::OutputFormat::Dxf);
    solid::SolidOptions options;
    if (formats::isPrintable(format))
        solid::checkSolidOptions(thicknessText, sizeText, p, options);
    const formats::SizeEstimate e = formats::isPrintable(format)
        ? solid::estimateSolidFileSize(format, p, options, solid::SolidEngine::ExactMesh)
        : formats::estimateFileSize(format, p);
    const std::string faceText = formats::groupThousands(e.faceTotal, ",");
    val out = val::object();
    out.set("faceTotal", e.faceTotal);
    out.set("faceText", faceText);
    out.set("sizeText", e.sizeEstimateText);
    out.set("question", "△" + faceText + " ファイルサイズ " + e.sizeEstimateText + " になります。\r\n\r\n続けますか？");
    return out;
}

std::string groupedCount(int count) { return formats::groupThousands(count, ","); }

// The thickness and size dialog's check: the problems in Japanese, one per line; empty when both are good.
std::string checkSolid(const std::string& thicknessText, const std::string& sizeText, const val& texts)
{
    solid::SolidOptions options;
    return solid::checkSolidOptions(thicknessText, sizeText, geometry::convertParameters(textsOf(texts)), options);
}

// The extension of a file name in lower case, without the dot; empty when it has none.
std::string extensionOf(const std::string& fileName)
{
    const auto dot = fileName.find_last_of('.');
    if (dot == std::string::npos)
        return {};
    std::string extension = fileName.substr(dot + 1);
    for (char& c : extension)
        c = c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
    return extension;
}

// The first format whose files take `extension`, if any.
std::optional<formats::OutputFormat> formatOfExtension(const std::string& extension)
{
    for (const formats::OutputFormat format : formats::kOutputFormats)
        if (formats::formatExtension(format) == extension)
            return format;
    return std::nullopt;
}

// The format a typed file name asks for: the type its extension belongs to, or `current` when the
// extension is the current type's own (both DXF types take .dxf) or belongs to no type.
std::string formatForName(const std::string& current, const std::string& fileName)
{
    const auto now = formats::formatFromName(current).value_or(formats::OutputFormat::Dxf);
    const std::string extension = extensionOf(fileName);
    const auto asked = formatOfExtension(extension);
    if (!asked || extension == formats::formatExtension(now))
        return std::string(formats::formatName(now));
    return std::string(formats::formatName(*asked));
}

// The name with the extension of `format`: an extension of any type is replaced, else one is added.
std::string nameWithFormat(const std::string& fileName, const std::string& formatName)
{
    const auto format = formats::formatFromName(formatName).value_or(formats::OutputFormat::Dxf);
    std::string base = fileName;
    if (formatOfExtension(extensionOf(base)))
        base.erase(base.find_last_of('.'));
    return base + "." + std::string(formats::formatExtension(format));
}

// The name a run saves under: `fileName` when it ends with the extension of `formatName`, else with
// that extension added (a name with an extension of no type the page writes keeps it in front).
std::string savedName(const std::string& fileName, const std::string& formatName)
{
    const auto format = formats::formatFromName(formatName).value_or(formats::OutputFormat::Dxf);
    const std::string extension(formats::formatExtension(format));
    return extensionOf(fileName) == extension ? fileName : fileName + "." + extension;
}

val flowerObject(const formats::FlowerRead& read)
{
    val out = val::object();
    if (!read.flower) {
        out.set("problem", read.problem);
        return out;
    }
    out.set("texts", stringList(read.flower->texts));
    out.set("seed", read.flower->seed ? val(std::to_string(*read.flower->seed)) : val::null());
    return out;
}

// The flower a file Petalwright wrote names: { texts, seed (null when the file records none) }, or
// { problem } naming the file and why it cannot be read.
val readFlower(const std::string& fileName, const val& bytes)
{
    const std::vector<std::uint8_t> data = emscripten::convertJSArrayToNumberVector<std::uint8_t>(bytes);
    formats::FlowerRead read = formats::readFlowerFile(std::string_view(reinterpret_cast<const char*>(data.data()), data.size()));
    if (!read.flower)
        read.problem = "花の設定を読めませんでした。\r\nファイル: " + fileName + "\r\n原因: " + read.problem;
    val out = flowerObject(read);
    if (read.flower && !read.flower->seed)
        out.set("note", std::string(formats::messages::kNoShapeNumber));
    return out;
}

// The page's address query of the six texts and the seed.
std::string flowerQuery(const val& texts, const std::string& seedText)
{
    return formats::flowerQuery(formats::flowerRecord(textsOf(texts), geometry::parseSeedText(seedText)));
}

// The flower an address query names ({ texts, seed }), {} for a query of no flower, or { problem }.
val linkFlower(const std::string& query)
{
    // Keys of no flower (added by whatever passed the link on) make no flower.
    bool namesFlower = false;
    std::string_view rest(query);
    if (!rest.empty() && rest.front() == '?')
        rest.remove_prefix(1);
    while (!rest.empty() && !namesFlower) {
        const std::string_view part = rest.substr(0, rest.find('&'));
        rest.remove_prefix(std::min(rest.size(), part.size() + 1));
        const std::string_view key = part.substr(0, part.find('='));
        namesFlower = key == formats::kSeedKey || key == formats::kSizeKey || key == formats::kThicknessKey
            || std::find(formats::kFlowerKeys.begin(), formats::kFlowerKeys.end(), key) != formats::kFlowerKeys.end();
    }
    if (!namesFlower)
        return val::object();
    formats::FlowerRead named = formats::parseFlowerQuery(query, false);
    if (!named.flower)
        named.problem = "アドレスの花を開けませんでした。\r\n" + named.problem + "\r\n既定の値と新しい形で表示します。";
    return flowerObject(named);
}

// The flower the texts and seed give, for the preview: per face its ring and four corners (x, y, z
// as floats), in the file's order. Null when the texts do not pass the checks.
val previewFaces(const val& texts, const std::string& seedText)
{
    const geometry::ParameterTexts t = textsOf(texts);
    const geometry::FlowerParameters p = geometry::convertParameters(t);
    if (!geometry::checkParameters(t, p).empty())
        return val::null();
    geometry::MeshStore mesh;
    mesh.allocate(p.overlapCount, p.petalCount);
    geometry::SeededRandom random(seedOf(seedText));
    geometry::makeDaisyMesh(p, mesh, random);
    std::vector<float> corners;
    std::vector<std::uint8_t> rings;
    geometry::forEachFace(mesh, p.overlapCount, p.petalCount, [&](const geometry::Face& face) {
        rings.push_back(static_cast<std::uint8_t>(face.ring));
        for (const std::size_t e : face.corner)
            corners.insert(corners.end(), {static_cast<float>(mesh.x(e)), static_cast<float>(mesh.y(e)),
                                           static_cast<float>(mesh.z(e))});
        return true;
    });
    val out = val::object();
    out.set("corners", val::global("Float32Array").new_(val(emscripten::typed_memory_view(corners.size(), corners.data()))));
    out.set("rings", val::global("Uint8Array").new_(val(emscripten::typed_memory_view(rings.size(), rings.data()))));
    out.set("ringCount", p.overlapCount);
    return out;
}

// A whole run, as the progress window makes it: the mesh (progress per petal, as faces before it),
// then the file (progress per face). `progress(phase, done)` hears of it at least every `every`
// faces; `stopAt` >= 0 ends the file after that many faces, as a cancel there would. Returns
// { outcome: "finished" | "cancelled", bytes: Uint8Array }.
val runJob(const std::string& formatName, const val& texts, const std::string& seedText, const std::string& fileName,
           const std::string& dateTime, int stopAt, int every, const val& progress)
{
    const geometry::ParameterTexts t = textsOf(texts);
    const geometry::FlowerParameters p = geometry::convertParameters(t);
    const auto format = formats::formatFromName(formatName).value_or(formats::OutputFormat::Dxf);
    geometry::MeshStore mesh;
    mesh.allocate(p.overlapCount, p.petalCount);
    const std::uint64_t seed = seedOf(seedText);
    geometry::SeededRandom random(seed);
    const int step = std::max(1, every);
    geometry::makeDaisyMesh(p, mesh, random, [&](int facesBefore) {
        progress(val("mesh"), val(facesBefore));
        return true;
    });
    formats::CommentInfo info{fileName, [&] { return dateTime; }, t, seed};
    Cp932MemorySink sink;
    sink.data.reserve(static_cast<std::size_t>(formats::estimateSize(p.petalCount, p.overlapCount).faceTotal) * 260);
    const formats::WriteOutcome outcome = formats::writeOutputFile(
        format, mesh, p.overlapCount, p.petalCount, info, sink, [&](int faces) {
            if (faces % step == 0 || faces == stopAt)
                progress(val("file"), val(faces));
            return stopAt < 0 || faces < stopAt;
        });
    val out = val::object();
    out.set("outcome", std::string(outcome == formats::WriteOutcome::Finished ? "finished" : "cancelled"));
    out.set("bytes", val::global("Uint8Array").new_(val(emscripten::typed_memory_view(sink.data.size(),
                                                                                       reinterpret_cast<const std::uint8_t*>(sink.data.data())))));
    return out;
}

// A slab of the recipe as convex pieces for the page's engine: each triangle of the slab's first side
// with its twin on the other (the same surface triangle moved both ways along the normals), whose hull
// the engine takes. Neighbouring pieces share their side corners, so their hulls overlap where a
// slab's faces only meet, and a piece stays a solid where a narrow petal's two offsets cross (as
// near the axis of a steep ring), which a slab taken whole does not. Appends 6 corners per piece.
void appendSlabPieces(const solid::PartMesh& slab, std::vector<float>& corners)
{
    const auto side = static_cast<std::uint32_t>(slab.points.size() / 2);
    const auto& t = slab.triangles;
    // The slab lists each surface triangle on the first side followed by its twin (a + n, c + n, b + n).
    for (std::size_t k = 0; k + 1 < t.size() && t[k][0] < side && t[k + 1][0] >= side; k += 2)
        for (const std::uint32_t first : t[k])
            for (const std::uint32_t v : {first, first + side})
                corners.insert(corners.end(), slab.points[v].begin(), slab.points[v].end());
}

// The pieces (6 corners each in `corners`) with every corner inside the closed convex `part` (behind
// each of its faces' planes) dropped: such a piece adds nothing to a union the part is in.
void dropPiecesInside(const solid::PartMesh& part, std::vector<float>& corners)
{
    std::vector<std::array<double, 4>> planes; // outward normal and offset
    for (const auto& t : part.triangles) {
        const auto at = [&](std::size_t k, std::size_t a) { return static_cast<double>(part.points[t[k]][a]); };
        const std::array<double, 3> u = {at(1, 0) - at(0, 0), at(1, 1) - at(0, 1), at(1, 2) - at(0, 2)};
        const std::array<double, 3> w = {at(2, 0) - at(0, 0), at(2, 1) - at(0, 1), at(2, 2) - at(0, 2)};
        const std::array<double, 3> n = {u[1] * w[2] - u[2] * w[1], u[2] * w[0] - u[0] * w[2], u[0] * w[1] - u[1] * w[0]};
        planes.push_back({n[0], n[1], n[2], n[0] * at(0, 0) + n[1] * at(0, 1) + n[2] * at(0, 2)});
    }
    if (planes.empty())
        return;
    constexpr std::size_t kPiece = 6 * 3;
    std::size_t kept = 0;
    for (std::size_t from = 0; from + kPiece <= corners.size(); from += kPiece) {
        bool inside = true;
        for (std::size_t c = from; c < from + kPiece && inside; c += 3)
            for (const auto& q : planes)
                if (q[0] * corners[c] + q[1] * corners[c + 1] + q[2] * corners[c + 2] > q[3]) {
                    inside = false;
                    break;
                }
        if (!inside) {
            std::copy(corners.begin() + static_cast<std::ptrdiff_t>(from), corners.begin() + static_cast<std::ptrdiff_t>(from + kPiece),
                      corners.begin() + static_cast<std::ptrdiff_t>(kept));
            kept += kPiece;
        }
    }
    corners.resize(kept);
}

constexpr int kCornersPerPiece = 6;
// The rings simplified as they are united, at half the finest tolerance the mesh is taken at.
constexpr double kUnitedDetailShare = 1.0 / 16;

// A ring's slabs as the engine's pieces. The heart is convex: the inner rings of many, its size or
// less, lie wholly in it and are left out.
std::vector<float> ringPieces(const solid::SolidPlan& plan, int petalCount, int ring)
{
    std::vector<float> corners;
    for (int petal = 0; petal < petalCount; ++petal)
        appendSlabPieces(plan.slabs[static_cast<std::size_t>(ring * petalCount + petal)], corners);
    dropPiecesInside(plan.heart, corners);
    return corners;
}

// A Uint8Array copy of `bytes`.
val byteArray(const std::string& bytes)
{
    return val::global("Uint8Array").new_(val(emscripten::typed_memory_view(bytes.size(), reinterpret_cast<const std::uint8_t*>(bytes.data()))));
}

val floatArray(const std::vector<float>& values)
{
    // The new array is a copy; the view lasts only as long as `values`.
    return val::global("Float32Array").new_(val(emscripten::typed_memory_view(values.size(), values.data())));
}

val cornersOf(const solid::PartMesh& part)
{
    std::vector<float> corners;
    for (const auto& p : part.points)
        corners.insert(corners.end(), p.begin(), p.end());
    return floatArray(corners);
}

// The page's engine is exact: the corners it makes on the cut are the cut's height to a float's
// precision, and no others lie this near it; once it rounds them to its grid, they are that height
// rounded to the grid: half a step off at most, and the grid's next level lies half a step or more from
// the cut (see flatAbove).
constexpr double kOnTheCut = 1e-4;
constexpr double kGridOnTheCut = 0.51;
// The engine drops detail below a share of the recipe's detail (the nozzle's line or finer): the slivers
// and the needle points where many pieces meet, which slicers and checkers read as faults; and rounds
// the corners to a grid far below that (or, failing that, as coarse as the tolerance), which puts the
// clusters of corners on the axis on one point.
// Where a cone's tip (the heart's, a ring's) ends just above the bed's cut, the cut leaves triangles
// without a direction whatever the figures: the cut a little higher takes the tip away. The engine is
// asked with each row in turn and the first solid that checks sound is kept. Where petals lie close
// (many petals in many rings), dropping the detail carries one sheet through its neighbour in many
// places, too many to mend: a smaller tolerance (the second to fourth rows) leaves fewer crossings.
struct MeshFigures {
    double cutRaised;      // in the recipe's detail
    double toleranceShare; // of the recipe's detail
    double gridShare;      // of the tolerance
};
constexpr std::array<MeshFigures, 18> kMeshFigures = {{{0, 0.125, 1.0 / 32},
                                                       {0, 0.05, 1.0 / 32},
                                                       {0, 1.0 / 32, 1.0 / 32},
                                                       {0, 0.01, 1.0 / 32},
                                                       {0, 0.125, 1.0 / 64},
                                                       {0, 0.125, 1.0 / 16},
                                                       {0, 0.125, 1.0 / 8},
                                                       {0.25, 0.125, 1.0 / 32},
                                                       {0.25, 0.125, 1.0 / 64},
                                                       {0.5, 0.125, 1.0 / 32},
                                                       {0, 0.25, 1.0 / 32},
                                                       {0, 0.5, 1.0 / 32},
                                                       {0, 0.125, 1.0 / 4},
                                                       {0, 0.25, 1},
                                                       {0, 0.5, 0.5},
                                                       {0, 1, 1.0 / 8},
                                                       {0.5, 0.25, 1.0 / 16},
                                                       {0.25, 0.5, 1.0 / 16}}};

// The block under the bed with its top, at `plan.cut`, raised by `by`.
val cutCorners(const solid::SolidPlan& plan, double by)
{
    std::vector<float> corners;
    const auto top = static_cast<float>(plan.cut);
    for (const auto& p : plan.below.points)
        corners.insert(corners.end(), {p[0], p[1], p[2] == top ? static_cast<float>(plan.cut + by) : p[2]});
    return floatArray(corners);
}

// Whether `after` spans exactly what `before` did: the lowest corner on the bed, the width the one asked.
bool sameExtent(const formats::SolidMesh& before, const formats::SolidMesh& after)
{
    const auto extent = [](const formats::SolidMesh& m) {
        std::array<float, 5> e = {m.points.front()[0], m.points.front()[1], m.points.front()[2], m.points.front()[0], m.points.front()[1]};
        for (const auto& q : m.points)
            e = {std::min(e[0], q[0]), std::min(e[1], q[1]), std::min(e[2], q[2]), std::max(e[3], q[0]), std::max(e[4], q[1])};
        return e;
    };
    return !before.points.empty() && !after.points.empty() && extent(before) == extent(after);
}

// The page's mender (the engine's mend(points, triangles, most): CGAL's exact check and local repair)
// mends a solid with this many pairs of crossing triangles at most (about 10 s for 873 pairs on the
// largest flower, 136,678 triangles, under node), and tries the four sound solids of the figures with
// the fewest, fewest first. Where more than one triangle in a hundred crosses, sheets cross at length
// (narrow petals folded through one another) and the repair only cuts the solid apart, in seconds: it
// is not tried.
constexpr int kMostMended = 1024;
constexpr double kMostCrossingShare = 0.01;
constexpr std::size_t kMendTries = 4;

// `mender`'s answer for the mesh a file would hold, mended where it has at most `most` crossings.
val mendAnswer(const formats::SolidMesh& solidMesh, const val& mender, int most)
{
    const float* corners = solidMesh.points.front().data();
    const std::uint32_t* indices = solidMesh.triangles.front().data();
    return mender(val::global("Float32Array").new_(val(emscripten::typed_memory_view(3 * solidMesh.points.size(), corners))),
                  val::global("Uint32Array").new_(val(emscripten::typed_memory_view(3 * solidMesh.triangles.size(), indices))), val(most));
}

// The pairs of crossing triangles in a sound solid: none without a mender, -1 where it cannot take the mesh.
double crossingsOf(const formats::SolidMesh& solidMesh, const val& mender)
{
    if (mender.isUndefined() || mender.isNull())
        return 0;
    const val crossings = mendAnswer(solidMesh, mender, 0)["crossings"];
    return crossings.isNumber() ? crossings.as<double>() : -1;
}

// Whether `mender` clears the sound solid `solidMesh` of its crossings; the mended mesh replaces it
// only where it is sound and spans the same.
bool mendedClear(formats::SolidMesh& solidMesh, const val& mender)
{
    const val mended = mendAnswer(solidMesh, mender, kMostMended);
    if (!mended["left"].isNumber() || mended["left"].as<double>() != 0 || mended["points"].isUndefined())
        return false;
    const std::vector<float> values = emscripten::convertJSArrayToNumberVector<float>(mended["points"]);
    const std::vector<std::uint32_t> numbers = emscripten::convertJSArrayToNumberVector<std::uint32_t>(mended["triangles"]);
    formats::SolidMesh other = solidMesh;
    other.points.resize(values.size() / 3);
    for (std::size_t i = 0; i < other.points.size(); ++i)
        other.points[i] = {values[3 * i], values[3 * i + 1], values[3 * i + 2]};
    other.triangles.resize(numbers.size() / 3);
    for (std::size_t i = 0; i < other.triangles.size(); ++i) {
        other.triangles[i] = {numbers[3 * i], numbers[3 * i + 1], numbers[3 * i + 2]};
        for (const std::uint32_t corner : other.triangles[i])
            if (corner >= other.points.size())
                return false;
    }
    if (!solid::checkSoundness(other).sound() || !sameExtent(solidMesh, other))
        return false;
    solidMesh = std::move(other);
    return true;
}

// How near the cut the engine's corners made with `figures` lie on it.
double flatAbove(const solid::SolidPlan& plan, const MeshFigures& figures)
{
    return std::max(kOnTheCut, kGridOnTheCut * figures.gridShare * figures.toleranceShare * plan.voxel);
}

// The engine's mesh `united` ({ points, triangles }), made with `figures`, finished by the recipe into
// `solidMesh`: whether it is sound; nullopt where the finish fails (`problem` says why).
std::optional<bool> finishUnited(const solid::SolidPlan& plan, const MeshFigures& figures, const val& united, formats::SolidMesh& solidMesh,
                                 std::string& problem)
{
    const std::vector<float> values = emscripten::convertJSArrayToNumberVector<float>(united["points"]);
    const std::vector<std::uint32_t> indices = emscripten::convertJSArrayToNumberVector<std::uint32_t>(united["triangles"]);
    std::vector<std::array<float, 3>> points(values.size() / 3);
    for (std::size_t i = 0; i < points.size(); ++i)
        points[i] = {values[3 * i], values[3 * i + 1], values[3 * i + 2]};
    std::vector<std::array<std::uint32_t, 3>> faces(indices.size() / 3);
    for (std::size_t i = 0; i < faces.size(); ++i)
        faces[i] = {indices[3 * i], indices[3 * i + 1], indices[3 * i + 2]};
    if (solid::finishPrintSolid(plan, points, std::move(faces), flatAbove(plan, figures), solidMesh, &problem) != solid::SolidOutcome::Finished)
        return std::nullopt;
    return solid::checkSoundness(solidMesh).sound();
}

// Where narrow petals' slabs only touch along their edges, no figures may clear the seam: the slabs a
// few hundredths thicker or thinner then, row by row.
constexpr std::array<double, 5> kSlabShares = {1, 1.03, 0.97, 1.05, 0.95};

// The plan with the slabs of row `slabs`; past the first, the flower set on the bed at `pinnedSize`
// (the size the row before gave: the asked size, or the drawing's) and the thickness written the one asked.
solid::SolidPlan slabsPlan(const geometry::MeshStore& mesh, const geometry::FlowerParameters& p, const solid::SolidOptions& options,
                           std::size_t slabs, double pinnedSize)
{
    solid::SolidOptions other = options;
    other.thicknessMm *= kSlabShares[slabs];
    solid::SolidPlan plan = solid::planPrintSolid(mesh, p.overlapCount, p.petalCount, other);
    if (slabs > 0) {
        plan.sizeMm = pinnedSize;
        plan.thicknessMm = options.thicknessMm;
    }
    return plan;
}

// The progress text after `done` of a printable run's `total` steps.
std::string solidStepText(int done, int total)
{
    return "立体にまとめています " + std::to_string(done) + " / " + std::to_string(total);
}

// What a row of slabs made: no sound solid, a sound one with crossing triangles (none of them mendable,
// or mended without success), or one clear of them.
enum class Made { Unsound, Unmendable, Crossing, Clear };

// A printable run: the flower's mesh (progress per petal), the recipe's parts handed to `engine` a ring
// at a time (unite(corners, cornersPerPiece, detail): convex pieces given by their corners, simplified at
// `detail` as they are united), the heart (unite), the bed cut (subtract(corners), again for another
// cut), the united mesh taken back (mesh(tolerance, grid) gives { points: Float32Array, triangles:
// Uint32Array }; again with other figures until the finished solid is sound and, where the engine has
// mend(points, triangles, most), clear of crossings (see build below); then release()), the recipe's
// finish and the file. `progress(phase, done, text)` hears of
// each step: "mesh" with the faces so far, "solid" with the step and the window's text, "check" with the
// step and the text while the solid is checked for crossing faces and mended. Returns
// { outcome: "finished", bytes, orientation, triangles } (a 3MF with its model stored, and the model
// apart for packThreeMf) or { outcome: "failed", problem }.
val runSolidJob(const std::string& formatName, const val& texts, const std::string& seedText, const std::string& fileName,
                const std::string& dateTime, const std::string& thicknessText, const std::string& sizeText, const val& engine,
                const val& progress)
{
    const geometry::ParameterTexts t = textsOf(texts);
    const geometry::FlowerParameters p = geometry::convertParameters(t);
    const auto format = formats::formatFromName(formatName).value_or(formats::OutputFormat::PrintStl);
    val out = val::object();
    const auto failed = [&](const std::string& problem) {
        out.set("outcome", std::string("failed"));
        out.set("problem", problem);
        return out;
    };
    if (std::string problems = geometry::checkParameters(t, p); !problems.empty())
        return failed(problems);
    solid::SolidOptions options;
    if (std::string problems = solid::checkSolidOptions(thicknessText, sizeText, p, options); !problems.empty())
        return failed(problems);
    geometry::MeshStore mesh;
    mesh.allocate(p.overlapCount, p.petalCount);
    const std::uint64_t seed = seedOf(seedText);
    geometry::SeededRandom random(seed);
    geometry::makeDaisyMesh(p, mesh, random, [&](int facesBefore) {
        progress(val("mesh"), val(facesBefore), val(std::string()));
        return true;
    });

    const int total = solid::solidStepTotal(p.overlapCount, p.petalCount);
    int done = 0;
    const auto advance = [&] {
        ++done;
        progress(val("solid"), val(done), val(solidStepText(done, total)));
    };
    // While the finished solids are checked for crossing faces and mended (tens of seconds on a dense
    // flower), the step's text says so; each text once.
    std::string shownCheck;
    const auto checking = [&](const char* what) {
        std::string text = solidStepText(done, total) + "（" + what + "）";
        if (text != shownCheck)
            progress(val("check"), val(done), val(shownCheck = std::move(text)));
    };
    formats::SolidMesh solidMesh;
    std::string problem;
    // The plan's parts united by the engine and the mesh taken back with each row of figures until the
    // finished solid is sound; nullopt when nothing is left (`problem` says why). The steps are shown
    // on the first run only.
    const auto build = [&](solid::SolidPlan& plan, bool shown) -> std::optional<Made> {
        for (int ring = 0; ring < p.overlapCount; ++ring) {
            engine.call<void>("unite", floatArray(ringPieces(plan, p.petalCount, ring)), val(kCornersPerPiece),
                              val(kUnitedDetailShare * plan.voxel));
            if (shown)
                advance();
        }
        if (!plan.heart.triangles.empty())
            engine.call<void>("unite", cornersOf(plan.heart), val(static_cast<int>(plan.heart.points.size())));
        engine.call<void>("subtract", cutCorners(plan, 0));
        if (shown)
            advance();

        // The slabs are with the engine now; the plan's figures serve the finish, its cut moved as the engine's.
        const double cut = plan.cut;
        plan.slabs.clear();
        plan.slabs.shrink_to_fit();
        // Every figures' solid is checked for crossings (with the engine's mender): the first sound one
        // clear of them is kept as it is. Where none is, those with the fewest crossings are mended in
        // turn (a mended patch can lie a hair from its neighbour, which tolerant checkers flag), and
        // where none mends, the first sound one is answered (Made::Crossing).
        std::optional<formats::SolidMesh> crossing;
        std::vector<std::pair<double, formats::SolidMesh>> mendable; // by crossings, then figures
        const val mender = engine["mend"];
        bool clear = false;
        // An engine that tried the figures ahead (a page's helpers) says which to begin with.
        const val ahead = engine["firstFigures"];
        const std::size_t first = shown && ahead.isNumber() ? ahead.as<std::size_t>() : 0;
        for (std::size_t k = first; k < kMeshFigures.size() && !clear; ++k) {
            const MeshFigures& figures = kMeshFigures[k];
            if (figures.cutRaised != (k > first ? kMeshFigures[k - 1].cutRaised : 0)) {
                plan.cut = cut;
                engine.call<void>("subtract", cutCorners(plan, figures.cutRaised * plan.voxel));
            }
            plan.cut = cut + figures.cutRaised * plan.voxel;
            const double tolerance = figures.toleranceShare * plan.voxel;
            const std::optional<bool> finished = finishUnited(
                plan, figures, engine.call<val>("mesh", val(tolerance), val(figures.gridShare * tolerance)), solidMesh, problem);
            if (!finished) {
                engine.call<void>("release");
                return std::nullopt;
            }
            if (!*finished)
                continue;
            if (!mender.isUndefined() && !mender.isNull())
                checking("面の交差を確かめています");
            const double crossings = crossingsOf(solidMesh, mender);
            clear = crossings == 0;
            if (!clear && !crossing)
                crossing = solidMesh;
            if (crossings > 0 && crossings <= kMostMended && crossings <= kMostCrossingShare * static_cast<double>(solidMesh.triangles.size())
                && (mendable.size() < kMendTries || crossings < mendable.back().first)) {
                const auto at = std::upper_bound(mendable.begin(), mendable.end(), crossings,
                                                 [](double count, const auto& kept) { return count < kept.first; });
                mendable.emplace(at, crossings, solidMesh);
                if (mendable.size() > kMendTries)
                    mendable.pop_back();
            }
        }
        engine.call<void>("release");
        if (!clear && !mendable.empty())
            checking("面の交差を直しています");
        for (auto mended = mendable.begin(); !clear && mended != mendable.end(); ++mended)
            if (mendedClear(mended->second, mender)) {
                solidMesh = std::move(mended->second);
                clear = true;
            }
        if (!clear && crossing)
            solidMesh = std::move(*crossing);
        return clear ? Made::Clear : !crossing ? Made::Unsound : mendable.empty() ? Made::Unmendable : Made::Crossing;
    };
    // An engine that made rows ahead (a page's helpers) says which slabs to begin with, and the size
    // the earlier rows pinned.
    const val aheadSlabs = engine["firstSlabs"];
    const std::size_t firstSlabs = aheadSlabs.isNumber() ? std::min(aheadSlabs.as<std::size_t>(), kSlabShares.size()) : 0;
    double pinnedSize = firstSlabs > 0 ? engine["pinnedSize"].as<double>() : 0;
    // Rows of slabs are tried until one gives a sound solid; where it is not clear of crossings but the
    // mender tried, one row more, and where that is not clear either, the first sound solid is kept: a
    // solid that crosses itself by a hair, which slicers take, rather than none.
    std::optional<Made> made = Made::Unsound;
    std::optional<formats::SolidMesh> crossing;
    std::size_t rowsAfterCrossing = 0;
    for (std::size_t slabs = firstSlabs; slabs < kSlabShares.size() && made && *made != Made::Clear && rowsAfterCrossing < 2; ++slabs) {
        solid::SolidPlan plan = slabsPlan(mesh, p, options, slabs, pinnedSize);
        made = build(plan, slabs == firstSlabs);
        pinnedSize = solidMesh.sizeMm;
        if ((made == Made::Crossing || made == Made::Unmendable) && !crossing) {
            crossing = solidMesh;
            rowsAfterCrossing = made == Made::Crossing ? 1 : 2;
        } else if (crossing) {
            ++rowsAfterCrossing;
        }
    }
    const bool clear = made && *made == Made::Clear;
    if (!clear && crossing)
        solidMesh = std::move(*crossing);
    else if (!made)
        return failed(problem);
    else if (!clear)
        return failed("「" + fileName + "」に書き出せる一つの閉じた立体にまとまりませんでした。花の形、厚さか大きさを少し変えてください。");
    advance();

    formats::CommentInfo info{fileName, [&] { return dateTime; }, t, seed};
    Cp932MemorySink sink;
    out.set("outcome", std::string("finished"));
    out.set("orientation", solid::orientationText(solidMesh.upsideDown));
    out.set("triangles", static_cast<double>(solidMesh.triangles.size()));
    if (format == formats::OutputFormat::ThreeMf) {
        // Stored here (no zlib in this build); with the model apart, for packThreeMf once deflated.
        const std::string model = formats::threeMfModel(solidMesh, info);
        out.set("model", byteArray(model));
        out.set("bytes", byteArray(formats::threeMfPackage(model)));
        return out;
    }
    formats::writeSolidFile(format, solidMesh, info, sink);
    out.set("bytes", byteArray(sink.data));
    return out;
}

// A printable run's flower and plan for the texts, seed, thickness and size; nullopt where they do not pass.
struct PlannedSolid {
    geometry::FlowerParameters flower;
    solid::SolidPlan plan;
};
std::optional<PlannedSolid> plannedSolid(const val& texts, const std::string& seedText, const std::string& thicknessText,
                                         const std::string& sizeText, int slabs, double pinnedSize)
{
    const geometry::ParameterTexts t = textsOf(texts);
    const geometry::FlowerParameters p = geometry::convertParameters(t);
    solid::SolidOptions options;
    if (!geometry::checkParameters(t, p).empty() || !solid::checkSolidOptions(thicknessText, sizeText, p, options).empty() || slabs < 0
        || static_cast<std::size_t>(slabs) >= kSlabShares.size())
        return std::nullopt;
    geometry::MeshStore mesh;
    mesh.allocate(p.overlapCount, p.petalCount);
    geometry::SeededRandom random(seedOf(seedText));
    geometry::makeDaisyMesh(p, mesh, random);
    return PlannedSolid{p, slabsPlan(mesh, p, options, static_cast<std::size_t>(slabs), pinnedSize)};
}

// What runSolidJob hands its engine with the slabs of row `slabs` (`pinnedSize` the size the row before
// gave), for a page that does the engine's work ahead of the run, several parts at a time (see
// union-engine.js): the rings' pieces (unite's corners, one array per ring, `perPiece` corners a piece,
// simplified at `detail`), the heart's corners (or null), and per row of the mesh's figures the cut's
// corners, the tolerance and the grid; with the progress text after each ring and after the cut, and
// the count of slabs' rows. Null when the values or the figures do not pass.
val solidRings(const val& texts, const std::string& seedText, const std::string& thicknessText, const std::string& sizeText,
               int slabs, double pinnedSize)
{
    const std::optional<PlannedSolid> planned = plannedSolid(texts, seedText, thicknessText, sizeText, slabs, pinnedSize);
    if (!planned)
        return val::null();
    const auto& [p, plan] = *planned;
    val rings = val::array();
    val steps = val::array();
    const int total = solid::solidStepTotal(p.overlapCount, p.petalCount);
    for (int ring = 0; ring < p.overlapCount; ++ring) {
        rings.call<void>("push", floatArray(ringPieces(plan, p.petalCount, ring)));
        steps.call<void>("push", solidStepText(ring + 1, total));
    }
    steps.call<void>("push", solidStepText(p.overlapCount + 1, total));
    val figures = val::array();
    for (const MeshFigures& row : kMeshFigures) {
        const double tolerance = row.toleranceShare * plan.voxel;
        val one = val::object();
        one.set("cut", cutCorners(plan, row.cutRaised * plan.voxel));
        one.set("tolerance", tolerance);
        one.set("grid", row.gridShare * tolerance);
        figures.call<void>("push", one);
    }
    val out = val::object();
    out.set("rings", rings);
    out.set("perPiece", kCornersPerPiece);
    out.set("detail", kUnitedDetailShare * plan.voxel);
    out.set("heart", plan.heart.triangles.empty() ? val::null() : cornersOf(plan.heart));
    out.set("figures", figures);
    out.set("slabRows", static_cast<int>(kSlabShares.size()));
    out.set("steps", steps);
    return out;
}

// The engine's mesh `united` for the row `k` of the figures and the row `slabs` of the slabs (solidRings')
// finished as runSolidJob would finish it: { finished, sound, sizeMm } (sizeMm: the size it set the
// flower at, which pins the next row of slabs).
val solidMeshSound(const val& texts, const std::string& seedText, const std::string& thicknessText, const std::string& sizeText,
                   int slabs, double pinnedSize, int k, const val& united)
{
    std::optional<PlannedSolid> planned = plannedSolid(texts, seedText, thicknessText, sizeText, slabs, pinnedSize);
    val out = val::object();
    out.set("finished", false);
    out.set("sound", false);
    if (!planned || k < 0 || static_cast<std::size_t>(k) >= kMeshFigures.size())
        return out;
    solid::SolidPlan& plan = planned->plan;
    plan.cut += kMeshFigures[static_cast<std::size_t>(k)].cutRaised * plan.voxel;
    formats::SolidMesh solidMesh;
    std::string problem;
    const std::optional<bool> sound = finishUnited(plan, kMeshFigures[static_cast<std::size_t>(k)], united, solidMesh, problem);
    out.set("finished", sound.has_value());
    out.set("sound", sound.value_or(false));
    out.set("sizeMm", solidMesh.sizeMm);
    return out;
}

// The 3MF package of `model` (runSolidJob's) with the model as `deflated` (raw deflate of it, made by
// the browser); the model stored where that is not smaller.
val packThreeMf(const val& model, const val& deflated)
{
    const auto text = [](const val& bytes) {
        const std::vector<std::uint8_t> b = emscripten::convertJSArrayToNumberVector<std::uint8_t>(bytes);
        return std::string(b.begin(), b.end());
    };
    return byteArray(formats::threeMfPackage(text(model), text(deflated)));
}

} // namespace

EMSCRIPTEN_BINDINGS(petalwright_core)
{
    emscripten::function("coreInfo", &coreInfo);
    emscripten::function("check", &check);
    emscripten::function("estimate", &estimate);
    emscripten::function("groupedCount", &groupedCount);
    emscripten::function("formatForName", &formatForName);
    emscripten::function("nameWithFormat", &nameWithFormat);
    emscripten::function("savedName", &savedName);
    emscripten::function("shapeNumber", &shapeNumber);
    emscripten::function("shapeNumberProblem", &shapeNumberProblem);
    emscripten::function("readFlower", &readFlower);
    emscripten::function("flowerQuery", &flowerQuery);
    emscripten::function("linkFlower", &linkFlower);
    emscripten::function("previewFaces", &previewFaces);
    emscripten::function("runJob", &runJob);
    emscripten::function("checkSolid", &checkSolid);
    emscripten::function("solidRings", &solidRings);
    emscripten::function("solidMeshSound", &solidMeshSound);
    emscripten::function("runSolidJob", &runSolidJob);
    emscripten::function("packThreeMf", &packThreeMf);
}
