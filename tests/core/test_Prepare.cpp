// Whole reports prepared headless: the order of bands, groups and totals, page breaks, columns,
// continuation, interleaving, passes, splitting, filling, sub-reports, tables and errors. Each
// page's text records are compared with a golden dump in tests/data/golden (regenerate with
// ZV_UPDATE_GOLDEN=1 and review the diff); the texts in order are checked here as well.
#include <gtest/gtest.h>

#include <algorithm>

#include "ReportHarness.h"
#include "report/ZV_Const.h"

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
        Band(p, bkReportTitle, 40, 20);
        Memo(p, 40, 40, "Titolo");
        Band(p, bkPageHeader, 70, 20);
        Memo(p, 40, 70, "Intestazione");
        Band(p, bkGroupHeader, 100, 20, "X");
        Memo(p, 40, 100, "Gruppo [X]");
        Band(p, bkMainHeader, 130, 20);
        Memo(p, 40, 130, "Testata");
        Band(p, bkMainData, 160, 20, "T");
        Memo(p, 40, 160, "Riga [V] [LINE#] [LINETHROUGH#] [CURRENT#]");
        Band(p, bkGroupFooter, 190, 20);
        Memo(p, 40, 190, "Fine gruppo [X] [SUM(V)]");
        Band(p, bkMainFooter, 220, 20);
        Memo(p, 40, 220, "Fine dati [X] [SUM(V)] [COUNT()]");
        Band(p, bkReportFooter, 250, 20);
        Memo(p, 40, 250, "Totale [SUM(V)] [AVG(V)] [MIN(V)] [MAX(V)] [COUNT()]");
        Band(p, bkPageFooter, 1000, 20);
        Memo(p, 40, 1000, "Pagina [PAGE#]");
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
protected:
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
    void Footer(TzvPage& p, const std::string& text)
    {
        Band(p, bkPageFooter, 1000, 20);
        Memo(p, 40, 1000, text);
    }
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
        Band(p, bkMainHeader, 60, 20);
        Memo(p, 40, 60, "TM");
        Band(p, bkMainData, 80, 20, "M", o);
        Memo(p, 40, 80, "M [K]");
        Band(p, bkDetailHeader, 100, 20);
        Memo(p, 40, 100, "TD");
        Band(p, bkDetailData, 120, 20, "D", o);
        Memo(p, 40, 120, "D [DV]");
        Band(p, bkSubDetailData, 140, 20, "S");
        Memo(p, 40, 140, "S [SV]");
        Band(p, bkDetailFooter, 160, 20);
        Memo(p, 40, 160, "FD");
        Band(p, bkMainFooter, 180, 20);
        Memo(p, 40, 180, "FM");
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
    Band(p, bkGroupHeader, 60, 20, "A");
    Memo(p, 40, 60, "A [A]");
    Band(p, bkGroupHeader, 80, 20, "B");
    Memo(p, 40, 80, "B [B]");
    List(p, "T", 100, 20, "R [V]");
    Band(p, bkGroupFooter, 120, 20);
    Memo(p, 40, 120, "fB [SUM(V)] [AVG(V)] [MIN(V)] [MAX(V)] [COUNT()]");
    Band(p, bkGroupFooter, 140, 20);
    Memo(p, 40, 140, "fA [SUM(V)] [COUNT()]");
    Band(p, bkMainFooter, 160, 20);
    Memo(p, 40, 160, "FM [SUM(V)] [COUNT()]");
    Band(p, bkReportFooter, 180, 20);
    Memo(p, 40, 180, "T [SUM(V)] [AVG(V)] [MIN(V)] [MAX(V)] [COUNT()]");
    const std::string dump = Prepare();
    EXPECT_TRUE(prepared) << ErrorLines();
    EXPECT_EQ(Texts(dump), "A x;B 1;R 10;R 20;FM 30 2;fB 30 15 10 20 2;B 2;R 30;FM 30 1;fB 30 30 30 30 1;fA 60 3;"
                           "A y;B 3;R 40;FM 40 1;fB 40 40 40 40 1;fA 40 1;FM 40 1;T 100 25 10 40 4");
    ExpectGolden("two_group_levels", dump);
}

TEST_F(PrepareCases, PageBreaksWithHeaderFooterAndNoHeaderOnTheFirstPage)
{
    Numbers("T", 7);
    TzvPage& p = Page();
    p.PageHeaderOnFirst = 0;
    Band(p, bkPageHeader, 40, 20);
    Memo(p, 40, 40, "H");
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
    Band(p, bkColumnHeader, 40, 20);
    Memo(p, 40, 40, "CH");
    List(p, "T", 100, 300, "R[V]");
    Band(p, bkColumnFooter, 900, 20);
    Memo(p, 40, 900, "CF");
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
        Band(b, bkReportTitle, 40, 20);
        Memo(b, 40, 40, "Titolo B");
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
        EXPECT_EQ(Texts(dump), twoPass ? "R1;R2;Pagina 1 di 2|R3;R4;Pagina 2 di 2" : "R1;R2;Pagina 1 di 0|R3;R4;Pagina 2 di 0");
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
    Band(p, bkReportFooter, 200, 20);
    Memo(p, 40, 200, "Fine");
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
    Band(p, bkMainFooter, 300, 20);
    Memo(p, 40, 300, "Fine");
    const std::string dump = Prepare();
    EXPECT_EQ(Texts(dump), "R1;R2;Fine");
    // Two printed rows and eight empty ones, each a framed rectangle, above the footer.
    EXPECT_NE(dump.find("shapes 10\n"), std::string::npos) << dump;
    ExpectGolden("complete_list", dump);
}

}  // namespace
