#pragma once
// The printable solid lives in a module of its own (petalwright-solid.so), loaded the first time a
// printable file is made, so the programs start without the geometry library and its dependencies.
// This is what the module hands the programs; both sides are built from the same sources and
// compiler, so C++ types cross the boundary as they are, and the version guards a stale module.

#include <string>

#include "solid/PrintSolid.h"

namespace petalwright::solid {

inline constexpr int kSolidModuleVersion = 2;
// The module's file name, beside the programs in the build tree and in the installed library folder.
inline constexpr const char* kSolidModuleFileName = "petalwright-solid.so";
inline constexpr const char* kSolidModuleEntry = "petalwright_solid_module";

struct SolidModule {
    int version;
    int (*stepTotal)(int overlapCount, int petalCount);
    SolidOutcome (*build)(const geometry::MeshStore& mesh, int overlapCount, int petalCount, const SolidOptions& options,
                          formats::SolidMesh& out, const SolidStep& step, std::string* problem);
};

// The module, loaded on the first call; null with a Japanese message naming the file in `problem`
// when it cannot be loaded (missing, broken or of another version).
const SolidModule* loadSolidModule(std::string* problem = nullptr);

// Where the module is looked for: beside the program (the build tree), then in the library folder
// of an installed program.
std::string solidModulePath();

} // namespace petalwright::solid
