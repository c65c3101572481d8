// Tests of the two-dimensional symbols: sizes by type, text and level; drawing as boxes.
#include <gtest/gtest.h>

#include <string>

#include "report/ZV_Barcode.h"
#include "report/ZV_Barcode2D.h"
#include "tests/support/BarcodeTestUtil.h"

namespace {

using namespace zv;

TEST(Barcode2D, SizesFollowTypeTextAndLevel)
{
    const std::string forty(40, 'A');
    struct Case {
        int type;
        std::string text;
        uint8_t level;
        int32_t size;  // columns and rows
    };
    // QR version 1 is 21 modules; 40 letters need version 2 (25) at level L, 3 (29) at the default
    // M (also for a level out of range) and 4 (33) at H. Data Matrix is square.
    const Case cases[] = {{bcQRCode, "12345", 0, 21}, {bcQRCode, forty, 1, 25},       {bcQRCode, forty, 4, 33},
                          {bcQRCode, forty, 99, 29},  {bcDataMatrix, "12345", 0, 10}, {bcDataMatrix, forty, 0, 22}};
    for (const Case& c : cases) {
        const MatrixSymbol s = EncodeMatrixBarcode(c.type, c.text, c.level);
        EXPECT_EQ(s.columns, c.size) << c.type << " " << c.text << " level " << int(c.level);
        EXPECT_EQ(s.rows, c.size) << c.type << " " << c.text << " level " << int(c.level);
    }
    // PDF417: a higher level adds error-correction codewords, so more rows or columns.
    const MatrixSymbol low = EncodeMatrixBarcode(bcPDF417, forty, 1), high = EncodeMatrixBarcode(bcPDF417, forty, 9);
    EXPECT_GT(high.rows * high.columns, low.rows * low.columns);
}

TEST(Barcode2D, DrawingFillsTheQuietZoneLightAndEachDarkRunAsOneBox)
{
    MatrixSymbol s;  // one row: dark, dark, light, dark
    s.rows = 1;
    s.columns = 4;
    s.rowHeight = 3;
    s.quietZone = 1;
    s.dark = {1, 1, 0, 1};
    bctest::RasterCanvas canvas(40, 40);
    canvas.bitmap.pixels.assign(canvas.bitmap.pixels.size(), 0xFF808080u);  // grey: not light
    canvas.setBrush({clRed, BrushStyle::Solid});
    DrawMatrixBarcode(canvas, s, 5, 5, 2);
    EXPECT_EQ(canvas.polygons, 3);  // the light box and two runs
    EXPECT_EQ(canvas.others, 0);
    EXPECT_EQ(canvas.brush().color, clRed);  // restored
    // Columns of the row 7 and 8 pixels down: quiet zone, two dark modules, light, dark, quiet zone.
    const std::string expected = "LLDDDDLLDDLL";
    for (int32_t y : {7, 12})
        for (int32_t i = 0; i < 12; ++i)
            EXPECT_EQ(canvas.dark(5 + i, y), expected[static_cast<size_t>(i)] == 'D') << i << "," << y;
    EXPECT_FALSE(canvas.dark(7, 5));   // the quiet zone above the row
    EXPECT_FALSE(canvas.dark(7, 13));  // and below its three-module height
    EXPECT_TRUE(canvas.dark(4, 7));    // outside the symbol the canvas keeps its grey
}

}  // namespace
