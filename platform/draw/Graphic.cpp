// Raster graphics over their stored file bytes, the registry of graphic kinds and blob sniffing.
#include "platform/draw/Graphic.h"

#include <array>

#include "platform/base/Error.h"
#include "platform/base/Stream.h"
#include "platform/draw/Canvas.h"
#include "platform/draw/Dib.h"
#include "platform/draw/Icon.h"
#include "platform/draw/Jpeg.h"

namespace zv {
namespace {

constexpr size_t kBlobHeaderSize = 8;  // some databases put 8 bytes in front of graphic data
constexpr uint16_t kBitmapSignature = 0x4D42;
constexpr uint16_t kJpegSignature = 0xD8FF;
constexpr uint32_t kPlaceableMetafileKey = 0x9AC6CDD7;

std::unique_ptr<Graphic> NewBitmap() { return std::make_unique<BitmapGraphic>(); }
std::unique_ptr<Graphic> NewIcon() { return std::make_unique<IconGraphic>(); }
std::unique_ptr<Graphic> NewJpeg() { return std::make_unique<JpegGraphic>(); }

std::array<GraphicFactory, kMaxGraphicKind + 1>& Registry()
{
    static std::array<GraphicFactory, kMaxGraphicKind + 1> registry = {nullptr, NewBitmap, nullptr, NewIcon, NewJpeg};
    return registry;
}

bool Has16(size_t size, size_t off) { return size >= off + 2; }
uint16_t At16(const uint8_t* d, size_t off) { return static_cast<uint16_t>(d[off] | (d[off + 1] << 8)); }
uint32_t At32(const uint8_t* d, size_t off) { return At16(d, off) | (static_cast<uint32_t>(At16(d, off + 2)) << 16); }

bool IsBitmapAt(const uint8_t* d, size_t size, size_t off)
{
    return Has16(size, off) && At16(d, off) == kBitmapSignature;
}
bool IsIconAt(const uint8_t* d, size_t size, size_t off)
{
    return size >= off + 4 && At16(d, off) == 0 && At16(d, off + 2) == 1;
}
bool IsJpegAt(const uint8_t* d, size_t size, size_t off) { return Has16(size, off) && At16(d, off) == kJpegSignature; }
bool IsMetafileAt(const uint8_t* d, size_t size, size_t off)
{
    if (Has16(size, off) && (At16(d, off) == 0 || At16(d, off) == 1)) return true;
    return size >= off + 4 && At32(d, off) == kPlaceableMetafileKey;
}

struct SniffRule {
    PictureKind kind;
    bool (*matches)(const uint8_t*, size_t, size_t);
};
constexpr SniffRule kSniffRules[] = {
    {PictureKind::Bitmap, IsBitmapAt},
    {PictureKind::Icon, IsIconAt},
    {PictureKind::Jpeg, IsJpegAt},
    {PictureKind::Metafile, IsMetafileAt},
};

}  // namespace

// ---- raster graphics ------------------------------------------------------------------------

void RasterGraphic::draw(Canvas& canvas, const Rect& dest) const
{
    if (!empty()) canvas.stretchDraw(dest, bitmap_);
}

void RasterGraphic::loadFromStream(Stream& stream)
{
    int64_t rest = stream.remaining();
    if (rest <= 0) {
        assign({}, {});
        return;
    }
    loadFromBytes(stream.readBytes(static_cast<size_t>(rest)));
}

void RasterGraphic::loadFromBytes(std::vector<uint8_t> bytes)
{
    if (bytes.empty()) {
        assign({}, {});
        return;
    }
    Bitmap bmp = decode(bytes);  // throws before anything changes
    assign(std::move(bytes), std::move(bmp));
}

void RasterGraphic::saveToStream(Stream& stream) const
{
    if (!bytes_.empty()) stream.writeBuffer(bytes_.data(), bytes_.size());
}

void RasterGraphic::assign(std::vector<uint8_t> bytes, Bitmap bitmap)
{
    bytes_ = std::move(bytes);
    bitmap_ = std::move(bitmap);
}

void BitmapGraphic::setBitmap(const Bitmap& bitmap)
{
    if (bitmap.empty()) {
        assign({}, {});
        return;
    }
    assign(EncodeBmp(bitmap), bitmap);
}

Bitmap BitmapGraphic::decode(const std::vector<uint8_t>& bytes) const { return DecodeBmp(bytes.data(), bytes.size()); }

void JpegGraphic::setBitmap(const Bitmap& bitmap, const JpegEncodeOptions& options)
{
    if (bitmap.empty()) {
        assign({}, {});
        return;
    }
    std::vector<uint8_t> bytes = EncodeJpeg(bitmap, options);
    Bitmap shown = DecodeJpeg(bytes.data(), bytes.size());
    assign(std::move(bytes), std::move(shown));
}

Bitmap JpegGraphic::decode(const std::vector<uint8_t>& bytes) const { return DecodeJpeg(bytes.data(), bytes.size()); }

Bitmap IconGraphic::decode(const std::vector<uint8_t>& bytes) const { return DecodeIcon(bytes.data(), bytes.size()); }

// ---- registry ---------------------------------------------------------------------------------

void RegisterGraphicKind(PictureKind kind, GraphicFactory factory)
{
    auto k = static_cast<size_t>(kind);
    if (kind == PictureKind::None || k > kMaxGraphicKind) return;
    Registry()[k] = factory;
}

bool IsGraphicKindRegistered(PictureKind kind)
{
    auto k = static_cast<size_t>(kind);
    return k <= kMaxGraphicKind && Registry()[k] != nullptr;
}

std::unique_ptr<Graphic> CreateGraphic(PictureKind kind)
{
    if (kind == PictureKind::None) return nullptr;
    if (!IsGraphicKindRegistered(kind)) throw Exception(kPictureKindUnsupportedMessage);
    return Registry()[static_cast<size_t>(kind)]();
}

// ---- sniffing ---------------------------------------------------------------------------------

PictureSignature SniffPicture(const uint8_t* data, size_t size)
{
    if (!data) return {};
    for (const SniffRule& rule : kSniffRules) {
        bool at0 = rule.matches(data, size, 0), at8 = rule.matches(data, size, kBlobHeaderSize);
        // A kind that matches at 0 is read from 0: plain icon files (colour count 0, planes 1)
        // and metafiles (bounds starting at 0) also match at 8, and skipping 8 bytes of them
        // would break every such picture.
        if (at0 || at8) return {rule.kind, at0 ? 0 : kBlobHeaderSize};
    }
    return {};
}

std::unique_ptr<Graphic> LoadGraphicFromBlob(const uint8_t* data, size_t size)
{
    PictureSignature sig = SniffPicture(data, size);
    if (sig.kind == PictureKind::None) return nullptr;
    std::unique_ptr<Graphic> g = CreateGraphic(sig.kind);
    ReadOnlyMemoryStream stream(data + sig.offset, size - sig.offset);
    g->loadFromStream(stream);
    return g;
}

}  // namespace zv
