// Tests of the memo object: bracket expansion, layout and word wrap, alignments, draw modes, highlight.
#include <gtest/gtest.h>

#include <map>

#include "platform/data/ClientDataSet.h"
#include "platform/emf/EmfPlayer.h"
#include "platform/emf/EmfReader.h"
#include "platform/emf/EmfRecorder.h"
#include "report/ZV_Bands.h"
#include "report/ZV_Const.h"
#include "report/ZV_Format.h"
#include "report/ZV_Memo.h"
#include "report/ZV_Report.h"
#include "tests/support/ProcessState.h"
#include "tests/support/TraceCanvas.h"

using namespace zv;

namespace {

// The band geometry the tests hand to memos (one band at a time).
TzvBandGeometry gBand;
bool TestBandGeometry(const TzvBand*, TzvBandGeometry& out)
{
    out = gBand;
    return true;
}
TzvBand gTestBand;  // the memos' band; its geometry comes from gBand through the hook
TzvBand* const kBand = &gTestBand;

TField* gBandFieldAnswer = nullptr;
TField* TestBandField(std::string_view) { return gBandFieldAnswer; }

// Fake metrics, Arial 10 (height -13): lower case 7, upper 9, blank 5, narrow (i l f t j . ,) 4,
// digits 8, wide (m w) 11; line advance 15; cell height 15.
class MemoTest : public zvtest::ProcessStateTest {
protected:
    void SetUp() override
    {
        TzvGlobalState& st = zvState();
        st.RunMode = true;
        st.ErrorFlag = false;
        st.ErrorText.clear();
        st.CurrentObject = nullptr;
        st.DrawingSuppressed = false;
        st.MeasuredBottom = 0;
        PrepareState().AggregateTarget = nullptr;
        PrepareState().CurrentValue = Variant::null();
        SetExprResolver({&MemoTest::Resolve, this});
        SetBandGeometryFunction(nullptr);
        SetBandFieldFunction(nullptr);
        gBand = {};
        memo = std::make_unique<TzvMemoView>(&report);
        memo->Left = 10;
        memo->Top = 20;
        memo->Width = 100;
        memo->Height = 40;
    }
    void TearDown() override
    {
        memo.reset();
        ClearExprResolver(this);
    }
    static void Resolve(void* owner, std::string_view name, const TzvArgList*, Variant& value)
    {
        auto* self = static_cast<MemoTest*>(owner);
        self->asked.emplace_back(name);
        if (auto it = self->values.find(std::string(name)); it != self->values.end()) value = it->second;
    }
    std::vector<std::string> Expand(std::vector<std::string> lines)
    {
        memo->Lines = std::move(lines);
        memo->ExpandVariables();
        return memo->ExpandedLines;
    }
    // The trace lines with the font, colour and brush fields cut off the text calls.
    std::vector<std::string> Draw(uint8_t mode = dmNormal)
    {
        canvas.clearLog();
        canvas.setPen({});
        canvas.setBrush({});
        canvas.setFont({});
        memo->DrawMode = mode;
        memo->Draw(canvas);
        std::vector<std::string> out;
        for (const std::string& l : canvas.lines) {
            const size_t at = l.find("' font=");
            out.push_back(at == std::string::npos ? l : l.substr(0, at + 1));
        }
        return out;
    }
    std::vector<std::string> Texts(uint8_t mode = dmNormal)
    {
        std::vector<std::string> out;
        for (const std::string& l : Draw(mode))
            if (l.rfind("text", 0) == 0) out.push_back(l);
        return out;
    }

    TzvReport report;
    std::unique_ptr<TzvMemoView> memo;
    std::map<std::string, Variant> values;
    std::vector<std::string> asked;
    TraceCanvas canvas;
};

using Lines = std::vector<std::string>;

}  // namespace

// ---- expansion -------------------------------------------------------------------------------

TEST_F(MemoTest, BracketGroupsAreReplacedByTheirValues)
{
    values = {{"Nome", Variant("Mario")},
              {"Cognome", Variant("Rossi")},
              {"SUM([Importo])", Variant(int32_t{10})},
              {"Loop", Variant("[Nome]")}};
    EXPECT_EQ(Expand({"Sig. [Nome] [Cognome]!", "senza parentesi", "finisce con [", "", "["}),
              (Lines{"Sig. Mario Rossi!", "senza parentesi", "finisce con [", "", "["}));
    // A group holding another group is one expression, handed over whole.
    asked.clear();
    EXPECT_EQ(Expand({"Tot: [SUM([Importo])]."}), Lines{"Tot: 10."});
    EXPECT_EQ(asked, Lines{"SUM([Importo])"});
    // Inserted text is not scanned again.
    EXPECT_EQ(Expand({"[Loop][Nome]"}), Lines{"[Nome]Mario"});
    // An unclosed group takes the rest of the line.
    EXPECT_EQ(Expand({"a[Nome"}), Lines{"aMario"});
    // Names the resolver does not know are evaluated as expressions.
    EXPECT_EQ(Expand({"[2 * 3]|[]|"}), Lines{"6||"});
    EXPECT_FALSE(zvState().ErrorFlag);
}

TEST_F(MemoTest, ValuesAreFormattedByTheCurrentObjectsFormat)
{
    memo->FormatCode = MakeFormatCode(fcNumber, 1, 2, ',');
    zvState().CurrentObject = memo.get();
    values = {{"Importo", Variant(1234.56)}};
    EXPECT_EQ(Expand({"[Importo] euro"}), Lines{"1234,56 euro"});
    EXPECT_EQ(PrepareState().CurrentValue.type(), VarType::Double);
    EXPECT_EQ(PrepareState().CurrentValue.rawDouble(), 1234.56);

    // Another current object lends its format (the band expands text of other objects).
    TzvMemoView other(&report);
    other.FormatCode = MakeFormatCode(fcNumber, 1, 0, ',');
    zvState().CurrentObject = &other;
    EXPECT_EQ(Expand({"[Importo]"}), Lines{"1235"});

    // The collecting expansion writes plain values and leaves the current value alone.
    zvState().CurrentObject = memo.get();
    PrepareState().CurrentValue = Variant("prima");
    PrepareState().AggregateTarget = kBand;
    EXPECT_EQ(Expand({"[Importo]"}), Lines{VarToStr(Variant(1234.56))});
    EXPECT_EQ(PrepareState().CurrentValue.rawString(), "prima");
}

TEST_F(MemoTest, DesignModeTakesTheLinesAsTheyAre)
{
    zvState().RunMode = false;
    values = {{"Nome", Variant("Mario")}};
    EXPECT_EQ(Expand({"[Nome]"}), Lines{"[Nome]"});
    EXPECT_TRUE(asked.empty());
}

TEST_F(MemoTest, AnExpansionErrorIsRecordedOnceAndLaterTextsStayEmpty)
{
    values = {{"Nome", Variant("Mario")}};
    EXPECT_EQ(Expand({"a [Manca] b", "[Nome]", "[1 + 1]"}), (Lines{"a  b", "", ""}));
    EXPECT_TRUE(zvState().ErrorFlag);
    EXPECT_NE(zvState().ErrorText.find(std::string(kErrFromEngine) + kExprUnknownIdentMsg + "Manca"), std::string::npos)
        << zvState().ErrorText;
}

TEST_F(MemoTest, AValueWithLineBreaksBecomesSeparateLines)
{
    values = {{"Note", Variant("uno\r\ndue")}};
    memo->Lines = {"[Note]", "tre"};
    memo->Height = 100;
    EXPECT_EQ(Texts(), (Lines{"text 12,21 'uno'", "text 12,36 'due'", "text 12,51 'tre'"}));
    EXPECT_EQ(memo->HadLineBreaks, 1);
    EXPECT_EQ(memo->ExpandedLines, (Lines{"uno", "due", "tre"}));
}

TEST_F(MemoTest, MemoFieldTextReplacesTheLines)
{
    TClientDataSet ds;
    ds.addFieldDef("Testo", ftMemo);
    ds.addFieldDef("Nome", ftString, 10);
    ds.createDataSet();
    ds.append();
    ds.fieldByName("Testo")->setBlobBytes("riga [uno]\r\nriga due");
    ds.fieldByName("Nome")->setAsString("x");
    ds.post();
    report.HasBlobFields = true;
    const int i = report.Values.AddValue("Nota");
    report.Values.Items(i).Typ = 1;
    report.Values.Items(i).Field = ds.fieldByName("Testo");
    memo->Lines = {"[Nota]"};
    EXPECT_EQ(Texts(), (Lines{"text 12,21 'riga [uno]'", "text 12,36 'riga due'"}));
    EXPECT_TRUE(asked.empty());  // the field's text is not expanded

    // A name that is no binding is a field of the band's data source; a text field is no blob.
    SetBandFieldFunction(TestBandField);
    values = {{"Campo", Variant("valore")}};
    gBandFieldAnswer = ds.fieldByName("Testo");
    memo->Lines = {"[Campo]"};
    EXPECT_EQ(Texts().size(), 2u);
    gBandFieldAnswer = ds.fieldByName("Nome");
    EXPECT_EQ(Texts(), Lines{"text 12,21 'valore'"});
    // Without blob bindings the rule does not apply.
    report.HasBlobFields = false;
    gBandFieldAnswer = ds.fieldByName("Testo");
    EXPECT_EQ(Texts(), Lines{"text 12,21 'valore'"});
}

// ---- layout ----------------------------------------------------------------------------------

TEST_F(MemoTest, MeasuringLaysOutAndDrawsNothing)
{
    memo->Lines = {"1", "2", "3", "4", "5"};
    EXPECT_TRUE(Draw(dmMeasure).empty());
    EXPECT_EQ(memo->MeasuredHeight, 5 * 15 + 2 * 1);
    EXPECT_EQ(memo->GetLineHeight(), 15);
    EXPECT_EQ(memo->FrameAllowance(), 1);
    // A wider frame line widens the insets: BorderWidth 4 gives InsetX 4, InsetY 2.
    memo->BorderWidth = 4;
    Draw(dmMeasure);
    EXPECT_EQ(memo->MeasuredHeight, 5 * 15 + 2 * 2);
    memo->TextFont.height = -20;
    Draw(dmMeasure);
    EXPECT_EQ(memo->MeasuredHeight, 5 * 22 + 2 * 2);
}

TEST_F(MemoTest, WordWrapBreaksAfterTheLastBreakCharacterThatFits)
{
    // "Hello world": the first nine characters are 61 wide, the first ten 65; avail 64.
    memo->Width = 68;
    memo->Options = moWordWrap;
    memo->Lines = {"Hello world", "a", "Hi"};
    EXPECT_EQ(Texts(), (Lines{"textRect 11,20,77,60 12,21 'Hello '", "textRect 11,20,77,60 12,36 'world'"}));
    EXPECT_EQ(memo->FirstLine, 2);  // "a" at y 51 would end below the clip bottom 60
    EXPECT_EQ(memo->RemainingLines(), 2);

    // Commas, hyphens and points break too; a run without break character is cut where it
    // reached the length, and its remainder goes on wrapping.
    memo->Height = 200;
    memo->Width = 34;  // avail 30
    memo->Lines = {"abcdefghij", "ab-cd,efgh"};
    Draw(dmMeasure);
    EXPECT_EQ(memo->ExpandedLines, (Lines{"abcde", "fghij", "ab-", "cd,", "efgh"}));
    // Without word wrap every line is kept whole.
    memo->Options = 0;
    Draw(dmMeasure);
    EXPECT_EQ(memo->ExpandedLines, (Lines{"abcdefghij", "ab-cd,efgh"}));
}

TEST_F(MemoTest, AutoWidthFitsTheWidestLine)
{
    memo->Options = moAutoWidth;
    memo->Lines = {"ab", "Hello", ""};
    Draw(dmMeasure);
    EXPECT_EQ(memo->Width, 2 * 2 + 31);
    zvState().RunMode = false;  // only in run mode
    memo->Width = 100;
    Draw(dmMeasure);
    EXPECT_EQ(memo->Width, 100);
}

TEST_F(MemoTest, StretchedMemoGrowsInAStretchedBand)
{
    SetBandGeometryFunction(TestBandGeometry);
    memo->ParentBand = kBand;
    memo->Width = 68;
    memo->Options = moWordWrap | moStretched;
    memo->Lines = {"Hello world", "a", "b"};
    zvState().MeasuredBottom = 30;
    gBand.Stretched = false;
    Draw(dmMeasure);
    EXPECT_EQ(memo->Height, 40);
    EXPECT_EQ(memo->MeasuredHeight, 4 * 15 + 2);
    EXPECT_EQ(zvState().MeasuredBottom, 20 + 62 + 2);
    gBand.Stretched = true;
    zvState().MeasuredBottom = 500;  // never lowered
    Draw(dmMeasure);
    EXPECT_EQ(memo->Height, 62);
    EXPECT_EQ(zvState().MeasuredBottom, 500);
    // Drawn again with its new height: all four lines fit.
    EXPECT_EQ(Texts(dmDrawAgain).size(), 4u);
    EXPECT_EQ(memo->Options, moWordWrap | moStretched);
}

TEST_F(MemoTest, EmptyStretchedMemoFollowsItsBandsHeight)
{
    SetBandGeometryFunction(TestBandGeometry);
    memo->ParentBand = kBand;
    memo->Options = moStretched;
    memo->BackColor = clYellow;
    gBand = {true, 75, 50};
    EXPECT_EQ(Draw(dmDrawAgain), Lines{"fill 10,20,110,80 brush=00FFFF/Solid"});
    EXPECT_EQ(memo->Height, 40);
    gBand.Stretched = false;
    EXPECT_EQ(Draw(dmDrawAgain), Lines{"fill 10,20,110,60 brush=00FFFF/Solid"});
}

// ---- drawing ---------------------------------------------------------------------------------

TEST_F(MemoTest, HorizontalAlignmentAndBlockPlacement)
{
    memo->Lines = {"Hello"};  // 31 wide
    struct Case {
        uint32_t alignment;
        const char* text;
    } cases[] = {
        {maLeft, "text 12,21 'Hello'"},
        {maRight, "text 76,21 'Hello'"},             // 10 + 100 - 2 - 31 - 1
        {maCenter, "text 44,21 'Hello'"},            // 12 + (96 - 31) / 2
        {maLeft | maMiddle, "text 12,32 'Hello'"},   // measured 17: down by (40 - 17) / 2
        {maRight | maBottom, "text 76,44 'Hello'"},  // 20 + 40 - 17 + 1
        {maJustify, "text 12,21 'Hello'"},           // one word, no blank: plain
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.alignment);
        memo->Alignment = c.alignment;
        EXPECT_EQ(Texts(), Lines{c.text});
    }
    // A line crossing the clip rectangle is drawn clipped.
    memo->Alignment = maLeft;
    memo->Lines = {"Hello Hello Hello Hello"};
    EXPECT_EQ(Texts(), Lines{"textRect 11,20,109,60 12,21 'Hello Hello Hello Hello'"});
}

TEST_F(MemoTest, PlacementWhenDrawnAgainUsesTheMeasuringDraw)
{
    memo->Alignment = maBottom;
    memo->Lines = {"a", "b"};
    Draw(dmMeasure);
    EXPECT_EQ(Texts(dmDrawAgain), (Lines{"text 12,29 'a'", "text 12,44 'b'"}));  // 20 + 40 - 32 + 1
}

TEST_F(MemoTest, JustifiedLinesShareTheFreeSpaceAmongTheirBlanks)
{
    memo->Alignment = maJustify;
    memo->Height = 60;
    // Clip 11..109: free space 98 - InsetX - 1 - width.
    memo->Lines = {"ab cd", "a b cd", "abc  ", " ab"};
    EXPECT_EQ(Texts(), (Lines{
                           "text 12,21 'ab'", "text 93,21 'cd'",                   // blank advance 67
                           "text 12,36 'a'", "text 52,36 'b'", "text 93,36 'cd'",  // 33.5: 52.5 rounds to 52
                           "text 12,51 'abc'",                                     // trailing blanks dropped
                       }));
    EXPECT_EQ(memo->FirstLine, 3);
    memo->Height = 100;
    EXPECT_EQ(Texts().back(), "text 12,66 ' ab'");  // a leading blank is no blank after text
}

TEST_F(MemoTest, LinesThatDoNotFitAreContinuedOnTheNextDraw)
{
    memo->Lines = {"uno", "due", "tre", "quattro"};
    EXPECT_TRUE(Draw(dmMeasure).empty());
    EXPECT_EQ(Texts(dmDrawAgain), (Lines{"text 12,21 'uno'", "text 12,36 'due'"}));
    EXPECT_EQ(memo->FirstLine, 2);
    EXPECT_EQ(memo->RemainingLines(), 2);
    EXPECT_EQ(Texts(dmContinue), (Lines{"text 12,21 'tre'", "text 12,36 'quattro'"}));
    // Draw again starts over; no expansion happens in either mode.
    asked.clear();
    EXPECT_EQ(Texts(dmDrawAgain).front(), "text 12,21 'uno'");
    EXPECT_TRUE(asked.empty());
    // In design mode a continued draw starts at the first line too.
    zvState().RunMode = false;
    memo->FirstLine = 2;
    EXPECT_EQ(Texts(dmContinue).front(), "text 12,21 'uno'");
}

TEST_F(MemoTest, TurnedTextRunsUpFromTheBottom)
{
    memo->Width = 40;
    memo->Height = 100;
    memo->Lines = {"Hello", "ab"};
    struct Case {
        uint32_t alignment;
        Lines texts;
    } cases[] = {
        {maRotated, {"textRect 11,20,49,120 12,119 'Hello'", "textRect 11,20,49,120 27,119 'ab'"}},
        {maRotated | 1, {"textRect 11,20,49,120 12,52 'Hello'", "textRect 11,20,49,120 27,35 'ab'"}},
        {maRotated | 2, {"textRect 11,20,49,120 12,85 'Hello'", "textRect 11,20,49,120 27,76 'ab'"}},
        // Placed right: measured across 2 * 15 + 2 * InsetX = 34.
        {maRotated | maBottom, {"textRect 11,20,49,120 18,119 'Hello'", "textRect 11,20,49,120 33,119 'ab'"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.alignment);
        memo->Alignment = c.alignment;
        EXPECT_EQ(Texts(), c.texts);
        EXPECT_EQ(canvas.lines.back().find("font=Arial/-13/0/900 "), canvas.lines.back().find("font="));
    }
    // Justified along the height: clip 20..120, free space 100 - InsetY - 1 - 33 = 65.
    memo->Alignment = maRotated | maJustify;
    memo->Lines = {"ab cd"};
    EXPECT_EQ(Texts(), (Lines{"textRect 11,20,49,120 12,119 'ab'", "textRect 11,20,49,120 12,35 'cd'"}));
    // Turned text is laid out against the height and ignores FirstLine.
    memo->Alignment = maRotated;
    memo->Options = moWordWrap;
    memo->Height = 40;  // avail 38
    memo->Lines = {"Hello world"};
    EXPECT_EQ(Texts(), (Lines{"textRect 11,20,49,60 12,59 'Hello '", "textRect 11,20,49,60 27,59 'world'"}));
    memo->FirstLine = 1;
    EXPECT_EQ(Texts(dmContinue).size(), 2u);
}

TEST_F(MemoTest, HighlightSwapsStyleColourAndBackgroundForOneDraw)
{
    memo->Lines = {"Hi"};
    memo->HighlightActive = -1;
    memo->HighlightExpr = "[Flag] = 1";
    memo->HighlightStyle = fsBold | fsItalic;
    memo->HighlightFontColor = clRed;
    memo->HighlightBackColor = clYellow;
    values = {{"Flag", Variant(int32_t{1})}};
    Draw();
    ASSERT_EQ(canvas.lines.size(), 2u);
    EXPECT_EQ(canvas.lines[0], "fill 10,20,110,60 brush=00FFFF/Solid");
    EXPECT_EQ(canvas.lines[1], "text 12,21 'Hi' font=Arial/-13/3/0 color=0000FF brush=00FFFF/Clear");
    EXPECT_EQ(memo->TextFont.style, 0);
    EXPECT_EQ(memo->TextFont.color, clBlack);
    EXPECT_EQ(memo->BackColor, clNone);
    EXPECT_EQ(memo->HighlightActive, -1);

    values["Flag"] = Variant(int32_t{0});
    Draw();
    ASSERT_EQ(canvas.lines.size(), 1u);
    EXPECT_EQ(canvas.lines[0], "text 12,21 'Hi' font=Arial/-13/0/0 color=000000 brush=FFFFFF/Clear");
    EXPECT_EQ(memo->HighlightActive, -1);

    // Measuring evaluates nothing; a draw again after it does.
    values["Flag"] = Variant(int32_t{1});
    asked.clear();
    Draw(dmMeasure);
    EXPECT_EQ(asked, Lines{});
    Draw(dmDrawAgain);
    EXPECT_EQ(canvas.lines[0], "fill 10,20,110,60 brush=00FFFF/Solid");

    // A failing condition is reported and the memo is drawn plain.
    memo->HighlightExpr = "[Manca] +";
    Draw();
    EXPECT_EQ(canvas.lines.size(), 1u);
    EXPECT_NE(zvState().ErrorText.find(kErrHighlightExpr), std::string::npos);
    EXPECT_EQ(memo->HighlightActive, -1);
}

TEST_F(MemoTest, InvisibleMemos)
{
    memo->Lines = {"Hi"};
    memo->Visible = 0;
    EXPECT_TRUE(Draw().empty());
    zvState().RunMode = false;
    const Lines all = Draw();
    // Design mode: white background over the frame rectangle, corner marks, text, red cross.
    ASSERT_GE(all.size(), 6u);
    EXPECT_EQ(all.front(), "fill 10,20,111,61 brush=FFFFFF/Solid");
    EXPECT_NE(std::find(all.begin(), all.end(), "text 12,21 'Hi'"), all.end());
    EXPECT_EQ(Lines(all.end() - 4, all.end()), (Lines{"moveTo 10,20", "lineTo 110,60 pen=0000FF/2/Solid",
                                                      "moveTo 110,20", "lineTo 10,60 pen=0000FF/2/Solid"}));
}

TEST_F(MemoTest, SuppressedDrawingStillMeasures)
{
    memo->Lines = {"a", "b"};
    memo->Borders = frAll;
    zvState().DrawingSuppressed = true;
    EXPECT_TRUE(Draw().empty());
    EXPECT_EQ(memo->ExpandedLines.size(), 2u);
    EXPECT_EQ(memo->LayoutHeight(), 32);
    zvState().DrawingSuppressed = false;
}

TEST_F(MemoTest, CanvasFontFollowsTheReportsPixelsPerInch)
{
    memo->Lines = {"Hi"};
    report.PixelsPerInch = 120;
    Draw();
    EXPECT_NE(canvas.lines.back().find("font=Arial/-16/0/0"), std::string::npos) << canvas.lines.back();
    EXPECT_EQ(memo->GetLineHeight(), 18);
    EXPECT_EQ(memo->TextFont.height, -13);
    report.Scaled = false;
    Draw();
    EXPECT_NE(canvas.lines.back().find("font=Arial/-13/0/0"), std::string::npos);
}

TEST_F(MemoTest, AssignCopiesFontAlignmentAndHighlight)
{
    memo->TextFont.name = "Courier New";
    memo->TextFont.setSize(12);
    memo->TextFont.style = fsItalic;
    memo->TextFont.color = clBlue;
    memo->Alignment = maCenter | maMiddle;
    memo->HighlightStyle = fsUnderline;
    memo->HighlightFontColor = clGreen;
    memo->HighlightBackColor = clSilver;
    memo->HighlightExpr = "[A] > 1";
    memo->HighlightActive = -1;
    TzvMemoView copy(nullptr);
    copy.Assign(*memo);
    EXPECT_EQ(copy.TextFont, memo->TextFont);
    EXPECT_EQ(copy.Alignment, memo->Alignment);
    EXPECT_EQ(copy.HighlightStyle, fsUnderline);
    EXPECT_EQ(copy.HighlightFontColor, clGreen);
    EXPECT_EQ(copy.HighlightBackColor, clSilver);
    EXPECT_EQ(copy.HighlightExpr, "[A] > 1");
    EXPECT_EQ(copy.HighlightActive, -1);
}

// ---- recorded into a metafile ----------------------------------------------------------------

TEST_F(MemoTest, RecordedIntoAMetafileAndReadBack)
{
    values = {{"Nome", Variant("Mario")}};
    memo->Lines = {"Sig. [Nome]", "seconda riga"};
    memo->Alignment = maRight;
    memo->Borders = frAll;
    memo->BorderColor = clBlue;
    EmfRecorder rec(200, 100);
    memo->DrawMode = dmNormal;
    memo->Draw(rec);
    const EmfFile file(rec.finish());

    struct Seen {
        std::string text;
        Point at;
        int32_t height;
    };
    std::vector<Seen> seen;
    EmfPlayer player(file, nullptr, Rect{0, 0, 200, 100});
    player.run([&](const EmfRecordInfo& r, EmfPlayer&) {
        if (r.isText) seen.push_back({r.text, r.reference, r.font.height});
        return EmfAction::Play;
    });
    ASSERT_EQ(seen.size(), 2u);
    // Right-aligned: x = 10 + 100 - 2 - width - 1.
    const int32_t w1 = canvas.metrics().textWidth(memo->TextFont, "Sig. Mario");
    const int32_t w2 = canvas.metrics().textWidth(memo->TextFont, "seconda riga");
    EXPECT_EQ(seen[0].text, "Sig. Mario");
    EXPECT_EQ(seen[0].at, (Point{107 - w1, 21}));
    EXPECT_EQ(seen[1].text, "seconda riga");
    EXPECT_EQ(seen[1].at, (Point{107 - w2, 36}));
    EXPECT_EQ(seen[0].height, -13);
}

// ---- popup menu --------------------------------------------------------------------------------

namespace {
uint32_t gDialogCode = 0;
std::string gDialogText;
bool gDialogOk = false;
bool FakeFormatDialog(uint32_t& code, std::string& text)
{
    gDialogCode = code;
    gDialogText = text;
    code = MakeFormatCode(fcDate, 4, 0, ',');
    text = "dd mmmm";
    return gDialogOk;
}
}  // namespace

TEST_F(MemoTest, PopupMenuFormatsAndTogglesTheSelectedObjects)
{
    if (report.Pages.Count() == 0) report.Pages.Add();
    auto* a = static_cast<TzvMemoView*>(report.Pages[0].Add(std::make_unique<TzvMemoView>(&report)));
    auto* b = static_cast<TzvMemoView*>(report.Pages[0].Add(std::make_unique<TzvMemoView>(&report)));
    auto* c = static_cast<TzvMemoView*>(report.Pages[0].Add(std::make_unique<TzvMemoView>(&report)));
    a->Selected = b->Selected = 1;
    a->Options = moWordWrap;
    a->FormatText = "prima";
    TzvPopupMenu menu;
    a->DefinePopupMenu(menu);
    ASSERT_EQ(menu.size(), 5u);
    EXPECT_EQ(menu[0].Caption, "Formatta variabile...");
    EXPECT_EQ(menu[1].Caption, "-");
    EXPECT_EQ(menu[2].Caption, "Adattato");
    EXPECT_FALSE(menu[2].Checked);
    EXPECT_EQ(menu[3].Caption, "A capo");
    EXPECT_TRUE(menu[3].Checked);
    EXPECT_EQ(menu[4].Caption, "Largezza automatica");

    menu[3].OnClick();  // word wrap off on both selected memos
    EXPECT_EQ(a->Options, 0);
    EXPECT_EQ(b->Options, 0);
    menu[4].OnClick();
    EXPECT_EQ(b->Options, moAutoWidth);
    EXPECT_EQ(c->Options, 0);

    SetFormatDialogFunction(FakeFormatDialog);
    gDialogOk = false;
    menu[0].OnClick();  // cancelled: nothing changes
    EXPECT_EQ(gDialogCode, a->FormatCode);
    EXPECT_EQ(gDialogText, "prima");
    EXPECT_EQ(a->FormatText, "prima");
    gDialogOk = true;
    menu[0].OnClick();
    EXPECT_EQ(a->FormatText, "dd mmmm");
    EXPECT_EQ(b->FormatCode, MakeFormatCode(fcDate, 4, 0, ','));
    EXPECT_EQ(c->FormatText, "");
    SetFormatDialogFunction(nullptr);
}
