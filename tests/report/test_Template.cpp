// Tests of the template file: round trips, hand-built old versions, corrupt input, file loading rules.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include <unistd.h>

#include "platform/base/Error.h"
#include "platform/base/Files.h"
#include "platform/base/Stream.h"
#include "platform/data/ClientDataSet.h"
#include "platform/device/UiServices.h"
#include "report/ZV_Barcode.h"
#include "report/ZV_CBar.h"
#include "report/ZV_Const.h"
#include "report/ZV_Memo.h"
#include "report/ZV_Picture.h"
#include "report/ZV_Report.h"
#include "report/ZV_Utils.h"
#include "tests/support/TemplateBytes.h"
#include "tests/support/TraceCanvas.h"

using namespace zv;
using zvtest::Bytes;
using zvtest::Common;
using zvtest::PageRec;

namespace {

const std::string kCorrupt = kMsgCorruptTemplate;

// With ZV_WRITE_SEEDS=DIR the templates built here are also written to DIR (the fuzz seed corpus).
void Seed(const std::string& name, const std::vector<uint8_t>& bytes)
{
    const char* dir = std::getenv("ZV_WRITE_SEEDS");
    if (!dir) return;
    std::ofstream(std::string(dir) + "/" + name + ".zvf", std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

class TemplateTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        DefaultHeadlessUi().messages.clear();
        form = new Component();
        form->setName("FormMain");
        table = new TClientDataSet(form);
        table->setName("Table1");
        button = new Component(form);
        button->setName("Button1");
        ApplicationRegistry::instance().addForm(form);
    }
    void TearDown() override
    {
        report.reset();
        other.reset();
        delete form;
        DefaultHeadlessUi().messages.clear();
    }
    std::vector<HeadlessUi::Message>& boxes() { return DefaultHeadlessUi().messages; }

    void Load(const Bytes& bytes, TzvReport& r)
    {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        Seed(std::string(info->name()) + "-" + std::to_string(seedCount++), bytes.b);
        MemoryStream s = bytes.stream();
        r.LoadFromStream(s);
    }
    std::vector<uint8_t> Save(TzvReport& r)
    {
        MemoryStream s;
        r.SaveToStream(s);
        return s.data();
    }
    // The state a failed load leaves: one empty A4 page, no data sources, the corrupt box last.
    void ExpectFailedLoadState(TzvReport& r)
    {
        ASSERT_FALSE(boxes().empty());
        EXPECT_EQ(boxes().back().text, kCorrupt);
        EXPECT_EQ(boxes().back().caption, "Errore");
        EXPECT_EQ(boxes().back().flags, MB_ICONERROR);
        ASSERT_EQ(r.Pages.Count(), 1);
        EXPECT_EQ(r.Pages[0].Count(), 0);
        EXPECT_EQ(r.Pages[0].PaperSize, 9);
        EXPECT_TRUE(r.DataSources().empty());
        EXPECT_EQ(r.Values.Count(), 0);
        EXPECT_TRUE(r.Variables.empty());
        EXPECT_EQ(r.TwoPass, 0);
    }

    int seedCount = 0;
    Component* form = nullptr;
    TDataSet* table = nullptr;
    Component* button = nullptr;
    std::unique_ptr<TzvReport> report = std::make_unique<TzvReport>();
    std::unique_ptr<TzvReport> other;
};

// A report that uses every class and every stored field with values other than the defaults.
void FillRichTemplate(TzvReport& r, TDataSet* table)
{
    zvState().CurrentReport = &r;
    r.TwoPass = 1;
    r.InterleavePages = -1;
    r.InterleavedNumbering = 1;
    TzvPage& p0 = r.Pages[0];
    p0.ChangePaper(5, 0, 0, 1);  // legal, landscape
    p0.Margins = {10, 20, 30, 40};
    p0.PageHeaderOnFirst = 0;
    p0.PageFooterOnLast = 0;
    p0.RepeatTableHeader = -1;
    p0.ContinuePrevious = 1;
    p0.ColumnCount = 3;
    p0.ColumnGap = 12;
    p0.ScaleX = 90;
    p0.ScaleY = 110;
    TzvPage& p1 = r.Pages.Add();
    p1.ChangePaper(256, 1234, 2345, 0);

    auto* band = static_cast<TzvBandView*>(p0.Add(std::make_unique<TzvBandView>(&r)));
    band->SetBandKind(bkMainData);
    band->FormatText = "Clienti";
    band->Options = boStretched | boNewPage;
    band->Top = 100;
    band->Height = 40;
    band->Lines = {"band line"};

    auto* memo = static_cast<TzvMemoView*>(p0.Add(std::make_unique<TzvMemoView>(&r)));
    memo->Left = -5;
    memo->Top = 110;
    memo->Width = 300;
    memo->Height = 18;
    memo->Options = moStretched | moWordWrap;
    memo->Borders = frLeft | frTop;
    memo->BorderWidth = 3;
    memo->BorderColor = 0x00112233;
    memo->BorderStyle = 2;
    memo->BackColor = 0x80000005;
    memo->FormatCode = 0x01020A2E;
    memo->FormatText = "#,##0.00";
    memo->Lines = {"[Clienti.\"Cognome\"] [Nome]", "", "seconda \xE8 riga"};
    memo->Visible = 0;
    memo->TextFont.name = "Times New Roman";
    memo->TextFont.setSize(14);
    memo->TextFont.style = fsBold | fsUnderline;
    memo->TextFont.color = 0x000000FF;
    memo->Alignment = maCenter | maBottom;
    memo->HighlightStyle = fsBold | fsItalic;
    memo->HighlightFontColor = 0x00FF0000;
    memo->HighlightBackColor = 0x0000FFFF;
    memo->HighlightActive = -1;
    memo->HighlightExpr = "[Importo] > 100";

    auto* pic = static_cast<TzvPictureView*>(p0.Add(std::make_unique<TzvPictureView>(&r)));
    pic->PictureKind = pkJpeg;
    pic->PictureData = {0xFF, 0xD8, 0xFF, 0xE0, 1, 2, 3, 0, 0xFF, 0xD9};
    pic->Lines = {"[Foto]"};

    auto* sub = static_cast<TzvSubReportView*>(p0.Add(std::make_unique<TzvSubReportView>(&r)));
    sub->SubPage = 1;

    auto* bar = static_cast<TzvCodeBarreView*>(p1.Add(std::make_unique<TzvCodeBarreView>(&r)));
    bar->Checksum = 0;
    bar->ShowText = 0;
    bar->ShowCheckSumText = 1;
    bar->BarType = 7;
    bar->Modul = 3;
    bar->Ratio = 2.5;
    bar->Lines = {"[Codice]"};

    auto* plain = new TzvDataset();
    plain->setName("Contatore");
    plain->RangeEnd = reCount;
    plain->RangeEndCount = 7;
    r.AddDataSource("Contatore", plain);
    auto* db = new TzvDBDataSet();
    db->setName("Clienti");
    db->SetDataSet(table);
    db->Filtered = true;
    db->Filter = "[Eta] > 18";
    db->RangeBegin = rbCurrent;
    db->RangeEnd = reCurrent;
    r.AddDataSource("Clienti", db);

    int i = r.Values.AddValue("Totale");
    r.Values.Items(i).Typ = 2;
    r.Values.Items(i).OtherKind = 1;
    r.Values.Items(i).FieldName = "[A] + [B]";
    i = r.Values.AddValue("Cognome");
    r.Values.Items(i).Typ = 1;
    r.Values.Items(i).DataSetName = "FormMain.Table1";
    r.Values.Items(i).FieldName = "Cognome";
    r.Variables = {"Anagrafica", " Cognome", " Totale", "Vuota"};
}

}  // namespace

// ---- round trips -----------------------------------------------------------------------------

TEST_F(TemplateTest, WrittenTemplateReadsBackToTheSameDumpAndBytes)
{
    FillRichTemplate(*report, table);
    const std::string before = DumpTemplate(*report);
    const std::vector<uint8_t> bytes = Save(*report);
    EXPECT_EQ(bytes.at(0), 29);
    Seed("rich", bytes);

    other = std::make_unique<TzvReport>();
    MemoryStream in(bytes);
    other->LoadFromStream(in);
    EXPECT_TRUE(boxes().empty()) << boxes().front().text;
    EXPECT_EQ(DumpTemplate(*other), before);
    EXPECT_EQ(Save(*other), bytes);

    // Spot checks that the dump really carries the fields.
    EXPECT_NE(before.find("source \"Clienti\" db \"FormMain.Table1\" filtered 1 filter \"[Eta] > 18\" range 1 1 0"),
              std::string::npos);
    EXPECT_NE(before.find("page 1 paper 256 1234x2345"), std::string::npos);
    EXPECT_NE(before.find("barcode checksum 0 show-text 0 show-checksum-text 1 ec-level 0 type 7 modul 3 ratio 2.5"),
              std::string::npos);
    auto* memo = dynamic_cast<TzvMemoView*>(other->Pages[0].Object(1));
    ASSERT_NE(memo, nullptr);
    EXPECT_EQ(memo->HighlightStyle, fsBold | fsItalic);
    EXPECT_EQ(memo->TextFont.size(), 14);
    EXPECT_EQ(memo->TextFont.name, "Times New Roman");
    auto* db = dynamic_cast<TzvDBDataSet*>(other->FindRegisteredDataSource("clienti"));
    ASSERT_NE(db, nullptr);
    EXPECT_EQ(db->DataSet(), table);
}

TEST_F(TemplateTest, WriterLayoutOfAnEmptyTemplate)
{
    // version, no sources, three options, one page record, values tag, no values, empty list.
    const std::vector<uint8_t> bytes = Save(*report);
    Bytes expect(29);
    expect.u8(29).u32(0).u16(0).u16(0).u16(0).page().u8(254).u32(0).u16(0);
    EXPECT_EQ(bytes, expect.b);
}

TEST_F(TemplateTest, SavingRestoresTheVersionBeingRead)
{
    for (int v : {21, 25, 29}) {
        zvState().TemplateVersion = v;
        Save(*report);
        EXPECT_EQ(zvState().TemplateVersion, v);
    }
    zvState().TemplateVersion = 29;
}

TEST_F(TemplateTest, WriterCutsLongLinesAndReaderKeepsStoredLongLines)
{
    zvState().CurrentReport = report.get();
    auto* memo = report->Pages[0].Add(std::make_unique<TzvMemoView>(report.get()));
    memo->Lines = {std::string(1500, 'x')};
    other = std::make_unique<TzvReport>();
    MemoryStream s(Save(*report));
    other->LoadFromStream(s);
    ASSERT_EQ(other->Pages[0].Count(), 1);
    EXPECT_EQ(other->Pages[0].Object(0)->Lines.at(0), std::string(1024, 'x'));

    // A stored length above 1024 is read as stored when the bytes are there.
    Bytes b(29);
    b.version().noSources().options().page();
    Common c;
    c.lines = {std::string(3000, 'y')};
    c.name = "Lungo";
    b.memo(0, c).values();
    Load(b, *report);
    ASSERT_EQ(report->Pages[0].Count(), 1);
    EXPECT_EQ(report->Pages[0].Object(0)->Lines.at(0).size(), 3000u);
}

// ---- hand-built older versions ---------------------------------------------------------------

namespace {

// One template per version: a data source (from 23), options, two pages, a memo and a data band.
Bytes OldTemplate(int v)
{
    Bytes b(v);
    b.version();
    if (v >= 23) b.u32(1).dbSource("FormMain.Table1", "Clienti", true, "[X] = 1", 1, 2, 5);
    b.options(1, 1, 1);
    PageRec p;
    p.paper = 9;
    p.orientation = 1;
    p.columns = 2;
    p.scaleX = 80;
    b.page(p).page();
    Common m;
    m.left = 100;
    m.top = 1088;
    m.width = 1088;
    m.height = 21;
    m.lines = {"riga uno", "riga due"};
    m.name = "Testo";
    m.visible = 0;
    b.memo(1, m);
    Common band;
    band.borders = bkMainData;
    band.formatText = "Clienti";
    band.formatCode = 0;
    band.top = 50;
    band.height = 40;
    band.name = "Banda";
    return b.band(0, band).values();
}

struct VersionCase {
    int version;
    bool names;       // names and visibility stored
    bool scaled;      // coordinates converted from the older unit
    bool interleave;  // InterleavePages and InterleavedNumbering stored
    bool pageScale;   // page print scale stored
    bool filter;      // data source filter stored
    bool wordWrap;    // memos get word wrap switched on
};

constexpr VersionCase kVersionCases[] = {
    {21, false, true, false, false, false, true}, {22, false, true, false, false, false, false},
    {23, true, true, true, false, false, false},  {25, true, false, true, true, false, false},
    {27, true, false, true, true, true, false},   {28, true, false, true, true, true, false},
};

}  // namespace

TEST_F(TemplateTest, OlderVersionsLoadAsTheirLayoutSays)
{
    for (const VersionCase& vc : kVersionCases) {
        SCOPED_TRACE("version " + std::to_string(vc.version));
        boxes().clear();
        report = std::make_unique<TzvReport>(form);
        report->setName("zvReport1");
        Load(OldTemplate(vc.version), *report);
        EXPECT_EQ(report->Version, vc.version);
        ASSERT_EQ(report->Pages.Count(), 2);
        ASSERT_EQ(report->Pages[1].Count(), 1);
        ASSERT_EQ(report->Pages[0].Count(), 1);
        TzvView* memo = report->Pages[1].Object(0);
        TzvView* band = report->Pages[0].Object(0);
        EXPECT_EQ(memo->ClassName(), "TzvMemoView");
        EXPECT_EQ(memo->Lines, (std::vector<std::string>{"riga uno", "riga due"}));
        EXPECT_EQ(memo->Name, vc.names ? "Testo" : "Memo1");
        EXPECT_EQ(band->Name, vc.names ? "Banda" : "Band1");
        EXPECT_EQ(memo->Visible, vc.names ? 0 : 1);
        // 100 * 1123 / 1088 = 103.2; 1088 -> 1123; 21 -> 21.67 -> 22.
        EXPECT_EQ(memo->Left, vc.scaled ? 103 : 100);
        EXPECT_EQ(memo->Top, vc.scaled ? 1123 : 1088);
        EXPECT_EQ(memo->Width, vc.scaled ? 1123 : 1088);
        EXPECT_EQ(memo->Height, vc.scaled ? 22 : 21);
        EXPECT_EQ(memo->Options & moWordWrap, vc.wordWrap ? moWordWrap : 0);
        EXPECT_EQ(report->TwoPass, 1);
        EXPECT_EQ(report->InterleavePages, vc.interleave ? 1 : 0);
        EXPECT_EQ(report->InterleavedNumbering, vc.interleave ? 1 : 0);
        const TzvPage& p0 = report->Pages[0];
        EXPECT_EQ(p0.ColumnCount, 2);
        EXPECT_EQ(p0.ScaleX, vc.pageScale ? 80 : 100);
        // Landscape A4 settles to the swapped table size.
        EXPECT_EQ(p0.PaperWidth, 2970);
        EXPECT_EQ(p0.PaperHeight, 2100);
        EXPECT_EQ(p0.PrnWidth, 1122);
        EXPECT_EQ(p0.PrnHeight, 793);
        if (vc.version >= 23) {
            auto* db = dynamic_cast<TzvDBDataSet*>(report->FindRegisteredDataSource("Clienti"));
            ASSERT_NE(db, nullptr);
            EXPECT_EQ(db->DataSet(), table);
            EXPECT_EQ(db->Filtered, vc.filter);
            EXPECT_EQ(db->Filter, vc.filter ? "[X] = 1" : "");
            EXPECT_EQ(db->RangeBegin, rbCurrent);
            EXPECT_EQ(db->RangeEnd, reCount);
            EXPECT_EQ(db->RangeEndCount, 5);
            EXPECT_TRUE(boxes().empty());
        } else {
            // Before 23 the data band's source must be a component: none is, so the user is warned.
            EXPECT_TRUE(report->DataSources().empty());
            ASSERT_EQ(boxes().size(), 1u);
            EXPECT_EQ(boxes()[0].text, std::string(kMsgDataSetNotFound) + "Clienti");
            EXPECT_EQ(boxes()[0].caption, "Attenzione");
            EXPECT_EQ(boxes()[0].flags, MB_ICONWARNING);
        }
        // Written back, the template is version 29 and reads back the same.
        const std::string dump = DumpTemplate(*report);
        other = std::make_unique<TzvReport>(form);
        MemoryStream s(Save(*report));
        other->LoadFromStream(s);
        std::string again = DumpTemplate(*other);
        EXPECT_EQ(again.substr(again.find('\n')), dump.substr(dump.find('\n')));
        other.reset();
        report.reset();
    }
}

TEST_F(TemplateTest, VersionTwentyOneDataBandFindsAComponentOfTheOwner)
{
    report = std::make_unique<TzvReport>(form);
    auto* source = new TzvDataset(form);
    source->setName("Clienti");
    Load(OldTemplate(21), *report);
    EXPECT_TRUE(boxes().empty());
}

TEST_F(TemplateTest, FirstByteTwentyOrLessIsReadAsVersionTwentyOne)
{
    for (uint8_t first : {0, 20}) {
        boxes().clear();
        Bytes b(21);
        b.u8(first).u8(0).u16(1).list({});  // ignored options, TwoPass, ignored list
        b.page();
        Load(b, *report);
        EXPECT_TRUE(boxes().empty());
        EXPECT_EQ(report->Version, 21);
        EXPECT_EQ(report->TwoPass, 1);
        EXPECT_EQ(report->Pages.Count(), 1);
    }
}

TEST_F(TemplateTest, OldStringListForm)
{
    struct Case {
        std::string bytes;
        std::vector<std::string> lines;
    } cases[] = {
        {std::string("AB\rCD\0", 6), {"AB", "CD"}}, {std::string("AB\r\0", 4), {"AB"}},   {std::string("\0", 1), {}},
        {std::string("\r\rX\0", 4), {"", "", "X"}}, {std::string("A\nB\0", 4), {"A\nB"}},
    };
    TemplateVersionGuard v(25);
    for (const Case& c : cases) {
        MemoryStream s(std::vector<uint8_t>(c.bytes.begin(), c.bytes.end()));
        std::vector<std::string> lines{"old"};
        ReadStrings(s, lines);
        EXPECT_EQ(lines, c.lines);
        EXPECT_EQ(s.position(), s.size());
    }
    // Without its NUL the list runs short.
    MemoryStream s(std::vector<uint8_t>{'A', 'B'});
    std::vector<std::string> lines;
    EXPECT_THROW(ReadStrings(s, lines), StreamError);
}

TEST_F(TemplateTest, TagAboveTenEndsReadingQuietly)
{
    Bytes b(29);
    b.version().noSources().options().page();
    Common c;
    c.name = "Primo";
    b.memo(0, c).u8(200).raw("anything at all, never read");
    Load(b, *report);
    EXPECT_TRUE(boxes().empty());
    ASSERT_EQ(report->Pages[0].Count(), 1);
    EXPECT_EQ(report->Pages[0].Object(0)->Name, "Primo");
}

TEST_F(TemplateTest, MissingDataSetIsSkippedWithAWarning)
{
    Bytes b(29);
    b.version().u32(4).dbSource("FormMain.Nessuno", "A").plainSource("B", 0, 2, 3);
    b.dbSource("Altro.Table1", "C").dbSource("FormMain.Button1", "D").options().page().values();
    Load(b, *report);
    ASSERT_EQ(boxes().size(), 3u);
    const char* names[] = {"FormMain.Nessuno", "Altro.Table1", "FormMain.Button1"};  // a button is no dataset
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(boxes()[i].text, std::string(kMsgDataSetNotFound) + names[i]);
        EXPECT_EQ(boxes()[i].caption, "Attenzione");
        EXPECT_EQ(boxes()[i].flags, MB_ICONWARNING);
    }
    ASSERT_EQ(report->DataSources().size(), 1u);
    EXPECT_EQ(report->DataSources()[0].Name, "B");
    EXPECT_EQ(report->DataSources()[0].Source->RangeEndCount, 3);
    EXPECT_EQ(report->Pages.Count(), 1);
}

// ---- corrupt templates -----------------------------------------------------------------------

TEST_F(TemplateTest, TypeCodesFourToNineAreCorrupt)
{
    for (uint8_t tag = 4; tag <= 9; ++tag) {
        SCOPED_TRACE(int(tag));
        boxes().clear();
        Bytes b(29);
        b.version().u32(1).plainSource("S").options().page();
        b.u8(tag).u8(0).common(Common{});
        Load(b, *report);
        ASSERT_EQ(boxes().size(), 1u);
        ExpectFailedLoadState(*report);
    }
}

TEST_F(TemplateTest, PageIndexAheadOfItsPageRecordIsCorrupt)
{
    Bytes b(29);
    b.version().u32(1).plainSource("S").options().page();
    Common c;
    c.name = "Avanti";
    b.memo(1, c).page().values();
    Load(b, *report);
    ASSERT_EQ(boxes().size(), 1u);
    ExpectFailedLoadState(*report);
}

TEST_F(TemplateTest, UnknownAddInShowsBothBoxes)
{
    Bytes b(29);
    b.version().noSources().options().page();
    b.u8(10).list({"TzvGraficoView"}).u8(0).common(Common{});
    Load(b, *report);
    ASSERT_EQ(boxes().size(), 2u);
    EXPECT_EQ(boxes()[0].text,
              "Oggetto non trovato : TzvGraficoView.\n\rUn componente avanzato presente nel report, \n\rnon \xE8 "
              "stato inserito nel programma che ne fa uso.");
    EXPECT_EQ(boxes()[0].caption, "Errore");
    EXPECT_EQ(boxes()[0].flags, MB_ICONERROR);
    ExpectFailedLoadState(*report);
}

TEST_F(TemplateTest, BarcodeAddInLoadsByClassName)
{
    Bytes b(29);
    b.version().noSources().options().page();
    Common c;
    c.lines = {"123"};
    c.name = "Codice";
    b.u8(10).list({"TzvCodeBarreView"}).u8(0).common(c);
    b.u8(0).u8(1).u8(1).u8(0).u8(3).i32(2);
    b.u32(0).u32(0x40080000);  // 3.0
    b.u32(0).u32(0);
    b.values();
    Load(b, *report);
    EXPECT_TRUE(boxes().empty());
    ASSERT_EQ(report->Pages[0].Count(), 1);
    auto* bar = dynamic_cast<TzvCodeBarreView*>(report->Pages[0].Object(0));
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(bar->Kind, otAddIn);
    EXPECT_EQ(bar->Checksum, 0);
    EXPECT_EQ(bar->ShowCheckSumText, 1);
    EXPECT_EQ(bar->BarType, 3);
    EXPECT_EQ(bar->Modul, 2);
    EXPECT_EQ(bar->Ratio, 3.0);
    EXPECT_EQ(bar->Name, "Codice");
}

TEST_F(TemplateTest, TwoDimensionalAndUnknownBarcodeTypesKeepTypeAndLevelAndTheUnknownDrawsAnErrorBox)
{
    struct Case {
        uint8_t type, level;
    };
    const Case cases[] = {{bcQRCode, 3}, {bcPDF417, 9}, {bcDataMatrix, 0}, {200, 7}};
    for (const Case& c : cases) {
        auto* bar =
            static_cast<TzvCodeBarreView*>(report->Pages[0].Add(std::make_unique<TzvCodeBarreView>(report.get())));
        bar->BarType = c.type;
        bar->EcLevel = c.level;
        bar->Width = 150;
    }
    const std::vector<uint8_t> bytes = Save(*report);
    other = std::make_unique<TzvReport>();
    MemoryStream in(bytes);
    other->LoadFromStream(in);
    EXPECT_TRUE(boxes().empty());
    ASSERT_EQ(other->Pages[0].Count(), 4);
    for (int i = 0; i < 4; ++i) {
        auto* bar = dynamic_cast<TzvCodeBarreView*>(other->Pages[0].Object(i));
        ASSERT_NE(bar, nullptr);
        EXPECT_EQ(bar->BarType, cases[i].type);
        EXPECT_EQ(bar->EcLevel, cases[i].level);
    }
    EXPECT_EQ(Save(*other), bytes);

    TraceCanvas canvas;
    auto* unknown = static_cast<TzvCodeBarreView*>(other->Pages[0].Object(3));
    unknown->Draw(canvas);
    EXPECT_NE(canvas.text().find("'Tipo di codice a barre sconosciuto: 200'"), std::string::npos) << canvas.text();
    EXPECT_EQ(unknown->Width, 150);
}

TEST_F(TemplateTest, DamagedRecordsAreCorrupt)
{
    auto base = [] {
        Bytes b(29);
        b.version().u32(1).plainSource("S").options().page();
        return b;
    };
    struct Case {
        const char* what;
        Bytes bytes;
    };
    std::vector<Case> cases;
    {
        Bytes b = base();
        b.u8(1).u8(0).common(Common{}).u8(5).u32(0);
        cases.push_back({"picture kind above 4", b});
    }
    {
        Bytes b = base();
        b.u8(1).u8(0).common(Common{}).u8(4);
        b.u32(static_cast<uint32_t>(b.b.size() + 4 + 100)).raw("short");
        cases.push_back({"picture data shorter than its end position", b});
    }
    {
        Bytes b = base();
        b.u8(1).u8(0).common(Common{}).u8(0).u32(3);
        cases.push_back({"picture end position behind the data", b});
    }
    {
        Bytes b = base();
        b.u8(254).u32(0xFFFFFFFF);
        cases.push_back({"value count beyond the file", b});
    }
    {
        Bytes b(29);
        b.version().u32(0x7FFFFFFF);
        cases.push_back({"data source count beyond the file", b});
    }
    {
        Bytes b = base();
        b.u8(0).u8(0).i32(0).i32(0).i32(0).i32(0).u16(0).u16(0).i32(1).u32(0).u16(0).u32(0).u32(0);
        b.u16(0xFFFF).u16(1);
        cases.push_back({"line count beyond the file", b});
    }
    {
        Bytes b = base();
        b.u8(0).u8(0).common(Common{}).memoExtras();
        b.b.resize(b.b.size() - 3);
        cases.push_back({"memo extras cut short", b});
    }
    {
        Bytes b = base();
        b.u8(3).u8(0).common(Common{}).u16(1);
        cases.push_back({"sub-report page index cut short", b});
    }
    {
        Bytes b = base();
        b.u8(10).list({"TzvCodeBarreView"}).u8(0).common(Common{}).raw("0123456789");
        cases.push_back({"barcode record cut short", b});
    }
    {
        Bytes b = base();
        b.u8(255).i32(9).i32(2100);
        cases.push_back({"page record cut short", b});
    }
    for (Case& c : cases) {
        SCOPED_TRACE(c.what);
        boxes().clear();
        Load(c.bytes, *report);
        ASSERT_EQ(boxes().size(), 1u);
        ExpectFailedLoadState(*report);
    }
}

TEST_F(TemplateTest, EveryTruncationOfAWrittenTemplateLoadsOrFailsCleanly)
{
    FillRichTemplate(*report, table);
    const std::vector<uint8_t> bytes = Save(*report);
    // The values section is the tail: a cut anywhere after its tag is corrupt.
    MemoryStream tail;
    {
        TemplateVersionGuard v;
        tail.writeU8(254);
        report->Values.WriteBindings(tail);
        WriteStrings(tail, report->Variables);
    }
    const size_t valuesTag = bytes.size() - tail.data().size();
    ASSERT_EQ(bytes[valuesTag], 254);
    int corrupt = 0, loaded = 0;
    for (size_t cut = 1; cut < bytes.size(); ++cut) {
        boxes().clear();
        other = std::make_unique<TzvReport>(form);
        MemoryStream s(std::vector<uint8_t>(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(cut)));
        other->LoadFromStream(s);
        const bool failed = !boxes().empty() && boxes().back().text == kCorrupt;
        if (failed) {
            ++corrupt;
            ExpectFailedLoadState(*other);
        } else {
            ++loaded;
            EXPECT_LT(cut, valuesTag + 1) << "cut " << cut;
        }
        if (cut > valuesTag) {
            EXPECT_TRUE(failed) << "cut " << cut;
        }
    }
    EXPECT_GT(corrupt, 0);
    EXPECT_GT(loaded, 0);  // cuts at record boundaries
}

// ---- template state --------------------------------------------------------------------------

TEST_F(TemplateTest, ClearTemplateLeavesOneEmptyPage)
{
    FillRichTemplate(*report, table);
    report->FileName = "x.zvf";
    report->ClearTemplate();
    EXPECT_EQ(report->Pages.Count(), 1);
    EXPECT_EQ(report->Pages[0].Count(), 0);
    EXPECT_TRUE(report->DataSources().empty());
    EXPECT_EQ(report->Values.Count(), 0);
    EXPECT_TRUE(report->Variables.empty());
    EXPECT_EQ(report->TwoPass, 0);
    EXPECT_EQ(report->InterleavePages, 0);
    EXPECT_EQ(report->InterleavedNumbering, 0);
    EXPECT_EQ(report->FileName, "");
    // The table survives: it belongs to its form, not to the template.
    EXPECT_EQ(form->findComponent("Table1"), table);
}

TEST_F(TemplateTest, DestroyingADataBandReleasesItsDataSource)
{
    FillRichTemplate(*report, table);
    ASSERT_NE(report->FindRegisteredDataSource("Clienti"), nullptr);
    TzvView* band = report->Pages[0].Object(0);
    report->Pages[0].Remove(band).reset();
    EXPECT_EQ(report->FindRegisteredDataSource("Clienti"), nullptr);
    EXPECT_NE(report->FindRegisteredDataSource("Contatore"), nullptr);
}

// ---- files -----------------------------------------------------------------------------------

namespace {

class TempDir {
public:
    TempDir()
    {
        path_ = std::filesystem::temp_directory_path() /
                ("zvtpl-" + std::to_string(::getpid()) + "-" + std::to_string(counter_++));
        std::filesystem::create_directories(path_);
    }
    ~TempDir() { std::filesystem::remove_all(path_); }
    std::string str() const { return path_.string() + "/"; }

private:
    std::filesystem::path path_;
    static inline int counter_ = 0;
};

void WriteTemplateFile(const std::string& path, const std::string& memoName)
{
    Bytes b(29);
    b.version().noSources().options().page();
    Common c;
    c.name = memoName;
    b.memo(0, c).values();
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(b.b.data()), static_cast<std::streamsize>(b.b.size()));
}

}  // namespace

TEST_F(TemplateTest, LoadFromFileAddsTheExtensionAndKeepsTheBareName)
{
    TempDir dir;
    WriteTemplateFile(dir.str() + "demo.zvf", "Uno");
    report->LoadFromFile(dir.str() + "demo");
    EXPECT_EQ(report->FileName, "demo.zvf");
    ASSERT_EQ(report->Pages[0].Count(), 1);
    EXPECT_EQ(report->Pages[0].Object(0)->Name, "Uno");
}

TEST_F(TemplateTest, LoadFromFileErrors)
{
    TempDir dir;
    WriteTemplateFile(dir.str() + "x.zvf", "Uno");
    report = std::make_unique<TzvReport>(form);
    report->setName("zvReport");
    FillRichTemplate(*report, table);
    const std::string before = DumpTemplate(*report);

    // Missing file: the qualified component name and the file name in the message.
    try {
        report->LoadFromFile(dir.str() + "manca.zvf");
        ADD_FAILURE() << "no error";
    } catch (const Exception& e) {
        EXPECT_EQ(e.message(), "Si \xE8 tentato di caricare da disco il report 'FormMain.zvReport'. \r\nMa il file '" +
                                   dir.str() + "manca.zvf' \xE8 inesistente");
    }
    // Outside ReportDir (given without its trailing delimiter).
    report->ReportDir = dir.str().substr(0, dir.str().size() - 1);
    try {
        report->LoadFromFile("sub/x.zvf");
        ADD_FAILURE() << "no error";
    } catch (const Exception& e) {
        EXPECT_EQ(e.message(),
                  "Si \xE8 tentato di caricare il report \"FormMain.zvReport\" da una cartella non valida.\r\n"
                  "E' possibile caricare il report solo dalla cartella:  \"" +
                      dir.str() + "\"");
    }
    EXPECT_EQ(DumpTemplate(*report), before);
    EXPECT_TRUE(boxes().empty());

    // The bare name loads from ReportDir.
    report->LoadFromFile("x.zvf");
    EXPECT_EQ(report->Pages[0].Object(0)->Name, "Uno");
}

TEST_F(TemplateTest, LoadFromFileLooksBesideTheExecutableAndInPathFromExe)
{
    const std::string name = "zvtpl-beside-" + std::to_string(::getpid());
    const std::string beside = ExeDir() + name + ".zvf";
    WriteTemplateFile(beside, "Accanto");
    std::filesystem::create_directories(ExeDir() + name + "-dir");
    const std::string inSub = ExeDir() + name + "-dir/" + name + ".zvf";
    WriteTemplateFile(inSub, "Sotto");

    // From another current folder, so that only the search finds the files.
    TempDir elsewhere;
    const auto cwd = std::filesystem::current_path();
    std::filesystem::current_path(elsewhere.str());
    report->LoadFromFile(name);
    EXPECT_EQ(report->Pages[0].Object(0)->Name, "Accanto");
    report->PathFromExe = name + "-dir";
    report->LoadFromFile(name);
    EXPECT_EQ(report->Pages[0].Object(0)->Name, "Sotto");
    EXPECT_EQ(std::filesystem::current_path(), std::filesystem::path(elsewhere.str()).parent_path());
    std::filesystem::current_path(cwd);

    std::filesystem::remove(beside);
    std::filesystem::remove_all(ExeDir() + name + "-dir");
}

TEST_F(TemplateTest, AutoLoadAndReloadIfChanged)
{
    TempDir dir;
    const std::string path = dir.str() + "auto.zvf";
    WriteTemplateFile(path, "Prima");
    report->SetAutoLoad(dir.str() + "auto");
    EXPECT_EQ(report->Pages[0].Object(0)->Name, "Prima");
    EXPECT_EQ(report->LoadedPath(), path);

    // Unchanged file: nothing is read again.
    report->Pages[0].Object(0)->Name = "Cambiato";
    report->ReloadIfChanged();
    EXPECT_EQ(report->Pages[0].Object(0)->Name, "Cambiato");

    WriteTemplateFile(path, "Seconda");
    std::filesystem::last_write_time(path, std::filesystem::last_write_time(path) + std::chrono::seconds(5));
    report->ReloadIfChanged();
    EXPECT_EQ(report->Pages[0].Object(0)->Name, "Seconda");

    report->SetAutoLoad("");
    EXPECT_EQ(report->Pages.Count(), 1);
    EXPECT_EQ(report->Pages[0].Count(), 0);
}

TEST_F(TemplateTest, TemplateWithoutPagesStillLeavesOnePage)
{
    Bytes b(29);
    b.version().u32(1).plainSource("S").options().u8(96);
    Load(b, *report);
    EXPECT_TRUE(boxes().empty());
    ASSERT_EQ(report->Pages.Count(), 1);
    EXPECT_EQ(report->DataSources().size(), 1u);
}

TEST_F(TemplateTest, DataSourcesAreSortedByNameAndEqualNamesKeepTheirOrder)
{
    Bytes b(29);
    b.version().u32(4).plainSource("beta", 0, 2, 1).plainSource("Alfa", 0, 2, 2).plainSource("BETA", 0, 2, 3);
    b.plainSource("alfa", 0, 2, 4).options().page().values();
    Load(b, *report);
    std::vector<int32_t> order;
    for (const auto& e : report->DataSources()) order.push_back(e.Source->RangeEndCount);
    EXPECT_EQ(order, (std::vector<int32_t>{2, 4, 1, 3}));
    // Written and read again, the list comes back in the same order.
    other = std::make_unique<TzvReport>();
    MemoryStream s(Save(*report));
    other->LoadFromStream(s);
    EXPECT_EQ(DumpTemplate(*other), DumpTemplate(*report));
}

TEST_F(TemplateTest, LoadingReplacesTheValuesOfThePreviousTemplate)
{
    FillRichTemplate(*report, table);
    Bytes b(29);
    b.version().noSources().options().page();  // no values section
    Load(b, *report);
    EXPECT_TRUE(boxes().empty());
    EXPECT_EQ(report->Values.Count(), 0);
    EXPECT_TRUE(report->Variables.empty());
    EXPECT_EQ(report->TwoPass, 0);
}
