// The built-in sample flowers: valid as typed, named for the command line and the window, found by
// name, and shown as they are in the README and on the help page.

#include <QFile>
#include <QRegularExpression>
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
    void eachSample()
    {
        for (const SampleFlower& sample : sampleFlowers()) {
            const ParameterTexts texts = sample.parameterTexts();

            // All seven checks pass, and a run of it needs no question first.
            const FlowerParameters values = convertParameters(texts);
            QCOMPARE(qs(checkParameters(texts, values)), QString());
            QVERIFY(formats::estimateSize(values.petalCount, values.overlapCount).faceTotal < formats::kConfirmFaceCount);

            // Each text is one plain number, read to its end, as a user would type it.
            for (const std::string& text : texts) {
                QVERIFY2(!text.empty() && text == trimBlanks(text) && isNumericText(text) && scanLeadingNumber(text).used == text.size(), text.c_str());
            }

            // The ASCII name works in a file name and on the command line; the Japanese name is not blank.
            static const QRegularExpression asciiName(QStringLiteral("^[a-z]+(-[a-z]+)*$"));
            QVERIFY2(asciiName.match(qs(sample.name)).hasMatch() && !qs(sample.japaneseName).trimmed().isEmpty(), std::string(sample.name).c_str());

            // Found by its name and by its texts, so both are its own; its Japanese name is its own too.
            QVERIFY(findSampleFlower(sample.name) == &sample && sampleWithTexts(texts) == &sample);
            for (const SampleFlower& other : sampleFlowers())
                QVERIFY(&other == &sample || other.japaneseName != sample.japaneseName);
        }
    }

    void unknownNamesAndOtherTexts()
    {
        // The window starts on the entry of its default texts.
        QCOMPARE(sampleWithTexts(defaultParameterTexts()), &sampleFlowers().front());
        for (const char* name : {"", "Daisy", "daisy ", "dais", "デイジー"})
            QVERIFY2(!findSampleFlower(name), name);
        ParameterTexts texts = defaultParameterTexts();
        for (const char* scale : {"0.50", " 0.5"}) { // the same value, typed differently
            texts[3] = scale;
            QCOMPARE(sampleWithTexts(texts), nullptr);
        }
    }

    // The README's table and the help page's table show the program's samples, in its order, with
    // its names and its six texts.
    void documentedTables()
    {
        QStringList program;
        for (const SampleFlower& s : sampleFlowers()) {
            QStringList values;
            for (const std::string_view t : s.texts)
                values << qs(t);
            program << QStringLiteral("%1 %2 %3").arg(qs(s.japaneseName), qs(s.name), values.join(' '));
        }
        // The file, the first cell of a sample's row (Japanese and ASCII name), and what parts the cells.
        for (const auto& [file, row, cell] : {std::tuple{"README.md", R"(^\| \*\*(.+?)\*\* `(.+?)` \|)", "|"},
                                              {"docs/help/index.html", R"(^<tr><td><img [^>]*><br>(.+?) \((.+?)\)</td>)", "<td>"}}) {
            QFile source(QStringLiteral(SOURCE_TREE "/") + file);
            QVERIFY(source.open(QIODevice::ReadOnly));
            const QString text = QString::fromUtf8(source.readAll());
            const qsizetype begin = text.indexOf(QStringLiteral("<!-- sample-flowers:begin -->"));
            const qsizetype end = text.indexOf(QStringLiteral("<!-- sample-flowers:end -->"));
            QVERIFY(begin >= 0 && end > begin);
            const QRegularExpression pattern(QString::fromUtf8(row));
            QStringList documented;
            for (const QString& line : text.mid(begin, end - begin).split('\n')) {
                const QRegularExpressionMatch m = pattern.match(line);
                if (!m.hasMatch())
                    continue;
                const QStringList cells = line.split(QString::fromUtf8(cell));
                QStringList values;
                for (qsizetype i = 2; i < 8; ++i)
                    values << QString(cells.value(i)).remove(QStringLiteral("</td>")).remove(QStringLiteral("</tr>")).trimmed();
                documented << QStringLiteral("%1 %2 %3").arg(m.captured(1), m.captured(2), values.join(' '));
            }
            QCOMPARE(documented, program);
        }
    }
};

QTEST_GUILESS_MAIN(TestSampleFlowers)
#include "tst_sampleflowers.moc"
