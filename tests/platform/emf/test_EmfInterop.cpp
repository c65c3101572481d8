// Our metafiles in an independent reader: emf2svg-conv converts the test page and keeps its texts.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/base/Text.h"
#include "platform/emf/EmfRecorder.h"
#include "tests/support/EmfTestPage.h"

namespace {
namespace fs = std::filesystem;

std::string XmlEscaped(const std::string& utf8)
{
    std::string out;
    for (char c : utf8) {
        if (c == '&')
            out += "&amp;";
        else if (c == '<')
            out += "&lt;";
        else if (c == '>')
            out += "&gt;";
        else
            out += c;
    }
    return out;
}

TEST(EmfInterop, Emf2SvgConvertsTheTestPageWithItsTexts)
{
    if (std::system("command -v emf2svg-conv > /dev/null 2>&1") != 0)
        GTEST_FAIL() << "emf2svg-conv is not installed (scripts/deps.sh installs it)";
    zv::EmfRecorder rec(400, 300, "Zelvo report\0Test page");
    zvtest::DrawTestPage(rec);
    std::vector<uint8_t> bytes = rec.finish();
    fs::path dir = fs::path(ZV_BINARY_DIR) / "emf_interop";
    fs::create_directories(dir);
    fs::path emf = dir / "testpage.emf", svg = dir / "testpage.svg", err = dir / "emf2svg.err";
    {
        std::ofstream out(emf, std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    }
    fs::remove(svg);
    std::string cmd = "emf2svg-conv -i '" + emf.string() + "' -o '" + svg.string() + "' 2> '" + err.string() + "'";
    ASSERT_EQ(std::system(cmd.c_str()), 0);
    std::ifstream errIn(err);
    std::string errors((std::istreambuf_iterator<char>(errIn)), std::istreambuf_iterator<char>());
    EXPECT_EQ(errors, "");
    std::ifstream in(svg);
    std::stringstream ss;
    ss << in.rdbuf();
    std::string text = ss.str();
    ASSERT_FALSE(text.empty());
    for (const std::string& t : zvtest::TestPageTexts())
        EXPECT_NE(text.find(XmlEscaped(zv::Cp1252ToUtf8(t))), std::string::npos) << t;
    // The bitmap comes through as an embedded image, the clipping as a clip path.
    EXPECT_NE(text.find("<image"), std::string::npos);
    EXPECT_NE(text.find("clip"), std::string::npos);
}

}  // namespace
