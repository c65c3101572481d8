// Tests of the two-dimensional symbols: encoding sizes and errors, module fitting, drawing as boxes.
#include <gtest/gtest.h>

#include <string>

#include "platform/base/Error.h"
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
        int32_t columns, rows, rowHeight, quietZone;
    };
    // QR version 1 is 21 modules; 40 letters need version 2 (25) at level L and 4 (33) at H.
    // Data Matrix stays square; PDF417 rows are three modules high.
    const Case cases[] = {
        {bcQRCode, "12345", 0, 21, 21, 1, 4},   {bcQRCode, forty, 1, 25, 25, 1, 4},
        {bcQRCode, forty, 4, 33, 33, 1, 4},      {bcQRCode, forty, 99, 29, 29, 1, 4},  // out of range: M
        {bcDataMatrix, "12345", 0, 10, 10, 1, 1}, {bcDataMatrix, forty, 0, 22, 22, 1, 1},
        {bcPDF417, "12345", 1, 0, 0, 3, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.type) + " " + c.text + " level " + std::to_string(c.level));
        const MatrixSymbol s = EncodeMatrixBarcode(c.type, c.text, c.level);
        if (c.columns) {
            EXPECT_EQ(s.columns, c.columns);
            EXPECT_EQ(s.rows, c.rows);
        }
        EXPECT_EQ(s.rowHeight, c.rowHeight);
        EXPECT_EQ(s.quietZone, c.quietZone);
        EXPECT_EQ(s.dark.size(), static_cast<size_t>(s.rows * s.columns));
    }
    // PDF417: a higher level adds error-correction codewords, so more rows or columns.
    const MatrixSymbol low = EncodeMatrixBarcode(bcPDF417, forty, 1), high = EncodeMatrixBarcode(bcPDF417, forty, 9);
    EXPECT_GT(high.rows * high.columns, low.rows * low.columns);
}

TEST(Barcode2D, QrFinderPatternSitsInTheTopLeftCorner)
{
    // The 7 x 7 finder: a dark ring, a light ring, a dark 3 x 3 centre; the module matrix is read
    // with its first module in the lowest bit.
    const MatrixSymbol s = EncodeMatrixBarcode(bcQRCode, "Zelvo", 0);
    for (int32_t r = 0; r < 7; ++r)
        for (int32_t c = 0; c < 7; ++c) {
            const int32_t ring = std::max(std::abs(r - 3), std::abs(c - 3));
            EXPECT_EQ(s.Dark(r, c), ring != 2) << r << "," << c;
        }
    EXPECT_FALSE(s.Dark(7, 7));  // the separator
}

TEST(Barcode2D, TextsThatCannotBeEncodedThrowTheMessage)
{
    struct Case {
        int type;
        std::string text;
        std::string message;  // the start of it
    };
    const Case cases[] = {
        {bcQRCode, "", "QR Code: Testo vuoto"},
        {bcDataMatrix, "", "Data Matrix: Testo vuoto"},
        {bcCodeEAN13, "1", "TBarcode: Tipo di codice a barre errato"},
        {200, "1", "TBarcode: Tipo di codice a barre errato"},
        {bcQRCode, std::string(8000, 'x'), "QR Code: Error"},
        {bcPDF417, std::string(3000, '\xE8'), "PDF417: Error"},
    };
    for (const Case& c : cases) {
        try {
            EncodeMatrixBarcode(c.type, c.text, 0);
            ADD_FAILURE() << "no error for type " << c.type;
        } catch (const Exception& e) {
            EXPECT_EQ(e.message().substr(0, c.message.size()), c.message);
        }
    }
}

TEST(Barcode2D, ModuleIsTheLargestThatFitsAndAtLeastOne)
{
    MatrixSymbol qr;  // 21 + 2 * 4 = 29 modules each way
    qr.rows = qr.columns = 21;
    qr.quietZone = 4;
    MatrixSymbol pdf;  // 30 + 4 = 34 across, 5 * 3 + 4 = 19 down
    pdf.rows = 5;
    pdf.columns = 30;
    pdf.rowHeight = 3;
    pdf.quietZone = 2;
    struct Case {
        const MatrixSymbol& s;
        int32_t width, height, module;
    };
    for (const Case& c : {Case{qr, 290, 1000, 10}, Case{qr, 1000, 95, 3}, Case{qr, 10, 10, 1}, Case{pdf, 340, 1000, 10},
                          Case{pdf, 1000, 60, 3}})
        EXPECT_EQ(FitMatrixModule(c.s, c.width, c.height), c.module) << c.width << "x" << c.height;
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
