#pragma once
// What names a flower: the six texts, the shape number (the seed of the ring turns) and, where
// chosen, the printable size and thickness; their keys and their one-line form (a link's query).

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "geometry/FlowerParameters.h"

namespace petalwright::formats {

// A flower as the user chose it.
struct FlowerRecord {
    geometry::ParameterTexts texts;      // the six texts, trimmed and on one line
    std::optional<std::uint64_t> seed;   // the shape number; none when the source did not record it
    std::string size;                    // printable size in mm as typed; empty when not chosen
    std::string thickness;               // printable thickness in mm as typed; empty when not chosen
};

// The keys of the six texts, in box order, then the others.
inline constexpr std::array<std::string_view, geometry::kParameterCount> kFlowerKeys = {
    "petals", "overlap", "width", "scale", "angle-start", "angle-end"};
inline constexpr std::string_view kSeedKey = "seed";
inline constexpr std::string_view kSizeKey = "size";
inline constexpr std::string_view kThicknessKey = "thickness";
// The format name and version that open every flower record a file holds.
inline constexpr std::string_view kFlowerFormatLine = "petalwright-flower 1";

// What a reader made of a file or a link: the flower, or the problem in Japanese (without the path).
struct FlowerRead {
    std::optional<FlowerRecord> flower;
    std::string problem;
};

// A shape number, read as the command line's --seed (geometry::parseSeedText): 0 to 2^64 - 1 in
// decimal digits, blanks around allowed; nothing for another text.
std::optional<std::uint64_t> parseShapeNumber(std::string_view text);

// The record of `texts` and `seed`, the texts trimmed and on one line as the files record them.
FlowerRecord flowerRecord(const geometry::ParameterTexts& texts, std::optional<std::uint64_t> seed);

// Each key and value the flower records, in the order every file and link writes them: the six
// texts, the shape number when known, then size and thickness when chosen.
void forEachFlowerPair(const FlowerRecord& flower, const std::function<void(std::string_view key, const std::string& value)>& pair);

// "petals=6&overlap=6&width=5&scale=0.5&angle-start=90&angle-end=135&seed=N", then size and
// thickness when chosen; every value percent-encoded (UTF-8, all but A-Z a-z 0-9 - . _ ~).
std::string flowerQuery(const FlowerRecord& flower);

// Reads a query as flowerQuery writes it ('?' in front and '+' for a blank allowed). With
// `requireAll`, each of the six keys must be there; without, a missing one keeps its default text.
// Unknown keys are skipped. A value repeated, not decodable or failing the checks is a problem.
FlowerRead parseFlowerQuery(std::string_view query, bool requireAll);

// The checks' messages for the six texts, joined by CR LF; empty when the record is sound.
std::string flowerProblem(const FlowerRecord& flower);

// "%XX" escapes and, with `plusIsBlank`, '+' decoded; nothing when an escape is broken.
std::optional<std::string> percentDecoded(std::string_view text, bool plusIsBlank);
// All but A-Z a-z 0-9 - . _ ~ as "%XX".
std::string percentEncoded(std::string_view text);

namespace messages {
inline constexpr std::string_view kShapeNumber = "形番号は 0 ～ 18446744073709551615 の整数です。";
inline constexpr std::string_view kNoShapeNumber = "このファイルには形番号が記録されていません。新しい形で表示します。";
} // namespace messages

} // namespace petalwright::formats
