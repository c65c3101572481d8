// Tests of FormatValue (every category and style, fallbacks, restored settings) and NumberToWords.
#include <gtest/gtest.h>

#include <string>

#include "platform/base/Format.h"
#include "platform/base/FormatSettings.h"
#include "platform/base/Variant.h"
#include "report/ZV_Format.h"

namespace {

using zv::MakeFormatCode;
using zv::Variant;

class FormatValueTest : public ::testing::Test {
protected:
    void SetUp() override { zv::DefaultFormatSettings() = zv::ItalianFormatSettings(); }
    void TearDown() override { zv::DefaultFormatSettings() = zv::ItalianFormatSettings(); }
};

// 1998-11-05 02:43:35, the sample of the format dialog.
double SampleDate() { return zv::EncodeDate(1998, 11, 5); }
double SampleTime() { return zv::EncodeTime(2, 43, 35, 0); }

struct FormatRow {
    const char* note;
    Variant value;
    uint32_t code;
    const char* text;  // FormatText
    std::string expected;
};

void CheckRows(const std::vector<FormatRow>& rows)
{
    for (const FormatRow& r : rows) {
        SCOPED_TRACE(r.note);
        EXPECT_EQ(zv::FormatValue(r.value, r.code, r.text), r.expected);
    }
}

TEST_F(FormatValueTest, TextCategory)
{
    const Variant date = Variant::fromDateTime(SampleDate());
    const Variant dateTime = Variant::fromDateTime(SampleDate() + SampleTime());
    const Variant time = Variant::fromDateTime(SampleTime());
    CheckRows({
        {"pure date", date, 0, "", "05/11/1998"},
        {"date and time", dateTime, 0, "", "05/11/1998 02:43:35"},
        {"pure time", time, 0, "", "02:43:35"},
        {"zero date-time", Variant::fromDateTime(0), 0, "", ""},
        {"integer", Variant(int32_t{42}), 0, "", "42"},
        {"double uses the locale separator", Variant(1.5), 0, "", "1,5"},
        {"string unchanged", Variant("abc def"), 0, "", "abc def"},
        {"null", Variant::null(), 0, "", ""},
        {"empty", Variant(), MakeFormatCode(zv::fcNumber, 1, 2, ','), "", ""},
    });
}

TEST_F(FormatValueTest, NumberCategory)
{
    const Variant v(1234.5);
    CheckRows({
        {"style 0", v, MakeFormatCode(zv::fcNumber, 0, 2, ','), "", "1234,5"},
        {"style 1, 2 decimals", v, MakeFormatCode(zv::fcNumber, 1, 2, ','), "", "1234,50"},
        {"style 1, separator '.'", v, MakeFormatCode(zv::fcNumber, 1, 2, '.'), "", "1234.50"},
        {"style 1, 0 decimals rounds half away", v, MakeFormatCode(zv::fcNumber, 1, 0, ','), "", "1235"},
        {"style 2", v, MakeFormatCode(zv::fcNumber, 2, 2, ','), "", "1.234,5"},
        {"style 3, 2 decimals", v, MakeFormatCode(zv::fcNumber, 3, 2, ','), "", "1.234,50"},
        {"style 3, 3 decimals", Variant(-1234567.5), MakeFormatCode(zv::fcNumber, 3, 3, ','), "", "-1.234.567,500"},
        {"style 4 custom", v, MakeFormatCode(zv::fcNumber, 4, 0, ','), "#,##0.000", "1.234,500"},
        {"style 4 sections", Variant(-2.0), MakeFormatCode(zv::fcNumber, 4, 0, ','), "0;(0)", "(2)"},
        {"style 0 integer", Variant(int32_t{7}), MakeFormatCode(zv::fcNumber, 0, 2, ','), "", "7"},
        {"currency value", Variant::fromCurrency(12345), MakeFormatCode(zv::fcNumber, 1, 2, ','), "", "1,23"},
        {"string unchanged", Variant("n/a"), MakeFormatCode(zv::fcNumber, 1, 2, ','), "", "n/a"},
        {"separator byte 0 keeps the locale's", v, MakeFormatCode(zv::fcNumber, 1, 2, '\0'), "", "1234,50"},
        {"unknown style: plain text", v, MakeFormatCode(zv::fcNumber, 9, 2, '.'), "", "1234,5"},
    });
    // Styles 1 and 3 keep 10 significant digits; a longer integer part turns scientific.
    const std::string big = zv::FormatValue(Variant(123456789012.0), MakeFormatCode(zv::fcNumber, 1, 2, ','), "");
    EXPECT_NE(big.find('E'), std::string::npos) << big;
}

TEST_F(FormatValueTest, DateAndTimeCategories)
{
    const Variant v = Variant::fromDateTime(SampleDate() + SampleTime());
    CheckRows({
        {"date style 0", v, MakeFormatCode(zv::fcDate, 0, 0, 0), "", "05/11/98"},
        {"date style 1", v, MakeFormatCode(zv::fcDate, 1, 0, 0), "", "05/11/1998"},
        {"date style 2", v, MakeFormatCode(zv::fcDate, 2, 0, 0), "", "5 nov 1998"},
        {"date style 3", v, MakeFormatCode(zv::fcDate, 3, 0, 0), "", "5 novembre 1998"},
        {"date style 4", v, MakeFormatCode(zv::fcDate, 4, 0, 0), "yyyy-mm-dd", "1998-11-05"},
        {"time style 0", v, MakeFormatCode(zv::fcTime, 0, 0, 0), "", "02:43:35"},
        {"time style 1", v, MakeFormatCode(zv::fcTime, 1, 0, 0), "", "2:43:35"},
        {"time style 2", v, MakeFormatCode(zv::fcTime, 2, 0, 0), "", "02:43"},
        {"time style 3", v, MakeFormatCode(zv::fcTime, 3, 0, 0), "", "2:43"},
        {"time style 4", v, MakeFormatCode(zv::fcTime, 4, 0, 0), "hh'h'nn", "02h43"},
        {"a number is a date-time", Variant(SampleDate()), MakeFormatCode(zv::fcDate, 1, 0, 0), "", "05/11/1998"},
        {"no date in the string: plain text", Variant("abc"), MakeFormatCode(zv::fcDate, 0, 0, 0), "", "abc"},
        {"unknown style: plain text", Variant(2.5), MakeFormatCode(zv::fcTime, 7, 0, 0), "", "2,5"},
    });
}

TEST_F(FormatValueTest, TimeSeparatorIsForcedAndRestored)
{
    zv::DefaultFormatSettings().timeSeparator = '.';
    const Variant v = Variant::fromDateTime(SampleTime());
    EXPECT_EQ(zv::FormatValue(v, MakeFormatCode(zv::fcTime, 0, 0, 0), ""), "02:43:35");
    EXPECT_EQ(zv::FormatValue(v, MakeFormatCode(zv::fcTime, 4, 0, 0), "h:nn"), "2:43");
    EXPECT_EQ(zv::DefaultFormatSettings().timeSeparator, '.');
}

TEST_F(FormatValueTest, SeparatorsAreRestoredAfterAFailure)
{
    // "abc" is no number: the Numero path would throw after the separator was set.
    EXPECT_EQ(zv::FormatValue(Variant("abc"), MakeFormatCode(zv::fcDate, 1, 0, 0), ""), "abc");
    EXPECT_EQ(zv::FormatValue(Variant("x"), MakeFormatCode(zv::fcBoolean, 1, 0, 0), ""), "x");
    EXPECT_EQ(zv::FormatValue(Variant(1.5), MakeFormatCode(zv::fcNumber, 4, 0, '.'), "0.0"), "1.5");
    EXPECT_EQ(zv::DefaultFormatSettings().decimalSeparator, ',');
    EXPECT_EQ(zv::DefaultFormatSettings().timeSeparator, ':');
    // The fallback itself writes with the locale's separator, not the code's.
    EXPECT_EQ(zv::FormatValue(Variant(2.5), MakeFormatCode(zv::fcNumber, 200, 0, '.'), ""), "2,5");
}

TEST_F(FormatValueTest, BooleanCategory)
{
    CheckRows({
        {"Si/No 0", Variant(int32_t{0}), MakeFormatCode(zv::fcBoolean, 1, 0, 0), "", "No"},
        {"Si/No 2", Variant(int32_t{2}), MakeFormatCode(zv::fcBoolean, 1, 0, 0), "", "Si"},
        {"Si/No truth 1", Variant::fromByte(1), MakeFormatCode(zv::fcBoolean, 1, 0, 0), "", "Si"},
        {"Si/No string '0'", Variant("0"), MakeFormatCode(zv::fcBoolean, 1, 0, 0), "", "No"},
        {"Si/No non-integer text falls back", Variant(2.5), MakeFormatCode(zv::fcBoolean, 1, 0, 0), "", "2,5"},
        {"0/1 0", Variant(int32_t{0}), MakeFormatCode(zv::fcBoolean, 0, 0, 0), "", "0"},
        {"0/1 1", Variant(int32_t{1}), MakeFormatCode(zv::fcBoolean, 0, 0, 0), "", "1"},
        {"0/1 other", Variant(int32_t{5}), MakeFormatCode(zv::fcBoolean, 0, 0, 0), "", "1"},
        {"0/1 negative", Variant(int32_t{-1}), MakeFormatCode(zv::fcBoolean, 0, 0, 0), "", "1"},
        {"X/_ 0", Variant(0.0), MakeFormatCode(zv::fcBoolean, 2, 0, 0), "", " "},
        {"X/_ 1", Variant(1.0), MakeFormatCode(zv::fcBoolean, 2, 0, 0), "", "X"},
        {"X/_ other", Variant(int32_t{7}), MakeFormatCode(zv::fcBoolean, 2, 0, 0), "", "X"},
        {"unknown style: plain text", Variant(int32_t{1}), MakeFormatCode(zv::fcBoolean, 3, 0, 0), "", "1"},
        {"unknown category: plain text", Variant(1.5), MakeFormatCode(9, 0, 0, 0), "", "1,5"},
    });
}

TEST(FormatCode, FieldsAreReadFromTheirBits)
{
    const uint32_t code = 0x01030244;
    EXPECT_EQ(zv::FormatCodeCategory(code), zv::fcNumber);
    EXPECT_EQ(zv::FormatCodeStyle(code), 3);
    EXPECT_EQ(zv::FormatCodeDecimals(code), 2);
    EXPECT_EQ(zv::FormatCodeSeparator(code), 'D');
    EXPECT_EQ(MakeFormatCode(1, 3, 2, 'D'), code);
    EXPECT_EQ(zv::FormatCodeCategory(0xF4000000u), zv::fcBoolean);  // the top four bits are no category
}

struct WordsRow {
    int64_t scaled;  // amount x 10 000
    const char* words;
};

TEST(NumberToWords, WritesItalianWords)
{
    zv::DefaultFormatSettings() = zv::ItalianFormatSettings();
    constexpr int64_t k = zv::kCurrencyScale;
    const WordsRow rows[] = {
        {0, "zero"},
        {1 * k, "uno"},
        {17 * k, "diciassette"},
        {18 * k, "diciotto"},
        {21 * k, "ventuno"},
        {28 * k, "ventotto"},
        {33 * k, "trentatre"},
        {88 * k, "ottantotto"},
        {100 * k, "cento"},
        {101 * k, "centouno"},
        {118 * k, "centodiciotto"},
        {200 * k, "duecento"},
        {999 * k, "novecentonovantanove"},
        {1000 * k, "mille"},
        {1001 * k, "milleuno"},
        {2000 * k, "duemila"},
        {11000 * k, "undicimila"},
        {21000 * k, "ventunomila"},
        {100000 * k, "centomila"},
        {1000000 * k, "unmilione"},
        {1000001 * k, "unmilioneuno"},
        {1001000 * k, "unmilionemille"},
        {2500000 * k, "duemilionicinquecentomila"},
        {1000000000 * k, "unmiliardo"},
        {3000000000 * k, "tremiliardi"},
        {1000000000000 * k, "millemiliardi"},
        {2000000000000 * k, "duemilamiliardi"},
        {5000, "zero virgola cinque"},
        {10500, "uno virgola zero cinque"},
        {122500, "dodici virgola venticinque"},
        {12346, "uno virgola duemilatrecentoquarantasei"},
        {500, "zero virgola zero cinque"},
        {1, "zero virgola zero zero zero uno"},
        {-3 * k, "meno tre"},
        {-5000, "meno zero virgola cinque"},
        {INT64_MAX,
         "novecentoventiduemilamiliarditrecentotrentasettemiliardiduecentotremilioni"
         "seicentoottantacinquemilaquattrocentosettantasette virgola cinquemilaottocentosette"},
    };
    for (const WordsRow& r : rows) {
        SCOPED_TRACE(r.scaled);
        EXPECT_EQ(zv::NumberToWords(r.scaled), r.words);
    }
}

TEST(NumberToWords, AmountsAreRoundedToFourDecimalsFirst)
{
    zv::DefaultFormatSettings() = zv::ItalianFormatSettings();
    EXPECT_EQ(zv::NumberToWords(Variant(1.23456).toCurrency()), "uno virgola duemilatrecentoquarantasei");
    // Another locale's decimal separator gives the same words.
    zv::FormatSettingsOverride restore;
    zv::DefaultFormatSettings().decimalSeparator = '.';
    EXPECT_EQ(zv::NumberToWords(122500), "dodici virgola venticinque");
}

}  // namespace
