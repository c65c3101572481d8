// make_demo_template [--list] [OUT.zvf]: writes the demo's barcode report template with the library's writer.
//
// The template lists the people of FormMain.ClientDataSet, one per master data band, with
// surname, first name, health-service code and an EAN-13 symbol of the barcode number; a page
// header carries the title and a page footer the page number of the total (two passes).
// With --list it writes a plain list of the same table instead (ClientiElenco.zvf), one line per
// person: surname, first name, code, an amount and the date side by side under column headings
// in the page header, and the page footer; the spreadsheet export tests read it.
#include <cstdio>
#include <memory>
#include <string>

#include "platform/base/Error.h"
#include "platform/base/Files.h"
#include "platform/base/Stream.h"
#include "platform/data/ClientDataSet.h"
#include "report/ZV_CBar.h"
#include "report/ZV_Format.h"
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

// Both templates: two passes (for the page count) over the table as data source "Clienti".
void AddTableSource(TzvReport& report, TDataSet& table)
{
    report.TwoPass = 1;
    auto* source = new TzvDBDataSet();
    source->setName(kDataSourceName);
    source->SetDataSet(&table);
    report.AddDataSource(kDataSourceName, source);
}

void Build(TzvReport& report, TDataSet& table)
{
    AddTableSource(report, table);
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
    TzvMemoView& footer = Memo(report, "MemoPagina", "Pagina [PAGE#] di [TOTALPAGES]", kLeft, kFooterTop + 6, kWidth);
    footer.Alignment = maRight;
    footer.TextFont.setSize(8);
}

// The list: column headings and data on one line each, rows spaced so that the table fills three
// pages; the amount (the line number times 1234.5, thousands grouped, two decimals) and the date
// (dd/mm/yyyy) are left-aligned like the rest.
void BuildList(TzvReport& report, TDataSet& table)
{
    AddTableSource(report, table);

    struct Column {
        const char* name;
        const char* heading;
        const char* text;
        int32_t left, width;
        uint32_t format;
    };
    constexpr uint32_t kAmount = MakeFormatCode(fcNumber, 3, 2, ','), kDate = MakeFormatCode(fcDate, 1, 0, 0);
    constexpr Column kColumns[] = {{"Cognome", "Cognome", "[Cognome]", kLeft, 150, kFormatCode},
                                   {"Nome", "Nome", "[Nome]", 196, 150, kFormatCode},
                                   {"CS", "Codice fiscale", "[CS]", 354, 160, kFormatCode},
                                   {"Importo", "Importo", "[LINE# * 1234.5]", 522, 100, kAmount},
                                   {"Data", "Data", "[DATE]", 630, 100, kDate}};
    constexpr int32_t kListHeaderHeight = 60, kRowTop = kHeaderTop + kListHeaderHeight + 4, kRowHeight = 48;
    Band(report, "BandaIntestazione", bkPageHeader, kHeaderTop, kListHeaderHeight);
    TzvMemoView& title = Memo(report, "MemoTitolo", "Elenco clienti", kLeft, kHeaderTop + 4, kWidth);
    title.Height = 28;
    title.TextFont.setSize(14);
    TzvBandView& data = Band(report, "BandaClienti", bkMainData, kRowTop, kRowHeight);
    data.FormatText = kDataSourceName;
    for (const Column& c : kColumns) {
        Memo(report, ("Testa" + std::string(c.name)).c_str(), c.heading, c.left, kHeaderTop + 34, c.width)
            .TextFont.style = fsBold;
        Memo(report, ("Memo" + std::string(c.name)).c_str(), c.text, c.left, kRowTop + 1, c.width).FormatCode =
            c.format;
    }
    Band(report, "BandaPiePagina", bkPageFooter, kFooterTop, kFooterHeight);
    Memo(report, "MemoPagina", "Pagina [PAGE#] di [TOTALPAGES]", kLeft, kFooterTop + 6, kWidth).TextFont.setSize(8);
}

}  // namespace

int main(int argc, char** argv)
{
    const bool list = argc > 1 && std::string(argv[1]) == "--list";
    if (list) {
        --argc;
        ++argv;
    }
    const std::string out = argc > 1 ? argv[1] : list ? "ClientiElenco.zvf" : "BarCodeDemo.zvf";
    try {
        InitReportLibrary();
        // The data source is stored by the qualified name of its dataset: owner, ".", name.
        Component form;
        form.setName(kDataSetOwner);
        auto* table = new TClientDataSet(&form);
        table->setName(kDataSetName);
        TzvReport report;
        report.setName("zvReport");
        if (list)
            BuildList(report, *table);
        else
            Build(report, *table);
        SaveFileAtomically(out, [&report](Stream& s) { report.SaveToStream(s); });
    } catch (const Exception& e) {
        std::fprintf(stderr, "make_demo_template: %s\n", e.message().c_str());
        return 1;
    }
    return 0;
}
