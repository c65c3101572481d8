// Spreadsheet export: rows and shared columns of page texts, numbers and dates in cells, CSV quoting.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/base/FormatSettings.h"
#include "report/ZV_Spreadsheet.h"

namespace {

using namespace zv;

TEST(LayOutSheet, RowsByBaselineAndColumnsSharedAcrossPages)
{
    struct Case {
        const char* what;
        std::vector<TzvSheetText> texts;
        TzvSheet expected;
    };
    const Case cases[] = {
        {"baselines within 3 share a row; a list keeps its columns on every page",
         {{0, 40, 100, "Rossi"},
          {0, 200, 102, "Mario"},
          {0, 40, 124, "Russo"},
          {0, 202, 124, "Sara"},
          {1, 41, 60, "Bruno"},
          {1, 198, 60, "Luca"}},
         {{"Rossi", "Mario"}, {"Russo", "Sara"}, {"Bruno", "Luca"}}},
        {"a baseline 4 below the row's first starts a new row, whatever chains in between",
         {{0, 40, 100, "a"}, {0, 200, 103, "b"}, {0, 300, 104, "c"}},
         {{"a", "b", ""}, {"", "", "c"}}},
        {"an edge 5 right of a column's first starts a new column",
         {{0, 40, 10, "a"}, {0, 45, 20, "b"}, {0, 44, 30, "c"}},
         {{"a", ""}, {"", "b"}, {"c", ""}}},
        {"texts meeting in a cell join in reading order; blank texts and blanks around are dropped",
         {{0, 42, 10, "dopo"}, {0, 40, 10, " prima "}, {0, 300, 10, "   "}},
         {{"prima dopo"}}},
        {"a page's rows do not merge into the next page's", {{0, 0, 50, "x"}, {1, 0, 50, "y"}}, {{"x"}, {"y"}}},
        {"extreme coordinates from a damaged file",
         {{0, INT32_MIN, INT32_MIN, "a"}, {0, INT32_MAX, INT32_MAX, "b"}},
         {{"a", ""}, {"", "b"}}},
        {"nothing", {}, {}},
    };
    for (const Case& c : cases) EXPECT_EQ(LayOutSheet(c.texts), c.expected) << c.what;
}

TEST(ClassifySheetText, NumbersAndDatesUnderTheItalianSettings)
{
    using K = TzvSheetValue::Kind;
    struct Case {
        const char* text;
        K kind;
        double value;
        const char* format;
    };
    const Case cases[] = {
        {"1.234,56", K::Number, 1234.56, "#,##0.00"},
        {"-1.234.567", K::Number, -1234567, "#,##0"},
        {" 42 ", K::Number, 42, "0"},
        {"0,5", K::Number, 0.5, "0.0"},
        {"123456789", K::Number, 123456789, "0"},
        {"123.456.789.012,345", K::Number, 123456789012.345, "#,##0.000"},
        {"09/12/2026", K::Date, 46365, "dd/mm/yyyy"},
        {"1/3/1900", K::Date, 61, "dd/mm/yyyy"},
        // Codes and other text.
        {"0123", K::Text, 0, ""},                   // leading zero
        {"1234567890", K::Text, 0, ""},             // ten plain digits
        {"8051325790246", K::Text, 0, ""},          // EAN-13
        {"1.234.567.890.123,456", K::Text, 0, ""},  // sixteen digits
        {"1.5", K::Text, 0, ""},                    // "." groups thousands in threes
        {"12.34,5", K::Text, 0, ""},
        {"1,", K::Text, 0, ""},
        {"-", K::Text, 0, ""},
        {"1.234,5 €", K::Text, 0, ""},
        {"28/02/1900", K::Text, 0, ""},  // before spreadsheet day numbers agree
        {"31/02/2026", K::Text, 0, ""},
        {"9/12", K::Text, 0, ""},
        {"09-12-2026", K::Text, 0, ""},
        {"RSSMRA72C22H501F", K::Text, 0, ""},
    };
    const FormatSettings it = ItalianFormatSettings();
    for (const Case& c : cases) {
        const TzvSheetValue v = ClassifySheetText(c.text, it);
        EXPECT_EQ(v.kind, c.kind) << c.text;
        EXPECT_DOUBLE_EQ(v.value, c.value) << c.text;
        EXPECT_EQ(v.numFormat, c.format) << c.text;
    }
}

TEST(ClassifySheetText, FollowsOtherSettings)
{
    FormatSettings us;  // "." decimals, "," thousands, m/d/yyyy
    EXPECT_EQ(ClassifySheetText("1,234.5", us).value, 1234.5);
    EXPECT_EQ(ClassifySheetText("1.234,5", us).kind, TzvSheetValue::Text);
    const TzvSheetValue date = ClassifySheetText("12/9/2026", us);
    EXPECT_EQ(date.kind, TzvSheetValue::Date);
    EXPECT_EQ(date.value, 46365);
    EXPECT_EQ(date.numFormat, "m/d/yyyy");
    us.shortDateFormat = "dddd d mmmm yyyy";  // day and month names: no dates are recognised
    EXPECT_EQ(ClassifySheetText("9 12 2026", us).kind, TzvSheetValue::Text);
}

TEST(SheetToCsv, QuotesWhatNeedsItAndWritesUtf8WithCrlf)
{
    const TzvSheet sheet = {{"Niccol\xF2", "a,b", "dice \"ciao\""}, {"riga\r\ndue", "", "1.234,50"}};
    EXPECT_EQ(SheetToCsv(sheet),
              "Niccol\xC3\xB2,\"a,b\",\"dice \"\"ciao\"\"\"\r\n"
              "\"riga\r\ndue\",,\"1.234,50\"\r\n");
    EXPECT_EQ(CsvField("\""), "\"\"\"\"");
    EXPECT_EQ(CsvField("semplice; testo"), "semplice; testo");
}

}  // namespace
