// Picture, band and sub-report placeholder objects with their stored extras.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "report/ZV_View.h"

namespace zv {

// Picture kinds as a template stores them.
enum TzvPictureKind : uint8_t { pkNone = 0, pkBitmap = 1, pkMetafile = 2, pkIcon = 3, pkJpeg = 4 };

class TzvCustomPictureView : public TzvView {
public:
    using TzvView::TzvView;
};

// A picture keeps its kind and the graphic's own file bytes as stored; decoding them into an
// image is the picture renderer's work.
class TzvPictureView : public TzvCustomPictureView {
public:
    explicit TzvPictureView(TzvReport* report);
    std::string ClassName() const override { return "TzvPictureView"; }

    void Assign(const TzvView& source) override;
    // Background and frame only; the stored graphic is not decoded here.
    void Draw(Canvas& canvas) override;
    void LoadFromStream(Stream& stream) override;
    void SaveToStream(Stream& stream) override;
    std::string DescribeExtras() const override;

    bool PictureEmpty() const { return PictureKind == pkNone; }

    uint8_t PictureKind = pkNone;
    std::vector<uint8_t> PictureData;  // the graphic's file form; empty for pkNone
    uint8_t UseBlob = 0;
};

// A band marker; its band kind is the low byte of Borders.
class TzvBandView : public TzvView {
public:
    explicit TzvBandView(TzvReport* report);
    ~TzvBandView() override;
    std::string ClassName() const override { return "TzvBandView"; }

    TzvBandKind BandKind() const { return static_cast<TzvBandKind>(Borders & 0xFF); }
    void SetBandKind(TzvBandKind kind) { Borders = kind; }
    bool UsesDataSource() const override { return IsDataBandKind(Borders & 0xFF); }
    // Each option counts only for the band kinds that allow it.
    static bool Allows(uint16_t option, int kind);
    bool Stretched() const { return Has(boStretched); }
    bool NewPage() const { return Has(boNewPage); }
    bool PrintIfEmpty() const { return Has(boPrintIfEmpty); }
    bool Breakable() const { return Has(boBreakable); }
    bool CompleteList() const { return Has(boCompleteList); }

    // Background and frame only; the caption tab belongs to an editing host.
    void Draw(Canvas& canvas) override;
    // The band's rectangle joined with its caption tab (above it, or left of a table band).
    Rect GetClipRgn(bool extended) const override;
    std::string DescribeExtras() const override;

private:
    bool Has(uint16_t option) const { return (Options & option) && Allows(option, Borders & 0xFF); }
};

// A placeholder for another design page printed inside its area.
class TzvSubReportView : public TzvView {
public:
    explicit TzvSubReportView(TzvReport* report);
    // Unless Deleting is set, deletes the design page it refers to.
    ~TzvSubReportView() override;
    std::string ClassName() const override { return "TzvSubReportView"; }

    void Assign(const TzvView& source) override;
    void Draw(Canvas& canvas) override;
    void LoadFromStream(Stream& stream) override;
    void SaveToStream(Stream& stream) override;
    std::string DescribeExtras() const override;

    uint8_t Deleting = 0;
    int32_t SubPage = 0;
};

}  // namespace zv
