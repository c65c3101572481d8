// File system helpers: path pieces, last-write time, folders and the replace-by-rename writer.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>

#include "platform/base/Error.h"
#include "platform/base/Files.h"
#include "platform/base/Stream.h"

using namespace zv;
namespace fs = std::filesystem;

namespace {

// A fresh folder under the build tree, removed afterwards.
class FilesTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir_ = fs::path(ZV_BINARY_DIR) / ("files_test_" + std::to_string(::getpid()) + "_" +
                                          ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    void TearDown() override
    {
        std::error_code ec;
        fs::permissions(dir_, fs::perms::owner_all, ec);
        fs::remove_all(dir_, ec);
    }
    std::string path(const char* name) const { return (dir_ / name).string(); }
    static void Write(const std::string& p, const std::string& bytes) { std::ofstream(p, std::ios::binary) << bytes; }
    // Every entry of the folder, to prove no temporary file was left behind.
    std::vector<std::string> Entries() const
    {
        std::vector<std::string> out;
        for (auto& e : fs::directory_iterator(dir_)) out.push_back(e.path().filename().string());
        std::sort(out.begin(), out.end());
        return out;
    }
    fs::path dir_;
};

}  // namespace

TEST(Paths, Pieces)
{
    struct Case {
        const char* path;
        const char* ext;
        const char* name;
        const char* folder;
        const char* changed;  // ChangeFileExt(path, ".zvp")
    };
    const Case cases[] = {
        {"/home/u/BarCodeDemo.zvf", ".zvf", "BarCodeDemo.zvf", "/home/u/", "/home/u/BarCodeDemo.zvp"},
        {"report", "", "report", "", "report.zvp"},
        {"a.b/report", "", "report", "a.b/", "a.b/report.zvp"},  // a dot in a folder is no extension
        {"dir/", "", "", "dir/", "dir/.zvp"},
        {"x.tar.gz", ".gz", "x.tar.gz", "", "x.tar.zvp"},
        {"/f.", ".", "f.", "/", "/f.zvp"},
        {"", "", "", "", ".zvp"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ExtractFileExt(c.path), c.ext) << c.path;
        EXPECT_EQ(ExtractFileName(c.path), c.name) << c.path;
        EXPECT_EQ(ExtractFilePath(c.path), c.folder) << c.path;
        EXPECT_EQ(ChangeFileExt(c.path, ".zvp"), c.changed) << c.path;
    }
    EXPECT_EQ(ChangeFileExt("a/b.emf", ""), "a/b");
    EXPECT_EQ(IncludeTrailingPathDelimiter("/tmp"), "/tmp/");
    EXPECT_EQ(IncludeTrailingPathDelimiter("/tmp/"), "/tmp/");
}

TEST(Paths, Folders)
{
    std::string cwd = GetCurrentDir();
    ASSERT_FALSE(cwd.empty());
    EXPECT_EQ(fs::path(cwd), fs::current_path());
    std::string exe = ExeDir();
    ASSERT_FALSE(exe.empty());
    EXPECT_EQ(exe.back(), '/');
    EXPECT_TRUE(fs::exists(fs::path(exe) / "test_Files")) << exe;
}

TEST_F(FilesTest, ExistenceAndReading)
{
    std::string p = path("data.bin");
    EXPECT_FALSE(FileExists(p));
    EXPECT_FALSE(FileAge(p).has_value());
    Write(p, std::string("a\0b\xFF", 4));
    EXPECT_TRUE(FileExists(p));
    EXPECT_EQ(ReadFileBytes(p), std::string("a\0b\xFF", 4));
    EXPECT_FALSE(FileExists(dir_.string())) << "a folder is not a file";
    EXPECT_THROW(ReadFileBytes(path("missing")), StreamError);
    EXPECT_THROW(ReadFileBytes(dir_.string()), StreamError);
    Write(path("empty"), "");
    EXPECT_EQ(ReadFileBytes(path("empty")), "");
}

TEST_F(FilesTest, FileAgeIsLocalTimeWithMilliseconds)
{
    std::string p = path("dated.txt");
    Write(p, "x");
    // 2024-03-15 10:20:30.456 local time, set through mktime so the local offset is the system's.
    struct tm t = {};
    t.tm_year = 2024 - 1900;
    t.tm_mon = 2;
    t.tm_mday = 15;
    t.tm_hour = 10;
    t.tm_min = 20;
    t.tm_sec = 30;
    t.tm_isdst = -1;
    time_t secs = std::mktime(&t);
    struct timespec times[2] = {{secs, 456000000}, {secs, 456000000}};
    ASSERT_EQ(::utimensat(AT_FDCWD, p.c_str(), times, 0), 0);

    auto age = FileAge(p);
    ASSERT_TRUE(age.has_value());
    // 2024-03-15 is day 45366 after 1899-12-30.
    double expected = 45366.0 + (10 * 3600 + 20 * 60 + 30) / 86400.0 + 456 / 86400000.0;
    EXPECT_NEAR(*age, expected, 0.1 / 86400000.0);

    // Before 1970 the day still floors: 1969-12-31 23:59:59.500 local.
    t = {};
    t.tm_year = 69;
    t.tm_mon = 11;
    t.tm_mday = 31;
    t.tm_hour = 23;
    t.tm_min = 59;
    t.tm_sec = 59;
    t.tm_isdst = -1;
    secs = std::mktime(&t);
    struct timespec old[2] = {{secs, 500000000}, {secs, 500000000}};
    ASSERT_EQ(::utimensat(AT_FDCWD, p.c_str(), old, 0), 0);
    age = FileAge(p);
    ASSERT_TRUE(age.has_value());
    EXPECT_NEAR(*age, 25568.0 + 86399.5 / 86400.0, 0.1 / 86400000.0);
}

TEST_F(FilesTest, SaveCreatesAndReplaces)
{
    std::string p = path("out.zvp");
    SaveFileAtomically(p, [](Stream& s) { s.writeBytes("first"); });
    EXPECT_EQ(ReadFileBytes(p), "first");
    SaveFileAtomically(p, [](Stream& s) { s.writeBytes("second, longer"); });
    EXPECT_EQ(ReadFileBytes(p), "second, longer");
    SaveFileAtomically(p, [](Stream&) {});
    EXPECT_EQ(ReadFileBytes(p), "");
    EXPECT_EQ(Entries(), std::vector<std::string>{"out.zvp"});
}

TEST_F(FilesTest, SaveThroughASymbolicLink)
{
    std::string real = path("real.zvf"), link = path("link.zvf");
    Write(real, "old");
    fs::create_symlink(real, link);
    SaveFileAtomically(link, [](Stream& s) { s.writeBytes("new"); });
    EXPECT_TRUE(fs::is_symlink(link)) << "the link stays a link";
    EXPECT_EQ(ReadFileBytes(real), "new");
    EXPECT_EQ(Entries(), (std::vector<std::string>{"link.zvf", "real.zvf"}));
}

TEST_F(FilesTest, SaveKeepsTheFileMode)
{
    std::string p = path("mode.txt");
    Write(p, "old");
    ASSERT_EQ(::chmod(p.c_str(), 0640), 0);
    SaveFileAtomically(p, [](Stream& s) { s.writeBytes("new"); });
    struct stat st;
    ASSERT_EQ(::stat(p.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);

    std::string fresh = path("fresh.txt");
    SaveFileAtomically(fresh, [](Stream& s) { s.writeBytes("x"); });
    ASSERT_EQ(::stat(fresh.c_str(), &st), 0);
    mode_t mask = ::umask(0);
    ::umask(mask);
    EXPECT_EQ(st.st_mode & 0777, 0666u & ~mask) << "a new file gets the usual mode, not the temporary's";
}

TEST_F(FilesTest, FailingWriterLeavesTheOldFile)
{
    std::string p = path("keep.zvp");
    Write(p, "old contents");
    struct Case {
        const char* what;
        std::function<void(Stream&)> writer;
        std::string message;
    };
    const Case cases[] = {
        {"throws after writing half",
         [](Stream& s) {
             s.writeBytes(std::string(100000, 'n'));
             throw Exception("boom");
         },
         "boom"},
        {"a stream error half way",
         [](Stream& s) {
             s.writeBytes("partial");
             s.readU32();  // nothing to read in a stream being written
         },
         "Stream read error"},
        {"throws before writing", [](Stream&) { throw Exception("early"); }, "early"},
    };
    for (const Case& c : cases) {
        try {
            SaveFileAtomically(p, c.writer);
            ADD_FAILURE() << c.what << ": no exception";
        } catch (const Exception& e) {
            EXPECT_EQ(e.message(), c.message) << c.what;
        }
        EXPECT_EQ(ReadFileBytes(p), "old contents") << c.what;
        EXPECT_EQ(Entries(), std::vector<std::string>{"keep.zvp"}) << c.what << ": the temporary file is gone";
    }
}

TEST_F(FilesTest, UnwritableTargets)
{
    std::string file = path("plain");
    Write(file, "x");
    // A folder that does not exist, and a "folder" that is a file: the temporary cannot be made.
    for (const std::string& target : {path("no-such-folder/out.zvp"), file + "/out.zvp"}) {
        bool called = false;
        try {
            SaveFileAtomically(target, [&](Stream&) { called = true; });
            ADD_FAILURE() << target;
        } catch (const StreamError& e) {
            EXPECT_EQ(e.message(), "Cannot create file \"" + target + "\"");
        }
        EXPECT_FALSE(called) << target;
    }
    // The target is a folder: the rename fails after writing; the folder and the folder list stay.
    fs::create_directory(path("adir"));
    EXPECT_THROW(SaveFileAtomically(path("adir"), [](Stream& s) { s.writeBytes("data"); }), StreamError);
    EXPECT_TRUE(fs::is_directory(path("adir")));
    EXPECT_EQ(Entries(), (std::vector<std::string>{"adir", "plain"}));
}

TEST_F(FilesTest, ReadOnlyFolder)
{
    std::string p = path("ro.zvp");
    Write(p, "old");
    ASSERT_EQ(::chmod(dir_.c_str(), 0555), 0);
    // Permissions do not bind root, so the save runs in a child process that gives root up first.
    // Exit 0: refused with StreamError; 1: the save went through; 2: another exception; 3: no setuid.
    EXPECT_EXIT(
        {
            if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) std::_Exit(3);
            try {
                SaveFileAtomically(p, [](Stream& s) { s.writeBytes("new"); });
            } catch (const StreamError&) {
                std::_Exit(0);
            } catch (...) {
                std::_Exit(2);
            }
            std::_Exit(1);
        },
        testing::ExitedWithCode(0), "");
    ::chmod(dir_.c_str(), 0755);
    EXPECT_EQ(ReadFileBytes(p), "old");
    EXPECT_EQ(Entries(), std::vector<std::string>{"ro.zvp"});
}
