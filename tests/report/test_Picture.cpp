// Tests of picture, band and sub-report objects: fitting pictures, each picture kind, blobs, band marks.
#include <gtest/gtest.h>

#include <algorithm>

#include "platform/base/Error.h"
#include "platform/base/Stream.h"
#include "platform/data/ClientDataSet.h"
#include "platform/draw/Dib.h"
#include "platform/emf/EmfGraphic.h"
#include "platform/emf/EmfPlayer.h"
#include "platform/emf/EmfRecorder.h"
#include "report/ZV_Const.h"
#include "report/ZV_Memo.h"
#include "report/ZV_Picture.h"
#include "report/ZV_Report.h"
#include "tests/support/PictureTestUtil.h"
#include "tests/support/ProcessState.h"
#include "tests/support/TraceCanvas.h"

using namespace zv;

namespace {

Bitmap Solid(int32_t w, int32_t h, uint32_t argb)
{
    Bitmap b;
    b.width = w;
    b.height = h;
    b.pixels.assign(static_cast<size_t>(w) * h, argb);
    return b;
}

// A trace canvas that also keeps the bitmaps it was asked to draw.
class KeepingCanvas : public TraceCanvas {
public:
    void stretchDraw(const Rect& dest, const Bitmap& bitmap) override
    {
        TraceCanvas::stretchDraw(dest, bitmap);
        drawn.push_back(bitmap);
    }
    std::vector<Bitmap> drawn;
};

class PictureTest : public zvtest::ProcessStateTest {
protected:
    void SetUp() override
    {
        zvState().RunMode = true;
        zvState().ErrorFlag = false;
        zvState().DrawingSuppressed = false;
        pic = std::make_unique<TzvPictureView>(&report);
        pic->Left = 10;
        pic->Top = 20;
        pic->Width = 100;
        pic->Height = 100;
    }
    void TearDown() override { pic.reset(); }
    void SetBitmap(int32_t w, int32_t h)
    {
        BitmapGraphic g(Solid(w, h, 0xFF112233));
        pic->SetPicture(&g);
    }
    std::vector<std::string> Draw(TzvView& v)
    {
        canvas.clearLog();
        canvas.drawn.clear();
        canvas.setBrush({});
        v.Draw(canvas);
        std::vector<std::string> out;
        for (const std::string& l : canvas.lines) {
            const size_t at = l.find("' font=");
            out.push_back(at == std::string::npos ? l : l.substr(0, at + 1));
        }
        return out;
    }
    std::vector<std::string> Draw() { return Draw(*pic); }

    TzvReport report;
    std::unique_ptr<TzvPictureView> pic;
    KeepingCanvas canvas;
};

using Lines = std::vector<std::string>;

}  // namespace

// ---- fitting the picture into the frame -------------------------------------------------------

TEST_F(PictureTest, StretchKeepingProportionsAndCentring)
{
    // Frame rectangle 10,20,111,121 (no frame lines).
    struct Case {
        int32_t w, h;
        uint16_t options;
        const char* drawn;
    } cases[] = {
        {200, 100, poStretched | poProportional, "stretch 10,20,111,70 bitmap=200x100"},
        {200, 100, poStretched | poProportional | poCentered, "stretch 10,45,111,95 bitmap=200x100"},
        {100, 200, poStretched | poProportional, "stretch 10,20,60,121 bitmap=100x200"},
        {100, 200, poStretched | poProportional | poCentered, "stretch 35,20,85,121 bitmap=100x200"},
        {30, 10, poStretched, "stretch 10,20,111,121 bitmap=30x10"},
        {30, 10, poStretched | poCentered, "stretch 10,20,111,121 bitmap=30x10"},
        // Upscaling keeps proportions too: kx 3.33 < ky 10, so 10 x 3.33 rounds to 33 high.
        {30, 10, poStretched | poProportional, "stretch 10,20,111,53 bitmap=30x10"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.drawn);
        SetBitmap(c.w, c.h);
        pic->Options = c.options;
        EXPECT_EQ(Draw(), Lines{c.drawn});
    }
}

TEST_F(PictureTest, NaturalSizeIsClippedToTheObject)
{
    SetBitmap(20, 10);
    pic->Options = 0;
    EXPECT_EQ(Draw(), (Lines{"save 1", "clip 10,20,111,121", "stretch 10,20,30,30 bitmap=20x10", "restore 0"}));
    pic->Options = poCentered;  // by half of (101 - 20) and (101 - 10)
    EXPECT_EQ(Draw()[2], "stretch 50,65,70,75 bitmap=20x10");
    // Larger than the object: centring moves it up and left, the clip cuts it.
    SetBitmap(301, 201);
    EXPECT_EQ(Draw()[2], "stretch -90,-30,211,171 bitmap=301x201");
}

TEST_F(PictureTest, BackgroundAndFrameAroundThePicture)
{
    SetBitmap(10, 10);
    pic->Options = poStretched;
    pic->BackColor = clYellow;
    pic->Borders = frAll;
    pic->BorderWidth = 3;  // frame rectangle 11,21,110,120
    EXPECT_EQ(Draw(), (Lines{"fill 10,20,110,120 brush=00FFFF/Solid", "stretch 11,21,110,120 bitmap=10x10",
                             "rect 10,20,111,121 pen=000000/3/Solid brush=00FFFF/Clear"}));
}

TEST_F(PictureTest, EmptyPictures)
{
    // Run mode: background and frame only.
    pic->BackColor = clYellow;
    EXPECT_EQ(Draw(), Lines{"fill 10,20,110,120 brush=00FFFF/Solid"});
    pic->Visible = 0;
    EXPECT_TRUE(Draw().empty());
    // Design mode: the placeholder text, the corner marks, and the red cross when hidden.
    zvState().RunMode = false;
    const Lines all = Draw();
    ASSERT_EQ(all.size(), 2u + 16u + 4u);
    EXPECT_EQ(all[0], "fill 10,20,111,121 brush=00FFFF/Solid");
    EXPECT_EQ(all[1], "textRect 10,20,111,121 12,22 '[Immagine]'");
    EXPECT_NE(canvas.lines[1].find("font=Arial/-11/0/0 color=000000 brush=00FFFF/Clear"), std::string::npos);
    EXPECT_EQ(all.back(), "lineTo 10,120 pen=0000FF/2/Solid");
}

// ---- picture kinds ---------------------------------------------------------------------------

TEST_F(PictureTest, EachStoredKindIsDecodedAndDrawn)
{
    pic->Options = poStretched;
    // Bitmap file.
    pic->PictureKind = pkBitmap;
    pic->PictureData = EncodeBmp(Solid(4, 3, 0xFF0000FF));
    EXPECT_EQ(Draw(), Lines{"stretch 10,20,111,121 bitmap=4x3"});
    EXPECT_EQ(canvas.drawn.at(0).at(3, 2) & 0xFFFFFF, 0x0000FFu);
    // JPEG file.
    JpegGraphic jpeg(Solid(16, 8, 0xFF808080), {});
    pic->SetPicture(&jpeg);
    EXPECT_EQ(pic->PictureKind, pkJpeg);
    EXPECT_EQ(Draw(), Lines{"stretch 10,20,111,121 bitmap=16x8"});
    // Icon file.
    pic->PictureKind = pkIcon;
    pic->PictureData = pictest::ReadFile(pictest::SampleDir() / "icon_sizes.ico");
    ASSERT_NE(pic->Picture(), nullptr);
    const Lines icon = Draw();
    ASSERT_EQ(icon.size(), 1u);
    EXPECT_EQ(icon[0], "stretch 10,20,111,121 bitmap=" + std::to_string(pic->Picture()->width()) + "x" +
                           std::to_string(pic->Picture()->height()));
    // Metafile: played as vectors into the target rectangle (a 40 x 20 picture filled red).
    EmfRecorder rec(40, 20);
    rec.setBrush({clRed, BrushStyle::Solid});
    rec.fillRect({0, 0, 40, 20});
    MetafileGraphic meta{EmfFile(rec.finish())};
    pic->SetPicture(&meta);
    EXPECT_EQ(pic->PictureKind, pkMetafile);
    pic->Options = poStretched | poProportional;  // 40 x 20 -> 101 x 50.5, rounded to 50
    Draw();
    TraceCanvas expected;
    expected.setBrush({});
    PlayEmf(meta.file(), expected, Rect{10, 20, 111, 70});
    EXPECT_EQ(canvas.lines, expected.lines);
    EXPECT_NE(std::find_if(canvas.lines.begin(), canvas.lines.end(),
                           [](const std::string& l) { return l.rfind("fill 10,20,", 0) == 0; }),
              canvas.lines.end())
        << canvas.text();
}

TEST_F(PictureTest, StoredBytesRoundTripAndDecodeWhenDrawn)
{
    // Kind 0 stores the kind and an end position 4 bytes further on.
    MemoryStream s;
    {
        TemplateVersionGuard v;
        pic->SaveToStream(s);
    }
    const std::vector<uint8_t>& bytes = s.data();
    ASSERT_GE(bytes.size(), 5u);
    const size_t at = bytes.size() - 5;
    EXPECT_EQ(bytes[at], pkNone);
    EXPECT_EQ(bytes[at + 1] | bytes[at + 2] << 8 | bytes[at + 3] << 16 | bytes[at + 4] << 24,
              static_cast<int>(bytes.size()));

    // A changed picture is decoded again; damaged bytes fail when drawn, with the decoder's text.
    SetBitmap(5, 5);
    EXPECT_EQ(pic->Picture()->width(), 5);
    SetBitmap(6, 5);
    EXPECT_EQ(pic->Picture()->width(), 6);
    pic->PictureData.resize(20);
    EXPECT_THROW(Draw(), Exception);

    // Copies take the stored picture.
    SetBitmap(7, 3);
    TzvPictureView copy(&report);
    copy.Assign(*pic);
    EXPECT_EQ(copy.PictureData, pic->PictureData);
    EXPECT_EQ(copy.Picture()->height(), 3);
}

// ---- pictures from database fields ----------------------------------------------------------

TEST_F(PictureTest, BlobPicturesByTheirFirstBytes)
{
    TClientDataSet ds;
    ds.addFieldDef("Foto", ftGraphic);
    ds.createDataSet();
    ds.append();
    const std::vector<uint8_t> bmp = EncodeBmp(Solid(3, 2, 0xFF00FF00));
    std::string header = std::string(8, '\x01') + std::string(bmp.begin(), bmp.end());
    ds.fieldByName("Foto")->setBlobBytes(header);
    ds.post();
    TField* foto = ds.fieldByName("Foto");

    pic->GetBlob(*foto);  // an 8-byte header, then B, M: a bitmap from offset 8
    EXPECT_EQ(pic->UseBlob, 1);
    ASSERT_NE(pic->BlobPicture, nullptr);
    EXPECT_EQ(pic->BlobPicture->kind(), PictureKind::Bitmap);
    EXPECT_EQ(pic->BlobPicture->width(), 3);

    ds.edit();
    foto->setBlobBytes("GIF89a....");
    ds.post();
    try {
        pic->GetBlob(*foto);
        ADD_FAILURE() << "no error";
    } catch (const Exception& e) {
        EXPECT_EQ(e.message(), kErrUnknownPictureFormat);
    }
    ds.edit();
    foto->clear();
    ds.post();
    pic->GetBlob(*foto);
    EXPECT_EQ(pic->BlobPicture, nullptr);
    EXPECT_EQ(pic->UseBlob, 1);
}

TEST_F(PictureTest, DrawingTakesTheRecordsPictureFromABoundField)
{
    TClientDataSet ds;
    ds.addFieldDef("Foto", ftBlob);
    ds.createDataSet();
    ds.append();
    const std::vector<uint8_t> bmp = EncodeBmp(Solid(8, 4, 0xFF00FF00));
    ds.fieldByName("Foto")->setBlobBytes(std::string(bmp.begin(), bmp.end()));
    ds.post();
    report.HasBlobFields = true;
    const int i = report.Values.AddValue("Foto");
    report.Values.Items(i).Typ = 1;
    report.Values.Items(i).Field = ds.fieldByName("Foto");

    SetBitmap(2, 2);
    pic->Options = poStretched;
    pic->Lines = {"[Foto]"};
    EXPECT_EQ(Draw(), Lines{"stretch 10,20,111,121 bitmap=8x4"});
    EXPECT_EQ(pic->Lines, Lines{"[Foto]"});
    // Another source line: the stored picture again.
    pic->Lines = {"[Altro]"};
    EXPECT_EQ(Draw(), Lines{"stretch 10,20,111,121 bitmap=2x2"});
    EXPECT_EQ(pic->UseBlob, 0);
}

// ---- band objects and sub-report placeholders -----------------------------------------------

TEST_F(PictureTest, HorizontalBandMarkSpansThePage)
{
    TzvBandView band(&report);
    band.SetBandKind(bkMainData);
    band.Left = 0;
    band.Top = 100;
    band.Width = 700;
    band.Height = 40;
    band.BorderWidth = 5;
    band.HostPageSize = {200, 1122};
    const Lines all = Draw(band);
    EXPECT_EQ(band.BorderWidth, 1);
    // Checkered tiles of 64, clipped to the strip 0,100,200,140.
    const Lines expected = {
        "save 1",
        "clip 0,100,200,140",
        "stretch 0,100,64,164 bitmap=64x64",
        "stretch 64,100,128,164 bitmap=64x64",
        "stretch 128,100,192,164 bitmap=64x64",
        "stretch 192,100,256,164 bitmap=64x64",
        "restore 0",
        "rect 0,100,200,140 pen=8000000F/1/Solid brush=FFFFFF/Clear",
        "fill 0,82,130,100 brush=8000000F/Solid",
        "moveTo 128,82",
        "lineTo 128,100 pen=80000010/1/Solid",
        "moveTo 129,82",
        "lineTo 129,100 pen=000000/1/Solid",
        "text 4,83 'Dati principali'",
    };
    EXPECT_EQ(all, expected);
    EXPECT_NE(canvas.lines.back().find("font=Arial/-11/0/0 color=000000 brush=8000000F/Clear"), std::string::npos);
    // The pattern is anchored at the page origin: white where x + y is even.
    ASSERT_EQ(canvas.drawn.size(), 4u);
    const Bitmap& second = canvas.drawn[1];
    EXPECT_EQ(second.at(0, 0) & 0xFFFFFF, 0xFFFFFFu);  // page 64,100
    EXPECT_EQ(second.at(1, 0) & 0xFFFFFF, 0xC0C0C0u);
    EXPECT_EQ(second.at(1, 1) & 0xFFFFFF, 0xFFFFFFu);
}

TEST_F(PictureTest, TableBandMarkSpansThePageHeight)
{
    TzvBandView band(&report);
    band.SetBandKind(bkTableData);
    band.Left = 200;
    band.Top = 30;
    band.Width = 50;
    band.Height = 900;
    band.HostPageSize = {793, 100};
    const Lines all = Draw(band);
    ASSERT_EQ(all.size(), 2u + 2u + 1u + 1u + 1u + 4u + 1u);
    EXPECT_EQ(all[1], "clip 200,0,250,100");
    EXPECT_EQ(all[2], "stretch 200,0,264,64 bitmap=64x64");
    EXPECT_EQ(all[5], "rect 200,0,250,100 pen=8000000F/1/Solid brush=FFFFFF/Clear");
    EXPECT_EQ(all[6], "fill 182,30,200,160 brush=8000000F/Solid");
    EXPECT_EQ(all[7], "moveTo 182,158");
    EXPECT_EQ(all[9], "moveTo 182,159");
    const int32_t w = canvas.metrics().textWidth(CreateRotatedFont(canvas.font()), "Dati Tabella");
    EXPECT_EQ(all[11], "text 185," + std::to_string(34 + w) + " 'Dati Tabella'");
    EXPECT_NE(canvas.lines.back().find("font=Arial/-11/0/900"), std::string::npos);
}

TEST_F(PictureTest, BandMarkOutsideThePageDrawsNoTiles)
{
    TzvBandView band(&report);
    band.SetBandKind(bkPageHeader);
    band.Top = 5000;
    band.Height = 2000000000;  // damaged geometry: the tiles stay within the page
    band.HostPageSize = {100, 100};
    const Lines all = Draw(band);
    EXPECT_EQ(std::count_if(all.begin(), all.end(), [](const std::string& l) { return l.rfind("stretch", 0) == 0; }),
              0);
}

// ---- popup menus -------------------------------------------------------------------------------

namespace {

std::vector<std::string> Captions(const TzvPopupMenu& menu)
{
    std::vector<std::string> out;
    for (const TzvMenuItem& i : menu) out.push_back(i.Caption + (i.Checked ? " *" : ""));
    return out;
}

}  // namespace

TEST_F(PictureTest, MenusOfferTheOptionsTheirObjectsAllow)
{
    if (report.Pages.Count() == 0) report.Pages.Add();
    auto* a = static_cast<TzvPictureView*>(report.Pages[0].Add(std::make_unique<TzvPictureView>(&report)));
    auto* b = static_cast<TzvPictureView*>(report.Pages[0].Add(std::make_unique<TzvPictureView>(&report)));
    auto* c = static_cast<TzvPictureView*>(report.Pages[0].Add(std::make_unique<TzvPictureView>(&report)));
    a->Selected = b->Selected = 1;
    b->Options = poStretched | poCentered | poProportional;
    TzvPopupMenu menu;
    a->DefinePopupMenu(menu);
    EXPECT_EQ(Captions(menu), (Lines{"-", "Adattato *", "Centra immagine", "Mantieni le proporzioni *"}));
    menu[2].OnClick();  // centre on: both selected pictures have it, the unselected one not
    EXPECT_EQ(a->Options, poStretched | poCentered | poProportional);
    EXPECT_EQ(b->Options, poStretched | poCentered | poProportional);
    EXPECT_EQ(c->Options, poStretched | poProportional);
    menu[1].OnClick();  // stretch off
    EXPECT_EQ(a->Options, poCentered | poProportional);
    EXPECT_EQ(b->Options, poCentered | poProportional);

    // Bands: the same bit 2 is "Forza pagina nuova", offered only where the kind allows it.
    auto* band = static_cast<TzvBandView*>(report.Pages[0].Add(std::make_unique<TzvBandView>(&report)));
    band->Selected = 1;
    struct Case {
        TzvBandKind kind;
        Lines captions;
    } cases[] = {
        {bkMainData,
         {"-", "Adattato", "Forza pagina nuova", "Stampa se i dettagli sono vuoti", "Banda interrotta",
          "Completa l'elenco"}},
        {bkPageHeader, {"-", "Adattato"}},
        {bkPageFooter, {}},
        {bkGroupHeader, {"-", "Adattato", "Forza pagina nuova", "Banda interrotta"}},
        {bkTableHeader, {"-", "Adattato"}},
        {bkTableData, {}},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(static_cast<int>(k.kind));
        band->SetBandKind(k.kind);
        TzvPopupMenu m;
        band->DefinePopupMenu(m);
        EXPECT_EQ(Captions(m), k.captions);
    }
    band->SetBandKind(bkMainData);
    TzvPopupMenu m;
    band->DefinePopupMenu(m);
    a->Options = poProportional;
    m[2].OnClick();
    EXPECT_TRUE(band->NewPage());
    EXPECT_EQ(a->Options, poProportional | poCentered);  // every selected object gets bit 2
    TzvSubReportView sub(&report);
    TzvPopupMenu none;
    sub.DefinePopupMenu(none);
    EXPECT_TRUE(none.empty());
}
