#include "formats/SolidWriters.h"

#include <array>
#include <cmath>
#include <cstring>
#include <iterator>
#include <utility>
#include <vector>

#include <fmt/format.h>

#include "Version.h"
#include "formats/FlowerRecord.h"
#include "formats/StlRecord.h"
#include "formats/ZipStore.h"

namespace petalwright::formats {
namespace {

using Corner = std::array<float, 3>;

constexpr std::uint64_t kThreeMfDeflatedBytesPerTriangle = 14;
constexpr std::uint64_t kThreeMfStoredBytesPerTriangle = 55;

std::array<float, 3> outwardNormal(const Corner& a, const Corner& b, const Corner& c)
{
    const double u[3] = {double(b[0]) - a[0], double(b[1]) - a[1], double(b[2]) - a[2]};
    const double v[3] = {double(c[0]) - a[0], double(c[1]) - a[1], double(c[2]) - a[2]};
    const double n[3] = {u[1] * v[2] - u[2] * v[1], u[2] * v[0] - u[0] * v[2], u[0] * v[1] - u[1] * v[0]};
    const double l = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
    if (l == 0)
        return {0, 0, 0};
    return {static_cast<float>(n[0] / l), static_cast<float>(n[1] / l), static_cast<float>(n[2] / l)};
}

// A float as its shortest text that reads back as the same float.
void appendFloat(std::string& out, float value)
{
    // fmt rather than std::to_chars: the browser build's library has no floating-point to_chars.
    fmt::format_to(std::back_inserter(out), "{}", value == 0.0f ? 0.0f : value);
}

std::string xmlEscaped(std::string_view text)
{
    std::string out;
    for (const char c : text) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        case '\r':
        case '\n': out += ' '; break;
        default: out += c;
        }
    }
    return out;
}

} // namespace

WriteOutcome writePrintStlFile(const SolidMesh& solid, const CommentInfo& info, OutputSink& sink)
{
    std::string data = stlHead(solid.upsideDown ? "printable flower, upside down" : "printable flower, face up",
                               flowerRecord(info.parameterTexts, info.seed));
    data.reserve(kStlHeadBytes + kStlCountBytes + solid.triangles.size() * kStlTriangleBytes);
    const auto count = static_cast<std::uint32_t>(solid.triangles.size());
    data.append(reinterpret_cast<const char*>(&count), kStlCountBytes);
    for (const auto& t : solid.triangles) {
        const Corner& a = solid.points[t[0]];
        const Corner& b = solid.points[t[1]];
        const Corner& c = solid.points[t[2]];
        appendStlTriangle(data, outwardNormal(a, b, c), a, b, c);
    }
    return sink.write(data) ? WriteOutcome::Finished : WriteOutcome::Failed;
}

std::uint64_t printStlBytes(std::uint64_t triangles) { return kStlHeadBytes + kStlCountBytes + triangles * kStlTriangleBytes; }

std::uint64_t threeMfBytes(std::uint64_t triangles)
{
    // Measured on the flowers' solids: a closed shell has half as many corners as triangles, and the model's
    // text deflates to about 14 bytes a triangle (55 stored); the package's other parts are under 2 KB.
    constexpr std::uint64_t kPackageBytes = 2000;
    return kPackageBytes + triangles * (zipCanDeflate() ? kThreeMfDeflatedBytesPerTriangle : kThreeMfStoredBytesPerTriangle);
}

namespace {

constexpr std::size_t kModelPieceBytes = std::size_t{1} << 20;

// The model's text, handed to `take` about a megabyte at a time.
template <typename Take>
void emitThreeMfModel(const SolidMesh& solid, const CommentInfo& info, const ThreeMfMetadata& extra, Take&& take)
{
    std::string model;
    model += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
             "<model unit=\"millimeter\" xml:lang=\"ja-JP\" xmlns=\"http://schemas.microsoft.com/3dmanufacturing/core/2015/02\" "
             "xmlns:petalwright=\"";
    model += kThreeMfNamespace;
    model += "\">\n";
    // No date among them: the same flower gives the same bytes.
    ThreeMfMetadata metadata = {
        {"Title", flatLine(info.fileName)},
        {"Application", fmt::format("{} {}", version::kProductName, version::kVersionText)},
        {"petalwright:size", fmt::format("{:.2f}", solid.sizeMm)},
        {"petalwright:thickness", fmt::format("{:.2f}", solid.thicknessMm)},
        {"petalwright:orientation", std::string(solid.upsideDown ? "upside-down" : "face-up")},
    };
    // The flower again, a value each, for reading it back.
    const FlowerRecord flower = flowerRecord(info.parameterTexts, info.seed);
    for (std::size_t i = 0; i < kFlowerKeys.size(); ++i)
        metadata.emplace_back("petalwright:" + std::string(kFlowerKeys[i]), flower.texts[i]);
    if (flower.seed)
        metadata.emplace_back("petalwright:seed", std::to_string(*flower.seed));
    metadata.insert(metadata.end(), extra.begin(), extra.end());
    for (const auto& [name, value] : metadata)
        model += " <metadata name=\"" + xmlEscaped(name) + "\">" + xmlEscaped(value) + "</metadata>\n";
    model += " <resources>\n  <object id=\"1\" type=\"model\" name=\"flower\">\n   <mesh>\n    <vertices>\n";
    const auto handOn = [&] {
        if (model.size() >= kModelPieceBytes) {
            take(std::string_view(model));
            model.clear();
        }
    };
    for (const auto& p : solid.points) {
        model += "     <vertex x=\"";
        appendFloat(model, p[0]);
        model += "\" y=\"";
        appendFloat(model, p[1]);
        model += "\" z=\"";
        appendFloat(model, p[2]);
        model += "\"/>\n";
        handOn();
    }
    model += "    </vertices>\n    <triangles>\n";
    for (const auto& t : solid.triangles) {
        model += "     <triangle v1=\"" + std::to_string(t[0]) + "\" v2=\"" + std::to_string(t[1]) + "\" v3=\"" + std::to_string(t[2]) + "\"/>\n";
        handOn();
    }
    model += "    </triangles>\n   </mesh>\n  </object>\n </resources>\n <build>\n  <item objectid=\"1\"/>\n </build>\n</model>\n";
    take(std::string_view(model));
}

// The package's parts before the model.
void startThreeMfPackage(ZipStore& zip)
{
    zip.add("[Content_Types].xml",
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
            "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
            "<Default Extension=\"rels\" ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
            "<Default Extension=\"model\" ContentType=\"application/vnd.ms-package.3dmanufacturing-3dmodel+xml\"/>"
            "</Types>\n");
    zip.add("_rels/.rels",
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
            "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
            "<Relationship Target=\"/3D/3dmodel.model\" Id=\"rel0\" "
            "Type=\"http://schemas.microsoft.com/3dmanufacturing/2013/01/3dmodel\"/>"
            "</Relationships>\n");
}

} // namespace

std::string threeMfModel(const SolidMesh& solid, const CommentInfo& info, const ThreeMfMetadata& extra)
{
    std::string model;
    // Room for the longest lines (a float in at most 16 characters, a corner's number in as many digits as
    // their count): the text is never copied to a larger buffer on the way.
    const std::size_t digits = std::to_string(solid.points.size()).size();
    model.reserve(solid.points.size() * (30 + 3 * 16) + solid.triangles.size() * (35 + 3 * digits) + 4096);
    emitThreeMfModel(solid, info, extra, [&](std::string_view piece) { model += piece; });
    return model;
}

std::string threeMfPackage(std::string_view model, std::string_view deflatedModel)
{
    ZipStore zip;
    startThreeMfPackage(zip);
    if (deflatedModel.empty())
        zip.add("3D/3dmodel.model", model, ZipStore::Method::Deflated);
    else
        zip.add("3D/3dmodel.model", model, deflatedModel);
    return zip.finish();
}

WriteOutcome writeThreeMfFile(const SolidMesh& solid, const CommentInfo& info, OutputSink& sink, const ThreeMfMetadata& metadata)
{
    // Deflated as it is written: the text of a flower of millions of triangles is hundreds of MB.
    ZipDeflater deflater;
    emitThreeMfModel(solid, info, metadata, [&](std::string_view piece) { deflater.add(piece); });
    const std::string packed = deflater.finish();
    if (packed.empty() || packed.size() >= deflater.size())
        return sink.write(threeMfPackage(threeMfModel(solid, info, metadata))) ? WriteOutcome::Finished : WriteOutcome::Failed;
    ZipStore zip;
    startThreeMfPackage(zip);
    zip.add("3D/3dmodel.model", deflater, packed);
    return sink.write(zip.finish()) ? WriteOutcome::Finished : WriteOutcome::Failed;
}

} // namespace petalwright::formats
