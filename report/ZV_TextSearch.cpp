// Text search over prepared pages: matching, the search-mode callback, the highlight timer, Find.
#include "report/ZV_TextSearch.h"

#include <algorithm>

#include "platform/base/Numeric.h"
#include "platform/device/UiServices.h"
#include "platform/emf/EmfFormat.h"
#include "report/ZV_Const.h"
#include "report/ZV_EMFPages.h"

namespace zv {

namespace {

// Page pixels at 100 % per tenth of a millimetre of paper.
constexpr double kPaperToPixels = 397.0 / 1050.0;
// The search plays every page into this rectangle; nothing is drawn there.
constexpr Rect kSearchRect{0, 0, 10, 10};
// The highlight flashes until this tick; a stop jumps to the tick before it.
constexpr int32_t kLastBlink = 9;

void UpperAscii(std::string& s)
{
    for (char& c : s)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
}

bool IsWordDelimiter(char c) { return kFindWordDelimiters.find(c) != std::string_view::npos; }

}  // namespace

bool FindTextMatches(std::string_view recordText, std::string_view search, bool matchCase, bool partOfWord)
{
    if (search.empty()) return false;
    std::string t;
    t.reserve(recordText.size());
    for (char c : recordText)
        if (static_cast<uint8_t>(c) >= 0x20) t += c;
    std::string s(search);
    if (!matchCase) {
        UpperAscii(t);
        UpperAscii(s);
    }
    const size_t p = t.find(s);
    if (p == std::string::npos) return false;
    if (partOfWord || s == t) return true;
    const size_t end = p + s.size();
    if (p > 0 && !IsWordDelimiter(t[p - 1])) return false;
    if (end < t.size() && !IsWordDelimiter(t[end])) return false;
    return true;
}

void FindTextChanged(TzvFindDialogState& dialog)
{
    dialog.NextEnabled = false;
    dialog.PreviousEnabled = false;
    if (dialog.Origin == foNext || dialog.Origin == foPrevious) dialog.Origin = foFirstPage;
}

TzvFindDialogState& FindSettings()
{
    static TzvFindDialogState settings;
    return settings;
}

void ApplyHighlight(const TzvSearchState& search, TzvPagePaintContext& ctx)
{
    ctx.Found = search.Found;
    ctx.FoundPage = search.FoundPage;
    ctx.FoundKey = search.FoundKey;
    ctx.BlinkCount = search.BlinkCount;
}

void SetPageScale(TzvPagePaintContext& ctx, const TzvEMFPage& page, double zoom)
{
    const int32_t w = page.Picture.width(), h = page.Picture.height();
    ctx.ScaleX = w > 0 ? page.PaperWidth * kPaperToPixels / w * zoom / 100.0 : 1.0;
    ctx.ScaleY = h > 0 ? page.PaperHeight * kPaperToPixels / h * zoom / 100.0 : 1.0;
}

EmfAction PageSearchRecord(TzvPagePaintContext& ctx, TzvSearchState& search, int32_t currentPage,
                           const EmfRecordInfo& rec, EmfPlayer& player)
{
    using namespace emf;
    if (ctx.ForeignDC || search.Found) return EmfAction::Play;
    if (rec.type == EMR_HEADER)
        ctx.RecordKey = ctx.PageIndex * 10000;
    else
        ++ctx.RecordKey;
    if (rec.type != EMR_EXTTEXTOUTA && rec.type != EMR_EXTTEXTOUTW) return EmfAction::Play;
    if (!FindTextMatches(rec.text, search.SearchText, search.MatchCase, search.PartOfWord)) return EmfAction::Play;

    // Matches are numbered in document order; next and previous pick their neighbour of the
    // last accepted match.
    ++search.MatchNo;
    bool accepted;
    if (search.SearchNext)
        accepted = search.MatchNo == search.LastMatchNo + 1;
    else if (search.SearchPrevious)
        accepted = search.MatchNo == search.LastMatchNo - 1;
    else
        accepted = !search.FromCurrentPage || ctx.PageIndex >= currentPage - 1;
    if (!accepted) return EmfAction::Play;

    search.Found = true;
    search.LastMatchNo = search.MatchNo;
    search.HighlightRect = PageRecordRect(ctx, rec.bounds, player.penWidth(), false);
    search.FoundPage = ctx.PageIndex;
    search.FoundKey = ctx.RecordKey;
    search.BlinkCount = 0;
    search.TimerEnabled = true;
    return EmfAction::Stop;
}

bool SearchPageRecords(const EmfFile& picture, TzvPagePaintContext& ctx, TzvSearchState& search, int32_t currentPage)
{
    if (picture.empty()) return false;
    // No canvas: the player only keeps the device-context state (the pen width) current.
    EmfPlayer player(picture, nullptr, ctx.PageRect);
    player.run(
        [&](const EmfRecordInfo& rec, EmfPlayer& p) { return PageSearchRecord(ctx, search, currentPage, rec, p); });
    return search.Found;
}

bool SearchPages(const TzvEMFPages& pages, double zoom, int32_t currentPage, TzvSearchState& search)
{
    search.Searching = true;
    for (int i = 0; i < pages.Count() && !search.Found; ++i) {
        const TzvEMFPage& page = pages.Pages(i);
        TzvPagePaintContext ctx;
        ctx.PageIndex = i;
        ctx.PageRect = kSearchRect;
        SetPageScale(ctx, page, zoom);
        SearchPageRecords(page.Picture, ctx, search, currentPage);
    }
    search.Searching = false;
    return search.Found;
}

void DrawPreviewPage(const TzvEMFPages& pages, int pageIndex, Canvas& canvas, const Rect& rect, double zoom,
                     bool foreignDC, const Rect& clip, const TzvSearchState& search)
{
    if (pageIndex < 0 || pageIndex >= pages.Count()) return;
    const TzvEMFPage& page = pages.Pages(pageIndex);
    if (page.Picture.empty()) return;
    TzvPagePaintContext ctx;
    ctx.PageIndex = pageIndex;
    ctx.PageRect = rect;
    SetPageScale(ctx, page, zoom);
    ctx.ForeignDC = foreignDC;
    ctx.Clip = clip;
    ApplyHighlight(search, ctx);
    PaintPageRecords(page.Picture, canvas, ctx);
}

void TzvTextSearch::Find(TzvFindHost& host)
{
    TzvFindDialogState& kept = FindSettings();
    TzvFindDialogState dialog = kept;
    const TzvFindDialogState remembered = dialog;

    if (host.ShowFindDialog(dialog)) {
        TzvSearchState& s = State;
        if (s.Found) StopHighlight(host);
        Ui().processMessages();
        s.Found = false;
        s.SearchText = dialog.Text;
        s.MatchCase = dialog.MatchCase;
        s.PartOfWord = dialog.PartOfWord;
        s.SearchNext = dialog.Origin == foNext;
        s.SearchPrevious = dialog.Origin == foPrevious;
        s.FromCurrentPage = dialog.Origin == foCurrentPage;
        s.MatchNo = 0;
        SearchPages(pages_, host.Zoom(), host.CurrentPage(), s);

        if (s.Found) {
            if (s.TimerEnabled) host.SetHighlightTimer(true);
            dialog.NextEnabled = true;
            dialog.PreviousEnabled = s.SearchNext || s.SearchPrevious;
            if (std::find(dialog.History.begin(), dialog.History.end(), dialog.Text) == dialog.History.end())
                dialog.History.push_back(dialog.Text);
            if (s.FoundPage + 1 != host.CurrentPage()) host.GoToPage(s.FoundPage + 1);
            // Centre the matched record on the canvas.
            const Rect& r = s.HighlightRect;
            const Size canvas = host.CanvasSize();
            Point p = host.PageOrigin(s.FoundPage);
            host.SetHScrollPosition(host.HScrollPosition() + p.x + r.left - (canvas.cx - (r.right - r.left)) / 2);
            p = host.PageOrigin(s.FoundPage);
            host.SetVScrollPosition(host.VScrollPosition() + p.y + r.top - (canvas.cy - (r.bottom - r.top)) / 2);
            TimerTick(host);
        } else {
            Ui().messageBox(kMsgFindNotFound, kCaptionFindMessage, MB_ICONWARNING | MB_SYSTEMMODAL);
        }
    } else {
        // Cancel puts the controls back as they were shown.
        dialog.Text = remembered.Text;
        dialog.MatchCase = remembered.MatchCase;
        dialog.PartOfWord = remembered.PartOfWord;
        dialog.Origin = remembered.Origin;
        dialog.NextEnabled = remembered.NextEnabled;
        dialog.PreviousEnabled = remembered.PreviousEnabled;
    }
    kept = dialog;
}

void TzvTextSearch::TimerTick(TzvFindHost& host)
{
    TzvSearchState& s = State;
    ++s.BlinkCount;
    const Point origin = host.PageOrigin(s.FoundPage);
    const Rect r{s.HighlightRect.left + origin.x, s.HighlightRect.top + origin.y, s.HighlightRect.right + origin.x,
                 s.HighlightRect.bottom + origin.y};
    host.InvalidateCanvas(r);
    if (s.BlinkCount >= kLastBlink) {
        s.TimerEnabled = false;
        host.SetHighlightTimer(false);
        s.Found = false;
        host.InvalidateCanvas(r);
    }
}

void TzvTextSearch::StopHighlight(TzvFindHost& host)
{
    if (!State.Found) return;
    State.BlinkCount = kLastBlink - 1;
    TimerTick(host);
}

void TzvTextSearch::ZoomChanged(double oldZoom, double newZoom)
{
    if (!State.Found || oldZoom == newZoom || oldZoom == 0) return;
    const double f = newZoom / oldZoom;
    Rect& r = State.HighlightRect;
    r = {Round32(r.left * f), Round32(r.top * f), Round32(r.right * f), Round32(r.bottom * f)};
}

}  // namespace zv
