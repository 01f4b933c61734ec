// Leading-number scan, whole-text numeric test and rounding half to even.

#include <QTest>

#include <cmath>
#include <limits>

#include "geometry/NumberScan.h"

using namespace petalwright::geometry;

namespace {
constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();
} // namespace

class TestNumberScan : public QObject {
    Q_OBJECT
private slots:
    // The value, the characters used, and isNumericText of the same text.
    void scan()
    {
        const QByteArray digits400 = "1" + QByteArray(399, '0');
        const struct { QByteArray text; double value; int used; bool numeric; } rows[] = {
            {"12abc", 12, 2, false}, {".5", 0.5, 2, true}, {"-.5", -0.5, 3, true}, {"+1.5", 1.5, 4, true},
            {"- 1 2 . 5x", -12.5, 9, false}, {"1 2", 12, 3, false}, {"  6  ", 6, 3, true}, {"5.", 5, 2, true},
            {"\t7\t", 7, 2, true}, {"\r\n8", 8, 3, false}, {"1\t2", 12, 3, false}, // tab, CR and LF are blanks too
            {"1.2.3", 1.2, 3, false}, {"1E-2x", 0.01, 4, false}, {"3 e + 2", 300, 7, false}, {"1e5", 1e5, 3, true},
            {"2e", 2, 1, false}, {"2e+", 2, 1, false}, {"1,000", 1, 1, false}, {"", 0, 0, false}, {"   ", 0, 0, false},
            {".", 0, 0, false}, {"--5", 0, 0, false}, {"inf", 0, 0, false}, {"nan", 0, 0, false},
            {"\xef\xbc\x99\xef\xbc\x90", 0, 0, false}, // full-width 90
            {"1e400", kInf, 5, true}, {"-1e999", -kInf, 6, true}, {"1e99999999999999999999", kInf, 22, true},
            {"1e-400", 0, 6, true}, {digits400, kInf, 400, true}, {"-" + digits400 + "e-50", -kInf, 405, true},
            {"0.1" + QByteArray(2000, '0') + "1", 0.1, 2004, true}, // correctly rounded, not accumulated
        };
        for (const auto& r : rows) {
            const std::string_view view(r.text.constData(), static_cast<std::size_t>(r.text.size()));
            const Scan scan = scanLeadingNumber(view);
            QCOMPARE(scan.value, r.value);
            QCOMPARE(scan.used, static_cast<std::size_t>(r.used));
            QCOMPARE(isNumericText(view), r.numeric);
        }
    }

    void roundsHalfToEven()
    {
        const struct { double value; std::int32_t rounded; } rows[] = {
            {2.5, 2}, {3.5, 4}, {50.5, 50}, {50.6, 51}, {0.5, 0}, {1.5, 2}, {-0.5, 0}, {-1.5, -2}, {2.4999, 2},
            {2147483646.5, 2147483646}, {2147483647.6, kMax}, {-2147483648.0, kMin}, {-1e20, kMin},
            {kInf, kMax}, {-kInf, kMin}, {std::nan(""), kMin},
        };
        for (const auto& r : rows)
            QCOMPARE(roundHalfEvenToInt32(r.value), r.rounded);
    }
};

QTEST_GUILESS_MAIN(TestNumberScan)
#include "tst_numberscan.moc"
