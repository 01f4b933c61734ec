#include "formats/FlowerRecord.h"

#include "geometry/NumberScan.h"
#include "geometry/SeedText.h"

namespace petalwright::formats {
namespace {

bool unreserved(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '.' || c == '_' || c == '~';
}

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

// A text on one line: CR and LF become blanks, as in the files' comment blocks.
std::string oneLine(std::string_view text)
{
    std::string line(geometry::trimBlanks(text));
    for (char& c : line)
        if (c == '\r' || c == '\n')
            c = ' ';
    return std::string(geometry::trimBlanks(line));
}

void appendPair(std::string& query, std::string_view key, std::string_view value)
{
    if (!query.empty())
        query += '&';
    query += key;
    query += '=';
    query += percentEncoded(value);
}

} // namespace

std::optional<std::uint64_t> parseShapeNumber(std::string_view text)
{
    // One reading of the number everywhere: the command line's --seed, links, files and the boxes.
    return geometry::parseSeedText(text);
}

FlowerRecord flowerRecord(const geometry::ParameterTexts& texts, std::optional<std::uint64_t> seed)
{
    FlowerRecord flower;
    for (std::size_t i = 0; i < texts.size(); ++i)
        flower.texts[i] = oneLine(texts[i]);
    flower.seed = seed;
    return flower;
}

std::string percentEncoded(std::string_view text)
{
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (const char c : text) {
        if (unreserved(c)) {
            out += c;
            continue;
        }
        const auto byte = static_cast<unsigned char>(c);
        out += '%';
        out += kHex[byte >> 4];
        out += kHex[byte & 0xF];
    }
    return out;
}

std::optional<std::string> percentDecoded(std::string_view text, bool plusIsBlank)
{
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '+' && plusIsBlank) {
            out += ' ';
        } else if (text[i] != '%') {
            out += text[i];
        } else {
            if (i + 2 >= text.size())
                return std::nullopt;
            const int high = hexValue(text[i + 1]), low = hexValue(text[i + 2]);
            if (high < 0 || low < 0)
                return std::nullopt;
            out += static_cast<char>(high * 16 + low);
            i += 2;
        }
    }
    return out;
}

void forEachFlowerPair(const FlowerRecord& flower, const std::function<void(std::string_view key, const std::string& value)>& pair)
{
    for (std::size_t i = 0; i < kFlowerKeys.size(); ++i)
        pair(kFlowerKeys[i], flower.texts[i]);
    if (flower.seed)
        pair(kSeedKey, std::to_string(*flower.seed));
    if (!flower.size.empty())
        pair(kSizeKey, flower.size);
    if (!flower.thickness.empty())
        pair(kThicknessKey, flower.thickness);
}

std::string flowerQuery(const FlowerRecord& flower)
{
    std::string query;
    forEachFlowerPair(flower, [&](std::string_view key, const std::string& value) { appendPair(query, key, value); });
    return query;
}

FlowerRead parseFlowerQuery(std::string_view query, bool requireAll)
{
    if (query.starts_with('?'))
        query.remove_prefix(1);
    FlowerRecord flower;
    flower.texts = geometry::defaultParameterTexts();
    std::array<bool, kFlowerKeys.size()> found{};
    bool seedFound = false, sizeFound = false, thicknessFound = false;
    while (!query.empty()) {
        const std::size_t amp = query.find('&');
        const std::string_view pair = query.substr(0, amp);
        query = amp == std::string_view::npos ? std::string_view() : query.substr(amp + 1);
        if (pair.empty())
            continue;
        const std::size_t equals = pair.find('=');
        const std::string_view key = pair.substr(0, equals);
        const std::optional<std::string> value = percentDecoded(equals == std::string_view::npos ? std::string_view() : pair.substr(equals + 1), true);
        const auto claim = [&](bool& seen) {
            if (seen)
                return "「" + std::string(key) + "」が二度あります。";
            seen = true;
            return value ? std::string() : "「" + std::string(key) + "」の値の % の書き方が正しくありません。";
        };
        std::string problem;
        for (std::size_t i = 0; i < kFlowerKeys.size(); ++i)
            if (key == kFlowerKeys[i]) {
                if ((problem = claim(found[i])).empty())
                    flower.texts[i] = oneLine(*value);
            }
        if (key == kSeedKey) {
            if ((problem = claim(seedFound)).empty()) {
                flower.seed = parseShapeNumber(*value);
                if (!flower.seed)
                    problem = std::string(messages::kShapeNumber);
            }
        } else if (key == kSizeKey || key == kThicknessKey) {
            if ((problem = claim(key == kSizeKey ? sizeFound : thicknessFound)).empty())
                (key == kSizeKey ? flower.size : flower.thickness) = oneLine(*value);
        }
        // Keys of no flower (added by whatever passed a link on) are skipped.
        if (!problem.empty())
            return {std::nullopt, problem};
    }
    if (requireAll)
        for (std::size_t i = 0; i < kFlowerKeys.size(); ++i)
            if (!found[i])
                return {std::nullopt, "「" + std::string(kFlowerKeys[i]) + "」がありません。"};
    if (std::string problem = flowerProblem(flower); !problem.empty())
        return {std::nullopt, problem};
    return {flower, {}};
}

std::string flowerProblem(const FlowerRecord& flower)
{
    return geometry::checkParameters(flower.texts, geometry::convertParameters(flower.texts));
}

} // namespace petalwright::formats
