// Metafiles from other producers: every valid one is accepted and played, every corrupted one is
// refused or played safely.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "platform/base/Error.h"
#include "platform/emf/EmfFormat.h"
#include "platform/emf/EmfPlayer.h"
#include "platform/emf/EmfReader.h"
#include "tests/support/TraceCanvas.h"

namespace {
namespace fs = std::filesystem;

std::vector<uint8_t> Load(const fs::path& p)
{
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::vector<fs::path> EmfFiles(const std::string& sub)
{
    std::vector<fs::path> out;
    fs::path dir = fs::path(ZV_TESTDATA_DIR) / "emf-peer" / sub;
    if (!fs::is_directory(dir)) return out;
    for (const auto& e : fs::directory_iterator(dir))
        if (e.path().extension() == ".emf") out.push_back(e.path());
    std::sort(out.begin(), out.end());
    return out;
}

TEST(EmfCorpus, EveryValidFileIsAcceptedAndPlays)
{
    auto files = EmfFiles("valid");
    ASSERT_GT(files.size(), 100u) << "the peer corpus is missing";
    size_t drawn = 0, texts = 0;
    for (const auto& f : files) {
        SCOPED_TRACE(f.filename().string());
        std::unique_ptr<zv::EmfFile> emf;
        try {
            emf = std::make_unique<zv::EmfFile>(Load(f));
        } catch (const zv::Exception& e) {
            ADD_FAILURE() << e.message();
            continue;
        }
        zv::TraceCanvas canvas;
        EXPECT_NO_THROW(zv::PlayEmf(*emf, canvas, {0, 0, 800, 600}));
        EXPECT_EQ(canvas.saveDepth(), 0);
        if (canvas.lines.size() > 4) ++drawn;
        zv::EnumerateEmf(*emf, [&](const zv::EmfRecordInfo& r) {
            if (r.isText && !r.text.empty()) ++texts;
            return zv::EmfAction::Play;
        });
    }
    // Most of the corpus draws something and many files hold text.
    EXPECT_GT(drawn, files.size() * 3 / 4);
    EXPECT_GT(texts, 100u);
}

TEST(EmfCorpus, CorruptedFilesAreRefusedOrPlayedSafely)
{
    auto files = EmfFiles("corrupted");
    ASSERT_GT(files.size(), 10u);
    size_t refused = 0;
    for (const auto& f : files) {
        SCOPED_TRACE(f.filename().string());
        try {
            zv::EmfFile emf(Load(f));
            zv::TraceCanvas canvas;
            zv::PlayEmf(emf, canvas, {0, 0, 400, 300});
        } catch (const zv::Exception& e) {
            EXPECT_EQ(e.message().rfind("Invalid metafile: ", 0), 0u) << e.message();
            ++refused;
        }
    }
    EXPECT_GT(refused, files.size() / 2);
}

}  // namespace
