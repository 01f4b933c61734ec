// The one symbol the solid module shows: the table of its functions.
#include "solid/SolidModule.h"

namespace {

const petalwright::solid::SolidModule kModule = {
    petalwright::solid::kSolidModuleVersion,
    &petalwright::solid::solidStepTotal,
    &petalwright::solid::buildPrintSolid,
};

} // namespace

extern "C" __attribute__((visibility("default"))) const petalwright::solid::SolidModule* petalwright_solid_module()
{
    return &kModule;
}
