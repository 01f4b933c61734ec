#pragma once
// The built-in sample flowers: six box texts each, with an ASCII and a Japanese name.

#include <array>
#include <span>
#include <string_view>

#include "geometry/FlowerParameters.h"

namespace petalwright::geometry {

// One sample: its names and the six box texts exactly as a user would type them.
struct SampleFlower {
    std::string_view name;         // lower-case a-z and '-', for the command line and file names
    std::string_view japaneseName; // shown in the window's list
    std::array<std::string_view, kParameterCount> texts;

    ParameterTexts parameterTexts() const;
};

// Every sample, in the order the window lists them; the first one has the window's default texts.
std::span<const SampleFlower> sampleFlowers();

// The sample called `name` (ASCII, exact), or nullptr.
const SampleFlower* findSampleFlower(std::string_view name);

// The sample whose texts are exactly `texts`, or nullptr.
const SampleFlower* sampleWithTexts(const ParameterTexts& texts);

} // namespace petalwright::geometry
