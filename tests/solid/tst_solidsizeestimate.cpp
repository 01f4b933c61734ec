// The printable types' estimates against the files of the solid the builder makes.

#include <QTest>

#include <cmath>

#include "WrittenFlower.h"
#include "solid/PrintSolid.h"
#include "solid/SolidSizeEstimate.h"

using namespace petalwright;

class TestSolidSizeEstimate : public QObject {
    Q_OBJECT
private slots:
    void withinAQuarter_data()
    {
        QTest::addColumn<geometry::ParameterTexts>("texts");
        QTest::addColumn<double>("thickness");
        QTest::addColumn<double>("size");
        QTest::addColumn<double>("within"); // a quarter; rings stacked flat on each other are a known miss
        QTest::addRow("two petals, one ring") << geometry::ParameterTexts{"2", "1", "1", "0.1", "0", "0"} << 1.2 << 0.0 << 0.25;
        QTest::addRow("lotus") << geometry::ParameterTexts{"8", "3", "9", "0.7", "125", "160"} << 1.2 << 0.0 << 0.25;
        QTest::addRow("flat rings on each other") << geometry::ParameterTexts{"3", "12", "2", "0.3", "90", "90"} << 1.2 << 0.0 << 0.6;
        QTest::addRow("default, thick") << geometry::defaultParameterTexts() << 4.0 << 0.0 << 0.25;
        QTest::addRow("default, 150 mm") << geometry::defaultParameterTexts() << 1.2 << 150.0 << 0.25;
        // Past the line where the merge would need too much memory: the file keeps the mesher's cells.
        QTest::addRow("petals down, kept as cells") << geometry::ParameterTexts{"6", "6", "5", "0.5", "0", "0"} << 1.2 << 55.0 << 0.25;
    }
    void withinAQuarter()
    {
        QFETCH(geometry::ParameterTexts, texts);
        QFETCH(double, thickness);
        QFETCH(double, size);
        QFETCH(double, within);
        const auto flower = testing::makeFlower(texts);
        const solid::SolidOptions options{thickness, size};
        formats::SolidMesh built;
        QCOMPARE(solid::buildPrintSolid(flower.mesh, flower.parameters.overlapCount, flower.parameters.petalCount, options, built, {}),
                 solid::SolidOutcome::Finished);
        for (const formats::OutputFormat format : {formats::OutputFormat::PrintStl, formats::OutputFormat::ThreeMf}) {
            formats::MemorySink file;
            QCOMPARE(formats::writeSolidFile(format, built, flower.info, file), formats::WriteOutcome::Finished);
            const std::string text = solid::estimateSolidFileSize(format, flower.parameters, options).sizeEstimateText;
            const double shown = std::stod(text.substr(text.find(' ') + 1)) * 1024 * (text.ends_with("MB") ? 1024 : 1);
            const double written = static_cast<double>(file.data.size());
            QVERIFY2(std::abs(shown / written - 1) <= within, qPrintable(QStringLiteral("%1 for %2 bytes").arg(text.c_str()).arg(written)));
        }
    }
};

QTEST_GUILESS_MAIN(TestSolidSizeEstimate)
#include "tst_solidsizeestimate.moc"
