// The recording printer.
#include "tests/support/RecordingPrinter.h"

#include "platform/base/Error.h"

namespace zv {

void RecordingPrinter::record(const std::string& line)
{
    if (OnCall) OnCall(line);
    calls.push_back(line);
}

void RecordingPrinter::flushSheet()
{
    if (!open_ || documents.empty() || documents.back().Sheets.empty()) {
        canvas_.clearLog();
        return;
    }
    std::vector<std::string>& lines = documents.back().Sheets.back().Lines;
    lines.insert(lines.end(), canvas_.lines.begin(), canvas_.lines.end());
    canvas_.clearLog();
}

void RecordingPrinter::SetPrinterIndex(int index)
{
    record("index " + std::to_string(index));
    Index = index;
}

void RecordingPrinter::SetDevice(const PrinterDevice& device)
{
    record("device " + device.Device + "," + device.Driver + "," + device.Port);
    Names = device;
    Settings = Defaults;
}

PrinterDeviceSettings RecordingPrinter::DeviceSettings() const
{
    PrinterDeviceSettings s = Settings;
    s.Fields = Defaults.Fields;
    return s;
}

void RecordingPrinter::SetDeviceSettings(const PrinterDeviceSettings& s)
{
    record("settings fields=" + std::to_string(s.Fields) + " orient=" + std::to_string(s.Orientation) +
           " paper=" + std::to_string(s.PaperSize) + " length=" + std::to_string(s.PaperLength) +
           " width=" + std::to_string(s.PaperWidth));
    if (s.Fields & DM_ORIENTATION) Settings.Orientation = s.Orientation;
    if (s.Fields & DM_PAPERSIZE) Settings.PaperSize = s.PaperSize;
    if (s.Fields & DM_PAPERLENGTH) Settings.PaperLength = s.PaperLength;
    if (s.Fields & DM_PAPERWIDTH) Settings.PaperWidth = s.PaperWidth;
}

void RecordingPrinter::BeginDoc(const std::string& title)
{
    if (open_) throw Exception("A print document is already open");
    record("begin " + title);
    canvas_.clearLog();
    documents.push_back({title, {Sheet{Settings, {}}}, false, false});
    open_ = true;
}

void RecordingPrinter::NewPage()
{
    if (!open_) throw Exception("No print document is open");
    record("newPage");
    flushSheet();
    documents.back().Sheets.push_back({Settings, {}});
}

void RecordingPrinter::EndDoc()
{
    if (!open_) throw Exception("No print document is open");
    record("end");
    flushSheet();
    documents.back().Ended = true;
    open_ = false;
}

void RecordingPrinter::Abort()
{
    record("abort");
    if (!open_) return;
    canvas_.clearLog();
    documents.back().Aborted = true;
    open_ = false;
}

std::vector<const RecordingPrinter::Document*> RecordingPrinter::Finished() const
{
    std::vector<const Document*> out;
    for (const Document& d : documents)
        if (d.Ended) out.push_back(&d);
    return out;
}

}  // namespace zv
