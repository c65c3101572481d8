// Prepared pages: the scaling rules of Add, the .zvp layout, byte-exact round trips, hostile files.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

#include "platform/base/Error.h"
#include "platform/base/Files.h"
#include "platform/base/Stream.h"
#include "platform/emf/EmfFormat.h"
#include "report/ZV_Const.h"
#include "report/ZV_EMFPages.h"
#include "report/ZV_Report.h"
#include "report/ZV_Template.h"

namespace {
using namespace zv;
namespace fs = std::filesystem;

void DesignA4(TzvPage& p, int32_t scaleX, int32_t scaleY)
{
    p.PaperSize = kPaperA4;
    p.PaperWidth = 2105;  // odd widths show the rounding
    p.PaperHeight = 2970;
    p.Orientation = 0;
    p.ScaleX = scaleX;
    p.ScaleY = scaleY;
    p.Info = {0, 0, 795, 1122, 0, 0, 18, 18, 759, 1086};
}

TEST(EMFPages, AddScalesThePaperButNotThePicture)
{
    struct Case {
        int32_t sx, sy;
        int32_t code, width, height;  // stored paper
        int32_t info2, info3, info8, info9;
    } cases[] = {
        {100, 100, kPaperA4, 2105, 2970, 795, 1122, 759, 1086},
        // 2105 / 2 = 1052.5 and 795 / 2 = 397.5: halves go to the even neighbour.
        {50, 100, kPaperCustom, 1052, 2970, 398, 1122, 380, 1086},
        {200, 200, kPaperCustom, 4210, 5940, 1590, 2244, 1518, 2172},
        {100, 75, kPaperCustom, 2105, 2228, 795, 842, 759, 814},
        // A scale of 0 would divide by zero: the page is taken unscaled.
        {0, 100, kPaperA4, 2105, 2970, 795, 1122, 759, 1086},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.sx) + "x" + std::to_string(c.sy));
        TzvPage design;
        DesignA4(design, c.sx, c.sy);
        TzvEMFPages pages;
        EmfRecorder& canvas = pages.Add(design);
        EXPECT_EQ(pages.CurrentCanvas(), &canvas);
        const TzvEMFPage& p = pages.Pages(0);
        EXPECT_EQ(p.PaperSize, c.code);
        EXPECT_EQ(p.PaperWidth, c.width);
        EXPECT_EQ(p.PaperHeight, c.height);
        EXPECT_EQ(p.PageFlag, 1);
        EXPECT_EQ(p.Info[pageinfo::kPageWidth], c.info2);
        EXPECT_EQ(p.Info[pageinfo::kPageHeight], c.info3);
        EXPECT_EQ(p.Info[pageinfo::kPrintableWidth], c.info8);
        EXPECT_EQ(p.Info[pageinfo::kPrintableHeight], c.info9);
        EXPECT_EQ(p.Info[pageinfo::kPrintableLeft], 18);
        // Back to the design page's size (within the rounding of the scaled width).
        EXPECT_NEAR(p.PictureWidth, 795, 1);
        EXPECT_NEAR(p.PictureHeight, 1122, 1);
        pages.FinishPage(0);
        EXPECT_EQ(pages.CurrentCanvas(), nullptr);
        EXPECT_EQ(p.Picture.width(), p.PictureWidth);
    }
}

// Three pages on different papers, each with some drawing.
void Prepare(TzvEMFPages& pages)
{
    const int32_t scales[] = {100, 50, 100};
    for (int i = 0; i < 3; ++i) {
        TzvPage design;
        DesignA4(design, scales[i], 100);
        if (i == 2) {
            design.Orientation = 1;
            design.PaperSize = 8;  // A3
            design.PaperWidth = 2970;
            design.PaperHeight = 4200;
        }
        EmfRecorder& c = pages.Add(design);
        c.rectangle({10 + i, 10, 200, 100});
        c.textOut(20, 20, "Pagina " + std::to_string(i + 1));
        pages.FinishPage(i);
    }
}

std::vector<uint8_t> Save(TzvEMFPages& pages)
{
    MemoryStream s;
    pages.SaveToStream(s);
    return s.data();
}

uint32_t U32(const std::vector<uint8_t>& b, size_t off)
{
    uint32_t v;
    std::memcpy(&v, b.data() + off, 4);
    return v;
}

TEST(EMFPages, FileLayoutHasNextPagePositionsAfterEachPicture)
{
    TzvEMFPages pages;
    Prepare(pages);
    std::vector<uint8_t> b = Save(pages);
    ASSERT_GE(b.size(), 6u);
    EXPECT_EQ(b[0] | (b[1] << 8), 0);  // the empty string list
    EXPECT_EQ(U32(b, 2), 3u);
    size_t pos = 6;
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        const TzvEMFPage& p = pages.Pages(i);
        const uint32_t next = U32(b, pos);
        EXPECT_EQ(b[pos + 4] | (b[pos + 5] << 8), p.PaperSize);
        EXPECT_EQ(static_cast<int32_t>(U32(b, pos + 6)), p.PaperWidth);
        EXPECT_EQ(static_cast<int32_t>(U32(b, pos + 10)), p.PaperHeight);
        EXPECT_EQ(b[pos + 14], p.Orientation);
        EXPECT_EQ(b[pos + 15], 1);
        const size_t picture = pos + 16;
        EXPECT_EQ(U32(b, picture), emf::EMR_HEADER);
        EXPECT_EQ(next, picture + U32(b, picture + emf::kHeaderBytes));
        EXPECT_EQ(0, std::memcmp(b.data() + picture, p.Picture.bytes().data(), p.Picture.bytes().size()));
        pos = next;
    }
    EXPECT_EQ(pos, b.size());
}

TEST(EMFPages, SaveAndLoadRoundTripPageForPageAndByteForByte)
{
    TzvEMFPages pages;
    Prepare(pages);
    std::vector<uint8_t> first = Save(pages);
    TzvEMFPages loaded;
    MemoryStream in(first);
    loaded.LoadFromStream(in);
    ASSERT_EQ(loaded.Count(), 3);
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        const TzvEMFPage& a = pages.Pages(i);
        const TzvEMFPage& b = loaded.Pages(i);
        EXPECT_EQ(b.PaperSize, a.PaperSize);
        EXPECT_EQ(b.PaperWidth, a.PaperWidth);
        EXPECT_EQ(b.PaperHeight, a.PaperHeight);
        EXPECT_EQ(b.Orientation, a.Orientation);
        EXPECT_EQ(b.Picture.bytes(), a.Picture.bytes());
        EXPECT_EQ(b.Canvas, nullptr);
        // The geometry comes from the printer settings for the stored paper: A4 from the paper
        // table (210 mm), the custom paper as stored, A3 turned to landscape (420 mm wide).
        const int32_t widths[] = {793, 397, 1587};
        EXPECT_EQ(b.Info[pageinfo::kPageWidth], widths[i]);
        EXPECT_EQ(b.Info[pageinfo::kPrintableWidth], b.Info[pageinfo::kPageWidth] - 36);
    }
    EXPECT_EQ(Save(loaded), first);
}

// A hand-made file: a string list of two strings, then the pages of `body`.
std::vector<uint8_t> WithStringList(const std::vector<uint8_t>& saved)
{
    std::vector<uint8_t> out = {2, 0, 3, 0, 'a', 'b', 'c', 1, 0, 'x'};
    const int32_t shift = static_cast<int32_t>(out.size()) - 2;
    std::vector<uint8_t> rest(saved.begin() + 2, saved.end());
    // Move every next-page position by the longer list.
    size_t pos = 4;
    uint32_t count = U32(rest, 0);
    for (uint32_t i = 0; i < count; ++i) {
        uint32_t next = U32(rest, pos) + shift;
        std::memcpy(rest.data() + pos, &next, 4);
        pos = next - shift - 2;
    }
    out.insert(out.end(), rest.begin(), rest.end());
    return out;
}

TEST(EMFPages, ReaderDiscardsTheStringListAndReplacesThePages)
{
    TzvEMFPages pages;
    Prepare(pages);
    std::vector<uint8_t> file = WithStringList(Save(pages));
    TzvEMFPages loaded;
    Prepare(loaded);  // replaced by loading
    {
        TemplateVersionGuard old(21);  // the prepared-report reader reads lists in the current form
        TemplateVersionGuard v(29);
        MemoryStream in(file);
        loaded.LoadFromStream(in);
    }
    ASSERT_EQ(loaded.Count(), 3);
    EXPECT_EQ(loaded.Pages(2).Picture.bytes(), pages.Pages(2).Picture.bytes());
}

TEST(EMFPages, ZeroPagesLoadAsAnEmptyReport)
{
    std::vector<uint8_t> file = {0, 0, 0, 0, 0, 0};
    TzvEMFPages loaded;
    Prepare(loaded);
    MemoryStream in(file);
    loaded.LoadFromStream(in);
    EXPECT_EQ(loaded.Count(), 0);
}

TEST(EMFPages, DamagedFilesAreRefused)
{
    TzvEMFPages pages;
    Prepare(pages);
    const std::vector<uint8_t> good = Save(pages);
    const size_t page2 = U32(good, 6);
    struct Case {
        const char* name;
        std::function<void(std::vector<uint8_t>&)> damage;
        std::string message;
        int pagesLeft;  // pages read before the fault
    } cases[] = {
        {"truncated in the second picture", [&](auto& b) { b.resize(page2 + 100); }, "Stream read error", 1},
        {"truncated in the header", [](auto& b) { b.resize(4); }, "Stream read error", 0},
        {"page count beyond the data", [](auto& b) { b[5] = 0x40; }, "Stream read error", 3},
        {"next page going back", [](auto& b) { std::memset(b.data() + 6, 0, 4); }, "Stream read error", 1},
        {"next page past the end",
         [](auto& b) {
             uint32_t v = 0x7FFFFFFF;
             std::memcpy(b.data() + 6, &v, 4);
         },
         "Stream read error", 1},
        {"picture with a bad signature", [](auto& b) { b[22 + emf::kHeaderSignature] ^= 1; },
         "Invalid metafile: bad header", 0},
        {"picture longer than the file",
         [](auto& b) {
             uint32_t v = 0x10000000;
             std::memcpy(b.data() + 22 + emf::kHeaderBytes, &v, 4);
         },
         "Stream read error", 0},
        {"picture with a damaged record",
         [](auto& b) {
             // The record after the header is a SETTEXTALIGN: make its size odd.
             size_t rec = 22 + U32(b, 22 + 4);
             b[rec + 4] = 13;
         },
         "Invalid metafile: record 1 (EMR_SETTEXTALIGN) at offset 108: bad record size", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<uint8_t> b = good;
        c.damage(b);
        TzvEMFPages loaded;
        MemoryStream in(b);
        try {
            loaded.LoadFromStream(in);
            ADD_FAILURE() << "accepted";
        } catch (const Exception& e) {
            EXPECT_EQ(e.message(), c.message);
        }
        EXPECT_EQ(loaded.Count(), c.pagesLeft);
    }
}

TEST(EMFPages, FileNamesGetTheExtensionOnlyWithoutAnyPoint)
{
    EXPECT_EQ(PreparedReportFileName("/tmp/report"), "/tmp/report.zvp");
    EXPECT_EQ(PreparedReportFileName("/tmp/report.bak"), "/tmp/report.bak");
    EXPECT_EQ(PreparedReportFileName("/tmp/dir.d/report"), "/tmp/dir.d/report");
    EXPECT_EQ(PreparedReportFileName("report.zvp"), "report.zvp");
}

TEST(EMFPages, PreparedReportFilesRoundTripAndKeepTheTemplateVersion)
{
    fs::path dir = fs::path(ZV_BINARY_DIR) / "emfpages_test";
    fs::remove_all(dir);
    fs::create_directories(dir);
    TzvEMFPages pages;
    Prepare(pages);
    const std::string base = (dir / "rapporto").string();
    SavePreparedReport(pages, base);
    ASSERT_TRUE(fs::exists(base + ".zvp"));
    TzvEMFPages loaded;
    {
        TemplateVersionGuard v(23);
        LoadPreparedReport(loaded, base);
        EXPECT_EQ(zvState().TemplateVersion, 23);
    }
    EXPECT_EQ(loaded.Count(), 3);
    const std::vector<uint8_t> again = Save(loaded);
    EXPECT_EQ(ReadFileBytes(base + ".zvp"), std::string(again.begin(), again.end()));
    // Saving replaces the file as a whole.
    TzvEMFPages one;
    TzvPage design;
    DesignA4(design, 100, 100);
    one.Add(design);
    SavePreparedReport(one, base);
    LoadPreparedReport(loaded, base + ".zvp");
    EXPECT_EQ(loaded.Count(), 1);
    // A load that fails leaves the version as it was.
    {
        TemplateVersionGuard v(25);
        EXPECT_THROW(LoadPreparedReport(loaded, (dir / "missing").string()), StreamError);
        EXPECT_EQ(zvState().TemplateVersion, 25);
    }
}

TEST(EMFPages, SavingWithoutPagesFailsAndWritesNothing)
{
    fs::path dir = fs::path(ZV_BINARY_DIR) / "emfpages_empty";
    fs::remove_all(dir);
    fs::create_directories(dir);
    TzvEMFPages pages;
    try {
        SavePreparedReport(pages, (dir / "vuoto").string());
        FAIL() << "saved";
    } catch (const Exception& e) {
        EXPECT_EQ(e.message(), kNoPreparedPages);
    }
    EXPECT_TRUE(fs::is_empty(dir));
}

}  // namespace
