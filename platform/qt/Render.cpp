// Rendering page pictures through the player and the QPainter canvas, to PNG and PDF.
#include "platform/qt/Render.h"

#include <QGuiApplication>
#include <QIODevice>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/base/Error.h"
#include "platform/base/Files.h"
#include "platform/base/Stream.h"
#include "platform/base/Text.h"
#include "platform/emf/EmfPlayer.h"
#include "platform/qt/QtCanvas.h"
#include "platform/qt/QtFontMetrics.h"

namespace zv {
namespace {
constexpr double kMaxImagePixels = 400e6;  // refuse images above ~1.6 GB
constexpr int kPdfResolution = 1200;       // PDF device units per inch

// A write-only device over one of our streams, so Qt's writers can fill a replace-by-rename file.
// A failed write is remembered and reported once the writer is done (Qt's writers ignore it).
class StreamDevice : public QIODevice {
public:
    explicit StreamDevice(Stream& stream) : stream_(stream) { open(QIODevice::WriteOnly); }
    bool failed() const { return failed_; }

protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char* data, qint64 n) override
    {
        if (failed_) return -1;
        try {
            stream_.writeBuffer(data, static_cast<size_t>(n));
            return n;
        } catch (...) {
            failed_ = true;
            return -1;
        }
    }

private:
    Stream& stream_;
    bool failed_ = false;
};

// Qt tags each embedded font subset in its descriptor's /FontName ("/QJTGAA+LiberationSans") but
// not in /BaseFont, which readers such as pdffonts take for the font's name, so the subsets pass
// for whole fonts. This device adds the tag to /BaseFont as the font dictionaries go by and, as
// that moves every later object, holds back the cross-reference table (written last) and moves its
// offsets when the document is finished.
class PdfDevice : public StreamDevice {
public:
    using StreamDevice::StreamDevice;

    // Writes the cross-reference table; false when tags were added but no table came to mend.
    bool finish()
    {
        if (!inTail_) return moves_.empty();
        std::string out;
        size_t lineStart = 0;
        bool startXref = false;
        while (lineStart < tail_.size()) {
            size_t end = tail_.find('\n', lineStart);
            end = end == std::string::npos ? tail_.size() : end + 1;
            std::string line = tail_.substr(lineStart, end - lineStart);
            lineStart = end;
            // An object entry "oooooooooo ggggg n", or the table's own offset after "startxref".
            const bool entry = line.size() >= 18 && line.compare(10, 1, " ") == 0 && line.compare(16, 2, " n") == 0 &&
                               std::all_of(line.begin(), line.begin() + 10, [](char c) { return IsDigit(c); });
            const size_t digits = entry ? 10 : startXref ? line.find_first_not_of("0123456789") : 0;
            if (digits > 0 && digits != std::string::npos) {
                const long long moved = movedOffset(std::stoll(line.substr(0, digits)));
                char number[24];
                std::snprintf(number, sizeof number, entry ? "%010lld" : "%lld", moved);
                line.replace(0, digits, number);
            }
            startXref = line.rfind("startxref", 0) == 0;
            out += line;
        }
        tail_.clear();
        return StreamDevice::writeData(out.data(), static_cast<qint64>(out.size())) >= 0 && !failed();
    }

protected:
    qint64 writeData(const char* data, qint64 n) override
    {
        const std::string_view chunk(data, static_cast<size_t>(n));
        const int64_t at = received_;
        received_ += n;
        if (!inTail_ && chunk.starts_with("xref\n")) inTail_ = true;
        if (inTail_) {
            tail_.append(chunk);
            return n;
        }
        if (!chunk.starts_with("<<")) return StreamDevice::writeData(data, n);
        rememberTags(chunk);
        std::string out(chunk);
        static constexpr std::string_view kBaseFont = "/BaseFont /";
        size_t added = 0;  // to this chunk so far
        for (size_t i = out.find(kBaseFont); i != std::string::npos; i = out.find(kBaseFont, i + 1)) {
            const size_t name = i + kBaseFont.size();
            const auto tag = tags_.find(out.substr(name, out.find_first_of(" /\n>", name) - name));
            if (tag == tags_.end()) continue;
            out.insert(name, tag->second);
            moves_.push_back({at + static_cast<int64_t>(name - added), static_cast<int64_t>(tag->second.size())});
            added += tag->second.size();
        }
        return StreamDevice::writeData(out.data(), static_cast<qint64>(out.size())) < 0 ? -1 : n;
    }

private:
    // "/FontName /TAGTAG+Name": the tag for Name.
    void rememberTags(std::string_view chunk)
    {
        static constexpr std::string_view kFontName = "/FontName /";
        const size_t i = chunk.find(kFontName);
        if (i == std::string_view::npos) return;
        const std::string_view rest = chunk.substr(i + kFontName.size());
        const size_t plus = rest.find('+');
        if (plus != 6) return;
        const size_t end = rest.find_first_of(" /\n>", plus);
        tags_[std::string(rest.substr(plus + 1, end == std::string_view::npos ? end : end - plus - 1))] =
            std::string(rest.substr(0, plus + 1));
    }
    // Where the byte Qt wrote at this offset has gone.
    long long movedOffset(long long offset) const
    {
        long long added = 0;
        for (const auto& [at, bytes] : moves_)
            if (at < offset) added += bytes;
        return offset + added;
    }

    std::map<std::string, std::string> tags_;         // font name -> "TAGTAG+"
    std::vector<std::pair<int64_t, int64_t>> moves_;  // where Qt's bytes were added to, how many
    int64_t received_ = 0;                            // bytes received from Qt
    bool inTail_ = false;
    std::string tail_;
};

// Papers from files are taken between 1 mm and the largest PDF page (200 inches).
constexpr int32_t kMinPaper = 10, kMaxPaper = 50800;  // tenths of a millimetre

QPageSize PaperPageSize(const PagePicture& p)
{
    double w = std::clamp(p.paperWidth, kMinPaper, kMaxPaper) / 10.0,
           h = std::clamp(p.paperHeight, kMinPaper, kMaxPaper) / 10.0;
    if (p.orientation == 1 && w < h) std::swap(w, h);
    return QPageSize(QSizeF(w, h), QPageSize::Millimeter, QString(), QPageSize::ExactMatch);
}

class PdfWriter : public PageDocumentWriter {
public:
    void begin(Stream& out, const DocumentProperties& properties) override
    {
        device_ = std::make_unique<PdfDevice>(out);
        writer_ = std::make_unique<QPdfWriter>(device_.get());
        writer_->setResolution(kPdfResolution);
        writer_->setCreator("Zelvo report");
        writer_->setTitle(QString::fromStdU16String(Cp1252ToUtf16(properties.title)));
        writer_->setPageMargins(QMarginsF(0, 0, 0, 0));
    }

    void addPage(const PagePicture& p) override
    {
        if (!writer_) throw Exception("The document is not open");
        QPageSize size = PaperPageSize(p);
        writer_->setPageSize(size);
        if (pages_ == 0) {
            if (!painter_.begin(writer_.get())) throw Exception("Cannot write the PDF document");
        } else {
            writer_->newPage();
        }
        ++pages_;
        QSizeF mm = size.size(QPageSize::Millimeter);
        // The paper in page pixels (96 per inch); the device is kPdfResolution per inch.
        const int32_t w = static_cast<int32_t>(std::lround(mm.width() * kScreenPixelsPerInch / 25.4));
        const int32_t h = static_cast<int32_t>(std::lround(mm.height() * kScreenPixelsPerInch / 25.4));
        painter_.resetTransform();
        painter_.scale(static_cast<double>(kPdfResolution) / kScreenPixelsPerInch,
                       static_cast<double>(kPdfResolution) / kScreenPixelsPerInch);
        if (p.picture && !p.picture->empty()) {
            QtCanvas canvas(painter_);
            canvas.setMetrics(&metrics_);
            PlayEmf(*p.picture, canvas, {0, 0, w, h});
        }
    }

    void end() override
    {
        if (pages_ == 0) throw Exception("No pages to write");
        const bool ok = painter_.end();
        writer_.reset();
        if (!ok || !device_->finish() || device_->failed()) throw Exception("Cannot write the PDF document");
    }

private:
    std::unique_ptr<PdfDevice> device_;
    std::unique_ptr<QPdfWriter> writer_;
    QPainter painter_;
    QtFontMetrics metrics_;
    int pages_ = 0;
};

QImage WithResolution(QImage img, double dpi)
{
    const double k = dpi / 0.0254;
    img.setDotsPerMeterX(static_cast<int>(std::lround(k)));
    img.setDotsPerMeterY(static_cast<int>(std::lround(k)));
    return img;
}

class PngWriter : public PageDocumentWriter {
public:
    void begin(Stream& out, const DocumentProperties& properties) override
    {
        out_ = &out;
        dpi_ = properties.dpi;
        written_ = false;
    }
    void addPage(const PagePicture& p) override
    {
        if (!out_ || written_) throw Exception("A PNG file holds one page");
        if (!p.picture) throw Exception("No page picture");
        QImage img = WithResolution(RenderEmf(*p.picture, dpi_), dpi_);
        StreamDevice device(*out_);
        if (!img.save(&device, "PNG") || device.failed()) throw Exception("Cannot write the PNG image");
        written_ = true;
    }
    void end() override
    {
        if (!written_) throw Exception("No pages to write");
    }

private:
    Stream* out_ = nullptr;
    double dpi_ = 150;
    bool written_ = false;
};

}  // namespace

std::unique_ptr<PageDocumentWriter> MakePdfWriter() { return std::make_unique<PdfWriter>(); }
std::unique_ptr<PageDocumentWriter> MakePngWriter() { return std::make_unique<PngWriter>(); }

void RegisterQtPageWriters()
{
    RegisterPageWriter({"pdf", "Documento PDF", "*.pdf", 0, MakePdfWriter});
    RegisterPageWriter({"png", "Immagine PNG", "*.png", 1, MakePngWriter});
}

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
    QImage img = WithResolution(RenderEmf(picture, dpi), dpi);
    SaveFileAtomically(path, [&](Stream& s) {
        StreamDevice device(s);
        if (!img.save(&device, "PNG") || device.failed()) throw Exception("Cannot create file \"" + path + "\"");
    });
}

void SavePagesAsPdf(const std::vector<RenderPage>& pages, const std::string& path, const std::string& title)
{
    if (pages.empty()) throw Exception("No pages to write");
    SaveFileAtomically(path, [&](Stream& s) {
        PdfWriter writer;
        DocumentProperties props;
        props.title = title;
        writer.begin(s, props);
        for (const RenderPage& p : pages) writer.addPage(p);
        writer.end();
    });
}

}  // namespace zv
