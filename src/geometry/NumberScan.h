#pragma once
// Reading numbers out of the texts the user types into the parameter boxes.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace petalwright::geometry {

// Result of a leading-number scan: the value and how many characters it used.
struct Scan {
    double value = 0.0;
    std::size_t used = 0;
};

// Longest number at the start of the text: optional sign, digits with at most one '.', optional
// exponent; blanks between its characters are skipped. Text that starts with no number gives 0.
// A number beyond the double range gives an infinity of its sign, never undefined behaviour.
Scan scanLeadingNumber(std::string_view text);

// True when the whole text is one number with optional blanks around it (the angle boxes' test).
// '.' is the decimal separator; digit grouping is not accepted, because the scan above would
// stop at the separator and read another value than the one the test approved.
bool isNumericText(std::string_view text);

// The text without leading and trailing blanks (U+0020).
std::string_view trimBlanks(std::string_view text);

// Nearest 32-bit integer, halves to the even neighbour; values beyond the range (and NaN)
// saturate to the nearest end, so a range check that follows rejects them.
std::int32_t roundHalfEvenToInt32(double value);

} // namespace petalwright::geometry
