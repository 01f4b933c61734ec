// Leading-number scan, whole-text numeric test, blank trimming and rounding to even.

#include <QTest>

#include <cmath>
#include <limits>
#include <string>

#include "geometry/NumberScan.h"

using namespace petalwright::geometry;

namespace {
constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();
QByteArray trimmed(const char* text)
{
    const std::string_view t = trimBlanks(text);
    return QByteArray(t.data(), static_cast<qsizetype>(t.size()));
}
} // namespace

class TestNumberScan : public QObject {
    Q_OBJECT
private slots:
    void scansLeadingNumber_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<double>("value");
        QTest::addColumn<int>("used");
        const QByteArray manyZeros(400, '0');
        QTest::addRow("digits then letters") << QByteArray("12abc") << 12.0 << 2;
        QTest::addRow("no integer part") << QByteArray(".5") << 0.5 << 2;
        QTest::addRow("negative fraction") << QByteArray("-.5") << -0.5 << 3;
        QTest::addRow("plus sign") << QByteArray("+7") << 7.0 << 2;
        QTest::addRow("blanks inside") << QByteArray("- 1 2 . 5x") << -12.5 << 9;
        QTest::addRow("blanks around") << QByteArray("  6  ") << 6.0 << 3;
        QTest::addRow("second point ends it") << QByteArray("1.2.3") << 1.2 << 3;
        QTest::addRow("trailing point") << QByteArray("5.") << 5.0 << 2;
        QTest::addRow("exponent") << QByteArray("1E-2x") << 0.01 << 4;
        QTest::addRow("blanks in exponent") << QByteArray("3 e + 2") << 300.0 << 7;
        QTest::addRow("bare exponent mark") << QByteArray("2e") << 2.0 << 1;
        QTest::addRow("exponent sign only") << QByteArray("2e+") << 2.0 << 1;
        QTest::addRow("empty") << QByteArray("") << 0.0 << 0;
        QTest::addRow("blanks only") << QByteArray("   ") << 0.0 << 0;
        QTest::addRow("letters") << QByteArray("abc") << 0.0 << 0;
        QTest::addRow("sign only") << QByteArray("-") << 0.0 << 0;
        QTest::addRow("point only") << QByteArray(".") << 0.0 << 0;
        QTest::addRow("two signs") << QByteArray("--5") << 0.0 << 0;
        QTest::addRow("inf") << QByteArray("inf") << 0.0 << 0;
        QTest::addRow("nan") << QByteArray("nan") << 0.0 << 0;
        QTest::addRow("1e400") << QByteArray("1e400") << kInf << 5;
        QTest::addRow("-1e999") << QByteArray("-1e999") << -kInf << 6;
        QTest::addRow("0.5e309") << QByteArray("0.5e309") << kInf << 7;
        QTest::addRow("huge exponent") << QByteArray("1e99999999999999999999") << kInf << 22;
        QTest::addRow("underflow") << QByteArray("1e-400") << 0.0 << 6;
        QTest::addRow("400 integer digits") << "1" + manyZeros << kInf << 401;
        QTest::addRow("400 digits, small exponent") << "-1" + manyZeros + "e-50" << -kInf << 406;
        QTest::addRow("400 zeros after point") << "0." + manyZeros + "1" << 0.0 << 403;
        QTest::addRow("2000 digits, correctly rounded") << "0.1" + QByteArray(2000, '0') + "1" << 0.1 << 2004;
    }
    void scansLeadingNumber()
    {
        QFETCH(QByteArray, text);
        QFETCH(double, value);
        QFETCH(int, used);
        const Scan scan = scanLeadingNumber(std::string_view(text.constData(), static_cast<std::size_t>(text.size())));
        QCOMPARE(scan.value, value);
        QCOMPARE(scan.used, static_cast<std::size_t>(used));
    }

    void numericText_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<bool>("numeric");
        QTest::addRow("integer") << QByteArray("90") << true;
        QTest::addRow("blanks around") << QByteArray("  90 ") << true;
        QTest::addRow("signed fraction") << QByteArray("+1.5") << true;
        QTest::addRow("minus zero") << QByteArray("-0") << true;
        QTest::addRow("leading point") << QByteArray(".5") << true;
        QTest::addRow("trailing point") << QByteArray("5.") << true;
        QTest::addRow("exponent") << QByteArray("1e5") << true;
        QTest::addRow("out of range exponent") << QByteArray("1e400") << true;
        QTest::addRow("empty") << QByteArray("") << false;
        QTest::addRow("blanks only") << QByteArray("   ") << false;
        QTest::addRow("trailing letters") << QByteArray("12abc") << false;
        QTest::addRow("blank inside") << QByteArray("1 2") << false;
        QTest::addRow("point only") << QByteArray(".") << false;
        QTest::addRow("exponent without digits") << QByteArray("1e") << false;
        QTest::addRow("grouping") << QByteArray("1,000") << false;
        QTest::addRow("inf") << QByteArray("inf") << false;
        QTest::addRow("nan") << QByteArray("nan") << false;
        QTest::addRow("full-width digits") << QByteArray("９０") << false;
    }
    void numericText()
    {
        QFETCH(QByteArray, text);
        QFETCH(bool, numeric);
        QCOMPARE(isNumericText(text.toStdString()), numeric);
    }

    void trimsBlanks()
    {
        QCOMPARE(trimmed(" 6 "), QByteArray("6"));
        QCOMPARE(trimmed("06"), QByteArray("06"));
        QCOMPARE(trimmed("  0.50"), QByteArray("0.50"));
        QCOMPARE(trimmed("1 2"), QByteArray("1 2"));
        QCOMPARE(trimmed("    "), QByteArray(""));
        QCOMPARE(trimmed(""), QByteArray(""));
    }

    void roundsHalfToEven_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<int>("rounded");
        QTest::addRow("2.5") << 2.5 << 2;
        QTest::addRow("3.5") << 3.5 << 4;
        QTest::addRow("50.5") << 50.5 << 50;
        QTest::addRow("50.6") << 50.6 << 51;
        QTest::addRow("0.5") << 0.5 << 0;
        QTest::addRow("1.5") << 1.5 << 2;
        QTest::addRow("-0.5") << -0.5 << 0;
        QTest::addRow("-1.5") << -1.5 << -2;
        QTest::addRow("2.4999") << 2.4999 << 2;
        QTest::addRow("top half") << 2147483646.5 << 2147483646;
        QTest::addRow("top") << 2147483647.0 << kMax;
        QTest::addRow("above top") << 2147483647.6 << kMax;
        QTest::addRow("1e20") << 1e20 << kMax;
        QTest::addRow("bottom") << -2147483648.0 << kMin;
        QTest::addRow("-1e20") << -1e20 << kMin;
        QTest::addRow("inf") << kInf << kMax;
        QTest::addRow("-inf") << -kInf << kMin;
        QTest::addRow("nan") << std::nan("") << kMin;
    }
    void roundsHalfToEven()
    {
        QFETCH(double, value);
        QFETCH(int, rounded);
        QCOMPARE(roundHalfEvenToInt32(value), rounded);
    }
};

QTEST_GUILESS_MAIN(TestNumberScan)
#include "tst_numberscan.moc"
