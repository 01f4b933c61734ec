#pragma once
// A zip archive as the 3MF package needs: entries stored or deflated (zlib), CRC-32 by table.

#include <cstdint>
#include <string>
#include <string_view>

namespace petalwright::formats {

// CRC-32 (IEEE 802.3, the zip one) of `bytes`.
std::uint32_t crc32(std::string_view bytes);

// Whether ZipStore can deflate in this build (the browser build has no zlib and stores every entry).
bool zipCanDeflate();

class ZipStore {
public:
    enum class Method : std::uint16_t { Stored = 0, Deflated = 8 };
    // Appends one entry; names are ASCII paths with '/'. Entries stay below 4 GB (no zip64). Deflated
    // falls back to stored where it would not be smaller or cannot be made.
    void add(std::string_view name, std::string_view bytes, Method method = Method::Stored);
    // Appends `bytes` as `deflatedElsewhere` (raw deflate, as zip holds it, made by another deflater: the
    // browser's), recording the CRC and size of `bytes`; stored where that is not smaller.
    void add(std::string_view name, std::string_view bytes, std::string_view deflatedElsewhere);
    // The archive: the entries, the central directory and its end record.
    std::string finish();

private:
    void append(std::string_view name, std::string_view bytes, std::string_view packed);

    std::string m_data;
    std::string m_directory;
    std::uint16_t m_count = 0;
};

} // namespace petalwright::formats
