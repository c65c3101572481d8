// Picture, band and sub-report placeholder objects with their stored extras.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/draw/Graphic.h"
#include "report/ZV_View.h"

namespace zv {

// Picture kinds as a template stores them.
enum TzvPictureKind : uint8_t { pkNone = 0, pkBitmap = 1, pkMetafile = 2, pkIcon = 3, pkJpeg = 4 };

class TzvCustomPictureView : public TzvView {
public:
    using TzvView::TzvView;
};

// A picture keeps its kind and the graphic's own file bytes as stored, so a template's pictures
// survive a load/save cycle byte for byte; the graphic is decoded from them when first drawn.
class TzvPictureView : public TzvCustomPictureView {
public:
    explicit TzvPictureView(TzvReport* report);
    std::string ClassName() const override { return "TzvPictureView"; }

    void Assign(const TzvView& source) override;
    void Draw(Canvas& canvas) override;
    void LoadFromStream(Stream& stream) override;
    void SaveToStream(Stream& stream) override;
    // Loads BlobPicture from a blob or graphic field and sets UseBlob. A null field leaves
    // BlobPicture empty; bytes of no known image kind raise "Formato immagine sconosciuto.".
    void GetBlob(const TField& field) override;
    // A separator, "Adattato", "Centra immagine", "Mantieni le proporzioni".
    void DefinePopupMenu(TzvPopupMenu& menu) override;
    std::string DescribeExtras() const override;

    bool PictureEmpty() const { return PictureKind == pkNone; }
    // The stored picture decoded (nullptr for pkNone); malformed bytes throw the decoder's error.
    const Graphic* Picture() const;
    // Stores graphic as the picture (its kind and file form); nullptr or an empty graphic clears it.
    void SetPicture(const Graphic* graphic);
    // The picture drawn for the current record: BlobPicture when UseBlob is set, else Picture().
    const Graphic* DrawnPicture() const { return UseBlob ? BlobPicture.get() : Picture(); }

    uint8_t PictureKind = pkNone;
    std::vector<uint8_t> PictureData;      // the graphic's file form; empty for pkNone
    std::unique_ptr<Graphic> BlobPicture;  // read from a database field for the current record
    uint8_t UseBlob = 0;

private:
    // The decoded stored picture, with the kind and checksum of the bytes it came from.
    mutable std::unique_ptr<Graphic> graphic_;
    mutable uint8_t graphicKind_ = pkNone;
    mutable uint32_t graphicSum_ = 0;
    mutable size_t graphicSize_ = 0;
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

    // The design form an editing host shows: the checkered strip across the page (down the page
    // for table bands), its frame and the caption tab with the kind's name. The preparation
    // never draws band objects.
    void Draw(Canvas& canvas) override;
    // The band's rectangle joined with its caption tab (above it, or left of a table band).
    Rect GetClipRgn(bool extended) const override;
    // The options the kind allows: "Adattato" (after a separator), "Forza pagina nuova",
    // "Stampa se i dettagli sono vuoti", "Banda interrotta", "Completa l'elenco".
    void DefinePopupMenu(TzvPopupMenu& menu) override;
    std::string DescribeExtras() const override;

    // The page the editing host shows: a horizontal band spans its width, a table band its height.
    Size HostPageSize{793, 1122};

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
