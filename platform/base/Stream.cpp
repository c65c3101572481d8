// Binary streams: the little-endian helpers, memory streams and file streams.
#include "platform/base/Stream.h"

#include <cerrno>
#include <cstring>
#include <limits>

#include <sys/stat.h>
#include <unistd.h>

#include "platform/base/Error.h"

namespace zv {
namespace {

constexpr const char* kReadError = "Stream read error";
constexpr const char* kWriteError = "Stream write error";
constexpr size_t kCopyChunk = 64 * 1024;

[[noreturn]] void ReadError() { throw StreamError(kReadError); }
[[noreturn]] void WriteError() { throw StreamError(kWriteError); }

// The new position of a seek over [0, size]; anything outside throws.
size_t SeekTarget(int64_t offset, SeekOrigin origin, size_t pos, size_t size)
{
    int64_t base = origin == SeekOrigin::Begin     ? 0
                   : origin == SeekOrigin::Current ? static_cast<int64_t>(pos)
                                                   : static_cast<int64_t>(size);
    if (offset > 0 && base > std::numeric_limits<int64_t>::max() - offset) throw StreamError("Stream seek error");
    int64_t target = base + offset;
    if (target < 0 || target > static_cast<int64_t>(size)) throw StreamError("Stream seek error");
    return static_cast<size_t>(target);
}

}  // namespace

// --- Stream helpers ---------------------------------------------------------------------------

void Stream::readBuffer(void* buffer, size_t count)
{
    if (count == 0) return;
    if (read(buffer, count) != count) ReadError();
}

void Stream::writeBuffer(const void* buffer, size_t count)
{
    if (count == 0) return;
    if (write(buffer, count) != count) WriteError();
}

std::vector<uint8_t> Stream::readBytes(size_t count)
{
    // Check first: a hostile count must not make us allocate what the stream cannot hold.
    int64_t left = remaining();
    if (left < 0 || count > static_cast<uint64_t>(left)) ReadError();
    std::vector<uint8_t> out(count);
    readBuffer(out.data(), count);
    return out;
}

uint8_t Stream::readU8()
{
    uint8_t b;
    readBuffer(&b, 1);
    return b;
}

uint16_t Stream::readU16()
{
    uint8_t b[2];
    readBuffer(b, 2);
    return static_cast<uint16_t>(b[0] | (b[1] << 8));
}

uint32_t Stream::readU32()
{
    uint8_t b[4];
    readBuffer(b, 4);
    return static_cast<uint32_t>(b[0]) | (static_cast<uint32_t>(b[1]) << 8) | (static_cast<uint32_t>(b[2]) << 16) |
           (static_cast<uint32_t>(b[3]) << 24);
}

int64_t Stream::readI64()
{
    uint64_t lo = readU32();
    uint64_t hi = readU32();
    return static_cast<int64_t>(lo | (hi << 32));
}

double Stream::readDouble()
{
    uint64_t bits = static_cast<uint64_t>(readI64());
    double d;
    std::memcpy(&d, &bits, sizeof d);
    return d;
}

std::string Stream::readShortString()
{
    size_t n = readU8();
    std::string s(n, '\0');
    readBuffer(s.data(), n);
    return s;
}

void Stream::writeU16(uint16_t v)
{
    uint8_t b[2] = {static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8)};
    writeBuffer(b, 2);
}

void Stream::writeU32(uint32_t v)
{
    uint8_t b[4] = {static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v >> 16),
                    static_cast<uint8_t>(v >> 24)};
    writeBuffer(b, 4);
}

void Stream::writeI64(int64_t v)
{
    auto u = static_cast<uint64_t>(v);
    writeU32(static_cast<uint32_t>(u));
    writeU32(static_cast<uint32_t>(u >> 32));
}

void Stream::writeDouble(double v)
{
    uint64_t bits;
    std::memcpy(&bits, &v, sizeof bits);
    writeI64(static_cast<int64_t>(bits));
}

void Stream::writeShortString(std::string_view s)
{
    if (s.size() > 255) WriteError();
    writeU8(static_cast<uint8_t>(s.size()));
    writeBuffer(s.data(), s.size());
}

void Stream::copyFrom(Stream& src, int64_t count)
{
    if (count < 0) {
        src.setPosition(0);
        count = src.size();
    }
    std::vector<uint8_t> chunk(static_cast<size_t>(std::min<int64_t>(count, static_cast<int64_t>(kCopyChunk))));
    while (count > 0) {
        size_t n = static_cast<size_t>(std::min<int64_t>(count, static_cast<int64_t>(chunk.size())));
        src.readBuffer(chunk.data(), n);
        writeBuffer(chunk.data(), n);
        count -= static_cast<int64_t>(n);
    }
}

// --- MemoryStream -------------------------------------------------------------------------------

size_t MemoryStream::read(void* buffer, size_t count)
{
    size_t n = pos_ < data_.size() ? std::min(count, data_.size() - pos_) : 0;
    if (n) std::memcpy(buffer, data_.data() + pos_, n);
    pos_ += n;
    return n;
}

size_t MemoryStream::write(const void* buffer, size_t count)
{
    if (count == 0) return 0;
    if (count > data_.max_size() - pos_) WriteError();
    if (pos_ + count > data_.size()) data_.resize(pos_ + count);
    std::memcpy(data_.data() + pos_, buffer, count);
    pos_ += count;
    return count;
}

int64_t MemoryStream::seek(int64_t offset, SeekOrigin origin)
{
    pos_ = SeekTarget(offset, origin, pos_, data_.size());
    return static_cast<int64_t>(pos_);
}

// --- ReadOnlyMemoryStream -----------------------------------------------------------------------

size_t ReadOnlyMemoryStream::read(void* buffer, size_t count)
{
    size_t n = pos_ < size_ ? std::min(count, size_ - pos_) : 0;
    if (n) std::memcpy(buffer, data_ + pos_, n);
    pos_ += n;
    return n;
}

size_t ReadOnlyMemoryStream::write(const void*, size_t) { WriteError(); }

int64_t ReadOnlyMemoryStream::seek(int64_t offset, SeekOrigin origin)
{
    pos_ = SeekTarget(offset, origin, pos_, size_);
    return static_cast<int64_t>(pos_);
}

// --- FileStream ---------------------------------------------------------------------------------

FileStream::FileStream(const std::string& path, FileMode mode)
{
    f_ = std::fopen(path.c_str(), mode == FileMode::Read ? "rb" : "wb");
    // A folder opens for reading on Linux but holds no bytes: refuse it like a missing file.
    struct stat st;
    if (f_ && (::fstat(::fileno(f_), &st) != 0 || S_ISDIR(st.st_mode))) {
        std::fclose(f_);
        f_ = nullptr;
    }
    if (!f_)
        throw StreamError(std::string(mode == FileMode::Read ? "Cannot open file \"" : "Cannot create file \"") + path +
                          "\"");
}

FileStream::~FileStream()
{
    if (f_) std::fclose(f_);
}

size_t FileStream::read(void* buffer, size_t count) { return std::fread(buffer, 1, count, f_); }

size_t FileStream::write(const void* buffer, size_t count) { return std::fwrite(buffer, 1, count, f_); }

int64_t FileStream::seek(int64_t offset, SeekOrigin origin)
{
    if (origin == SeekOrigin::Current && offset == 0) {
        long p = std::ftell(f_);
        if (p < 0) throw StreamError("Stream seek error");
        return p;
    }
    int64_t target;
    if (origin == SeekOrigin::Begin)
        target = offset;
    else if (origin == SeekOrigin::Current)
        target = std::ftell(f_) + offset;
    else
        target = size() + offset;
    // Files may grow by writing, but a seek never goes outside what exists.
    if (target < 0 || target > size()) throw StreamError("Stream seek error");
    if (std::fseek(f_, static_cast<long>(target), SEEK_SET) != 0) throw StreamError("Stream seek error");
    return target;
}

int64_t FileStream::size() const
{
    long cur = std::ftell(f_);
    if (cur < 0) return 0;
    std::fseek(f_, 0, SEEK_END);
    long end = std::ftell(f_);
    std::fseek(f_, cur, SEEK_SET);
    return end < 0 ? 0 : end;
}

void FileStream::flush()
{
    if (std::fflush(f_) != 0) WriteError();
}

void FileStream::sync()
{
    flush();
    if (::fsync(::fileno(f_)) != 0) WriteError();
}

}  // namespace zv
