// The printable solid: closed, outward, one piece, on z = 0; its size and thickness; its two files,
// checked by admesh and by reading the 3MF package back.

#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QXmlStreamReader>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <map>
#include <numeric>
#include <set>

#include <CGAL/Exact_predicates_inexact_constructions_kernel.h>
#include <CGAL/Polygon_mesh_processing/polygon_soup_to_polygon_mesh.h>
#include <CGAL/Polygon_mesh_processing/self_intersections.h>
#include <CGAL/Surface_mesh.h>
#include <zlib.h>

#include "PetalGaps.h"
#include "Version.h"
#include "formats/OutputFormat.h"
#include "formats/SolidWriters.h"
#include "formats/ZipStore.h"
#include "geometry/DaisyMesh.h"
#include "geometry/SampleFlowers.h"
#include "solid/PrintSolid.h"
#include "solid/SolidOptions.h"
#include "solid/SolidRecipe.h"

using namespace petalwright;

namespace {

struct Built {
    geometry::FlowerParameters parameters;
    geometry::MeshStore mesh;
    formats::SolidMesh solid;
    solid::SolidOutcome outcome = solid::SolidOutcome::Failed;
};

Built build(const geometry::ParameterTexts& texts, solid::SolidOptions options = {}, const solid::SolidStep& step = {})
{
    Built b;
    b.parameters = geometry::convertParameters(texts);
    b.mesh.allocate(b.parameters.overlapCount, b.parameters.petalCount);
    geometry::SeededRandom random(1);
    geometry::makeDaisyMesh(b.parameters, b.mesh, random);
    b.outcome = solid::buildPrintSolid(b.mesh, b.parameters.overlapCount, b.parameters.petalCount, options, b.solid, step);
    return b;
}

double volume(const formats::SolidMesh& s)
{
    double sum = 0;
    for (const auto& t : s.triangles) {
        const auto& a = s.points[t[0]];
        const auto& b = s.points[t[1]];
        const auto& c = s.points[t[2]];
        sum += (double(a[0]) * (double(b[1]) * c[2] - double(b[2]) * c[1]) - double(a[1]) * (double(b[0]) * c[2] - double(b[2]) * c[0])
                + double(a[2]) * (double(b[0]) * c[1] - double(b[1]) * c[0])) / 6;
    }
    return sum;
}

// min x, y, z, max x, y, z
std::array<double, 6> box(const formats::SolidMesh& s)
{
    std::array<double, 6> b = {1e300, 1e300, 1e300, -1e300, -1e300, -1e300};
    for (const auto& p : s.points)
        for (std::size_t a = 0; a < 3; ++a) {
            b[a] = std::min(b[a], double(p[a]));
            b[a + 3] = std::max(b[a + 3], double(p[a]));
        }
    return b;
}

// Empty when every edge joins exactly two triangles that run it in opposite directions, every
// triangle has an area, and all triangles form one piece; else what is wrong.
QString shellProblem(const formats::SolidMesh& s)
{
    std::map<std::pair<std::uint32_t, std::uint32_t>, int> directed;
    std::vector<std::uint32_t> parent(s.points.size());
    std::iota(parent.begin(), parent.end(), 0u);
    const auto find = [&](std::uint32_t v) {
        while (parent[v] != v)
            v = parent[v] = parent[parent[v]];
        return v;
    };
    for (const auto& t : s.triangles) {
        if (t[0] == t[1] || t[1] == t[2] || t[0] == t[2] || s.points[t[0]] == s.points[t[1]] || s.points[t[1]] == s.points[t[2]]
            || s.points[t[0]] == s.points[t[2]])
            return QStringLiteral("a triangle without area");
        for (int i = 0; i < 3; ++i)
            ++directed[{t[static_cast<std::size_t>(i)], t[static_cast<std::size_t>((i + 1) % 3)]}];
        parent[find(t[1])] = find(t[0]);
        parent[find(t[2])] = find(t[0]);
    }
    for (const auto& [edge, count] : directed) {
        if (count != 1)
            return QStringLiteral("an edge run %1 times the same way").arg(count);
        if (!directed.contains({edge.second, edge.first}))
            return QStringLiteral("an open edge");
    }
    // Every corner's triangles form one fan: walking round it from one of them meets them all.
    std::map<std::pair<std::uint32_t, std::uint32_t>, std::uint32_t> following; // edge v -> a: the corner after a
    std::vector<int> around(s.points.size(), 0);
    for (const auto& t : s.triangles)
        for (std::size_t i = 0; i < 3; ++i) {
            following[{t[i], t[(i + 1) % 3]}] = t[(i + 2) % 3];
            ++around[t[i]];
        }
    for (const auto& [edge, next] : following) {
        const std::uint32_t v = edge.first;
        if (around[v] < 0)
            continue; // walked already
        int walked = 0;
        std::uint32_t a = edge.second;
        do {
            a = following.at({v, a});
        } while (++walked <= around[v] && a != edge.second);
        if (walked != around[v])
            return QStringLiteral("a pinched corner");
        around[v] = -1;
    }
    std::set<std::uint32_t> pieces;
    for (const auto& t : s.triangles)
        pieces.insert(find(t[0]));
    if (pieces.size() != 1)
        return QStringLiteral("%1 pieces").arg(pieces.size());
    return {};
}

// CGAL's exact check of a large shell: empty when it is a closed manifold with no two triangles crossing.
QString cgalProblem(const formats::SolidMesh& s)
{
    using Surface = CGAL::Surface_mesh<CGAL::Exact_predicates_inexact_constructions_kernel::Point_3>;
    std::vector<Surface::Point> points;
    for (const auto& p : s.points)
        points.emplace_back(p[0], p[1], p[2]);
    std::vector<std::array<std::uint32_t, 3>> triangles = s.triangles;
    if (!CGAL::Polygon_mesh_processing::is_polygon_soup_a_polygon_mesh(triangles))
        return QStringLiteral("not a manifold");
    Surface surface;
    CGAL::Polygon_mesh_processing::polygon_soup_to_polygon_mesh(points, triangles, surface);
    std::vector<std::pair<Surface::Face_index, Surface::Face_index>> crossings;
    CGAL::Polygon_mesh_processing::self_intersections(surface, std::back_inserter(crossings));
    return !CGAL::is_closed(surface) ? QStringLiteral("an open edge") : crossings.empty() ? QString() : QStringLiteral("%1 pairs crossing").arg(crossings.size());
}

geometry::ParameterTexts texts(const char* petals, const char* overlap, const char* width, const char* scale, const char* start, const char* end)
{
    return {petals, overlap, width, scale, start, end};
}

// The bytes of a raw deflate stream of `size` bytes; empty when it is not one.
std::string inflated(std::string_view packed, std::size_t size)
{
    std::string out(size, '\0');
    z_stream z{};
    if (inflateInit2(&z, -15) != Z_OK)
        return {};
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(packed.data()));
    z.avail_in = static_cast<uInt>(packed.size());
    z.next_out = reinterpret_cast<Bytef*>(out.data());
    z.avail_out = static_cast<uInt>(out.size());
    const int result = inflate(&z, Z_FINISH);
    const bool whole = result == Z_STREAM_END && z.total_out == size && z.avail_in == 0;
    inflateEnd(&z);
    return whole ? out : std::string();
}

// admesh's counters for a file; empty when admesh is missing.
QMap<QString, double> admesh(const QString& path)
{
    QProcess run;
    run.start(QStringLiteral("admesh"), {path});
    if (!run.waitForFinished(60000) || run.exitCode() != 0)
        return {};
    QMap<QString, double> values;
    static const QRegularExpression line(QStringLiteral("^([A-Za-z ]+?)\\s*:\\s*(-?[0-9.]+)"));
    for (const QString& text : QString::fromUtf8(run.readAllStandardOutput()).split(QLatin1Char('\n'))) {
        // Two counters share a line: "Number of parts : 1   Volume : 123".
        for (const QString& part : text.split(QRegularExpression(QStringLiteral("\\s{3,}(?=[A-Z])")))) {
            const auto m = line.match(part.trimmed());
            if (m.hasMatch())
                values[m.captured(1).trimmed()] = m.captured(2).toDouble();
        }
    }
    return values;
}

} // namespace

class TestPrintSolid : public QObject {
    Q_OBJECT
private slots:
    void closedOutwardOnePiece_data()
    {
        QTest::addColumn<geometry::ParameterTexts>("flower");
        QTest::addColumn<double>("size"); // the others at half the size: a quarter of the time, the same shapes
        QTest::addColumn<int>("most"); // triangles at most (0: not counted): the flat areas merged
        QTest::addRow("default") << geometry::defaultParameterTexts() << 0.0 << 60000;
        for (const geometry::SampleFlower& sample : geometry::sampleFlowers()) {
            geometry::ParameterTexts t;
            for (std::size_t i = 0; i < t.size(); ++i)
                t[i] = std::string(sample.texts[i]);
            QTest::addRow("%s", std::string(sample.name).c_str()) << t << 40.0 << 0;
        }
        QTest::addRow("one ring of two narrow petals") << texts("2", "1", "1", "1", "90", "90") << 40.0 << 0;
        QTest::addRow("hanging straight down") << texts("6", "6", "5", "0.5", "0", "0") << 40.0 << 0;
        QTest::addRow("closed upward") << texts("6", "6", "5", "0.5", "180", "180") << 40.0 << 0;
        QTest::addRow("20 x 10") << texts("20", "10", "5", "0.5", "90", "135") << 40.0 << 0;
    }
    void closedOutwardOnePiece()
    {
        QFETCH(geometry::ParameterTexts, flower);
        QFETCH(double, size);
        QFETCH(int, most);
        solid::SolidOptions options;
        options.sizeMm = size;
        const Built b = build(flower, options);
        QCOMPARE(b.outcome, solid::SolidOutcome::Finished);
        QVERIFY2(most == 0 || b.solid.triangles.size() <= static_cast<std::size_t>(most), qPrintable(QString::number(b.solid.triangles.size())));
        for (const QString& problem : {shellProblem(b.solid), cgalProblem(b.solid)})
            QVERIFY2(problem.isEmpty(), qPrintable(problem));
        QVERIFY(volume(b.solid) > 0);
        const auto bounds = box(b.solid);
        QCOMPARE(bounds[2], 0.0);
        QVERIFY(std::abs(bounds[0] + bounds[3]) < 1e-3 && std::abs(bounds[1] + bounds[4]) < 1e-3);
        // The base: a flat face on z = 0 the first layer can hold.
        int onBase = 0;
        for (const auto& p : b.solid.points)
            onBase += p[2] == 0.0f;
        QVERIFY2(onBase >= 8, qPrintable(QString::number(onBase)));

        // admesh reads the STL as one part with nothing to mend.
        if (QStandardPaths::findExecutable(QStringLiteral("admesh")).isEmpty())
            QFAIL("admesh is missing (tools/build.sh installs it)");
        QTemporaryDir dir;
        formats::MemorySink sink;
        QCOMPARE(formats::writeSolidFile(formats::OutputFormat::PrintStl, b.solid, {}, sink), formats::WriteOutcome::Finished);
        QFile file(dir.filePath(QStringLiteral("flower.stl")));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(sink.data.data(), static_cast<qint64>(sink.data.size()));
        file.close();
        const QMap<QString, double> found = admesh(file.fileName());
        QCOMPARE(found.value(QStringLiteral("Number of parts"), -1), 1.0);
        for (const char* counter : {"Degenerate facets", "Edges fixed", "Facets removed", "Facets added", "Facets reversed", "Backwards edges"})
            QVERIFY2(found.value(QString::fromLatin1(counter), -1) == 0.0, counter);
        QVERIFY(std::abs(found.value(QStringLiteral("Volume")) - volume(b.solid)) < 1e-3 * volume(b.solid));
    }

    // The largest flowers keep the mesher's cells; checked on one just past that line (at 51 mm it is
    // under): its sheets nearly touch in places, where the mesher's own merging crossed them.
    void largestFlowerClearOfItself()
    {
        const Built b = build(texts("6", "6", "5", "0.5", "0", "0"), {1.2, 55});
        QCOMPARE(b.outcome, solid::SolidOutcome::Finished);
        QVERIFY2(b.solid.triangles.size() > 1'000'000, qPrintable(QString::number(b.solid.triangles.size())));
        const QString problem = cgalProblem(b.solid);
        QVERIFY2(problem.isEmpty(), qPrintable(problem));
    }

    // A gap the design leaves between petals stays a gap: every point of a gap two voxels wide or wider
    // (0.8 mm at 80 mm) is outside the solid; of the narrower ones (down to a nozzle's line) most are,
    // the others where petals part at a narrow angle by their bases, within a voxel of where they meet.
    // Thickening by a rounded offset grew every rim by half the thickness and closed them all.
    void petalsKeptApart_data()
    {
        QTest::addColumn<geometry::ParameterTexts>("flower");
        QTest::addColumn<double>("thickness");
        QTest::addColumn<double>("mostNarrowFilled"); // share of the points of gaps 0.4 to 0.8 mm wide
        const auto sample = [](std::string_view name) {
            geometry::ParameterTexts t;
            for (const geometry::SampleFlower& s : geometry::sampleFlowers())
                if (s.name == name)
                    for (std::size_t i = 0; i < t.size(); ++i)
                        t[i] = std::string(s.texts[i]);
            return t;
        };
        QTest::addRow("marguerite: slits of about a millimetre") << sample("marguerite") << 1.2 << 0.1;
        QTest::addRow("lotus: petals parting by their bases") << sample("lotus") << 1.2 << 0.25;
        QTest::addRow("default, thick petals") << geometry::defaultParameterTexts() << 4.0 << 0.1;
    }
    void petalsKeptApart()
    {
        QFETCH(geometry::ParameterTexts, flower);
        QFETCH(double, thickness);
        QFETCH(double, mostNarrowFilled);
        const solid::SolidOptions options{thickness, 80};
        const Built b = build(flower, options);
        QCOMPARE(b.outcome, solid::SolidOutcome::Finished);
        const solid::SolidPlan plan = solid::planPrintSolid(b.mesh, b.parameters.overlapCount, b.parameters.petalCount, options);
        const std::vector<testing::GapPoint> gaps = testing::petalGaps(plan, b.solid, 0.4, 3.0);
        std::size_t narrow = 0, narrowFilled = 0, wide = 0;
        for (const testing::GapPoint& g : gaps) {
            if (g.width >= 2 * plan.voxel * b.solid.partsScale) {
                ++wide;
                QVERIFY2(!g.filled, qPrintable(QStringLiteral("a gap %1 mm wide filled at %2, %3, %4")
                                                   .arg(g.width, 0, 'f', 2).arg(g.at[0]).arg(g.at[1]).arg(g.at[2])));
            } else {
                ++narrow;
                narrowFilled += g.filled ? 1 : 0;
            }
        }
        QVERIFY2(wide > 1000 && narrow > 1000, qPrintable(QStringLiteral("%1 and %2 points").arg(wide).arg(narrow)));
        const double share = static_cast<double>(narrowFilled) / static_cast<double>(narrow);
        QVERIFY2(share <= mostNarrowFilled, qPrintable(QString::number(share)));

        // The probe sees a filled gap: in a box round the flower every one of those points is.
        formats::SolidMesh block;
        const auto bounds = box(b.solid);
        for (int corner = 0; corner < 8; ++corner)
            block.points.push_back({static_cast<float>(bounds[(corner & 1) ? 3 : 0]), static_cast<float>(bounds[(corner & 2) ? 4 : 1]),
                                    static_cast<float>(bounds[(corner & 4) ? 5 : 2])});
        block.triangles = {{0, 2, 1}, {1, 2, 3}, {4, 5, 6}, {5, 7, 6}, {0, 1, 4}, {1, 5, 4},
                           {2, 6, 3}, {3, 6, 7}, {0, 4, 2}, {2, 4, 6}, {1, 3, 5}, {3, 7, 5}};
        const testing::gaps::Columns blockColumns(block);
        QVERIFY(std::all_of(gaps.begin(), gaps.end(), [&](const testing::GapPoint& g) { return blockColumns.holds(g.at); }));
    }

    void sizeAndThickness()
    {
        solid::SolidOptions options;
        options.sizeMm = 120;
        const auto bounds = box(build(geometry::defaultParameterTexts(), options).solid);
        QVERIFY(std::abs(std::max(bounds[3] - bounds[0], bounds[4] - bounds[1]) - 120) < 0.01);

        // One ring: twice the thickness is about twice the volume (the heart does not grow with it).
        const geometry::ParameterTexts ring = texts("12", "1", "8", "1", "100", "100");
        solid::SolidOptions thin, thick;
        thin.thicknessMm = 1.0;
        thick.thicknessMm = 2.0;
        const double ratio = volume(build(ring, thick).solid) / volume(build(ring, thin).solid);
        QVERIFY2(ratio > 1.8 && ratio < 2.2, qPrintable(QString::number(ratio)));

        // Thin petals on a flower of very many petals would take gigabytes: the checks ask for thicker ones.
        const auto largest = geometry::convertParameters(texts("50", "50", "10", "1", "0", "180"));
        QVERIFY(solid::thinnestForDetail(geometry::convertParameters(geometry::defaultParameterTexts()), 80) < solid::kThinnestMm);
        QVERIFY(solid::thinnestForDetail(largest, 80) > 2 * solid::kThinnestMm);
        solid::SolidOptions refused;
        QVERIFY(solid::checkSolidOptions("0.4", "80", largest, refused).starts_with("厚さ 0.4 mm は大きさ 80 mm の花に合いません。0.87 ～ 4 mm"));
    }

    void progressAndCancel()
    {
        const geometry::ParameterTexts flower = texts("6", "3", "5", "0.5", "90", "135");
        QList<int> steps;
        const Built whole = build(flower, {}, [&](int done, int total) {
            steps << done;
            return total == solid::solidStepTotal(3, 6);
        });
        QCOMPARE(whole.outcome, solid::SolidOutcome::Finished);
        steps.erase(std::unique(steps.begin(), steps.end()), steps.end()); // a long step is told again now and then
        QCOMPARE(steps.size(), solid::solidStepTotal(3, 6));
        QCOMPARE(steps.last(), solid::solidStepTotal(3, 6));
        // The merge asks again while it runs (the step before the last): a cancel there stops it too.
        int told = 0;
        QCOMPARE(build(flower, {}, [&](int done, int total) { return !(done == total - 1 && ++told == 2); }).outcome, solid::SolidOutcome::Cancelled);
        for (int k = 1; k <= solid::solidStepTotal(3, 6); ++k) {
            const Built stopped = build(flower, {}, [&](int done, int) { return done < k; });
            QCOMPARE(stopped.outcome, solid::SolidOutcome::Cancelled);
            QVERIFY(stopped.solid.triangles.empty());
        }
    }

    void options_data()
    {
        QTest::addColumn<QString>("thickness");
        QTest::addColumn<QString>("size");
        QTest::addColumn<QString>("problems");
        QTest::addRow("defaults") << "1.2" << "" << "";
        QTest::addRow("size with blanks") << " 2 " << " 120 " << "";
        QTest::addRow("zero") << "0" << "" << "厚さは 0 より大きい数（mm）にしてください: 0";
        QTest::addRow("negative size") << "1.2" << "-5" << "大きさは 0 より大きい数（mm）にしてください: -5";
        QTest::addRow("not numbers") << "abc" << "12mm"
                                     << "厚さは 0 より大きい数（mm）にしてください: abc\n大きさは 0 より大きい数（mm）にしてください: 12mm";
        QTest::addRow("empty thickness") << "" << "" << "厚さは 0 より大きい数（mm）にしてください: ";
        QTest::addRow("infinite") << "inf" << "" << "厚さは 0 より大きい数（mm）にしてください: inf";
        QTest::addRow("too thick for the size") << "7" << "120"
                                                << "厚さ 7 mm は大きさ 120 mm の花に合いません。0.6 ～ 6 mm（ノズルの線幅 0.4 mm 以上で、大きさの 1/200 から 1/20 まで）にしてください。";
        QTest::addRow("too thin for the design") << "0.1" << ""
                                                 << "厚さ 0.1 mm は大きさ 約 80 mm の花に合いません。0.4 ～ 4 mm（ノズルの線幅 0.4 mm 以上で、大きさの 1/200 から 1/20 まで）にしてください。";
        QTest::addRow("thinner than a line") << "0.39" << "40"
                                             << "厚さ 0.39 mm は大きさ 40 mm の花に合いません。0.4 ～ 2 mm（ノズルの線幅 0.4 mm 以上で、大きさの 1/200 から 1/20 まで）にしてください。";
        QTest::addRow("smallest printable") << "0.4" << "20" << "";
        QTest::addRow("too small, too thin") << "0.25" << "19.99"
                                             << "大きさ 19.99 mm の花は小さすぎて印刷できません。20 mm 以上にしてください。\n"
                                                "厚さ 0.25 mm はノズルの線幅より薄く、印刷できません。0.4 mm 以上にしてください。";
    }
    void options()
    {
        QFETCH(QString, thickness);
        QFETCH(QString, size);
        QFETCH(QString, problems);
        solid::SolidOptions options;
        options.thicknessMm = -1;
        const std::string found = solid::checkSolidOptions(thickness.toStdString(), size.toStdString(),
                                                           geometry::convertParameters(geometry::defaultParameterTexts()), options);
        QCOMPARE(QString::fromStdString(found), problems);
        QCOMPARE(options.thicknessMm > 0, problems.isEmpty());
    }

    void threeMfPackage()
    {
        QCOMPARE(formats::crc32("123456789"), 0xCBF43926u); // the check value of the zip CRC
        solid::SolidOptions options;
        options.sizeMm = 40;
        const auto flower = texts("2", "1", "1", "1", "90", "90");
        const Built b = build(flower, options);
        formats::MemorySink stl, package, again;
        formats::CommentInfo info;
        info.fileName = "a&b <1>.3mf";
        info.dateTime = [] { return std::string("2026/12/07 10:00:00"); };
        info.parameterTexts = flower;
        info.seed = 1;
        const formats::ThreeMfMetadata extra = {{"petalwright:note", "a < b"}};
        QCOMPARE(formats::writeSolidFile(formats::OutputFormat::PrintStl, b.solid, {}, stl), formats::WriteOutcome::Finished);
        QCOMPARE(formats::writeSolidFile(formats::OutputFormat::ThreeMf, b.solid, info, package, extra), formats::WriteOutcome::Finished);
        QCOMPARE(stl.data.size(), formats::printStlBytes(b.solid.triangles.size()));
        QVERIFY(!stl.data.starts_with("solid"));
        // No date: another time gives the same bytes.
        info.dateTime = [] { return std::string("2027/01/01 00:00:00"); };
        QCOMPARE(formats::writeSolidFile(formats::OutputFormat::ThreeMf, b.solid, info, again, extra), formats::WriteOutcome::Finished);
        QVERIFY(again.data == package.data);

        // Walk the central directory as a strict reader does; each entry's local header says the same, its
        // data inflates to the size and CRC recorded, the model deflated.
        const std::string& zip = package.data;
        const auto u16 = [&](std::size_t at) { return std::uint32_t(std::uint8_t(zip[at])) | std::uint32_t(std::uint8_t(zip[at + 1])) << 8; };
        const auto u32 = [&](std::size_t at) { return u16(at) | u16(at + 2) << 16; };
        const std::size_t end = zip.size() - 22;
        QCOMPARE(u32(end), 0x06054b50u);
        QCOMPARE(u16(end + 10), 3u);
        QCOMPARE(std::size_t(u32(end + 16) + u32(end + 12)), end);
        QStringList names;
        std::string model;
        std::size_t local = 0;
        for (std::size_t at = u32(end + 16); at < end; at += 46 + u16(at + 28) + u16(at + 30) + u16(at + 32)) {
            QCOMPARE(u32(at), 0x02014b50u);
            const std::uint32_t offset = u32(at + 42);
            QCOMPARE(std::size_t(offset), local);
            QCOMPARE(u32(offset), 0x04034b50u);
            QCOMPARE(zip.substr(offset + 6, 22), zip.substr(at + 8, 22)); // flags, method, time, date, CRC, sizes, name length
            const std::string name = zip.substr(at + 46, u16(at + 28));
            QCOMPARE(zip.substr(offset + 30, name.size()), name);
            const std::size_t start = offset + 30 + name.size() + u16(offset + 28);
            const std::string stored = zip.substr(start, u32(at + 20));
            const std::string data = u16(at + 10) == 8 ? inflated(stored, u32(at + 24)) : stored;
            QCOMPARE(data.size(), std::size_t(u32(at + 24)));
            QCOMPARE(formats::crc32(data), u32(at + 16));
            names << QString::fromStdString(name);
            if (name == "3D/3dmodel.model") {
                QCOMPARE(u16(at + 10), 8u);
                model = data;
            }
            local = start + stored.size();
        }
        QCOMPARE(local, std::size_t(u32(end + 16)));
        QCOMPARE(names, QStringList({"[Content_Types].xml", "_rels/.rels", "3D/3dmodel.model"}));
        // The estimate from the triangle count is within a quarter of the default flower's file (a small
        // flower's short corner numbers deflate further).
        const Built full = build(geometry::defaultParameterTexts());
        formats::MemorySink fullPackage;
        QCOMPARE(formats::writeSolidFile(formats::OutputFormat::ThreeMf, full.solid, info, fullPackage), formats::WriteOutcome::Finished);
        const double estimate = static_cast<double>(formats::threeMfBytes(full.solid.triangles.size()));
        QVERIFY2(std::abs(estimate / static_cast<double>(fullPackage.data.size()) - 1) < 0.25, qPrintable(QString::number(fullPackage.data.size())));

        // The model: millimetres, its metadata, the same corners as the STL, every triangle.
        QXmlStreamReader xml(QByteArray::fromStdString(model));
        std::size_t vertices = 0, triangles = 0;
        QString unit;
        QStringList metadata;
        while (!xml.atEnd()) {
            if (xml.readNext() != QXmlStreamReader::StartElement)
                continue;
            if (xml.name() == QLatin1String("model"))
                unit = xml.attributes().value(QLatin1String("unit")).toString();
            if (xml.name() == QLatin1String("metadata")) {
                const QString name = xml.attributes().value(QLatin1String("name")).toString();
                metadata << name + QLatin1Char('=') + xml.readElementText();
            }
            if (xml.name() == QLatin1String("vertex")) {
                const auto& p = b.solid.points[vertices++];
                for (int a = 0; a < 3; ++a)
                    QCOMPARE(xml.attributes().value(QString(QChar(u'x' + a))).toFloat(), p[static_cast<std::size_t>(a)]);
            }
            triangles += xml.name() == QLatin1String("triangle");
        }
        QVERIFY2(!xml.hasError(), qPrintable(xml.errorString()));
        QCOMPARE(unit, QStringLiteral("millimeter"));
        QCOMPARE(metadata, QStringList({"Title=a&b <1>.3mf", "Application=Petalwright " + QString::fromLatin1(version::kVersionText),
                                        "petalwright:size=40.00", "petalwright:thickness=1.20", "petalwright:orientation=face-up",
                                        "petalwright:petals=2", "petalwright:overlap=1", "petalwright:width=1", "petalwright:scale=1",
                                        "petalwright:angle-start=90", "petalwright:angle-end=90", "petalwright:seed=1",
                                        "petalwright:note=a < b"}));
        QCOMPARE(vertices, b.solid.points.size());
        QCOMPARE(triangles, b.solid.triangles.size());
    }
};

QTEST_GUILESS_MAIN(TestPrintSolid)
#include "tst_printsolid.moc"
