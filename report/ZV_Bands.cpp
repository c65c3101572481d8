// Run-time bands: building a page's bands, measuring and stretching, splitting across pages,
// printing one instance, sub-reports, table cells, aggregates and groups.
#include "report/ZV_Bands.h"

#include <algorithm>
#include <climits>

#include "platform/base/Error.h"
#include "platform/base/Text.h"
#include "platform/device/UiServices.h"
#include "report/ZV_Const.h"
#include "report/ZV_Expr.h"
#include "report/ZV_Memo.h"
#include "report/ZV_PageLoop.h"
#include "report/ZV_Picture.h"
#include "report/ZV_Report.h"
#include "report/ZV_Template.h"
#include "report/ZV_Utils.h"

namespace zv {

namespace {

// The height that forces a band to the next column or page.
constexpr int32_t kForceBreak = 10000;

bool Failed() { return zvState().ErrorFlag; }
bool FirstPass() { return PrepareState().FirstPass; }
TzvReport* Preparing() { return PrepareState().PreparingReport; }
bool Cancelled()
{
    const TzvReport* r = Preparing();
    return Failed() || (r && r->Terminated);
}

// Page footer, background and objects outside any band print at their own Y and do not move CurY.
bool IsFixed(int kind) { return kind == bkPageFooter || kind == bkBackground || kind == bkNone; }
// These print wherever they stand without asking whether they fit: the fixed kinds, and the page
// and column headers and the column footer, which belong to the break itself.
bool SkipsFitCheck(int kind)
{
    return IsFixed(kind) || kind == bkPageHeader || kind == bkColumnHeader || kind == bkColumnFooter;
}
bool IsLevelDataKind(int kind) { return kind == bkMainData || kind == bkDetailData || kind == bkSubDetailData; }

// Notes on the current output page where its page header or footer lies: the header from where it
// starts to where the page goes on below it, the footer from its top to the bottom of the page.
void NotePageBandSpan(const TzvBand& band, int32_t headerTop)
{
    TzvReport* report = Preparing();
    const int32_t index = PrepareState().PageIndex;
    if (!report || index < 0 || index >= report->EMFPages.Count()) return;
    const TzvPage& page = *band.Parent;
    auto& spans = report->EMFPages.Pages(index).PageBandSpans;
    if (band.BandKind == bkPageHeader)
        spans.emplace_back(headerTop, page.CurY);
    else
        spans.emplace_back(band.Y, INT32_MAX);
}

void Guard(const std::exception& e)
{
    const auto* ex = dynamic_cast<const Exception*>(&e);
    ReportError(std::string(kErrFromEngine) + (ex ? ex->message() : std::string(e.what())));
}

void RaiseDraw(TzvView* view, bool after)
{
    TzvReport* r = Preparing();
    if (!r || !view) return;
    const TOnDrawObject& event = after ? r->OnDrawedObject : r->OnDrawObject;
    if (event) event(view);
}

int32_t ColumnFooterHeight(const TzvPage& page)
{
    const TzvBand* f = page.Bands[bkColumnFooter];
    return f ? f->Height : 0;
}

// The band and its design page become the current ones for the lifetime of the guard, so that
// expressions find the band's counters and aggregates (also inside a sub-report).
class CurrentBandScope {
public:
    explicit CurrentBandScope(TzvBand* band) : band_(zvState().CurrentBand), page_(zvState().CurrentPage)
    {
        zvState().CurrentBand = band;
        zvState().CurrentPage = band->Parent;
    }
    ~CurrentBandScope()
    {
        zvState().CurrentBand = band_;
        zvState().CurrentPage = page_;
    }
    CurrentBandScope(const CurrentBandScope&) = delete;
    CurrentBandScope& operator=(const CurrentBandScope&) = delete;

private:
    TzvBand* band_;
    TzvPage* page_;
};

// Key layout: FUN "(" argument ")" name, char(name length)[, char(level)].
bool ParseKey(std::string_view key, bool withLevel, std::string& function, std::string& argument)
{
    const size_t tail = withLevel ? 2 : 1;
    if (key.size() < 6 + tail) return false;
    const auto nameLength = static_cast<uint8_t>(key[key.size() - tail]);
    const size_t fixed = 3 + 1 + 1 + nameLength + tail;
    if (key.size() < fixed) return false;
    function = std::string(key.substr(0, 3));
    argument = std::string(key.substr(4, key.size() - fixed));
    return true;
}

Variant InitialValue(const std::string& function)
{
    if (function == "MIN") return Variant(kAggregateMinStart);
    if (function == "MAX") return Variant(kAggregateMaxStart);
    return Variant(int32_t{0});
}

// One step of an aggregate over n values so far.
void AccumulateInto(Variant& slot, const std::string& function, const Variant& v, int32_t n)
{
    if (function == "SUM") {
        slot = VarAdd(slot, v);
    } else if (function == "AVG") {
        slot = Variant((slot.toDouble() * n + v.toDouble()) / (static_cast<double>(n) + 1));
    } else if (function == "MIN") {
        if (VarCompare(v, slot) < 0) slot = v;
    } else if (function == "MAX") {
        if (VarCompare(v, slot) > 0) slot = v;
    }
}

// The value of an aggregate's argument for the current record, evaluated for the memo that
// registered it (so that plain field names find its band's data source).
Variant ArgumentValue(const std::string& argument, TzvView* object)
{
    TzvGlobalState& st = zvState();
    TzvView* saved = st.CurrentObject;
    st.CurrentObject = object;
    Variant v;
    try {
        EvaluateExpression(argument, v);
    } catch (const std::exception& e) {
        Guard(e);
    }
    st.CurrentObject = saved;
    if (v.isString() && v.toString().empty()) v = Variant(int32_t{0});
    return v;
}

// ---- drawing objects -----------------------------------------------------------------------

void DrawOneObject(TzvView& object, uint8_t mode)
{
    if (auto* memo = dynamic_cast<TzvCustomMemoView*>(&object)) memo->DrawMode = mode;
    try {
        RaiseDraw(&object, false);
        object.Draw(OutputCanvas());
        RaiseDraw(&object, true);
    } catch (const std::exception& e) {
        Guard(e);
    }
}

void DrawObject(TzvBand& band, TzvView& object, uint8_t mode)
{
    if (Failed() || FirstPass() || object.ParentBand != &band) return;
    const int32_t left = object.Left, top = object.Top;
    if (band.BandKind != bkNone) {
        const TzvPage& page = *band.Parent;
        object.Left += page.ColumnX - PageLimits(page).Left;
        object.Top += band.Y;
    }
    DrawOneObject(object, mode);
    object.Left = left;
    object.Top = top;
}

void RunSubReports(TzvBand& band);

// Draws the band's objects in order; the first sub-report object hands the rest over to the
// sub-reports (answer true).
bool DrawObjects(TzvBand& band, uint8_t mode)
{
    for (size_t i = 0; i < band.Objects.size(); ++i) {
        TzvView* object = band.Objects[i];
        if (object->Kind == otSubReport && object->ParentBand == &band) {
            band.SubIndex = i;
            RunSubReports(band);
            return true;
        }
        DrawObject(band, *object, mode);
        if (Cancelled()) break;
    }
    return false;
}

bool Overlaps(const TzvView& upper, const TzvView& r)
{
    const int32_t right = r.Left + r.DesignGeometry.Width;
    const int32_t from = upper.Left, to = upper.Left + upper.Width;
    return (right >= from && right <= to) || (r.Left >= from && r.Left <= to);
}

// The objects below object (beyond bottom) that overlap it horizontally move down by delta.
void PushBelow(TzvBand& band, const TzvView& object, int32_t bottom, int32_t delta)
{
    for (TzvView* r : band.Objects)
        if (r != &object && r->Top > bottom && Overlaps(object, *r)) r->Top += delta;
}

void PushDown(TzvBand& band, int32_t& height)
{
    for (TzvView* q : band.Objects) {
        if (q->Kind != otMemo || !(q->Options & moStretched) || q->ParentBand != &band) continue;
        const int32_t growth = q->Height - q->DesignGeometry.Height;
        for (TzvView* r : band.Objects) {
            if (r == q || r->Top <= q->Top + q->DesignGeometry.Height || !Overlaps(*q, *r)) continue;
            if (r->SavedTop == -1) r->SavedTop = r->Top;
            r->Top += growth;
            height = std::max(height, r->Top + r->Height);
        }
    }
}

// ---- table cells ---------------------------------------------------------------------------

bool InTable(const TzvView& object, const TzvBand& table) { return object.ParentBand == &table; }

// Draws the cells of table that this band holds at x, each owned by the band for the draw.
void DrawCells(TzvBand& band, TzvBand& table, int32_t x)
{
    for (TzvView* cell : band.Objects) {
        if (!InTable(*cell, table)) continue;
        TzvBand* owner = cell->ParentBand;
        const int32_t left = cell->Left, top = cell->Top;
        cell->ParentBand = &band;
        cell->Left += x;
        cell->Top += band.Y;
        if (!Failed() && !FirstPass()) DrawOneObject(*cell, dmNormal);
        cell->Left = left;
        cell->Top = top;
        cell->ParentBand = owner;
    }
}

bool HoldsCells(const TzvBand& band, const TzvBand* table)
{
    if (!table || !table->HasObjects()) return false;
    return std::any_of(band.Objects.begin(), band.Objects.end(),
                       [table](const TzvView* o) { return InTable(*o, *table); });
}

// Moves the table to the following output page when width more does not fit right of x.
void CheckTableRoom(TzvBand& band, int32_t& x, int32_t width)
{
    TzvPage& page = *band.Parent;
    const TzvPageLimits limits = PageLimits(page);
    if (limits.Right >= x + width) return;
    TzvPrepareState& ps = PrepareState();
    TzvReport& report = *Preparing();
    ++ps.PageIndex;
    if (ps.PageIndex >= report.EMFPages.Count()) {
        const int32_t y = page.CurY;
        AddOutputPage(page);
        page.CurY = limits.Top;
        ShowBandOf(page, page.Bands[bkBackground]);
        ShowBandOf(page, page.Bands[bkPageHeader]);
        page.CurY = y;
    }
    x = limits.Left;
    TzvBand* header = page.Bands[bkTableHeader];
    if (page.RepeatTableHeader != 0 && header && header->HasObjects()) {
        DrawCells(band, *header, x);
        x += header->Width;
    }
}

void PrintTableCells(TzvBand& band)
{
    TzvPage& page = *band.Parent;
    TzvBand* header = page.Bands[bkTableHeader];
    TzvBand* data = page.Bands[bkTableData];
    TzvBand* footer = page.Bands[bkTableFooter];
    if (page.TablePrinting || !(HoldsCells(band, header) || HoldsCells(band, data) || HoldsCells(band, footer))) return;
    page.TablePrinting = true;
    TzvPrepareState& ps = PrepareState();
    const int32_t rememberedPage = ps.PageIndex;
    page.TableColumnNo = 1;
    int32_t x = 0;
    if (header && header->HasObjects()) {
        DrawCells(band, *header, header->X);
        x = header->X + header->Width;
    }
    if (data && data->HasObjects()) {
        if (x == 0) x = data->X;
        TzvDataset* source = data->DataSource;
        if (source) {
            source->First();
            NotifyDataSetWork(data, dsoFirst);
            AggregateStep(*data, true);
        }
        const TzvBand* master = page.Bands[bkMainData];
        for (int32_t k = 1; !Cancelled(); ++k) {
            const bool masterEnd = !master || !master->DataSource || master->DataSource->Eof();
            if (!source || source->Eof() || masterEnd) {
                if (!masterEnd || data->AggMaxCount < k) break;
            }
            CheckTableRoom(band, x, data->Width);
            DrawCells(band, *data, x);
            x += data->Width;
            ++page.TableColumnNo;
            if (source) {
                source->Next();
                NotifyDataSetWork(data, dsoNext);
            }
            AggregateStep(*data, false);
        }
    }
    if (footer && footer->HasObjects()) {
        if (x == 0) x = footer->X;
        CheckTableRoom(band, x, footer->Width);
        DrawCells(band, *footer, x);
    }
    ps.PageIndex = rememberedPage;
    page.TablePrinting = false;
}

// ---- splitting a breakable band -------------------------------------------------------------

// A memo's height cut down to whole lines of height line with frame allowance frame; forceOne
// keeps one line even where it does not fit (the top of a fresh page).
int32_t CutToLines(int32_t height, int32_t line, int32_t frame, bool forceOne)
{
    if (line <= 0) return height;
    int32_t cut = (height / line) * line + 2 * frame + 1;
    if (cut > height) cut -= line;
    if (cut < line && forceOne) cut = line + 2 * frame + 1;
    return cut;
}

void SplitBand(TzvBand& band, uint8_t mode)
{
    TzvPage& page = *band.Parent;
    for (TzvView* o : band.Objects) {
        o->PendingSplit = o->ParentBand == &band;
        o->SplitGeometry = o->GetGeometry();
    }
    if (!CheckPageBreak(band, band.Y, band.StretchedHeight, true)) {
        DrawObjects(band, mode);
    } else {
        int32_t b = 0;
        for (bool pending = true; pending && !Cancelled();) {
            const int32_t c = page.CurBottomY - ColumnFooterHeight(page) - band.Y - 2;
            const bool fresh = page.FreshColumn;
            b = 0;
            for (TzvView* o : band.Objects) {
                if (!o->PendingSplit) continue;
                auto* memo = dynamic_cast<TzvMemoView*>(o);
                const int32_t d = o->Top;
                const bool atTop = fresh && d <= 0;
                if (d >= 0 && d < c) {
                    if (d + o->Height < c || (atTop && !memo)) {
                        DrawObject(band, *o, mode);
                        o->PendingSplit = false;
                        b = std::max(b, o->Top + o->Height);
                    } else if (memo) {
                        const int32_t line = memo->GetLineHeight(), frame = memo->FrameAllowance();
                        const int32_t h = o->Height, room = c - d + 1;
                        const int32_t cut = CutToLines(room, line, frame, atTop);
                        int32_t surplus = room - cut + 1;
                        if (cut < line) {
                            PushBelow(band, *o, d + h, c - d);
                            o->Top = c;
                            surplus = 0;
                        } else {
                            o->Height = cut;
                            memo->FirstLine = 0;
                            DrawObject(band, *o, dmContinue);
                            PushBelow(band, *o, d + h, surplus);
                        }
                        o->Height = h + surplus;
                    } else {
                        o->Top = c;
                    }
                } else if (d < 0 && d + o->Height >= 0) {
                    // A memo continued from the previous page or column.
                    const int32_t h = o->Height, line = memo ? memo->GetLineHeight() : 0;
                    const int32_t frame = memo ? memo->FrameAllowance() : 0;
                    if (d + h < c || !memo) {
                        o->Top = 0;
                        o->Height = d + h;
                        if (memo && line / 2 < o->Height) {
                            o->Height = memo->RemainingLines() * line + 2 * frame + 1;
                            DrawObject(band, *o, dmContinue);
                            b = std::max(b, o->Top + o->Height);
                        }
                        o->Top = d;
                        o->Height = h;
                        o->PendingSplit = false;
                    } else {
                        const int32_t cut = CutToLines(c, line, frame, true);
                        o->Top = 0;
                        o->Height = cut;
                        DrawObject(band, *o, dmContinue);
                        o->Top = d;
                        o->Height = h + (c - cut + 1);
                    }
                } else if (d < 0) {
                    o->PendingSplit = false;  // wholly above: nothing of it is left
                } else if (c <= 0 && fresh) {
                    // No room at all even on a fresh page: it prints here, clipped.
                    DrawObject(band, *o, mode);
                    o->PendingSplit = false;
                }
            }
            pending = false;
            for (TzvView* o : band.Objects) {
                o->Top -= std::max(c, 0);
                pending = pending || o->PendingSplit;
            }
            if (pending) {
                page.FreshColumn = false;
                CheckPageBreak(band, band.Y, kForceBreak, false);
                band.Y = page.CurY;
            }
        }
        band.StretchedHeight = b;
    }
    for (TzvView* o : band.Objects) {
        o->Top = o->SplitGeometry.Top;
        o->Height = o->SplitGeometry.Height;
        o->PendingSplit = false;
    }
    page.CurY += band.StretchedHeight;
}

// ---- sub-reports ---------------------------------------------------------------------------

void FinishSubReports(TzvBand& band)
{
    for (TzvPage* sub : band.SubPages) {
        sub->StepQueue.clear();
        sub->QueuePos = 0;
        sub->QueueMode = false;
        sub->Playing = false;
        sub->PendingBand = nullptr;
    }
    band.Parent->CurY = band.SubMaxY;
    band.Parent->PendingBand = nullptr;
}

// Plays the started sub-reports until all are done or the page is full; resume is set when the
// band is taken up again after the page (or the enclosing sub-report) moved on.
void PlaySubReports(TzvBand& band, bool resume)
{
    TzvPage& page = *band.Parent;
    int32_t colTop = -1;
    bool afterColumn = false;
    for (bool again = resume; !Cancelled(); again = true) {
        if (again) {
            for (size_t i = 0; i < band.SubPages.size(); ++i) {
                TzvPage& sub = *band.SubPages[i];
                sub.CurY = afterColumn ? band.SubViews[i]->Top + band.Y : page.CurY;
                sub.CurBottomY = page.CurBottomY;
            }
        }
        band.SubsDone = true;
        band.SubMaxY = page.CurY;
        for (size_t i = 0; i < band.SubPages.size(); ++i) {
            if (band.SubDone[i]) continue;
            TzvPage& sub = *band.SubPages[i];
            if (ReplayQueue(sub)) {
                band.SubsDone = false;
                continue;
            }
            band.SubDone[i] = true;
            if (sub.CurColumn > 0)
                band.SubMaxY = colTop;
            else
                colTop = -1;
            band.SubMaxY = std::max(band.SubMaxY, sub.CurY);
        }
        if (band.SubsDone) break;
        if (page.Playing) {
            // The enclosing band takes this one up again on its next page.
            page.PendingBand = &band;
            return;
        }
        TzvPage& first = *band.SubPages.front();
        if (first.CurColumn < PageColumns(first) - 1) {
            colTop = std::max(colTop, first.CurY);
            first.ColumnX += first.ColumnWidth + first.ColumnGap;
            ++first.CurColumn;
            first.FreshColumn = true;
            afterColumn = true;
        } else if (band.BandKind == bkPageFooter) {
            band.SubsDone = true;
            break;
        } else {
            NewPage(page);
            for (TzvPage* sub : band.SubPages) {
                sub->CurColumn = 0;
                if (PageColumns(*sub) > 1) sub->ColumnX = PageLimits(*sub).Left;
                sub->FreshColumn = true;
            }
            afterColumn = false;
        }
    }
    FinishSubReports(band);
}

void RunSubReports(TzvBand& band)
{
    TzvPage& page = *band.Parent;
    TzvReport& report = *Preparing();
    band.SubPages.clear();
    band.SubViews.clear();
    for (size_t i = band.SubIndex; i < band.Objects.size(); ++i) {
        auto* view = dynamic_cast<TzvSubReportView*>(band.Objects[i]);
        if (!view || view->ParentBand != &band) continue;
        if (view->SubPage < 0 || view->SubPage >= report.Pages.Count()) continue;  // names no page
        TzvPage& sub = report.Pages[view->SubPage];
        if (sub.Playing || &sub == &page ||
            std::find(band.SubPages.begin(), band.SubPages.end(), &sub) != band.SubPages.end()) {
            zvState().CurrentObject = view;
            ReportError(kMsgSubReportLoop + std::to_string(view->SubPage + 1));
            band.SubMaxY = page.CurY;
            FinishSubReports(band);
            return;
        }
        band.SubPages.push_back(&sub);
        band.SubViews.push_back(view);
        sub.Playing = true;
    }
    band.SubDone.assign(band.SubPages.size(), false);
    for (size_t i = 0; i < band.SubPages.size() && !Failed(); ++i) {
        TzvPage& sub = *band.SubPages[i];
        const TzvView& view = *band.SubViews[i];
        sub.QueueMode = true;
        sub.StepQueue.clear();
        sub.PendingBand = nullptr;
        sub.ReplayCompleteList = nullptr;
        FormPage(sub);
        sub.CurY = view.Top + band.Y;
        sub.CurBottomY = page.CurBottomY;
        sub.ColumnX = page.ColumnX + view.Left;
        sub.CurColumn = page.CurColumn;
        sub.QueuePos = 0;
        sub.FreshColumn = false;
    }
    page.PendingBand = nullptr;
    if (band.SubPages.empty()) {
        band.SubMaxY = page.CurY;
        return;
    }
    PlaySubReports(band, false);
}

// ---- building --------------------------------------------------------------------------------

TzvBand* NewBand(TzvPage& page, uint8_t kind)
{
    page.OwnedBands.push_back(std::make_unique<TzvBand>());
    TzvBand* band = page.OwnedBands.back().get();
    band->Parent = &page;
    band->BandKind = kind;
    return band;
}

void Attach(TzvBand& band, TzvView& object)
{
    object.Top -= band.Y;
    object.Unplaced = false;
    band.Objects.push_back(&object);
}

bool InBandRange(const TzvBand& band, const TzvView& object)
{
    return band.Y <= object.Top && static_cast<int64_t>(object.Top) < static_cast<int64_t>(band.Y) + band.Height - 1;
}

void TakeOptions(TzvBand& band, const TzvBandView& view, bool subReportPage)
{
    band.Stretched = view.Stretched();
    band.ForceNewPage = view.NewPage() && !subReportPage;
    band.PrintIfSubsetEmpty = view.PrintIfEmpty();
    band.Breakable = view.Breakable() && !subReportPage;
    band.CompleteList = view.CompleteList();
}

void ChainSorted(TzvPage& page, uint8_t kind, std::vector<TzvBand*>& bands)
{
    // Selection sort by Y: the first band with the smallest Y among the rest goes into each place.
    for (size_t i = 0; i < bands.size(); ++i) {
        size_t best = i;
        for (size_t j = i + 1; j < bands.size(); ++j)
            if (bands[j]->Y < bands[best]->Y) best = j;
        std::swap(bands[i], bands[best]);
    }
    for (size_t i = 0; i < bands.size(); ++i) {
        bands[i]->PrevBand = i > 0 ? bands[i - 1] : nullptr;
        bands[i]->NextBand = i + 1 < bands.size() ? bands[i + 1] : nullptr;
    }
    bands.front()->LastBand = bands.back();
    page.Bands[kind] = bands.front();
}

void PairGroups(TzvPage& page)
{
    TzvBand* header = page.Bands[bkGroupHeader] ? page.Bands[bkGroupHeader]->LastBand : nullptr;
    TzvBand* footer = page.Bands[bkGroupFooter];
    for (uint8_t level = 0; header && footer && footer->View && header->View; ++level) {
        header->Footer = footer;
        header->GroupLevel = footer->GroupLevel = level;
        header = header->PrevBand;
        footer = footer->NextBand;
    }
}

void BindSources(TzvPage& page)
{
    TzvGlobalState& st = zvState();
    for (int kind = 0; kind < kBandKindCount && !Failed(); ++kind) {
        if (kind == bkGroupHeader) continue;
        for (TzvBand* band = page.Bands[static_cast<size_t>(kind)]; band && !Failed(); band = band->NextBand) {
            if (!band->View) continue;
            st.CurrentObject = band->View;  // its band kind chooses the source of plain field names
            CurrentBandScope current(band);
            FindDataSource(band, band->View->FormatText);
        }
    }
    st.CurrentObject = nullptr;
}

}  // namespace

// ---- aggregate lists -----------------------------------------------------------------------

TzvAggregate* TzvBand::FindAggregate(std::string_view key)
{
    auto at = std::lower_bound(Aggregates.begin(), Aggregates.end(), key,
                               [](const TzvAggregate& a, std::string_view k) { return CompareText(a.Key, k) < 0; });
    return at != Aggregates.end() && SameText(at->Key, key) ? &*at : nullptr;
}

void TzvBand::RegisterAggregate(std::string_view key)
{
    auto at = std::lower_bound(Aggregates.begin(), Aggregates.end(), key,
                               [](const TzvAggregate& a, std::string_view k) { return CompareText(a.Key, k) < 0; });
    if (at != Aggregates.end() && SameText(at->Key, key)) return;
    TzvAggregate a;
    a.Key = std::string(key);
    a.Value = Variant(int32_t{0});
    ParseKey(key, true, a.Function, a.Argument);
    a.Object = zvState().CurrentObject;
    a.Level = key.empty() ? 0 : static_cast<uint8_t>(key.back());
    Aggregates.insert(at, std::move(a));
}

TzvColumnAggregate* TzvBand::FindColumnAggregate(std::string_view key)
{
    for (TzvColumnAggregate& a : ColumnAggregates)
        if (SameText(a.Key, key)) return &a;
    return nullptr;
}

void TzvBand::RegisterColumnAggregate(std::string_view key)
{
    if (FindColumnAggregate(key)) return;
    TzvColumnAggregate a;
    a.Key = std::string(key);
    ParseKey(key, false, a.Function, a.Argument);
    a.Object = zvState().CurrentObject;
    ColumnAggregates.push_back(std::move(a));
}

uint8_t GoverningDataBandKind(int kind)
{
    switch (kind) {
    case bkReportFooter:
    case bkPageFooter:
    case bkMainData:
    case bkMainFooter:
    case bkColumnFooter:
    case bkGroupFooter: return bkMainData;
    case bkDetailData:
    case bkDetailFooter: return bkDetailData;
    case bkSubDetailData:
    case bkSubDetailFooter: return bkSubDetailData;
    case bkTableData:
    case bkTableFooter: return bkTableData;
    default: return bkNone;
    }
}

uint8_t AggregateLevel(const TzvBand* band)
{
    if (!band) return 0;
    if (band->BandKind == bkReportFooter || band->BandKind == bkPageFooter || band->BandKind == bkColumnFooter)
        return kTopAggregateLevel;
    return band->GroupLevel;
}

void InstallBandHooks()
{
    SetBandKindFunction([](const TzvBand* band) { return static_cast<int>(band->BandKind); });
    SetBandGeometryFunction([](const TzvBand* band, TzvBandGeometry& out) {
        out.Stretched = band->Stretched;
        out.Height = band->StretchedHeight;
        out.DesignHeight = band->Height;
        return true;
    });
    SetBandFieldFunction([](std::string_view name) {
        TDataSet* dataSet = nullptr;
        return FindField(name, dataSet);
    });
}

// ---- building and releasing --------------------------------------------------------------------

void BuildBands(TzvPage& page)
{
    TzvReport& report = *Preparing();
    page.OwnedBands.clear();
    page.Bands = {};
    for (int kind = 0; kind < kBandKindCount; ++kind)
        page.Bands[static_cast<size_t>(kind)] = NewBand(page, static_cast<uint8_t>(kind));
    page.BandsBuilt = true;

    // 1. Every object starts outside any band, with its design geometry kept.
    std::vector<TzvBandView*> bandViews;
    for (const auto& owned : page.Objects) {
        TzvView& o = *owned;
        o.DesignGeometry = o.GetGeometry();
        o.SavedHeight = o.Height;
        o.SavedTop = -1;
        o.PendingSplit = false;
        o.ParentBand = nullptr;
        auto* bv = dynamic_cast<TzvBandView*>(&o);
        o.Unplaced = !bv;
        if (bv && bv->BandKind() < kBandKindCount) {
            bandViews.push_back(bv);
            o.BandKindOfOwner = bv->BandKind();
            if (IsTableBandKind(bv->BandKind())) page.Bands[bv->BandKind()]->View = bv;
        }
        if (auto* sub = dynamic_cast<TzvSubReportView*>(&o);
            sub && sub->SubPage >= 0 && sub->SubPage < report.Pages.Count())
            report.Pages[sub->SubPage].UsedAsSubReport = true;
    }

    // 2. Table bands take the objects that lie within their horizontal extent.
    for (int kind = bkTableHeader; kind <= bkTableFooter; ++kind) {
        TzvBand& table = *page.Bands[static_cast<size_t>(kind)];
        if (!table.View) continue;
        table.SourceLines = table.View->Lines;
        table.X = table.View->Left;
        table.Width = table.View->Width;
        table.Y = table.View->Top;
        table.Height = table.View->Height;
        for (const auto& owned : page.Objects) {
            TzvView& o = *owned;
            if (!o.Unplaced || o.ParentBand) continue;
            if (o.Left >= table.X &&
                static_cast<int64_t>(o.Left) + o.Width <= static_cast<int64_t>(table.X) + table.Width) {
                o.Left -= table.X;
                o.ParentBand = &table;
                table.Objects.push_back(&o);
            }
        }
    }

    // 3. The horizontal bands, kind by kind, each taking the objects within its height.
    for (int kind = 0; kind <= bkGroupFooter; ++kind) {
        std::vector<TzvBand*> bands;
        for (TzvBandView* bv : bandViews) {
            if (bv->BandKind() != kind) continue;
            TzvBand* band =
                bands.empty() ? page.Bands[static_cast<size_t>(kind)] : NewBand(page, static_cast<uint8_t>(kind));
            band->SourceLines = bv->Lines;
            band->Y = bv->Top;
            band->Height = bv->Height;
            band->View = bv;
            if (kind == bkGroupHeader) band->GroupCondition = bv->FormatText;
            TakeOptions(*band, *bv, page.UsedAsSubReport);
            bands.push_back(band);
            for (int sweep = 0; sweep < 3; ++sweep) {
                for (const auto& owned : page.Objects) {
                    TzvView& o = *owned;
                    if (!o.Unplaced || !InBandRange(*band, o)) continue;
                    const bool sub = o.Kind == otSubReport;
                    const bool tableCell = o.ParentBand && IsTableBandKind(o.ParentBand->BandKind);
                    const bool take = sweep == 0   ? !o.ParentBand && !sub
                                      : sweep == 1 ? tableCell
                                                   : !o.ParentBand && sub;
                    if (!take) continue;
                    if (!tableCell) o.ParentBand = band;
                    Attach(*band, o);
                }
            }
        }
        if (!bands.empty()) ChainSorted(page, static_cast<uint8_t>(kind), bands);
    }

    // 4. What lies in no band prints where it stands.
    TzvBand& none = *page.Bands[bkNone];
    for (const auto& owned : page.Objects) {
        TzvView& o = *owned;
        if (!o.Unplaced) continue;
        if (o.ParentBand) o.Left += o.ParentBand->X;
        o.ParentBand = &none;
        none.Objects.push_back(&o);
    }

    // 5.-7. Group pairs, the column width, the data sources.
    PairGroups(page);
    const TzvPageLimits limits = PageLimits(page);
    page.ColumnWidth = static_cast<int32_t>((static_cast<int64_t>(limits.Right) - limits.Left) / PageColumns(page));
    BindSources(page);
}

void ReleaseBands(TzvPage& page)
{
    for (const auto& band : page.OwnedBands) {
        if (!band->DataSource) continue;
        try {
            band->DataSource->Exit();
            NotifyDataSetWork(band.get(), dsoExit);
        } catch (const std::exception&) {
            // Putting a dataset back must not stop the others from being put back.
        }
        band->DataSource = nullptr;
    }
    if (TzvBand* current = zvState().CurrentBand; current && current->Parent == &page) zvState().CurrentBand = nullptr;
    page.Bands = {};
    page.OwnedBands.clear();
}

// ---- measuring and printing ------------------------------------------------------------------

int32_t MeasureHeight(TzvBand& band)
{
    TzvGlobalState& st = zvState();
    st.MeasuredBottom = band.Height;
    for (TzvView* o : band.Objects) {
        if (o->ParentBand != &band) continue;
        auto* memo = dynamic_cast<TzvCustomMemoView*>(o);
        if (!memo) continue;
        memo->DrawMode = dmMeasure;
        try {
            RaiseDraw(o, false);
            o->Draw(OutputCanvas());
            RaiseDraw(o, true);
        } catch (const std::exception& e) {
            Guard(e);
        }
        st.MeasuredBottom = std::max(st.MeasuredBottom, o->Top + o->Height);
    }
    return st.MeasuredBottom;
}

int32_t BandHeightForFit(TzvBand& band)
{
    if (IsLevelDataKind(band.BandKind) && band.NextBand && !band.NextBand->DataSource) {
        int32_t total = 0;
        for (TzvBand* b = &band; b; b = b->NextBand) total += MeasureHeight(*b);
        return total;
    }
    return band.Stretched ? MeasureHeight(band) : band.Height;
}

bool CheckPageBreak(TzvBand& band, int32_t y, int32_t height, bool checkOnly)
{
    TzvPage& page = *band.Parent;
    if (static_cast<int64_t>(page.CurBottomY) >= static_cast<int64_t>(y) + height + ColumnFooterHeight(page))
        return false;
    if (checkOnly) return true;
    // Nothing else fits better on a fresh column; a sub-report page breaks with its enclosing band.
    if (page.FreshColumn || page.Playing) return false;
    if (page.CurColumn < PageColumns(page) - 1) {
        ShowBandOf(page, page.Bands[bkColumnFooter]);
        ++page.CurColumn;
        page.ColumnX += page.ColumnWidth + page.ColumnGap;
        page.CurY = page.ColumnTopY;
        ShowBandOf(page, page.Bands[bkColumnHeader]);
        page.FreshColumn = true;
    } else {
        NewPage(page);
    }
    return true;
}

void DrawBandBody(TzvBand& band)
{
    if (!band.HasObjects()) return;
    TzvPage& page = *band.Parent;
    const bool fixed = IsFixed(band.BandKind), checks = !SkipsFitCheck(band.BandKind);
    const int32_t savedY = band.Y;
    if (!fixed) band.Y = page.CurY;
    if (band.Stretched) {
        int32_t h = MeasureHeight(band);
        for (TzvView* o : band.Objects) o->SavedTop = -1;
        PushDown(band, h);
        band.StretchedHeight = h;
        if (band.Breakable) {
            SplitBand(band, dmDrawAgain);
        } else {
            if (checks) CheckPageBreak(band, band.Y, h, false);
            band.Y = page.CurY;
            const bool subs = DrawObjects(band, dmDrawAgain);
            if (!subs) PrintTableCells(band);
            if (!subs) page.CurY += h;
        }
        for (TzvView* o : band.Objects) {
            if (o->SavedTop != -1) o->Top = o->SavedTop;
            o->SavedTop = -1;
        }
    } else if (band.Breakable) {
        band.StretchedHeight = MeasureHeight(band);
        SplitBand(band, dmDrawAgain);
    } else {
        if (!fixed) {
            if (checks) CheckPageBreak(band, band.Y, band.Height, false);
            band.Y = page.CurY;
        }
        const bool subs = DrawObjects(band, dmNormal);
        if (!subs) PrintTableCells(band);
        if (!fixed && !subs) page.CurY += band.Height;
    }
    if (checks) page.FreshColumn = false;
    band.Y = savedY;
}

bool ShowBand(TzvBand& band)
{
    TzvPage& page = *band.Parent;
    CurrentBandScope current(&band);
    const bool hasObjects = band.HasObjects();
    if (hasObjects) RaiseDraw(band.View, false);
    // A hidden band prints nothing and counts as complete, so no replay or filling waits for it.
    if (band.View && !band.View->Visible) {
        if (hasObjects) RaiseDraw(band.View, true);
        return false;
    }
    if (band.Filling) {
        const int32_t dx = page.ColumnX - PageLimits(page).Left;
        for (TzvView* o : band.Objects) {
            if (o->ParentBand != &band) continue;
            const TzvView::Geometry g = o->GetGeometry();
            o->Top += page.CurY;
            o->Left += dx;
            o->Height = o->DesignGeometry.Height;
            if (!FirstPass() && !Failed()) {
                o->BeginDraw(OutputCanvas());
                o->CalcFrameRect();
                o->ShowBackground();
                o->ShowFrame();
            }
            o->SetGeometry(g);
        }
        page.CurY += band.Height;
        if (hasObjects) RaiseDraw(band.View, true);
        return true;
    }
    if (band.BandKind == bkColumnHeader) page.ColumnTopY = page.CurY;
    if (band.BandKind == bkPageFooter) band.Y = page.CurBottomY;
    if (!hasObjects) return false;

    // Footers look at the last record of the finished group, not the first record after it.
    TzvBand* lookAt = nullptr;
    switch (band.BandKind) {
    case bkMainFooter:
    case bkGroupFooter: lookAt = page.Bands[bkMainData]; break;
    case bkDetailFooter: lookAt = page.Bands[bkDetailData]; break;
    case bkSubDetailFooter: lookAt = page.Bands[bkSubDetailData]; break;
    default: break;
    }
    TzvDataset* back = lookAt && lookAt->DataSource && !lookAt->DataSource->Eof() ? lookAt->DataSource : nullptr;
    if (back) {
        back->Prior();
        NotifyDataSetWork(lookAt, dsoPrior);
    }
    auto stepForward = [&] {
        if (!back) return;
        back->Next();
        NotifyDataSetWork(lookAt, dsoNext);
    };

    bool incomplete = false;
    if (!SkipsFitCheck(band.BandKind) && !band.Breakable &&
        static_cast<int64_t>(page.CurY) + BandHeightForFit(band) > page.CurBottomY) {
        if (page.Playing && !page.FreshColumn) {
            stepForward();
            RaiseDraw(band.View, true);
            return true;  // the enclosing band resumes the instance on its next page
        }
        incomplete = CheckPageBreak(band, 0, kForceBreak, false);
    }
    band.SubsDone = true;
    if (IsLevelDataKind(band.BandKind) && band.NextBand && !band.NextBand->DataSource) {
        for (TzvBand* b = &band; b && !Failed(); b = b->NextBand) {
            if (b != &band && b->DataSource) break;
            CurrentBandScope chained(b);
            DrawBandBody(*b);
        }
    } else {
        const int32_t top = page.CurY;
        DrawBandBody(band);
        if (band.BandKind == bkPageHeader || band.BandKind == bkPageFooter) NotePageBandSpan(band, top);
        if (!IsLevelDataKind(band.BandKind) && band.BandKind != bkGroupHeader && band.ForceNewPage) NewPage(page);
    }
    if (!band.SubsDone) incomplete = true;
    stepForward();
    RaiseDraw(band.View, true);
    return incomplete;
}

void FillEmptyRows(TzvBand& band, int32_t reserve)
{
    TzvPage& page = *band.Parent;
    band.Filling = true;
    while (!Cancelled() && static_cast<int64_t>(page.CurBottomY) - page.CurY - reserve >= band.Height) {
        const int32_t before = page.CurY;
        ShowBand(band);
        if (page.CurY <= before) break;  // a row that takes no room would fill forever
    }
    band.Filling = false;
}

void FillRows(TzvPage& page, TzvBand& band)
{
    int32_t reserve = 0;
    for (int level = 1; level <= page.CurrentLevel && level <= 3; ++level) {
        TzvBand* data = page.Bands[kLevelData[level]];
        TzvBand* footer = page.Bands[kLevelFooter[level]];
        if (data && footer && IsLastRecord(data->DataSource)) reserve += MeasureHeight(*footer);
    }
    FillEmptyRows(band, reserve);
}

// ---- groups ----------------------------------------------------------------------------------

void InitGroupValues(TzvBand& header)
{
    TzvGlobalState& st = zvState();
    for (TzvBand* h = &header; h; h = h->NextBand) {
        if (h->Footer) {
            h->Footer->ResetList.clear();
            h->Footer->ResetCount = 0;
        }
        if (Trim(h->GroupCondition).empty()) continue;
        TzvView* saved = st.CurrentObject;
        st.CurrentObject = h->View;
        try {
            h->LastGroupValue = EvaluateExpression(h->GroupCondition);
        } catch (const std::exception& e) {
            Guard(e);
        }
        st.CurrentObject = saved;
    }
}

void ResetFooterValues(TzvBand& footer)
{
    for (std::string& entry : footer.ResetList) {
        const size_t eq = entry.find('=');
        if (eq != std::string::npos && eq + 1 < entry.size()) entry[eq + 1] = '0';
    }
    TzvGlobalState& st = zvState();
    CurrentBandScope current(&footer);
    TzvView* saved = st.CurrentObject;
    for (TzvView* o : footer.Objects) {
        auto* memo = dynamic_cast<TzvMemoView*>(o);
        if (!memo || o->ParentBand != &footer) continue;
        st.CurrentObject = memo;
        const bool active = memo->HighlightActive != 0;
        memo->ExpandVariables();
        memo->HighlightActive = active ? -1 : 0;
    }
    st.CurrentObject = saved;
    ++footer.ResetCount;
}

// ---- aggregates --------------------------------------------------------------------------------

void ResetAggregates(TzvBand& band, int level)
{
    if (FirstPass()) return;
    for (TzvAggregate& a : band.Aggregates) {
        if (a.Level > level) continue;
        a.Value = InitialValue(a.Function);
        a.Count = 0;
    }
    for (int l = 0; l <= std::min(level, 255); ++l) band.LevelCount[static_cast<size_t>(l)] = 0;
    band.AggCount = 0;
    ++band.AggResets;
}

void Accumulate(TzvBand& band)
{
    if (FirstPass() || !band.DataSource || band.DataSource->Eof()) return;
    const std::string* previous = nullptr;
    Variant v;
    for (TzvAggregate& a : band.Aggregates) {
        if (!previous || *previous != a.Argument) v = ArgumentValue(a.Argument, a.Object);
        previous = &a.Argument;
        try {
            AccumulateInto(a.Value, a.Function, v, a.Count);
        } catch (const std::exception& e) {
            Guard(e);
        }
        ++a.Count;
    }
    ++band.AggCount;
    for (int32_t& n : band.LevelCount) ++n;
    const TzvPage& page = *band.Parent;
    const TzvBand* master = page.Bands[bkMainData];
    if (band.ColumnAggregates.empty() || zvState().CurrentBand != master || !master->DataSource ||
        master->DataSource->Eof())
        return;
    const auto column = static_cast<size_t>(band.AggCount);
    for (TzvColumnAggregate& a : band.ColumnAggregates) {
        while (a.Slots.size() < column) a.Slots.push_back(InitialValue(a.Function));
        try {
            AccumulateInto(a.Slots[column - 1], a.Function, ArgumentValue(a.Argument, a.Object), band.AggResets - 1);
        } catch (const std::exception& e) {
            Guard(e);
        }
    }
    band.AggMaxCount = std::max(band.AggMaxCount, band.AggCount);
}

void AggregateStep(TzvBand& band, bool first)
{
    if (first) ResetAggregates(band, kTopAggregateLevel);
    Accumulate(band);
}

// ---- sub-report queues -------------------------------------------------------------------------

void RunStep(TzvPage& page, TzvBand& band, TzvStepKind kind)
{
    TzvDataset* source = band.DataSource;
    switch (kind) {
    case skShow: ShowBand(band); break;
    case skFirst:
        if (source) {
            source->First();
            NotifyDataSetWork(&band, dsoFirst);
        }
        AggregateStep(band, true);
        band.LineNo = 1;
        if (band.BandKind == bkMainData)
            for (TzvBand* g = page.Bands[bkGroupHeader]; g; g = g->NextBand) g->LineNo = g->LineNoTotal = 0;
        break;
    case skNext:
        if (source) {
            source->Next();
            NotifyDataSetWork(&band, dsoNext);
        }
        break;
    case skRowEnd:
        ++page.RowCounter;
        ++band.LineNoTotal;
        ++band.LineNo;
        break;
    case skHeaderCount:
        for (TzvBand* g = &band; g; g = g->NextBand) {
            ++g->LineNo;
            ++g->LineNoTotal;
        }
        break;
    case skGroupAggregates:
        if (TzvBand* master = page.Bands[bkMainData]) {
            ResetAggregates(*master, band.GroupLevel);
            Accumulate(*master);
        }
        break;
    case skLineReset: band.LineNo = 0; break;
    case skAggregateNext: AggregateStep(band, false); break;
    case skResetFooters:
        for (TzvBand* f = page.Bands[bkGroupFooter]; f; f = f->NextBand) ResetFooterValues(*f);
        break;
    }
}

bool ReplayQueue(TzvPage& page)
{
    while (page.QueuePos < page.StepQueue.size() && !Cancelled()) {
        const TzvPage::Step step = page.StepQueue[page.QueuePos];
        if (step.Kind == skShow) {
            if (page.PendingBand) {
                PlaySubReports(*page.PendingBand, true);
                if (page.PendingBand) return true;
                ++page.QueuePos;
                continue;
            }
            if (page.ReplayCompleteList && !step.Band->CompleteList) {
                FillRows(page, *page.ReplayCompleteList);
                page.ReplayCompleteList = nullptr;
            }
            if (step.Band->CompleteList && !page.ReplayCompleteList) page.ReplayCompleteList = step.Band;
            if (ShowBand(*step.Band)) return true;
        } else {
            RunStep(page, *step.Band, static_cast<TzvStepKind>(step.Kind));
        }
        ++page.QueuePos;
    }
    if (page.ReplayCompleteList) {
        FillRows(page, *page.ReplayCompleteList);
        page.ReplayCompleteList = nullptr;
    }
    return false;
}

}  // namespace zv
