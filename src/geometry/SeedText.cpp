#include "geometry/SeedText.h"

#include <limits>

namespace petalwright::geometry {
namespace {

// White space: tab to carriage return, U+0085, and the space, line and paragraph separators.
bool isWhiteSpace(char32_t c)
{
    return (c >= 0x09 && c <= 0x0D) || c == 0x20 || c == 0x85 || c == 0xA0 || c == 0x1680 || (c >= 0x2000 && c <= 0x200A)
        || c == 0x2028 || c == 0x2029 || c == 0x202F || c == 0x205F || c == 0x3000;
}

// Length in bytes of the UTF-8 sequence starting with `lead`; 0 for a byte that cannot start one.
std::size_t sequenceLength(unsigned char lead)
{
    return lead < 0x80 ? 1 : (lead & 0xE0) == 0xC0 ? 2 : (lead & 0xF0) == 0xE0 ? 3 : (lead & 0xF8) == 0xF0 ? 4 : 0;
}

char32_t decodeAt(std::string_view text, std::size_t at, std::size_t length)
{
    const auto lead = static_cast<unsigned char>(text[at]);
    char32_t c = length == 1 ? lead : lead & (0x7Fu >> length);
    for (std::size_t k = 1; k < length; ++k)
        c = (c << 6) | (static_cast<unsigned char>(text[at + k]) & 0x3Fu);
    return c;
}

// `text` without the white space at both ends.
std::string_view trimmed(std::string_view text)
{
    while (!text.empty()) {
        const std::size_t length = sequenceLength(static_cast<unsigned char>(text.front()));
        if (length == 0 || length > text.size() || !isWhiteSpace(decodeAt(text, 0, length)))
            break;
        text.remove_prefix(length);
    }
    while (!text.empty()) {
        // The last sequence starts at the last byte that is not a continuation byte.
        std::size_t start = text.size() - 1;
        while (start > 0 && (static_cast<unsigned char>(text[start]) & 0xC0) == 0x80)
            --start;
        const std::size_t length = text.size() - start;
        if (sequenceLength(static_cast<unsigned char>(text[start])) != length || !isWhiteSpace(decodeAt(text, start, length)))
            break;
        text.remove_suffix(length);
    }
    return text;
}

} // namespace

std::optional<std::uint64_t> parseSeedText(std::string_view text)
{
    text = trimmed(text);
    if (!text.empty() && text.front() == '+')
        text.remove_prefix(1);
    if (text.empty())
        return std::nullopt;
    constexpr std::uint64_t kMax = std::numeric_limits<std::uint64_t>::max();
    std::uint64_t value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9')
            return std::nullopt;
        const auto digit = static_cast<std::uint64_t>(c - '0');
        if (value > (kMax - digit) / 10)
            return std::nullopt;
        value = value * 10 + digit;
    }
    return value;
}

} // namespace petalwright::geometry
