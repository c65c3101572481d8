// Windows-1252 text: Unicode round trips, unmappable and malformed input, case and trimming.
#include <gtest/gtest.h>

#include <string>

#include "platform/base/Text.h"

using namespace zv;

namespace {

std::string AllBytes()
{
    std::string s;
    for (int i = 0; i < 256; ++i) s += static_cast<char>(i);
    return s;
}

}  // namespace

TEST(Text, EveryByteRoundTrips)
{
    const std::string all = AllBytes();
    EXPECT_EQ(Utf8ToCp1252(Cp1252ToUtf8(all)), all);
    EXPECT_EQ(Utf16ToCp1252(Cp1252ToUtf16(all)), all);
    std::u16string wide = Cp1252ToUtf16(all);
    ASSERT_EQ(wide.size(), 256u);
    for (int i = 0; i < 256; ++i) {
        EXPECT_EQ(wide[i], Cp1252CharToUtf16(static_cast<uint8_t>(i))) << i;
        // Distinct bytes give distinct code points, so the mapping is reversible byte by byte.
        for (int j = 0; j < i; ++j) ASSERT_NE(wide[i], wide[j]) << i << " " << j;
    }
}

TEST(Text, KnownCodePoints)
{
    struct Case {
        uint8_t byte;
        char16_t unicode;
        const char* utf8;
    };
    const Case cases[] = {
        {0x41, u'A', "A"},
        {0x80, 0x20AC, "\xE2\x82\xAC"},  // euro sign
        {0x85, 0x2026, "\xE2\x80\xA6"},  // ellipsis
        {0x99, 0x2122, "\xE2\x84\xA2"},  // trade mark
        {0x9F, 0x0178, "\xC5\xB8"},      // Y with diaeresis
        {0xA0, 0x00A0, "\xC2\xA0"},
        {0xE8, 0x00E8, "\xC3\xA8"},  // e grave
        {0xFF, 0x00FF, "\xC3\xBF"},
        // The five unassigned bytes keep their C1 control code.
        {0x81, 0x0081, "\xC2\x81"},
        {0x8D, 0x008D, "\xC2\x8D"},
        {0x8F, 0x008F, "\xC2\x8F"},
        {0x90, 0x0090, "\xC2\x90"},
        {0x9D, 0x009D, "\xC2\x9D"},
    };
    for (const Case& c : cases) {
        std::string b(1, static_cast<char>(c.byte));
        EXPECT_EQ(Cp1252CharToUtf16(c.byte), c.unicode) << int(c.byte);
        EXPECT_EQ(Cp1252ToUtf8(b), c.utf8) << int(c.byte);
        EXPECT_EQ(Utf8ToCp1252(c.utf8), b) << int(c.byte);
        EXPECT_EQ(Utf16ToCp1252(std::u16string(1, c.unicode)), b) << int(c.byte);
    }
    EXPECT_EQ(Cp1252ToUtf8("Pi\xE8 di pagina \x80"), "Pi\xC3\xA8 di pagina \xE2\x82\xAC");
}

TEST(Text, UnmappableCharactersBecomeQuestionMarks)
{
    struct Case {
        const char* what;
        std::u16string utf16;
        std::string expected;
    };
    const Case cases[] = {
        {"C1 control that 1252 reassigns", u"\u0080", "?"},
        {"Greek", u"\u03B1b", "?b"},
        {"CJK", u"x\u4E2Dy", "x?y"},
        {"surrogate pair is one character", u"a\U0001F600b", "a?b"},
        {"lone low surrogate",
         u"a\xDC00"
         u"b",
         "a?b"},
        {"lone high surrogate at the end", u"a\xD800", "a?"},
        {"high surrogate before a plain letter keeps the letter",
         u"\xD800"
         u"A",
         "?A"},
    };
    for (const Case& c : cases) EXPECT_EQ(Utf16ToCp1252(c.utf16), c.expected) << c.what;
    EXPECT_EQ(Utf8ToCp1252("\xCE\xB1 \xE4\xB8\xAD \xF0\x9F\x98\x80"), "? ? ?");
}

TEST(Text, MalformedUtf8)
{
    struct Case {
        const char* what;
        std::string utf8;
        std::string expected;
    };
    const Case cases[] = {
        {"lone continuation byte", "a\x80z", "a?z"},
        {"truncated two-byte sequence at the end", "a\xC3", "a?"},
        {"truncated three-byte sequence", "\xE2\x82", "?"},
        {"truncated sequence before ASCII", "\xE2\x82z", "?z"},
        {"lead byte followed by ASCII",
         "\xC3"
         "A",
         "?A"},
        {"invalid lead bytes", "\xFE\xFF", "??"},
        {"overlong slash", "\xC0\xAF", "??"},
        {"overlong NUL", "\xC0\x80", "??"},
        {"overlong three-byte e grave", "\xE0\x83\xA8", "???"},
        {"encoded surrogate", "\xED\xA0\x80", "???"},
        {"beyond U+10FFFF", "\xF4\x90\x80\x80", "????"},
        {"valid after invalid", "\xFF\xC3\xA8", "?\xE8"},
    };
    for (const Case& c : cases) EXPECT_EQ(Utf8ToCp1252(c.utf8), c.expected) << c.what;
}

TEST(Text, AsciiOnlyCaseMapping)
{
    EXPECT_EQ(UpperCase("abc xyz \xE8\xE0 09"), "ABC XYZ \xE8\xE0 09");
    EXPECT_EQ(LowerCase("ABC XYZ \xC8\xC0 @["), "abc xyz \xC8\xC0 @[");
    EXPECT_EQ(UpperChar('q'), 'Q');
    EXPECT_EQ(UpperChar('{'), '{');
    struct Case {
        const char* a;
        const char* b;
        int sign;
    };
    const Case cases[] = {{"abc", "ABC", 0},   {"abc", "abd", -1}, {"ab", "abc", -1}, {"b", "A", 1},
                          {"\xE8", "\xC8", 1}, {"", "", 0},        {"_", "a", 1}};  // '_' > 'A' after upper-casing
    for (const Case& c : cases) {
        int r = CompareText(c.a, c.b);
        EXPECT_EQ((r > 0) - (r < 0), c.sign) << c.a << " " << c.b;
        EXPECT_EQ(SameText(c.a, c.b), c.sign == 0) << c.a << " " << c.b;
    }
}

TEST(Text, TrimAndIntToStr)
{
    const std::string blanks = std::string("\x01\t \x20", 4);
    EXPECT_EQ(Trim(blanks + "a b" + blanks), "a b");
    EXPECT_EQ(TrimLeft(" \tx "), "x ");
    EXPECT_EQ(TrimRight(" x\n"), " x");
    EXPECT_EQ(Trim(std::string("\0x\0", 3)), "x") << "NUL counts as a blank";
    EXPECT_EQ(Trim("\xA0x"), "\xA0x") << "the no-break space is not a blank";
    EXPECT_EQ(Trim("   "), "");
    EXPECT_EQ(IntToStr(0), "0");
    EXPECT_EQ(IntToStr(-2147483648LL), "-2147483648");
    EXPECT_EQ(IntToStr(INT64_MIN), "-9223372036854775808");
}
