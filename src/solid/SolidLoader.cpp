// The programs' side of the solid module: finds it, loads it once, and forwards the build to it.
#include "solid/SolidModule.h"

#include <dlfcn.h>
#include <unistd.h>

#include <filesystem>
#include <mutex>

namespace petalwright::solid {
namespace {

std::string programFolder()
{
    std::error_code error;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::string() : self.parent_path().string();
}

bool insideBuildTree(const std::string& folder)
{
    const std::string tree = PETALWRIGHT_BUILD_TREE "/";
    return (folder + "/").compare(0, tree.size(), tree) == 0;
}

struct Loaded {
    const SolidModule* module = nullptr;
    std::string problem;
};

Loaded load()
{
    Loaded loaded;
    const std::string path = solidModulePath();
    const auto fail = [&](const std::string& cause) {
        loaded.problem = "3Dプリント用の立体を作るモジュールを読み込めませんでした。ほかの形式は書き出せます。\n"
                         "ファイル: " + path + "\n原因: " + cause;
        return loaded;
    };
    // Bound now and kept local, so nothing of the module's dependencies is left for later or
    // seen by the program.
    void* handle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
        const char* text = ::dlerror();
        std::string cause = text != nullptr ? text : "";
        // The loader's text starts with the path, which the message already names.
        if (cause.starts_with(path + ": "))
            cause.erase(0, path.size() + 2);
        return fail(cause.empty() ? "不明" : cause);
    }
    using Entry = const SolidModule* (*)();
    const auto entry = reinterpret_cast<Entry>(::dlsym(handle, kSolidModuleEntry));
    const SolidModule* module = entry != nullptr ? entry() : nullptr;
    if (module == nullptr || module->version != kSolidModuleVersion || module->build == nullptr || module->stepTotal == nullptr) {
        ::dlclose(handle);
        return fail("このバージョンの Petalwright のモジュールではありません。");
    }
    loaded.module = module; // stays loaded until the program ends
    return loaded;
}

} // namespace

std::string solidModulePath()
{
    const std::string folder = programFolder();
    // Tests and tools run from elsewhere in the build tree use the module the build put beside the programs.
    if (folder.empty() || insideBuildTree(folder)) {
        const std::string beside = folder + "/" + kSolidModuleFileName;
        if (!folder.empty() && ::access(beside.c_str(), F_OK) == 0)
            return beside;
        return std::string(PETALWRIGHT_BUILD_TREE "/src/") + kSolidModuleFileName;
    }
    const std::filesystem::path installed = std::filesystem::path(folder) / PETALWRIGHT_MODULE_FROM_BIN / kSolidModuleFileName;
    return installed.lexically_normal().string();
}

const SolidModule* loadSolidModule(std::string* problem)
{
    static std::once_flag once;
    static Loaded loaded;
    std::call_once(once, [] { loaded = load(); });
    if (loaded.module == nullptr && problem != nullptr)
        *problem = loaded.problem;
    return loaded.module;
}

SolidOutcome buildPrintSolid(const geometry::MeshStore& mesh, int overlapCount, int petalCount, const SolidOptions& options,
                             formats::SolidMesh& out, const SolidStep& step, std::string* problem)
{
    std::string notLoaded;
    const SolidModule* module = loadSolidModule(&notLoaded);
    if (module == nullptr) {
        out = {};
        if (problem != nullptr)
            *problem = notLoaded;
        return SolidOutcome::Failed;
    }
    return module->build(mesh, overlapCount, petalCount, options, out, step, problem);
}

} // namespace petalwright::solid
