// Formatting and parsing under the Italian settings: the reference table and the edge cases.
#include <gtest/gtest.h>

#include <charconv>
#include <fstream>
#include <string>
#include <vector>

#include "platform/Error.h"
#include "platform/Format.h"
#include "platform/FormatSettings.h"
#include "platform/Text.h"

namespace {

using zv::FloatFormat;

struct ReferenceRow {
    int line;
    std::string function, format, input, expected;
};

std::vector<ReferenceRow> ReadReference()
{
    std::ifstream in(std::string(ZV_TESTDATA_DIR) + "/formatting-it.tsv");
    std::vector<ReferenceRow> rows;
    std::string text;
    int line = 0;
    while (std::getline(in, text)) {
        ++line;
        if (text.empty() || text[0] == '#') continue;
        std::vector<std::string> cols;
        size_t start = 0;
        for (;;) {
            size_t tab = text.find('\t', start);
            cols.push_back(text.substr(start, tab == std::string::npos ? std::string::npos : tab - start));
            if (tab == std::string::npos) break;
            start = tab + 1;
        }
        if (cols.size() != 4) {
            ADD_FAILURE() << "line " << line << " has " << cols.size() << " columns";
            continue;
        }
        rows.push_back({line, cols[0], zv::Utf8ToCp1252(cols[1]), cols[2], zv::Utf8ToCp1252(cols[3])});
    }
    return rows;
}

double ParseC(const std::string& s)
{
    double v = 0;
    auto r = std::from_chars(s.data(), s.data() + s.size(), v);
    EXPECT_EQ(r.ec, std::errc()) << s;
    return v;
}

TEST(FormatReference, EveryRowMatches)
{
    const zv::FormatSettings it = zv::ItalianFormatSettings();
    const auto rows = ReadReference();
    ASSERT_GT(rows.size(), 500u);
    for (const auto& r : rows) {
        const double v = ParseC(r.input);
        std::string got;
        if (r.function == "FormatFloat")
            got = zv::FormatFloat(r.format, v, it);
        else if (r.function == "FloatToStr")
            got = zv::FloatToStr(v, it);
        else if (r.function == "FloatToStrF_Fixed_10")
            got = zv::FloatToStrF(v, FloatFormat::Fixed, 10, std::stoi(r.format), it);
        else if (r.function == "FloatToStrF_Number_10")
            got = zv::FloatToStrF(v, FloatFormat::Number, 10, std::stoi(r.format), it);
        else if (r.function == "FormatDateTime")
            got = zv::FormatDateTime(r.format, v, it);
        else {
            ADD_FAILURE() << "line " << r.line << ": unknown function " << r.function;
            continue;
        }
        EXPECT_EQ(got, r.expected) << "line " << r.line << ": " << r.function << " [" << r.format << "] " << r.input;
    }
}

}  // namespace
