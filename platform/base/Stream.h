// Binary streams: memory and file streams with position, size and seek, little-endian helpers.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace zv {

enum class SeekOrigin { Begin, Current, End };

// A byte stream. read() returns how many bytes it delivered; the read* helpers throw
// StreamError("Stream read error") on a short read, so readers of untrusted files can refuse
// them instead of reading past the end. Writes that fail throw StreamError("Stream write error").
class Stream {
public:
    virtual ~Stream() = default;
    virtual size_t read(void* buffer, size_t count) = 0;
    virtual size_t write(const void* buffer, size_t count) = 0;
    virtual int64_t seek(int64_t offset, SeekOrigin origin) = 0;  // new position; throws on a bad position
    virtual int64_t size() const = 0;

    int64_t position() { return seek(0, SeekOrigin::Current); }
    void setPosition(int64_t pos) { seek(pos, SeekOrigin::Begin); }
    int64_t remaining() { return size() - position(); }

    void readBuffer(void* buffer, size_t count);  // all or StreamError
    void writeBuffer(const void* buffer, size_t count);
    std::vector<uint8_t> readBytes(size_t count);  // checks count against remaining() first

    uint8_t readU8();
    int8_t readI8() { return static_cast<int8_t>(readU8()); }
    uint16_t readU16();
    int16_t readI16() { return static_cast<int16_t>(readU16()); }
    uint32_t readU32();
    int32_t readI32() { return static_cast<int32_t>(readU32()); }
    int64_t readI64();
    double readDouble();
    std::string readShortString();  // one length byte, then that many bytes

    void writeU8(uint8_t v) { writeBuffer(&v, 1); }
    void writeU16(uint16_t v);
    void writeI16(int16_t v) { writeU16(static_cast<uint16_t>(v)); }
    void writeU32(uint32_t v);
    void writeI32(int32_t v) { writeU32(static_cast<uint32_t>(v)); }
    void writeI64(int64_t v);
    void writeDouble(double v);
    void writeShortString(std::string_view s);  // longer than 255: StreamError
    void writeBytes(std::string_view bytes) { writeBuffer(bytes.data(), bytes.size()); }
    // Copies count bytes from another stream (all of it when count < 0).
    void copyFrom(Stream& src, int64_t count);
};

class MemoryStream : public Stream {
public:
    MemoryStream() = default;
    explicit MemoryStream(std::vector<uint8_t> data) : data_(std::move(data)) {}
    size_t read(void* buffer, size_t count) override;
    size_t write(const void* buffer, size_t count) override;
    int64_t seek(int64_t offset, SeekOrigin origin) override;
    int64_t size() const override { return static_cast<int64_t>(data_.size()); }

    const std::vector<uint8_t>& data() const { return data_; }
    std::vector<uint8_t>& data() { return data_; }
    void clear()
    {
        data_.clear();
        pos_ = 0;
    }

private:
    std::vector<uint8_t> data_;
    size_t pos_ = 0;
};

// A read-only view of bytes owned elsewhere.
class ReadOnlyMemoryStream : public Stream {
public:
    ReadOnlyMemoryStream(const void* data, size_t size) : data_(static_cast<const uint8_t*>(data)), size_(size) {}
    size_t read(void* buffer, size_t count) override;
    size_t write(const void*, size_t) override;  // throws StreamError
    int64_t seek(int64_t offset, SeekOrigin origin) override;
    int64_t size() const override { return static_cast<int64_t>(size_); }

private:
    const uint8_t* data_;
    size_t size_;
    size_t pos_ = 0;
};

enum class FileMode { Read, Create };

// A file opened for reading, or created (truncated) for writing.
// Opening fails with StreamError: "Cannot open file \"%s\"" / "Cannot create file \"%s\"".
class FileStream : public Stream {
public:
    FileStream(const std::string& path, FileMode mode);
    ~FileStream() override;
    FileStream(const FileStream&) = delete;
    FileStream& operator=(const FileStream&) = delete;
    size_t read(void* buffer, size_t count) override;
    size_t write(const void* buffer, size_t count) override;
    int64_t seek(int64_t offset, SeekOrigin origin) override;
    int64_t size() const override;
    void flush();  // throws StreamError when the data cannot be written out
    void sync();   // flush, then make the data durable on disk (fsync); StreamError on failure

private:
    std::FILE* f_ = nullptr;
};

}  // namespace zv
