// zvreport barcode: encodes a text (TBarcode, or libzint for the 2D types) and prints it or draws it as PNG.
#include <algorithm>
#include <cstdlib>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "platform/base/Error.h"
#include "platform/draw/Canvas.h"
#include "platform/draw/Png.h"
#include "report/ZV_Barcode.h"
#include "report/ZV_Barcode2D.h"
#include "tools/zvreport/Command.h"

namespace zvtool {
namespace {

constexpr int kDefaultPngHeight = 50;
constexpr int kQuietModules = 10;   // white margin left and right, in modules
constexpr int kMarginModules = 4;   // white margin above and below
constexpr int kMaxPngSide = 20000;  // refuse absurd image sizes
constexpr int kMatrixModule = 4;    // pixels per module of a 2D symbol without --modul

// Paints the axis-aligned bar polygons that TBarcode draws into a bitmap; TBarcode uses nothing
// else, so the other drawing calls are refused.
class BarRasterCanvas : public zv::Canvas {
public:
    BarRasterCanvas(int32_t w, int32_t h)
    {
        bitmap.width = w;
        bitmap.height = h;
        bitmap.pixels.assign(static_cast<size_t>(w) * static_cast<size_t>(h), 0xFFFFFFFFu);
    }
    void polygon(std::span<const zv::Point> pts) override
    {
        if (pts.empty()) return;
        int32_t x0 = pts[0].x, x1 = pts[0].x, y0 = pts[0].y, y1 = pts[0].y;
        for (const zv::Point& p : pts) {
            x0 = std::min(x0, p.x), x1 = std::max(x1, p.x);
            y0 = std::min(y0, p.y), y1 = std::max(y1, p.y);
        }
        // A one-pixel pen of the brush's colour covers the outline, so both edges are inside.
        zv::Color c = brush().color;
        uint32_t px =
            0xFF000000u | (uint32_t{zv::GetRValue(c)} << 16) | (uint32_t{zv::GetGValue(c)} << 8) | zv::GetBValue(c);
        for (int32_t y = std::max(y0, 0); y <= y1 && y < bitmap.height; ++y)
            for (int32_t x = std::max(x0, 0); x <= x1 && x < bitmap.width; ++x) bitmap.at(x, y) = px;
    }
    void rectangle(const zv::Rect&) override { Unsupported(); }
    void fillRect(const zv::Rect&) override { Unsupported(); }
    void polyline(std::span<const zv::Point>) override { Unsupported(); }
    void textOut(int32_t, int32_t, std::string_view) override { Unsupported(); }
    void textRect(const zv::Rect&, int32_t, int32_t, std::string_view) override { Unsupported(); }
    void stretchDraw(const zv::Rect&, const zv::Bitmap&) override { Unsupported(); }
    void intersectClipRect(const zv::Rect&) override { Unsupported(); }
    void resetClip() override { Unsupported(); }
    void saveState() override { Unsupported(); }
    void restoreState() override { Unsupported(); }

    zv::Bitmap bitmap;

protected:
    void onMoveTo(int32_t, int32_t) override { Unsupported(); }
    void onLineTo(int32_t, int32_t) override { Unsupported(); }

private:
    [[noreturn]] static void Unsupported() { throw zv::Exception("zvreport barcode: drawing call not supported"); }
};

bool ParseInt(const std::string& s, int& out)
{
    char* end = nullptr;
    long v = std::strtol(s.c_str(), &end, 10);
    if (s.empty() || *end || v < -1000000 || v > 1000000) return false;
    out = static_cast<int>(v);
    return true;
}

// A 2D symbol: its size in modules, the text, and with a PNG file the symbol in its quiet zone.
int MatrixCommand(zv::TBarcodeType type, const std::string& text, int module, int ecLevel, const std::string& png)
{
    const zv::MatrixSymbol symbol = zv::EncodeMatrixBarcode(type, text, static_cast<uint8_t>(ecLevel));
    Print("size: " + std::to_string(symbol.columns) + "x" + std::to_string(symbol.rows));
    Print("text: " + text);
    if (png.empty()) return 0;
    if (int64_t{std::max(symbol.TotalColumns(), symbol.TotalRows())} * module > kMaxPngSide) {
        PrintError("zvreport barcode: image too wide");
        return 1;
    }
    BarRasterCanvas canvas(symbol.TotalColumns() * module, symbol.TotalRows() * module);
    zv::DrawMatrixBarcode(canvas, symbol, 0, 0, module);
    zv::SavePng(png, canvas.bitmap);
    return 0;
}

int BarcodeCommand(const std::vector<std::string>& args)
{
    const char* usage =
        "usage: zvreport barcode TYPE TEXT [--checksum] [--show-checksum] [--modul N] "
        "[--ratio R] [--ec N] [--png FILE --height H]";
    std::vector<std::string> positional;
    zv::TBarcode bc;
    std::string png;
    int height = kDefaultPngHeight;
    int module = 0;  // --modul as given; 0 when absent
    int ecLevel = 0;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        bool hasValue = i + 1 < args.size();
        int n = 0;
        if (a == "--checksum") {
            bc.SetChecksum(true);
        } else if (a == "--show-checksum") {
            bc.SetShowCheckSumText(true);
        } else if (a == "--modul" && hasValue && ParseInt(args[i + 1], n)) {
            bc.SetModul(n);
            module = n;
            ++i;
        } else if (a == "--ec" && hasValue && ParseInt(args[i + 1], n) && n >= 0 && n <= 255) {
            ecLevel = n;
            ++i;
        } else if (a == "--ratio" && hasValue) {
            char* end = nullptr;
            double r = std::strtod(args[i + 1].c_str(), &end);
            if (args[i + 1].empty() || *end) {
                PrintError(usage);
                return 2;
            }
            bc.SetRatio(r);
            ++i;
        } else if (a == "--png" && hasValue) {
            png = args[++i];
        } else if (a == "--height" && hasValue && ParseInt(args[i + 1], n) && n > 0 && n <= kMaxPngSide) {
            height = n;
            ++i;
        } else if (a.rfind("--", 0) == 0) {
            PrintError(usage);
            return 2;
        } else {
            positional.push_back(a);
        }
    }
    if (positional.size() != 2) {
        PrintError(usage);
        return 2;
    }
    std::optional<zv::TBarcodeType> type = zv::BarcodeTypeFromName(positional[0]);
    if (!type) {
        PrintError("zvreport barcode: unknown type '" + positional[0] + "'");
        return 2;
    }
    if (zv::IsMatrixBarcode(*type))
        return MatrixCommand(*type, positional[1], module >= 1 && module <= 100 ? module : kMatrixModule, ecLevel, png);
    bc.SetTyp(*type);
    bc.SetText(positional[1]);
    std::string pattern = bc.Encode();  // errors go to main, which prints them and exits 1
    int32_t width = bc.Width();
    Print("pattern: " + pattern);
    Print("width: " + std::to_string(width));
    Print("text: " + bc.DisplayText());
    if (!png.empty()) {
        int32_t quiet = kQuietModules * bc.Modul(), margin = kMarginModules * bc.Modul();
        if (width + 2 * quiet > kMaxPngSide) {
            PrintError("zvreport barcode: image too wide");
            return 1;
        }
        BarRasterCanvas canvas(width + 2 * quiet, height + 2 * margin);
        bc.SetLeft(quiet);
        bc.SetTop(margin);
        bc.SetHeight(height - 1);  // the bars cover Height + 1 rows, the outline included
        bc.DrawOn(canvas);
        zv::SavePng(png, canvas.bitmap);
    }
    return 0;
}

const CommandRegistrar barcodeCommand(
    {"barcode", "TYPE TEXT [--checksum] [--show-checksum] [--modul N] [--ratio R] [--ec N] [--png FILE --height H]",
     BarcodeCommand});

}  // namespace
}  // namespace zvtool
