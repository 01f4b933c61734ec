// Conversion of the six box texts and the seven checks with their messages.

#include <QTest>

#include <cmath>

#include "geometry/FlowerParameters.h"

using namespace petalwright::geometry;

namespace {

const std::string_view kMessages[] = {
    messages::kPetalCount, messages::kOverlapCount, messages::kPetalWidth, messages::kPetalScale,
    messages::kAngleStart, messages::kAngleEnd, messages::kAngleOrder,
};

// The default texts with some boxes replaced: "2=0.5" sets box 2.
ParameterTexts textsWith(const QStringList& replacements)
{
    ParameterTexts texts = defaultParameterTexts();
    for (const QString& r : replacements) {
        const qsizetype eq = r.indexOf(QLatin1Char('='));
        texts[static_cast<std::size_t>(r.left(eq).toInt())] = r.mid(eq + 1).toStdString();
    }
    return texts;
}

QByteArray bytes(const std::string& s) { return QByteArray::fromStdString(s); }

} // namespace

class TestFlowerParameters : public QObject {
    Q_OBJECT
private slots:
    void messageTexts()
    {
        // The exact wording, with full-width tilde and parentheses, as the user reads it.
        QCOMPARE(QByteArray(kMessages[0].data()), QByteArray("花びらの枚数は 2 \xEF\xBD\x9E 50 です。"));
        QCOMPARE(QByteArray(kMessages[4].data()),
                 QByteArray("花びらを生やす角度\xEF\xBC\x88始まり\xEF\xBC\x89は 0.0 \xEF\xBD\x9E 180.0 です。"));
        QCOMPARE(QByteArray(kMessages[6].data()), QByteArray("花びらを生やす角度は 始まり <= 終わり にしてください。"));
    }

    void convertsEverySixBeforeChecking()
    {
        const FlowerParameters p = convertParameters({"abc", " 0.5 ", "10.5", "50.01", "200", "-5"});
        QCOMPARE(p.petalCount, 0);
        QCOMPARE(p.overlapCount, 0);
        QCOMPARE(p.petalWidth, 10);
        QCOMPARE(p.petalScale, 50.01);
        QCOMPARE(p.angleStart, 200.0);
        QCOMPARE(p.angleEnd, -5.0);
        const FlowerParameters d = convertParameters(defaultParameterTexts());
        QCOMPARE(d.petalCount, 6);
        QCOMPARE(d.petalScale, 0.5);
        QCOMPARE(d.angleEnd, 135.0);
    }

    void checks_data()
    {
        QTest::addColumn<QStringList>("replaced");
        QTest::addColumn<QList<int>>("failed"); // check numbers 1..7, in order
        const QString manyDigits = QStringLiteral("1") + QString(400, QLatin1Char('0'));
        QTest::addRow("defaults") << QStringList{} << QList<int>{};
        QTest::addRow("empty petals") << QStringList{"0="} << QList<int>{1};
        QTest::addRow("petals 2.5 -> 2") << QStringList{"0=2.5"} << QList<int>{};
        QTest::addRow("petals 50.5 -> 50") << QStringList{"0=50.5"} << QList<int>{};
        QTest::addRow("petals 50.6 -> 51") << QStringList{"0=50.6"} << QList<int>{1};
        QTest::addRow("petals 12abc") << QStringList{"0=12abc"} << QList<int>{};
        QTest::addRow("petals abc") << QStringList{"0=abc"} << QList<int>{1};
        QTest::addRow("petals 1e20") << QStringList{"0=1e20"} << QList<int>{1};
        QTest::addRow("petals 400 digits") << QStringList{"0=" + manyDigits} << QList<int>{1};
        QTest::addRow("overlap 0.5 -> 0") << QStringList{"1=0.5"} << QList<int>{2};
        QTest::addRow("overlap 1.5 -> 2") << QStringList{"1=1.5"} << QList<int>{};
        QTest::addRow("overlap 1e400") << QStringList{"1=1e400"} << QList<int>{2};
        QTest::addRow("width 0") << QStringList{"2=0"} << QList<int>{3};
        QTest::addRow("width 10.5 -> 10") << QStringList{"2=10.5"} << QList<int>{};
        QTest::addRow("width -1e999") << QStringList{"2=-1e999"} << QList<int>{3};
        QTest::addRow("scale 0.1") << QStringList{"3=0.1"} << QList<int>{};
        QTest::addRow("scale 50") << QStringList{"3=50"} << QList<int>{};
        QTest::addRow("scale 0.09") << QStringList{"3=0.09"} << QList<int>{4};
        QTest::addRow("scale 50.01") << QStringList{"3=50.01"} << QList<int>{4};
        QTest::addRow("scale empty") << QStringList{"3="} << QList<int>{4};
        QTest::addRow("scale inf") << QStringList{"3=inf"} << QList<int>{4};
        QTest::addRow("scale nan") << QStringList{"3=nan"} << QList<int>{4};
        QTest::addRow("scale 1e400") << QStringList{"3=1e400"} << QList<int>{4};
        QTest::addRow("start empty, end 135") << QStringList{"4="} << QList<int>{5};
        QTest::addRow("start blanks around") << QStringList{"4=  90  "} << QList<int>{};
        QTest::addRow("start 12abc") << QStringList{"4=12abc"} << QList<int>{5};
        QTest::addRow("start inf") << QStringList{"4=inf"} << QList<int>{5};
        QTest::addRow("start 1e400") << QStringList{"4=1e400"} << QList<int>{5, 7};
        QTest::addRow("start 400 digits") << QStringList{"4=" + manyDigits} << QList<int>{5, 7};
        QTest::addRow("end -1e999") << QStringList{"5=-1e999"} << QList<int>{6, 7};
        QTest::addRow("end nan") << QStringList{"5=nan"} << QList<int>{6, 7};
        QTest::addRow("end 180.0001") << QStringList{"5=180.0001"} << QList<int>{6};
        QTest::addRow("start 120, end 100") << QStringList{"4=120", "5=100"} << QList<int>{7};
        QTest::addRow("start 200, end 100") << QStringList{"4=200", "5=100"} << QList<int>{5, 7};
        QTest::addRow("equal angles") << QStringList{"4=90", "5=90"} << QList<int>{};
        QTest::addRow("bounds 0 and 180") << QStringList{"4=0", "5=180"} << QList<int>{};
        QTest::addRow("all seven") << QStringList{"0=1", "1=0", "2=11", "3=0", "4=200", "5=190"}
                                   << QList<int>{1, 2, 3, 4, 5, 6, 7};
    }
    void checks()
    {
        QFETCH(QStringList, replaced);
        QFETCH(QList<int>, failed);
        const ParameterTexts texts = textsWith(replaced);
        std::string expected;
        for (int check : failed) {
            if (!expected.empty())
                expected += "\r\n";
            expected += kMessages[check - 1];
        }
        QCOMPARE(bytes(checkParameters(texts, convertParameters(texts))), bytes(expected));
    }

    void allSevenJoinedWithoutOuterBreaks()
    {
        const ParameterTexts texts = {"1", "0", "11", "0", "200", "190"};
        const QByteArray message = bytes(checkParameters(texts, convertParameters(texts)));
        QCOMPARE(message.split('\n').size(), 7);
        QCOMPARE(message.count("\r\n"), 6);
        QVERIFY(message.startsWith(QByteArray(kMessages[0].data())));
        QVERIFY(message.endsWith("にしてください。"));
    }
};

QTEST_GUILESS_MAIN(TestFlowerParameters)
#include "tst_flowerparameters.moc"
