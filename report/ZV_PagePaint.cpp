// Playing a prepared page: record keys, the visibility test, the highlight and the bit-block records.
#include "report/ZV_PagePaint.h"

#include <cmath>

#include "platform/emf/EmfFormat.h"

namespace zv {
namespace {
constexpr int32_t kBoundsMargin = 4;  // pixels added around every record's bounds

int32_t Nearest(double v)
{
    double r = std::nearbyint(v);  // halves to even in the default rounding mode
    if (r > 2e9) return 2000000000;
    if (r < -2e9) return -2000000000;
    return static_cast<int32_t>(r);
}
}  // namespace

Rect PageRecordRect(const TzvPagePaintContext& ctx, const Rect& bounds, int32_t penWidth, bool moved)
{
    const int64_t grow = penWidth / 2 + kBoundsMargin;
    Rect b{Nearest((bounds.left - grow) * ctx.ScaleX), Nearest((bounds.top - grow) * ctx.ScaleY),
           Nearest((bounds.right + grow) * ctx.ScaleX), Nearest((bounds.bottom + grow) * ctx.ScaleY)};
    if (moved) {
        b.left += ctx.PageRect.left;
        b.right += ctx.PageRect.left;
        b.top += ctx.PageRect.top;
        b.bottom += ctx.PageRect.top;
    }
    return b;
}

bool PageRecordVisible(const TzvPagePaintContext& ctx, const Rect& bounds, int32_t penWidth)
{
    const Rect clip{ctx.Clip.left - 1, ctx.Clip.top - 1, ctx.Clip.right + 1, ctx.Clip.bottom + 1};
    const Rect b = PageRecordRect(ctx, bounds, penWidth);
    return !(b.right < clip.left || clip.right < b.left || clip.bottom < b.top || b.bottom < clip.top);
}

EmfAction PagePaintRecord(TzvPagePaintContext& ctx, const EmfRecordInfo& rec, EmfPlayer& player)
{
    using namespace emf;
    if (rec.type == EMR_HEADER)
        ctx.RecordKey = ctx.PageIndex * 10000;
    else
        ++ctx.RecordKey;
    // Bit-block transfers are replayed by the player as stretched DIBs from their source bits
    // (or as pattern fills without them); they are never culled.
    if (rec.type == EMR_BITBLT || rec.type == EMR_STRETCHBLT) return EmfAction::Play;
    if (!rec.hasBounds || ctx.ForeignDC) return EmfAction::Play;
    if (!PageRecordVisible(ctx, rec.bounds, player.penWidth())) return EmfAction::Skip;
    if (ctx.Found && ctx.PageIndex == ctx.FoundPage && ctx.RecordKey == ctx.FoundKey && ctx.BlinkCount % 2 == 1) {
        const Color text = player.textColor(), bk = player.bkColor();
        const uint32_t mode = player.bkMode();
        player.setTextColor(text == clWhite ? kHighlightTextOnWhite : clWhite);
        player.setBkColor(kHighlightBackground);
        player.setBkMode(OPAQUE);
        player.play(rec);
        player.setTextColor(text);
        player.setBkColor(bk);
        player.setBkMode(mode);
        return EmfAction::Skip;
    }
    return EmfAction::Play;
}

void PaintPageRecords(const EmfFile& picture, Canvas& canvas, TzvPagePaintContext& ctx)
{
    EmfPlayer player(picture, &canvas, ctx.PageRect);
    player.run([&](const EmfRecordInfo& rec, EmfPlayer& p) { return PagePaintRecord(ctx, rec, p); });
}

}  // namespace zv
