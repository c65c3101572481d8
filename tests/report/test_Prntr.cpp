// Tests of the paper table and the printer settings as they behave without a print job.
#include <gtest/gtest.h>

#include <set>

#include "platform/base/Error.h"
#include "report/ZV_Const.h"
#include "report/ZV_Prntr.h"
#include "report/ZV_Template.h"

using namespace zv;

TEST(PaperTable, RowsCodesAndNames)
{
    ASSERT_EQ(kPaperTable.size(), 67u);
    for (int i = 0; i < 66; ++i) EXPECT_EQ(kPaperTable[i].code, i + 1);
    EXPECT_EQ(kPaperTable[66].code, 256);
    EXPECT_EQ(kPaperTable[66].width, 0);
    EXPECT_EQ(kPaperTable[66].height, 0);

    TPrinterSettings prn;
    ASSERT_EQ(prn.PaperNames.size(), 67u);
    EXPECT_EQ(prn.PaperCount, 67);
    // Rows picked for their spacing, backslashes and inch marks.
    struct Row {
        int index;
        const char* name;
        int32_t width, height;
    } rows[] = {
        {0, "Lettera, 8 1/2 x 11\"", 2159, 2794},
        {8, "A4 210 x 297 mm", 2100, 2970},
        {19, "#10 Busta, 4 1/8  x 9 1/2\"", 1048, 2413},
        {28, "C3 Busta,  324 x 458 mm", 3240, 4580},
        {47, "Lettera Extra 9 \\ 275 x 12\"", 2355, 3048},
        {48, "Legale Extra 9 \\275 x 15\"", 2355, 3810},
        {53, "Lettera Extra Trasversale 9\\275 x 12\"", 2355, 3048},
        {54, "SuperASuperAA4 227 x 356 mm", 2270, 3560},
        {65, "A3 Extra Trasversale 322 x 445 mm", 3220, 4450},
        {66, "Personalizzato", 0, 0},
    };
    for (const Row& r : rows) {
        EXPECT_EQ(prn.PaperNames[r.index], r.name);
        EXPECT_EQ(kPaperTable[r.index].width, r.width);
        EXPECT_EQ(kPaperTable[r.index].height, r.height);
        EXPECT_EQ(prn.PaperCodes[r.index], kPaperTable[r.index].code);
    }
    std::set<std::string> distinct(prn.PaperNames.begin(), prn.PaperNames.end());
    EXPECT_EQ(distinct.size(), 67u);
    ASSERT_EQ(prn.PrinterNames.size(), 1u);
    EXPECT_EQ(prn.PrinterNames[0], "Stampante predefinita");
    EXPECT_EQ(prn.PrinterIndex, 0);
}

TEST(PrinterSettings, ApplyPaperSettlesSizes)
{
    struct Case {
        int32_t code, width, height;
        uint8_t orientation;
        int32_t wantWidth, wantHeight;
    } cases[] = {
        {9, 0, 0, 0, 2100, 2970},       {9, 0, 0, 1, 2970, 2100},      // landscape A4
        {256, 1234, 567, 0, 1234, 567},                                // custom keeps its size
        {256, 1234, 567, 1, 1234, 567}, {300, 111, 222, 1, 111, 222},  // unknown code keeps what it was given
        {35, 0, 0, 0, 1760, 1250},
    };
    for (const Case& c : cases) {
        TPrinterSettings prn;
        prn.SetPaper(c.code, c.width, c.orientation, c.height);
        EXPECT_EQ(prn.PaperSize, c.code);
        EXPECT_EQ(prn.PaperWidth, c.wantWidth) << c.code;
        EXPECT_EQ(prn.PaperHeight, c.wantHeight) << c.code;
        EXPECT_EQ(prn.Orientation, c.orientation);
    }
}

TEST(PrinterSettings, SamePaperComparesSizesOnlyForCustomPaper)
{
    TPrinterSettings prn;
    prn.SetPaper(9, 0, 0, 0);
    EXPECT_TRUE(prn.SamePaper(9, 1, 0, 1));
    EXPECT_FALSE(prn.SamePaper(9, 2100, 1, 2970));
    EXPECT_FALSE(prn.SamePaper(8, 2100, 0, 2970));
    prn.SetPaper(256, 1000, 0, 2000);
    EXPECT_TRUE(prn.SamePaper(256, 1000, 0, 2000));
    EXPECT_FALSE(prn.SamePaper(256, 1000, 0, 2001));
    EXPECT_FALSE(prn.SamePaper(256, 1001, 0, 2000));
}

TEST(PrinterSettings, FillPageInfoLeavesPrinterEntries)
{
    TPrinterSettings prn;
    prn.SetPaper(9, 0, 0, 0);
    PageInfo info;
    info.fill(-1);
    prn.FillPageInfo(info);
    EXPECT_EQ(info, (PageInfo{-1, -1, 793, 1122, -1, -1, 18, 18, 757, 1086}));
}

TEST(PrinterSettings, PageFallsBackToCustomPaperWhenTheDeviceRefuses)
{
    TPrinterSettings& prn = Prn();
    prn.DeviceApply = [](const TPrinterSettings& p) {
        if (p.PaperSize != kPaperCustom) throw Exception("paper refused");
    };
    SetPrinting(true);
    TzvPage page;
    page.ChangePaper(11, 1480, 2100, 1);
    SetPrinting(false);
    prn.DeviceApply = nullptr;
    EXPECT_EQ(page.PaperSize, 256);
    EXPECT_EQ(page.PaperWidth, 1480);
    EXPECT_EQ(page.PaperHeight, 2100);
    EXPECT_EQ(page.Orientation, 1);
    EXPECT_EQ(page.PrnWidth, 559);
    EXPECT_EQ(page.PrnHeight, 793);
    EXPECT_EQ(page.Info[pageinfo::kPageWidth], 559);
    EXPECT_EQ(page.Info[pageinfo::kPrintableHeight], 793 - 36);
}

TEST(PrinterSettings, NewPageIsPortraitA4)
{
    TzvPage page;
    EXPECT_EQ(page.PaperSize, 9);
    EXPECT_EQ(page.PaperWidth, 2100);
    EXPECT_EQ(page.PaperHeight, 2970);
    EXPECT_EQ(page.PrnWidth, 793);
    EXPECT_EQ(page.PrnHeight, 1122);
    EXPECT_EQ(page.Margins, (Rect{38, 38, 38, 57}));
    EXPECT_EQ(page.PageHeaderOnFirst, -1);
    EXPECT_EQ(page.PageFooterOnLast, -1);
    EXPECT_EQ(page.ScaleX, 100);
    EXPECT_EQ(page.ScaleY, 100);
}
