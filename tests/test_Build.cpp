// The Qt-free core builds on its own: every header of platform/ and report/ is compiled in one
// translation unit with no Qt on the include path (core_headers.cpp, which CMakeLists.txt writes).
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <string>

namespace zvbuild {
extern const int kCoreHeaderCount;  // the headers core_headers.cpp includes
}

TEST(Build, EveryCoreHeaderCompilesWithoutQt)
{
    int onDisk = 0;
    for (const char* dir :
         {"platform/base", "platform/data", "platform/draw", "platform/emf", "platform/device", "report"})
        for (const auto& e : std::filesystem::directory_iterator(std::filesystem::path(ZV_SOURCE_DIR) / dir))
            if (e.path().extension() == ".h") ++onDisk;
    EXPECT_GT(onDisk, 0);
    EXPECT_EQ(zvbuild::kCoreHeaderCount, onDisk) << "core_headers.cpp is out of date: configure again";
}

// The platform folders are layers: each includes only itself and the folders below it, the way
// CMakeLists.txt links their libraries. No production folder includes anything from tests/.
TEST(Build, IncludesFollowTheLayers)
{
    namespace fs = std::filesystem;
    const std::map<std::string, std::set<std::string>> allowedPlatform = {
        {"platform/base", {"base"}},
        {"platform/data", {"base", "data"}},
        {"platform/draw", {"base", "draw"}},
        {"platform/emf", {"base", "draw", "emf"}},
        {"platform/device", {"base", "draw", "device"}},
        {"report", {"base", "data", "draw", "emf", "device"}},
    };
    const std::regex include(R"re(^\s*#\s*include\s*"([^"/]+)/([^"/]+)?)re");
    int checked = 0;
    for (const auto& [dir, allowed] : allowedPlatform) {
        for (const auto& e : fs::directory_iterator(fs::path(ZV_SOURCE_DIR) / dir)) {
            std::ifstream in(e.path());
            std::string line;
            while (std::getline(in, line)) {
                std::smatch m;
                if (!std::regex_search(line, m, include)) continue;
                ++checked;
                const std::string top = m[1], sub = m[2];
                const std::string where = e.path().filename().string() + ": " + line;
                if (top == "platform")
                    EXPECT_TRUE(allowed.count(sub)) << dir << "/" << where;
                else if (dir.rfind("platform/", 0) == 0)
                    ADD_FAILURE() << dir << "/" << where << " reaches outside platform/";
                else
                    EXPECT_EQ(top, "report") << dir << "/" << where;
            }
        }
    }
    EXPECT_GT(checked, 100);
    for (const char* dir : {"platform/qt", "ui", "app", "tools", "tools/zvreport"})
        for (const auto& e : fs::directory_iterator(fs::path(ZV_SOURCE_DIR) / dir)) {
            if (!e.is_regular_file()) continue;
            std::ifstream in(e.path());
            std::string line;
            while (std::getline(in, line))
                EXPECT_EQ(line.find("#include \"tests/"), std::string::npos) << dir << "/" << e.path().filename();
        }
}
