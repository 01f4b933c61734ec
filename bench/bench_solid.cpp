// petalwright-bench-solid: builds the printable solid of the default flower, every sample, the unusual
// flowers and the largest ones the checks allow, and prints per flower the time (median of three, one for
// the largest), the triangles, the orientation, the file sizes with the 3MF estimate, and the peak memory
// (the build and the larger file).
// Each flower is built in a child process of its own, so each peak is that flower's.
//   petalwright-bench-solid [NAME]   only the flowers whose name begins with NAME
//   petalwright-bench-solid --gaps [NAME]
//                                    instead: the gaps between petals, by width, and how many of their
//                                    points the solid fills (GAPS_DUMP=FILE also writes each point:
//                                    x y z width filled enclosed)

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "formats/OutputFormat.h"
#include "formats/SolidWriters.h"
#include "geometry/DaisyMesh.h"
#include "geometry/SampleFlowers.h"
#include "PetalGaps.h"
#include "solid/PrintSolid.h"
#include "solid/SolidOptions.h"
#include "solid/SolidRecipe.h"

using namespace petalwright;

namespace {

struct Case {
    std::string name;
    geometry::ParameterTexts texts;
    double sizeMm;
    double thicknessMm = 1.2;
};

long peakKilobytes()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// The case's flower (seed 1) and its print options.
struct Flower {
    geometry::FlowerParameters p;
    geometry::MeshStore mesh;
    solid::SolidOptions options;

    explicit Flower(const Case& c) : p(geometry::convertParameters(c.texts))
    {
        mesh.allocate(p.overlapCount, p.petalCount);
        geometry::SeededRandom random(1);
        geometry::makeDaisyMesh(p, mesh, random);
        options.sizeMm = c.sizeMm;
        options.thicknessMm = c.thicknessMm;
    }
};

void measure(const Case& c)
{
    const Flower f(c);
    const auto& [p, mesh, options] = f;
    const int runs = p.petalCount * p.overlapCount > 500 ? 1 : 3;
    std::vector<double> times;
    formats::SolidMesh solid;
    for (int i = 0; i < runs; ++i) {
        const auto start = std::chrono::steady_clock::now();
        solid::buildPrintSolid(mesh, p.overlapCount, p.petalCount, options, solid);
        times.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
    }
    std::sort(times.begin(), times.end());
    // One file at a time, as the programs write them: the peak is that of the larger.
    std::size_t stlBytes = 0;
    {
        formats::MemorySink stl;
        formats::writeSolidFile(formats::OutputFormat::PrintStl, solid, {}, stl);
        stlBytes = stl.data.size();
    }
    formats::MemorySink package;
    formats::writeSolidFile(formats::OutputFormat::ThreeMf, solid, {}, package);
    std::printf("%-22s %5.1f %8.0f %10zu %-5s %8.2f %8.2f %8.2f %8.0f\n", c.name.c_str(), c.thicknessMm, times[times.size() / 2],
                solid.triangles.size(), solid.upsideDown ? "down" : "up", static_cast<double>(stlBytes) / 1e6,
                static_cast<double>(package.data.size()) / 1e6, static_cast<double>(formats::threeMfBytes(solid.triangles.size())) / 1e6,
                static_cast<double>(peakKilobytes()) / 1024);
}

// The design's gaps 0.4 to 3 mm wide, in bands of width: their points, and those the solid fills.
void measureGaps(const Case& c)
{
    const Flower f(c);
    const auto& [p, mesh, options] = f;
    formats::SolidMesh solid;
    solid::buildPrintSolid(mesh, p.overlapCount, p.petalCount, options, solid);
    const auto start = std::chrono::steady_clock::now();
    const std::vector<testing::GapPoint> gaps =
        testing::petalGaps(solid::planPrintSolid(mesh, p.overlapCount, p.petalCount, options), solid, 0.4, 3.0);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (const char* dump = std::getenv("GAPS_DUMP")) {
        if (FILE* out = std::fopen(dump, "w")) {
            for (const testing::GapPoint& g : gaps)
                std::fprintf(out, "%.3f %.3f %.3f %.3f %d %d\n", g.at[0], g.at[1], g.at[2], g.width, g.filled ? 1 : 0, g.enclosed ? 1 : 0);
            std::fclose(out);
        } else {
            std::fprintf(stderr, "cannot write %s\n", dump);
        }
    }
    constexpr std::array<double, 5> kBands = {0.4, 0.6, 0.8, 1.2, 3.01};
    std::printf("%-22s %5.1f", c.name.c_str(), c.thicknessMm);
    for (std::size_t b = 0; b + 1 < kBands.size(); ++b) {
        std::size_t all = 0, filled = 0;
        for (const testing::GapPoint& g : gaps)
            if (g.width >= kBands[b] && g.width < kBands[b + 1]) {
                ++all;
                filled += g.filled && !g.enclosed ? 1 : 0;
            }
        std::printf(" %7zu/%-7zu", filled, all);
    }
    std::printf(" %6.1f\n", seconds);
}

} // namespace

int main(int argc, char** argv)
{
    const bool gaps = argc > 1 && std::string(argv[1]) == "--gaps";
    if (gaps) {
        --argc;
        ++argv;
    }
    const std::string only = argc > 1 ? argv[1] : "";
    std::vector<Case> cases = {{"default", geometry::defaultParameterTexts(), 80}};
    for (const geometry::SampleFlower& sample : geometry::sampleFlowers()) {
        Case c{std::string(sample.name), {}, 80};
        for (std::size_t i = 0; i < c.texts.size(); ++i)
            c.texts[i] = std::string(sample.texts[i]);
        cases.push_back(c);
    }
    cases.push_back({"two narrow petals", {"2", "1", "1", "1", "90", "90"}, 80});
    cases.push_back({"angle 0", {"6", "6", "5", "0.5", "0", "0"}, 80});
    cases.push_back({"angle 180", {"6", "6", "5", "0.5", "180", "180"}, 80});
    cases.push_back({"default 0.8 mm", geometry::defaultParameterTexts(), 80, 0.8});
    cases.push_back({"default 4 mm", geometry::defaultParameterTexts(), 80, 4});
    cases.push_back({"default 0.4 mm", geometry::defaultParameterTexts(), 80, 0.4});
    cases.push_back({"20 x 10", {"20", "10", "5", "0.5", "90", "135"}, 80});
    cases.push_back({"default 240 mm", geometry::defaultParameterTexts(), 240});
    cases.push_back({"50 x 50", {"50", "50", "10", "1", "0", "180"}, 80});
    // The thinnest petals the checks accept for the largest flowers: the worst cases for memory.
    const geometry::ParameterTexts hanging = {"6", "6", "5", "0.5", "0", "0"};
    cases.push_back({"angle 0 thinnest", hanging, 80, std::ceil(solid::thinnestForDetail(geometry::convertParameters(hanging), 80) * 100) / 100});
    const geometry::ParameterTexts largest = {"50", "50", "10", "1", "0", "180"};
    cases.push_back({"50 x 50 thinnest", largest, 80, std::ceil(solid::thinnestForDetail(geometry::convertParameters(largest), 80) * 100) / 100});
    if (gaps)
        std::printf("%-22s %5s  filled/points of gaps 0.4-0.6, 0.6-0.8, 0.8-1.2, 1.2-3 mm wide; probe s\n", "flower (80 mm)", "mm");
    else
        std::printf("%-22s %5s %8s %10s %-5s %8s %8s %8s %8s\n", "flower (80 mm)", "mm", "ms", "triangles", "faces", "STL MB",
                    "3MF MB", "est. MB", "peak MB");
    std::fflush(stdout);
    for (const Case& c : cases) {
        if (!c.name.starts_with(only))
            continue;
        const pid_t child = fork();
        if (child == 0) {
            if (gaps)
                measureGaps(c);
            else
                measure(c);
            std::fflush(stdout);
            _exit(0);
        }
        int status = 0;
        waitpid(child, &status, 0);
    }
    return 0;
}
