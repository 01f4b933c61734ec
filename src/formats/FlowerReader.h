#pragma once
// The flower a file names: reads it back from every format Petalwright writes.

#include <cstddef>
#include <string>
#include <string_view>

#include "formats/FlowerRecord.h"

namespace petalwright::formats {

// The flower recorded in `bytes`, a whole file: a flower file (.petal); cad-dxf (its 999 comment);
// OBJ (its comment); glTF binary (asset extras); STL and print-STL (the 80-byte head); 3MF (its
// model's metadata, stored or deflated). The designed DXF, which records no shape number, gives its
// six texts from its comment block and no seed. Anything else gives the problem in Japanese.
FlowerRead readFlowerFile(std::string_view bytes);

// Whether a file whose first bytes are `start` (kFlowerSignatureBytes of them, or all of a shorter
// file) may be one readFlowerFile reads; a caller reads no further into a file that cannot.
inline constexpr std::size_t kFlowerSignatureBytes = 64;
bool mayNameFlower(std::string_view start);

// The one-line record the formats with room for it carry: "petalwright-flower 1 " and the query.
std::string flowerLine(const FlowerRecord& flower);

// The binary STL head naming the flower: "Petalwright 0.7.1 flower=6,6,5,0.5,90,135,SEED" (`key` is
// "flower" or "print"), padded with blanks; empty when it does not fit in 80 bytes.
std::string stlFlowerHead(std::string_view key, const FlowerRecord& flower);

namespace messages {
inline constexpr std::string_view kForeignFile = "Petalwright が書いたファイルではありません。";
inline constexpr std::string_view kNoFlower = "このファイルには花の設定が記録されていません。";
} // namespace messages

} // namespace petalwright::formats
