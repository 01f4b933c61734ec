#pragma once
// A zip archive as the 3MF package needs: entries stored or deflated (zlib), CRC-32 by table.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace petalwright::formats {

// CRC-32 (IEEE 802.3, the zip one) of `bytes`.
std::uint32_t crc32(std::string_view bytes);

// Whether ZipStore can deflate in this build (the browser build has no zlib and stores every entry).
bool zipCanDeflate();

// Deflates one entry's bytes handed a piece at a time (raw deflate at zlib's default level, as ZipStore
// makes it), keeping their CRC and size: a large entry's text is never held whole. Only where
// zipCanDeflate().
class ZipDeflater {
public:
    ZipDeflater();
    ~ZipDeflater();
    ZipDeflater(const ZipDeflater&) = delete;
    ZipDeflater& operator=(const ZipDeflater&) = delete;
    void add(std::string_view bytes);
    // The deflated bytes; empty when deflate failed.
    std::string finish();
    std::uint32_t crc() const { return m_crc ^ 0xFFFFFFFFu; }
    std::uint64_t size() const { return m_size; }

private:
    struct Stream;
    std::unique_ptr<Stream> m_stream;
    std::string m_packed;
    std::uint32_t m_crc = 0xFFFFFFFFu;
    std::uint64_t m_size = 0;
    bool m_failed = false;
};

class ZipStore {
public:
    enum class Method : std::uint16_t { Stored = 0, Deflated = 8 };
    // Appends one entry; names are ASCII paths with '/'. Entries stay below 4 GB (no zip64). Deflated
    // falls back to stored where it would not be smaller or cannot be made.
    void add(std::string_view name, std::string_view bytes, Method method = Method::Stored);
    // Appends `bytes` as `deflatedElsewhere` (raw deflate, as zip holds it, made by another deflater: the
    // browser's), recording the CRC and size of `bytes`; stored where that is not smaller.
    void add(std::string_view name, std::string_view bytes, std::string_view deflatedElsewhere);
    // Appends the deflated bytes of a ZipDeflater (smaller than the bytes it was given).
    void add(std::string_view name, const ZipDeflater& part, std::string_view packed);
    // The archive: the entries, the central directory and its end record.
    std::string finish();

private:
    void append(std::string_view name, std::string_view bytes, std::string_view packed);
    void append(std::string_view name, std::uint32_t crc, std::uint32_t size, Method method, std::string_view body);

    std::string m_data;
    std::string m_directory;
    std::uint16_t m_count = 0;
};

} // namespace petalwright::formats
