// Keeping a flower: every format that records it gives the same flower back, and each kind of bad
// or foreign file gets its own message.

#include <QTest>

#include "WrittenFlower.h"
#include "formats/FlowerReader.h"
#include "formats/Inflate.h"
#include "formats/PetalFile.h"

using namespace petalwright;
using formats::OutputFormat;

Q_DECLARE_METATYPE(formats::OutputFormat)

namespace {

const geometry::ParameterTexts kFlowers[] = {
    geometry::defaultParameterTexts(),
    {"12", "4", "3", "1.25", "45.5", "172.5"},
    {" 2 ", "1", "10", "50", "0", "180"},          // blanks the files trim, the ends of the ranges
    {"6花", "6", "5", "0.5e0", "90", "135"},        // a text the check passes with non-ASCII behind its number
};
constexpr std::uint64_t kLargestSeed = 18446744073709551615u;

std::string threeMf(const testing::Flower& flower)
{
    formats::SolidMesh solid{{{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}}, {{0, 2, 1}, {0, 1, 3}, {0, 3, 2}, {1, 2, 3}}};
    formats::MemorySink sink;
    formats::writeSolidFile(OutputFormat::ThreeMf, solid, flower.info, sink);
    return sink.data;
}

} // namespace

class TestFlowerReader : public QObject {
    Q_OBJECT
private slots:
    void everyFormatGivesTheFlowerBack_data()
    {
        QTest::addColumn<int>("flower");
        QTest::addColumn<OutputFormat>("format");
        for (int f = 0; f < int(std::size(kFlowers)); ++f)
            for (const OutputFormat format : {OutputFormat::CadDxf, OutputFormat::Obj, OutputFormat::Stl, OutputFormat::Glb,
                                              OutputFormat::ThreeMf, OutputFormat::Petal, OutputFormat::Dxf})
                QTest::addRow("flower %d %s", f, formats::formatName(format).data()) << f << format;
    }
    void everyFormatGivesTheFlowerBack()
    {
        QFETCH(int, flower);
        QFETCH(OutputFormat, format);
        const std::uint64_t seed = flower == 2 ? kLargestSeed : 1765000000123456789u + static_cast<std::uint64_t>(flower);
        const testing::Flower written = testing::makeFlower(kFlowers[flower], seed);
        const std::string file = format == OutputFormat::ThreeMf ? threeMf(written) : written.file(format);
        QVERIFY(formats::mayNameFlower(std::string_view(file).substr(0, formats::kFlowerSignatureBytes)));
        const formats::FlowerRead read = formats::readFlowerFile(file);
        QVERIFY2(read.flower, read.problem.c_str());
        QCOMPARE(read.flower->texts, formats::flowerRecord(kFlowers[flower], seed).texts);
        // The designed DXF keeps its bytes and so records no shape number.
        QCOMPARE(read.flower->seed, format == OutputFormat::Dxf ? std::nullopt : std::optional(seed));
    }

    void stlHeadWithoutRoomKeepsItsOldText()
    {
        const testing::Flower flower = testing::makeFlower({"6.000000000000", "6.000000000000", "5", "0.5", "90", "135"}, kLargestSeed);
        const std::string file = flower.file(OutputFormat::Stl);
        QCOMPARE(QByteArray::fromStdString(file.substr(0, 80)).trimmed(), QByteArray("Petalwright 0.7.1 flower, binary STL, millimetres, Z up"));
        QCOMPARE(formats::readFlowerFile(file).problem, std::string(formats::messages::kNoFlower));
    }

    void badFiles()
    {
        const QByteArray head = "petalwright-flower 1\npetals=6\noverlap=6\nwidth=5\nscale=0.5\nangle-start=90\n";
        const struct { QByteArray bytes; QString problem; } rows[] = {
            {QByteArray(), "ファイルが空です。"}, // empty
            {QByteArray("hello\n"), "Petalwright が書いたファイルではありません。"}, // foreign text
            {QByteArray("petalwright-flower 2\npetals=6\n"), "この花の設定ファイルの版（2）には対応していません。"}, // newer version
            {head + "angle-end=135\xff\n", "UTF-8 の文字として読めないバイトがあります。"}, // not UTF-8
            {head + "angle-end\n", "7 行目に「キー=値」の形がありません。"}, // no pair
            {head + "colour=red\n", "7 行目のキー「colour」は使えません。"}, // unknown key
            {head + "petals=7\n", "「petals」が二度あります。"}, // key twice
            {head, "「angle-end」がありません。"}, // key missing
            {head + "angle-end=135\nseed=-1\n", "形番号は 0 ～ 18446744073709551615 の整数です。"}, // bad seed
            {head + "angle-end=135\nseed=18446744073709551616\n", "形番号は 0 ～ 18446744073709551615 の整数です。"}, // seed too large
            {head + "angle-end=60\n", "花びらを生やす角度は 始まり <= 終わり にしてください。"}, // values fail the checks
            {QByteArray("PK\x03\x04 not a package"), "3MF の中身（zip）が壊れていて読めません。"}, // broken zip
            {QByteArray("glTF\x02\0\0\0\xff\0\0\0\xff\0\0\0JSON{}", 24), "glTF の中身が壊れていて読めません。"}, // glTF cut short
            {QByteArray("Petalwright 0.7.1 flower=6,6,5,0.5,90,135,7").leftJustified(80, ' ') + QByteArray("\x02\0\0\0", 4), "STL の三角形の数とファイルの大きさが合いません。"}, // STL cut short
            {QByteArray("0\r\nSECTION\r\n2\r\nENTITIES\r\n0\r\n"), "DXF の終わり（EOF）がありません。"}, // DXF without EOF
            {QByteArray("999\r\npetalwright-flower 9 petals=6\r\n"), "このファイルの花の設定の版（9）には対応していません。"}, // link record of another version
            {QByteArray("# made elsewhere\nv 0 0 0\n"), "このファイルには花の設定が記録されていません。"}, // OBJ of another program
        };
        for (const auto& [bytes, problem] : rows) {
            const formats::FlowerRead read = formats::readFlowerFile(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
            QVERIFY(!read.flower);
            QCOMPARE(QString::fromStdString(read.problem), problem);
        }
    }

    void linkQuery()
    {
        formats::FlowerRecord flower = formats::flowerRecord({"6 &=花", "6", "5", "0.5", "90", "135"}, 42);
        flower.thickness = "1.5";
        const formats::FlowerRead back = formats::parseFlowerQuery(std::string("?").append(formats::flowerQuery(flower)).append("&utm=x"), true);
        QVERIFY(back.flower && back.flower->texts == flower.texts && back.flower->thickness == "1.5");
        // A link may leave values out: they keep their defaults; '+' is a blank, as forms send it.
        const formats::FlowerRead partial = formats::parseFlowerQuery("petals=1+2&seed=7", false);
        QVERIFY(partial.flower && partial.flower->texts[0] == "1 2" && partial.flower->texts[1] == "6");
        QCOMPARE(formats::parseFlowerQuery("petals=%G1", false).problem, std::string("「petals」の値の % の書き方が正しくありません。"));
    }

    // Repeats (fixed codes, far copies), noise (stored blocks), a package (dynamic codes).
    void inflateReadsWhatZlibWrites()
    {
        QByteArray noise;
        quint32 x = 1;
        for (int i = 0; i < 70000; ++i)
            noise += static_cast<char>((x = x * 1103515245u + 12345u) >> 24);
        for (const QByteArray& plain : {QByteArray("abcabcabcabc").repeated(5000), noise, QByteArray::fromStdString(threeMf(testing::makeFlower(kFlowers[1])))}) {
            // qCompress: a 4-byte size, the 2-byte zlib head, the raw stream, a 4-byte check.
            const QByteArray packed = qCompress(plain, 9);
            const std::string_view raw(packed.constData() + 6, static_cast<std::size_t>(packed.size() - 10));
            QCOMPARE(formats::inflateRaw(raw, std::size_t(-1)), std::optional(plain.toStdString()));
            QCOMPARE(formats::inflateRaw(raw, 100), std::optional(plain.left(100).toStdString()));
            QCOMPARE(formats::inflateRaw(raw.substr(0, raw.size() / 2), std::size_t(-1)), std::nullopt);
        }
    }
};

QTEST_GUILESS_MAIN(TestFlowerReader)
#include "tst_flowerreader.moc"
