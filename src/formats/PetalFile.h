#pragma once
// The flower file (.petal): UTF-8 text, the format line "petalwright-flower 1", then one
// "key=value" line for each of the six texts, the shape number and, where chosen, size and thickness.

#include <string>
#include <string_view>

#include "formats/FlowerRecord.h"

namespace petalwright::formats {

// The whole file, LF line ends.
std::string petalFileText(const FlowerRecord& flower);

// Reads a flower file: blank lines and lines starting with '#' are skipped, CR LF is allowed, a
// shape number may be missing. Another first line, a broken or unknown line, a key twice or
// missing, text that is not UTF-8, or values that fail the checks give the problem.
FlowerRead readPetalFile(std::string_view bytes);

// True when `bytes` is UTF-8 text.
bool isUtf8(std::string_view bytes);

} // namespace petalwright::formats
