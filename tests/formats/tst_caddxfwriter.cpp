// The DXF file for CAD programs: its R12 head and layer table, faces a CAD reader takes as they are,
// the comment block of the default DXF file, and what the ezdxf reader finds in it.

#include <QMap>
#include <QTest>

#include "FormatReaders.h"
#include "WrittenFlower.h"
#include "formats/CadDxfWriter.h"
#include "formats/RingColours.h"

using namespace petalwright;
using formats::OutputFormat;

namespace {

// What ezdxf reads in the file (tests/support/ezdxf-report.py), by the first word of each line.
QMap<QString, QString> ezdxfReport(const QString& path)
{
    const testing::ToolRun run = testing::runTool(testing::ezdxfPython(), {QStringLiteral(PETALWRIGHT_EZDXF_REPORT), path});
    QMap<QString, QString> report;
    if (run.exitCode != 0) {
        report["failure"] = run.out;
        return report;
    }
    for (const QString& line : run.out.split('\n', Qt::SkipEmptyParts)) {
        const bool twoWords = line.startsWith("layers used");
        const QString key = line.section(' ', 0, twoWords ? 1 : 0);
        report[key] = line.section(' ', twoWords ? 2 : 1);
    }
    return report;
}

} // namespace

class TestCadDxfWriter : public QObject {
    Q_OBJECT
private slots:
    void headTablesAndFaces()
    {
        const testing::Flower flower = testing::makeFlower(geometry::defaultParameterTexts());
        const std::string file = flower.file(OutputFormat::CadDxf);
        const QByteArrayList lines = testing::textLines(file);
        QVERIFY(QByteArray::fromStdString(file).count("\r\n") == QByteArray::fromStdString(file).count('\n'));

        const QByteArrayList head = lines.mid(0, 18);
        QCOMPARE(head, (QByteArrayList{"999", "petalwright-flower 1 petals=6&overlap=6&width=5&scale=0.5&angle-start=90&angle-end=135&seed=7", "0", "SECTION", "2", "HEADER", "9", "$ACADVER", "1", "AC1009", "9", "$DWGCODEPAGE",
                                       "3", "ANSI_932", "9", "$INSUNITS", "70", "4"}));
        const qsizetype layerTable = lines.indexOf("LAYER", lines.indexOf("TABLES"));
        // Layer 0 and one per ring (their names and colours: ezdxfReadsIt); entities take their layer's colour.
        QCOMPARE(lines.mid(layerTable + 1, 2), (QByteArrayList{"70", "7"}));
        QVERIFY(!lines.contains("62") || lines.lastIndexOf("62") < lines.indexOf("ENTITIES"));

        // First faces: the base's triangle repeats its third corner; the corner order of the default file is kept.
        const qsizetype entities = lines.indexOf("ENTITIES");
        QCOMPARE(lines.mid(entities + 1, 4), (QByteArrayList{"0", "3DFACE", "8", "RING01"}));
        const QByteArrayList third = lines.mid(entities + 5 + 12, 6), fourth = lines.mid(entities + 5 + 18, 6);
        QCOMPARE(QByteArrayList({third[0], third[2], third[4], fourth[0], fourth[2], fourth[4]}),
                 QByteArrayList({"12", "22", "32", "13", "23", "33"}));
        QCOMPARE(QByteArrayList({fourth[1], fourth[3], fourth[5]}), QByteArrayList({third[1], third[3], third[5]}));
        QCOMPARE(lines.mid(entities + 5, 6), (QByteArrayList{"10", "0.000000000", "20", "0.000000000", "30", "0.000000000"}));

        // After EOF the default DXF file's comment block, byte for byte.
        const std::string plain = flower.file(OutputFormat::Dxf);
        QVERIFY(file.ends_with("\r\n0\r\nENDSEC\r\n0\r\n" + plain.substr(plain.find("EOF\r\n"))));
    }

    // The default flower, one ring of 12 wide petals, the largest: its last ring grows straight up, its
    // tips meet 40 x 50 mm above the centre (the height of the highest point, on the axis; -1: not checked).
    void ezdxfReadsIt()
    {
        if (testing::ezdxfPython().isEmpty())
            QSKIP("/usr/bin/python3 cannot import ezdxf (tools/build.sh installs python3-ezdxf)");
        const std::tuple<geometry::ParameterTexts, int, double> rows[] = {
            {geometry::defaultParameterTexts(), 6, -1.0}, {{"12", "1", "10", "1", "90", "90"}, 1, -1.0}, {testing::kLargestTexts, 50, 2000.0}};
        for (const auto& [texts, rings, topZ] : rows) {
            const testing::Flower flower = testing::makeFlower(texts);
            QTemporaryDir dir;
            const std::string file = flower.file(OutputFormat::CadDxf);
            const QMap<QString, QString> r = ezdxfReport(testing::saveFile(dir, "flower.dxf", file));
            QVERIFY2(!r.contains("failure"), qPrintable(r.value("failure")));

            QCOMPARE(r["audit"] + '|' + r["header"], QStringLiteral("0 0|AC1009 ANSI_932 4"));
            QStringList layers = {"0:7"}, used;
            for (const formats::RingColour& c : formats::ringColours(flower.mesh, rings)) {
                used << QStringLiteral("RING%1").arg(used.size() + 1, 2, 10, QLatin1Char('0'));
                layers << used.last() + ':' + QString::number(c.colourNumber);
            }
            QCOMPARE(r["layers"] + '|' + r["layers used"], layers.join(' ') + '|' + used.join(' '));
            // Every face planar, none of zero area, as many as the file holds.
            const QStringList faces = r["faces"].split(' ');
            QVERIFY2(faces.size() == 5 && faces[0].toLongLong() == QByteArray::fromStdString(file).count("3DFACE") && faces[0].toInt() >= flower.faceTotal()
                         && faces[0].toInt() == faces[1].toInt() + faces[2].toInt() && faces[3] + ' ' + faces[4] == "0 0" && r["extents"] == "True",
                     qPrintable(r["faces"] + ' ' + r["extents"]));
            if (topZ >= 0)
                QCOMPARE(r["top"], QStringLiteral("0.000000 0.000000 %1").arg(topZ, 0, 'f', 6));
        }
    }
};

QTEST_GUILESS_MAIN(TestCadDxfWriter)
#include "tst_caddxfwriter.moc"
