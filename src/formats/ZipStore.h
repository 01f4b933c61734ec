#pragma once
// A zip archive of stored (uncompressed) entries, as the 3MF package needs: no library, CRC-32 by table.

#include <cstdint>
#include <string>
#include <string_view>

namespace petalwright::formats {

// CRC-32 (IEEE 802.3, the zip one) of `bytes`.
std::uint32_t crc32(std::string_view bytes);

class ZipStore {
public:
    // Appends one entry; names are ASCII paths with '/'. Entries stay below 4 GB (no zip64).
    void add(std::string_view name, std::string_view bytes);
    // The archive: the entries, the central directory and its end record.
    std::string finish();

private:
    std::string m_data;
    std::string m_directory;
    std::uint16_t m_count = 0;
};

} // namespace petalwright::formats
