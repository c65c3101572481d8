// Whole reports prepared headless: the order of bands, groups and totals, page breaks, columns,
// continuation, interleaving, passes, splitting, filling, sub-reports, tables and errors. Each
// page's text records are compared with a golden dump in tests/data/golden (regenerate with
// ZV_UPDATE_GOLDEN=1 and review the diff); the texts in order are checked here as well.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>

#include "platform/base/Files.h"
#include "platform/base/Stream.h"
#include "platform/emf/EmfPlayer.h"
#include "report/ZV_Bands.h"
#include "report/ZV_Const.h"
#include "report/ZV_Export.h"
#include "report/ZV_Init.h"
#include "report/ZV_Preview.h"
#include "tests/support/RecordingProgressWindow.h"
#include "tests/support/ReportHarness.h"

using namespace zv;
using zvtest::ReportHarness;

namespace {

class PrepareTest : public ReportHarness {
protected:
    // Title, page header, a group on X, master header, data, group footer, master footer,
    // summary and page footer over X = a, a, b with V = 1, 2, 4.
    void WorkedOrder()
    {
        Table("T", {"X", "V"}, {{"a", "1"}, {"a", "2"}, {"b", "4"}});
        TzvPage& p = Page();
        Line(p, bkReportTitle, 40, "Titolo");
        Line(p, bkPageHeader, 70, "Intestazione");
        Line(p, bkGroupHeader, 100, "Gruppo [X]", "X");
        Line(p, bkMainHeader, 130, "Testata");
        Line(p, bkMainData, 160, "Riga [V] [LINE#] [LINETHROUGH#] [CURRENT#]", "T");
        Line(p, bkGroupFooter, 190, "Fine gruppo [X] [SUM(V)]");
        Line(p, bkMainFooter, 220, "Fine dati [X] [SUM(V)] [COUNT()]");
        Line(p, bkReportFooter, 250, "Totale [SUM(V)] [AVG(V)] [MIN(V)] [MAX(V)] [COUNT()]");
        Line(p, bkPageFooter, 1000, "Pagina [PAGE#]");
    }
};

TEST_F(PrepareTest, WorkedOrderOfBandsGroupsAndTotals)
{
    WorkedOrder();
    const std::string dump = Prepare();
    EXPECT_TRUE(prepared) << ErrorLines();
    EXPECT_EQ(Texts(dump),
              "Titolo;Intestazione;Gruppo a;Testata;Riga 1 1 1 1;Riga 2 2 2 2;Fine dati a 3 2;Fine gruppo a 3;"
              "Gruppo b;Testata;Riga 4 1 3 3;Fine dati b 4 1;Fine gruppo b 4;Fine dati b 4 1;"
              "Totale 7 2,33333333333333 1 4 3;Pagina 1");
    ExpectGolden("worked_order", dump);
}

}  // namespace

namespace {

class PrepareCases : public PrepareTest {
public:
    // A new form and report for the next case of a loop.
    void Fresh()
    {
        TearDown();
        SetUp();
    }
    // Rows "1".."n" of a table T with the integer field V.
    void Numbers(const std::string& name, int n)
    {
        std::vector<std::vector<std::string>> rows;
        for (int i = 1; i <= n; ++i) rows.push_back({std::to_string(i)});
        Table(name, {"V:i"}, rows);
    }
    void List(TzvPage& p, const std::string& source, int32_t top, int32_t h, const std::string& text,
              uint16_t options = 0)
    {
        Band(p, bkMainData, top, h, source, options);
        Memo(p, 40, top, text);
    }
    void Footer(TzvPage& p, const std::string& text) { Line(p, bkPageFooter, 1000, text); }
};

TEST_F(PrepareCases, MasterDetailSubDetailWithAndWithoutPrintIfSubsetEmpty)
{
    for (const bool printEmpty : {false, true}) {
        SCOPED_TRACE(printEmpty);
        Fresh();
        Table("M", {"K"}, {{"1"}, {"2"}, {"3"}});
        Table("D", {"MK", "DV"}, {{"1", "a"}, {"1", "b"}, {"3", "c"}}, "MK = MTab.K");
        Table("S", {"DK", "SV"}, {{"a", "x"}, {"c", "y"}}, "DK = DTab.DV");
        TzvPage& p = Page();
        const uint16_t o = printEmpty ? boPrintIfEmpty : 0;
        Line(p, bkMainHeader, 60, "TM");
        Line(p, bkMainData, 80, "M [K]", "M", o);
        Line(p, bkDetailHeader, 100, "TD");
        Line(p, bkDetailData, 120, "D [DV]", "D", o);
        Line(p, bkSubDetailData, 140, "S [SV]", "S");
        Line(p, bkDetailFooter, 160, "FD");
        Line(p, bkMainFooter, 180, "FM");
        const std::string dump = Prepare();
        EXPECT_TRUE(prepared) << ErrorLines();
        EXPECT_EQ(Texts(dump), printEmpty ? "TM;M 1;TD;D a;S x;D b;FD;M 2;M 3;TD;D c;S y;FD;FM"
                                          : "TM;M 1;TD;D a;S x;FD;M 3;TD;D c;S y;FD;FM");
        ExpectGolden(printEmpty ? "master_detail_print_empty" : "master_detail", dump);
    }
}

TEST_F(PrepareCases, TwoGroupLevelsKeepTheirOwnTotals)
{
    Table("T", {"A", "B", "V:i"}, {{"x", "1", "10"}, {"x", "1", "20"}, {"x", "2", "30"}, {"y", "3", "40"}});
    TzvPage& p = Page();
    Line(p, bkGroupHeader, 60, "A [A]", "A");
    Line(p, bkGroupHeader, 80, "B [B]", "B");
    List(p, "T", 100, 20, "R [V]");
    Line(p, bkGroupFooter, 120, "fB [SUM(V)] [AVG(V)] [MIN(V)] [MAX(V)] [COUNT()]");
    Line(p, bkGroupFooter, 140, "fA [SUM(V)] [COUNT()]");
    Line(p, bkMainFooter, 160, "FM [SUM(V)] [COUNT()]");
    Line(p, bkReportFooter, 180, "T [SUM(V)] [AVG(V)] [MIN(V)] [MAX(V)] [COUNT()]");
    const std::string dump = Prepare();
    EXPECT_TRUE(prepared) << ErrorLines();
    EXPECT_EQ(Texts(dump),
              "A x;B 1;R 10;R 20;FM 30 2;fB 30 15 10 20 2;B 2;R 30;FM 30 1;fB 30 30 30 30 1;fA 60 3;"
              "A y;B 3;R 40;FM 40 1;fB 40 40 40 40 1;fA 40 1;FM 40 1;T 100 25 10 40 4");
    ExpectGolden("two_group_levels", dump);
}

TEST_F(PrepareCases, PageBreaksWithHeaderFooterAndNoHeaderOnTheFirstPage)
{
    Numbers("T", 7);
    TzvPage& p = Page();
    p.PageHeaderOnFirst = 0;
    Line(p, bkPageHeader, 40, "H");
    List(p, "T", 100, 300, "R[V]");
    Footer(p, "P [PAGE#]");
    const std::string dump = Prepare();
    EXPECT_EQ(Texts(dump), "R1;R2;R3;P 1|H;R4;R5;R6;P 2|H;R7;P 3");
    ExpectGolden("page_breaks", dump);
}

TEST_F(PrepareCases, ColumnsFillLeftToRightWithTheirHeadersAndFooters)
{
    Numbers("T", 8);
    TzvPage& p = Page();
    p.ColumnCount = 2;
    p.ColumnGap = 10;
    Line(p, bkColumnHeader, 40, "CH");
    List(p, "T", 100, 300, "R[V]");
    Line(p, bkColumnFooter, 900, "CF");
    const std::string dump = Prepare();
    EXPECT_EQ(Texts(dump), "CH;R1;R2;R3;CF;CH;R4;R5;R6;CF|CH;R7;R8;CF");
    ExpectGolden("columns", dump);
}

TEST_F(PrepareCases, ContinuePreviousStartsBelowTheLastBandOrOnANewPage)
{
    for (const int16_t continuing : {1, 0}) {
        SCOPED_TRACE(continuing);
        Fresh();
        Numbers("A", 2);
        Numbers("B", 1);
        List(Page(0), "A", 100, 20, "A[V]");
        TzvPage& b = Page(1);
        b.ContinuePrevious = continuing;
        Line(b, bkReportTitle, 40, "Titolo B");
        List(b, "B", 100, 20, "B[V]");
        const std::string dump = Prepare();
        EXPECT_EQ(Texts(dump), continuing ? "A1;A2;Titolo B;B1" : "A1;A2|Titolo B;B1");
        ExpectGolden(continuing ? "continue_previous" : "continue_previous_off", dump);
    }
}

TEST_F(PrepareCases, InterleavedPagesAndNumbering)
{
    struct Case {
        int16_t twoPass, numbering;
        const char* texts;
    } cases[] = {
        {0, 0, "A1 1|B1 4|A2 2|B2 5|A3 3"},
        {0, 1, "A1 1|B1 4|A2 2|B2 5|A3 3"},  // in one pass the order is not known while printing
        {1, 1, "A1 1|B1 2|A2 3|B2 4|A3 5"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.texts);
        Fresh();
        Numbers("A", 3);
        Numbers("B", 2);
        report->InterleavePages = 1;
        report->InterleavedNumbering = c.numbering;
        report->TwoPass = c.twoPass;
        for (int i = 0; i < 2; ++i) {
            const std::string name = i == 0 ? "A" : "B";
            Band(Page(i), bkMainData, 100, 20, name, boNewPage);
            Memo(Page(i), 40, 100, name + "[V] [PAGE#]");
        }
        const std::string dump = Prepare();
        EXPECT_TRUE(prepared) << ErrorLines();
        EXPECT_EQ(Texts(dump), c.texts);
    }
}

TEST_F(PrepareCases, TwoPassesKnowTheTotalPageCount)
{
    for (const int16_t twoPass : {1, 0}) {
        SCOPED_TRACE(twoPass);
        Fresh();
        Numbers("T", 4);
        report->TwoPass = twoPass;
        TzvPage& p = Page();
        List(p, "T", 100, 400, "R[V]");
        Footer(p, "Pagina [PAGE#] di [TOTALPAGES]");
        const std::string dump = Prepare();
        EXPECT_EQ(Texts(dump),
                  twoPass ? "R1;R2;Pagina 1 di 2|R3;R4;Pagina 2 di 2" : "R1;R2;Pagina 1 di 0|R3;R4;Pagina 2 di 0");
        if (twoPass) ExpectGolden("two_passes", dump);
    }
}

TEST_F(PrepareCases, BreakableBandSplitsBetweenWholeLinesOverThreePages)
{
    std::string text;
    for (int i = 1; i <= 150; ++i) text += (i > 1 ? "\r\n" : "") + std::string("riga ") + std::to_string(i);
    Table("T", {"Testo"}, {{text}});
    TzvPage& p = Page();
    Band(p, bkMainData, 100, 20, "T", boStretched | boBreakable);
    Memo(p, 40, 100, "[Testo]", 300, 18, moStretched);
    Line(p, bkReportFooter, 200, "Fine");
    const std::string dump = Prepare();
    ASSERT_EQ(report->EMFPages.Count(), 3) << dump;
    std::string expected;
    for (int i = 1; i <= 150; ++i) expected += "riga " + std::to_string(i) + ";";
    std::string texts = Texts(dump);
    std::replace(texts.begin(), texts.end(), '|', ';');
    EXPECT_EQ(texts, expected + "Fine");
    ExpectGolden("breakable_band", dump);
}

TEST_F(PrepareCases, CompleteListFillsThePageWithEmptyFramedRows)
{
    Numbers("T", 2);
    TzvPage& p = Page();
    Band(p, bkMainData, 100, 100, "T", boCompleteList);
    Memo(p, 40, 100, "R[V]").Borders = frAll;
    Line(p, bkMainFooter, 300, "Fine");
    const std::string dump = Prepare();
    EXPECT_EQ(Texts(dump), "R1;R2;Fine");
    // Two printed rows and eight empty ones, each a framed rectangle, above the footer.
    EXPECT_NE(dump.find("shapes 10\n"), std::string::npos) << dump;
    ExpectGolden("complete_list", dump);
}

}  // namespace

namespace {

TEST_F(PrepareCases, TwoSubReportsSideBySideAcrossAPageBreak)
{
    Numbers("L", 12);
    Numbers("R", 4);
    TzvPage& main = Page(0);
    Band(main, bkReportTitle, 40, 20);
    for (int i = 0; i < 2; ++i) {
        auto sub = std::make_unique<TzvSubReportView>(report);
        sub->Left = i == 0 ? 38 : 400;
        sub->Top = 40;
        sub->Width = 300;
        sub->Height = 20;
        sub->SubPage = i + 1;
        main.Add(std::move(sub));
    }
    Line(main, bkReportFooter, 80, "Fine");
    Footer(main, "P [PAGE#]");
    List(Page(1), "L", 100, 200, "L[V]");
    List(Page(2), "R", 100, 200, "R[V]");
    const std::string dump = Prepare();
    EXPECT_TRUE(prepared) << ErrorLines();
    EXPECT_EQ(Texts(dump), "L1;L2;L3;L4;L5;R1;R2;R3;R4;P 1|L6;L7;L8;L9;L10;P 2|L11;L12;Fine;P 3");
    ExpectGolden("sub_reports", dump);
}

TEST_F(PrepareCases, TableWiderThanThePageRepeatsItsHeader)
{
    Numbers("M", 1);
    Table("C", {"C"}, {{"c1"}, {"c2"}, {"c3"}, {"c4"}, {"c5"}});
    TzvPage& p = Page();
    p.RepeatTableHeader = 1;
    TzvBandView& header = Band(p, bkTableHeader, 0, 600);
    header.Left = 38;
    header.Width = 150;
    TzvBandView& data = Band(p, bkTableData, 0, 600, "C");
    data.Left = 188;
    data.Width = 200;
    Band(p, bkMainData, 100, 40, "M");
    Memo(p, 40, 105, "Voci", 100);
    Memo(p, 190, 105, "[C] [COLUMN#]", 100);
    const std::string dump = Prepare();
    EXPECT_TRUE(prepared) << ErrorLines();
    EXPECT_EQ(Texts(dump), "Voci;c1 1;c2 2|Voci;c3 3;c4 4|Voci;c5 5");
    ExpectGolden("wide_table", dump);
}

TEST_F(PrepareCases, ErrorsNameTheirObjectBandAndDesignPage)
{
    struct Case {
        const char* text;
        const char* expected;  // the lines after the first one
    } cases[] = {
        {"[1/0]", "/Errore. Tipo di dati incompatibili nell'espressione: 1/0/Oggetto: Riga/Banda: Dati principali/"},
        {"[(V+]", "/Errore. Numero errato di parentesi nell'espressione : /Oggetto: Riga/Banda: Dati principali/"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        Fresh();
        Numbers("T", 2);
        List(Page(0), "T", 100, 20, "[V]");
        Band(Page(1), bkMainData, 100, 20, "T");
        Memo(Page(1), 40, 100, c.text).Name = "Riga";
        Prepare();
        EXPECT_FALSE(prepared);
        const std::string lines = ErrorLines();
        EXPECT_EQ(lines.rfind(std::string(kErrPreparation) + "/", 0), 0u) << lines;
        EXPECT_NE(lines.find(c.expected), std::string::npos) << lines;
        EXPECT_EQ(lines.substr(lines.size() - 10), "/Pagina: 2");
    }
}

}  // namespace

namespace {

TEST_F(PrepareCases, CancelKeepsThePagesMadeSoFarInEitherPass)
{
    struct Case {
        int16_t twoPass;
        bool inFirstPass;
        const char* texts;
    } cases[] = {
        {0, false, "R1;R2;R3;P 1 di 0|R4;P 2 di 0"},
        // The first pass ends early and counts 2 pages; the second still runs to the end.
        {1, true, "R1;R2;R3;P 1 di 2|R4;R5;R6;P 2 di 2|R7;P 3 di 2"},
        {1, false, "R1;R2;R3;P 1 di 3|R4;P 2 di 3"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.texts);
        Fresh();
        Numbers("T", 7);
        report->TwoPass = c.twoPass;
        // The second progress step of the pass is the break after page 1.
        report->OnProgress = [this, c, calls = 0](int32_t) mutable {
            if (PrepareState().FirstPass == c.inFirstPass && ++calls == 2) report->Terminated = true;
        };
        TzvPage& p = Page();
        List(p, "T", 100, 300, "R[V]");
        Footer(p, "P [PAGE#] di [TOTALPAGES]");
        EXPECT_EQ(Texts(Prepare()), c.texts);
        EXPECT_FALSE(prepared);
        EXPECT_FALSE(zvState().ErrorFlag);
    }
}

TEST_F(PrepareCases, EmptyOrMissingSourcesPrintOnlyTheBandsOutsideTheLoop)
{
    for (const bool missing : {false, true}) {
        SCOPED_TRACE(missing);
        Fresh();
        Table("T", {"V"}, {});
        TzvPage& p = Page();
        Line(p, bkReportTitle, 40, "Titolo");
        Line(p, bkMainHeader, 70, "Testata");
        List(p, missing ? "" : "T", 100, 20, "R[V]");
        Line(p, bkMainFooter, 130, "Fine dati");
        Line(p, bkReportFooter, 160, "Totale");
        EXPECT_EQ(Texts(Prepare()), "Titolo;Totale");
        EXPECT_TRUE(prepared) << ErrorLines();
    }
}

TEST_F(PrepareCases, EveryRunEnds)
{
    struct Case {
        const char* name;
        std::function<void(PrepareCases&)> build;
        const char* texts;
        const char* error;  // the error line expected, or ""
    } cases[] = {
        {"hidden band",
         [](PrepareCases& t) {
             t.Numbers("T", 2);
             t.Band(t.Page(), bkMainData, 100, 20, "T").Visible = 0;
             t.Memo(t.Page(), 40, 100, "R[V]");
             t.Band(t.Page(), bkReportFooter, 130, 20);
             t.Memo(t.Page(), 40, 130, "Fine");
         },
         "Fine", ""},
        {"band taller than a page",
         [](PrepareCases& t) {
             t.Numbers("T", 2);
             t.List(t.Page(), "T", 100, 2000, "R[V]");
         },
         "R1|R2", ""},
        {"page header taller than a page",
         [](PrepareCases& t) {
             t.Numbers("T", 2);
             t.Band(t.Page(), bkPageHeader, 40, 2000);
             t.Memo(t.Page(), 40, 40, "H");
             t.List(t.Page(), "T", 2100, 20, "R[V]");
         },
         "H;R1|H;R2", ""},
        {"complete list of rows without height",
         [](PrepareCases& t) {
             t.Numbers("T", 1);
             t.Band(t.Page(), bkMainData, 100, 0, "T", boCompleteList);
             t.Memo(t.Page(), 40, 100, "R");  // no band holds it: it prints where it stands
         },
         "R", ""},
        {"data without end",
         [](PrepareCases& t) {
             t.report->AddDataSource("Infinito", new TzvDataset(t.form.get()));
             t.report->MaxPages = 3;
             t.List(t.Page(), "Infinito", 100, 500, "R[LINE#]");
         },
         "R1;R2|R3;R4|R5;R6", "Superato il numero massimo di pagine: 3"},
        {"sub-reports playing each other",
         [](PrepareCases& t) {
             t.Numbers("T", 1);
             for (int page = 0; page < 3; ++page) {
                 t.List(t.Page(page), "T", 100, 20, "P" + std::to_string(page));
                 auto sub = std::make_unique<TzvSubReportView>(t.report);
                 sub->Left = 400;
                 sub->Top = 100;
                 sub->SubPage = page == 2 ? 1 : page + 1;
                 t.Page(page).Add(std::move(sub));
             }
         },
         "P0;P1;P2", "Il sottoreport richiama una pagina gi\xE0 in uso: pagina 2"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Fresh();
        c.build(*this);
        EXPECT_EQ(Texts(Prepare()), c.texts);
        EXPECT_EQ(prepared, !*c.error);
        if (*c.error) {
            EXPECT_NE(ErrorLines().find(c.error), std::string::npos) << ErrorLines();
        }
    }
}

TEST_F(PrepareCases, CollectingExpansionNeitherStopsOnRuntimeErrorsNorAcceptsAggregatesOutsideBands)
{
    Table("T", {"V:i"}, {{"-4"}, {"9"}});
    List(Page(), "T", 100, 20, "[IF(V < 0, 0, SQRT(V))]");
    EXPECT_EQ(Texts(Prepare()), "0;3") << ErrorLines();
    EXPECT_TRUE(prepared) << ErrorLines();

    Memo(Page(), 40, 500, "[SUM(V)]");
    Prepare();
    EXPECT_FALSE(prepared);
    EXPECT_NE(ErrorLines().find(std::string(kMsgFuncStatBand) + "SUM"), std::string::npos) << ErrorLines();
}

TEST_F(PrepareCases, DataSourcesGoBackAsTheyWere)
{
    // A failing filter: the table that the run opened is closed again.
    TClientDataSet& t = Table("T", {"V:i"}, {{"1"}, {"2"}, {"3"}}, "(V");
    t.close();
    List(Page(), "T", 100, 20, "R[V]");
    Prepare();
    EXPECT_EQ(ErrorLines().find(std::string(kErrPreparation) + "/" + kMsgFilterError), 0u) << ErrorLines();
    EXPECT_FALSE(t.active());
    EXPECT_FALSE(t.controlsDisabled());

    // A source bound by two design pages: the table is back on its record, thawed, once.
    Fresh();
    TClientDataSet& u = Table("T", {"V:i"}, {{"1"}, {"2"}, {"3"}});
    u.setRecNo(3);
    List(Page(0), "T", 100, 20, "A[V]");
    List(Page(1), "T", 100, 20, "B[V]");
    EXPECT_EQ(Texts(Prepare()), "A1;A2;A3|B1;B2;B3");
    EXPECT_TRUE(u.active());
    EXPECT_EQ(u.recNo(), 3);
    EXPECT_FALSE(u.controlsDisabled());

    // A source destroyed while two reports list it leaves both lists.
    TzvReport other(form.get());
    TzvDataset* shared = report->FindRegisteredDataSource("T");
    other.AddDataSource("T", shared);
    delete shared;
    EXPECT_EQ(report->FindRegisteredDataSource("T"), nullptr);
    EXPECT_EQ(other.FindRegisteredDataSource("T"), nullptr);
}

}  // namespace

namespace {

TEST_F(PrepareCases, TwoPassesRunInOneProgressWindowWithTheirLines)
{
    zvtest::RecordingProgressWindow window;
    SetProgressWindow(&window);
    Numbers("T", 7);
    report->TwoPass = 1;
    report->ShowProgress = true;
    report->Title = "Elenco";
    List(Page(), "T", 100, 300, "R[V]");
    Prepare();
    SetProgressWindow(nullptr);
    EXPECT_TRUE(prepared);
    EXPECT_EQ(window.shows, 1);
    EXPECT_EQ(window.closes, (std::vector<bool>{false}));
    EXPECT_EQ(window.caption, "Report in preparazione - Elenco");
    // Each pass: its start, the two page breaks (the page just finished), the last page closed, the end.
    const std::vector<std::string> expected = {
        "Esecuzione 1\xB0 passo:  1",     "Esecuzione 1\xB0 passo:  1",     "Esecuzione 1\xB0 passo:  1",
        "Esecuzione 1\xB0 passo:  2",     "Esecuzione 1\xB0 passo:  3",     "Esecuzione 1\xB0 passo:  3",
        "Pagina in costruzione:  1 di 3", "Pagina in costruzione:  1 di 3", "Pagina in costruzione:  2 di 3",
        "Pagina in costruzione:  3 di 3", "Pagina in costruzione:  3 di 3"};
    EXPECT_EQ(window.labels, expected);
}

TEST_F(PrepareCases, StartUpInstallsWhatObjectsAskOfTheirBand)
{
    InitReportLibrary();
    // The band line of an error text names the kind.
    TzvBand band;
    band.BandKind = bkDetailData;
    band.Stretched = true;
    band.Height = 20;
    band.StretchedHeight = 55;
    zvState().CurrentBand = &band;
    zvState().CurrentPageNo = 3;
    ReportError("x");
    zvState().CurrentBand = nullptr;
    EXPECT_EQ(ErrorLines(), std::string(kErrPreparation) + "/x/Banda: " + BandName(bkDetailData) + "/Pagina: 3");
    zvState().ErrorFlag = false;
    // A stretched memo learns its band's heights.
    TzvBandGeometry g;
    ASSERT_TRUE(BandGeometry(&band, g));
    EXPECT_TRUE(g.Stretched);
    EXPECT_EQ(g.Height, 55);
    EXPECT_EQ(g.DesignHeight, 20);
    // A memo naming a memo field of its band's data source prints the field's text.
    TClientDataSet& t = Table("T", {"Nome"}, {});
    t.close();
    t.fieldDefs().push_back({"Note", ftMemo});
    t.createDataSet();
    t.append();
    t.fieldByName("Nome")->setAsString("Rossi");
    t.fieldByName("Note")->setAsString("prima riga\r\nseconda riga");
    t.post();
    report->Values.Items(report->Values.AddValue("Nota")) = TzvValue{1, 0, "Dati.TTab", "Note"};
    List(Page(), "T", 100, 60, "[Nome]");
    Memo(Page(), 400, 100, "[Note]", 300, 40);
    EXPECT_EQ(Texts(Prepare()), "Rossi;prima riga;seconda riga") << ErrorLines();
}

}  // namespace

namespace {

TEST_F(PrepareCases, StretchedMemoPushesDownOnlyWhatLiesBelowIt)
{
    Table("T", {"Testo"}, {{"uno\r\ndue\r\ntre"}});
    TzvPage& p = Page();
    Band(p, bkMainData, 100, 60, "T", boStretched);
    Memo(p, 40, 100, "[Testo]", 200, 18, moStretched);
    Memo(p, 100, 130, "Sotto");    // below and overlapping: moves down by the growth
    Memo(p, 400, 130, "Accanto");  // beside it: stays
    Line(p, bkReportFooter, 200, "Fine");
    const std::string dump = Prepare();
    // The memo grows from 18 to 3 lines (47): what was 30 below its top is now 59 below it.
    EXPECT_EQ(Texts(dump), "uno;due;tre;Sotto;Accanto;Fine");
    EXPECT_NE(dump.find("  102,98 Sotto\n"), std::string::npos) << dump;
    EXPECT_NE(dump.find("  402,69 Accanto\n"), std::string::npos) << dump;
    ExpectGolden("stretched_band", dump);
}

TEST_F(PrepareCases, EventsComeInTheirOrder)
{
    Numbers("T", 2);
    List(Page(0), "T", 100, 20, "A[V]");
    List(Page(1), "T", 100, 20, "B[V]");
    std::string events;
    int open = 0, drawn = 0;
    report->OnBeginDoc = [&] { events += "doc "; };
    report->OnEndDoc = [&] { events += "/doc "; };
    report->OnBeginPage = [&](int32_t i) { events += "page" + std::to_string(i) + " "; };
    report->OnEndPage = [&](int32_t n) { events += "/page" + std::to_string(n) + " "; };
    report->OnDrawObject = [&](TzvView*) { ++open; };
    report->OnDrawedObject = [&](TzvView*) {
        --open;
        ++drawn;
    };
    EXPECT_EQ(Texts(Prepare()), "A1;A2|B1;B2");
    EXPECT_EQ(events, "doc page0 /page1 page1 /page1 /doc ");
    EXPECT_EQ(open, 0);   // every draw is bracketed
    EXPECT_EQ(drawn, 8);  // four memos and the bands that hold them
}

}  // namespace

namespace {

// Pages written out while the final pass makes them: a writer that notes each page's texts.
class TextsWriter : public PageDocumentWriter {
public:
    void begin(Stream& out, const DocumentProperties& p) override
    {
        out_ = &out;
        out.writeBytes(p.title + "\n");
    }
    void addPage(const PagePicture& page) override
    {
        std::string line;
        EnumerateEmf(*page.picture, [&](const EmfRecordInfo& r) {
            if (r.isText) line += (line.empty() ? "" : ";") + r.text;
            return EmfAction::Play;
        });
        out_->writeBytes(line + "\n");
    }
    void end() override { out_->writeBytes("end\n"); }

private:
    Stream* out_ = nullptr;
};

class StreamedExport : public PrepareCases {};

TEST_F(StreamedExport, WritesTheFinalPassPageByPageAndLetsThePicturesGo)
{
    // Two passes for the total in the footer; interleaved pages are written after the preparation.
    for (const int16_t interleave : {0, 1}) {
        SCOPED_TRACE(interleave);
        Fresh();
        Numbers("T", 7);
        TzvPage& p = Page();
        List(p, "T", 100, 300, "R[V]");
        Footer(p, "P [PAGE#] di [TOTALPAGES]");
        report->TwoPass = 1;
        report->InterleavePages = interleave;
        report->Title = "Elenco";
        const std::string file = (std::filesystem::temp_directory_path() / "zv_streamed.txt").string();
        const PageWriterInfo kind{"txt", "Testo", "*.txt", 0, [] { return std::make_unique<TextsWriter>(); }};
        ASSERT_TRUE(PrepareAndExportDocument(*report, kind, file));
        EXPECT_EQ(ReadFileBytes(file), "Elenco\nR1;R2;R3;P 1 di 3\nR4;R5;R6;P 2 di 3\nR7;P 3 di 3\nend\n");
        ASSERT_EQ(report->EMFPages.Count(), 3);
        for (int i = 0; i < 3; ++i) EXPECT_EQ(report->EMFPages.Pages(i).Picture.empty(), interleave == 0) << i;
        EXPECT_EQ(report->EMFPages.Passed(), interleave ? 0 : 3);
        std::filesystem::remove(file);
    }
}

// Progress of a streamed export: one step per page written; cancelling it stops the preparation.
class StepsProgress : public TzvExportProgress {
public:
    explicit StepsProgress(int cancelAt) : cancelAt_(cancelAt) {}
    void Start(const std::string& label, int maximum) override { log += label + " " + std::to_string(maximum); }
    void SetPosition(int position) override
    {
        log += " " + std::to_string(position);
        last_ = position;
    }
    bool Cancelled() const override { return last_ >= cancelAt_; }
    void Finish() override { log += " fine"; }
    std::string log;

private:
    int cancelAt_, last_ = 0;
};

TEST_F(StreamedExport, ProgressCountsThePagesAndAFailedOrCancelledExportWritesNothing)
{
    struct Case {
        const char* name;
        const char* table;  // "Nessuna": a data source that is not there
        int cancelAt;
        bool written;
        const char* log;
    } cases[] = {
        {"complete", "T", 100, true, "Testo 0 1 2 3 fine"},
        {"cancelled after the first page", "T", 1, false, "Testo 0 1 fine"},
        {"failed preparation", "Nessuna", 100, false, "Testo 0 fine"},
    };
    for (const Case& c : cases) {
        Fresh();
        Numbers("T", 7);
        TzvPage& p = Page();
        List(p, c.table, 100, 300, "R[V]");
        const std::string file = (std::filesystem::temp_directory_path() / "zv_streamed_progress.txt").string();
        const PageWriterInfo kind{"txt", "Testo", "*.txt", 0, [] { return std::make_unique<TextsWriter>(); }};
        StepsProgress progress(c.cancelAt);
        EXPECT_EQ(PrepareAndExportDocument(*report, kind, file, {}, &progress), c.written) << c.name;
        EXPECT_EQ(FileExists(file), c.written) << c.name;
        EXPECT_EQ(progress.log, c.log) << c.name;
        std::filesystem::remove(file);
    }
}

}  // namespace
