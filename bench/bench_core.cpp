// petalwright-bench-core: generates and writes the largest flower (20,000 faces) into memory and
// into a file, and compares the medians with a floor measured in the same run: the same 240,000
// coordinates formatted with std::to_chars into one buffer and written with one call. Then each
// format's writer alone (the mesh ready) beside its own floor: the same numbers formatted with
// std::to_chars for the text formats, the same bytes copied into one buffer for the binary ones.

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <functional>
#include <vector>

#include "formats/FaceFileWriter.h"
#include "formats/OutputFormat.h"
#include "geometry/DaisyMesh.h"
#include "geometry/FaceWalk.h"
#include "platform/SafeFile.h"

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

formats::CommentInfo commentInfo()
{
    return {"bench.dxf", [] { return std::string("2006/01/15 9:05:07"); }, kTexts};
}

// The coordinates of every face corner, in the order the file holds them.
std::vector<double> faceCoordinates(const geometry::MeshStore& mesh)
{
    std::vector<double> values;
    geometry::forEachFace(mesh, kLargest.overlapCount, kLargest.petalCount, [&](const geometry::Face& face) {
        for (const std::size_t e : face.corner)
            values.insert(values.end(), {mesh.x(e), mesh.y(e), mesh.z(e)});
        return true;
    });
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

// The numbers a text file holds, read back from it: for DXF the values of the corner codes 10 to 33,
// for OBJ the vertex coordinates and the face indices.
struct TextNumbers {
    std::vector<double> coordinates;
    std::vector<long long> indices;
};

TextNumbers numbersOf(formats::OutputFormat format, const std::string& file)
{
    TextNumbers numbers;
    std::size_t at = 0;
    std::string previous;
    while (at < file.size()) {
        std::size_t end = file.find('\n', at);
        if (end == std::string::npos)
            end = file.size();
        std::string line = file.substr(at, end - at);
        at = end + 1;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (format == formats::OutputFormat::Obj) {
            const char* p = line.data() + 1;
            const char* const e = line.data() + line.size();
            if (line.starts_with("v "))
                for (double v = 0; p < e && std::from_chars(p + 1, e, v).ec == std::errc(); numbers.coordinates.push_back(v))
                    p = std::from_chars(p + 1, e, v).ptr;
            if (line.starts_with("f "))
                for (long long i = 0; p < e && std::from_chars(p + 1, e, i).ec == std::errc(); numbers.indices.push_back(i))
                    p = std::from_chars(p + 1, e, i).ptr;
        } else if (line == "EOF") {
            break;
        } else {
            const int code = std::atoi(previous.c_str());
            double v = 0;
            if (previous.size() == 2 && code >= 10 && code <= 33 && code % 10 <= 3
                && std::from_chars(line.data(), line.data() + line.size(), v).ec == std::errc())
                numbers.coordinates.push_back(v);
            previous = line;
        }
    }
    return numbers;
}

std::string formatNumbers(const TextNumbers& numbers)
{
    std::string buffer(numbers.coordinates.size() * 32 + numbers.indices.size() * 24, '\0');
    char* out = buffer.data();
    char* const end = buffer.data() + buffer.size();
    for (const double v : numbers.coordinates) {
        out = std::to_chars(out, end, v, std::chars_format::fixed, kDecimals).ptr;
        *out++ = '\n';
    }
    for (const long long i : numbers.indices) {
        out = std::to_chars(out, end, i).ptr;
        *out++ = '\n';
    }
    buffer.resize(static_cast<std::size_t>(out - buffer.data()));
    return buffer;
}

// The file copied into one buffer in the pieces the writer produces at once: a triangle of STL, a corner of glTF.
std::size_t copyInPieces(const std::string& file, std::size_t piece)
{
    std::string buffer;
    buffer.reserve(file.size());
    for (std::size_t at = 0; at < file.size(); at += piece)
        buffer.append(file, at, piece);
    return buffer.size();
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
        formats::MemorySink sizing;
        formats::writeFaceFile(mesh, kLargest.overlapCount, kLargest.petalCount, commentInfo(), sizing);
        fileBytes = sizing.data.size();
    }
    const auto writeToMemory = [&](bool reserve) {
        ok = generate(mesh) && ok;
        formats::MemorySink sink;
        if (reserve)
            sink.data.reserve(fileBytes);
        ok = formats::writeFaceFile(mesh, kLargest.overlapCount, kLargest.petalCount, commentInfo(), sink)
                == formats::WriteOutcome::Finished && ok;
    };
    const double memory = medianMilliseconds([&] { writeToMemory(true); });
    const double memoryGrown = medianMilliseconds([&] { writeToMemory(false); });
    const double file = medianMilliseconds([&] {
        ok = generate(mesh) && ok;
        platform::SafeFile out(path);
        ok = out.open() && ok;
        ok = formats::writeFaceFile(mesh, kLargest.overlapCount, kLargest.petalCount, commentInfo(), out)
                == formats::WriteOutcome::Finished && ok;
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

    // Each writer alone on the ready mesh, into memory; writer and floor take turns so both see the same load.
    std::printf("\nwriters alone (mesh ready), into memory, median of %d runs:\n", kRepeats);
    generate(mesh);
    struct Row {
        formats::OutputFormat format;
        std::string file;
        TextNumbers numbers;
        std::vector<double> writer, floor;
    };
    std::vector<Row> rows;
    for (const formats::OutputFormat format : formats::kOutputFormats) {
        Row row{format, {}, {}, {}, {}};
        formats::MemorySink sink;
        formats::writeOutputFile(format, mesh, kLargest.overlapCount, kLargest.petalCount, commentInfo(), sink);
        row.file = std::move(sink.data);
        if (format != formats::OutputFormat::Stl && format != formats::OutputFormat::Glb)
            row.numbers = numbersOf(format, row.file);
        rows.push_back(std::move(row));
    }
    const auto time = [](const std::function<void()>& work) {
        const auto start = std::chrono::steady_clock::now();
        work();
        return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    };
    for (int i = 0; i < kRepeats; ++i) {
        for (Row& row : rows) {
            row.writer.push_back(time([&] {
                formats::MemorySink sink;
                sink.data.reserve(row.file.size());
                ok = formats::writeOutputFile(row.format, mesh, kLargest.overlapCount, kLargest.petalCount, commentInfo(), sink)
                        == formats::WriteOutcome::Finished && sink.data.size() == row.file.size() && ok;
            }));
            row.floor.push_back(time([&] {
                if (row.format == formats::OutputFormat::Stl)
                    ok = copyInPieces(row.file, 50) == row.file.size() && ok;
                else if (row.format == formats::OutputFormat::Glb)
                    ok = copyInPieces(row.file, 24) == row.file.size() && ok;
                else
                    ok = !formatNumbers(row.numbers).empty() && ok;
            }));
        }
    }
    if (!ok) {
        std::fprintf(stderr, "a run failed\n");
        return 1;
    }
    const auto median = [](std::vector<double> v) {
        std::sort(v.begin(), v.end());
        return v[v.size() / 2];
    };
    const double plain = median(rows.front().writer);
    for (const Row& row : rows) {
        const bool binary = row.format == formats::OutputFormat::Stl || row.format == formats::OutputFormat::Glb;
        char what[64];
        std::snprintf(what, sizeof what, "%-7s %9zu bytes, %s", std::string(formats::formatName(row.format)).c_str(), row.file.size(),
                      binary ? "copy floor" : "to_chars floor");
        report(what, median(row.writer), median(row.floor));
        std::printf("  (%.2f x the default writer's time)\n", median(row.writer) / plain);
    }
    return 0;
}
