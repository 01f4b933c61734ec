#include "formats/PetalFile.h"

#include "geometry/NumberScan.h"

namespace petalwright::formats {
namespace {

constexpr std::string_view kFormatName = "petalwright-flower";
constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
constexpr std::size_t kLongestLine = 4096; // far above any value a box or option holds

void appendLine(std::string& out, std::string_view key, std::string_view value)
{
    out += key;
    out += '=';
    out += value;
    out += '\n';
}

std::string lineProblem(std::size_t number, std::string_view what) { return std::to_string(number) + " 行目" + std::string(what); }

} // namespace

bool isUtf8(std::string_view bytes)
{
    std::size_t i = 0;
    while (i < bytes.size()) {
        const auto lead = static_cast<unsigned char>(bytes[i]);
        const std::size_t length = lead < 0x80 ? 1 : lead >= 0xC2 && lead < 0xE0 ? 2 : lead >= 0xE0 && lead < 0xF0 ? 3 : lead >= 0xF0 && lead < 0xF5 ? 4 : 0;
        if (length == 0 || i + length > bytes.size())
            return false;
        unsigned int code = length == 1 ? lead : lead & (0x7Fu >> length);
        for (std::size_t k = 1; k < length; ++k) {
            const auto next = static_cast<unsigned char>(bytes[i + k]);
            if ((next & 0xC0) != 0x80)
                return false;
            code = code << 6 | (next & 0x3Fu);
        }
        // Overlong forms, UTF-16 halves and code points past U+10FFFF are not text.
        if ((length == 3 && code < 0x800) || (length == 4 && (code < 0x10000 || code > 0x10FFFF)) || (code >= 0xD800 && code <= 0xDFFF))
            return false;
        i += length;
    }
    return true;
}

std::string petalFileText(const FlowerRecord& flower)
{
    std::string text(kFlowerFormatLine);
    text += '\n';
    forEachFlowerPair(flower, [&](std::string_view key, const std::string& value) { appendLine(text, key, value); });
    return text;
}

FlowerRead readPetalFile(std::string_view bytes)
{
    if (bytes.starts_with(kByteOrderMark))
        bytes.remove_prefix(kByteOrderMark.size());
    if (!isUtf8(bytes))
        return {std::nullopt, "UTF-8 の文字として読めないバイトがあります。"};
    // The pairs become one query, so the file and a link are checked by the same rules.
    std::string query;
    std::size_t number = 0;
    bool headSeen = false;
    while (!bytes.empty()) {
        const std::size_t end = bytes.find('\n');
        std::string_view line = bytes.substr(0, end);
        bytes = end == std::string_view::npos ? std::string_view() : bytes.substr(end + 1);
        ++number;
        if (line.ends_with('\r'))
            line.remove_suffix(1);
        if (line.size() > kLongestLine)
            return {std::nullopt, lineProblem(number, "が長すぎます。")};
        line = geometry::trimBlanks(line);
        if (line.empty() || line.starts_with('#'))
            continue;
        if (!headSeen) {
            headSeen = true;
            if (line == kFlowerFormatLine)
                continue;
            if (line.starts_with(kFormatName) && line.size() > kFormatName.size() && line[kFormatName.size()] == ' ')
                return {std::nullopt, "この花の設定ファイルの版（" + std::string(line.substr(kFormatName.size() + 1)) + "）には対応していません。"};
            return {std::nullopt, "花の設定ファイルではありません（1 行目が " + std::string(kFlowerFormatLine) + " ではありません）。"};
        }
        const std::size_t equals = line.find('=');
        if (equals == std::string_view::npos)
            return {std::nullopt, lineProblem(number, "に「キー=値」の形がありません。")};
        const std::string_view key = geometry::trimBlanks(line.substr(0, equals));
        bool known = key == kSeedKey || key == kSizeKey || key == kThicknessKey;
        for (const std::string_view flowerKey : kFlowerKeys)
            known = known || key == flowerKey;
        if (!known)
            return {std::nullopt, lineProblem(number, "のキー「" + std::string(key) + "」は使えません。")};
        if (!query.empty())
            query += '&';
        query += key;
        query += '=';
        query += percentEncoded(geometry::trimBlanks(line.substr(equals + 1)));
    }
    if (!headSeen)
        return {std::nullopt, "ファイルが空です。"};
    return parseFlowerQuery(query, true);
}

} // namespace petalwright::formats
