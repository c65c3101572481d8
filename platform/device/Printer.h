// The platform printer: device names and settings, capabilities, documents and pages.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/draw/Canvas.h"

namespace zv {

// The names a printer is known by.
struct PrinterDevice {
    std::string Device, Driver, Port;
    bool operator==(const PrinterDevice&) const = default;
};

// Field bits of the device settings block, with the platform's values.
constexpr uint32_t DM_ORIENTATION = 0x1, DM_PAPERSIZE = 0x2, DM_PAPERLENGTH = 0x4, DM_PAPERWIDTH = 0x8;
constexpr int16_t DMORIENT_PORTRAIT = 1, DMORIENT_LANDSCAPE = 2;

// The part of a printer's device settings the paper lives in. Fields says which members are set
// (when writing) or which the driver declares (when reading). Lengths in tenths of a millimetre.
struct PrinterDeviceSettings {
    uint32_t Fields = 0;
    int16_t Orientation = DMORIENT_PORTRAIT;
    int16_t PaperSize = 0;
    int16_t PaperLength = 0;
    int16_t PaperWidth = 0;
    bool operator==(const PrinterDeviceSettings&) const = default;
};

// A printer as the print driver and the printer settings use it. A document is begun with a job
// title; the first sheet comes with it, NewPage starts each further sheet. While a document is
// open, PageCanvas() draws on the current sheet in printer pixels, with the origin at the corner
// of the printable area. Failures throw zv::Exception.
class Printer {
public:
    virtual ~Printer() = default;

    virtual std::vector<std::string> Printers() const = 0;
    virtual int PrinterIndex() const = 0;
    virtual void SetPrinterIndex(int index) = 0;

    virtual PrinterDevice Device() const = 0;
    // What a message names the printer by: its device name unless the printer knows better.
    virtual std::string TargetName() const { return Device().Device; }
    // Selects the device by its names with the driver's default settings.
    virtual void SetDevice(const PrinterDevice& device) = 0;
    virtual PrinterDeviceSettings DeviceSettings() const = 0;
    // Takes the members marked in settings.Fields; the others keep their values.
    virtual void SetDeviceSettings(const PrinterDeviceSettings& settings) = 0;

    // Capabilities of the current paper, in printer pixels.
    virtual int32_t PhysicalOffsetX() const = 0;
    virtual int32_t PhysicalOffsetY() const = 0;
    virtual int32_t PixelsPerInchX() const = 0;
    virtual int32_t PixelsPerInchY() const = 0;

    virtual void BeginDoc(const std::string& title) = 0;  // Windows-1252 title
    // Whether a document can change its paper from one sheet to the next (new device settings,
    // then NewPage). A device that cannot gets a new document at each change of paper; a file
    // target must, or each new document would replace the sheets written before it.
    virtual bool ChangesPaperWithinDocument() const { return false; }
    virtual void NewPage() = 0;
    virtual void EndDoc() = 0;
    // Discards the open document; nothing of it reaches the printer. No document: nothing.
    virtual void Abort() = 0;
    virtual bool Printing() const = 0;
    virtual Canvas& PageCanvas() = 0;
};

}  // namespace zv
