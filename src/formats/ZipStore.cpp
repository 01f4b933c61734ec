#include "formats/ZipStore.h"

#include <array>
#include <memory>

// Builds that do not say (the fuzzing build) store the parts as they are.
#ifndef PETALWRIGHT_HAVE_ZLIB
#define PETALWRIGHT_HAVE_ZLIB 0
#endif
#if PETALWRIGHT_HAVE_ZLIB
#include <zlib.h>
#endif

namespace petalwright::formats {
namespace {

constexpr std::uint32_t kLocalHeader = 0x04034b50;
constexpr std::uint32_t kCentralHeader = 0x02014b50;
constexpr std::uint32_t kEndRecord = 0x06054b50;
constexpr std::uint16_t kVersion = 20;   // 2.0: what a stored or deflated entry needs
constexpr std::uint16_t kDosDate = 0x21; // 1980-01-01: the package does not carry a time
constexpr std::uint16_t kFlagUtf8 = 0x0800;

void put16(std::string& out, std::uint16_t v)
{
    out += static_cast<char>(v & 0xFF);
    out += static_cast<char>(v >> 8);
}

void put32(std::string& out, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        out += static_cast<char>((v >> (8 * i)) & 0xFF);
}

std::array<std::uint32_t, 256> crcTable()
{
    std::array<std::uint32_t, 256> table{};
    for (std::uint32_t n = 0; n < 256; ++n) {
        std::uint32_t c = n;
        for (int k = 0; k < 8; ++k)
            c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
        table[n] = c;
    }
    return table;
}

// Raw deflate (no zlib head or tail, as zip wants) at zlib's default level; empty when it fails.
std::string deflated(std::string_view bytes)
{
#if PETALWRIGHT_HAVE_ZLIB
    z_stream stream{};
    constexpr int kRawWindowBits = -15;
    constexpr int kMemoryLevel = 8;
    if (deflateInit2(&stream, Z_DEFAULT_COMPRESSION, Z_DEFLATED, kRawWindowBits, kMemoryLevel, Z_DEFAULT_STRATEGY) != Z_OK)
        return {};
    // The bound (more than the text itself) left unfilled: only the pages deflate writes are ever held,
    // and the text of a large flower's model is hundreds of MB.
    const uLong bound = deflateBound(&stream, static_cast<uLong>(bytes.size()));
    const std::unique_ptr<char[]> buffer(new char[bound]); // not value-initialised: no page is touched before deflate
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(bytes.data()));
    stream.avail_in = static_cast<uInt>(bytes.size());
    stream.next_out = reinterpret_cast<Bytef*>(buffer.get());
    stream.avail_out = static_cast<uInt>(bound);
    const int result = deflate(&stream, Z_FINISH);
    std::string out(buffer.get(), stream.total_out);
    deflateEnd(&stream);
    return result == Z_STREAM_END ? out : std::string();
#else
    static_cast<void>(bytes);
    return {};
#endif
}

} // namespace

bool zipCanDeflate() { return PETALWRIGHT_HAVE_ZLIB != 0; }

namespace {

std::uint32_t crcUpdate(std::uint32_t c, std::string_view bytes)
{
    static const std::array<std::uint32_t, 256> table = crcTable();
    for (const char b : bytes)
        c = table[(c ^ static_cast<unsigned char>(b)) & 0xFF] ^ (c >> 8);
    return c;
}

} // namespace

std::uint32_t crc32(std::string_view bytes) { return crcUpdate(0xFFFFFFFFu, bytes) ^ 0xFFFFFFFFu; }

#if PETALWRIGHT_HAVE_ZLIB
struct ZipDeflater::Stream {
    z_stream z{};
};

ZipDeflater::ZipDeflater() : m_stream(std::make_unique<Stream>())
{
    constexpr int kRawWindowBits = -15;
    constexpr int kMemoryLevel = 8;
    m_failed = deflateInit2(&m_stream->z, Z_DEFAULT_COMPRESSION, Z_DEFLATED, kRawWindowBits, kMemoryLevel, Z_DEFAULT_STRATEGY) != Z_OK;
    if (m_failed)
        m_stream.reset();
}

ZipDeflater::~ZipDeflater()
{
    if (m_stream)
        deflateEnd(&m_stream->z);
}

namespace {

// Runs deflate over what it was given, appending its output to `out`; false when it failed.
bool pump(z_stream& z, int flush, std::string& out)
{
    std::array<char, 1 << 16> piece{};
    for (;;) {
        z.next_out = reinterpret_cast<Bytef*>(piece.data());
        z.avail_out = static_cast<uInt>(piece.size());
        const int result = deflate(&z, flush);
        out.append(piece.data(), piece.size() - z.avail_out);
        if (result == Z_STREAM_END || (flush == Z_NO_FLUSH && z.avail_in == 0 && z.avail_out != 0))
            return true;
        if (result != Z_OK && result != Z_BUF_ERROR)
            return false;
    }
}

} // namespace

void ZipDeflater::add(std::string_view bytes)
{
    m_crc = crcUpdate(m_crc, bytes);
    m_size += bytes.size();
    if (m_failed)
        return;
    m_stream->z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(bytes.data()));
    m_stream->z.avail_in = static_cast<uInt>(bytes.size());
    m_failed = !pump(m_stream->z, Z_NO_FLUSH, m_packed);
}

std::string ZipDeflater::finish()
{
    if (!m_failed) {
        m_stream->z.avail_in = 0;
        m_failed = !pump(m_stream->z, Z_FINISH, m_packed);
    }
    return m_failed ? std::string() : std::move(m_packed);
}
#else
struct ZipDeflater::Stream {};
ZipDeflater::ZipDeflater() : m_failed(true) {}
ZipDeflater::~ZipDeflater() = default;
void ZipDeflater::add(std::string_view bytes)
{
    m_crc = crcUpdate(m_crc, bytes);
    m_size += bytes.size();
}
std::string ZipDeflater::finish() { return m_failed ? std::string() : std::move(m_packed); } // always failed: nothing deflated
#endif

void ZipStore::add(std::string_view name, std::string_view bytes, Method method)
{
    append(name, bytes, method == Method::Deflated ? deflated(bytes) : std::string());
}

void ZipStore::add(std::string_view name, std::string_view bytes, std::string_view deflatedElsewhere)
{
    append(name, bytes, deflatedElsewhere);
}

void ZipStore::add(std::string_view name, const ZipDeflater& part, std::string_view packed)
{
    append(name, part.crc(), static_cast<std::uint32_t>(part.size()), Method::Deflated, packed);
}

void ZipStore::append(std::string_view name, std::string_view bytes, std::string_view packed)
{
    const Method method = packed.empty() || packed.size() >= bytes.size() ? Method::Stored : Method::Deflated;
    append(name, crc32(bytes), static_cast<std::uint32_t>(bytes.size()), method, method == Method::Stored ? bytes : packed);
}

void ZipStore::append(std::string_view name, std::uint32_t crc, std::uint32_t size, Method method, std::string_view body)
{
    const auto packedSize = static_cast<std::uint32_t>(body.size());
    const auto nameLength = static_cast<std::uint16_t>(name.size());
    const auto offset = static_cast<std::uint32_t>(m_data.size());

    put32(m_data, kLocalHeader);
    put16(m_data, kVersion);
    put16(m_data, kFlagUtf8);
    put16(m_data, static_cast<std::uint16_t>(method));
    put16(m_data, 0); // time
    put16(m_data, kDosDate);
    put32(m_data, crc);
    put32(m_data, packedSize);
    put32(m_data, size);
    put16(m_data, nameLength);
    put16(m_data, 0);
    m_data += name;
    m_data += body;

    put32(m_directory, kCentralHeader);
    put16(m_directory, kVersion);
    put16(m_directory, kVersion);
    put16(m_directory, kFlagUtf8);
    put16(m_directory, static_cast<std::uint16_t>(method));
    put16(m_directory, 0); // time
    put16(m_directory, kDosDate);
    put32(m_directory, crc);
    put32(m_directory, packedSize);
    put32(m_directory, size);
    put16(m_directory, nameLength);
    put16(m_directory, 0); // extra
    put16(m_directory, 0); // comment
    put16(m_directory, 0); // disk
    put16(m_directory, 0); // internal attributes
    put32(m_directory, 0); // external attributes
    put32(m_directory, offset);
    m_directory += name;
    ++m_count;
}

std::string ZipStore::finish()
{
    const auto directoryOffset = static_cast<std::uint32_t>(m_data.size());
    const auto directorySize = static_cast<std::uint32_t>(m_directory.size());
    std::string out = std::move(m_data);
    out += m_directory;
    put32(out, kEndRecord);
    put16(out, 0);
    put16(out, 0);
    put16(out, m_count);
    put16(out, m_count);
    put32(out, directorySize);
    put32(out, directoryOffset);
    put16(out, 0);
    return out;
}

} // namespace petalwright::formats
