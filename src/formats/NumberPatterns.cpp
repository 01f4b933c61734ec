#include "formats/NumberPatterns.h"

#include <charconv>
#include <cmath>

namespace petalwright::formats {

namespace {

constexpr int kDecimals = 9;
constexpr double kDecimalScale = 1e9;
constexpr std::uint64_t kDecimalUnit = 1'000'000'000;
// Below this the value times 1e9 stays under 2^50, where the scaled product is within a fraction
// of a unit of the exact one.
constexpr double kQuickLimit = 1e6;

// Correct rounding of |value| * 1e9 to a whole number, when the product in double precision is
// far enough from a half to decide it; false for the rare close cases, which to_chars settles.
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

} // namespace

char* appendCoordinate(char* out, double value)
{
    if (!std::isfinite(value)) // never produced by the generator; keep the file parsable
        value = 0.0;
    const double magnitude = std::fabs(value);
    std::uint64_t scaled = 0;
    if (magnitude < kQuickLimit && scaledDecimals(magnitude, scaled))
        return appendScaled(out, std::signbit(value), scaled);

    char* const start = out;
    const auto [end, ec] = std::to_chars(out, out + kMaxCoordinateLength, value, std::chars_format::fixed, kDecimals);
    if (ec != std::errc())
        return start;
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
    char buffer[400];
    const auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, std::fabs(value), std::chars_format::fixed);
    if (ec != std::errc())
        return "0.0";
    std::string text(buffer, end);
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
