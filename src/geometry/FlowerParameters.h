#pragma once
// The six numbers that shape a flower: conversion from the box texts and the seven checks.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace petalwright::geometry {

inline constexpr int kParameterCount = 6;

// The six box texts as typed, in box order: petals, overlap, width, scale, start and end angle.
using ParameterTexts = std::array<std::string, kParameterCount>;

// The six parameter fields of a run.
struct FlowerParameters {
    std::int32_t petalCount = 0;
    std::int32_t overlapCount = 0;
    std::int32_t petalWidth = 0;
    double petalScale = 0.0;
    double angleStart = 0.0;
    double angleEnd = 0.0;
};

// The box texts the window starts with ("6", "6", "5", "0.5", "90", "135").
ParameterTexts defaultParameterTexts();

// Converts the six texts: trimmed, leading number read, the three counts rounded half to even.
FlowerParameters convertParameters(const ParameterTexts& texts);

// Runs all seven checks in their fixed order and returns their messages joined by CR LF, with no
// leading or trailing break; empty when every value is valid. `texts` feed the numeric test of
// the two angle boxes, `values` are the converted fields.
std::string checkParameters(const ParameterTexts& texts, const FlowerParameters& values);

// The seven messages, in check order.
namespace messages {
inline constexpr std::string_view kPetalCount = "花びらの枚数は 2 ～ 50 です。";
inline constexpr std::string_view kOverlapCount = "花びらの重なりは 1 ～ 50 です。";
inline constexpr std::string_view kPetalWidth = "花びらの幅は 1 ～ 10 です。";
inline constexpr std::string_view kPetalScale = "花びらの拡大縮小は 0.1 ～ 50.0 です。";
inline constexpr std::string_view kAngleStart = "花びらを生やす角度（始まり）は 0.0 ～ 180.0 です。";
inline constexpr std::string_view kAngleEnd = "花びらを生やす角度（終わり）は 0.0 ～ 180.0 です。";
inline constexpr std::string_view kAngleOrder = "花びらを生やす角度は 始まり <= 終わり にしてください。";
} // namespace messages

// The labels of the six boxes, in box order (also the names in the file's comment block).
inline constexpr std::array<std::string_view, kParameterCount> kParameterLabels = {
    "花びらの枚数", "花びらの重なり", "花びらの幅", "花びらの拡大縮小",
    "花びらを生やす角度（始まり）", "花びらを生やす角度（終わり）",
};

} // namespace petalwright::geometry
