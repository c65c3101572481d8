// Start-up and shut-down of the library's windows.
#include "ui/ZV_InitUi.h"

#include <QGuiApplication>
#include <QScreen>
#include <cmath>
#include <memory>

#include "platform/qt/QtPrinter.h"
#include "report/ZV_Preview.h"
#include "report/ZV_Prntr.h"
#include "report/ZV_Report.h"
#include "ui/ZV_CBarForm.h"
#include "ui/ZV_Prev.h"
#include "ui/ZV_progr.h"

namespace zv {

namespace {

std::unique_ptr<TProgressForm>& ProgressFormSlot()
{
    static std::unique_ptr<TProgressForm> form;
    return form;
}

std::unique_ptr<QtPrinter>& PrinterSlot()
{
    static std::unique_ptr<QtPrinter> printer;
    return printer;
}

}  // namespace

void InitReportUi()
{
    if (ProgressFormSlot()) return;
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        zvState().ScreenPixelsPerInch = static_cast<int>(std::lround(screen->logicalDotsPerInchY()));
    ProgressFormSlot() = std::make_unique<TProgressForm>();
    SetProgressWindow(ProgressFormSlot().get());
    PrinterSlot() = std::make_unique<QtPrinter>();  // the system's default printer
    Prn().SetPlatformPrinter(PrinterSlot().get());
    RegisterStandardPreview();
    RegisterCodeBarreEditor();
}

void DoneReportUi()
{
    FreeOpenPreviews();
    SetProgressWindow(nullptr);
    ProgressFormSlot().reset();
    if (Prn().PlatformPrinter == PrinterSlot().get()) Prn().SetPlatformPrinter(nullptr);
    PrinterSlot().reset();
}

TProgressForm* ProgressForm() { return ProgressFormSlot().get(); }

}  // namespace zv
