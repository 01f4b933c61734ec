// Cancel at every petal boundary (generation) and every face boundary (writing): generation stops
// after exactly that petal and computes nothing more; a file cancelled after face k holds exactly
// the first k face blocks of the complete file, then the whole trailer and comment block.

#include <QTest>

#include <string>
#include <string_view>
#include <vector>

#include "dxf/FaceFileWriter.h"
#include "geometry/DaisyMesh.h"
#include "geometry/FlowerParameters.h"
#include "geometry/MeshStore.h"
#include "geometry/RandomSource.h"

using namespace petalwright;

namespace {

constexpr std::uint64_t kSeed = 20060115;
constexpr int kSampleStep = 97;
constexpr int kTrailerLines = 13; // ENDSEC, 0, EOF, empty line and the comment block

struct Flower {
    geometry::ParameterTexts texts;
    geometry::FlowerParameters parameters;
    int petalsTotal() const { return parameters.petalCount * parameters.overlapCount; }
    int facesTotal() const { return petalsTotal() * geometry::kFacesPerPetal; }
};

Flower flowerOf(const geometry::ParameterTexts& texts)
{
    const geometry::FlowerParameters p = geometry::convertParameters(texts);
    if (!geometry::checkParameters(texts, p).empty())
        qFatal("test flower does not pass the checks");
    return {texts, p};
}

Flower defaultFlower() { return flowerOf(geometry::defaultParameterTexts()); }
Flower largestFlower() { return flowerOf({"50", "50", "10", "50", "0", "180"}); }

// Counts the numbers drawn, so a stopped run can be checked for not drawing ahead.
class CountingRandom final : public geometry::RandomSource {
public:
    double next() override
    {
        ++draws;
        return m_inner.next();
    }
    int draws = 0;

private:
    geometry::SeededRandom m_inner{kSeed};
};

geometry::MeshStore completeMesh(const Flower& f)
{
    geometry::MeshStore store;
    store.allocate(f.parameters.overlapCount, f.parameters.petalCount);
    CountingRandom random;
    if (!geometry::makeDaisyMesh(f.parameters, store, random))
        qFatal("complete run stopped");
    return store;
}

dxf::CommentInfo commentInfo(const Flower& f)
{
    return {"flower.dxf", [] { return std::string("2006/01/15 9:05:07"); }, f.texts};
}

// Where the parts of the complete file begin: the first face block, each block after it, and
// the trailer (ENDSEC, then the comment block).
struct FileLayout {
    std::vector<std::size_t> blockStart; // one per face, then the trailer's start
    std::size_t trailerStart() const { return blockStart.back(); }

    // A file cancelled after face k: the first k blocks of the complete file, then its trailer.
    bool isCancelledAfter(std::string_view cancelled, std::string_view complete, int k) const
    {
        const std::size_t cut = blockStart[static_cast<std::size_t>(k)];
        const std::size_t trailerLength = complete.size() - trailerStart();
        return cancelled.size() == cut + trailerLength && cancelled.substr(0, cut) == complete.substr(0, cut)
            && cancelled.substr(cut) == complete.substr(trailerStart());
    }
};

FileLayout layoutOf(std::string_view file)
{
    FileLayout layout;
    constexpr std::string_view kBlockStart = "3DFACE\r\n";
    const std::size_t trailer = file.find("ENDSEC\r\n");
    for (std::size_t pos = file.find(kBlockStart); pos < trailer; pos = file.find(kBlockStart, pos + 1))
        layout.blockStart.push_back(pos);
    layout.blockStart.push_back(trailer);
    return layout;
}

int lineCount(std::string_view text)
{
    int lines = 0;
    for (std::size_t at = text.find("\r\n"); at != std::string_view::npos; at = text.find("\r\n", at + 2))
        ++lines;
    return lines;
}

// 1, every sampleStep-th point, and the last.
std::vector<int> cancelPoints(int total, int sampleStep)
{
    std::vector<int> points;
    for (int k = 1; k <= total; k += sampleStep)
        points.push_back(k);
    if (points.back() != total)
        points.push_back(total);
    return points;
}

bool sameEntry(const geometry::MeshStore& a, const geometry::MeshStore& b, std::size_t i)
{
    return a.x(i) == b.x(i) && a.y(i) == b.y(i) && a.z(i) == b.z(i);
}

bool zeroEntry(const geometry::MeshStore& a, std::size_t i) { return a.x(i) == 0 && a.y(i) == 0 && a.z(i) == 0; }

} // namespace

class CancelSweepTest : public QObject {
    Q_OBJECT

private slots:
    void cancelDuringGeneration_data();
    void cancelDuringGeneration();
    void cancelDuringWriting_data();
    void cancelDuringWriting();
};

void CancelSweepTest::cancelDuringGeneration_data()
{
    QTest::addColumn<bool>("largest");
    QTest::addColumn<int>("sampleStep");
    QTest::addRow("default flower, every petal") << false << 1;
    QTest::addRow("largest flower, every 97th petal") << true << kSampleStep;
}

void CancelSweepTest::cancelDuringGeneration()
{
    QFETCH(bool, largest);
    QFETCH(int, sampleStep);
    const Flower f = largest ? largestFlower() : defaultFlower();
    const geometry::MeshStore complete = completeMesh(f);
    const int petals = f.parameters.petalCount;

    for (const int k : cancelPoints(f.petalsTotal(), sampleStep)) {
        geometry::MeshStore store;
        store.allocate(f.parameters.overlapCount, petals);
        CountingRandom random;
        std::vector<int> seen;
        const bool completed = geometry::makeDaisyMesh(f.parameters, store, random, [&](int facesBefore) {
            seen.push_back(facesBefore);
            return static_cast<int>(seen.size()) < k;
        });

        QVERIFY2(!completed, qPrintable(QStringLiteral("cancel after petal %1").arg(k)));
        QCOMPARE(static_cast<int>(seen.size()), k);
        QCOMPARE(seen.back(), geometry::kFacesPerPetal * (k - 1));
        // Ring r > 0 draws one number when it starts; no ring past the cancelled petal starts.
        QCOMPARE(random.draws, (k - 1) / petals);

        // Petals up to k match a complete run; nothing after them was computed.
        for (int ring = 0; ring < f.parameters.overlapCount; ++ring) {
            for (int petal = 0; petal < petals; ++petal) {
                const bool computed = ring * petals + petal < k;
                for (int point = 0; point < geometry::kPointsPerStrip; ++point) {
                    for (int strip = 0; strip < geometry::kStripsPerPetal; ++strip) {
                        const std::size_t i = store.index(ring, petal, point, strip);
                        if (computed ? !sameEntry(store, complete, i) : !zeroEntry(store, i))
                            QFAIL(qPrintable(QStringLiteral("cancel after petal %1: ring %2 petal %3 point %4 strip %5")
                                                 .arg(k).arg(ring).arg(petal).arg(point).arg(strip)));
                    }
                }
            }
        }
    }
}

void CancelSweepTest::cancelDuringWriting_data()
{
    QTest::addColumn<bool>("largest");
    QTest::addColumn<int>("sampleStep");
    QTest::addRow("default flower, every face") << false << 1;
    QTest::addRow("largest flower, every 97th face") << true << kSampleStep;
}

void CancelSweepTest::cancelDuringWriting()
{
    QFETCH(bool, largest);
    QFETCH(int, sampleStep);
    const Flower f = largest ? largestFlower() : defaultFlower();
    const geometry::MeshStore mesh = completeMesh(f);
    const dxf::CommentInfo info = commentInfo(f);

    dxf::MemorySink completeSink;
    QCOMPARE(dxf::writeFaceFile(mesh, f.parameters.overlapCount, f.parameters.petalCount, info, completeSink),
             dxf::WriteOutcome::Finished);
    const std::string_view complete = completeSink.data;
    const FileLayout layout = layoutOf(complete);
    QCOMPARE(static_cast<int>(layout.blockStart.size()), f.facesTotal() + 1);
    QCOMPARE(lineCount(complete.substr(0, layout.blockStart.front())), 5);
    QCOMPARE(lineCount(complete.substr(layout.trailerStart())), kTrailerLines);
    QVERIFY(complete.ends_with("\r\n//\r\n"));
    for (std::size_t i = 0; i + 1 < layout.blockStart.size(); ++i)
        QCOMPARE(lineCount(complete.substr(layout.blockStart[i], layout.blockStart[i + 1] - layout.blockStart[i])), 28);

    for (const int k : cancelPoints(f.facesTotal(), sampleStep)) {
        dxf::MemorySink sink;
        sink.data.reserve(complete.size());
        int steps = 0;
        const dxf::WriteOutcome outcome = dxf::writeFaceFile(
            mesh, f.parameters.overlapCount, f.parameters.petalCount, info, sink, [&](int written) {
                ++steps;
                if (written != steps)
                    qFatal("face step out of order");
                return written < k;
            });
        QCOMPARE(outcome, dxf::WriteOutcome::Cancelled);
        QCOMPARE(steps, k);
        if (!layout.isCancelledAfter(sink.data, complete, k))
            QFAIL(qPrintable(QStringLiteral("cancel after face %1: not the first %1 blocks plus the trailer").arg(k)));
    }
}

QTEST_GUILESS_MAIN(CancelSweepTest)
#include "tst_cancelsweep.moc"
