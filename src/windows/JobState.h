#pragma once
// The variables one run shares between the main window and the progress window.

#include <QString>

#include <cstdint>
#include <string>

#include "formats/OutputFormat.h"
#include "geometry/FlowerParameters.h"
#include "geometry/MeshStore.h"
#include "solid/PrintSolid.h"

namespace petalwright::windows {

struct JobState {
    // The six parameter fields (petalCount, overlapCount, petalWidth, petalScale, angleStart,
    // angleEnd); written by checkPRAM only.
    geometry::FlowerParameters parameters;

    // Written by the output file selection only; an empty path means no file chosen.
    QString dxfFilePath;
    QString dxfFileName;
    // The type chosen in the save dialog; both DXF types use the .dxf extension.
    formats::OutputFormat outputFormat = formats::OutputFormat::Dxf;
    // The printable types' thickness and size as typed after the save dialog, and as checked before a run.
    QString printThicknessText;
    QString printSizeText;
    solid::SolidOptions solidOptions;

    // Written by checkSIZE only.
    std::int32_t faceTotal = 0;
    std::string sizeEstimateText;

    // Seed of the ring turns of the next run, which the preview shows too. The main window draws it when
    // it opens, after each completed run and when the user asks for another shape.
    std::uint64_t ringSeed = 0;

    // meshX, meshY and meshZ.
    geometry::MeshStore mesh;
};

} // namespace petalwright::windows
