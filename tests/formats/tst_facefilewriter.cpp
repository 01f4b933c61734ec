// The DXF face file: bytes of head, face blocks, trailer and comment block. (Cancel after face k and a
// refusing sink: the output-format test's, for every writer.)

#include <QTest>

#include "WrittenFlower.h"
#include "formats/NumberPatterns.h"

using namespace petalwright;
using formats::OutputFormat;
using formats::WriteOutcome;

namespace {

const QByteArray kHead = "0\r\nSECTION\r\n2\r\nENTITIES\r\n0\r\n";
constexpr int kBlockLines = 28;
constexpr int kTrailerLines = 13; // ENDSEC, 0, EOF, empty line and the comment block
} // namespace

class TestFaceFileWriter : public QObject {
    Q_OBJECT
private slots:
    void smallestJobWholeFile()
    {
        // Texts as typed: blanks around, a leading zero and line breaks that a command line can hold.
        const testing::Flower job = testing::makeFlower({" 2 ", "01", "5\r\nEOF", "0.50\n", "90", "135"});
        formats::MemorySink sink;
        QList<int> steps;
        QCOMPARE(job.write(OutputFormat::Dxf, sink, [&](int n) { steps << n; return true; }), WriteOutcome::Finished);
        QVERIFY(steps.size() == 16 && steps.last() == 16);

        const QByteArray data = QByteArray::fromStdString(sink.data);
        QVERIFY(data.startsWith(kHead) && data.endsWith("\r\n//\r\n")); // no byte-order mark either
        QVERIFY(data.count('\n') == data.count("\r\n") && data.count('\r') == data.count("\r\n"));
        QByteArrayList lines = data.split('\n');
        lines.removeLast();
        for (QByteArray& line : lines)
            line.chop(1);
        QCOMPARE(lines.size(), 466);

        // Face n of the loop order (q outer, p inner) and its four corners.
        static const char* const kCodes[] = {"10", "20", "30", "11", "21", "31", "12", "22", "32", "13", "23", "33"};
        for (int face = 0; face < 16; ++face) {
            const int petal = face / 8, q = face / 4 % 2, p = face % 4;
            QByteArrayList block = {"3DFACE", "8", "d" + QByteArray::number(face).rightJustified(6, '0')};
            const std::size_t corners[] = {job.mesh.index(0, petal, p, q), job.mesh.index(0, petal, p, q + 1),
                                           job.mesh.index(0, petal, p + 1, q + 1), job.mesh.index(0, petal, p + 1, q)};
            for (int v = 0; v < 12; ++v) {
                const std::size_t e = corners[v / 3];
                block << kCodes[v] << QByteArray::fromStdString(formats::formatCoordinate(v % 3 == 0 ? job.mesh.x(e) : v % 3 == 1 ? job.mesh.y(e) : job.mesh.z(e)));
            }
            QCOMPARE(lines.mid(5 + face * kBlockLines, kBlockLines), block << "0");
        }
        QCOMPARE(lines.mid(lines.size() - kTrailerLines), (QByteArrayList{
            "ENDSEC", "0", "EOF", "", "//", "// Petalwright 0.7.1 - flower.dxf(2006/01/15 9:05:07)",
            "// 花びらの枚数 = 2", "// 花びらの重なり = 01", "// 花びらの幅 = 5  EOF", "// 花びらの拡大縮小 = 0.50",
            "// 花びらを生やす角度（始まり） = 90", "// 花びらを生やす角度（終わり） = 135", "//"}));
    }

    // LF, CR LF, CR at the end: blanks in the version line; blanks of the name kept.
    void fileNameOnOneLine()
    {
        for (const auto& [fileName, shown] : {std::pair{"a\nb.dxf", "a b.dxf"}, {"a\r\nb.dxf", "a  b.dxf"}, {"ab.dxf\r", "ab.dxf "}, {" ab .dxf", " ab .dxf"}}) {
            const QByteArray data = QByteArray::fromStdString(
                testing::makeFlower({"2", "1", "5", "0.5", "90", "135"}, 7, fileName).file(OutputFormat::Dxf));
            const QByteArray tail = data.mid(data.indexOf("ENDSEC\r\n"));
            QVERIFY(tail.count('\n') == kTrailerLines && tail.count('\r') == kTrailerLines);
            QVERIFY(tail.contains("\r\n// Petalwright 0.7.1 - " + QByteArray(shown) + "(2006/01/15 9:05:07)\r\n"));
        }
    }
};

QTEST_GUILESS_MAIN(TestFaceFileWriter)
#include "tst_facefilewriter.moc"
