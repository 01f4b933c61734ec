// Coordinate, layer, grouped-count and one-decimal patterns.

#include <QTest>

#include <bit>
#include <charconv>
#include <cmath>
#include <limits>
#include <random>
#include <vector>

#include "formats/NumberPatterns.h"

using namespace petalwright::formats;

class TestNumberPatterns : public QObject {
    Q_OBJECT
private slots:
    void coordinates()
    {
        const struct { double value; const char* text; } rows[] = {
            {0.0, "0.000000000"}, {-0.0, "0.000000000"}, {-1e-12, "0.000000000"}, {-4.9e-10, "0.000000000"},
            {-1e-9, "-0.000000001"}, {-12.5, "-12.500000000"}, {1234.5678, "1234.567800000"},
            {9.9999999996, "10.000000000"}, {1048576.5, "1048576.500000000"}, {std::numeric_limits<double>::infinity(), "0.000000000"},
        };
        for (const auto& r : rows)
            QCOMPARE(formatCoordinate(r.value), std::string(r.text));
        const std::string largest = formatCoordinate(-std::numeric_limits<double>::max());
        QCOMPARE(largest.size(), kMaxCoordinateLength);
        QVERIFY(largest.starts_with("-17976931348623157") && largest.ends_with(".000000000"));
    }

    void coordinatesMatchCorrectRounding()
    {
        // Reference: the correctly rounded nine-decimal form, without the sign of a rounded zero. From
        // 1e6 up the writer hands the value to to_chars itself, so only values below are drawn.
        const auto reference = [](double v) {
            char buffer[kMaxCoordinateLength];
            std::string text(buffer, std::to_chars(buffer, buffer + sizeof buffer, v, std::chars_format::fixed, 9).ptr);
            return text.find_first_not_of("-0.") == std::string::npos && text[0] == '-' ? text.substr(1) : text;
        };
        std::mt19937_64 engine(20060115);
        std::uniform_real_distribution<double> exponent(-12.0, 6.0);
        std::uniform_int_distribution<std::int64_t> tenths(-20'000'000'000'000, 20'000'000'000'000);
        std::vector<double> values = {1.0 / 1024, -1.0 / 1024, 3.0 / 2048, 0.0000000005, 0.0000000015,
                                      999999.9999999995, -1e6 + 1e-9, 2050.0, 4.9999999995e-10};
        for (int i = 0; i < 100000; ++i) {
            const double magnitude = std::pow(10.0, exponent(engine));
            values.push_back(i % 2 ? magnitude : -magnitude);
            values.push_back(static_cast<double>(tenths(engine)) / 1e10 + 5e-11); // halfway in decimal
            values.push_back(std::bit_cast<double>(engine() >> 2)); // any finite bit pattern below 2
        }
        for (const double v : values)
            QCOMPARE(formatCoordinate(v), reference(v));
    }

    void layersAndGroupedCounts()
    {
        char buffer[16];
        for (const auto& [number, text] : {std::pair{0, "000000"}, {15, "000015"}, {999999, "999999"}, {1234567, "1234567"}})
            QCOMPARE(std::string(buffer, appendLayerNumber(buffer, number)), std::string(text));
        // The separator is passed in; an odd one shows a hard-coded comma.
        const struct { std::int64_t value; const char* separator; const char* text; } rows[] = {
            {0, ",", "0"}, {999, ",", "999"}, {1000, ",", "1,000"}, {20000, ",", "20,000"}, {-1234, ",", "-1,234"},
            {1234567, "~", "1~234~567"}, {288, "~", "288"}, {20000, "\xE2\x80\xAF", "20\xE2\x80\xAF" "000"},
        };
        for (const auto& r : rows)
            QCOMPARE(groupThousands(r.value, r.separator), std::string(r.text));
        // The size estimate's one decimal: from the shortest digits, a second decimal of 5 rounds up.
        for (const auto& [value, text] : {std::pair{2.25, "2.3"}, {9.95, "10.0"}, {999.96, "1000.0"}, {1.04, "1.0"}})
            QCOMPARE(formatOneDecimal(value), std::string(text));
    }
};

QTEST_GUILESS_MAIN(TestNumberPatterns)
#include "tst_numberpatterns.moc"
