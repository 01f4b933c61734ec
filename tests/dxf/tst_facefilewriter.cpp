// The DXF face file: bytes of head, face blocks, trailer and comment block; cancel and failure.

#include <QTest>

#include "dxf/FaceFileWriter.h"
#include "dxf/NumberPatterns.h"
#include "geometry/DaisyMesh.h"

using namespace petalwright;
using dxf::WriteOutcome;

namespace {

const QByteArray kHead = "0\r\nSECTION\r\n2\r\nENTITIES\r\n0\r\n";
constexpr int kHeadLines = 5;
constexpr int kBlockLines = 28;
constexpr int kTrailerLines = 13;

struct Job {
    geometry::FlowerParameters parameters;
    geometry::MeshStore mesh;
    dxf::CommentInfo info;
};

Job makeJob(const geometry::FlowerParameters& p, const geometry::ParameterTexts& texts = geometry::defaultParameterTexts())
{
    Job job{p, {}, {"flower.dxf", [] { return std::string("2006/01/15 9:05:07"); }, texts}};
    job.mesh.allocate(p.overlapCount, p.petalCount);
    geometry::SeededRandom random(7);
    geometry::makeDaisyMesh(p, job.mesh, random);
    return job;
}

WriteOutcome write(const Job& job, dxf::OutputSink& sink, const dxf::FaceStep& step = {})
{
    return dxf::writeFaceFile(job.mesh, job.parameters.overlapCount, job.parameters.petalCount, job.info, sink, step);
}

QByteArrayList linesOf(const std::string& data)
{
    QByteArrayList lines = QByteArray::fromStdString(data).split('\n');
    lines.removeLast(); // after the final line break
    for (QByteArray& line : lines)
        line.chop(1); // the CR checked by the caller
    return lines;
}

// Accepts the first `limit` bytes, refuses everything after and counts calls made after a refusal.
class FailingSink final : public dxf::OutputSink {
public:
    explicit FailingSink(std::size_t limit) : m_limit(limit) {}
    bool write(std::string_view bytes) override
    {
        if (refused || data.size() + bytes.size() > m_limit) {
            callsAfterRefusal += refused ? 1 : 0;
            refused = true;
            return false;
        }
        data.append(bytes);
        return true;
    }
    std::string data;
    bool refused = false;
    int callsAfterRefusal = 0;

private:
    std::size_t m_limit;
};

const geometry::FlowerParameters kSmallest = {2, 1, 5, 0.5, 90.0, 135.0};

} // namespace

class TestFaceFileWriter : public QObject {
    Q_OBJECT
private slots:
    void firstFaceBlockOfExampleFlower()
    {
        const Job job = makeJob({4, 1, 10, 1.0, 90.0, 90.0});
        dxf::MemorySink sink;
        QCOMPARE(write(job, sink), WriteOutcome::Finished);
        const QByteArray expected = "3DFACE\r\n8\r\nd000000\r\n"
                                    "10\r\n0.000000000\r\n20\r\n50.000000000\r\n30\r\n0.000000000\r\n"
                                    "11\r\n0.000000000\r\n21\r\n50.000000000\r\n31\r\n0.000000000\r\n"
                                    "12\r\n11.141827845\r\n22\r\n47.221629157\r\n32\r\n11.141827845\r\n"
                                    "13\r\n15.970992272\r\n23\r\n49.441608053\r\n33\r\n0.784604538\r\n"
                                    "0\r\n3DFACE\r\n";
        const QByteArray data = QByteArray::fromStdString(sink.data);
        QVERIFY(data.startsWith(kHead));
        QCOMPARE(data.mid(kHead.size(), expected.size()), expected);
    }

    void smallestJobWholeFile()
    {
        const Job job = makeJob(kSmallest, {" 2 ", "01", "5", "0.50", "90", "135"});
        dxf::MemorySink sink;
        QList<int> steps;
        QCOMPARE(write(job, sink, [&](int n) { steps << n; return true; }), WriteOutcome::Finished);
        QCOMPARE(steps.size(), 16);
        QCOMPARE(steps.last(), 16);

        const QByteArray data = QByteArray::fromStdString(sink.data);
        QVERIFY(data.startsWith(kHead)); // no byte-order mark either
        QVERIFY(data.endsWith("\r\n//\r\n"));
        QCOMPARE(data.count('\n'), data.count("\r\n"));
        QCOMPARE(data.count('\r'), data.count("\r\n"));
        const QByteArrayList lines = linesOf(sink.data);
        QCOMPARE(lines.size(), 466);

        // Face n of the loop order (q outer, p inner) and its four corners.
        static const char* const kCodes[] = {"10", "20", "30", "11", "21", "31", "12", "22", "32", "13", "23", "33"};
        for (int face = 0; face < 16; ++face) {
            const int first = kHeadLines + face * kBlockLines;
            const int petal = face / 8, q = face / 4 % 2, p = face % 4;
            QCOMPARE(lines[first], QByteArray("3DFACE"));
            QCOMPARE(lines[first + 1], QByteArray("8"));
            QCOMPARE(lines[first + 2], "d" + QByteArray::number(face).rightJustified(6, '0'));
            const std::size_t corners[] = {job.mesh.index(0, petal, p, q), job.mesh.index(0, petal, p, q + 1),
                                           job.mesh.index(0, petal, p + 1, q + 1), job.mesh.index(0, petal, p + 1, q)};
            for (int v = 0; v < 12; ++v) {
                const std::size_t e = corners[v / 3];
                const double value = v % 3 == 0 ? job.mesh.x(e) : v % 3 == 1 ? job.mesh.y(e) : job.mesh.z(e);
                QCOMPARE(lines[first + 3 + 2 * v], QByteArray(kCodes[v]));
                QCOMPARE(lines[first + 4 + 2 * v], QByteArray::fromStdString(dxf::formatCoordinate(value)));
            }
            QCOMPARE(lines[first + 27], QByteArray("0"));
        }

        const QByteArrayList trailer = lines.mid(lines.size() - kTrailerLines);
        const QByteArrayList expected = {
            "ENDSEC", "0", "EOF", "", "//",
            "// Petalwright 0.7.1 - flower.dxf(2006/01/15 9:05:07)",
            "// 花びらの枚数 = 2", "// 花びらの重なり = 01", "// 花びらの幅 = 5", "// 花びらの拡大縮小 = 0.50",
            "// 花びらを生やす角度（始まり） = 90", "// 花びらを生やす角度（終わり） = 135", "//",
        };
        QCOMPARE(trailer, expected);
    }

    void cancelAfterFaceKeepsTrailer_data()
    {
        QTest::addColumn<int>("k");
        QTest::addRow("after first") << 1;
        QTest::addRow("after fifth") << 5;
        QTest::addRow("before last") << 15;
    }
    void cancelAfterFaceKeepsTrailer()
    {
        QFETCH(int, k);
        const Job job = makeJob(kSmallest);
        dxf::MemorySink full, cancelled;
        write(job, full);
        QCOMPARE(write(job, cancelled, [k](int n) { return n < k; }), WriteOutcome::Cancelled);
        const QByteArrayList all = linesOf(full.data);
        const QByteArrayList lines = linesOf(cancelled.data);
        QCOMPARE(lines.size(), kHeadLines + k * kBlockLines + kTrailerLines);
        QCOMPARE(lines.mid(0, kHeadLines + k * kBlockLines), all.mid(0, kHeadLines + k * kBlockLines));
        QCOMPARE(lines.mid(kHeadLines + k * kBlockLines), all.mid(all.size() - kTrailerLines));
    }

    void sinkFailureStopsWriting_data()
    {
        QTest::addColumn<bool>("largest");
        QTest::addColumn<int>("limit");
        QTest::addRow("nothing accepted") << false << 0;
        QTest::addRow("final piece refused") << false << 1000;
        QTest::addRow("mid-way through a large job") << true << 200000;
        QTest::addRow("one byte short") << true << -1;
    }
    void sinkFailureStopsWriting()
    {
        QFETCH(bool, largest);
        QFETCH(int, limit);
        const Job job = makeJob(largest ? geometry::FlowerParameters{50, 50, 10, 50.0, 0.0, 180.0} : kSmallest);
        dxf::MemorySink full;
        write(job, full);
        FailingSink sink(limit >= 0 ? static_cast<std::size_t>(limit) : full.data.size() - 1);
        int stepsAfterRefusal = 0;
        QCOMPARE(write(job, sink, [&](int) { stepsAfterRefusal += sink.refused ? 1 : 0; return true; }),
                 WriteOutcome::Failed);
        QVERIFY(sink.refused);
        QCOMPARE(sink.callsAfterRefusal, 0);
        QCOMPARE(stepsAfterRefusal, 0);
        QVERIFY(full.data.starts_with(sink.data));
    }
};

QTEST_GUILESS_MAIN(TestFaceFileWriter)
#include "tst_facefilewriter.moc"
