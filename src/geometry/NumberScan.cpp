#include "geometry/NumberScan.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include <fast_float/fast_float.h>

namespace petalwright::geometry {
namespace {

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }
bool isDigit(char c) { return c >= '0' && c <= '9'; }

// Skips blanks from position i; returns the first position that is not a blank.
std::size_t skipBlanks(std::string_view text, std::size_t i)
{
    while (i < text.size() && isBlank(text[i]))
        ++i;
    return i;
}

// Decimal exponent of the leading significant digit, saturated: tells an overflow from an
// underflow when the conversion reports a value out of range. Integer digits after the leading
// one count upwards ("1000" is 1e3), zeros after the point downwards ("0.001" is 1e-3).
long long magnitudeOf(std::string_view mantissa, long long exponent)
{
    const std::size_t point = std::min(mantissa.find('.'), mantissa.size());
    for (std::size_t i = 0; i < mantissa.size(); ++i) {
        if (mantissa[i] == '.' || mantissa[i] == '0')
            continue;
        if (i < point)
            return exponent + static_cast<long long>(point - i - 1);
        return exponent - static_cast<long long>(i - point);
    }
    return std::numeric_limits<long long>::min();
}

double toDouble(const std::string& compact, std::size_t mantissaLength, long long exponent, bool negative)
{
    double value = 0.0;
    const char* first = compact.data();
    const char* last = first + compact.size();
    const auto [ptr, ec] = fast_float::from_chars(first, last, value, fast_float::chars_format::general);
    // Older converters give infinity or zero for a value out of range, newer ones say so.
    const bool outOfRange = ec == std::errc::result_out_of_range || (ec == std::errc() && std::isinf(value));
    if (outOfRange) {
        const std::string_view mantissa(compact.data() + (negative ? 1 : 0),
                                        mantissaLength - (negative ? 1u : 0u));
        const long long magnitude = magnitudeOf(mantissa, exponent);
        value = magnitude > 0 ? std::numeric_limits<double>::infinity() : 0.0;
        return negative ? -value : value;
    }
    if (ec != std::errc() || ptr != last)
        return 0.0;
    return value;
}

} // namespace

Scan scanLeadingNumber(std::string_view text)
{
    // Gathers the characters of the number without blanks, then converts them in one go, so the
    // value is correctly rounded however many digits were typed.
    std::string compact;
    std::size_t i = skipBlanks(text, 0);
    std::size_t used = 0;
    bool negative = false;

    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        if (negative)
            compact.push_back('-');
        i = skipBlanks(text, i + 1);
    }

    bool anyDigit = false;
    bool seenPoint = false;
    while (i < text.size()) {
        const char c = text[i];
        if (isDigit(c)) {
            anyDigit = true;
            compact.push_back(c);
        } else if (c == '.' && !seenPoint) {
            seenPoint = true;
            compact.push_back(c);
        } else if (!isBlank(c)) {
            break;
        }
        ++i;
        if (!isBlank(c))
            used = i;
    }
    if (!anyDigit)
        return {};

    const std::size_t mantissaLength = compact.size();
    long long exponent = 0;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        std::size_t j = skipBlanks(text, i + 1);
        bool expNegative = false;
        if (j < text.size() && (text[j] == '+' || text[j] == '-')) {
            expNegative = text[j] == '-';
            j = skipBlanks(text, j + 1);
        }
        std::string expDigits;
        std::size_t expUsed = 0;
        while (j < text.size() && (isDigit(text[j]) || isBlank(text[j]))) {
            if (isDigit(text[j])) {
                expDigits.push_back(text[j]);
                expUsed = j + 1;
            }
            ++j;
        }
        if (!expDigits.empty()) {
            used = expUsed;
            compact.push_back('e');
            if (expNegative)
                compact.push_back('-');
            compact += expDigits;
            constexpr long long kSaturated = 1'000'000'000;
            for (char d : expDigits)
                exponent = std::min(kSaturated, exponent * 10 + (d - '0'));
            if (expNegative)
                exponent = -exponent;
        }
    }

    return {toDouble(compact, mantissaLength, exponent, negative), used};
}

bool isNumericText(std::string_view text)
{
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t'))
        ++i;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        ++i;
    std::size_t digits = 0;
    while (i < text.size() && isDigit(text[i])) {
        ++i;
        ++digits;
    }
    if (i < text.size() && text[i] == '.') {
        ++i;
        while (i < text.size() && isDigit(text[i])) {
            ++i;
            ++digits;
        }
    }
    if (digits == 0)
        return false;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        ++i;
        if (i < text.size() && (text[i] == '+' || text[i] == '-'))
            ++i;
        std::size_t expDigits = 0;
        while (i < text.size() && isDigit(text[i])) {
            ++i;
            ++expDigits;
        }
        if (expDigits == 0)
            return false;
    }
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t'))
        ++i;
    return i == text.size();
}

std::string_view trimBlanks(std::string_view text)
{
    const auto first = text.find_first_not_of(' ');
    if (first == std::string_view::npos)
        return {};
    const auto last = text.find_last_not_of(' ');
    return text.substr(first, last - first + 1);
}

std::int32_t roundHalfEvenToInt32(double value)
{
    if (std::isnan(value))
        return std::numeric_limits<std::int32_t>::min();
    // nearbyint follows the default rounding mode: to nearest, halves to even.
    const double rounded = std::nearbyint(value);
    if (rounded >= 2147483647.0)
        return std::numeric_limits<std::int32_t>::max();
    if (rounded <= -2147483648.0)
        return std::numeric_limits<std::int32_t>::min();
    return static_cast<std::int32_t>(rounded);
}

} // namespace petalwright::geometry
