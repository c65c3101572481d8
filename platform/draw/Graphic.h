// Graphics of picture objects: bitmap, icon and JPEG graphics, the kind registry and blob sniffing.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/draw/Graphics.h"
#include "platform/draw/Jpeg.h"

namespace zv {

class Canvas;
class Stream;

// The picture kinds of a template's picture record.
enum class PictureKind : uint8_t { None = 0, Bitmap = 1, Metafile = 2, Icon = 3, Jpeg = 4 };
constexpr uint8_t kMaxGraphicKind = 4;

inline constexpr const char kPictureKindUnsupportedMessage[] = "Picture kind is not supported";

// A picture that can draw itself stretched and that reads and writes its own file form (a BMP
// file, a metafile, an icon file, a JPEG file).
class Graphic {
public:
    virtual ~Graphic() = default;
    virtual PictureKind kind() const = 0;
    virtual int32_t width() const = 0;
    virtual int32_t height() const = 0;
    virtual bool empty() const = 0;
    // Draws the picture stretched into dest. An empty graphic draws nothing.
    virtual void draw(Canvas& canvas, const Rect& dest) const = 0;
    // Reads the file form from the current position to the end of the stream. No bytes left
    // gives an empty graphic; malformed bytes throw and leave the graphic as it was.
    virtual void loadFromStream(Stream& stream) = 0;
    // Writes the file form at the current position; an empty graphic writes nothing.
    virtual void saveToStream(Stream& stream) const = 0;
    virtual std::unique_ptr<Graphic> clone() const = 0;
    // The pixels of a raster graphic, nullptr for other kinds or when empty.
    virtual const Bitmap* bitmap() const { return nullptr; }
};

// Bitmap, icon and JPEG graphics keep the bytes they were read from and write them back
// unchanged, so a template's pictures survive a load/save cycle byte for byte.
class RasterGraphic : public Graphic {
public:
    int32_t width() const override { return bitmap_.width; }
    int32_t height() const override { return bitmap_.height; }
    bool empty() const override { return bitmap_.empty(); }
    void draw(Canvas& canvas, const Rect& dest) const override;
    void loadFromStream(Stream& stream) override;
    void saveToStream(Stream& stream) const override;
    const Bitmap* bitmap() const override { return empty() ? nullptr : &bitmap_; }
    // Loads from bytes already in memory; empty data clears the graphic.
    void loadFromBytes(std::vector<uint8_t> bytes);
    const std::vector<uint8_t>& fileBytes() const { return bytes_; }

protected:
    virtual Bitmap decode(const std::vector<uint8_t>& bytes) const = 0;
    void assign(std::vector<uint8_t> bytes, Bitmap bitmap);

private:
    std::vector<uint8_t> bytes_;
    Bitmap bitmap_;
};

class BitmapGraphic : public RasterGraphic {
public:
    BitmapGraphic() = default;
    explicit BitmapGraphic(const Bitmap& bitmap) { setBitmap(bitmap); }
    PictureKind kind() const override { return PictureKind::Bitmap; }
    std::unique_ptr<Graphic> clone() const override { return std::make_unique<BitmapGraphic>(*this); }
    // Replaces the picture; it is stored as a 32-bit file when it has alpha, else 24-bit.
    void setBitmap(const Bitmap& bitmap);

protected:
    Bitmap decode(const std::vector<uint8_t>& bytes) const override;
};

class JpegGraphic : public RasterGraphic {
public:
    JpegGraphic() = default;
    JpegGraphic(const Bitmap& bitmap, const JpegEncodeOptions& options) { setBitmap(bitmap, options); }
    PictureKind kind() const override { return PictureKind::Jpeg; }
    std::unique_ptr<Graphic> clone() const override { return std::make_unique<JpegGraphic>(*this); }
    // Replaces the picture by its JPEG encoding; the graphic then shows the decoded (lossy) pixels.
    void setBitmap(const Bitmap& bitmap, const JpegEncodeOptions& options = {});

protected:
    Bitmap decode(const std::vector<uint8_t>& bytes) const override;
};

class IconGraphic : public RasterGraphic {
public:
    PictureKind kind() const override { return PictureKind::Icon; }
    std::unique_ptr<Graphic> clone() const override { return std::make_unique<IconGraphic>(*this); }

protected:
    Bitmap decode(const std::vector<uint8_t>& bytes) const override;
};

// The registry of graphic classes by kind. Bitmap, icon and JPEG are registered from the start;
// the metafile graphic registers itself here from its own unit (which the program must link in
// and call), e.g. RegisterGraphicKind(PictureKind::Metafile, [] { return std::unique_ptr<Graphic>(...); }).
using GraphicFactory = std::unique_ptr<Graphic> (*)();
void RegisterGraphicKind(PictureKind kind, GraphicFactory factory);  // None is ignored
bool IsGraphicKindRegistered(PictureKind kind);
// A new empty graphic of the kind; None gives nullptr; a kind without a registered class throws
// kPictureKindUnsupportedMessage.
std::unique_ptr<Graphic> CreateGraphic(PictureKind kind);

// Signature sniffing of picture bytes from a database field. The rules are tried in the order
// bitmap ("BM"), icon (16-bit 0 then 1), JPEG (FF D8), metafile (16-bit 0 or 1, or the 32-bit
// placeable-metafile key 0x9AC6CDD7); each rule looks at offset 0 and at offset 8 (after the
// 8-byte header some databases put in front), and the first rule matching at either offset
// decides. offset is 0 when the chosen kind's signature matches at 0, else 8. kind is None
// when no rule matches.
struct PictureSignature {
    PictureKind kind = PictureKind::None;
    size_t offset = 0;
};
PictureSignature SniffPicture(const uint8_t* data, size_t size);

// A graphic of the sniffed kind read from the bytes at the sniffed offset; nullptr when no
// signature matches (the caller reports the unknown format in its own words).
std::unique_ptr<Graphic> LoadGraphicFromBlob(const uint8_t* data, size_t size);

}  // namespace zv
