// The metafile graphic: reading and writing the metafile's bytes, drawing through the player.
#include "platform/emf/EmfGraphic.h"

#include "platform/base/Stream.h"
#include "platform/emf/EmfPlayer.h"

namespace zv {

void MetafileGraphic::draw(Canvas& canvas, const Rect& dest) const
{
    if (empty() || dest.isEmpty()) return;
    PlayEmf(file_, canvas, dest);
}

void MetafileGraphic::loadFromStream(Stream& stream)
{
    const int64_t left = stream.remaining();
    std::vector<uint8_t> bytes = stream.readBytes(static_cast<size_t>(left > 0 ? left : 0));
    file_ = EmfFile(std::move(bytes));  // validated before the old picture is replaced
}

void MetafileGraphic::saveToStream(Stream& stream) const
{
    if (empty()) return;
    const auto& b = file_.bytes();
    stream.writeBuffer(b.data(), std::min<size_t>(b.size(), file_.header().bytes));
}

void RegisterMetafileGraphic()
{
    RegisterGraphicKind(PictureKind::Metafile,
                        [] { return std::unique_ptr<Graphic>(std::make_unique<MetafileGraphic>()); });
}

}  // namespace zv
