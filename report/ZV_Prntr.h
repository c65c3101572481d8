// Printer and paper settings: the paper table, the chosen paper, page geometry, and the platform
// printer that receives the paper while a print job runs.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/device/Printer.h"

namespace zv {

// Geometry record of a page, ten 32-bit values, stored in this order in templates and prepared
// reports. Index it by the names in pageinfo::.
using PageInfo = std::array<int32_t, 10>;
namespace pageinfo {
constexpr size_t kPrinterWidth = 0;  // page width and height in printer pixels (set only while printing)
constexpr size_t kPrinterHeight = 1;
constexpr size_t kPageWidth = 2;  // page width and height in page units (96 per inch)
constexpr size_t kPageHeight = 3;
constexpr size_t kOffsetX = 4;        // physical offsets of the printable area in printer pixels
constexpr size_t kOffsetY = 5;        // (set only while printing)
constexpr size_t kPrintableLeft = 6;  // printable left and top (18, 18)
constexpr size_t kPrintableTop = 7;
constexpr size_t kPrintableWidth = 8;  // printable width and height (page size - 36)
constexpr size_t kPrintableHeight = 9;
static_assert(kPrintableHeight + 1 == std::tuple_size_v<PageInfo>);
}  // namespace pageinfo

constexpr int32_t kPaperCustom = 256;  // custom size: width and height as given
constexpr int32_t kPaperA4 = 9;
constexpr int kPaperCount = 67;

// One row of the paper table; sizes in tenths of a millimetre.
struct PaperRow {
    int32_t code;
    int32_t width;
    int32_t height;
};
extern const std::array<PaperRow, kPaperCount> kPaperTable;

// Paper size in tenths of a millimetre converted to page units (x 96 / 254, truncating).
constexpr int32_t PaperToPageUnits(int32_t tenthsMm)
{
    return static_cast<int32_t>(static_cast<int64_t>(tenthsMm) * 96 / 254);
}

// The program-wide flag: true while a print job is being produced.
bool IsPrinting();
void SetPrinting(bool printing);

// The single printer settings object of the program.
class TPrinterSettings {
public:
    TPrinterSettings();

    std::string Device, Driver, Port;       // the printer's names as the platform reports them
    std::vector<std::string> PaperNames;    // names of the table rows, in table order
    std::vector<std::string> PrinterNames;  // always the single entry "Stampante predefinita"
    int32_t PrinterIndex = 0;
    uint8_t Orientation = 0;  // 0 portrait, 1 landscape
    int32_t PaperSize = kPaperA4;
    int32_t PaperWidth = 2100;
    int32_t PaperHeight = 2970;
    std::array<uint16_t, kPaperCount> PaperCodes{};
    int32_t PaperCount = kPaperCount;

    // The platform printer (not owned); none: the settings work without a device.
    Printer* PlatformPrinter = nullptr;

    // While printing, ApplyPaper also hands the paper to this hook after the platform printer;
    // it may throw when the device refuses the paper.
    std::function<void(const TPrinterSettings&)> DeviceApply;

    // PrinterNames becomes the single default entry, PrinterIndex 0, and printer the platform
    // printer. Without an argument the printer attached already stays.
    void AttachPrinter(Printer* printer);
    void AttachPrinter() { AttachPrinter(PlatformPrinter); }
    void SetPlatformPrinter(Printer* printer) { AttachPrinter(printer); }
    // When not printing, refills the lists and the table size; while printing, moves the
    // platform printer to index and brings back the driver's default settings.
    void SelectPrinter(int32_t index);
    bool SamePaper(int32_t code, int32_t width, uint8_t orientation, int32_t height) const;
    void SetPaper(int32_t code, int32_t width, uint8_t orientation, int32_t height);
    // Not printing: the paper lists and the table size. Printing: the paper goes into the platform
    // printer's device settings (custom size, paper code and orientation as the driver declares them).
    void ApplyPaper();
    void FillPageInfo(PageInfo& info) const;

private:
    void ApplyPaperToDevice(Printer& printer);
};

// The program-wide instance, created on first use.
TPrinterSettings& Prn();

// Settles a page's paper the way pages do after their stored record: the paper goes through the
// printer settings; when that fails, the custom code 256 is used with the same size. The
// arguments take back what the settings settled on.
void SettlePaper(int32_t& code, int32_t& width, int32_t& height, uint8_t& orientation);

}  // namespace zv
