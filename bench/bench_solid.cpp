// petalwright-bench-solid: builds the printable solid of the default flower, the 20 x 10 flower and the
// largest one the checks allow at a few sizes, and prints the time (median of three), the triangles, the
// file sizes and the peak memory of the process after each (a high-water mark: it only grows).

#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

#include "formats/OutputFormat.h"
#include "geometry/DaisyMesh.h"
#include "solid/PrintSolid.h"

using namespace petalwright;

namespace {

long peakKilobytes()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

struct Case {
    const char* name;
    geometry::ParameterTexts texts;
    double sizeMm;
};

} // namespace

int main()
{
    const Case cases[] = {
        {"default", geometry::defaultParameterTexts(), 0},
        {"20 x 10", {"20", "10", "5", "0.5", "90", "135"}, 0},
        {"default, 150 mm", geometry::defaultParameterTexts(), 150},
        {"default, 240 mm", geometry::defaultParameterTexts(), 240},
        {"50 x 50, 80 mm", {"50", "50", "10", "1", "0", "180"}, 80},
    };
    std::printf("%-18s %9s %10s %10s %10s %10s\n", "flower", "ms", "triangles", "STL MB", "3MF MB", "peak MB");
    for (const Case& c : cases) {
        const geometry::FlowerParameters p = geometry::convertParameters(c.texts);
        geometry::MeshStore mesh;
        mesh.allocate(p.overlapCount, p.petalCount);
        geometry::SeededRandom random(1);
        geometry::makeDaisyMesh(p, mesh, random);
        solid::SolidOptions options;
        options.sizeMm = c.sizeMm;
        std::vector<double> times;
        formats::SolidMesh solid;
        for (int i = 0; i < 3; ++i) {
            const auto start = std::chrono::steady_clock::now();
            solid::buildPrintSolid(mesh, p.overlapCount, p.petalCount, options, solid);
            times.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
        }
        std::sort(times.begin(), times.end());
        formats::MemorySink stl, package;
        formats::writeSolidFile(formats::OutputFormat::PrintStl, solid, {}, stl);
        formats::writeSolidFile(formats::OutputFormat::ThreeMf, solid, {}, package);
        std::printf("%-18s %9.0f %10zu %10.1f %10.1f %10.1f\n", c.name, times[1], solid.triangles.size(), static_cast<double>(stl.data.size()) / 1e6,
                    static_cast<double>(package.data.size()) / 1e6, static_cast<double>(peakKilobytes()) / 1024);
    }
    return 0;
}
