// The Qt-free core builds on its own: every header of platform/ and report/ is compiled in one
// translation unit with no Qt on the include path (core_headers.cpp, which CMakeLists.txt writes).
#include <gtest/gtest.h>

#include <filesystem>

namespace zvbuild {
extern const int kCoreHeaderCount;  // the headers core_headers.cpp includes
}

TEST(Build, EveryCoreHeaderCompilesWithoutQt)
{
    int onDisk = 0;
    for (const char* dir : {"platform/base", "platform/data", "platform/draw", "platform/emf", "platform/device", "report"})
        for (const auto& e : std::filesystem::directory_iterator(std::filesystem::path(ZV_SOURCE_DIR) / dir))
            if (e.path().extension() == ".h") ++onDisk;
    EXPECT_GT(onDisk, 0);
    EXPECT_EQ(zvbuild::kCoreHeaderCount, onDisk) << "core_headers.cpp is out of date: configure again";
}
