// The platform printer over QPrinter: a system printer, or a PDF file.
#pragma once

#include <QPageLayout>
#include <QPainter>
#include <QPrinter>
#include <memory>
#include <string>
#include <vector>

#include "platform/device/Printer.h"
#include "platform/qt/QtCanvas.h"
#include "platform/qt/QtFontMetrics.h"

namespace zv {

// Sheets are drawn through a QtCanvas whose units are printer pixels (PixelsPerInchX/Y per inch),
// with the origin at the corner of the printable area, as the print driver expects. Paper codes
// are the platform's standard codes (QPageSize's Windows ids); 256 is a custom size.
//
// Printing to a PDF file (the constructor with a file name) lists no system printer. A document
// is written to a temporary file beside the target and renamed over it when it ends, so every
// document replaces that file whole and an aborted one leaves the old file as it was.
class QtPrinter : public Printer {
public:
    // The system's default printer, at the printer's high resolution.
    QtPrinter();
    // A PDF file (Windows-1252 path) at the given resolution; A4 portrait, no margins by default.
    explicit QtPrinter(const std::string& pdfFile, int resolution = 600);
    ~QtPrinter() override;

    std::vector<std::string> Printers() const override;
    int PrinterIndex() const override;
    void SetPrinterIndex(int index) override;
    PrinterDevice Device() const override;
    void SetDevice(const PrinterDevice& device) override;
    PrinterDeviceSettings DeviceSettings() const override;
    void SetDeviceSettings(const PrinterDeviceSettings& settings) override;
    int32_t PhysicalOffsetX() const override;
    int32_t PhysicalOffsetY() const override;
    int32_t PixelsPerInchX() const override;
    int32_t PixelsPerInchY() const override;
    void BeginDoc(const std::string& title) override;
    // A PDF file takes a new paper at the next sheet; a system printer gets a new job instead.
    bool ChangesPaperWithinDocument() const override { return toPdf(); }
    void NewPage() override;
    void EndDoc() override;
    void Abort() override;
    bool Printing() const override;
    Canvas& PageCanvas() override;

    // The system printer's name, or the PDF file's path.
    std::string TargetName() const override;

    QPrinter& qprinter() { return *printer_; }
    // The layout SetDevice returns to (the driver's defaults).
    void SetDefaultLayout(const QPageLayout& layout) { defaults_ = layout; }

private:
    bool toPdf() const { return printer_->outputFormat() == QPrinter::PdfFormat; }
    void prepareSheet();
    void closePainter();
    void dropPartFile();

    std::unique_ptr<QPrinter> printer_;
    std::unique_ptr<QPainter> painter_;
    std::unique_ptr<QtCanvas> canvas_;
    QtFontMetrics metrics_;
    QPageLayout defaults_;
    QString pdfFile_;   // the PDF target
    QString partFile_;  // the temporary file the open document is written to
};

}  // namespace zv
