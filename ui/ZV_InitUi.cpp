// Start-up and shut-down of the library's windows.
#include "ui/ZV_InitUi.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QScreen>
#include <QTranslator>
#include <cmath>
#include <memory>

#include "platform/draw/FontMetrics.h"
#include "platform/qt/QtFontMetrics.h"
#include "platform/qt/QtPrinter.h"
#include "platform/qt/Render.h"
#include "report/ZV_Memo.h"
#include "report/ZV_Preview.h"
#include "report/ZV_Prntr.h"
#include "report/ZV_Report.h"
#include "ui/ZV_CBarForm.h"
#include "ui/ZV_Prev.h"
#include "ui/ZV_fmted.h"
#include "ui/ZV_progr.h"

namespace zv {

namespace {

std::unique_ptr<TProgressForm>& ProgressFormSlot()
{
    static std::unique_ptr<TProgressForm> form;
    return form;
}

// Layout, recording and drawing all measure text with the font engine that draws it.
QtFontMetrics& ScreenFontMetrics()
{
    static QtFontMetrics metrics;
    return metrics;
}

std::unique_ptr<QtPrinter>& PrinterSlot()
{
    static std::unique_ptr<QtPrinter> printer;
    return printer;
}

// Every window of the library: they all get the font their positions were made for.
constexpr const char* kLibraryWindowClasses[] = {
    "zv::TzvPreviewForm", "zv::TFindForm",   "zv::TProgressForm", "zv::TProgressFilterForm",
    "zv::TCodeBarreForm", "zv::TExprEditor", "zv::TedParamFct",   "zv::TFieldsForm",
    "zv::TVarForm",       "zv::TFmtForm",
};

// Qt's own dialogs (files, printing, message boxes) speak the library's language.
constexpr const char* kQtTranslations = "qtbase_it";

// "Formatta variabile..." of a memo: the format dialog on the memo's code and text.
bool EditFormat(uint32_t& code, std::string& text)
{
    TFmtForm dialog;
    dialog.Code = code;
    dialog.SetFormatText(text);
    if (dialog.exec() != QDialog::Accepted) return false;
    code = dialog.Code;
    text = dialog.FormatText();
    return true;
}

}  // namespace

bool LoadQtTranslations()
{
    static QTranslator translator;
    if (!translator.isEmpty()) return true;
    if (!translator.load(QString::fromLatin1(kQtTranslations), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        return false;
    return QCoreApplication::installTranslator(&translator);
}

void InitReportUi()
{
    if (ProgressFormSlot()) return;
    const QFont font = WindowFont();
    for (const char* name : kLibraryWindowClasses) QApplication::setFont(font, name);
    LoadQtTranslations();
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        zvState().ScreenPixelsPerInch = static_cast<int>(std::lround(screen->logicalDotsPerInchY()));
    SetDefaultFontMetrics(&ScreenFontMetrics());
    ProgressFormSlot() = std::make_unique<TProgressForm>();
    SetProgressWindow(ProgressFormSlot().get());
    PrinterSlot() = std::make_unique<QtPrinter>();  // the system's default printer
    Prn().SetPlatformPrinter(PrinterSlot().get());
    RegisterStandardPreview();
    RegisterQtPageWriters();
    RegisterCodeBarreEditor();
    SetFormatDialogFunction(EditFormat);
}

void DoneReportUi()
{
    FreeOpenPreviews();
    SetProgressWindow(nullptr);
    ProgressFormSlot().reset();
    if (Prn().PlatformPrinter == PrinterSlot().get()) Prn().SetPlatformPrinter(nullptr);
    PrinterSlot().reset();
    SetDefaultFontMetrics(nullptr);
    SetFormatDialogFunction(nullptr);
}

TProgressForm* ProgressForm() { return ProgressFormSlot().get(); }

}  // namespace zv
