// The built-in sample flowers: valid as typed, named for the command line and the window, and found by name.

#include <QSet>
#include <QTest>

#include "formats/SizeEstimate.h"
#include "geometry/NumberScan.h"
#include "geometry/SampleFlowers.h"

using namespace petalwright;
using namespace petalwright::geometry;

namespace {

QString qs(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

} // namespace

class TestSampleFlowers : public QObject {
    Q_OBJECT
private slots:
    void eachSample_data()
    {
        QTest::addColumn<int>("index");
        const std::span<const SampleFlower> samples = sampleFlowers();
        for (std::size_t i = 0; i < samples.size(); ++i)
            QTest::addRow("%s", std::string(samples[i].name).c_str()) << static_cast<int>(i);
    }
    void eachSample()
    {
        QFETCH(int, index);
        const SampleFlower& sample = sampleFlowers()[static_cast<std::size_t>(index)];
        const ParameterTexts texts = sample.parameterTexts();

        // All seven checks pass, and a run of it needs no question first.
        const FlowerParameters values = convertParameters(texts);
        QCOMPARE(qs(checkParameters(texts, values)), QString());
        QVERIFY(formats::estimateSize(values.petalCount, values.overlapCount).faceTotal < formats::kConfirmFaceCount);

        // Each text is one plain number, read to its end, as a user would type it.
        for (const std::string& text : texts) {
            QVERIFY2(!text.empty() && text == trimBlanks(text) && isNumericText(text), text.c_str());
            QVERIFY2(scanLeadingNumber(text).used == text.size(), text.c_str());
        }

        // The ASCII name works in a file name and on the command line; the Japanese name is not blank.
        QVERIFY(!sample.name.empty() && sample.name.front() != '-' && sample.name.back() != '-');
        for (const char c : sample.name)
            QVERIFY2((c >= 'a' && c <= 'z') || c == '-', std::string(sample.name).c_str());
        QVERIFY(!qs(sample.japaneseName).trimmed().isEmpty());

        QCOMPARE(findSampleFlower(sample.name), &sample);
        QCOMPARE(sampleWithTexts(texts), &sample);
    }

    void listAsAWhole()
    {
        const std::span<const SampleFlower> samples = sampleFlowers();
        QVERIFY(samples.size() >= 6 && samples.size() <= 10);
        // The window starts on the entry of its default texts.
        QCOMPARE(sampleWithTexts(defaultParameterTexts()), &samples.front());

        QSet<QString> names, japaneseNames, shapes;
        for (const SampleFlower& s : samples) {
            names << qs(s.name);
            japaneseNames << qs(s.japaneseName);
            QStringList texts;
            for (const std::string_view t : s.texts)
                texts << qs(t);
            shapes << texts.join('|');
        }
        const auto count = static_cast<qsizetype>(samples.size());
        QVERIFY(names.size() == count && japaneseNames.size() == count && shapes.size() == count);
    }

    void unknownNames_data()
    {
        QTest::addColumn<QString>("name");
        for (const char* name : {"", "Daisy", "daisy ", "dais", "デイジー"})
            QTest::addRow("%s", name) << QString::fromUtf8(name);
    }
    void unknownNames()
    {
        QFETCH(QString, name);
        QCOMPARE(findSampleFlower(name.toStdString()), nullptr);
    }

    void textsMatchOnlyExactly()
    {
        ParameterTexts texts = defaultParameterTexts();
        texts[3] = "0.50"; // the same value, typed differently
        QCOMPARE(sampleWithTexts(texts), nullptr);
        texts[3] = " 0.5";
        QCOMPARE(sampleWithTexts(texts), nullptr);
    }
};

QTEST_GUILESS_MAIN(TestSampleFlowers)
#include "tst_sampleflowers.moc"
