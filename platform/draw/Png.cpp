// PNG encoder: signature, IHDR, one zlib stream of stored deflate blocks in IDAT chunks, IEND.
#include "platform/draw/Png.h"

#include <algorithm>
#include <array>
#include <cstdint>

#include "platform/base/Error.h"
#include "platform/base/Files.h"
#include "platform/base/Stream.h"

namespace zv {
namespace {

constexpr char kSignature[] = "\x89PNG\r\n\x1a\n";
constexpr size_t kStoredBlockMax = 65535;   // a stored deflate block holds at most this much
constexpr size_t kIdatChunkMax = 1u << 20;  // split IDAT so no chunk is unreasonably large
constexpr int64_t kMaxDimension = 1 << 24;  // keeps row sizes and totals well inside size_t

// CRC-32 (polynomial 0xEDB88320) as PNG chunks use it.
constexpr std::array<uint32_t, 256> MakeCrcTable()
{
    std::array<uint32_t, 256> t{};
    for (uint32_t n = 0; n < 256; ++n) {
        uint32_t c = n;
        for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
        t[n] = c;
    }
    return t;
}
constexpr std::array<uint32_t, 256> kCrcTable = MakeCrcTable();

uint32_t Crc32(uint32_t crc, const uint8_t* p, size_t n)
{
    crc = ~crc;
    for (size_t i = 0; i < n; ++i) crc = kCrcTable[(crc ^ p[i]) & 0xFF] ^ (crc >> 8);
    return ~crc;
}

void PutU32(std::string& out, uint32_t v)
{
    out += static_cast<char>(v >> 24);
    out += static_cast<char>(v >> 16);
    out += static_cast<char>(v >> 8);
    out += static_cast<char>(v);
}

void PutChunk(std::string& out, const char type[4], const std::string& data)
{
    PutU32(out, static_cast<uint32_t>(data.size()));
    std::string body(type, 4);
    body += data;
    out += body;
    PutU32(out, Crc32(0, reinterpret_cast<const uint8_t*>(body.data()), body.size()));
}

}  // namespace

std::string EncodePng(const Bitmap& bitmap)
{
    if (bitmap.empty() || bitmap.width > kMaxDimension || bitmap.height > kMaxDimension ||
        bitmap.pixels.size() != static_cast<size_t>(bitmap.width) * static_cast<size_t>(bitmap.height))
        throw Exception("Bitmap non valida per PNG");
    const bool alpha = bitmap.hasAlpha;
    const size_t channels = alpha ? 4 : 3;

    // Raw scanlines, each led by filter type 0 (none).
    std::string raw;
    raw.reserve(static_cast<size_t>(bitmap.height) * (1 + channels * static_cast<size_t>(bitmap.width)));
    for (int32_t y = 0; y < bitmap.height; ++y) {
        raw += '\0';
        for (int32_t x = 0; x < bitmap.width; ++x) {
            uint32_t px = bitmap.at(x, y);  // 0xAARRGGBB
            raw += static_cast<char>(px >> 16);
            raw += static_cast<char>(px >> 8);
            raw += static_cast<char>(px);
            if (alpha) raw += static_cast<char>(px >> 24);
        }
    }

    // zlib stream: header (deflate, 32K window, no preset dictionary), stored blocks, Adler-32.
    std::string z = "\x78\x01";
    size_t pos = 0;
    do {
        size_t n = std::min(kStoredBlockMax, raw.size() - pos);
        bool last = pos + n == raw.size();
        z += static_cast<char>(last ? 1 : 0);
        z += static_cast<char>(n & 0xFF);
        z += static_cast<char>(n >> 8);
        z += static_cast<char>(~n & 0xFF);
        z += static_cast<char>((~n >> 8) & 0xFF);
        z.append(raw, pos, n);
        pos += n;
    } while (pos < raw.size());
    uint32_t a = 1, b = 0;
    for (unsigned char c : raw) {
        a = (a + c) % 65521;
        b = (b + a) % 65521;
    }
    PutU32(z, (b << 16) | a);

    std::string out(kSignature, 8);
    std::string ihdr;
    PutU32(ihdr, static_cast<uint32_t>(bitmap.width));
    PutU32(ihdr, static_cast<uint32_t>(bitmap.height));
    ihdr += '\x08';                   // bit depth
    ihdr += alpha ? '\x06' : '\x02';  // RGBA or RGB
    ihdr += std::string(3, '\0');     // deflate, adaptive filtering, no interlace
    PutChunk(out, "IHDR", ihdr);
    for (size_t p = 0; p < z.size(); p += kIdatChunkMax) PutChunk(out, "IDAT", z.substr(p, kIdatChunkMax));
    PutChunk(out, "IEND", std::string());
    return out;
}

void SavePng(const std::string& path, const Bitmap& bitmap)
{
    std::string bytes = EncodePng(bitmap);
    SaveFileAtomically(path, [&](Stream& s) { s.writeBytes(bytes); });
}

}  // namespace zv
