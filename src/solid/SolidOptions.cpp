#include "solid/SolidOptions.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <optional>

#include <fast_float/fast_float.h>
#include <fmt/format.h>

#include "geometry/DaisyMesh.h"
#include "geometry/FaceWalk.h"
#include "geometry/RandomSource.h"

namespace petalwright::solid {
namespace {

constexpr double kPetalSpan = 80; // drawing units across two unscaled petals

std::string_view trimmed(std::string_view text)
{
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (!text.empty() && blank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && blank(text.back()))
        text.remove_suffix(1);
    return text;
}

// A positive finite number written whole (no unit, no other characters).
std::optional<double> positiveNumber(std::string_view text)
{
    text = trimmed(text);
    double value = 0;
    // fast_float and fmt rather than the standard library's: the browser build's has no floating-point
    // from_chars or to_chars.
    const auto [end, error] = fast_float::from_chars(text.data(), text.data() + text.size(), value, fast_float::chars_format::general);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() || !std::isfinite(value) || value <= 0)
        return std::nullopt;
    return value;
}

std::string millimetres(double value)
{
    return fmt::format("{}", std::round(value * 100) / 100);
}

} // namespace

double drawingSizeMm(const geometry::FlowerParameters& parameters)
{
    return std::ceil(kPetalSpan * std::max(1.0, parameters.petalScale));
}

double thinnestForDetail(const geometry::FlowerParameters& parameters, double acrossMm)
{
    // The sheets' area does not depend on the ring turns; the width hardly does.
    geometry::MeshStore mesh;
    mesh.allocate(parameters.overlapCount, parameters.petalCount);
    geometry::SeededRandom random(1);
    geometry::makeDaisyMesh(parameters, mesh, random);
    double sheets = 0;
    std::array<double, 4> box = {1e300, 1e300, -1e300, -1e300};
    geometry::forEachFace(mesh, parameters.overlapCount, parameters.petalCount, [&](const geometry::Face& face) {
        std::array<std::array<double, 3>, 4> c;
        for (std::size_t k = 0; k < c.size(); ++k) {
            c[k] = {mesh.x(face.corner[k]), mesh.y(face.corner[k]), mesh.z(face.corner[k])};
            box = {std::min(box[0], c[k][0]), std::min(box[1], c[k][2]), std::max(box[2], c[k][0]), std::max(box[3], c[k][2])};
        }
        for (const auto& [a, b, d] : {std::array{c[0], c[1], c[2]}, std::array{c[0], c[2], c[3]}}) {
            const std::array<double, 3> u = {b[0] - a[0], b[1] - a[1], b[2] - a[2]}, v = {d[0] - a[0], d[1] - a[1], d[2] - a[2]};
            sheets += std::hypot(u[1] * v[2] - u[2] * v[1], u[2] * v[0] - u[0] * v[2], u[0] * v[1] - u[1] * v[0]); // both sides
        }
        return true;
    });
    const double width = std::max(box[2] - box[0], box[3] - box[1]);
    const double scale = width > 0 ? acrossMm / width : 1.0;
    return kVoxelsPerSlab * std::sqrt(sheets * scale * scale / kMaxSheetVoxels);
}

std::string orientationText(bool upsideDown)
{
    return upsideDown ? "向き: 裏返し（花を伏せて置きます）" : "向き: 表（花を上に向けて置きます）";
}

std::string checkSolidOptions(std::string_view thicknessText, std::string_view sizeText,
                              const geometry::FlowerParameters& parameters, SolidOptions& options)
{
    std::string problems;
    const auto add = [&](const std::string& line) {
        if (!problems.empty())
            problems += '\n';
        problems += line;
    };
    const std::optional<double> thickness = positiveNumber(thicknessText);
    if (!thickness)
        add("厚さは 0 より大きい数（mm）にしてください: " + std::string(thicknessText));
    std::optional<double> size;
    if (!trimmed(sizeText).empty()) {
        size = positiveNumber(sizeText);
        if (!size)
            add("大きさは 0 より大きい数（mm）にしてください: " + std::string(sizeText));
    }
    if (!problems.empty())
        return problems;

    if (size && *size < kSmallestMm) {
        // The thickness's range follows the size: without a size that prints, only its lower end can be said.
        add("大きさ " + millimetres(*size) + " mm の花は小さすぎて印刷できません。" + millimetres(kSmallestMm) + " mm 以上にしてください。");
        if (*thickness < kThinnestMm)
            add("厚さ " + millimetres(*thickness) + " mm はノズルの線幅より薄く、印刷できません。" + millimetres(kThinnestMm)
                + " mm 以上にしてください。");
        return problems;
    }
    const double across = size ? *size : drawingSizeMm(parameters);
    const double detail = thinnestForDetail(parameters, across);
    const double thinnest = std::max({kThinnestMm, across * kThinnestPerSize, detail});
    const double thickest = across * kThickestPerSize;
    if (*thickness < thinnest || *thickness > thickest) {
        if (thinnest > thickest)
            add("大きさ " + millimetres(across) + " mm のこの花は花びらが多すぎて印刷用の立体にできません。もっと大きくしてください。");
        else
            add("厚さ " + millimetres(*thickness) + " mm は大きさ " + (size ? "" : "約 ") + millimetres(across) + " mm の花に合いません。"
                + millimetres(thinnest) + " ～ " + millimetres(thickest) + " mm（ノズルの線幅 " + millimetres(kThinnestMm)
                + " mm 以上で、大きさの 1/200 から 1/20 まで" + (detail > std::max(kThinnestMm, across * kThinnestPerSize) ? "、花びらの数に応じて" : "")
                + "）にしてください。");
        return problems;
    }
    options.thicknessMm = *thickness;
    options.sizeMm = size ? *size : 0.0;
    return problems;
}

} // namespace petalwright::solid
