// petalwright-bench-core: generates and writes the largest flower (20,000 faces) into memory and
// into a file, and compares the medians with a floor measured in the same run: the same 240,000
// coordinates formatted with std::to_chars into one buffer and written with one call.

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <functional>
#include <vector>

#include "dxf/FaceFileWriter.h"
#include "geometry/DaisyMesh.h"
#include "platform/AnsiTextFile.h"

using namespace petalwright;

namespace {

constexpr int kRepeats = 15;
constexpr int kDecimals = 9;
const geometry::FlowerParameters kLargest = {50, 50, 10, 50.0, 0.0, 180.0};
const geometry::ParameterTexts kTexts = {"50", "50", "10", "50", "0", "180"};

double medianMilliseconds(const std::function<void()>& work)
{
    std::vector<double> times;
    for (int i = 0; i < kRepeats; ++i) {
        const auto start = std::chrono::steady_clock::now();
        work();
        times.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

bool generate(geometry::MeshStore& mesh)
{
    mesh.allocate(kLargest.overlapCount, kLargest.petalCount);
    geometry::SeededRandom random(1);
    return geometry::makeDaisyMesh(kLargest, mesh, random);
}

dxf::CommentInfo commentInfo()
{
    return {"bench.dxf", [] { return std::string("2006/01/15 9:05:07"); }, kTexts};
}

// The coordinates of every face corner, in the order the file holds them.
std::vector<double> faceCoordinates(const geometry::MeshStore& mesh)
{
    std::vector<double> values;
    for (int ring = 0; ring < kLargest.overlapCount; ++ring)
        for (int petal = 0; petal < kLargest.petalCount; ++petal)
            for (int q = 0; q < 2; ++q)
                for (int p = 0; p < 4; ++p)
                    for (const std::size_t e : {mesh.index(ring, petal, p, q), mesh.index(ring, petal, p, q + 1),
                                                mesh.index(ring, petal, p + 1, q + 1), mesh.index(ring, petal, p + 1, q)})
                        values.insert(values.end(), {mesh.x(e), mesh.y(e), mesh.z(e)});
    return values;
}

std::string formatAll(const std::vector<double>& values)
{
    std::string buffer(values.size() * 32, '\0');
    char* out = buffer.data();
    char* const end = buffer.data() + buffer.size();
    for (const double v : values) {
        out = std::to_chars(out, end, v, std::chars_format::fixed, kDecimals).ptr;
        *out++ = '\n';
    }
    buffer.resize(static_cast<std::size_t>(out - buffer.data()));
    return buffer;
}

void report(const char* what, double milliseconds, double floor)
{
    const double ratio = milliseconds / floor;
    std::printf("%-34s %8.2f ms   floor %8.2f ms   ratio %.2f (target <= 1.50: %s)\n", what, milliseconds, floor, ratio,
                ratio <= 1.5 ? "met" : "MISSED");
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    if (!dir.isValid()) {
        std::fprintf(stderr, "no temporary folder\n");
        return 1;
    }
    const QString path = dir.filePath(QStringLiteral("bench.dxf"));
    const QString floorPath = dir.filePath(QStringLiteral("floor.txt"));

    geometry::MeshStore mesh;
    generate(mesh);
    const std::vector<double> coordinates = faceCoordinates(mesh);
    std::size_t fileBytes = 0;
    bool ok = true;

    const double generateOnly = medianMilliseconds([&] { ok = generate(mesh) && ok; });
    // The sink is sized up front like the floor's buffer: growing a string by doubling costs more
    // in fresh pages than the writing itself on some machines, and says nothing about the writer.
    {
        dxf::MemorySink sizing;
        dxf::writeFaceFile(mesh, kLargest.overlapCount, kLargest.petalCount, commentInfo(), sizing);
        fileBytes = sizing.data.size();
    }
    const auto writeToMemory = [&](bool reserve) {
        ok = generate(mesh) && ok;
        dxf::MemorySink sink;
        if (reserve)
            sink.data.reserve(fileBytes);
        ok = dxf::writeFaceFile(mesh, kLargest.overlapCount, kLargest.petalCount, commentInfo(), sink)
                == dxf::WriteOutcome::Finished && ok;
    };
    const double memory = medianMilliseconds([&] { writeToMemory(true); });
    const double memoryGrown = medianMilliseconds([&] { writeToMemory(false); });
    const double file = medianMilliseconds([&] {
        ok = generate(mesh) && ok;
        platform::AnsiTextFile out(path);
        ok = out.open() && ok;
        ok = dxf::writeFaceFile(mesh, kLargest.overlapCount, kLargest.petalCount, commentInfo(), out)
                == dxf::WriteOutcome::Finished && ok;
        ok = out.commit() && ok;
    });
    std::size_t floorBytes = 0;
    const double memoryFloor = medianMilliseconds([&] { floorBytes = formatAll(coordinates).size(); });
    const double fileFloor = medianMilliseconds([&] {
        const std::string buffer = formatAll(coordinates);
        QFile out(floorPath);
        ok = out.open(QIODevice::WriteOnly) && ok;
        ok = out.write(buffer.data(), static_cast<qint64>(buffer.size())) == static_cast<qint64>(buffer.size()) && ok;
    });
    if (!ok) {
        std::fprintf(stderr, "a run failed\n");
        return 1;
    }

    std::printf("largest flower: 50 petals x 50 rings, %zu coordinates, file %zu bytes, floor %zu bytes\n",
                coordinates.size(), fileBytes, floorBytes);
    std::printf("median of %d runs; generate alone %.2f ms\n", kRepeats, generateOnly);
    report("generate + write into memory", memory, memoryFloor);
    std::printf("  (memory sink left to grow on demand: %.2f ms)\n", memoryGrown);
    report("generate + write into a file", file, fileFloor);
    return 0;
}
