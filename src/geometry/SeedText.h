#pragma once
// The seed of the ring turns as a user types it (--seed N, ?seed=N): one reading for every front end.

#include <cstdint>
#include <optional>
#include <string_view>

namespace petalwright::geometry {

// A whole number 0 .. 18446744073709551615 in decimal digits, with an optional '+', leading zeros and
// white space around it (as Unicode counts white space); nothing for any other UTF-8 text.
std::optional<std::uint64_t> parseSeedText(std::string_view text);

} // namespace petalwright::geometry
