// The metafile graphic of picture objects: an enhanced metafile drawn through the player.
#pragma once

#include "platform/draw/Graphic.h"
#include "platform/emf/EmfReader.h"

namespace zv {

// Its file form is the metafile's bytes. Reading validates them; a malformed metafile throws
// the reader's "Invalid metafile: ..." and leaves the graphic as it was. Only enhanced
// metafiles are read (16-bit Windows metafiles are refused as not having an EMF header).
class MetafileGraphic : public Graphic {
public:
    MetafileGraphic() = default;
    explicit MetafileGraphic(EmfFile file) : file_(std::move(file)) {}
    PictureKind kind() const override { return PictureKind::Metafile; }
    int32_t width() const override { return file_.width(); }
    int32_t height() const override { return file_.height(); }
    bool empty() const override { return file_.empty(); }
    void draw(Canvas& canvas, const Rect& dest) const override;
    void loadFromStream(Stream& stream) override;
    void saveToStream(Stream& stream) const override;
    std::unique_ptr<Graphic> clone() const override { return std::make_unique<MetafileGraphic>(*this); }
    const EmfFile& file() const { return file_; }

private:
    EmfFile file_;
};

// Registers MetafileGraphic as the class of PictureKind::Metafile (idempotent).
void RegisterMetafileGraphic();

}  // namespace zv
