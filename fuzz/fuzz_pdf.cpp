// Fuzz target for the PDF writer: a hostile prepared report (.zvp bytes) whose loaded pages are
// written as a PDF into memory through the Qt writer; any input is refused or written, never a crash.
#include <cstdint>
#include <cstdlib>
#include <exception>

#include "platform/base/Error.h"
#include "platform/base/Stream.h"
#include "platform/qt/QtFontMetrics.h"
#include "platform/qt/Render.h"
#include "report/ZV_EMFPages.h"
#include "report/ZV_Report.h"

namespace {
constexpr size_t kMaxInput = 1 << 20;
constexpr int kMaxPages = 8;  // a few pages show every path; more only cost time
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const bool ready = [] {
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
        zv::EnsureGuiApplication();
        return true;
    }();
    (void)ready;
    if (size > kMaxInput) return 0;
    zv::TemplateVersionGuard version(29);
    zv::TzvEMFPages pages;
    try {
        zv::ReadOnlyMemoryStream in(data, size);
        pages.LoadFromStream(in);
    } catch (const zv::Exception&) {
        // the pages read before the error stay: they are written too
    }
    if (pages.Count() == 0) return 0;
    zv::MemoryStream out;
    try {
        std::unique_ptr<zv::PageDocumentWriter> writer = zv::MakePdfWriter();
        writer->begin(out, {"Titolo", 150});
        for (int i = 0; i < pages.Count() && i < kMaxPages; ++i) {
            const zv::TzvEMFPage& p = pages.Pages(i);
            writer->addPage({&p.Picture, p.PaperWidth, p.PaperHeight, p.Orientation});
        }
        writer->end();
    } catch (const zv::Exception&) {
        return 0;
    }
    // Every byte is looked at, so that the sanitizers see all of it.
    unsigned sum = 0;
    for (uint8_t b : out.data()) sum += b;
    if (out.data().size() < 5 || sum == 0) std::abort();
    return 0;
}
