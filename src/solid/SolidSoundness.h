#pragma once
// Whether a finished solid reads back as one sound solid: the checks slicers and repair tools make of
// a file's corners, welded by position as a file holds them (floats).

#include "formats/SolidMesh.h"

namespace petalwright::solid {

struct SolidSoundness {
    int withoutArea = 0;     // triangles whose direction a reader's floats cannot tell (no area, or nearly)
    int badEdges = 0;        // welded edges not met exactly once each way
    int parts = 0;           // pieces joined through their edges
    bool sound() const { return withoutArea == 0 && badEdges == 0 && parts == 1; }
};

SolidSoundness checkSoundness(const formats::SolidMesh& mesh);

} // namespace petalwright::solid
