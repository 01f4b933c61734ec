#include "dxf/NumberPatterns.h"

#include <charconv>
#include <cmath>

namespace petalwright::dxf {

char* appendCoordinate(char* out, double value)
{
    constexpr int kDecimals = 9;
    if (!std::isfinite(value)) // never produced by the generator; keep the file parsable
        value = 0.0;
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

} // namespace petalwright::dxf
