// JPEG through libjpeg: an error manager that longjmps back (libjpeg must never exit), caps, conversion.
#include "platform/draw/Jpeg.h"

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include <jpeglib.h>

#include "platform/base/Error.h"

namespace zv {
namespace {

constexpr uint32_t kOpaque = 0xFF000000;
// libjpeg's working memory may be this many bytes per pixel of the picture (a progressive
// three-component file keeps 6 bytes of coefficients per pixel), never less than the floor.
constexpr uint64_t kWorkBytesPerPixel = 8;
constexpr uint64_t kMinWorkMemory = 64u << 20;
constexpr uint16_t kDotsPerInch = 96;

enum class Failure { None, Library, TooLarge, TooManyScans, Empty };

// Control comes back here by longjmp from inside libjpeg. Only libjpeg's C frames lie between
// setjmp and longjmp, so no C++ destructor is skipped; all state lives in this struct, reached
// through a pointer, so nothing the callers read after a jump is an indeterminate local.
struct ErrorManager {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
    Failure failure = Failure::None;
    char message[JMSG_LENGTH_MAX] = {};
};

extern "C" void OnJpegError(j_common_ptr cinfo)
{
    auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
    (*cinfo->err->format_message)(cinfo, err->message);
    err->failure = Failure::Library;
    std::longjmp(err->jump, 1);
}

// Warnings (corrupt data that libjpeg recovers from) are counted by libjpeg but not printed.
extern "C" void OnJpegMessage(j_common_ptr) {}

extern "C" void OnJpegProgress(j_common_ptr cinfo)
{
    if (!cinfo->is_decompressor) return;
    auto* d = reinterpret_cast<j_decompress_ptr>(cinfo);
    if (d->input_scan_number > kJpegMaxScans) {
        auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
        err->failure = Failure::TooManyScans;
        std::longjmp(err->jump, 1);
    }
}

void InstallErrorManager(j_common_ptr cinfo, ErrorManager* err)
{
    cinfo->err = jpeg_std_error(&err->pub);
    err->pub.error_exit = OnJpegError;
    err->pub.output_message = OnJpegMessage;
}

[[noreturn]] void ThrowFailure(const ErrorManager& err)
{
    switch (err.failure) {
    case Failure::TooLarge: throw Exception(kJpegTooLargeMessage);
    case Failure::TooManyScans: throw Exception(kJpegTooManyScansMessage);
    case Failure::Empty: throw Exception(kJpegEmptyMessage);
    default: throw Exception(std::string(kJpegErrorPrefix) + err.message);
    }
}

struct DecodeState {
    jpeg_decompress_struct cinfo;
    ErrorManager err;
    jpeg_progress_mgr progress;
    const uint8_t* data = nullptr;
    size_t size = 0;
    uint64_t maxArea = 0;
    bool headerOnly = false;
    JpegInfo info;
    Bitmap out;
};

// Converts one decoded scanline to 0xAARRGGBB.
void ConvertRow(const DecodeState& s, const JSAMPLE* in, uint32_t* out)
{
    const JDIMENSION w = s.cinfo.output_width;
    switch (s.cinfo.out_color_space) {
    case JCS_GRAYSCALE:
        for (JDIMENSION x = 0; x < w; ++x) out[x] = kOpaque | (in[x] * 0x010101u);
        break;
    case JCS_CMYK: {
        // Adobe writes CMYK inverted (0 = full ink); others store plain ink values.
        const bool inverted = s.cinfo.saw_Adobe_marker;
        for (JDIMENSION x = 0; x < w; ++x, in += 4) {
            uint32_t c = in[0], m = in[1], y = in[2], k = in[3];
            if (!inverted) c = 255 - c, m = 255 - m, y = 255 - y, k = 255 - k;
            uint32_t r = (c * k + 127) / 255, g = (m * k + 127) / 255, b = (y * k + 127) / 255;
            out[x] = kOpaque | (r << 16) | (g << 8) | b;
        }
        break;
    }
    default:
        for (JDIMENSION x = 0; x < w; ++x, in += 3)
            out[x] = kOpaque | (static_cast<uint32_t>(in[0]) << 16) | (static_cast<uint32_t>(in[1]) << 8) | in[2];
    }
}

// Returns false after a jump back from libjpeg; s->err says why.
bool RunDecode(DecodeState* s)
{
    if (setjmp(s->err.jump)) return false;
    jpeg_create_decompress(&s->cinfo);
    s->progress.progress_monitor = OnJpegProgress;
    s->cinfo.progress = &s->progress;
    jpeg_mem_src(&s->cinfo, s->data, static_cast<unsigned long>(s->size));
    jpeg_read_header(&s->cinfo, TRUE);

    s->info.width = static_cast<int32_t>(s->cinfo.image_width);
    s->info.height = static_cast<int32_t>(s->cinfo.image_height);
    s->info.components = s->cinfo.num_components;
    s->info.progressive = jpeg_has_multiple_scans(&s->cinfo);
    if (s->headerOnly) return true;

    const uint64_t area = static_cast<uint64_t>(s->cinfo.image_width) * s->cinfo.image_height;
    if (area == 0) {
        s->err.failure = Failure::Empty;
        return false;
    }
    if (area > s->maxArea) {
        s->err.failure = Failure::TooLarge;
        return false;
    }
    uint64_t work = area * kWorkBytesPerPixel;
    if (work < kMinWorkMemory) work = kMinWorkMemory;
    s->cinfo.mem->max_memory_to_use = static_cast<long>(work);

    switch (s->cinfo.jpeg_color_space) {
    case JCS_GRAYSCALE: s->cinfo.out_color_space = JCS_GRAYSCALE; break;
    case JCS_CMYK:
    case JCS_YCCK: s->cinfo.out_color_space = JCS_CMYK; break;
    default: s->cinfo.out_color_space = JCS_RGB; break;
    }
    jpeg_start_decompress(&s->cinfo);

    const JDIMENSION w = s->cinfo.output_width, h = s->cinfo.output_height;
    if (static_cast<uint64_t>(w) * h > s->maxArea || w == 0 || h == 0) {
        s->err.failure = Failure::TooLarge;
        return false;
    }
    // Resizing may throw std::bad_alloc; that unwinds normally through this frame only.
    s->out.width = static_cast<int32_t>(w);
    s->out.height = static_cast<int32_t>(h);
    s->out.pixels.assign(static_cast<size_t>(w) * h, kOpaque);
    JSAMPARRAY row = (*s->cinfo.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&s->cinfo), JPOOL_IMAGE,
                                                   w * static_cast<JDIMENSION>(s->cinfo.output_components), 1);
    while (s->cinfo.output_scanline < h) {
        JDIMENSION y = s->cinfo.output_scanline;
        if (jpeg_read_scanlines(&s->cinfo, row, 1) != 1) break;  // cannot happen with a memory source
        ConvertRow(*s, row[0], s->out.pixels.data() + static_cast<size_t>(y) * w);
    }
    jpeg_finish_decompress(&s->cinfo);
    return true;
}

struct DecodeGuard {
    DecodeState* s;
    ~DecodeGuard() { jpeg_destroy_decompress(&s->cinfo); }
};

std::unique_ptr<DecodeState> Decode(const uint8_t* data, size_t size, uint64_t maxArea, bool headerOnly)
{
    auto s = std::make_unique<DecodeState>();
    std::memset(&s->cinfo, 0, sizeof s->cinfo);
    std::memset(&s->progress, 0, sizeof s->progress);
    InstallErrorManager(reinterpret_cast<j_common_ptr>(&s->cinfo), &s->err);
    s->data = data;
    s->size = data ? size : 0;
    s->maxArea = maxArea;
    s->headerOnly = headerOnly;
    DecodeGuard guard{s.get()};
    if (!RunDecode(s.get())) ThrowFailure(s->err);
    return s;
}

struct EncodeState {
    jpeg_compress_struct cinfo;
    ErrorManager err;
    const Bitmap* bitmap = nullptr;
    JpegEncodeOptions options;
    unsigned char* buffer = nullptr;
    unsigned long bufferSize = 0;
};

bool RunEncode(EncodeState* s)
{
    if (setjmp(s->err.jump)) return false;
    jpeg_create_compress(&s->cinfo);
    jpeg_mem_dest(&s->cinfo, &s->buffer, &s->bufferSize);
    const Bitmap& bmp = *s->bitmap;
    s->cinfo.image_width = static_cast<JDIMENSION>(bmp.width);
    s->cinfo.image_height = static_cast<JDIMENSION>(bmp.height);
    s->cinfo.input_components = 3;
    s->cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&s->cinfo);
    if (s->options.grayscale) jpeg_set_colorspace(&s->cinfo, JCS_GRAYSCALE);
    int q = s->options.quality < 1 ? 1 : s->options.quality > 100 ? 100 : s->options.quality;
    jpeg_set_quality(&s->cinfo, q, TRUE);
    if (s->options.progressive) jpeg_simple_progression(&s->cinfo);
    s->cinfo.density_unit = 1;
    s->cinfo.X_density = kDotsPerInch;
    s->cinfo.Y_density = kDotsPerInch;
    jpeg_start_compress(&s->cinfo, TRUE);
    JSAMPARRAY row = (*s->cinfo.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&s->cinfo), JPOOL_IMAGE,
                                                   s->cinfo.image_width * 3, 1);
    while (s->cinfo.next_scanline < s->cinfo.image_height) {
        const uint32_t* src = bmp.pixels.data() + static_cast<size_t>(s->cinfo.next_scanline) * bmp.width;
        JSAMPLE* dst = row[0];
        for (int32_t x = 0; x < bmp.width; ++x) {
            *dst++ = static_cast<JSAMPLE>(src[x] >> 16);
            *dst++ = static_cast<JSAMPLE>(src[x] >> 8);
            *dst++ = static_cast<JSAMPLE>(src[x]);
        }
        jpeg_write_scanlines(&s->cinfo, row, 1);
    }
    jpeg_finish_compress(&s->cinfo);
    return true;
}

struct EncodeGuard {
    EncodeState* s;
    ~EncodeGuard()
    {
        jpeg_destroy_compress(&s->cinfo);
        std::free(s->buffer);  // allocated by libjpeg's memory destination with malloc
    }
};

}  // namespace

JpegInfo ReadJpegInfo(const uint8_t* data, size_t size) { return Decode(data, size, 0, true)->info; }

Bitmap DecodeJpeg(const uint8_t* data, size_t size, uint64_t maxArea)
{
    return std::move(Decode(data, size, maxArea, false)->out);
}

std::vector<uint8_t> EncodeJpeg(const Bitmap& bitmap, const JpegEncodeOptions& options)
{
    // JPEG dimensions are 16-bit.
    if (bitmap.empty() || bitmap.pixels.size() != static_cast<size_t>(bitmap.width) * bitmap.height)
        throw Exception(kJpegEmptyMessage);
    if (bitmap.width > JPEG_MAX_DIMENSION || bitmap.height > JPEG_MAX_DIMENSION) throw Exception(kJpegTooLargeMessage);
    auto s = std::make_unique<EncodeState>();
    std::memset(&s->cinfo, 0, sizeof s->cinfo);
    InstallErrorManager(reinterpret_cast<j_common_ptr>(&s->cinfo), &s->err);
    s->bitmap = &bitmap;
    s->options = options;
    EncodeGuard guard{s.get()};
    if (!RunEncode(s.get())) ThrowFailure(s->err);
    return std::vector<uint8_t>(s->buffer, s->buffer + s->bufferSize);
}

}  // namespace zv
