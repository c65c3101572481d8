// Tests of the text search: word matching, search over recorded pages, next and previous, the
// Find operation against a fake preview window, and the flashing highlight.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "platform/base/Numeric.h"
#include "platform/device/UiServices.h"
#include "platform/emf/EmfFormat.h"
#include "platform/emf/EmfRecorder.h"
#include "report/ZV_Const.h"
#include "report/ZV_EMFPages.h"
#include "report/ZV_PagePaint.h"
#include "report/ZV_Template.h"
#include "report/ZV_TextSearch.h"
#include "tests/support/TraceCanvas.h"

namespace {

using namespace zv;

// ---- matching ------------------------------------------------------------------------------

TEST(FindTextMatches, WordsCaseAndControlCharacters)
{
    struct Case {
        const char* record;
        const char* search;
        bool matchCase, partOfWord, expected;
    } cases[] = {
        // Whole words: the twelve delimiters or the ends of the text around the occurrence.
        {"Sig. Rossi", "Rossi", true, false, true},
        {"Rossi.", "Rossi", true, false, true},
        {"(Rossi)", "Rossi", true, false, true},
        {"[Rossi]", "Rossi", true, false, true},
        {"Rossi!", "Rossi", true, false, true},
        {"\"Rossi\"", "Rossi", true, false, true},
        {"dell'Acqua", "Acqua", true, false, true},
        {"Rossi; Bianchi", "Rossi", true, false, true},
        {"Rossi: 3", "Rossi", true, false, true},
        {"Rossi?", "Rossi", true, false, true},
        {"Rossi", "Rossi", true, false, true},
        {"Rossini", "Rossi", true, false, false},
        {"DeRossi", "Rossi", true, false, false},
        {"Rossi, Mario", "Rossi", true, false, false},   // the comma is not a delimiter
        {"Rossi-Bianchi", "Rossi", true, false, false},  // nor the hyphen
        {"Rossini", "Rossi", true, true, true},
        // Only the first occurrence counts: a whole word later in the record is not seen.
        {"Rossini e Rossi", "Rossi", true, false, false},
        // Case: ASCII letters fold, accented letters do not.
        {"ROSSI", "rossi", false, true, true},
        {"ROSSI", "rossi", true, true, false},
        {"CITT\xC0", "citt\xE0", false, true, false},
        {"citt\xE0", "CITT\xE0", false, true, true},
        // Control characters of the record are dropped before comparing.
        {"Ros\tsi\r\n", "Rossi", true, false, true},
        {"\x01Rossi", "Rossi", true, false, true},
        // An empty search text matches nothing.
        {"Rossi", "", false, true, false},
        {"", "", false, true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.record) + " / " + c.search);
        EXPECT_EQ(FindTextMatches(c.record, c.search, c.matchCase, c.partOfWord), c.expected);
    }
}

TEST(FindDialog, EditingTheTextDisablesNextAndPrevious)
{
    for (uint8_t origin : {foFirstPage, foCurrentPage, foNext, foPrevious}) {
        TzvFindDialogState d;
        d.Origin = origin;
        d.NextEnabled = d.PreviousEnabled = true;
        FindTextChanged(d);
        EXPECT_FALSE(d.NextEnabled);
        EXPECT_FALSE(d.PreviousEnabled);
        EXPECT_EQ(d.Origin, origin == foCurrentPage ? foCurrentPage : foFirstPage);
    }
}

// ---- pages ---------------------------------------------------------------------------------

struct Item {
    int32_t x, y;
    const char* text;
};

// Prepared A4 pages (794 x 1123 page pixels) with the given texts, one text record each.
void MakePages(TzvEMFPages& pages, const std::vector<std::vector<Item>>& content)
{
    TzvPage design;
    design.PaperSize = kPaperA4;
    design.PaperWidth = 2100;
    design.PaperHeight = 2970;
    design.Info = {0, 0, 794, 1123, 0, 0, 18, 18, 759, 1086};
    for (const auto& items : content) {
        EmfRecorder& c = pages.Add(design);
        c.rectangle({10, 10, 200, 40});
        for (const Item& it : items) c.textOut(it.x, it.y, it.text);
        pages.FinishPage(pages.Count() - 1);
    }
}

// Four pages; "Rossi" is a whole word six times: twice on pages 1 and 3, once on 2 and 4.
const std::vector<std::vector<Item>> kDocument = {
    {{50, 100, "Rossi Mario"}, {50, 130, "Rossini Gioacchino"}, {50, 160, "(Rossi)"}},
    {{50, 100, "Bianchi"}, {60, 500, "Rossi."}},
    {{50, 100, "Verdi"}, {50, 300, "rossi"}, {400, 700, "ROSSI"}},
    {{50, 900, "Rossi, Anna"}, {70, 1000, "Rossi"}},
};

// The search run a dialog would start, without the dialog.
TzvSearchState Search(const std::string& text, uint8_t origin, int32_t lastMatch = 0)
{
    TzvSearchState s;
    s.SearchText = text;
    s.MatchCase = false;
    s.PartOfWord = false;
    s.SearchNext = origin == foNext;
    s.SearchPrevious = origin == foPrevious;
    s.FromCurrentPage = origin == foCurrentPage;
    s.LastMatchNo = lastMatch;
    return s;
}

// Where a search stopped: 1-based page and the text of the matched record.
std::string Where(const TzvEMFPages& pages, const TzvSearchState& s)
{
    if (!s.Found) return "not found";
    std::string text;
    int32_t key = s.FoundPage * 10000;
    EnumerateEmf(pages.Pages(s.FoundPage).Picture, [&](const EmfRecordInfo& r) {
        if (r.index > 0 && ++key == s.FoundKey) text = r.text;
        return EmfAction::Play;
    });
    return std::to_string(s.FoundPage + 1) + ":" + text;
}

TEST(TextSearch, OriginsPickTheirMatchInDocumentOrder)
{
    TzvEMFPages pages;
    MakePages(pages, kDocument);
    struct Case {
        const char* name;
        uint8_t origin;
        int32_t currentPage, lastMatch;
        const char* where;
        int32_t matchNo;
    } cases[] = {
        {"first page", foFirstPage, 3, 0, "1:Rossi Mario", 1},
        {"current page 3 skips pages 1 and 2", foCurrentPage, 3, 0, "3:rossi", 4},
        {"current page 1", foCurrentPage, 1, 0, "1:Rossi Mario", 1},
        {"current page 4", foCurrentPage, 4, 0, "4:Rossi", 6},
        {"next after match 2", foNext, 1, 2, "2:Rossi.", 3},
        {"next after the last", foNext, 1, 6, "not found", 6},
        {"previous after match 5", foPrevious, 1, 5, "3:rossi", 4},
        {"previous after the first", foPrevious, 1, 1, "not found", 6},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TzvSearchState s = Search("Rossi", c.origin, c.lastMatch);
        EXPECT_EQ(SearchPages(pages, 100, c.currentPage, s), std::string(c.where) != "not found");
        EXPECT_EQ(Where(pages, s), c.where);
        EXPECT_EQ(s.MatchNo, c.matchNo);
        EXPECT_FALSE(s.Searching);
        EXPECT_EQ(s.LastMatchNo, s.Found ? c.matchNo : c.lastMatch);
        EXPECT_EQ(s.TimerEnabled, s.Found);
    }
}

TEST(TextSearch, NextWalksTheMatchesOneByOne)
{
    TzvEMFPages pages;
    MakePages(pages, kDocument);
    TzvSearchState s = Search("Rossi", foFirstPage);
    ASSERT_TRUE(SearchPages(pages, 100, 1, s));
    std::vector<std::string> seen{Where(pages, s)};
    for (int i = 0; i < 5; ++i) {
        s.Found = false;
        s.SearchNext = true;
        s.MatchNo = 0;
        ASSERT_TRUE(SearchPages(pages, 100, 1, s)) << i;
        seen.push_back(Where(pages, s));
    }
    EXPECT_EQ(seen,
              (std::vector<std::string>{"1:Rossi Mario", "1:(Rossi)", "2:Rossi.", "3:rossi", "3:ROSSI", "4:Rossi"}));
    EXPECT_EQ(s.LastMatchNo, 6);
}

TEST(TextSearch, TextsOfSeparateRecordsAreNotJoined)
{
    TzvEMFPages pages;
    MakePages(pages, {{{50, 100, "Mario"}, {50, 120, "Rossi"}}, {{50, 100, "Mario"}, {100, 100, "Rossi"}}});
    TzvSearchState s = Search("Mario Rossi", foFirstPage);
    EXPECT_FALSE(SearchPages(pages, 100, 1, s));
    EXPECT_EQ(s.MatchNo, 0);
    s = Search("Rossi", foFirstPage);
    EXPECT_TRUE(SearchPages(pages, 100, 1, s));
}

TEST(TextSearch, HighlightIsTheScaledRecordBoundsRelativeToThePage)
{
    TzvEMFPages pages;
    MakePages(pages, {{{50, 100, "primo"}}, {{300, 400, "Rossi"}}});
    // The record's bounds as recorded.
    Rect bounds;
    int32_t key = 10000, foundKey = 0;
    EnumerateEmf(pages.Pages(1).Picture, [&](const EmfRecordInfo& r) {
        if (r.index > 0) ++key;
        if (r.isText) {
            bounds = r.bounds;
            foundKey = key;
        }
        return EmfAction::Play;
    });
    ASSERT_EQ(bounds.left, 300);
    ASSERT_EQ(pages.Pages(1).Picture.width(), 794);
    for (double zoom : {100.0, 200.0, 50.0}) {
        SCOPED_TRACE(zoom);
        TzvSearchState s = Search("Rossi", foFirstPage);
        ASSERT_TRUE(SearchPages(pages, zoom, 1, s));
        EXPECT_EQ(s.FoundPage, 1);
        EXPECT_EQ(s.FoundKey, foundKey);
        EXPECT_EQ(s.BlinkCount, 0);
        // Grown by pen width div 2 + 4 (the default pen is 1 wide), then scaled by the paper
        // size over the picture size: 2100 tenths of a millimetre are exactly the 794 pixels of
        // the picture, 2970 are 1122.94 pixels of its 1123.
        const double fx = zoom / 100.0, fy = 2970 * 397.0 / 1050 / 1123 * zoom / 100.0;
        EXPECT_EQ(s.HighlightRect, (Rect{Round32((bounds.left - 4) * fx), Round32((bounds.top - 4) * fy),
                                         Round32((bounds.right + 4) * fx), Round32((bounds.bottom + 4) * fy)}));
    }
}

TEST(TextSearch, ForeignDeviceContextsAndFoundStateAreNotSearched)
{
    TzvEMFPages pages;
    MakePages(pages, {{{50, 100, "Rossi"}}});
    TzvSearchState s = Search("Rossi", foFirstPage);
    TzvPagePaintContext ctx;
    ctx.ForeignDC = true;
    EXPECT_FALSE(SearchPageRecords(pages.Pages(0).Picture, ctx, s, 1));
    EXPECT_EQ(s.MatchNo, 0);
    ctx.ForeignDC = false;
    s.Found = true;
    s.FoundPage = 7;
    SearchPageRecords(pages.Pages(0).Picture, ctx, s, 1);
    EXPECT_EQ(s.MatchNo, 0);
    EXPECT_EQ(s.FoundPage, 7);
}

// Splices a hand-made 8-bit text record into a recorded picture, before its EOF.
std::vector<uint8_t> WithAnsiText(const std::string& text)
{
    EmfRecorder r(100, 100);
    std::vector<uint8_t> b = r.finish();
    EmfFile f(b);
    const uint32_t eof = f.records().back().offset;
    std::vector<uint32_t> w = {emf::EMR_EXTTEXTOUTA,
                               0,
                               5,
                               6,
                               60,
                               20,
                               1 /* GM_COMPATIBLE */,
                               0,
                               0,
                               5,
                               6,
                               static_cast<uint32_t>(text.size()),
                               76 /* string offset */,
                               0,
                               0,
                               0,
                               0,
                               0,
                               0 /* no advances */};
    std::vector<uint8_t> rec;
    for (uint32_t v : w)
        for (int i = 0; i < 4; ++i) rec.push_back(static_cast<uint8_t>(v >> (8 * i)));
    rec.insert(rec.end(), text.begin(), text.end());
    while (rec.size() % 4) rec.push_back(0);
    const uint32_t size = static_cast<uint32_t>(rec.size());
    std::memcpy(rec.data() + 4, &size, 4);
    std::vector<uint8_t> out(b.begin(), b.begin() + eof);
    out.insert(out.end(), rec.begin(), rec.end());
    out.insert(out.end(), b.begin() + eof, b.end());
    const uint32_t bytes = static_cast<uint32_t>(out.size()), count = static_cast<uint32_t>(f.records().size() + 1);
    std::memcpy(out.data() + emf::kHeaderBytes, &bytes, 4);
    std::memcpy(out.data() + emf::kHeaderRecords, &count, 4);
    return out;
}

TEST(TextSearch, EightBitTextRecordsAreSearchedToo)
{
    EmfFile picture(WithAnsiText("Citt\xE0 di Roma"));
    TzvSearchState s = Search("ROMA", foFirstPage);
    TzvPagePaintContext ctx;
    EXPECT_TRUE(SearchPageRecords(picture, ctx, s, 1));
    s = Search("CITT\xC0", foFirstPage);
    EXPECT_FALSE(SearchPageRecords(picture, ctx, s, 1));
}

// ---- Find against a fake preview window ------------------------------------------------------

// A preview with pages laid out one under the other, 1135 pixels apart, 20 pixels from the left.
class FakePreview : public TzvFindHost {
public:
    bool ShowFindDialog(TzvFindDialogState& dialog) override
    {
        shown.push_back(dialog);
        log.push_back("dialog");
        return answer ? answer(dialog) : false;
    }
    int32_t CurrentPage() const override { return current; }
    double Zoom() const override { return zoom; }
    void GoToPage(int32_t page) override
    {
        log.push_back("goto " + std::to_string(page));
        current = page;
        v = (page - 1) * 1135;
    }
    Point PageOrigin(int32_t pageIndex) const override { return {20 - h, 10 + pageIndex * 1135 - v}; }
    int32_t HScrollPosition() const override { return h; }
    void SetHScrollPosition(int32_t pos) override { h = pos; }
    int32_t VScrollPosition() const override { return v; }
    void SetVScrollPosition(int32_t pos) override { v = pos; }
    Size CanvasSize() const override { return {600, 400}; }
    void SetHighlightTimer(bool enabled) override
    {
        timer = enabled;
        log.push_back(enabled ? "timer on" : "timer off");
    }
    void InvalidateCanvas(const Rect& r) override { log.push_back("invalidate " + TraceCanvas::formatRect(r)); }

    std::function<bool(TzvFindDialogState&)> answer;
    std::vector<TzvFindDialogState> shown;
    std::vector<std::string> log;
    int32_t current = 1, h = 0, v = 0;
    double zoom = 100;
    bool timer = false;
};

class FindTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        FindSettings() = TzvFindDialogState{};
        DefaultHeadlessUi().messages.clear();
        MakePages(pages, kDocument);
    }
    void TearDown() override
    {
        FindSettings() = TzvFindDialogState{};
        DefaultHeadlessUi().messages.clear();
    }
    // Answers the dialog with OK after setting the text and the origin.
    static std::function<bool(TzvFindDialogState&)> Ok(std::string text, uint8_t origin, bool partOfWord = false)
    {
        return [=](TzvFindDialogState& d) {
            if (d.Text != text) FindTextChanged(d);
            d.Text = text;
            d.Origin = origin;
            d.PartOfWord = partOfWord;
            return true;
        };
    }

    TzvEMFPages pages;
    FakePreview preview;
};

TEST_F(FindTest, FirstSearchStartsFromTheKeptSettingsAndCentresTheMatch)
{
    const TzvFindDialogState& kept = FindSettings();
    preview.current = 2;
    preview.answer = Ok("Bianchi", foFirstPage);
    TzvTextSearch search(pages);
    search.Find(preview);

    ASSERT_EQ(preview.shown.size(), 1u);
    const TzvFindDialogState& shown = preview.shown[0];
    EXPECT_FALSE(shown.MatchCase);
    EXPECT_TRUE(shown.PartOfWord);
    EXPECT_EQ(shown.Origin, foFirstPage);
    EXPECT_FALSE(shown.NextEnabled);
    EXPECT_FALSE(shown.PreviousEnabled);
    EXPECT_EQ(shown.Text, "");

    const TzvSearchState& s = search.State;
    ASSERT_TRUE(s.Found);
    EXPECT_EQ(s.FoundPage, 1);
    EXPECT_EQ(s.BlinkCount, 1) << "one tick shows the highlight at once";
    EXPECT_TRUE(preview.timer);
    // The match is on the current page: no page change; it is centred on the 600 x 400 canvas.
    const Rect& r = s.HighlightRect;
    const Point p = preview.PageOrigin(1);
    EXPECT_EQ(p.x + r.left, (600 - (r.right - r.left)) / 2);
    EXPECT_EQ(p.y + r.top, (400 - (r.bottom - r.top)) / 2);
    const std::string shownRect = TraceCanvas::formatRect({p.x + r.left, p.y + r.top, p.x + r.right, p.y + r.bottom});
    EXPECT_EQ(preview.log, (std::vector<std::string>{"dialog", "timer on", "invalidate " + shownRect}));

    EXPECT_EQ(kept.Text, "Bianchi");
    EXPECT_EQ(kept.History, std::vector<std::string>{"Bianchi"});
    EXPECT_TRUE(kept.NextEnabled);
    EXPECT_FALSE(kept.PreviousEnabled) << "a first-page search enables only the next one";
    EXPECT_FALSE(kept.PartOfWord);
    EXPECT_TRUE(DefaultHeadlessUi().messages.empty());
}

TEST_F(FindTest, NextThreeTimesFindsMatchesTwoToFourAndPreviousGoesBack)
{
    TzvTextSearch search(pages);
    preview.answer = Ok("Rossi", foFirstPage);
    search.Find(preview);
    EXPECT_EQ(Where(pages, search.State), "1:Rossi Mario");
    preview.answer = [](TzvFindDialogState& d) {
        EXPECT_TRUE(d.NextEnabled);
        d.Origin = foNext;
        return true;
    };
    std::vector<std::string> seen;
    for (int i = 0; i < 3; ++i) {
        search.Find(preview);
        seen.push_back(Where(pages, search.State));
    }
    EXPECT_EQ(seen, (std::vector<std::string>{"1:(Rossi)", "2:Rossi.", "3:rossi"}));
    EXPECT_EQ(preview.current, 3) << "the view follows the match to its page";
    EXPECT_TRUE(FindSettings().PreviousEnabled);
    EXPECT_EQ(FindSettings().History, std::vector<std::string>{"Rossi"}) << "a text is listed once";

    preview.answer = [](TzvFindDialogState& d) {
        EXPECT_TRUE(d.PreviousEnabled);
        d.Origin = foPrevious;
        return true;
    };
    search.Find(preview);
    EXPECT_EQ(Where(pages, search.State), "2:Rossi.");
    EXPECT_EQ(preview.current, 2);
}

TEST_F(FindTest, PreviousAfterTheFirstMatchFindsNothingAndSaysSo)
{
    TzvTextSearch search(pages);
    preview.answer = Ok("Verdi", foFirstPage);
    search.Find(preview);
    ASSERT_TRUE(search.State.Found);
    for (int i = 0; i < 8; ++i) search.TimerTick(preview);
    ASSERT_FALSE(search.State.Found);
    preview.answer = [](TzvFindDialogState& d) {
        d.Origin = foPrevious;
        return true;
    };
    const int32_t h = preview.h, v = preview.v, current = preview.current;
    preview.log.clear();
    search.Find(preview);
    EXPECT_FALSE(search.State.Found);
    EXPECT_EQ(preview.h, h);
    EXPECT_EQ(preview.v, v);
    EXPECT_EQ(preview.current, current);
    EXPECT_EQ(preview.log, std::vector<std::string>{"dialog"});
    ASSERT_EQ(DefaultHeadlessUi().messages.size(), 1u);
    const auto& m = DefaultHeadlessUi().messages[0];
    EXPECT_EQ(m.text, "Non \xE8 stato trovato nessun elemento che soddisfi la richiesta.");
    EXPECT_EQ(m.caption, "Messaggio.");
    EXPECT_EQ(m.flags, MB_ICONWARNING | MB_SYSTEMMODAL);
}

TEST_F(FindTest, EmptyTextEndsWithTheNotFoundMessage)
{
    TzvTextSearch search(pages);
    preview.answer = Ok("", foFirstPage, true);
    search.Find(preview);
    EXPECT_FALSE(search.State.Found);
    EXPECT_EQ(DefaultHeadlessUi().messages.size(), 1u);
    EXPECT_TRUE(FindSettings().History.empty());
}

TEST_F(FindTest, CancelPutsTheControlsBack)
{
    FindSettings().Text = "Rossi";
    FindSettings().History = {"Rossi"};
    FindSettings().Origin = foNext;
    FindSettings().NextEnabled = true;
    preview.answer = [](TzvFindDialogState& d) {
        FindTextChanged(d);
        d.Text = "Verdi";
        d.MatchCase = true;
        d.Origin = foCurrentPage;
        return false;
    };
    TzvTextSearch search(pages);
    search.Find(preview);
    const TzvFindDialogState& kept = FindSettings();
    EXPECT_EQ(kept.Text, "Rossi");
    EXPECT_FALSE(kept.MatchCase);
    EXPECT_EQ(kept.Origin, foNext);
    EXPECT_TRUE(kept.NextEnabled);
    EXPECT_EQ(kept.History, std::vector<std::string>{"Rossi"});
    EXPECT_FALSE(search.State.Found);
    EXPECT_EQ(preview.log, std::vector<std::string>{"dialog"});
}

TEST_F(FindTest, SearchStartedWhileTheHighlightFlashesStopsItFirst)
{
    TzvTextSearch search(pages);
    preview.answer = Ok("Bianchi", foFirstPage);
    search.Find(preview);
    search.TimerTick(preview);
    ASSERT_EQ(search.State.BlinkCount, 2);
    preview.log.clear();
    preview.answer = Ok("Verdi", foFirstPage);
    search.Find(preview);
    ASSERT_GE(preview.log.size(), 4u);
    // The old highlight: tick 9 repaints it, turns the timer off and repaints it plain.
    EXPECT_EQ(preview.log[1].rfind("invalidate ", 0), 0u);
    EXPECT_EQ(preview.log[2], "timer off");
    EXPECT_EQ(preview.log[3], preview.log[1]);
    EXPECT_EQ(Where(pages, search.State), "3:Verdi");
    EXPECT_EQ(search.State.BlinkCount, 1);
    EXPECT_TRUE(preview.timer);
}

TEST_F(FindTest, HighlightFlashesFourTimesAndShowsInTheFoundRecordOnly)
{
    TzvTextSearch search(pages);
    preview.answer = Ok("Rossi.", foFirstPage);
    search.Find(preview);
    ASSERT_EQ(Where(pages, search.State), "2:Rossi.");

    // Paints page 2 with the search's highlight; returns the colours of its text records.
    auto paint = [&](int pageIndex) {
        TzvPagePaintContext ctx;
        ctx.PageIndex = pageIndex;
        ctx.PageRect = {0, 0, 794, 1123};
        ctx.Clip = ctx.PageRect;
        ApplyHighlight(search.State, ctx);
        TraceCanvas c;
        PaintPageRecords(pages.Pages(pageIndex).Picture, c, ctx);
        std::vector<std::string> texts;
        for (const auto& l : c.lines)
            if (l.rfind("text ", 0) == 0) texts.push_back(l.substr(l.find("color=")));
        return texts;
    };
    const std::vector<std::string> plain = {"color=000000 brush=FFFFFF/Solid", "color=000000 brush=FFFFFF/Solid"};
    const std::vector<std::string> lit = {"color=000000 brush=FFFFFF/Solid", "color=FFFFFF brush=000000/Solid"};
    std::vector<int> litTicks;
    int ticks = 1;
    while (search.State.Found) {
        if (paint(1) == lit)
            litTicks.push_back(search.State.BlinkCount);
        else
            EXPECT_EQ(paint(1), plain) << search.State.BlinkCount;
        EXPECT_EQ(paint(0).size(), 3u);
        EXPECT_TRUE(preview.timer);
        search.TimerTick(preview);
        ++ticks;
    }
    EXPECT_EQ(litTicks, (std::vector<int>{1, 3, 5, 7}));
    EXPECT_EQ(ticks, 9);
    EXPECT_FALSE(preview.timer);
    EXPECT_EQ(paint(1), plain);
}

TEST_F(FindTest, PrinterPlaysEveryRecordWithoutHighlightWhilePreviewCullsAndFlashes)
{
    TzvTextSearch search(pages);
    preview.answer = Ok("ROSSI", foCurrentPage);
    preview.current = 3;
    search.Find(preview);
    ASSERT_EQ(Where(pages, search.State), "3:rossi");
    ASSERT_EQ(search.State.BlinkCount, 1);
    auto texts = [&](bool foreign, const Rect& clip) {
        TraceCanvas c;
        DrawPreviewPage(pages, 2, c, {0, 0, 794, 1123}, 100, foreign, clip, search.State);
        std::vector<std::string> out;
        for (const auto& l : c.lines)
            if (l.rfind("text ", 0) == 0)
                out.push_back(l.substr(l.find('\''), l.find(" font=") - l.find('\'')) + " " +
                              l.substr(l.find("color=")));
        return out;
    };
    const std::string plain = " color=000000 brush=FFFFFF/Solid", lit = " color=FFFFFF brush=000000/Solid";
    // The preview repainting its top half: "ROSSI" at y 700 lies outside and is skipped.
    EXPECT_EQ(texts(false, {0, 0, 794, 500}), (std::vector<std::string>{"'Verdi'" + plain, "'rossi'" + lit}));
    EXPECT_EQ(texts(true, {0, 0, 794, 500}),
              (std::vector<std::string>{"'Verdi'" + plain, "'rossi'" + plain, "'ROSSI'" + plain}));
    // Pages that do not exist draw nothing.
    TraceCanvas none;
    DrawPreviewPage(pages, 4, none, {0, 0, 10, 10}, 100, false, {0, 0, 10, 10}, search.State);
    DrawPreviewPage(pages, -1, none, {0, 0, 10, 10}, 100, false, {0, 0, 10, 10}, search.State);
    EXPECT_TRUE(none.lines.empty());
}

TEST_F(FindTest, ZoomChangeScalesTheShownHighlight)
{
    TzvTextSearch search(pages);
    preview.answer = Ok("Bianchi", foFirstPage);
    search.Find(preview);
    const Rect before = search.State.HighlightRect;
    search.ZoomChanged(100, 150);
    EXPECT_EQ(search.State.HighlightRect, (Rect{Round32(before.left * 1.5), Round32(before.top * 1.5),
                                                Round32(before.right * 1.5), Round32(before.bottom * 1.5)}));
    search.StopHighlight(preview);
    const Rect stopped = search.State.HighlightRect;
    search.ZoomChanged(150, 50);
    EXPECT_EQ(search.State.HighlightRect, stopped) << "nothing is shown, nothing is scaled";
}

}  // namespace
