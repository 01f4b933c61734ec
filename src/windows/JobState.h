#pragma once
// The variables one run shares between the main window and the progress window.

#include <QString>

#include <cstdint>
#include <string>

#include "formats/OutputFormat.h"
#include "geometry/FlowerParameters.h"
#include "geometry/MeshStore.h"

namespace petalwright::ui {

struct JobState {
    // Written by checkPRAM only.
    std::int32_t petalCount = 0;
    std::int32_t overlapCount = 0;
    std::int32_t petalWidth = 0;
    double petalScale = 0.0;
    double angleStart = 0.0;
    double angleEnd = 0.0;

    // Written by the output file selection only; an empty path means no file chosen.
    QString dxfFilePath;
    QString dxfFileName;
    // The type chosen in the save dialog; both DXF types use the .dxf extension.
    dxf::OutputFormat outputFormat = dxf::OutputFormat::Dxf;

    // Written by checkSIZE only.
    std::int32_t faceTotal = 0;
    std::string sizeEstimateText;

    // Seed of the ring turns of the next run, which the preview shows too. The main window draws it when
    // it opens, after each completed run and when the user asks for another shape.
    std::uint64_t ringSeed = 0;

    // meshX, meshY and meshZ.
    geometry::MeshStore mesh;

    geometry::FlowerParameters parameters() const
    {
        return {petalCount, overlapCount, petalWidth, petalScale, angleStart, angleEnd};
    }
    void setParameters(const geometry::FlowerParameters& p)
    {
        petalCount = p.petalCount;
        overlapCount = p.overlapCount;
        petalWidth = p.petalWidth;
        petalScale = p.petalScale;
        angleStart = p.angleStart;
        angleEnd = p.angleEnd;
    }
};

} // namespace petalwright::ui
