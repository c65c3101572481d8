// Helpers of the picture tests: files, the ImageMagick oracle, PAM references, pixel comparison.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "platform/draw/Graphics.h"

namespace pictest {

// Names parameterised cases by their name field; '-' is not allowed in test names and becomes '_'.
struct CaseName {
    template <class Info>
    std::string operator()(const Info& info) const
    {
        std::string n = info.param.name;
        std::replace(n.begin(), n.end(), '-', '_');
        return n;
    }
};

inline std::vector<uint8_t> ReadFile(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) ADD_FAILURE() << "cannot read " << path;
    return std::vector<uint8_t>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

inline void WriteFile(const std::filesystem::path& path, const std::vector<uint8_t>& bytes)
{
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

inline std::filesystem::path SampleDir() { return std::filesystem::path(ZV_SOURCE_DIR) / "tests/data/pictures"; }

// A fresh folder under the build folder for files made at test time.
inline std::filesystem::path TempDir(const std::string& name)
{
    auto dir = std::filesystem::path(ZV_BINARY_DIR) / "tmp-pictures" / name;
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    return dir;
}

inline bool Shell(const std::string& command) { return std::system((command + " >/dev/null 2>&1").c_str()) == 0; }

inline bool HaveConvert()
{
    static const bool have = Shell("command -v convert");
    return have;
}

inline std::string Quote(const std::filesystem::path& p) { return "'" + p.string() + "'"; }

// Reads a PAM file (TUPLTYPE GRAYSCALE, GRAYSCALE_ALPHA, RGB or RGB_ALPHA at MAXVAL 255) into
// 0xAARRGGBB pixels.
inline zv::Bitmap ReadPam(const std::filesystem::path& path)
{
    std::vector<uint8_t> bytes = ReadFile(path);
    zv::Bitmap bmp;
    std::string text(bytes.begin(), bytes.end());
    size_t end = text.find("ENDHDR\n");
    if (text.rfind("P7\n", 0) != 0 || end == std::string::npos) {
        ADD_FAILURE() << "not a PAM file: " << path;
        return bmp;
    }
    std::istringstream header(text.substr(3, end - 3));
    int depth = 0, maxval = 0;
    std::string key;
    while (header >> key) {
        if (key == "WIDTH")
            header >> bmp.width;
        else if (key == "HEIGHT")
            header >> bmp.height;
        else if (key == "DEPTH")
            header >> depth;
        else if (key == "MAXVAL")
            header >> maxval;
        else if (key == "TUPLTYPE")
            header >> key;
    }
    size_t pos = end + 7;
    size_t count = static_cast<size_t>(bmp.width) * bmp.height;
    if (maxval != 255 || depth < 1 || depth > 4 || bytes.size() < pos + count * depth) {
        ADD_FAILURE() << "unexpected PAM layout in " << path;
        bmp = {};
        return bmp;
    }
    bmp.pixels.resize(count);
    for (size_t i = 0; i < count; ++i) {
        const uint8_t* p = bytes.data() + pos + i * depth;
        uint32_t r, g, b, a = 255;
        if (depth <= 2) {
            r = g = b = p[0];
            if (depth == 2) a = p[1];
        } else {
            r = p[0], g = p[1], b = p[2];
            if (depth == 4) a = p[3];
        }
        bmp.pixels[i] = (a << 24) | (r << 16) | (g << 8) | b;
    }
    bmp.hasAlpha = depth == 2 || depth == 4;
    return bmp;
}

// ImageMagick's own decoding of a picture file (the first frame, or the frame given in the path).
inline zv::Bitmap DecodeWithConvert(const std::filesystem::path& in, const std::filesystem::path& work,
                                    const std::string& options = "")
{
    auto pam = work / (in.filename().string() + ".pam");
    if (!Shell("convert " + Quote(in) + " " + options + " -depth 8 pam:" + Quote(pam))) {
        ADD_FAILURE() << "convert could not read " << in;
        return {};
    }
    return ReadPam(pam);
}

// Largest per-channel difference between two bitmaps of the same size, alpha included when
// withAlpha. Fully transparent pixels compare only their alpha (their colour is invisible).
inline int MaxDifference(const zv::Bitmap& a, const zv::Bitmap& b, bool withAlpha)
{
    if (a.width != b.width || a.height != b.height || a.pixels.size() != b.pixels.size()) return 1 << 20;
    int worst = 0;
    for (size_t i = 0; i < a.pixels.size(); ++i) {
        uint32_t p = a.pixels[i], q = b.pixels[i];
        bool invisible = withAlpha && (p >> 24) == 0 && (q >> 24) == 0;
        for (int shift = invisible ? 24 : 0; shift < (withAlpha ? 32 : 24); shift += 8) {
            int d = std::abs(static_cast<int>((p >> shift) & 0xFF) - static_cast<int>((q >> shift) & 0xFF));
            if (d > worst) worst = d;
        }
    }
    return worst;
}

// Mean absolute difference of the colour channels.
inline double MeanDifference(const zv::Bitmap& a, const zv::Bitmap& b)
{
    if (a.pixels.size() != b.pixels.size() || a.pixels.empty()) return 1e9;
    double sum = 0;
    for (size_t i = 0; i < a.pixels.size(); ++i)
        for (int shift = 0; shift < 24; shift += 8)
            sum += std::abs(static_cast<int>((a.pixels[i] >> shift) & 0xFF) -
                            static_cast<int>((b.pixels[i] >> shift) & 0xFF));
    return sum / (3.0 * a.pixels.size());
}

inline uint32_t Get32(const std::vector<uint8_t>& b, size_t off)
{
    return b[off] | (b[off + 1] << 8) | (b[off + 2] << 16) | (static_cast<uint32_t>(b[off + 3]) << 24);
}
inline uint16_t Get16(const std::vector<uint8_t>& b, size_t off)
{
    return static_cast<uint16_t>(b[off] | (b[off + 1] << 8));
}
inline void Set32(std::vector<uint8_t>& b, size_t off, uint32_t v)
{
    for (int i = 0; i < 4; ++i) b[off + i] = static_cast<uint8_t>(v >> (8 * i));
}
inline void Set16(std::vector<uint8_t>& b, size_t off, uint16_t v)
{
    b[off] = static_cast<uint8_t>(v);
    b[off + 1] = static_cast<uint8_t>(v >> 8);
}

// A deterministic test picture with many colours, optionally with an alpha ramp.
inline zv::Bitmap MakePattern(int32_t w, int32_t h, bool alpha = false)
{
    zv::Bitmap bmp;
    bmp.width = w;
    bmp.height = h;
    bmp.hasAlpha = alpha;
    bmp.pixels.resize(static_cast<size_t>(w) * h);
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x) {
            uint32_t r = (x * 255) / (w > 1 ? w - 1 : 1), g = (y * 255) / (h > 1 ? h - 1 : 1),
                     b = ((x + y) * 37) & 0xFF;
            uint32_t a = alpha ? ((x * 7 + y * 13) & 0xFF) : 0xFF;
            bmp.at(x, y) = (a << 24) | (r << 16) | (g << 8) | b;
        }
    return bmp;
}

}  // namespace pictest
