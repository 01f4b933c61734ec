#pragma once
// The size of the printable solid's file, worked out before the solid is built.

#include "formats/OutputFormat.h"
#include "formats/SizeEstimate.h"
#include "geometry/FlowerParameters.h"
#include "solid/PrintSolid.h"

namespace petalwright::solid {

// What unites the parts, and so how many triangles the file holds: the desktop's voxels (surfaces meshed
// from cells of the recipe's detail) or the page's exact mesh union (the slabs' own facets, simplified).
enum class SolidEngine { Voxels, ExactMesh };

// Face count and the size of the file a printable `format` writes for validated parameters and
// options: the solid's triangles follow the petals' area where no other petal lies within half the
// thickness, the heart and the slabs' side walls, counted in the voxels the builder meshes them in,
// and for the largest flowers the cells they keep unmerged. Within a quarter of the file for the
// flowers it was fitted on, except rings of one tilt stacked into each other, which it overestimates
// by up to a third, and a flower whose merge never comes out clear (it keeps its cells too; none of
// the dense flowers measured does). The exact mesh union's file follows the design's faces instead,
// more where rings stand a few degrees apart or fewer (their crossings), fewer where the flower is
// only some voxels across (its detail dropped); its 3MF is the deflated one.
formats::SizeEstimate estimateSolidFileSize(formats::OutputFormat format, const geometry::FlowerParameters& parameters,
                                            const SolidOptions& options, SolidEngine engine = SolidEngine::Voxels);

} // namespace petalwright::solid
