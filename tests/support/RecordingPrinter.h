// A stand-in printer for tests: it prints nothing and records every call.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/device/Printer.h"
#include "tests/support/TraceCanvas.h"

namespace zv {

// A printer that prints nothing and records every call as one line of `calls`:
//   index 1 | device name,driver,port | settings fields=3 orient=1 paper=9 length=0 width=0
//   begin <title> | newPage | end | abort
// Drawing goes to a TraceCanvas; each sheet's drawing lines are kept in the documents list.
// Before each call is recorded, OnCall (when set) sees its line and may throw to simulate a
// failing device.
class RecordingPrinter : public Printer {
public:
    struct Sheet {
        PrinterDeviceSettings Settings;  // the paper when the sheet was started
        std::vector<std::string> Lines;  // what was drawn on it
    };
    struct Document {
        std::string Title;
        std::vector<Sheet> Sheets;
        bool Ended = false, Aborted = false;
    };

    std::vector<std::string> PrinterList{"Recording printer"};
    int Index = 0;
    PrinterDevice Names{"Recording printer", "recdrv", "rec:"};
    PrinterDeviceSettings Settings{DM_ORIENTATION | DM_PAPERSIZE, DMORIENT_PORTRAIT, 9, 0, 0};
    // What the driver declares and returns to after SetDevice.
    PrinterDeviceSettings Defaults = Settings;
    int32_t OffsetX = 0, OffsetY = 0;
    int32_t PpiX = 600, PpiY = 600;

    bool PaperWithinDocument = false;  // what ChangesPaperWithinDocument answers

    std::vector<std::string> calls;
    std::vector<Document> documents;
    std::function<void(const std::string& call)> OnCall;

    std::vector<std::string> Printers() const override { return PrinterList; }
    int PrinterIndex() const override { return Index; }
    void SetPrinterIndex(int index) override;
    PrinterDevice Device() const override { return Names; }
    void SetDevice(const PrinterDevice& device) override;
    PrinterDeviceSettings DeviceSettings() const override;
    void SetDeviceSettings(const PrinterDeviceSettings& settings) override;
    int32_t PhysicalOffsetX() const override { return OffsetX; }
    int32_t PhysicalOffsetY() const override { return OffsetY; }
    int32_t PixelsPerInchX() const override { return PpiX; }
    int32_t PixelsPerInchY() const override { return PpiY; }
    void BeginDoc(const std::string& title) override;
    bool ChangesPaperWithinDocument() const override { return PaperWithinDocument; }
    void NewPage() override;
    void EndDoc() override;
    void Abort() override;
    bool Printing() const override { return open_; }
    Canvas& PageCanvas() override { return canvas_; }

    // The documents that ended normally (not aborted).
    std::vector<const Document*> Finished() const;

private:
    void record(const std::string& line);
    void flushSheet();

    TraceCanvas canvas_;
    bool open_ = false;
};

}  // namespace zv
