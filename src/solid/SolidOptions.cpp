#include "solid/SolidOptions.h"

#include <algorithm>
#include <cmath>
#include <optional>

#include <fast_float/fast_float.h>
#include <fmt/format.h>

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
    const double thinnest = std::max(kThinnestMm, across * kThinnestPerSize);
    const double thickest = across * kThickestPerSize;
    if (*thickness < thinnest || *thickness > thickest) {
        add("厚さ " + millimetres(*thickness) + " mm は大きさ " + (size ? "" : "約 ") + millimetres(across) + " mm の花に合いません。"
            + millimetres(thinnest) + " ～ " + millimetres(thickest) + " mm（ノズルの線幅 " + millimetres(kThinnestMm)
            + " mm 以上で、大きさの 1/200 から 1/20 まで）にしてください。");
        return problems;
    }
    options.thicknessMm = *thickness;
    options.sizeMm = size ? *size : 0.0;
    return problems;
}

} // namespace petalwright::solid
