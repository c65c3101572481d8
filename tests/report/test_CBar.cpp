// Tests of the barcode page object: text evaluation, geometry, bars, human-readable text, errors,
// and decoding of the drawn object by zbar and ZXing.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "platform/base/Error.h"
#include "platform/base/FormatSettings.h"
#include "platform/base/Stream.h"
#include "platform/draw/Png.h"
#include "platform/emf/EmfPlayer.h"
#include "platform/emf/EmfReader.h"
#include "platform/emf/EmfRecorder.h"
#include "report/ZV_Barcode.h"
#include "report/ZV_CBar.h"
#include "report/ZV_Expr.h"
#include "report/ZV_Report.h"
#include "tests/support/BarcodeTestUtil.h"
#include "tests/support/TraceCanvas.h"

namespace {

using namespace zv;
using namespace bctest;

// Answers bracketed names from a table, as the report's resolver answers data fields.
struct FieldTable {
    std::map<std::string, Variant, std::less<>> values;
    static void Resolve(void* owner, std::string_view name, const TzvArgList*, Variant& value)
    {
        auto* t = static_cast<FieldTable*>(owner);
        auto it = t->values.find(name);
        if (it != t->values.end()) value = it->second;
    }
};

class CodeBarreTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        zvState().RunMode = false;
        zvState().DrawingSuppressed = false;
        SetExprResolver({&FieldTable::Resolve, &fields});
    }
    void TearDown() override
    {
        ClearExprResolver(&fields);
        zvState().RunMode = false;
        zvState().CurrentObject = nullptr;
    }
    // A barcode at (10, 20), 60 pixels high, encoding the field "Codice" in run mode.
    TzvCodeBarreView& Bar(uint8_t type, const Variant& value)
    {
        bar.Left = 10;
        bar.Top = 20;
        bar.Height = 60;
        bar.BarType = type;
        bar.Lines = {"[Codice]"};
        fields.values["Codice"] = value;
        zvState().RunMode = true;
        return bar;
    }
    // The message of the error a drawing raises, or "" when it succeeds.
    std::string DrawError(Canvas& c)
    {
        try {
            bar.Draw(c);
        } catch (const Exception& e) {
            return e.message();
        }
        return "";
    }
    int32_t StripHeight() const
    {
        Font f;
        f.name = "Arial";
        f.setSize(8);
        return DefaultFontMetrics().textExtent(f, "H").cy;
    }

    FieldTable fields;
    TzvCodeBarreView bar{nullptr};
};

std::vector<std::string> LinesStarting(const TraceCanvas& c, const std::string& prefix)
{
    std::vector<std::string> out;
    for (const auto& l : c.lines)
        if (l.rfind(prefix, 0) == 0) out.push_back(l);
    return out;
}

// The characters written by textOut and their x positions, in order.
struct Written {
    std::string chars;
    std::vector<int32_t> xs;
    std::vector<int32_t> ys;
};
Written TextsOf(const TraceCanvas& c)
{
    Written w;
    for (const auto& l : LinesStarting(c, "text ")) {
        int x = 0, y = 0;
        char ch = 0;
        EXPECT_EQ(std::sscanf(l.c_str(), "text %d,%d '%c'", &x, &y, &ch), 3) << l;
        w.chars += ch;
        w.xs.push_back(x);
        w.ys.push_back(y);
    }
    return w;
}

// Dark and light modules along the row y of a raster drawn with Modul 1, from x0 for n pixels.
std::string ModuleRow(const RasterCanvas& r, int32_t x0, int32_t y, int32_t n)
{
    std::string s;
    for (int32_t x = x0; x < x0 + n; ++x) s += r.dark(x, y) ? '1' : '0';
    return s;
}

// EAN-13 of thirteen zeros, module by module: guard, six set-A zeros, centre, six set-C zeros,
// guard (set A '0' = 0001101, set C '0' = 1110010).
std::string Ean13Zeros()
{
    std::string s = "101";
    for (int i = 0; i < 6; ++i) s += "0001101";
    s += "01010";
    for (int i = 0; i < 6; ++i) s += "1110010";
    return s + "101";
}

// ---- design mode ---------------------------------------------------------------------------

TEST_F(CodeBarreTest, NewObjectDrawsEightZerosInDesignModeWithItsSourceTextUnderneath)
{
    bar.Left = 10;
    bar.Top = 20;
    bar.Height = 60;
    RasterCanvas raster(200, 100);
    bar.Draw(raster);
    EXPECT_EQ(ModuleRow(raster, 10, 30, 95), Ean13Zeros());
    EXPECT_EQ(bar.BarWidth, 95);
    EXPECT_EQ(bar.Width, 95);

    TraceCanvas trace;
    bar.Draw(trace);
    const int32_t th = StripHeight();
    ASSERT_GT(th, 0);
    EXPECT_EQ(bar.TextHeight, th);
    // The source line, not the encoded digits, clipped to the strip under the bars.
    auto texts = LinesStarting(trace, "textRect ");
    ASSERT_EQ(texts.size(), 1u);
    const std::string strip = std::to_string(10) + "," + std::to_string(81 - th) + ",105,81";
    EXPECT_EQ(texts[0].substr(0, texts[0].find(" font=")),
              "textRect " + strip + " 10," + std::to_string(81 - th) + " '0'");
    EXPECT_NE(texts[0].find("font=Arial/-11/0/0 color=000000"), std::string::npos) << texts[0];
    EXPECT_TRUE(LinesStarting(trace, "text ").empty());
    // Bars run from the top to above the strip, less the border width.
    auto polys = LinesStarting(trace, "polygon ");
    ASSERT_FALSE(polys.empty());
    EXPECT_EQ(polys[0].substr(0, polys[0].find(" pen=")),
              "polygon 10,20 10," + std::to_string(80 - th) + " 10," + std::to_string(80 - th) + " 10,20");
}

TEST_F(CodeBarreTest, HiddenObjectIsCrossedOutInDesignModeAndSkippedInRunMode)
{
    bar.Left = 5;
    bar.Top = 6;
    bar.Height = 40;
    bar.Visible = 0;
    TraceCanvas design;
    bar.Draw(design);
    EXPECT_FALSE(LinesStarting(design, "polygon ").empty());
    auto cross = LinesStarting(design, "lineTo ");
    ASSERT_EQ(cross.size(), 2u);
    EXPECT_EQ(cross[0], "lineTo 100,46 pen=0000FF/2/Solid");  // Left + Width with Width = 95
    EXPECT_EQ(cross[1], "lineTo 5,46 pen=0000FF/2/Solid");
    EXPECT_EQ(LinesStarting(design, "moveTo "), (std::vector<std::string>{"moveTo 5,6", "moveTo 100,6"}));

    Bar(bcCodeEAN13, "123456789012").Visible = 0;
    TraceCanvas run;
    bar.Draw(run);
    EXPECT_TRUE(run.lines.empty());
}

// ---- geometry ------------------------------------------------------------------------------

TEST_F(CodeBarreTest, WidthFollowsTheSymbolOfTheLastDrawing)
{
    TraceCanvas c;
    Bar(bcCodeEAN13, "123456789012");
    EXPECT_EQ(bar.BarWidth, 0);
    bar.Draw(c);
    EXPECT_EQ(bar.Width, 95);
    bar.BarType = bcCodeEAN8;
    fields.values["Codice"] = "1234567";
    bar.CalcFrameRect();
    EXPECT_EQ(bar.Width, 95) << "the width changes only when the new symbol is drawn";
    bar.Draw(c);
    EXPECT_EQ(bar.Width, 67);
    EXPECT_EQ(bar.DRect.right, 10 + 67);
    bar.Modul = 2;
    bar.Draw(c);
    EXPECT_EQ(bar.Width, 134);
}

TEST_F(CodeBarreTest, ModulOutsideTheEncoderRangeFromAStoredRecordKeepsWidthOne)
{
    Bar(bcCodeEAN13, "123456789012");
    for (int32_t modul : {0, 50, -3, 1000}) {
        SCOPED_TRACE(modul);
        bar.Modul = modul;
        MemoryStream s;
        bar.SaveToStream(s);
        s.setPosition(0);
        TzvCodeBarreView loaded(nullptr);
        loaded.LoadFromStream(s);
        EXPECT_EQ(loaded.Modul, modul);
        TraceCanvas c;
        loaded.Draw(c);
        EXPECT_EQ(loaded.Width, 95);
    }
}

TEST_F(CodeBarreTest, WithoutTextTheBarsTakeTheWholeHeightLessTheBorder)
{
    Bar(bcCodeEAN13, "123456789012").ShowText = 0;
    TraceCanvas c;
    bar.Draw(c);
    EXPECT_EQ(bar.TextHeight, 0);
    EXPECT_EQ(bar.BarsRect.top, 20);
    EXPECT_EQ(bar.BarsRect.bottom, 80);  // Top + Height + 1 - BorderWidth
    auto polys = LinesStarting(c, "polygon ");
    ASSERT_FALSE(polys.empty());
    EXPECT_EQ(polys[0].substr(0, polys[0].find(" pen=")), "polygon 10,20 10,80 10,80 10,20");
    EXPECT_TRUE(LinesStarting(c, "text").empty());
    EXPECT_EQ(bar.ReservedDouble, 0.0);
}

TEST_F(CodeBarreTest, BackgroundFillsTheObjectAndTheTextStripInRunMode)
{
    Bar(bcCodeEAN13, "123456789012").BackColor = clYellow;
    const int32_t th = StripHeight();
    TraceCanvas first;
    bar.Draw(first);
    // The first drawing fills with the width known before it (none yet), then the strip with
    // the new width, one pixel narrower and lower.
    EXPECT_EQ(LinesStarting(first, "fill "),
              (std::vector<std::string>{
                  "fill 10,20,10,80 brush=00FFFF/Solid",
                  "fill 10," + std::to_string(81 - th) + ",104," + std::to_string(80) + " brush=00FFFF/Solid"}));
    TraceCanvas second;
    bar.Draw(second);
    auto fills = LinesStarting(second, "fill ");
    ASSERT_EQ(fills.size(), 2u);
    EXPECT_EQ(fills[0], "fill 10,20,105,80 brush=00FFFF/Solid");
    EXPECT_EQ(bar.Top, 20);
    EXPECT_EQ(bar.Height, 60);
    EXPECT_EQ(bar.Width, 95);

    bar.BackColor = clNone;
    TraceCanvas clear;
    bar.Draw(clear);
    EXPECT_TRUE(LinesStarting(clear, "fill ").empty()) << "a transparent object fills nothing at run time";
}

// ---- text evaluation and the human-readable text ---------------------------------------------

TEST_F(CodeBarreTest, FieldValueIsEncodedAndItsDigitsSpreadOverTheBars)
{
    struct Case {
        const char* name;
        uint8_t showCheckSumText;
        const char* shown;
    } cases[] = {
        {"without check digit", 0, "123456789012"},
        {"with check digit", 1, "1234567890128"},
    };
    for (const Case& tc : cases) {
        SCOPED_TRACE(tc.name);
        Bar(bcCodeEAN13, "123456789012").ShowCheckSumText = tc.showCheckSumText;
        TraceCanvas c;
        bar.Draw(c);
        Written w = TextsOf(c);
        EXPECT_EQ(w.chars, tc.shown);
        ASSERT_EQ(w.xs.size(), w.chars.size());
        for (int32_t y : w.ys) EXPECT_EQ(y, 81 - StripHeight());
        // The first character starts one pixel in; the last ends at the right end of the bars.
        EXPECT_EQ(w.xs.front(), 11);
        const int32_t lastAdvance = c.metrics().advance(c.font(), static_cast<uint8_t>(w.chars.back()));
        EXPECT_EQ(w.xs.back() + lastAdvance, 10 + 95);
        for (size_t i = 1; i < w.xs.size(); ++i) EXPECT_GT(w.xs[i], w.xs[i - 1]);
        EXPECT_EQ(bar.Width, 95) << "the check digit is part of the symbol either way";
    }
}

TEST_F(CodeBarreTest, SpreadTextPositionsRoundHalvesToEven)
{
    // Code 39 "ABC" without check: 64 modules. With the fake metrics of Arial 8 an upper-case
    // letter advances 7 pixels, so spacing = (64 - 21 - 1) / 2 = 21 and the positions are
    // round(0 + 10) + 1, round(7 + 21 + 10) + 1, round(14 + 42 + 10) + 1.
    Bar(bcCode39, "ABC").Checksum = 0;
    TraceCanvas c;
    bar.Draw(c);
    ASSERT_EQ(bar.BarWidth, 64);
    ASSERT_EQ(c.metrics().advance(c.font(), 'A'), 7);
    Written w = TextsOf(c);
    EXPECT_EQ(w.chars, "ABC");
    EXPECT_EQ(w.xs, (std::vector<int32_t>{11, 39, 67}));

    // "A B" is 64 modules too; a space advances 4, so spacing = (64 - 18 - 1) / 2 = 22.5. With
    // Left 11 the middle character lies at round(7 + 22.5 + 11) + 1 = round(40.5) + 1 = 41
    // (half-up would give 42), the last at round(11 + 45 + 11) + 1 = 68.
    ASSERT_EQ(c.metrics().advance(c.font(), ' '), 4);
    fields.values["Codice"] = "A B";
    bar.Left = 11;
    TraceCanvas half;
    bar.Draw(half);
    ASSERT_EQ(bar.BarWidth, 64);
    w = TextsOf(half);
    EXPECT_EQ(w.chars, "A B");
    EXPECT_EQ(w.xs, (std::vector<int32_t>{12, 41, 68}));
}

TEST_F(CodeBarreTest, OneCharacterTextIsWrittenOnePixelInWithoutSpreading)
{
    Bar(bcCode39, "Z").Checksum = 0;
    TraceCanvas c;
    bar.Draw(c);
    Written w = TextsOf(c);
    EXPECT_EQ(w.chars, "Z");
    EXPECT_EQ(w.xs, std::vector<int32_t>{11});
}

TEST_F(CodeBarreTest, ValuesOfEveryKindAreConvertedToText)
{
    struct Case {
        const char* name;
        Variant value;
        const char* shown;
    } cases[] = {
        {"integer", Variant(int32_t{4711}), "000000004711"},
        {"string with blanks", Variant(std::string("  4711 ")), "000000004711"},
        {"double", Variant(12345.0), "000000012345"},
        {"null field", Variant::null(), "000000000000"},
    };
    for (const Case& tc : cases) {
        SCOPED_TRACE(tc.name);
        Bar(bcCodeEAN13, tc.value);
        TraceCanvas c;
        bar.Draw(c);
        EXPECT_EQ(TextsOf(c).chars, tc.shown);
    }
    // An expression, not only a field: the first line is evaluated as a whole.
    Bar(bcCode39, "AB").Lines = {"[Codice] + '-' + 'X'", "ignored second line"};
    bar.Checksum = 0;
    TraceCanvas c;
    bar.Draw(c);
    EXPECT_EQ(TextsOf(c).chars, "AB-X");
    // No lines: an empty text, which Code 39 draws as start and stop only (12 + 1 + 12 modules).
    bar.Lines.clear();
    TraceCanvas none;
    bar.Draw(none);
    EXPECT_EQ(TextsOf(none).chars, "");
    EXPECT_EQ(bar.Width, 25);
}

TEST_F(CodeBarreTest, DigitsOnlyTypeDrawsZeroForATextThatIsNotANumber)
{
    RasterCanvas zero(200, 100), word(200, 100);
    Bar(bcCodeEAN13, "0");
    bar.Draw(zero);
    fields.values["Codice"] = "nessun numero";
    TraceCanvas c;
    bar.Draw(c);
    EXPECT_EQ(TextsOf(c).chars, "000000000000");
    bar.Draw(word);
    EXPECT_EQ(ModuleRow(word, 10, 30, 95), ModuleRow(zero, 10, 30, 95));
    EXPECT_EQ(ModuleRow(word, 10, 30, 95), Ean13Zeros());
    // A type that is not digits-only takes the text as it is.
    Bar(bcCode128B, "nessun numero");
    TraceCanvas b;
    bar.Draw(b);
    EXPECT_EQ(TextsOf(b).chars, "nessun numero");
}

// ---- errors --------------------------------------------------------------------------------

TEST_F(CodeBarreTest, EncoderErrorsReachTheCallerBeforeAnyBarIsDrawn)
{
    FormatSettingsOverride restore;
    DefaultFormatSettings() = ItalianFormatSettings();
    struct Case {
        const char* name;
        uint8_t type;
        uint8_t checksum;
        const char* text;
        const char* message;
    } cases[] = {
        {"13 digits and a check digit", bcCodeEAN13, 1, "1234567890128", "Lunghezza del testo errata (EAN13)"},
        {"EAN8 of nine digits", bcCodeEAN8, 0, "123456789", "Lunghezza del testo errata (EAN8)"},
        // A number in the locale's notation passes the number test but not the encoder's.
        {"decimal comma", bcCodeEAN13, 1, "12,5", "Il codice a barre deve essere di tipo numerico"},
        {"Code 93 lower case", bcCode93, 0, "ab", "TBarcode: Code93 dati errati Data <ab>"},
        {"Codabar letter", bcCodeCodabar, 0, "12X", "TBarcode: Codabar carattere non ammesso <X>"},
        // The check digit is weighted from the right, so the last letter fails first.
        {"EAN 128 check of letters", bcCodeEAN128A, 1, "AB", "'B' is not a valid integer value"},
    };
    for (const Case& tc : cases) {
        SCOPED_TRACE(tc.name);
        Bar(tc.type, std::string(tc.text)).Checksum = tc.checksum;
        TraceCanvas c;
        EXPECT_EQ(DrawError(c), tc.message);
        EXPECT_TRUE(LinesStarting(c, "polygon ").empty());
        EXPECT_TRUE(LinesStarting(c, "text").empty());
    }
    // Errors of the expression go through unchanged too.
    Bar(bcCodeEAN13, "1").Lines = {"[Sconosciuto]"};
    TraceCanvas c;
    EXPECT_EQ(DrawError(c), "Identificatore sconosciuto: [Sconosciuto]");
}

// ---- recording and decoding ----------------------------------------------------------------

// Notes where every character of a text call lands: "c@x,y".
class GlyphCanvas : public TraceCanvas {
public:
    void textOut(int32_t x, int32_t y, std::string_view text) override { textOutDx(x, y, text, {}, nullptr); }
    void textOutDx(int32_t x, int32_t y, std::string_view text, std::span<const int32_t> dx, const Rect*) override
    {
        int64_t at = x;
        for (size_t i = 0; i < text.size(); ++i) {
            glyphs += std::string(1, text[i]) + "@" + std::to_string(at) + "," + std::to_string(y) + " ";
            at += i < dx.size() ? dx[i] : metrics().advance(font(), static_cast<uint8_t>(text[i]));
        }
    }
    std::string glyphs;
};

TEST_F(CodeBarreTest, RecordedPageHoldsTheBarsAndTheDigitsAsOneTextWithEveryCharacterInPlace)
{
    // Transparent text makes one record; an opaque background would fill the gaps between the
    // characters, so each keeps its own.
    struct Case {
        BrushStyle brush;
        const char* texts;
    };
    for (const Case& c : {Case{BrushStyle::Clear, "1234567|"}, Case{BrushStyle::Solid, "1|2|3|4|5|6|7|"}}) {
        SCOPED_TRACE(c.texts);
        Bar(bcCodeEAN8, "1234567");
        EmfRecorder rec(300, 200);
        rec.setBrush({clWhite, c.brush});
        bar.Draw(rec);
        EmfFile page(rec.finish());
        std::string texts;
        int bars = 0;
        EnumerateEmf(page, [&](const EmfRecordInfo& r) {
            if (r.isText) texts += r.text + "|";
            if (r.type == 3 /* polygon */ || r.type == 86 /* polygon16 */ || r.type == 91 /* polypolygon16 */) ++bars;
            return EmfAction::Play;
        });
        EXPECT_EQ(texts, c.texts);
        EXPECT_GE(bars, 2);  // the bars' colour and the spaces' colour
        // The characters land where the object drew them one by one.
        GlyphCanvas direct, played;
        direct.setBrush({clWhite, c.brush});
        bar.Draw(direct);
        PlayEmf(page, played, {0, 0, 300, 200});
        EXPECT_EQ(played.glyphs, direct.glyphs);
        EXPECT_EQ(std::count(direct.glyphs.begin(), direct.glyphs.end(), '@'), 7);
    }
}

TEST_F(CodeBarreTest, TwoDimensionalSymbolKeepsTheObjectSizeAndFitsItsModulesWithoutText)
{
    // In 280 x 120 pixels: QR 21 + 2 * 4 modules, Data Matrix 14 + 2 * 1 (square modules, so the
    // height decides), PDF417 103 + 2 * 2 across and 8 rows of 3 + 2 * 2 down (the width decides).
    // The quiet zone starts at the object's top-left corner; the outermost modules are dark on every
    // side, so the dark pixels span exactly the symbol.
    struct Case {
        uint8_t type;
        int32_t columns, rows, rowHeight, quiet, module;
    };
    for (const Case& c :
         {Case{bcQRCode, 21, 21, 1, 4, 4}, Case{bcDataMatrix, 14, 14, 1, 1, 7}, Case{bcPDF417, 103, 8, 3, 2, 2}}) {
        SCOPED_TRACE(static_cast<int>(c.type));
        Bar(c.type, std::string("Zelvo 2D"));
        bar.Width = 280;
        bar.Height = 120;
        RasterCanvas canvas(300, 200);
        bar.Draw(canvas);
        EXPECT_EQ(bar.Width, 280);
        EXPECT_EQ(bar.TextHeight, 0);
        Rect dark{300, 200, -1, -1};
        for (int32_t y = 0; y < 200; ++y)
            for (int32_t x = 0; x < 300; ++x)
                if (canvas.dark(x, y))
                    dark = {std::min(dark.left, x), std::min(dark.top, y), std::max(dark.right, x),
                            std::max(dark.bottom, y)};
        const int32_t q = c.quiet * c.module;
        EXPECT_EQ(dark, (Rect{10 + q, 20 + q, 10 + q + c.columns * c.module - 1,
                              20 + q + c.rows * c.rowHeight * c.module - 1}));
    }
}

TEST_F(CodeBarreTest, SymbolsThatCannotBeDrawnShowAnErrorBoxInsteadOfFailing)
{
    struct Case {
        uint8_t type;
        std::string text;
        std::string message;  // the start of it
    };
    const Case cases[] = {
        {bcQRCode, "", "QR Code: Testo vuoto"},
        {200, "123", "Tipo di codice a barre sconosciuto: 200"},
        {bcPDF417, std::string(3000, '\xE8'), "PDF417: Error"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        Bar(c.type, c.text);
        bar.Width = 150;
        TraceCanvas canvas;
        EXPECT_EQ(DrawError(canvas), "");
        EXPECT_TRUE(LinesStarting(canvas, "polygon").empty());
        const std::vector<std::string> frame = LinesStarting(canvas, "rect 10,20,160,80 pen=0000FF/1/Solid");
        const std::vector<std::string> text = LinesStarting(canvas, "textRect 10,20,160,80 12,22 '" + c.message);
        EXPECT_EQ(frame.size(), 1u) << canvas.text();
        ASSERT_EQ(text.size(), 1u) << canvas.text();
        EXPECT_NE(text[0].find("color=0000FF"), std::string::npos) << text[0];
    }
}

// Draws the object in run mode with modules of 3 pixels inside a quiet zone onto a raster and
// writes it as a PNG file.
std::string RenderObject(TzvCodeBarreView& v, const std::string& name)
{
    v.Modul = 3;
    v.Left = 36;
    v.Top = 36;
    v.Height = 110;
    TraceCanvas measure;
    v.Draw(measure);  // the first drawing learns the width
    RasterCanvas canvas(v.Width + 72, v.Height + 72);
    v.Draw(canvas);
    std::string path = (OutDir() / ("object_" + name + ".png")).string();
    std::ofstream(path, std::ios::binary) << EncodePng(canvas.bitmap);
    return path;
}

struct DecodeCase {
    const char* name;
    uint8_t type;
    const char* field;
    uint8_t checksum;
    double ratio;
    const char* zbar;   // zbarimg --raw; nullptr when zbar does not read the symbology
    const char* zxing;  // ZXingReader -bytes
};
// Expected values: the field plus the check digit computed by hand (EAN weights 3-1 from the
// right: 4711 padded to 12 gives 1*3 + 1 + 7*3 + 4 = 29 -> 1; Code 39 sum of values mod 43:
// A10 B11 C12 1 2 3 = 39 -> '$'). ZXing reports an EAN-13 that starts with 0 as its UPC-A.
const DecodeCase kDecodeCases[] = {
    {"ean13", bcCodeEAN13, "123456789012", 1, 1.0, "1234567890128", "1234567890128"},
    {"ean13_padded", bcCodeEAN13, "4711", 1, 1.0, "0000000047111", "000000047111"},
    {"ean8", bcCodeEAN8, "9638507", 1, 1.0, "96385074", "96385074"},
    {"code39", bcCode39, "ABC123", 0, 2.0, "ABC123", "ABC123"},
    {"code39_check", bcCode39, "ABC123", 1, 2.0, "ABC123$", "ABC123$"},
    {"code128b", bcCode128B, "Rossi Mario", 0, 2.0, "Rossi Mario", "Rossi Mario"},
    {"code128c", bcCode128C, "80012345", 0, 2.0, "80012345", "80012345"},
    {"interleaved", bcCode_2_5_interleaved, "12345678", 0, 3.0, "12345678", "12345678"},
};

void RunObjectDecodeTable(const char* tool)
{
    if (!ToolInstalled(tool)) GTEST_FAIL() << tool << " is not installed (scripts/deps.sh installs it)";
    const bool zbar = std::string(tool) == "zbarimg";
    for (const DecodeCase& dc : kDecodeCases) {
        SCOPED_TRACE(dc.name);
        const char* expected = zbar ? dc.zbar : dc.zxing;
        if (!expected) continue;
        TzvCodeBarreView v(nullptr);
        v.BarType = dc.type;
        v.Checksum = dc.checksum;
        v.Ratio = dc.ratio;
        v.Lines = {"[Codice]"};
        FieldTable t;
        t.values["Codice"] = std::string(dc.field);
        SetExprResolver({&FieldTable::Resolve, &t});
        zvState().RunMode = true;
        std::string path = RenderObject(v, std::string(tool) + "_" + dc.name);
        ClearExprResolver(&t);
        std::string got = zbar ? TrimNewlines(Capture("zbarimg --raw -q " + ShellQuote(path) + " 2>/dev/null"))
                               : Capture("ZXingReader -bytes " + ShellQuote(path));  // the raw bytes only
        EXPECT_EQ(got, expected) << path;
    }
}

TEST_F(CodeBarreTest, ZbarReadsTheDrawnObject) { RunObjectDecodeTable("zbarimg"); }
TEST_F(CodeBarreTest, ZxingReadsTheDrawnObject) { RunObjectDecodeTable("ZXingReader"); }

}  // namespace
