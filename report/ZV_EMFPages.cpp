// Prepared pages: the scaling rules of Add, and the .zvp layout with its next-page positions.
#include "report/ZV_EMFPages.h"

#include <cmath>

#include "platform/base/Error.h"
#include "platform/base/Files.h"
#include "platform/base/Stream.h"
#include "platform/emf/EmfFormat.h"
#include "report/ZV_Const.h"
#include "report/ZV_Report.h"
#include "report/ZV_Template.h"
#include "report/ZV_View.h"

namespace zv {

using namespace pageinfo;  // PageInfo entries by name
namespace {

constexpr const char* kPreparedReportExt = ".zvp";
constexpr int kPreparedReportVersion = 29;
// The fixed part of a page in the file: position, paper code, width, height, orientation, flag.
constexpr int64_t kPageFieldsSize = 4 + 2 + 4 + 4 + 1 + 1;

// Nearest integer, halves to the even neighbour.
int32_t Nearest(double v)
{
    double r = std::nearbyint(v);
    if (!(r > -2147483648.0)) return INT32_MIN;
    if (!(r < 2147483647.0)) return INT32_MAX;
    return static_cast<int32_t>(r);
}

// Reads one metafile whose header gives its length, and validates it.
EmfFile ReadPicture(Stream& s)
{
    std::vector<uint8_t> head = s.readBytes(emf::kHeaderSizeBase);
    emf::RecordView v(head);
    const uint32_t bytes = v.u32(emf::kHeaderBytes);
    if (v.u32(0) != emf::EMR_HEADER || v.u32(emf::kHeaderSignature) != emf::kSignature || bytes < emf::kHeaderSizeBase)
        throw Exception("Invalid metafile: bad header");
    std::vector<uint8_t> rest = s.readBytes(bytes - emf::kHeaderSizeBase);  // checked against the stream's size
    head.insert(head.end(), rest.begin(), rest.end());
    return EmfFile(std::move(head));
}

}  // namespace

EmfRecorder& TzvEMFPages::Add(const TzvPage& design)
{
    // A scale of 0 or less would divide by zero: such a page is printed unscaled.
    const double kx = 100.0 / (design.ScaleX > 0 ? design.ScaleX : 100);
    const double ky = 100.0 / (design.ScaleY > 0 ? design.ScaleY : 100);
    auto page = std::make_unique<TzvEMFPage>();
    page->PaperSize = (kx != 1 || ky != 1) ? kPaperCustom : design.PaperSize;
    page->PaperWidth = Nearest(design.PaperWidth / kx);
    page->PaperHeight = Nearest(design.PaperHeight / ky);
    page->Orientation = design.Orientation;
    page->PageFlag = 1;
    page->Info = design.Info;
    page->Info[kPageWidth] = Nearest(design.Info[kPageWidth] / kx);
    page->Info[kPrintableWidth] = Nearest(design.Info[kPrintableWidth] / kx);
    page->Info[kPageHeight] = Nearest(design.Info[kPageHeight] / ky);
    page->Info[kPrintableHeight] = Nearest(design.Info[kPrintableHeight] / ky);
    // The picture keeps the size of the design page.
    page->PictureWidth = Nearest(page->Info[kPageWidth] * kx);
    page->PictureHeight = Nearest(page->Info[kPageHeight] * ky);
    page->Canvas = std::make_unique<EmfRecorder>(page->PictureWidth, page->PictureHeight);
    EmfRecorder& canvas = *page->Canvas;
    pages_.push_back(std::move(page));
    return canvas;
}

EmfRecorder* TzvEMFPages::CurrentCanvas() const
{
    if (pages_.empty()) return nullptr;
    return pages_.back()->Canvas.get();
}

void TzvEMFPages::FinishPage(int index)
{
    TzvEMFPage& p = Pages(index);
    if (!p.Canvas) return;
    p.Picture = EmfFile(p.Canvas->finish());
    p.Canvas.reset();
    passCompletePages();
}

void TzvEMFPages::passCompletePages()
{
    if (!sink_ || !report_ || report_->InterleavePages != 0 || !PrepareState().FinalPass) return;
    while (passed_ < Count() && !Pages(passed_).Canvas) {
        TzvEMFPage& p = Pages(passed_);
        sink_(p);
        p.Picture = EmfFile();
        ++passed_;
    }
}

void TzvEMFPages::Reorder(const std::vector<int32_t>& order)
{
    // Anything but a permutation keeps the order as it is.
    if (order.size() != pages_.size()) return;
    std::vector<bool> seen(order.size(), false);
    for (int32_t from : order) {
        if (from < 0 || static_cast<size_t>(from) >= order.size() || seen[static_cast<size_t>(from)]) return;
        seen[static_cast<size_t>(from)] = true;
    }
    std::vector<std::unique_ptr<TzvEMFPage>> reordered(pages_.size());
    for (size_t j = 0; j < order.size(); ++j) reordered[j] = std::move(pages_[static_cast<size_t>(order[j])]);
    pages_ = std::move(reordered);
}

void TzvEMFPages::SaveToStream(Stream& s)
{
    for (int i = 0; i < Count(); ++i) FinishPage(i);
    s.writeU16(0);  // the string list: always empty
    s.writeU32(static_cast<uint32_t>(pages_.size()));
    for (const auto& p : pages_) {
        const int64_t placeholder = s.position();
        s.writeU32(static_cast<uint32_t>(placeholder));
        s.writeU16(static_cast<uint16_t>(p->PaperSize));
        s.writeI32(p->PaperWidth);
        s.writeI32(p->PaperHeight);
        s.writeU8(p->Orientation);
        s.writeU8(p->PageFlag);
        if (p->Picture.empty()) {
            // A page without a picture is stored as an empty one of its size.
            EmfRecorder blank(p->PictureWidth, p->PictureHeight);
            std::vector<uint8_t> bytes = blank.finish();
            s.writeBuffer(bytes.data(), bytes.size());
        } else {
            const auto& bytes = p->Picture.bytes();
            // The header's own length: a file may hold bytes after the end record.
            s.writeBuffer(bytes.data(), std::min<size_t>(bytes.size(), p->Picture.header().bytes));
        }
        const int64_t next = s.position();
        s.setPosition(placeholder);
        s.writeU32(static_cast<uint32_t>(next));
        s.seek(0, SeekOrigin::End);
    }
}

void TzvEMFPages::LoadFromStream(Stream& s)
{
    Clear();
    std::vector<std::string> discarded;
    ReadStrings(s, discarded);
    const uint32_t count = s.readU32();
    for (uint32_t i = 0; i < count; ++i) {
        // Every page needs its fields and a header: a count the data cannot hold is truncated data.
        if (s.remaining() < kPageFieldsSize + emf::kHeaderSizeBase) throw StreamError("Stream read error");
        const uint32_t next = s.readU32();
        auto page = std::make_unique<TzvEMFPage>();
        page->PaperSize = s.readU16();
        page->PaperWidth = s.readI32();
        page->PaperHeight = s.readI32();
        page->Orientation = s.readU8();
        page->PageFlag = s.readU8();
        page->Picture = ReadPicture(s);
        Rect frame = page->Picture.frameInPixels();
        page->PictureWidth = frame.width();
        page->PictureHeight = frame.height();
        // The paper goes through the printer settings, which give the page geometry.
        TPrinterSettings& prn = Prn();
        prn.SetPaper(page->PaperSize, page->PaperWidth, page->Orientation, page->PaperHeight);
        prn.FillPageInfo(page->Info);
        pages_.push_back(std::move(page));
        // The next page starts where this one says; it can neither go back nor leave the file.
        if (next < s.position() || next > s.size()) throw StreamError("Stream read error");
        s.setPosition(next);
    }
}

std::string PreparedReportFileName(const std::string& name)
{
    if (name.find('.') != std::string::npos) return name;
    return name + kPreparedReportExt;
}

void SavePreparedReport(TzvEMFPages& pages, const std::string& name)
{
    if (pages.Count() == 0) throw Exception(kNoPreparedPages);
    SaveFileAtomically(PreparedReportFileName(name), [&](Stream& s) { pages.SaveToStream(s); });
}

void LoadPreparedReport(TzvEMFPages& pages, const std::string& name)
{
    FileStream file(PreparedReportFileName(name), FileMode::Read);
    TemplateVersionGuard version(kPreparedReportVersion);
    pages.LoadFromStream(file);
}

}  // namespace zv
