#pragma once
// The numeric patterns of the file and of the texts around it.

#include <cstdint>
#include <string>
#include <string_view>

namespace petalwright::formats {

// Longest text appendCoordinate writes: sign, 309 integer digits, '.', nine decimals.
inline constexpr std::size_t kMaxCoordinateLength = 1 + 309 + 1 + 9;

// "#0.000000000": nine decimals, always '.', no exponent, no grouping; a value that rounds to
// zero is written without a sign. Writes into `out` and returns the end.
char* appendCoordinate(char* out, double value);
std::string formatCoordinate(double value);

// Longest text appendShortest writes: sign, 17 digits, '.', "e-308".
inline constexpr std::size_t kMaxShortestLength = 1 + 17 + 1 + 5;

// The shortest text that reads back as exactly `value`, fixed or with an exponent ("1e-05"),
// whichever is shorter, fixed on a tie; a sign only for negative values. Writes into `out` (at
// most kMaxShortestLength characters) and returns the end. Not finite: "0".
char* appendShortest(char* out, double value);

// "000000": at least six digits, zero-padded; larger numbers print in full.
char* appendLayerNumber(char* out, std::int32_t number);

// "###,##0": thousands grouped by `separator` (the regional one), at least one digit.
std::string groupThousands(std::int64_t value, std::string_view separator);

// "###.0": integer part without grouping, '.', one decimal. The value's shortest decimal form is
// rounded half away from zero, so 953.05 gives 953.1 although its double lies a little below.
std::string formatOneDecimal(double value);

} // namespace petalwright::formats
