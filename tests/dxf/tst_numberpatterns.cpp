// Coordinate, layer, grouped-count and one-decimal patterns.

#include <QTest>

#include <bit>
#include <charconv>
#include <cmath>
#include <limits>
#include <random>
#include <vector>

#include "dxf/NumberPatterns.h"

using namespace petalwright::dxf;

class TestNumberPatterns : public QObject {
    Q_OBJECT
private slots:
    void coordinates_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<QByteArray>("text");
        QTest::addRow("zero") << 0.0 << QByteArray("0.000000000");
        QTest::addRow("negative zero") << -0.0 << QByteArray("0.000000000");
        QTest::addRow("tiny negative") << -1e-12 << QByteArray("0.000000000");
        QTest::addRow("negative below half unit") << -4.9e-10 << QByteArray("0.000000000");
        QTest::addRow("smallest negative shown") << -1e-9 << QByteArray("-0.000000001");
        QTest::addRow("-12.5") << -12.5 << QByteArray("-12.500000000");
        QTest::addRow("-0.5") << -0.5 << QByteArray("-0.500000000");
        QTest::addRow("50") << 50.0 << QByteArray("50.000000000");
        QTest::addRow("1234.5678") << 1234.5678 << QByteArray("1234.567800000");
        QTest::addRow("rounded") << 28.28427124746190 << QByteArray("28.284271247");
        QTest::addRow("carry") << 9.9999999996 << QByteArray("10.000000000");
        QTest::addRow("large, no exponent") << 1e22 << QByteArray("10000000000000000000000.000000000");
        QTest::addRow("infinity kept parsable") << std::numeric_limits<double>::infinity() << QByteArray("0.000000000");
    }
    void coordinates()
    {
        QFETCH(double, value);
        QFETCH(QByteArray, text);
        QCOMPARE(QByteArray::fromStdString(formatCoordinate(value)), text);
    }

    void coordinatesMatchCorrectRounding()
    {
        // Reference: the correctly rounded nine-decimal form, without the sign of a rounded zero.
        const auto reference = [](double v) {
            char buffer[kMaxCoordinateLength];
            std::string text(buffer, std::to_chars(buffer, buffer + sizeof buffer, v, std::chars_format::fixed, 9).ptr);
            return text.find_first_not_of("-0.") == std::string::npos && text[0] == '-' ? text.substr(1) : text;
        };
        std::mt19937_64 engine(20060115);
        std::uniform_real_distribution<double> exponent(-12.0, 7.0);
        std::uniform_int_distribution<std::int64_t> tenths(-20'000'000'000'000, 20'000'000'000'000);
        std::vector<double> values = {1.0 / 1024, -1.0 / 1024, 3.0 / 2048, 0.0000000005, 0.0000000015, 999999.9999999995,
                                      1e6, -1e6 + 1e-9, 2050.0, 1e-9, 4.9999999995e-10};
        for (int i = 0; i < 200000; ++i) {
            const double magnitude = std::pow(10.0, exponent(engine));
            values.push_back(i % 2 ? magnitude : -magnitude);
            values.push_back(static_cast<double>(tenths(engine)) / 1e10 + 5e-11); // halfway in decimal
            values.push_back(std::bit_cast<double>(engine() >> 2)); // any finite bit pattern
        }
        for (const double v : values)
            QCOMPARE(formatCoordinate(v), reference(v));
    }

    void largestCoordinateFits()
    {
        const std::string text = formatCoordinate(-std::numeric_limits<double>::max());
        QCOMPARE(text.size(), kMaxCoordinateLength);
        QVERIFY(text.starts_with("-17976931348623157") && text.ends_with(".000000000"));
    }

    void layerNumbers_data()
    {
        QTest::addColumn<int>("number");
        QTest::addColumn<QByteArray>("text");
        QTest::addRow("first") << 0 << QByteArray("000000");
        QTest::addRow("16th") << 15 << QByteArray("000015");
        QTest::addRow("largest job's last") << 19999 << QByteArray("019999");
        QTest::addRow("six digits") << 999999 << QByteArray("999999");
        QTest::addRow("seven digits in full") << 1234567 << QByteArray("1234567");
    }
    void layerNumbers()
    {
        QFETCH(int, number);
        QFETCH(QByteArray, text);
        char buffer[16];
        QCOMPARE(QByteArray(buffer, appendLayerNumber(buffer, number) - buffer), text);
    }

    void groupsThousands_data()
    {
        QTest::addColumn<qint64>("value");
        QTest::addColumn<QByteArray>("separator");
        QTest::addColumn<QByteArray>("text");
        QTest::addRow("0") << qint64(0) << QByteArray(",") << QByteArray("0");
        QTest::addRow("999") << qint64(999) << QByteArray(",") << QByteArray("999");
        QTest::addRow("1,000") << qint64(1000) << QByteArray(",") << QByteArray("1,000");
        QTest::addRow("20,000") << qint64(20000) << QByteArray(",") << QByteArray("20,000");
        QTest::addRow("1,234,567") << qint64(1234567) << QByteArray(",") << QByteArray("1,234,567");
        QTest::addRow("negative") << qint64(-1234) << QByteArray(",") << QByteArray("-1,234");
        QTest::addRow("odd separator") << qint64(1234567) << QByteArray("~") << QByteArray("1~234~567");
        QTest::addRow("multi-byte separator") << qint64(20000) << QByteArray("\xE2\x80\xAF") << QByteArray("20\xE2\x80\xAF" "000");
        QTest::addRow("no separator below 1000") << qint64(288) << QByteArray("~") << QByteArray("288");
    }
    void groupsThousands()
    {
        QFETCH(qint64, value);
        QFETCH(QByteArray, separator);
        QFETCH(QByteArray, text);
        QCOMPARE(QByteArray::fromStdString(groupThousands(value, separator.toStdString())), text);
    }

    void oneDecimal_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<QByteArray>("text");
        QTest::addRow("953.05 rounds up") << 953.0 + 0.05 << QByteArray("953.1");
        QTest::addRow("67.0578125") << 67.0078125 + 0.05 << QByteArray("67.1");
        QTest::addRow("no grouping") << 1023.73046875 + 0.05 << QByteArray("1023.8");
        QTest::addRow("2.25 half away") << 2.25 << QByteArray("2.3");
        QTest::addRow("2.35 by its decimal form") << 2.35 << QByteArray("2.4");
        QTest::addRow("2.349") << 2.349 << QByteArray("2.3");
        QTest::addRow("carry into integer") << 9.96 << QByteArray("10.0");
        QTest::addRow("carry adds a digit") << 99.95 << QByteArray("100.0");
        QTest::addRow("whole") << 1.0 << QByteArray("1.0");
        QTest::addRow("no digit for zero integer part") << 0.44 << QByteArray(".4");
    }
    void oneDecimal()
    {
        QFETCH(double, value);
        QFETCH(QByteArray, text);
        QCOMPARE(QByteArray::fromStdString(formatOneDecimal(value)), text);
    }
};

QTEST_GUILESS_MAIN(TestNumberPatterns)
#include "tst_numberpatterns.moc"
