// Binary streams: little-endian round trips, short reads, seeks, and file streams.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <limits>
#include <string>

#include "platform/base/Error.h"
#include "platform/base/Stream.h"

using namespace zv;

namespace {

std::string TempPath(const char* name) { return std::string(ZV_BINARY_DIR) + "/stream_test_" + name; }

// Runs f and returns the StreamError message, or "" if nothing was thrown.
template <class F>
std::string StreamFailure(F&& f)
{
    try {
        f();
    } catch (const StreamError& e) {
        return e.message();
    }
    return "";
}

}  // namespace

TEST(Stream, IntegersAreLittleEndian)
{
    MemoryStream m;
    m.writeU8(0xAB);
    m.writeU16(0x1234);
    m.writeI16(-2);
    m.writeU32(0xDEADBEEF);
    m.writeI32(-5);
    m.writeI64(0x0102030405060708LL);
    const std::vector<uint8_t> expected = {0xAB, 0x34, 0x12, 0xFE, 0xFF, 0xEF, 0xBE, 0xAD, 0xDE, 0xFB, 0xFF,
                                           0xFF, 0xFF, 0x08, 0x07, 0x06, 0x05, 0x04, 0x03, 0x02, 0x01};
    EXPECT_EQ(m.data(), expected);

    m.setPosition(0);
    EXPECT_EQ(m.readU8(), 0xAB);
    EXPECT_EQ(m.readU16(), 0x1234);
    EXPECT_EQ(m.readI16(), -2);
    EXPECT_EQ(m.readU32(), 0xDEADBEEFu);
    EXPECT_EQ(m.readI32(), -5);
    EXPECT_EQ(m.readI64(), 0x0102030405060708LL);
    EXPECT_EQ(m.remaining(), 0);
}

TEST(Stream, DoublesRoundTripBitForBit)
{
    const double values[] = {
        0.0,     -0.0, 1.5, -1e300, std::numeric_limits<double>::denorm_min(), std::numeric_limits<double>::infinity(),
        45000.75};
    MemoryStream m;
    for (double v : values) m.writeDouble(v);
    // 1.5 is 0x3FF8000000000000: the last byte written is the sign/exponent byte.
    EXPECT_EQ(m.data()[2 * 8 + 7], 0x3F);
    EXPECT_EQ(m.data()[2 * 8 + 6], 0xF8);
    m.setPosition(0);
    for (double v : values) {
        double r = m.readDouble();
        EXPECT_EQ(std::signbit(r), std::signbit(v));
        EXPECT_EQ(r, v);
    }
    m.writeDouble(std::nan(""));
    m.seek(-8, SeekOrigin::End);
    EXPECT_TRUE(std::isnan(m.readDouble()));
}

TEST(Stream, ShortStrings)
{
    MemoryStream m;
    m.writeShortString("");
    m.writeShortString("Pi\xE8 di pagina");
    m.writeShortString(std::string(255, 'x'));
    EXPECT_EQ(StreamFailure([&] { m.writeShortString(std::string(256, 'x')); }), "Stream write error");
    m.setPosition(0);
    EXPECT_EQ(m.readShortString(), "");
    EXPECT_EQ(m.readShortString(), "Pi\xE8 di pagina");
    EXPECT_EQ(m.readShortString(), std::string(255, 'x'));
}

// Every reader must refuse a stream that ends too early, whatever it asks for.
TEST(Stream, ShortReadsThrow)
{
    struct Case {
        const char* what;
        size_t available;
        std::function<void(Stream&)> read;
    };
    const Case cases[] = {
        {"u8 of nothing", 0, [](Stream& s) { s.readU8(); }},
        {"u16 of 1", 1, [](Stream& s) { s.readU16(); }},
        {"u32 of 3", 3, [](Stream& s) { s.readU32(); }},
        {"i64 of 7", 7, [](Stream& s) { s.readI64(); }},
        {"double of 5", 5, [](Stream& s) { s.readDouble(); }},
        {"short string longer than the data", 4, [](Stream& s) { s.readShortString(); }},
        {"bytes beyond the end", 10, [](Stream& s) { s.readBytes(11); }},
        {"huge byte count", 10, [](Stream& s) { s.readBytes(std::numeric_limits<size_t>::max()); }},
        {"buffer beyond the end", 2,
         [](Stream& s) {
             char b[3];
             s.readBuffer(b, 3);
         }},
    };
    for (const Case& c : cases) {
        std::vector<uint8_t> bytes(c.available, 0x09);  // a length byte of 9 for the short string case
        MemoryStream m(bytes);
        EXPECT_EQ(StreamFailure([&] { c.read(m); }), "Stream read error") << c.what;
        ReadOnlyMemoryStream r(bytes.data(), bytes.size());
        EXPECT_EQ(StreamFailure([&] { c.read(r); }), "Stream read error") << c.what << " (read-only)";
    }
}

TEST(Stream, ReadBytesAndRawRead)
{
    const uint8_t bytes[] = {1, 2, 3, 4, 5};
    ReadOnlyMemoryStream r(bytes, sizeof bytes);
    EXPECT_EQ(r.readBytes(0), std::vector<uint8_t>{});
    EXPECT_EQ(r.readBytes(2), (std::vector<uint8_t>{1, 2}));
    uint8_t buf[8] = {};
    EXPECT_EQ(r.read(buf, 8), 3u);  // read() itself reports how much it delivered
    EXPECT_EQ(buf[2], 5);
    EXPECT_EQ(r.read(buf, 8), 0u);
    EXPECT_EQ(StreamFailure([&] { r.writeU8(1); }), "Stream write error");
}

TEST(Stream, SeekStaysWithinTheData)
{
    struct Case {
        int64_t start;
        int64_t offset;
        SeekOrigin origin;
        int64_t expected;  // -1: throws
    };
    const Case cases[] = {
        {0, 0, SeekOrigin::Begin, 0},
        {0, 10, SeekOrigin::Begin, 10},
        {0, 11, SeekOrigin::Begin, -1},
        {0, -1, SeekOrigin::Begin, -1},
        {4, 3, SeekOrigin::Current, 7},
        {4, -4, SeekOrigin::Current, 0},
        {4, -5, SeekOrigin::Current, -1},
        {4, 7, SeekOrigin::Current, -1},
        {0, -3, SeekOrigin::End, 7},
        {0, 0, SeekOrigin::End, 10},
        {0, 1, SeekOrigin::End, -1},
        {0, -11, SeekOrigin::End, -1},
        {5, std::numeric_limits<int64_t>::max(), SeekOrigin::Current, -1},
    };
    std::vector<uint8_t> data(10, 0);
    for (const Case& c : cases) {
        MemoryStream m(data);
        ReadOnlyMemoryStream r(data.data(), data.size());
        for (Stream* s : {static_cast<Stream*>(&m), static_cast<Stream*>(&r)}) {
            s->setPosition(c.start);
            if (c.expected < 0) {
                EXPECT_FALSE(StreamFailure([&] { s->seek(c.offset, c.origin); }).empty()) << c.start << " " << c.offset;
                EXPECT_EQ(s->position(), c.start) << "a refused seek leaves the position alone";
            } else {
                EXPECT_EQ(s->seek(c.offset, c.origin), c.expected) << c.start << " " << c.offset;
                EXPECT_EQ(s->position(), c.expected);
            }
        }
    }
}

TEST(Stream, MemoryStreamOverwritesAndGrows)
{
    MemoryStream m;
    m.writeBytes("abcdef");
    m.setPosition(2);
    m.writeBytes("XYZWV");
    EXPECT_EQ(std::string(m.data().begin(), m.data().end()), "abXYZWV");
    EXPECT_EQ(m.size(), 7);
    EXPECT_EQ(m.position(), 7);
    m.clear();
    EXPECT_EQ(m.size(), 0);
    EXPECT_EQ(m.position(), 0);
}

TEST(Stream, CopyFrom)
{
    MemoryStream src(std::vector<uint8_t>{1, 2, 3, 4, 5, 6});
    src.setPosition(4);
    MemoryStream all;
    all.copyFrom(src, -1);  // all of it, from the start
    EXPECT_EQ(all.data(), src.data());

    src.setPosition(1);
    MemoryStream part;
    part.copyFrom(src, 3);
    EXPECT_EQ(part.data(), (std::vector<uint8_t>{2, 3, 4}));
    EXPECT_EQ(StreamFailure([&] { part.copyFrom(src, 10); }), "Stream read error");

    // Larger than one copy chunk.
    std::vector<uint8_t> big(200000);
    for (size_t i = 0; i < big.size(); ++i) big[i] = static_cast<uint8_t>(i * 7);
    MemoryStream bigSrc(big), bigDst;
    bigDst.copyFrom(bigSrc, -1);
    EXPECT_EQ(bigDst.data(), big);
}

TEST(FileStream, WriteThenReadBack)
{
    const std::string path = TempPath("rw.bin");
    {
        FileStream f(path, FileMode::Create);
        f.writeU32(0x11223344);
        f.writeShortString("ciao");
        f.writeDouble(2.5);
        EXPECT_EQ(f.size(), 4 + 5 + 8);
        f.setPosition(0);
        f.writeU8(0x55);  // overwrite in place
        f.seek(0, SeekOrigin::End);
        EXPECT_EQ(f.position(), 17);
        f.sync();
    }
    {
        FileStream f(path, FileMode::Read);
        EXPECT_EQ(f.size(), 17);
        EXPECT_EQ(f.readU32(), 0x11223355u);
        EXPECT_EQ(f.readShortString(), "ciao");
        EXPECT_EQ(f.readDouble(), 2.5);
        EXPECT_EQ(f.remaining(), 0);
        EXPECT_EQ(StreamFailure([&] { f.readU8(); }), "Stream read error");
        EXPECT_FALSE(StreamFailure([&] { f.seek(18, SeekOrigin::Begin); }).empty());
        EXPECT_EQ(f.seek(-4, SeekOrigin::End), 13);
        EXPECT_EQ(StreamFailure([&] { f.readBytes(5); }), "Stream read error");
        EXPECT_EQ(StreamFailure([&] { f.writeU8(1); }), "Stream write error");
    }
    std::remove(path.c_str());
}

TEST(FileStream, OpenFailuresNameTheFile)
{
    const std::string missing = TempPath("does-not-exist/x.bin");
    EXPECT_EQ(StreamFailure([&] { FileStream f(missing, FileMode::Read); }), "Cannot open file \"" + missing + "\"");
    EXPECT_EQ(StreamFailure([&] { FileStream f(missing, FileMode::Create); }),
              "Cannot create file \"" + missing + "\"");
    const std::string folder = ZV_BINARY_DIR;
    EXPECT_EQ(StreamFailure([&] { FileStream f(folder, FileMode::Read); }), "Cannot open file \"" + folder + "\"");
}
