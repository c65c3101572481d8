// Tests of the object model: factory, registry, names, copying, frame geometry and drawing, pages.
#include <gtest/gtest.h>

#include "platform/base/Error.h"
#include "platform/base/FormatSettings.h"
#include "platform/base/Stream.h"
#include "platform/device/UiServices.h"
#include "report/ZV_CBar.h"
#include "report/ZV_Const.h"
#include "report/ZV_Memo.h"
#include "report/ZV_Picture.h"
#include "report/ZV_Report.h"
#include "tests/support/ProcessState.h"
#include "tests/support/TraceCanvas.h"

using namespace zv;

namespace {

class ViewTest : public zvtest::ProcessStateTest {
protected:
    void SetUp() override
    {
        DefaultHeadlessUi().messages.clear();
        zvState().RunMode = false;
        zvState().DrawingSuppressed = false;
    }
    template <class T>
    T* Put(int page)
    {
        zvState().CurrentReport = &report;
        return static_cast<T*>(report.Pages[page].Add(std::make_unique<T>(&report)));
    }
    TzvReport report;
};

}  // namespace

TEST_F(ViewTest, FactoryBuildsEachClassWithItsDefaults)
{
    zvState().CurrentReport = &report;
    struct Case {
        uint8_t code;
        const char* cls;
        const char* name;
        uint16_t options;
        uint32_t formatCode;
    } cases[] = {
        {otMemo, "TzvMemoView", "Memo1", 0, 0x200u + ','},
        {otPicture, "TzvPictureView", "Picture1", 5, 0x200u + ','},
        {otBand, "TzvBandView", "Band1", 0, 0},
        {otSubReport, "TzvSubReportView", "SubReport1", 0, 0x200u + ','},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.cls);
        std::unique_ptr<TzvView> v = CreateObject(c.code, "ignored");
        ASSERT_NE(v, nullptr);
        EXPECT_EQ(v->ClassName(), c.cls);
        EXPECT_EQ(v->Kind, c.code);
        EXPECT_EQ(v->Name, c.name);
        EXPECT_EQ(v->Options, c.options);
        EXPECT_EQ(v->FormatCode, c.formatCode);
        EXPECT_EQ(v->ParentReport, &report);
        EXPECT_EQ(v->BorderWidth, 1);
        EXPECT_EQ(v->BackColor, clNone);
        EXPECT_EQ(v->Visible, 1);
        EXPECT_EQ(v->SavedHeight, -1);
    }
    for (int code : {4, 5, 6, 7, 8, 9, 11, 200, 255}) EXPECT_EQ(CreateObject(static_cast<uint8_t>(code), ""), nullptr);
    EXPECT_TRUE(DefaultHeadlessUi().messages.empty());
}

TEST_F(ViewTest, FormatCodeFollowsTheLocaleDecimalSeparator)
{
    FormatSettingsOverride restore;
    DefaultFormatSettings().decimalSeparator = '.';
    TzvMemoView memo(&report);
    EXPECT_EQ(memo.FormatCode, 0x22Eu);
}

TEST_F(ViewTest, BarcodeIsARegisteredAddIn)
{
    const auto& reg = AddInObjects();
    ASSERT_FALSE(reg.empty());
    EXPECT_EQ(reg[0].ClassName, "TzvCodeBarreView");
    EXPECT_EQ(reg[0].ButtonHint, "Inserisci codice a barre");
    EXPECT_EQ(reg[0].ButtonBitmap, "CODEBARBITMAP");

    zvState().CurrentReport = &report;
    std::unique_ptr<TzvView> v = CreateObject(otAddIn, "TzvCodeBarreView");
    auto* bar = dynamic_cast<TzvCodeBarreView*>(v.get());
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(bar->Kind, otAddIn);
    EXPECT_EQ(bar->Name, "CodeBarre1");
    EXPECT_EQ(bar->Lines, std::vector<std::string>{"0"});
    EXPECT_EQ(bar->FormatText, "00000000000");
    EXPECT_EQ(bar->Checksum, 1);
    EXPECT_EQ(bar->ShowText, 1);
    EXPECT_EQ(bar->ShowCheckSumText, 0);
    EXPECT_EQ(bar->BarType, 14);
    EXPECT_EQ(bar->Modul, 1);
    EXPECT_EQ(bar->Ratio, 1.0);

    // Class names are compared exactly.
    EXPECT_THROW(CreateObject(otAddIn, "tzvcodebarreview"), SilentAbort);
    ASSERT_EQ(DefaultHeadlessUi().messages.size(), 1u);
    EXPECT_NE(DefaultHeadlessUi().messages[0].text.find("Oggetto non trovato : tzvcodebarreview."), std::string::npos);
}

TEST_F(ViewTest, BarcodeRecordIsTwentyFiveBytesAfterTheCommonPart)
{
    auto* bar = Put<TzvCodeBarreView>(0);
    MemoryStream common;
    bar->TzvView::SaveToStream(common);
    MemoryStream full;
    bar->Ratio = 2.0;
    bar->Modul = -7;
    bar->SaveToStream(full);
    ASSERT_EQ(full.size(), common.size() + 25);
    const uint8_t* r = full.data().data() + common.size();
    EXPECT_EQ(r[0], 1);
    EXPECT_EQ(r[1], 1);
    EXPECT_EQ(r[2], 0);
    EXPECT_EQ(r[3], 0);
    EXPECT_EQ(r[4], 14);
    EXPECT_EQ((std::vector<uint8_t>(r + 5, r + 9)), (std::vector<uint8_t>{0xF9, 0xFF, 0xFF, 0xFF}));
    EXPECT_EQ((std::vector<uint8_t>(r + 9, r + 17)), (std::vector<uint8_t>{0, 0, 0, 0, 0, 0, 0, 0x40}));
}

TEST_F(ViewTest, AddInRegistryHoldsThirtyTwoEntries)
{
    const size_t before = AddInObjects().size();
    {
        // The process-state fixture takes the entries a test added away again.
        zvtest::ProcessState inner;
        TzvAddInObjectInfo info;
        info.ClassName = "TzvTemporaneaView";
        info.Create = [](TzvReport* r) -> std::unique_ptr<TzvView> { return std::make_unique<TzvMemoView>(r); };
        ASSERT_TRUE(RegisterAddInObject(std::move(info)));
    }
    ASSERT_EQ(AddInObjects().size(), before);
    size_t added = 0;
    for (int i = 0; i < 40; ++i) {
        TzvAddInObjectInfo info;
        info.ClassName = "TzvProva" + std::to_string(i) + "View";
        info.Create = [](TzvReport* r) -> std::unique_ptr<TzvView> { return std::make_unique<TzvMemoView>(r); };
        if (RegisterAddInObject(std::move(info))) ++added;
    }
    EXPECT_EQ(AddInObjects().size(), kMaxAddIns);
    EXPECT_EQ(added, kMaxAddIns - before);
    // A registered class is built through its constructor and marked as an add-in.
    zvState().CurrentReport = &report;
    std::unique_ptr<TzvView> v = CreateObject(otAddIn, "TzvProva0View");
    ASSERT_NE(v, nullptr);
    EXPECT_EQ(v->Kind, otAddIn);
}

TEST_F(ViewTest, NamesAreUniqueWithoutRegardToCase)
{
    auto* a = Put<TzvMemoView>(0);
    auto* b = Put<TzvMemoView>(0);
    EXPECT_EQ(a->Name, "Memo1");
    EXPECT_EQ(b->Name, "Memo2");
    b->Name = "memo2";
    report.Pages.Add();
    auto* c = Put<TzvMemoView>(1);
    EXPECT_EQ(c->Name, "Memo3");
    EXPECT_EQ(FindObject(&report, "MEMO3", nullptr), c);
    EXPECT_EQ(FindObject(&report, "memo3", c), nullptr);
    EXPECT_EQ(FindObject(&report, "Memo1", nullptr), a);
    EXPECT_EQ(Put<TzvBandView>(1)->Name, "Band1");
    // Without a report the first candidate is taken.
    TzvMemoView loose(nullptr);
    EXPECT_EQ(loose.Name, "Memo1");
}

TEST_F(ViewTest, AssignCopiesFieldsAndKeepsNamesUnique)
{
    auto* src = Put<TzvMemoView>(0);
    src->Left = 1;
    src->Top = 2;
    src->Width = 3;
    src->Height = 4;
    src->Options = 7;
    src->Borders = 9;
    src->BorderWidth = 5;
    src->BorderColor = 0x123456;
    src->BorderStyle = 3;
    src->BackColor = 0xABCDEF;
    src->FormatCode = 0x01000000;
    src->FormatText = "ft";
    src->Lines = {"a", "b"};
    src->Visible = 0;
    src->Selected = 1;
    src->TextFont.name = "Courier New";
    src->TextFont.style = fsItalic;
    src->Alignment = 3;
    src->HighlightExpr = "[x]";
    src->HighlightActive = -1;
    auto* copy = Put<TzvMemoView>(0);
    copy->Assign(*src);
    EXPECT_EQ(copy->Name, "Memo2");  // the source's name is taken
    EXPECT_EQ(copy->Left, 1);
    EXPECT_EQ(copy->Top, 2);
    EXPECT_EQ(copy->Width, 3);
    EXPECT_EQ(copy->Height, 4);
    EXPECT_EQ(copy->Options, 7);
    EXPECT_EQ(copy->Borders, 9);
    EXPECT_EQ(copy->BorderWidth, 5);
    EXPECT_EQ(copy->BorderColor, 0x123456u);
    EXPECT_EQ(copy->BorderStyle, 3);
    EXPECT_EQ(copy->BackColor, 0xABCDEFu);
    EXPECT_EQ(copy->FormatCode, 0x01000000u);
    EXPECT_EQ(copy->FormatText, "ft");
    EXPECT_EQ(copy->Lines, (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(copy->Visible, 0);
    EXPECT_EQ(copy->Selected, 1);
    EXPECT_EQ(copy->TextFont.name, "Courier New");
    EXPECT_EQ(copy->TextFont.style, fsItalic);
    EXPECT_EQ(copy->Alignment, 3u);
    EXPECT_EQ(copy->HighlightExpr, "[x]");
    EXPECT_EQ(copy->HighlightActive, -1);

    // From outside the report the source's name comes along.
    TzvReport outside;
    zvState().CurrentReport = &outside;
    TzvMemoView stranger(&outside);
    stranger.Name = "Estraneo";
    copy->Assign(stranger);
    EXPECT_EQ(copy->Name, "Estraneo");

    auto* sub = Put<TzvSubReportView>(0);
    TzvSubReportView other(nullptr);
    other.SubPage = 4;
    sub->Assign(other);
    EXPECT_EQ(sub->SubPage, 4);
    sub->SubPage = -1;  // refers to no page: nothing to delete when it goes
}

TEST_F(ViewTest, CalcFrameRect)
{
    struct Case {
        int32_t width;
        uint16_t borders;
        int32_t insetX, insetY;
        Rect frame;
    } cases[] = {
        {1, frAll, 2, 1, {10, 20, 111, 71}}, {3, frLeft, 3, 1, {11, 20, 111, 71}},
        {3, frAll, 3, 1, {11, 21, 110, 70}}, {4, frRight | frBottom, 4, 2, {10, 20, 109, 69}},
        {0, frAll, 2, 1, {10, 20, 111, 71}}, {-3, frLeft | frTop, 1, 1, {8, 18, 111, 71}},
    };
    TzvMemoView v(nullptr);
    v.Left = 10;
    v.Top = 20;
    v.Width = 100;
    v.Height = 50;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.width);
        v.BorderWidth = c.width;
        v.Borders = c.borders;
        v.CalcFrameRect();
        EXPECT_EQ(v.InsetX, c.insetX);
        EXPECT_EQ(v.InsetY, c.insetY);
        EXPECT_EQ(v.DRect, c.frame);
    }
}

TEST_F(ViewTest, BackgroundAndFrameInRunAndDesignMode)
{
    TzvMemoView v(nullptr);
    v.Left = 10;
    v.Top = 20;
    v.Width = 30;
    v.Height = 40;
    struct Case {
        bool run;
        Color back;
        uint16_t borders;
        std::vector<std::string> log;
    } cases[] = {
        {true, clNone, 0, {}},
        {false,
         clNone,
         frAll,
         {"fill 10,20,41,61 brush=FFFFFF/Solid", "rect 10,20,41,61 pen=00FF00/1/Solid brush=FFFFFF/Clear"}},
        {true,
         0x0000FF,
         frAll,
         {"fill 10,20,40,60 brush=0000FF/Solid", "rect 10,20,41,61 pen=00FF00/1/Solid brush=0000FF/Clear"}},
        {true,
         clNone,
         frLeft | frBottom,
         {"moveTo 10,20", "lineTo 10,60 pen=00FF00/1/Solid", "moveTo 10,60", "lineTo 40,60 pen=00FF00/1/Solid"}},
        {true,
         clNone,
         frRight | frTop,
         {"moveTo 40,20", "lineTo 40,60 pen=00FF00/1/Solid", "moveTo 10,20", "lineTo 40,20 pen=00FF00/1/Solid"}},
    };
    for (const Case& c : cases) {
        TraceCanvas canvas;
        zvState().RunMode = c.run;
        v.BackColor = c.back;
        v.Borders = c.borders;
        v.BorderWidth = 1;  // the design-mode frame rectangle is then one unit larger
        v.BorderColor = 0x00FF00;
        v.BeginDraw(canvas);
        EXPECT_EQ(zvState().CurrentObject, &v);
        v.CalcFrameRect();
        v.ShowBackground();
        v.ShowFrame();
        EXPECT_EQ(canvas.lines, c.log);
    }
    // Design mode without lines: eight black corner strokes.
    TraceCanvas canvas;
    zvState().RunMode = false;
    v.Borders = 0;
    v.BeginDraw(canvas);
    v.ShowFrame();
    int strokes = 0;
    for (const auto& l : canvas.lines)
        if (l.rfind("lineTo", 0) == 0) {
            ++strokes;
            EXPECT_NE(l.find("pen=000000/1/Solid"), std::string::npos) << l;
        }
    EXPECT_EQ(strokes, 8);
    // Nothing at all while drawing is suppressed.
    TraceCanvas quiet;
    zvState().DrawingSuppressed = true;
    v.BeginDraw(quiet);
    v.ShowBackground();
    v.ShowFrame();
    zvState().DrawingSuppressed = false;
    EXPECT_TRUE(quiet.lines.empty());
}

TEST_F(ViewTest, ClipRegionIncludesHalfTheFrame)
{
    TzvMemoView v(nullptr);
    v.Left = 10;
    v.Top = 20;
    v.Width = 30;
    v.Height = 40;
    v.BorderWidth = 4;
    v.Borders = frLeft | frBottom;
    EXPECT_EQ(v.GetClipRgn(false), (Rect{8, 20, 40, 62}));
    EXPECT_EQ(v.GetClipRgn(true), (Rect{-2, 10, 50, 72}));

    // Bands add their caption tab: above a horizontal band, left of a table band.
    TzvBandView band(nullptr);
    band.Left = 0;
    band.Top = 100;
    band.Width = 700;
    band.Height = 40;
    band.SetBandKind(bkMainData);
    EXPECT_EQ(band.GetClipRgn(false), (Rect{0, 82, 700, 140}));
    band.Left = 200;
    band.Top = 0;
    band.Width = 50;
    band.Height = 1000;
    band.SetBandKind(bkTableData);
    EXPECT_EQ(band.GetClipRgn(false), (Rect{182, 0, 250, 1000}));
    EXPECT_EQ(band.GetClipRgn(true), (Rect{182, -10, 260, 1010}));
}

TEST_F(ViewTest, RotatedFontIsATurnedCopy)
{
    Font f;
    f.name = "Verdana";
    f.height = -20;
    f.style = fsBold;
    Font r = CreateRotatedFont(f);
    EXPECT_EQ(r.escapement, 900);
    EXPECT_EQ(r.orientation, 900);
    EXPECT_EQ(r.name, "Verdana");
    EXPECT_EQ(r.height, -20);
    EXPECT_EQ(r.style, fsBold);
    EXPECT_EQ(f.escapement, 0);
}

TEST_F(ViewTest, BandNamesAndOptions)
{
    EXPECT_EQ(BandName(bkReportFooter), "Pi\xE8 di pagina report");
    EXPECT_EQ(BandName(bkPageHeader), "Instestazione pagina");
    EXPECT_EQ(BandName(bkNone), "Nessuna");
    EXPECT_EQ(BandName(22), "");
    auto* band = Put<TzvBandView>(0);
    band->Options = boNewPage | boStretched;
    band->SetBandKind(bkPageHeader);
    EXPECT_FALSE(band->NewPage());  // a page header cannot force a new page
    EXPECT_TRUE(band->Stretched());
    EXPECT_FALSE(band->UsesDataSource());
    band->SetBandKind(bkMainData);
    EXPECT_TRUE(band->NewPage());
    EXPECT_TRUE(band->UsesDataSource());
    band->SetBandKind(bkTableData);
    EXPECT_FALSE(band->Stretched());
    EXPECT_TRUE(band->UsesDataSource());
    int printIfEmpty = 0, completeList = 0;
    for (int k = 0; k < kBandKindCount; ++k) {
        printIfEmpty += TzvBandView::Allows(boPrintIfEmpty, k);
        completeList += TzvBandView::Allows(boCompleteList, k);
    }
    EXPECT_EQ(printIfEmpty, 2);
    EXPECT_EQ(completeList, 3);
}

TEST_F(ViewTest, MemoStylesAndVersionTwentyOneWordWrap)
{
    auto* memo = Put<TzvMemoView>(0);
    memo->HighlightStyle = fsBold | fsItalic;
    memo->TextFont.style = fsUnderline | fsStrikeOut;
    MemoryStream s;
    {
        TemplateVersionGuard v;
        memo->SaveToStream(s);
    }
    TzvMemoView back(nullptr);
    s.setPosition(0);
    {
        TemplateVersionGuard v;
        back.LoadFromStream(s);
    }
    EXPECT_EQ(back.HighlightStyle, fsBold | fsItalic);
    EXPECT_EQ(back.TextFont.style, fsUnderline);  // strike-out is not stored
    EXPECT_EQ(back.Options & moWordWrap, 0);
    EXPECT_EQ(back.LineHeight, 15);  // 10 points: height -13
}

TEST_F(ViewTest, SubReportDrawing)
{
    auto* sub = Put<TzvSubReportView>(0);
    sub->Left = 5;
    sub->Top = 6;
    sub->Width = 50;
    sub->Height = 20;
    sub->SubPage = 2;
    sub->BorderWidth = 3;
    TraceCanvas canvas;
    sub->Draw(canvas);
    ASSERT_EQ(canvas.lines.size(), 2u);
    EXPECT_EQ(canvas.lines[0], "rect 5,6,56,27 pen=000000/1/Solid brush=FFFFFF/Solid");
    EXPECT_EQ(canvas.lines[1].rfind("textRect 5,6,56,27 7,8 'SottoReport in pagina 3' font=Arial/-11/0/0", 0), 0u)
        << canvas.lines[1];
    sub->SubPage = -1;
}

TEST_F(ViewTest, DeletingAPageFixesEverySubReportPlaceholder)
{
    // Pages 0..3; placeholders: p0 -> 2, p1 -> 3, p3 -> 2, p3 -> 1.
    for (int i = 0; i < 3; ++i) report.Pages.Add();
    auto* a = Put<TzvSubReportView>(0);
    a->SubPage = 2;
    auto* b = Put<TzvSubReportView>(1);
    b->SubPage = 3;
    auto* c = Put<TzvSubReportView>(3);
    c->SubPage = 2;
    auto* d = Put<TzvSubReportView>(3);
    d->SubPage = 1;
    Put<TzvMemoView>(2);

    report.Pages.Delete(2);
    ASSERT_EQ(report.Pages.Count(), 3);
    EXPECT_EQ(report.Pages[0].Count(), 0);  // its placeholder referred to the deleted page
    ASSERT_EQ(report.Pages[1].Count(), 1);
    EXPECT_EQ(report.Pages[1].Object(0), b);
    EXPECT_EQ(b->SubPage, 2);
    ASSERT_EQ(report.Pages[2].Count(), 1);  // was page 3
    EXPECT_EQ(report.Pages[2].Object(0), d);
    EXPECT_EQ(d->SubPage, 1);
    for (int p = 0; p < report.Pages.Count(); ++p)
        for (const auto& v : report.Pages[p].Objects)
            if (auto* s = dynamic_cast<TzvSubReportView*>(v.get())) {
                EXPECT_LT(s->SubPage, report.Pages.Count());
            }

    // Freeing a placeholder deletes the page it refers to; that page's placeholder (d, referring
    // to page 1) deletes its own sub-report page in turn.
    report.Pages[1].Remove(b).reset();
    ASSERT_EQ(report.Pages.Count(), 1);
    // A placeholder referring to its own page goes with it without a second deletion.
    report.Pages.Add();
    auto* e = Put<TzvSubReportView>(1);
    e->SubPage = 1;
    report.Pages.Delete(1);
    EXPECT_EQ(report.Pages.Count(), 1);
}

TEST_F(ViewTest, NestedSubReportsOfADeletedPageGoWithIt)
{
    // Pages 0..4, each marked by a memo; page 1 holds placeholders for pages 4 and 2 (in that
    // list order, so the one for page 2 is freed first and renumbers the other).
    for (int i = 0; i < 4; ++i) report.Pages.Add();
    std::vector<TzvMemoView*> marks;
    for (int i = 0; i < 5; ++i) marks.push_back(Put<TzvMemoView>(i));
    auto* toFour = Put<TzvSubReportView>(1);
    toFour->SubPage = 4;
    auto* toTwo = Put<TzvSubReportView>(1);
    toTwo->SubPage = 2;

    report.Pages.Delete(1);
    ASSERT_EQ(report.Pages.Count(), 2);
    EXPECT_EQ(report.Pages[0].Object(0), marks[0]);
    EXPECT_EQ(report.Pages[1].Object(0), marks[3]);
}
