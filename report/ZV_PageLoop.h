// The page preparation loop: one design page into output pages, the data loop by levels, new
// pages and columns, page footers, sub-report queues.
#pragma once

#include <cstdint>

namespace zv {

class Canvas;
class TzvBand;
class TzvPage;

// Page limits in page units, from the margins (a zero margin takes the printable area); the
// bottom limit leaves room for a page footer band with objects.
struct TzvPageLimits {
    int32_t Left = 0, Top = 0, Right = 0, Bottom = 0;
};
TzvPageLimits PageLimits(const TzvPage& page);
// The column count, 1 for 0 or less.
int32_t PageColumns(const TzvPage& page);

// BuildBands and the collecting expansion that registers every aggregate; before any page is formed.
void PreparePage(TzvPage& page);
// Prints the whole design page; in queue mode records its steps instead.
void FormPage(TzvPage& page);
// The data loop of one level (1 master, 2 detail, 3 sub-detail).
void DoLoop(TzvPage& page, int level);
// Closes the current output page (column and page footers) and opens the next one.
void NewPage(TzvPage& page);
// Prints the page footer on the output pages from the current one on; close completes them.
void PrintPageFooters(TzvPage& page, bool close);
// Shows a band, or in queue mode records a show step; none does nothing. Answers ShowBand's answer.
bool ShowBandOf(TzvPage& page, TzvBand* band);
// Destroys the run-time bands and gives the objects back their design geometry.
void ReleasePage(TzvPage& page);

// Appends an output page for the design page and makes it current.
void AddOutputPage(TzvPage& page);
// Completes the output pages from the current one on, advancing past each.
void CloseOutputPages();
// The recording canvas of the current output page (a scratch canvas when none is open).
Canvas& OutputCanvas();

}  // namespace zv
