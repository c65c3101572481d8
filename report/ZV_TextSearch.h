// Text search over prepared pages: matching of text records, the search-mode record callback,
// the flashing highlight and the Find operation of a preview window, free of any window toolkit.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/draw/Graphics.h"
#include "platform/emf/EmfPlayer.h"
#include "platform/emf/EmfReader.h"
#include "report/ZV_PagePaint.h"

namespace zv {

class TzvEMFPages;
struct TzvEMFPage;

// The twelve characters that end a word for whole-word matching (comma and hyphen do not).
inline constexpr std::string_view kFindWordDelimiters = " !\"'().:;?[]";

// Whether search occurs in recordText: the first occurrence only; control characters of the
// record are dropped; without matchCase ASCII letters are compared without case (accented
// letters as they are); without partOfWord the occurrence must stand between delimiters or the
// ends of the text. An empty search text matches nothing.
bool FindTextMatches(std::string_view recordText, std::string_view search, bool matchCase, bool partOfWord);

// The origin buttons of the find dialog.
enum TzvFindOrigin : uint8_t { foFirstPage = 0, foCurrentPage = 1, foNext = 2, foPrevious = 3 };

// The find dialog's controls as the Find operation reads and writes them.
struct TzvFindDialogState {
    std::string Text;
    std::vector<std::string> History;  // the drop-down list
    bool MatchCase = false;
    bool PartOfWord = true;
    uint8_t Origin = foFirstPage;  // the checked origin button
    bool NextEnabled = false;      // "Successivo" can be chosen
    bool PreviousEnabled = false;  // "Precedente" can be chosen
};

// What the editing of the text does to the dialog: the next and previous origins are disabled
// and, if one of them was checked, the first page is checked instead.
void FindTextChanged(TzvFindDialogState& dialog);

// The find settings kept for the whole program run, shared by every preview window.
TzvFindDialogState& FindSettings();

// The search state of one preview window.
struct TzvSearchState {
    bool Searching = false;  // the record callback runs in search mode
    bool Found = false;      // a match is current and being highlighted
    std::string SearchText;
    bool MatchCase = false, PartOfWord = true;
    bool SearchNext = false, SearchPrevious = false, FromCurrentPage = false;
    Rect HighlightRect;         // bounds of the matched record, page-relative pixels
    int32_t FoundPage = 0;      // 0-based
    int32_t BlinkCount = 0;     // highlight timer ticks
    int32_t FoundKey = 0;       // record key of the match
    int32_t MatchNo = 0;        // running number of matches in the current search
    int32_t LastMatchNo = 0;    // kept from one search to the next in the same window
    bool TimerEnabled = false;  // the highlight timer runs
};

// Copies the highlight of a search into the context a page is painted with.
void ApplyHighlight(const TzvSearchState& search, TzvPagePaintContext& ctx);

// Scale factors of a page drawn at zoom percent: paper size (tenths of a millimetre) × 397/1050
// page pixels at 100 %, divided by the picture size. An empty picture gives 1.
void SetPageScale(TzvPagePaintContext& ctx, const TzvEMFPage& page, double zoom);

// The record callback in search mode: nothing is drawn; the text records are matched and the
// enumeration stops at the accepted match. currentPage is the preview's 1-based current page.
EmfAction PageSearchRecord(TzvPagePaintContext& ctx, TzvSearchState& search, int32_t currentPage,
                           const EmfRecordInfo& rec, EmfPlayer& player);

// Searches one page's picture with the context (PageIndex, scales) set by the caller; true when
// a match was accepted on it.
bool SearchPageRecords(const EmfFile& picture, TzvPagePaintContext& ctx, TzvSearchState& search, int32_t currentPage);

// Searches the pages from the first until a match is accepted, each with the search rectangle
// (0, 0, 10, 10) and the scales of zoom. Searching is on only while the pages are walked.
bool SearchPages(const TzvEMFPages& pages, double zoom, int32_t currentPage, TzvSearchState& search);

// The preview's DrawPage: plays page pageIndex (0-based) into rect of canvas through the record
// callback. On the preview canvas (foreignDC false) records outside clip, the area being
// repainted, are skipped and the found text flashes; on any other device context, such as the
// printer's, every record is played as it is. Out-of-range pages and empty pictures draw nothing.
void DrawPreviewPage(const TzvEMFPages& pages, int pageIndex, Canvas& canvas, const Rect& rect, double zoom,
                     bool foreignDC, const Rect& clip, const TzvSearchState& search);

// What the Find operation and the highlight timer ask of the preview window.
class TzvFindHost {
public:
    virtual ~TzvFindHost() = default;
    // Shows the find dialog modally on the given control values, which the dialog edits (its
    // text-change handler is FindTextChanged); true for OK.
    virtual bool ShowFindDialog(TzvFindDialogState& dialog) = 0;
    virtual int32_t CurrentPage() const = 0;                // 1-based
    virtual double Zoom() const = 0;                        // percent
    virtual void GoToPage(int32_t page) = 0;                // 1-based
    virtual Point PageOrigin(int32_t pageIndex) const = 0;  // canvas position of a page
    virtual int32_t HScrollPosition() const = 0;
    virtual void SetHScrollPosition(int32_t pos) = 0;
    virtual int32_t VScrollPosition() const = 0;
    virtual void SetVScrollPosition(int32_t pos) = 0;
    virtual Size CanvasSize() const = 0;
    virtual void SetHighlightTimer(bool enabled) = 0;     // the 250 ms timer
    virtual void InvalidateCanvas(const Rect& rect) = 0;  // repaint without erasing
};

// The search of one preview window: its state and the operations on it.
class TzvTextSearch {
public:
    explicit TzvTextSearch(const TzvEMFPages& pages) : pages_(pages) {}

    // The preview's Find: runs the dialog on the kept settings, searches, scrolls the match to
    // the middle of the canvas and starts the highlight, or shows the not-found message.
    void Find(TzvFindHost& host);
    // One tick of the highlight timer.
    void TimerTick(TzvFindHost& host);
    // Ends a running highlight at once (before a new search and when the window closes).
    void StopHighlight(TzvFindHost& host);
    // The preview's zoom changes: the highlight rectangle follows it while shown.
    void ZoomChanged(double oldZoom, double newZoom);

    TzvSearchState State;

private:
    const TzvEMFPages& pages_;
};

}  // namespace zv
