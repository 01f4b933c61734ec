#pragma once
// One colour per ring, graded from the centre outward: a colour number of the CAD palette and its RGB.

#include <array>
#include <vector>

#include "geometry/MeshStore.h"

namespace petalwright::formats {

struct RingColour {
    int colourNumber = 7;          // index of the 256-colour CAD palette, 10..249 here
    std::array<double, 3> rgb{};   // the same colour, sRGB components 0..1
};

// The rings ranked by the reach of their petals, smallest first (ties keep ring order), walk the palette's
// hue circle from yellow through red, magenta and blue to green; beyond 24 rings a hue serves two or three
// neighbouring rings in steps of brightness. Distinct for up to 72 rings.
std::vector<RingColour> ringColours(const geometry::MeshStore& mesh, int rings);

// The palette's colour `number` (10..249) as sRGB.
std::array<double, 3> paletteRgb(int number);

} // namespace petalwright::formats
