#include "formats/Inflate.h"

#include <array>
#include <cstdint>

namespace petalwright::formats {
namespace {

constexpr int kMaxBits = 15;
constexpr int kLiteralCodes = 288;
constexpr int kDistanceCodes = 30;
constexpr int kEndOfBlock = 256;

constexpr std::array<int, 29> kLengthBase = {3, 4, 5, 6, 7, 8, 9, 10, 11, 13, 15, 17, 19, 23, 27, 31,
                                             35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258};
constexpr std::array<int, 29> kLengthExtra = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2, 2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
constexpr std::array<int, 30> kDistanceBase = {1, 2, 3, 4, 5, 7, 9, 13, 17, 25, 33, 49, 65, 97, 129,
                                               193, 257, 385, 513, 769, 1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
constexpr std::array<int, 30> kDistanceExtra = {0, 0, 0, 0, 1, 1, 2, 2, 3, 3, 4, 4, 5, 5, 6, 6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13};
// The order in which a dynamic block lists its code-length code lengths.
constexpr std::array<int, 19> kLengthOrder = {16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15};

// Canonical Huffman code: how many symbols have each length, and the symbols by code.
struct Huffman {
    std::array<int, kMaxBits + 1> count{};
    std::array<int, kLiteralCodes> symbol{};

    bool build(const int* lengths, int n)
    {
        count.fill(0);
        for (int s = 0; s < n; ++s)
            ++count[static_cast<std::size_t>(lengths[s])];
        int left = 1;
        for (int len = 1; len <= kMaxBits; ++len) {
            left = left * 2 - count[static_cast<std::size_t>(len)];
            if (left < 0)
                return false; // more codes than the lengths allow
        }
        std::array<int, kMaxBits + 2> offset{};
        for (int len = 1; len <= kMaxBits; ++len)
            offset[static_cast<std::size_t>(len + 1)] = offset[static_cast<std::size_t>(len)] + count[static_cast<std::size_t>(len)];
        for (int s = 0; s < n; ++s)
            if (lengths[s] != 0)
                symbol[static_cast<std::size_t>(offset[static_cast<std::size_t>(lengths[s])]++)] = s;
        return true;
    }
};

class Decoder {
public:
    Decoder(std::string_view in, std::size_t limit) : m_in(in), m_limit(limit) {}

    std::optional<std::string> run()
    {
        bool last = false;
        while (!last && m_out.size() < m_limit) {
            last = bits(1) == 1;
            const int type = bits(2);
            const bool ok = type == 0 ? stored() : type == 1 ? fixed() : type == 2 ? dynamic() : false;
            if (!ok || m_broken)
                return std::nullopt;
        }
        if (m_out.size() > m_limit)
            m_out.resize(m_limit);
        return std::move(m_out);
    }

private:
    int bits(int need)
    {
        std::uint32_t value = m_bitBuffer;
        while (m_bitCount < need) {
            if (m_pos >= m_in.size()) {
                m_broken = true;
                return 0;
            }
            value |= static_cast<std::uint32_t>(static_cast<unsigned char>(m_in[m_pos++])) << m_bitCount;
            m_bitCount += 8;
        }
        m_bitBuffer = value >> need;
        m_bitCount -= need;
        return static_cast<int>(value & ((1u << need) - 1));
    }

    int decode(const Huffman& h)
    {
        int code = 0, first = 0, index = 0;
        for (int len = 1; len <= kMaxBits; ++len) {
            code |= bits(1);
            const int count = h.count[static_cast<std::size_t>(len)];
            if (code - count < first)
                return h.symbol[static_cast<std::size_t>(index + (code - first))];
            index += count;
            first = (first + count) << 1;
            code <<= 1;
            if (m_broken)
                return -1;
        }
        return -1;
    }

    bool stored()
    {
        m_bitBuffer = 0;
        m_bitCount = 0; // to the next byte
        if (m_pos + 4 > m_in.size())
            return false;
        const auto byte = [&](std::size_t at) { return static_cast<unsigned>(static_cast<unsigned char>(m_in[at])); };
        const unsigned length = byte(m_pos) | byte(m_pos + 1) << 8;
        const unsigned complement = byte(m_pos + 2) | byte(m_pos + 3) << 8;
        m_pos += 4;
        if (length != (~complement & 0xFFFFu) || m_pos + length > m_in.size())
            return false;
        m_out.append(m_in.substr(m_pos, length));
        m_pos += length;
        return true;
    }

    bool codes(const Huffman& literals, const Huffman& distances)
    {
        for (;;) {
            const int symbol = decode(literals);
            if (symbol < 0)
                return false;
            if (symbol < kEndOfBlock) {
                m_out += static_cast<char>(symbol);
            } else if (symbol == kEndOfBlock) {
                return true;
            } else {
                const auto l = static_cast<std::size_t>(symbol - kEndOfBlock - 1);
                if (l >= kLengthBase.size())
                    return false;
                const int length = kLengthBase[l] + bits(kLengthExtra[l]);
                const int d = decode(distances);
                if (d < 0 || d >= kDistanceCodes)
                    return false;
                const auto distance = static_cast<std::size_t>(kDistanceBase[static_cast<std::size_t>(d)] + bits(kDistanceExtra[static_cast<std::size_t>(d)]));
                if (m_broken || distance > m_out.size())
                    return false;
                for (int i = 0; i < length; ++i)
                    m_out += m_out[m_out.size() - distance];
            }
            if (m_broken)
                return false;
            if (m_out.size() >= m_limit)
                return true;
        }
    }

    bool fixed()
    {
        std::array<int, kLiteralCodes + kDistanceCodes> lengths{};
        for (int s = 0; s < kLiteralCodes; ++s)
            lengths[static_cast<std::size_t>(s)] = s < 144 ? 8 : s < 256 ? 9 : s < 280 ? 7 : 8;
        for (int s = 0; s < kDistanceCodes; ++s)
            lengths[static_cast<std::size_t>(kLiteralCodes + s)] = 5;
        Huffman literals, distances;
        literals.build(lengths.data(), kLiteralCodes);
        distances.build(lengths.data() + kLiteralCodes, kDistanceCodes);
        return codes(literals, distances);
    }

    bool dynamic()
    {
        const int literalCount = bits(5) + 257, distanceCount = bits(5) + 1, lengthCount = bits(4) + 4;
        if (m_broken || literalCount > 286 || distanceCount > kDistanceCodes)
            return false;
        std::array<int, 320> lengths{};
        for (int i = 0; i < lengthCount; ++i)
            lengths[static_cast<std::size_t>(kLengthOrder[static_cast<std::size_t>(i)])] = bits(3);
        Huffman lengthCode;
        if (!lengthCode.build(lengths.data(), 19))
            return false;
        int index = 0;
        while (index < literalCount + distanceCount) {
            int symbol = decode(lengthCode);
            if (symbol < 0)
                return false;
            if (symbol < 16) {
                lengths[static_cast<std::size_t>(index++)] = symbol;
                continue;
            }
            int value = 0, repeat = 0;
            if (symbol == 16) {
                if (index == 0)
                    return false;
                value = lengths[static_cast<std::size_t>(index - 1)];
                repeat = 3 + bits(2);
            } else {
                repeat = symbol == 17 ? 3 + bits(3) : 11 + bits(7);
            }
            if (m_broken || index + repeat > literalCount + distanceCount)
                return false;
            while (repeat-- > 0)
                lengths[static_cast<std::size_t>(index++)] = value;
        }
        if (lengths[kEndOfBlock] == 0)
            return false;
        Huffman literals, distances;
        return literals.build(lengths.data(), literalCount) && distances.build(lengths.data() + literalCount, distanceCount)
            && codes(literals, distances);
    }

    std::string_view m_in;
    std::size_t m_limit;
    std::size_t m_pos = 0;
    std::uint32_t m_bitBuffer = 0;
    int m_bitCount = 0;
    bool m_broken = false;
    std::string m_out;
};

} // namespace

std::optional<std::string> inflateRaw(std::string_view deflated, std::size_t limit) { return Decoder(deflated, limit).run(); }

} // namespace petalwright::formats
