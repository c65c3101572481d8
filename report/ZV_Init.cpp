// Start-up and shut-down of the report library.
#include "report/ZV_Init.h"

#include "platform/base/FormText.h"
#include "report/ZV_Bands.h"
#include "report/ZV_CBar.h"
#include "report/ZV_Preview.h"
#include "report/ZV_Prntr.h"
#include "report/ZV_Report.h"
#include "report/ZV_Spreadsheet.h"
#include "report/ZV_Utils.h"
#include "report/ZV_View.h"

namespace zv {

void InitReportLibrary()
{
    static bool done = false;
    if (done) return;
    done = true;
    // The constant tables are built on first use; using them now builds them before any window.
    for (int kind = 0; kind < kBandKindCount; ++kind) (void)BandName(kind);
    for (int index = 0; index < 9; ++index) (void)SpecialVarName(index);
    (void)CheckerboardBitmap();
    (void)zvState();
    (void)PrepareState();
    (void)Prn();
    RegisterCodeBarreView();
    RegisterSpreadsheetFilters();
    InstallBandHooks();
    ComponentClassRegistry& classes = ComponentClassRegistry::instance();
    classes.add("TzvReport", [](Component* owner) -> Component* { return new TzvReport(owner); });
    classes.add("TzvDataset", [](Component* owner) -> Component* { return new TzvDataset(owner); });
    classes.add("TzvDBDataSet", [](Component* owner) -> Component* { return new TzvDBDataSet(owner); });
    classes.add("TzvCodeBarreObject", [](Component* owner) -> Component* { return new TzvCodeBarreObject(owner); });
}

void DoneReportLibrary()
{
    FreeOpenPreviews();
    SetProgressWindow(nullptr);
}

}  // namespace zv
