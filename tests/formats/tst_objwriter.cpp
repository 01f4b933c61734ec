// The OBJ file: the comment block as "#" lines in UTF-8, one group per ring, shared vertices. (What
// assimp makes of it: the output-format test.)

#include <QTest>

#include <set>

#include "FormatReaders.h"
#include "WrittenFlower.h"

using namespace petalwright;
using formats::OutputFormat;

namespace {

// Marks every text it is asked to convert, so a converted comment line shows.
struct MarkingSink final : formats::OutputSink {
    bool write(std::string_view bytes) override { return data.append(bytes), true; }
    std::string encodeText(std::string_view utf8) const override { return "converted:" + std::string(utf8); }
    std::string data;
};

} // namespace

class TestObjWriter : public QObject {
    Q_OBJECT
private slots:
    void commentsGroupsAndSharedVertices()
    {
        const testing::Flower flower = testing::makeFlower(geometry::defaultParameterTexts(), 7, "花.obj");
        MarkingSink sink;
        QCOMPARE(flower.write(OutputFormat::Obj, sink), formats::WriteOutcome::Finished);
        QVERIFY(sink.data.find('\r') == std::string::npos);
        const QByteArrayList lines = testing::textLines(sink.data);
        QCOMPARE(lines.mid(0, 11), (QByteArrayList{"#", "# Petalwright 0.7.1 - 花.obj(2006/01/15 9:05:07)", "# 花びらの枚数 = 6",
                                                   "# 花びらの重なり = 6", "# 花びらの幅 = 5", "# 花びらの拡大縮小 = 0.5",
                                                   "# 花びらを生やす角度（始まり） = 90", "# 花びらを生やす角度（終わり） = 135", "#",
                                                   "# petalwright-flower 1 petals=6&overlap=6&width=5&scale=0.5&angle-start=90&angle-end=135&seed=7",
                                                   "# Units: millimetres. Up: +Y. One group per ring."}));

        std::set<QByteArray> used;
        int vertices = 0;
        for (const QByteArray& line : lines.mid(11)) { // (each face in its ring's group: the output-format test)
            const QByteArrayList parts = line.split(' ');
            if (parts[0] == "v")
                ++vertices;
            else if (parts[0] == "f" && (parts.size() == 4 || parts.size() == 5))
                used.insert(parts.begin() + 1, parts.end());
            else
                QVERIFY2(parts[0] == "g", line.constData());
        }
        // Fifteen grid points a petal, of which the three at the tip are one; the centre is one for the ring.
        QCOMPARE(vertices, 6 * (6 * 10 + 1));
        QCOMPARE(lines.count("v 0.000000000 0.000000000 0.000000000"), 6);
        QCOMPARE(static_cast<int>(used.size()), vertices); // each used, counted from 1
        QVERIFY(used.count("1") && used.count(QByteArray::number(vertices)));
    }
};

QTEST_GUILESS_MAIN(TestObjWriter)
#include "tst_objwriter.moc"
