// Conversion of the six box texts and the seven checks with their messages. (All seven texts in order,
// as the user reads them: the window's and the command line's tests.)

#include <QTest>

#include "geometry/FlowerParameters.h"

using namespace petalwright::geometry;

namespace {

const std::string_view kMessages[] = {
    messages::kPetalCount, messages::kOverlapCount, messages::kPetalWidth, messages::kPetalScale,
    messages::kAngleStart, messages::kAngleEnd, messages::kAngleOrder,
};

} // namespace

class TestFlowerParameters : public QObject {
    Q_OBJECT
private slots:
    // "2=0.5" puts 0.5 into box 2 of the defaults; the checks that fail, numbered 1..7, in order.
    void checks()
    {
        const QString digits400 = "1" + QString(399, QLatin1Char('0'));
        const struct { QStringList replaced; QList<int> failed; } rows[] = {
            {{}, {}}, {{"0="}, {1}}, {{"0=2.5"}, {}}, {{"0=50.5"}, {}}, {{"0=50.6"}, {1}}, {{"0=12abc"}, {}},
            {{"0=" + digits400}, {1}}, {{"1=0.5"}, {2}}, {{"1=1.5"}, {}}, {{"1=1e400"}, {2}}, {{"2=-1e999"}, {3}},
            {{"3=0.1"}, {}}, {{"3=50"}, {}}, {{"3=0.09"}, {4}}, {{"3=50.01"}, {4}}, {{"3=inf"}, {4}},
            {{"4="}, {5}}, {{"4=12abc"}, {5}}, {{"4=1e400"}, {5, 7}}, {{"5=nan"}, {6, 7}}, {{"5=180.0001"}, {6}},
            {{"4=120", "5=100"}, {7}}, {{"4=135"}, {}}, {{"4=200", "5=100"}, {5, 7}}, {{"4=0", "5=180"}, {}},
        };
        for (const auto& [replaced, failed] : rows) {
            ParameterTexts texts = defaultParameterTexts();
            for (const QString& r : replaced)
                texts[static_cast<std::size_t>(r.left(1).toInt())] = r.mid(2).toStdString();
            std::string expected;
            for (int check : failed)
                (expected += expected.empty() ? "" : "\r\n") += kMessages[check - 1];
            QCOMPARE(QByteArray::fromStdString(checkParameters(texts, convertParameters(texts))), QByteArray::fromStdString(expected));
        }
    }
};

QTEST_GUILESS_MAIN(TestFlowerParameters)
#include "tst_flowerparameters.moc"
