// The paper table and the printer settings, with and without a print job running.
#include "report/ZV_Prntr.h"

#include <algorithm>

#include "platform/base/Error.h"
#include "report/ZV_Const.h"

namespace zv {

using namespace pageinfo;  // PageInfo entries by name

// Code, width, height (tenths of a millimetre) of every paper, in table order.
const std::array<PaperRow, kPaperCount> kPaperTable = {{
    {1, 2159, 2794},    // Lettera, 8 1/2 x 11"
    {2, 2159, 2794},    // Lettera piccola, 8 1/2 x 11"
    {3, 2794, 4318},    // Compresso, 11 x 17"
    {4, 4318, 2794},    // Libro mastro, 17 x 11"
    {5, 2159, 3556},    // Legale, 8 1/2 x 14"
    {6, 1397, 2159},    // Dichiarazione, 5 1/2 x 8 1/2"
    {7, 1842, 2667},    // Esecutivo, 7 1/4 x 10 1/2"
    {8, 2970, 4200},    // A3 297 x 420 mm
    {9, 2100, 2970},    // A4 210 x 297 mm
    {10, 2100, 2970},   // A4 foglio piccolo, 210 x 297 mm
    {11, 1480, 2100},   // A5 148 x 210 mm
    {12, 2500, 3540},   // B4 250 x 354 mm
    {13, 1820, 2570},   // B5 182 x 257 mm
    {14, 2159, 3302},   // Foglio, 8 1/2 x 13"
    {15, 2150, 2750},   // Foglio quarto, 215 x 275 mm
    {16, 2540, 3556},   // Foglio 10 x 14"
    {17, 2794, 4318},   // Foglio 11 x 17"
    {18, 2159, 2794},   // Note, 8 1/2 x 11"
    {19, 984, 2254},    // 9 Busta, 3 7/8 x 8 7/8"
    {20, 1048, 2413},   // #10 Busta, 4 1/8  x 9 1/2"
    {21, 1143, 2635},   // #11 Busta, 4 1/2 x 10 3/8"
    {22, 1207, 2794},   // #12 Busta, 4 3/4 x 11"
    {23, 1270, 2921},   // #14 Busta, 5 x 11 1/2"
    {24, 4318, 5588},   // C Foglio, 17 x 22"
    {25, 5588, 8636},   // D Foglio, 22 x 34"
    {26, 8636, 11176},  // E Foglio, 34 x 44"
    {27, 1100, 2200},   // DL Busta, 110 x 220 mm
    {28, 1620, 2290},   // C5 Busta, 162 x 229 mm
    {29, 3240, 4580},   // C3 Busta,  324 x 458 mm
    {30, 2290, 3240},   // C4 Busta,  229 x 324 mm
    {31, 1140, 1620},   // C6 Busta,  114 x 162 mm
    {32, 1140, 2290},   // C65 Busta, 114 x 229 mm
    {33, 2500, 3530},   // B4 Busta,  250 x 353 mm
    {34, 1760, 2500},   // B5 Busta,  176 x 250 mm
    {35, 1760, 1250},   // B6 Busta,  176 x 125 mm
    {36, 1100, 2300},   // Busta italiana, 110 x 230 mm
    {37, 984, 1905},    // Busta re, 3 7/8 x 7 1/2"
    {38, 920, 1651},    // 6 3/4 Busta, 3 5/8 x 6 1/2"
    {39, 3778, 2794},   // Standard Fanfold americano, 14 7/8 x 11"
    {40, 2159, 3048},   // Standard Fanfold tedesco, 8 1/2 x 12"
    {41, 2159, 3302},   // Legale Fanfold tedesco, 8 1/2 x 13"
    {42, 2500, 3530},   // B4 (ISO) 250 x 353 mm
    {43, 1000, 1480},   // Cartolina giapponese 100 x 148 mm
    {44, 2286, 2794},   // Foglio 9 x 11"
    {45, 2540, 2794},   // Foglio 10 x 11"
    {46, 3810, 2794},   // Foglio 15 x 11"
    {47, 2200, 2200},   // Busta Invito 220 x 220 mm
    {48, 2355, 3048},   // Lettera Extra 9 \ 275 x 12"
    {49, 2355, 3810},   // Legale Extra 9 \275 x 15"
    {50, 2969, 4572},   // Compresso Extra 11.69 x 18"
    {51, 2354, 3223},   // A4 Extra 9.27 x 12.69"
    {52, 2101, 2794},   // Lettera Trasversale 8 \275 x 11"
    {53, 2100, 2970},   // A4 Transversale 210 x 297 mm
    {54, 2355, 3048},   // Lettera Extra Trasversale 9\275 x 12"
    {55, 2270, 3560},   // SuperASuperAA4 227 x 356 mm
    {56, 3050, 4870},   // SuperBSuperBA3 305 x 487 mm
    {57, 2159, 3223},   // Lettera Plus 8.5 x 12.69"
    {58, 2100, 3300},   // A4 Plus 210 x 330 mm
    {59, 1480, 2100},   // A5 Trasversale 148 x 210 mm
    {60, 1820, 2570},   // B5 (JIS) Trasversale 182 x 257 mm
    {61, 3220, 4450},   // A3 Extra 322 x 445 mm
    {62, 1740, 2350},   // A5 Extra 174 x 235 mm
    {63, 2010, 2760},   // B5 (ISO) Extra 201 x 276 mm
    {64, 4200, 5940},   // A2 420 x 594 mm
    {65, 2970, 4200},   // A3 Trasversale 297 x 420 mm
    {66, 3220, 4450},   // A3 Extra Trasversale 322 x 445 mm
    {256, 0, 0},        // Personalizzato
}};

namespace {
bool gPrinting = false;

// Device settings hold 16-bit sizes; larger values saturate rather than wrap.
int16_t To16(int32_t v) { return static_cast<int16_t>(std::clamp<int32_t>(v, INT16_MIN, INT16_MAX)); }

const char* PaperName(int32_t code)
{
    return code >= 1 && code <= 66 ? kPaperNames[static_cast<size_t>(code)] : kPaperNames[0];
}
}  // namespace

bool IsPrinting() { return gPrinting; }
void SetPrinting(bool printing) { gPrinting = printing; }

TPrinterSettings::TPrinterSettings()
{
    AttachPrinter();
    ApplyPaper();
}

void TPrinterSettings::AttachPrinter(Printer* printer)
{
    PrinterNames.clear();
    PrinterIndex = 0;
    PlatformPrinter = printer;
    PrinterNames.push_back(kDefaultPrinterName);
}

void TPrinterSettings::SelectPrinter(int32_t index)
{
    PrinterIndex = index;
    if (!IsPrinting()) {
        ApplyPaper();
        return;
    }
    if (!PlatformPrinter || PlatformPrinter->Printers().empty()) return;
    PlatformPrinter->SetPrinterIndex(index);
    const PrinterDevice device = PlatformPrinter->Device();
    Device = device.Device;
    Driver = device.Driver;
    Port = device.Port;
    PlatformPrinter->SetDevice(device);  // without settings: the driver's defaults come back
}

bool TPrinterSettings::SamePaper(int32_t code, int32_t width, uint8_t orientation, int32_t height) const
{
    return code == PaperSize && orientation == Orientation &&
           (code != kPaperCustom || (width == PaperWidth && height == PaperHeight));
}

void TPrinterSettings::SetPaper(int32_t code, int32_t width, uint8_t orientation, int32_t height)
{
    if (SamePaper(code, width, orientation, height)) return;
    PaperSize = code;
    PaperWidth = width;
    Orientation = orientation;
    PaperHeight = height;
    ApplyPaper();
}

void TPrinterSettings::ApplyPaper()
{
    if (IsPrinting()) {
        if (PlatformPrinter) ApplyPaperToDevice(*PlatformPrinter);
        if (DeviceApply) DeviceApply(*this);
        return;
    }
    PaperNames.clear();
    for (size_t i = 0; i < kPaperTable.size(); ++i) {
        PaperNames.push_back(PaperName(kPaperTable[i].code));
        PaperCodes[i] = static_cast<uint16_t>(kPaperTable[i].code);
    }
    PaperCount = kPaperCount;
    if (PaperSize == kPaperCustom) return;  // a custom paper keeps its stored size
    for (const PaperRow& row : kPaperTable) {
        if (row.code != PaperSize) continue;
        PaperWidth = Orientation == 1 ? row.height : row.width;
        PaperHeight = Orientation == 1 ? row.width : row.height;
        break;
    }
}

void TPrinterSettings::ApplyPaperToDevice(Printer& printer)
{
    const PrinterDevice device = printer.Device();
    Device = device.Device;
    Driver = device.Driver;
    Port = device.Port;
    const PrinterDeviceSettings current = printer.DeviceSettings();
    const uint32_t declared = current.Fields;
    PrinterDeviceSettings s = current;
    s.Fields = 0;
    if (PaperSize == kPaperCustom) {
        s.Fields |= DM_PAPERLENGTH | DM_PAPERWIDTH;
        s.PaperLength = To16(PaperHeight);
        s.PaperWidth = To16(PaperWidth);
    }
    if (declared & DM_PAPERSIZE) {
        s.Fields |= DM_PAPERSIZE;
        s.PaperSize = To16(PaperSize);
    }
    if (declared & DM_ORIENTATION) {
        s.Fields |= DM_ORIENTATION;
        s.Orientation = Orientation != 0 ? DMORIENT_LANDSCAPE : DMORIENT_PORTRAIT;
    }
    printer.SetDeviceSettings(s);
}

void TPrinterSettings::FillPageInfo(PageInfo& info) const
{
    info[kPageWidth] = PaperToPageUnits(PaperWidth);
    info[kPageHeight] = PaperToPageUnits(PaperHeight);
    info[kPrintableLeft] = 18;
    info[kPrintableTop] = 18;
    info[kPrintableWidth] = info[kPageWidth] - 36;
    info[kPrintableHeight] = info[kPageHeight] - 36;
}

TPrinterSettings& Prn()
{
    static TPrinterSettings settings;
    return settings;
}

void SettlePaper(int32_t& code, int32_t& width, int32_t& height, uint8_t& orientation)
{
    TPrinterSettings& prn = Prn();
    try {
        prn.SetPaper(code, width, orientation, height);
    } catch (const Exception&) {
        prn.SetPaper(kPaperCustom, width, orientation, height);
    }
    code = prn.PaperSize;
    width = prn.PaperWidth;
    height = prn.PaperHeight;
    orientation = prn.Orientation;
}

}  // namespace zv
