#include "formats/FlowerReader.h"

#include <cstdint>
#include <optional>
#include <vector>

#include "Version.h"
#include "formats/Inflate.h"
#include "formats/PetalFile.h"
#include "formats/StlRecord.h"

namespace petalwright::formats {
namespace {

constexpr std::string_view kFormatName = "petalwright-flower ";
constexpr std::string_view kZipLocal = "PK\x03\x04";
constexpr std::string_view kGlbMagic = "glTF";
constexpr std::string_view kCadDxfStart = "999\r\n";
constexpr std::string_view kFaceDxfStart = "0\r\nSECTION\r\n2\r\nENTITIES\r\n";
constexpr std::string_view kDxfEnd = "0\r\nEOF\r\n";
constexpr std::string_view kModelEntry = "3D/3dmodel.model";
// The model's metadata come before its mesh: its first part is enough.
constexpr std::size_t kModelHeadBytes = 1 << 20;
constexpr int kCommentValueLines = geometry::kParameterCount;

FlowerRead problem(std::string_view text) { return {std::nullopt, std::string(text)}; }

bool queryCharacter(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '.' || c == '_' || c == '~'
        || c == '%' || c == '&' || c == '=';
}

// The record after "petalwright-flower " in `text`, up to the first character a query does not hold.
FlowerRead fromFlowerLine(std::string_view text)
{
    const std::size_t at = text.find(kFormatName);
    if (at == std::string_view::npos)
        return problem(messages::kNoFlower);
    text.remove_prefix(at + kFormatName.size());
    std::size_t end = 0;
    while (end < text.size() && text[end] != ' ' && text[end] != '\r' && text[end] != '\n')
        ++end;
    const std::string_view version = text.substr(0, end);
    if (version != kFlowerFormatLine.substr(kFormatName.size()))
        return problem("このファイルの花の設定の版（" + std::string(version) + "）には対応していません。");
    text.remove_prefix(std::min(end + 1, text.size()));
    end = 0;
    while (end < text.size() && queryCharacter(text[end]))
        ++end;
    return parseFlowerQuery(text.substr(0, end), true);
}

std::uint32_t little(std::string_view bytes, std::size_t at, int size)
{
    std::uint32_t value = 0;
    for (int i = size - 1; i >= 0; --i)
        value = value << 8 | static_cast<unsigned char>(bytes[at + static_cast<std::size_t>(i)]);
    return value;
}

// The first part of the model entry of a 3MF package, through its central directory.
std::optional<std::string> modelHead(std::string_view zip)
{
    constexpr std::size_t kEndRecord = 22, kCentralHeader = 46, kLocalHeader = 30;
    const std::size_t end = zip.rfind("PK\x05\x06");
    if (end == std::string_view::npos || end + kEndRecord > zip.size())
        return std::nullopt;
    const std::uint32_t entries = little(zip, end + 10, 2);
    std::size_t at = little(zip, end + 16, 4);
    for (std::uint32_t i = 0; i < entries; ++i) {
        if (at + kCentralHeader > zip.size() || zip.substr(at, 4) != "PK\x01\x02")
            return std::nullopt;
        const std::uint32_t method = little(zip, at + 10, 2), packed = little(zip, at + 20, 4);
        const std::size_t nameLength = little(zip, at + 28, 2), extra = little(zip, at + 30, 2), comment = little(zip, at + 32, 2);
        const std::size_t local = little(zip, at + 42, 4);
        if (at + kCentralHeader + nameLength > zip.size())
            return std::nullopt;
        if (zip.substr(at + kCentralHeader, nameLength) == kModelEntry) {
            if (local + kLocalHeader > zip.size() || zip.substr(local, 4) != kZipLocal)
                return std::nullopt;
            const std::size_t data = local + kLocalHeader + little(zip, local + 26, 2) + little(zip, local + 28, 2);
            if (data > zip.size() || packed > zip.size() - data)
                return std::nullopt;
            const std::string_view bytes = zip.substr(data, packed);
            if (method == 0)
                return std::string(bytes.substr(0, kModelHeadBytes));
            if (method == 8)
                return inflateRaw(bytes, kModelHeadBytes);
            return std::nullopt;
        }
        at += kCentralHeader + nameLength + extra + comment;
    }
    return std::nullopt;
}

std::string xmlUnescaped(std::string_view text)
{
    static constexpr std::pair<std::string_view, char> kEntities[] = {{"&amp;", '&'}, {"&lt;", '<'}, {"&gt;", '>'}, {"&quot;", '"'}, {"&apos;", '\''}};
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        bool replaced = false;
        for (const auto& [entity, c] : kEntities)
            if (text.substr(i).starts_with(entity)) {
                out += c;
                i += entity.size() - 1;
                replaced = true;
                break;
            }
        if (!replaced)
            out += text[i];
    }
    return out;
}

FlowerRead fromThreeMf(std::string_view zip)
{
    const std::optional<std::string> model = modelHead(zip);
    if (!model)
        return problem("3MF の中身（zip）が壊れていて読めません。");
    std::string query;
    bool any = false;
    const auto take = [&](std::string_view key) {
        const std::string open = "<metadata name=\"petalwright:" + std::string(key) + "\">";
        const std::size_t at = model->find(open);
        if (at == std::string::npos)
            return;
        const std::size_t from = at + open.size(), to = model->find("</metadata>", from);
        if (to == std::string::npos)
            return;
        any = true;
        if (!query.empty())
            query += '&';
        query += std::string(key) + '=' + percentEncoded(xmlUnescaped(std::string_view(*model).substr(from, to - from)));
    };
    for (const std::string_view key : kFlowerKeys)
        take(key);
    take(kSeedKey);
    if (!any)
        return problem(messages::kNoFlower);
    return parseFlowerQuery(query, true);
}

FlowerRead fromGlb(std::string_view file)
{
    constexpr std::size_t kJsonStart = 20;
    if (file.size() < kJsonStart)
        return problem(messages::kForeignFile);
    const std::size_t length = little(file, 12, 4);
    if (length > file.size() - kJsonStart)
        return problem("glTF の中身が壊れていて読めません。");
    const std::string_view json = file.substr(kJsonStart, length);
    const std::string_view key = "\"flower\":\"";
    const std::size_t at = json.find(key);
    if (at == std::string_view::npos)
        return problem(messages::kNoFlower);
    return fromFlowerLine(json.substr(at + key.size()));
}

FlowerRead fromStl(std::string_view file)
{
    std::string_view head = file.substr(0, kStlHeadBytes);
    for (const std::string_view key : {std::string_view(" flower="), std::string_view(" print=")}) {
        const std::size_t at = head.find(key);
        if (at == std::string_view::npos)
            continue;
        head.remove_prefix(at + key.size());
        std::vector<std::string_view> values;
        while (!head.empty() && head.front() != ' ') {
            const std::size_t comma = std::min(head.find_first_of(", "), head.size());
            values.push_back(head.substr(0, comma));
            head.remove_prefix(comma < head.size() && head[comma] == ',' ? comma + 1 : comma);
        }
        if (values.size() != kFlowerKeys.size() + 1)
            return problem("STL の頭の花の設定が壊れています。");
        std::string query;
        for (std::size_t i = 0; i < values.size(); ++i) {
            query += i == 0 ? "" : "&";
            query += i < kFlowerKeys.size() ? kFlowerKeys[i] : kSeedKey;
            query += '=';
            query += values[i];
        }
        return parseFlowerQuery(query, true);
    }
    return problem(messages::kNoFlower);
}

std::vector<std::string_view> lines(std::string_view text)
{
    std::vector<std::string_view> out;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        if (line.ends_with('\r'))
            line.remove_suffix(1);
        out.push_back(line);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    }
    return out;
}

// The six texts of a comment block as the DXF files end with ("// <label> = <value>" after the
// version line), with no shape number: the block never held one.
FlowerRead fromCommentBlock(const std::vector<std::string_view>& block, std::string_view prefix)
{
    std::size_t first = 0;
    while (first < block.size() && !block[first].starts_with(std::string(prefix) + std::string(version::kProductName)))
        ++first;
    if (first + kCommentValueLines >= block.size())
        return problem(messages::kNoFlower);
    std::string query;
    for (std::size_t i = 0; i < kFlowerKeys.size(); ++i) {
        const std::string_view line = block[first + 1 + i];
        const std::size_t equals = line.find(" = ");
        if (!line.starts_with(prefix) || equals == std::string_view::npos)
            return problem("コメントの花の設定が壊れています。");
        const std::string_view value = line.substr(equals + 3);
        if (!isUtf8(value))
            return problem("コメントの花の設定を文字として読めません。");
        if (i > 0)
            query += '&';
        query += kFlowerKeys[i];
        query += '=';
        query += percentEncoded(value);
    }
    return parseFlowerQuery(query, true);
}

FlowerRead fromDxf(std::string_view file)
{
    if (file.starts_with(kCadDxfStart))
        return fromFlowerLine(lines(file.substr(kCadDxfStart.size(), 4096)).front());
    const std::size_t end = file.find(kDxfEnd);
    if (end == std::string_view::npos)
        return problem("DXF の終わり（EOF）がありません。");
    return fromCommentBlock(lines(file.substr(end + kDxfEnd.size())), "// ");
}

FlowerRead fromObj(std::string_view file)
{
    std::vector<std::string_view> head;
    for (const std::string_view line : lines(file.substr(0, 16384))) {
        if (!line.starts_with('#'))
            break;
        if (line.starts_with(std::string("# ") + std::string(kFormatName)))
            return fromFlowerLine(line);
        head.push_back(line);
    }
    return fromCommentBlock(head, "# ");
}

bool startsWithFlowerFile(std::string_view bytes)
{
    if (bytes.starts_with("\xEF\xBB\xBF"))
        bytes.remove_prefix(3);
    while (!bytes.empty() && (bytes.front() == ' ' || bytes.front() == '\r' || bytes.front() == '\n'))
        bytes.remove_prefix(1);
    return bytes.starts_with(kFormatName.substr(0, kFormatName.size() - 1));
}

} // namespace

std::string flowerLine(const FlowerRecord& flower) { return std::string(kFlowerFormatLine) + ' ' + flowerQuery(flower); }

std::string stlFlowerHead(std::string_view key, const FlowerRecord& flower)
{
    std::string head = "Petalwright ";
    head += version::kVersionText;
    head += ' ';
    head += key;
    head += '=';
    for (const std::string& text : flower.texts)
        head += percentEncoded(text) + ',';
    head += flower.seed ? std::to_string(*flower.seed) : std::string();
    if (!flower.seed || head.size() > kStlHeadBytes)
        return {};
    head.resize(kStlHeadBytes, ' ');
    return head;
}

bool mayNameFlower(std::string_view start)
{
    return startsWithFlowerFile(start) || start.starts_with(kZipLocal) || start.starts_with(kGlbMagic) || start.starts_with("Petalwright ")
        || start.starts_with(kCadDxfStart) || start.starts_with("0\r\nSECTION\r\n2\r\n") || start.starts_with("# ") || start.starts_with("#\n");
}

FlowerRead readFlowerFile(std::string_view bytes)
{
    if (bytes.empty())
        return problem("ファイルが空です。");
    if (startsWithFlowerFile(bytes))
        return readPetalFile(bytes);
    if (bytes.starts_with(kZipLocal))
        return fromThreeMf(bytes);
    if (bytes.starts_with(kGlbMagic))
        return fromGlb(bytes);
    if (bytes.size() >= kStlHeadBytes + kStlCountBytes && bytes.starts_with("Petalwright ")) {
        const std::uint64_t triangles = little(bytes, kStlHeadBytes, 4);
        if (bytes.size() != kStlHeadBytes + kStlCountBytes + triangles * kStlTriangleBytes)
            return problem("STL の三角形の数とファイルの大きさが合いません。");
        return fromStl(bytes);
    }
    if (bytes.starts_with(kCadDxfStart) || bytes.starts_with(kFaceDxfStart) || bytes.starts_with("0\r\nSECTION\r\n2\r\nHEADER\r\n"))
        return fromDxf(bytes);
    if (bytes.starts_with("# ") || bytes.starts_with("#\n"))
        return fromObj(bytes);
    return problem(messages::kForeignFile);
}

} // namespace petalwright::formats
