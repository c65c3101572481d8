// make_demo_template [OUT.zvf]: writes the demo's barcode report template with the library's writer.
//
// The template lists the people of FormMain.ClientDataSet, one per master data band, with
// surname, first name, health-service code and an EAN-13 symbol of the barcode number; a page
// header carries the title and a page footer the page number of the total (two passes).
#include <cstdio>
#include <memory>
#include <string>

#include "platform/data/ClientDataSet.h"
#include "platform/base/Error.h"
#include "platform/base/Files.h"
#include "platform/base/Stream.h"
#include "report/ZV_CBar.h"
#include "report/ZV_Init.h"
#include "report/ZV_Memo.h"
#include "report/ZV_Picture.h"
#include "report/ZV_Report.h"
#include "report/ZV_Utils.h"

namespace {

using namespace zv;

// Page geometry in page units (96 per inch) on A4 portrait (793 x 1122) with the default
// margins 38, 38, 38, 57: the printable width runs from 38 to 755.
constexpr int32_t kLeft = 38;
constexpr int32_t kWidth = 717;
constexpr int32_t kHeaderTop = 38, kHeaderHeight = 48;
constexpr int32_t kDataTop = 100, kDataHeight = 84;
constexpr int32_t kFooterHeight = 30;
constexpr int32_t kFooterTop = 1122 - 57 - kFooterHeight;
constexpr int32_t kMemoHeight = 20;
// EAN-13 at two pixels per module is 190 pixels wide; bars and text strip fill the height.
constexpr int32_t kBarLeft = 520, kBarTop = kDataTop + 8, kBarHeight = 68, kBarModul = 2;
constexpr uint8_t kEan13 = 14;
// Two decimals with a comma: the objects' format code is fixed, not taken from the locale, so
// the file is the same wherever it is written.
constexpr uint32_t kFormatCode = 0x200u + ',';

constexpr const char* kDataSourceName = "Clienti";
constexpr const char* kDataSetOwner = "FormMain";
constexpr const char* kDataSetName = "ClientDataSet";

template <class T>
T& Place(TzvReport& report, const char* name, int32_t left, int32_t top, int32_t width, int32_t height)
{
    auto view = std::make_unique<T>(&report);
    view->Name = name;
    view->Left = left;
    view->Top = top;
    view->Width = width;
    view->Height = height;
    view->FormatCode = kFormatCode;
    return static_cast<T&>(*report.Pages[0].Add(std::move(view)));
}

TzvBandView& Band(TzvReport& report, const char* name, TzvBandKind kind, int32_t top, int32_t height)
{
    TzvBandView& band = Place<TzvBandView>(report, name, 0, top, 793, height);
    band.SetBandKind(kind);
    band.FormatCode = 0;
    return band;
}

TzvMemoView& Memo(TzvReport& report, const char* name, const std::string& text, int32_t left, int32_t top,
                  int32_t width)
{
    TzvMemoView& memo = Place<TzvMemoView>(report, name, left, top, width, kMemoHeight);
    memo.Lines = {text};
    return memo;
}

void Build(TzvReport& report, TDataSet& table)
{
    report.TwoPass = 1;

    auto* source = new TzvDBDataSet();
    source->setName(kDataSourceName);
    source->SetDataSet(&table);
    report.AddDataSource(kDataSourceName, source);

    Band(report, "BandaIntestazione", bkPageHeader, kHeaderTop, kHeaderHeight);
    TzvMemoView& title = Memo(report, "MemoTitolo", "Demo BarCode", kLeft, kHeaderTop + 8, kWidth);
    title.Height = 28;
    title.Alignment = maCenter | maMiddle;
    title.TextFont.setSize(16);
    title.TextFont.style = fsBold;
    title.Borders = frBottom;

    TzvBandView& data = Band(report, "BandaClienti", bkMainData, kDataTop, kDataHeight);
    data.FormatText = kDataSourceName;
    Memo(report, "MemoCognome", "[Cognome]", kLeft, kDataTop + 8, 300);
    Memo(report, "MemoNome", "[Nome]", kLeft, kDataTop + 8 + kMemoHeight + 4, 300);
    TzvMemoView& cs = Memo(report, "MemoCS", "[CS]", kLeft, kDataTop + 8 + 2 * (kMemoHeight + 4), 300);
    cs.TextFont.name = "Courier New";

    auto& bar = Place<TzvCodeBarreView>(report, "CodiceBarre", kBarLeft, kBarTop, 95 * kBarModul, kBarHeight);
    bar.Lines = {"[BarCode]"};
    bar.BarType = kEan13;
    bar.Checksum = 1;
    bar.ShowText = 1;
    bar.ShowCheckSumText = 1;
    bar.Modul = kBarModul;

    Band(report, "BandaPiePagina", bkPageFooter, kFooterTop, kFooterHeight);
    TzvMemoView& footer =
        Memo(report, "MemoPagina", "Pagina [PAGE#] di [TOTALPAGES]", kLeft, kFooterTop + 6, kWidth);
    footer.Alignment = maRight;
    footer.TextFont.setSize(8);
}

}  // namespace

int main(int argc, char** argv)
{
    const std::string out = argc > 1 ? argv[1] : "BarCodeDemo.zvf";
    try {
        InitReportLibrary();
        // The data source is stored by the qualified name of its dataset: owner, ".", name.
        Component form;
        form.setName(kDataSetOwner);
        auto* table = new TClientDataSet(&form);
        table->setName(kDataSetName);
        TzvReport report;
        report.setName("zvReport");
        Build(report, *table);
        SaveFileAtomically(out, [&report](Stream& s) { report.SaveToStream(s); });
    } catch (const Exception& e) {
        std::fprintf(stderr, "make_demo_template: %s\n", e.message().c_str());
        return 1;
    }
    return 0;
}
