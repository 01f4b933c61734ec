// The solid's loader of a program built without the printable formats: the baseline of
// petalwright-bench-startup. Nothing is ever loaded.
#include "solid/SolidModule.h"

namespace petalwright::solid {

std::string solidModulePath() { return kSolidModuleFileName; }

const SolidModule* loadSolidModule(std::string* problem)
{
    if (problem != nullptr)
        *problem = "この版は3Dプリント用の形式を含みません。";
    return nullptr;
}

SolidOutcome buildPrintSolid(const geometry::MeshStore&, int, int, const SolidOptions&, formats::SolidMesh& out, const SolidStep&,
                             std::string* problem)
{
    out = {};
    loadSolidModule(problem);
    return SolidOutcome::Failed;
}

} // namespace petalwright::solid
