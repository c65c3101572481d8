// Rendering page pictures through the player and the QPainter canvas, to PNG and PDF.
#include "platform/qt/Render.h"

#include <QGuiApplication>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <cmath>
#include <cstdlib>
#include <memory>

#include "platform/emf/EmfPlayer.h"
#include "platform/base/Error.h"
#include "platform/base/Text.h"
#include "platform/qt/QtCanvas.h"
#include "platform/qt/QtFontMetrics.h"

namespace zv {
namespace {
constexpr double kMaxImagePixels = 400e6;  // refuse images above ~1.6 GB
constexpr int kPdfResolution = 1200;         // PDF device units per inch

QString ToQPath(const std::string& path) { return QString::fromStdString(Cp1252ToUtf8(path)); }
}  // namespace

void EnsureGuiApplication()
{
    if (QCoreApplication::instance()) return;
    if (!std::getenv("QT_QPA_PLATFORM") && !std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY"))
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
    static int argc = 1;
    static char name[] = "zvreport";
    static char* argv[] = {name, nullptr};
    static std::unique_ptr<QGuiApplication> app = std::make_unique<QGuiApplication>(argc, argv);
}

QImage RenderEmf(const EmfFile& picture, double dpi)
{
    if (!(dpi > 0) || dpi > 2400) throw Exception("Invalid resolution");
    Rect frame = picture.frameInPixels();
    const int32_t w = std::max(1, frame.width()), h = std::max(1, frame.height());
    const double k = dpi / kScreenPixelsPerInch;
    const double iw = std::ceil(w * k), ih = std::ceil(h * k);
    if (iw * ih > kMaxImagePixels) throw Exception("The page is too large to render at this resolution");
    QImage img(static_cast<int>(iw), static_cast<int>(ih), QImage::Format_RGB32);
    img.fill(Qt::white);
    QPainter painter(&img);
    painter.scale(k, k);
    QtCanvas canvas(painter);
    QtFontMetrics metrics;
    canvas.setMetrics(&metrics);
    PlayEmf(picture, canvas, {0, 0, w, h});
    painter.end();
    return img;
}

void SaveEmfAsPng(const EmfFile& picture, const std::string& path, double dpi)
{
    QImage img = RenderEmf(picture, dpi);
    const double k = dpi / 0.0254;
    img.setDotsPerMeterX(static_cast<int>(std::lround(k)));
    img.setDotsPerMeterY(static_cast<int>(std::lround(k)));
    if (!img.save(ToQPath(path), "PNG")) throw Exception("Cannot create file \"" + path + "\"");
}

void SavePagesAsPdf(const std::vector<RenderPage>& pages, const std::string& path)
{
    if (pages.empty()) throw Exception("No pages to write");
    QPdfWriter writer(ToQPath(path));
    writer.setResolution(kPdfResolution);
    writer.setCreator("Zelvo report");
    auto pageSize = [](const RenderPage& p) {
        double w = std::max(1, p.paperWidth) / 10.0, h = std::max(1, p.paperHeight) / 10.0;
        if (p.orientation == 1 && w < h) std::swap(w, h);
        return QPageSize(QSizeF(w, h), QPageSize::Millimeter, QString(), QPageSize::ExactMatch);
    };
    writer.setPageMargins(QMarginsF(0, 0, 0, 0));
    writer.setPageSize(pageSize(pages[0]));
    QPainter painter;
    if (!painter.begin(&writer)) throw Exception("Cannot create file \"" + path + "\"");
    QtFontMetrics metrics;
    for (size_t i = 0; i < pages.size(); ++i) {
        const RenderPage& p = pages[i];
        QPageSize size = pageSize(p);
        if (i > 0) {
            writer.setPageSize(size);
            writer.newPage();
        }
        QSizeF mm = size.size(QPageSize::Millimeter);
        // The paper in page pixels (96 per inch); the device is kPdfResolution per inch.
        const int32_t w = static_cast<int32_t>(std::lround(mm.width() * kScreenPixelsPerInch / 25.4));
        const int32_t h = static_cast<int32_t>(std::lround(mm.height() * kScreenPixelsPerInch / 25.4));
        painter.resetTransform();
        painter.scale(static_cast<double>(kPdfResolution) / kScreenPixelsPerInch,
                      static_cast<double>(kPdfResolution) / kScreenPixelsPerInch);
        if (p.picture && !p.picture->empty()) {
            QtCanvas canvas(painter);
            canvas.setMetrics(&metrics);
            PlayEmf(*p.picture, canvas, {0, 0, w, h});
        }
    }
    if (!painter.end()) throw Exception("Cannot create file \"" + path + "\"");
}

}  // namespace zv
