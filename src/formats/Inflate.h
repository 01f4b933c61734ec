#pragma once
// A raw deflate stream decoder (as zip entries hold them), to read back what a 3MF package keeps.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace petalwright::formats {

// The bytes `deflated` holds, at most `limit` of them: decoding stops once `limit` bytes are out,
// so a reader that needs only the start pays only for the start. Nothing for a broken stream.
std::optional<std::string> inflateRaw(std::string_view deflated, std::size_t limit);

} // namespace petalwright::formats
