// The platform printer over QPrinter.
#include "platform/qt/QtPrinter.h"

#include <QFile>
#include <QFileInfo>
#include <QPageSize>
#include <QPrinterInfo>
#include <QTemporaryFile>
#include <algorithm>
#include <cmath>
#include <cstdio>

#include "platform/base/Error.h"
#include "platform/qt/QtText.h"

namespace zv {

namespace {

constexpr const char* kPdfDeviceName = "PDF";

QPageLayout PortraitA4()
{
    return QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter);
}

int16_t Tenths(double mm) { return static_cast<int16_t>(std::clamp(std::lround(mm * 10), 0L, 32767L)); }

}  // namespace

QtPrinter::QtPrinter() : printer_(std::make_unique<QPrinter>(QPrinter::HighResolution))
{
    printer_->setFullPage(false);
    defaults_ = printer_->pageLayout();
}

QtPrinter::QtPrinter(const std::string& pdfFile, int resolution)
    : printer_(std::make_unique<QPrinter>(QPrinter::HighResolution))
{
    pdfFile_ = ToQString(pdfFile);
    printer_->setOutputFormat(QPrinter::PdfFormat);
    printer_->setOutputFileName(pdfFile_);
    printer_->setResolution(resolution > 0 ? resolution : 600);
    printer_->setFullPage(false);
    defaults_ = PortraitA4();
    printer_->setPageLayout(defaults_);
}

QtPrinter::~QtPrinter()
{
    if (Printing()) Abort();
}

std::vector<std::string> QtPrinter::Printers() const
{
    std::vector<std::string> names;
    if (toPdf()) return names;
    for (const QString& n : QPrinterInfo::availablePrinterNames()) names.push_back(FromQString(n));
    return names;
}

int QtPrinter::PrinterIndex() const
{
    if (toPdf()) return 0;
    const QStringList names = QPrinterInfo::availablePrinterNames();
    const qsizetype at = names.indexOf(printer_->printerName());
    return at < 0 ? 0 : static_cast<int>(at);
}

void QtPrinter::SetPrinterIndex(int index)
{
    if (toPdf()) return;
    const QStringList names = QPrinterInfo::availablePrinterNames();
    if (index >= 0 && index < names.size()) printer_->setPrinterName(names.at(index));
}

PrinterDevice QtPrinter::Device() const
{
    if (toPdf()) return {kPdfDeviceName, "Qt", FromQString(printer_->outputFileName())};
    return {FromQString(printer_->printerName()), "Qt", {}};
}

void QtPrinter::SetDevice(const PrinterDevice& device)
{
    if (!toPdf() && !device.Device.empty()) {
        printer_->setPrinterName(ToQString(device.Device));
        const QPrinterInfo info = QPrinterInfo::printerInfo(ToQString(device.Device));
        if (!info.isNull()) {
            defaults_ = printer_->pageLayout();
            defaults_.setPageSize(info.defaultPageSize());
            defaults_.setOrientation(QPageLayout::Portrait);
        }
    }
    printer_->setPageLayout(defaults_);
}

PrinterDeviceSettings QtPrinter::DeviceSettings() const
{
    const QPageLayout layout = printer_->pageLayout();
    PrinterDeviceSettings s;
    s.Fields = DM_ORIENTATION | DM_PAPERSIZE;
    s.Orientation = layout.orientation() == QPageLayout::Landscape ? DMORIENT_LANDSCAPE : DMORIENT_PORTRAIT;
    const int id = layout.pageSize().windowsId();
    s.PaperSize = static_cast<int16_t>(id > 0 && id < 256 ? id : 256);
    const QSizeF mm = layout.pageSize().size(QPageSize::Millimeter);
    s.PaperWidth = Tenths(mm.width());
    s.PaperLength = Tenths(mm.height());
    return s;
}

void QtPrinter::SetDeviceSettings(const PrinterDeviceSettings& s)
{
    QPageLayout layout = printer_->pageLayout();
    if (s.Fields & DM_ORIENTATION)
        layout.setOrientation(s.Orientation == DMORIENT_LANDSCAPE ? QPageLayout::Landscape : QPageLayout::Portrait);
    QPageSize size;
    if ((s.Fields & DM_PAPERSIZE) && s.PaperSize > 0 && s.PaperSize < 256) {
        const QPageSize::PageSizeId id = QPageSize::id(s.PaperSize);
        if (id != QPageSize::Custom) size = QPageSize(id);
    }
    if (!size.isValid() && (s.Fields & DM_PAPERWIDTH) && (s.Fields & DM_PAPERLENGTH) && s.PaperWidth > 0 &&
        s.PaperLength > 0) {
        // Sizes are held upright; the orientation turns the sheet.
        const double w = s.PaperWidth / 10.0, h = s.PaperLength / 10.0;
        size =
            QPageSize(QSizeF(std::min(w, h), std::max(w, h)), QPageSize::Millimeter, QString(), QPageSize::ExactMatch);
    }
    if (size.isValid()) layout.setPageSize(size, layout.margins());
    if (!printer_->setPageLayout(layout)) throw Exception("The printer refuses the paper");
}

int32_t QtPrinter::PhysicalOffsetX() const
{
    return static_cast<int32_t>(std::lround(printer_->pageRect(QPrinter::DevicePixel).left() -
                                            printer_->paperRect(QPrinter::DevicePixel).left()));
}

int32_t QtPrinter::PhysicalOffsetY() const
{
    return static_cast<int32_t>(std::lround(printer_->pageRect(QPrinter::DevicePixel).top() -
                                            printer_->paperRect(QPrinter::DevicePixel).top()));
}

int32_t QtPrinter::PixelsPerInchX() const { return printer_->resolution(); }
int32_t QtPrinter::PixelsPerInchY() const { return printer_->resolution(); }

void QtPrinter::prepareSheet()
{
    // Canvas units are printer pixels at resolution(); the painter's own units are the device's
    // logical pixels, which usually are the same.
    painter_->resetTransform();
    const double kx = static_cast<double>(printer_->logicalDpiX()) / std::max(1, PixelsPerInchX());
    const double ky = static_cast<double>(printer_->logicalDpiY()) / std::max(1, PixelsPerInchY());
    if (kx != 1 || ky != 1) painter_->scale(kx, ky);
    canvas_ = std::make_unique<QtCanvas>(*painter_);
    canvas_->setMetrics(&metrics_);
}

std::string QtPrinter::TargetName() const { return FromQString(toPdf() ? pdfFile_ : printer_->printerName()); }

void QtPrinter::BeginDoc(const std::string& title)
{
    if (Printing()) throw Exception("A print document is already open");
    if (toPdf()) {
        // A hidden file beside the target, so that the rename at the end stays on one file system.
        const QFileInfo target(pdfFile_);
        QTemporaryFile part(target.absolutePath() + QStringLiteral("/.") + target.fileName() +
                            QStringLiteral(".XXXXXX"));
        part.setAutoRemove(false);
        if (pdfFile_.isEmpty() || !part.open()) throw Exception("Cannot create the file " + TargetName());
        partFile_ = part.fileName();
        part.close();
        printer_->setOutputFileName(partFile_);
    }
    printer_->setDocName(ToQString(title));
    painter_ = std::make_unique<QPainter>();
    if (!painter_->begin(printer_.get())) {
        painter_.reset();
        dropPartFile();
        throw Exception("Cannot start the print document on " + TargetName());
    }
    prepareSheet();
}

void QtPrinter::dropPartFile()
{
    if (partFile_.isEmpty()) return;
    QFile::remove(partFile_);
    partFile_.clear();
    printer_->setOutputFileName(pdfFile_);
}

void QtPrinter::NewPage()
{
    if (!Printing()) throw Exception("No print document is open");
    if (!printer_->newPage()) throw Exception("Cannot start a new sheet");
    prepareSheet();
}

void QtPrinter::closePainter()
{
    canvas_.reset();
    if (painter_ && painter_->isActive()) painter_->end();
    painter_.reset();
}

void QtPrinter::EndDoc()
{
    if (!Printing()) throw Exception("No print document is open");
    canvas_.reset();
    const bool ended = painter_->end();
    painter_.reset();
    if (ended && !partFile_.isEmpty()) {
        // The finished document takes the target's place in one step; the target keeps its mode.
        QFile::setPermissions(partFile_, QFile::exists(pdfFile_) ? QFile::permissions(pdfFile_)
                                                                 : QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                                       QFileDevice::ReadGroup | QFileDevice::ReadOther);
        if (std::rename(QFile::encodeName(partFile_).constData(), QFile::encodeName(pdfFile_).constData()) != 0) {
            dropPartFile();
            throw Exception("Cannot write the file " + TargetName());
        }
        partFile_.clear();
        printer_->setOutputFileName(pdfFile_);
    }
    dropPartFile();
    if (!ended) throw Exception("Cannot finish the print document");
}

void QtPrinter::Abort()
{
    if (!Printing()) return;
    const bool pdf = toPdf();
    if (!pdf) printer_->abort();
    closePainter();
    // A PDF is written as it goes: what was written of the aborted document goes away.
    if (pdf) dropPartFile();
}

bool QtPrinter::Printing() const { return painter_ && painter_->isActive(); }

Canvas& QtPrinter::PageCanvas()
{
    if (!Printing() || !canvas_) throw Exception("No print document is open");
    return *canvas_;
}

}  // namespace zv
