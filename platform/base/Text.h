// Windows-1252 text: conversion to and from Unicode, ASCII case mapping and small string helpers.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace zv {

// All 256 code points convert. The five bytes that Windows-1252 leaves unassigned
// (0x81, 0x8D, 0x8F, 0x90, 0x9D) map to the C1 control characters U+0081 etc., so every byte
// round-trips. Unicode characters with no Windows-1252 form become '?'.
std::string Cp1252ToUtf8(std::string_view cp1252);
std::string Utf8ToCp1252(std::string_view utf8);  // malformed UTF-8 sequences become '?'
std::u16string Cp1252ToUtf16(std::string_view cp1252);
std::string Utf16ToCp1252(std::u16string_view utf16);
char16_t Cp1252CharToUtf16(uint8_t ch);

// ASCII-only case mapping (accented letters are left as they are).
std::string UpperCase(std::string_view s);
std::string LowerCase(std::string_view s);
char UpperChar(char c);
// Case-insensitive (ASCII) comparison: <0, 0, >0, and equality.
int CompareText(std::string_view a, std::string_view b);
bool SameText(std::string_view a, std::string_view b);

constexpr bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Blanks are the characters with codes 0 to 32.
std::string Trim(std::string_view s);
std::string TrimLeft(std::string_view s);
std::string TrimRight(std::string_view s);

std::string IntToStr(int64_t v);

}  // namespace zv
