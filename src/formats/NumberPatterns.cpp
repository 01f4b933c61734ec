#include "formats/NumberPatterns.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>

#include <fmt/format.h>

namespace petalwright::formats {

namespace {

constexpr int kDecimals = 9;
constexpr double kDecimalScale = 1e9;
constexpr std::uint64_t kDecimalUnit = 1'000'000'000;
// Below this the value times 1e9 stays under 2^50, where the scaled product is within a fraction
// of a unit of the exact one.
constexpr double kQuickLimit = 1e6;

// Correct rounding of |value| * 1e9 to a whole number, when the product in double precision is
// far enough from a half to decide it; false for the rare close cases, which the exact formatter settles.
bool scaledDecimals(double magnitude, std::uint64_t& scaled)
{
    const double product = magnitude * kDecimalScale; // one rounding, at most half an ulp off
    const double whole = std::floor(product);
    const double fraction = product - whole; // exact below 2^52
    const double margin = product * 0x1p-52; // at least one ulp of the product
    if (std::fabs(fraction - 0.5) <= margin)
        return false;
    scaled = static_cast<std::uint64_t>(whole) + (fraction > 0.5 ? 1u : 0u);
    return true;
}

char* appendScaled(char* out, bool negative, std::uint64_t scaled)
{
    if (negative && scaled != 0) // a value that rounds to zero has no sign
        *out++ = '-';
    out = std::to_chars(out, out + 20, scaled / kDecimalUnit).ptr;
    *out++ = '.';
    std::uint64_t decimals = scaled % kDecimalUnit;
    for (int i = kDecimals; i > 0; --i) {
        out[i - 1] = static_cast<char>('0' + decimals % 10);
        decimals /= 10;
    }
    return out + kDecimals;
}

// The shortest digits that read back as |value|: value = 0.digits x 10^point.
struct ShortestDigits {
    char digits[24];
    int length = 0;
    int point = 0;
};

ShortestDigits shortestDigits(double magnitude)
{
    char text[40];
    const char* const end = fmt::format_to_n(text, sizeof text, "{}", magnitude).out;
    ShortestDigits d;
    int exponent = 0;
    int beforePoint = -1;
    bool leading = true;
    for (const char* p = text; p != end; ++p) {
        if (*p == 'e') { // "e-05", "e+16": the text is not terminated, so read up to its end
            const bool negative = p[1] == '-';
            std::from_chars(p + 2, end, exponent);
            if (negative)
                exponent = -exponent;
            break;
        }
        if (*p == '.') {
            beforePoint = d.length;
            continue;
        }
        if (leading && *p == '0') { // "0.0012": leading zeros move the point, they are no digits
            if (beforePoint >= 0)
                --exponent;
            continue;
        }
        leading = false;
        d.digits[d.length++] = *p;
    }
    if (beforePoint < 0)
        beforePoint = d.length;
    if (d.length == 0) { // zero
        d.digits[d.length++] = '0';
        d.point = 1;
        return d;
    }
    d.point = beforePoint + exponent;
    // trailing zeros of an integer ("100") are place holders
    while (d.length > 1 && d.digits[d.length - 1] == '0')
        --d.length;
    return d;
}

char* appendFixed(char* out, const ShortestDigits& d)
{
    if (d.point <= 0) {
        *out++ = '0';
        *out++ = '.';
        for (int i = d.point; i < 0; ++i)
            *out++ = '0';
        std::memcpy(out, d.digits, static_cast<std::size_t>(d.length));
        return out + d.length;
    }
    for (int i = 0; i < std::max(d.point, d.length); ++i) {
        if (i == d.point)
            *out++ = '.';
        *out++ = i < d.length ? d.digits[i] : '0';
    }
    return out;
}

// The fixed form of `magnitude`; from 2^53 on, where every double is a whole number, its exact
// digits rather than the shortest ones padded with zeros.
char* appendShortestFixed(char* out, double magnitude, const ShortestDigits& d)
{
    constexpr double kWholeNumbersOnly = 0x1p53;
    if (magnitude >= kWholeNumbersOnly)
        return fmt::format_to_n(out, kMaxCoordinateLength, "{:.0f}", magnitude).out;
    return appendFixed(out, d);
}

char* appendScientific(char* out, const ShortestDigits& d)
{
    *out++ = d.digits[0];
    if (d.length > 1) {
        *out++ = '.';
        std::memcpy(out, d.digits + 1, static_cast<std::size_t>(d.length - 1));
        out += d.length - 1;
    }
    const int exponent = d.point - 1;
    *out++ = 'e';
    *out++ = exponent < 0 ? '-' : '+';
    const int magnitude = exponent < 0 ? -exponent : exponent;
    if (magnitude < 10)
        *out++ = '0';
    return std::to_chars(out, out + 4, magnitude).ptr;
}

} // namespace

char* appendShortest(char* out, double value)
{
    if (!std::isfinite(value))
        value = 0.0;
    if (std::signbit(value))
        *out++ = '-';
    const double magnitude = std::fabs(value);
    const ShortestDigits d = shortestDigits(magnitude);
    char fixed[kMaxCoordinateLength + 24];
    char scientific[40];
    const auto fixedLength = appendShortestFixed(fixed, magnitude, d) - fixed;
    const auto scientificLength = appendScientific(scientific, d) - scientific;
    // the shorter form; fixed on a tie
    const char* const from = fixedLength <= scientificLength ? fixed : scientific;
    const auto length = static_cast<std::size_t>(std::min(fixedLength, scientificLength));
    std::memcpy(out, from, length);
    return out + length;
}

char* appendCoordinate(char* out, double value)
{
    if (!std::isfinite(value)) // never produced by the generator; keep the file parsable
        value = 0.0;
    const double magnitude = std::fabs(value);
    std::uint64_t scaled = 0;
    if (magnitude < kQuickLimit && scaledDecimals(magnitude, scaled))
        return appendScaled(out, std::signbit(value), scaled);

    char* const start = out;
    char* const end = fmt::format_to_n(out, kMaxCoordinateLength, "{:.9f}", value).out;
    if (*start == '-') {
        // "-0.000000000": drop the sign of a value that rounds to zero
        bool allZero = true;
        for (const char* p = start + 1; p != end; ++p) {
            if (*p != '0' && *p != '.') {
                allZero = false;
                break;
            }
        }
        if (allZero) {
            for (char* p = start; p + 1 != end; ++p)
                *p = p[1];
            return end - 1;
        }
    }
    return end;
}

std::string formatCoordinate(double value)
{
    char buffer[kMaxCoordinateLength];
    return std::string(buffer, appendCoordinate(buffer, value));
}

char* appendLayerNumber(char* out, std::int32_t number)
{
    constexpr int kWidth = 6;
    char digits[16];
    const auto [end, ec] = std::to_chars(digits, digits + sizeof digits, number);
    const auto length = static_cast<int>(end - digits);
    for (int i = length; i < kWidth; ++i)
        *out++ = '0';
    for (const char* p = digits; p != end; ++p)
        *out++ = *p;
    return out;
}

std::string groupThousands(std::int64_t value, std::string_view separator)
{
    const bool negative = value < 0;
    const std::string digits = std::to_string(value).substr(negative ? 1 : 0);
    std::string out = negative ? "-" : "";
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0)
            out += separator;
        out += digits[i];
    }
    return out;
}

std::string formatOneDecimal(double value)
{
    const bool negative = std::signbit(value);
    if (!std::isfinite(value))
        return "0.0";
    char buffer[kMaxCoordinateLength + 24];
    const double magnitude = std::fabs(value);
    std::string text(buffer, appendShortestFixed(buffer, magnitude, shortestDigits(magnitude)));
    auto point = text.find('.');
    if (point == std::string::npos) {
        point = text.size();
        text += ".0";
    }
    // Rounds the decimal text to one decimal, half away from zero.
    std::string intPart = text.substr(0, point);
    std::string frac = text.substr(point + 1);
    int tenth = frac.empty() ? 0 : frac[0] - '0';
    const bool roundUp = frac.size() > 1 && frac[1] >= '5';
    if (roundUp && ++tenth == 10) {
        tenth = 0;
        int i = static_cast<int>(intPart.size()) - 1;
        for (; i >= 0 && intPart[static_cast<std::size_t>(i)] == '9'; --i)
            intPart[static_cast<std::size_t>(i)] = '0';
        if (i < 0)
            intPart.insert(intPart.begin(), '1');
        else
            ++intPart[static_cast<std::size_t>(i)];
    }
    // "###" prints no digit for a zero integer part.
    if (intPart == "0")
        intPart.clear();
    std::string out = negative && (!intPart.empty() || tenth != 0) ? "-" : "";
    return out + intPart + '.' + static_cast<char>('0' + tenth);
}

} // namespace petalwright::formats
