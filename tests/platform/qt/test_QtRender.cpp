// Qt canvas, Qt font metrics and rendering: GDI pixel rules, advances, the golden test page, PDF pages,
// two-dimensional barcodes on rendered pages read back by decoders.
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QProcess>
#include <QtTest>
#include <cstdlib>

#include "platform/base/Error.h"
#include "platform/base/Text.h"
#include "platform/base/Variant.h"
#include "platform/emf/EmfPlayer.h"
#include "platform/emf/EmfRecorder.h"
#include "platform/qt/QtCanvas.h"
#include "platform/qt/QtFontMetrics.h"
#include "platform/qt/Render.h"
#include "report/ZV_Barcode.h"
#include "report/ZV_CBar.h"
#include "report/ZV_Expr.h"
#include "report/ZV_Report.h"
#include "tests/support/BarcodeTestUtil.h"
#include "tests/support/EmfTestPage.h"

using namespace zv;

namespace {
constexpr const char* kGolden = ZV_SOURCE_DIR "/tests/data/emf/testpage_96dpi.png";
// A pixel differs when any channel is further apart than this; at most kMaxDiffShare of the
// pixels may differ (font rasterisation differs slightly between FreeType builds).
constexpr int kChannelTolerance = 48;
constexpr double kMaxDiffShare = 0.004;

EmfFile TestPage(FontMetrics& m)
{
    EmfRecorder rec(400, 300);
    rec.setMetrics(&m);
    zvtest::DrawTestPage(rec);
    return EmfFile(rec.finish());
}

QImage Draw(int w, int h, const std::function<void(Canvas&)>& draw)
{
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(Qt::white);
    QPainter p(&img);
    QtCanvas c(p);
    draw(c);
    p.end();
    return img;
}

bool Dark(const QImage& img, int x, int y) { return qGray(img.pixel(x, y)) < 128; }

// Every bracketed name evaluates to this text (Windows-1252).
std::string gBarcodeText;
void ResolveBarcodeText(void*, std::string_view, const TzvArgList*, Variant& value) { value = gBarcodeText; }

// What ZXingReader read from an image: the decoded text of its "Text:" line (UTF-8), or "".
std::string ZxingText(const std::string& path)
{
    const std::string out = bctest::Capture("ZXingReader " + bctest::ShellQuote(path) + " 2>/dev/null");
    const size_t line = out.find("Text:");
    if (line == std::string::npos) return {};
    const size_t open = out.find('"', line), close = out.find("\"\n", line);
    return open < close && close != std::string::npos ? out.substr(open + 1, close - open - 1) : std::string();
}
}  // namespace

class TestQtRender : public QObject {
    Q_OBJECT
private slots:
    void familiesMapToInstalledFonts()
    {
        QCOMPARE(QString::fromStdString(MapFontFamily("Arial")), QString("Liberation Sans"));
        QCOMPARE(QString::fromStdString(MapFontFamily("arial")), QString("Liberation Sans"));
        QCOMPARE(QString::fromStdString(MapFontFamily("Times New Roman")), QString("Liberation Serif"));
        QCOMPARE(QString::fromStdString(MapFontFamily("Courier New")), QString("Liberation Mono"));
        QCOMPARE(QString::fromStdString(MapFontFamily("Unknown Face")), QString("Unknown Face"));
        QFontInfo info(ToQFont(Font{}));
        QCOMPARE(info.family(), QString("Liberation Sans"));
    }

    void advancesAreWholePixelsThatAddUp()
    {
        QtFontMetrics m;
        Font f;
        f.height = -16;
        // Liberation Sans has Arial's widths: at 16 px 'W' is 15.1 px and 'i' 3.55 px.
        QCOMPARE(m.advance(f, 'W'), 15);
        QCOMPARE(m.advance(f, 'i'), 4);
        QCOMPARE(m.textWidth(f, "Wii"), 23);
        Font mono = f;
        mono.name = "Courier New";
        QCOMPARE(m.advance(mono, 'i'), m.advance(mono, 'W'));
        Font bold = f;
        bold.style = fsBold;
        QVERIFY(m.textWidth(bold, "Grassetto") > m.textWidth(f, "Grassetto"));
        Font turned = f;
        turned.escapement = 900;
        QCOMPARE(m.textWidth(turned, "Grassetto"), m.textWidth(f, "Grassetto"));
        TextMetrics tm = m.metrics(f);
        QCOMPARE(tm.height, tm.ascent + tm.descent);
        QVERIFY(tm.height >= 17 && tm.height <= 20);
        QVERIFY(m.advance(f, 0xE8) > 0);  // e grave
    }

    void rectanglesExcludeRightAndBottomEdges()
    {
        QImage img = Draw(30, 30, [](Canvas& c) {
            c.setPen({clBlack, 1});
            c.setBrush({clWhite, BrushStyle::Clear});
            c.rectangle({5, 5, 15, 15});
            c.setBrush({clBlack, BrushStyle::Solid});
            c.fillRect({20, 20, 25, 25});
        });
        QVERIFY(Dark(img, 5, 5));
        QVERIFY(Dark(img, 14, 14));
        QVERIFY(!Dark(img, 15, 15));
        QVERIFY(!Dark(img, 10, 10));
        QVERIFY(Dark(img, 24, 24));
        QVERIFY(!Dark(img, 25, 24));
        QVERIFY(!Dark(img, 24, 25));
    }

    void nullPenRectangleFillsOnePixelLess()
    {
        QImage img = Draw(20, 20, [](Canvas& c) {
            c.setPen({clBlack, 1, PenStyle::Clear});
            c.setBrush({clBlack, BrushStyle::Solid});
            c.rectangle({2, 2, 10, 10});
        });
        QVERIFY(Dark(img, 8, 8));
        QVERIFY(!Dark(img, 9, 9));
    }

    void clippedTextStaysInsideItsRectangle()
    {
        QImage img = Draw(200, 40, [](Canvas& c) {
            Font f;
            f.height = -20;
            c.setFont(f);
            c.setBrush({clWhite, BrushStyle::Clear});
            c.textRect({0, 0, 30, 40}, 2, 5, "MMMMMMMM");
        });
        bool inside = false, outside = false;
        for (int y = 0; y < 40; ++y)
            for (int x = 0; x < 200; ++x)
                if (Dark(img, x, y)) (x < 30 ? inside : outside) = true;
        QVERIFY(inside);
        QVERIFY(!outside);
    }

    void opaqueTextFillsItsCell()
    {
        QImage img = Draw(100, 30, [](Canvas& c) {
            c.setBrush({clBlack, BrushStyle::Solid});
            Font f;
            f.color = clWhite;
            c.setFont(f);
            c.textOut(10, 5, "ab");
        });
        QVERIFY(Dark(img, 11, 6));
        QVERIFY(!Dark(img, 9, 6));
    }

    void testPageMatchesTheGoldenImage()
    {
        QtFontMetrics m;
        EmfFile page = TestPage(m);
        QImage img = RenderEmf(page, 96).convertToFormat(QImage::Format_RGB32);
        QCOMPARE(img.size(), QSize(400, 300));
        if (std::getenv("ZV_REGEN_GOLDEN")) {
            QVERIFY(img.save(kGolden, "PNG"));
            QSKIP("golden image written");
        }
        QImage golden(kGolden);
        QVERIFY2(!golden.isNull(), "missing golden image; run tests/data/emf/regen.sh");
        golden = golden.convertToFormat(QImage::Format_RGB32);
        QCOMPARE(golden.size(), img.size());
        int differ = 0;
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x) {
                QRgb a = img.pixel(x, y), b = golden.pixel(x, y);
                if (std::abs(qRed(a) - qRed(b)) > kChannelTolerance ||
                    std::abs(qGreen(a) - qGreen(b)) > kChannelTolerance ||
                    std::abs(qBlue(a) - qBlue(b)) > kChannelTolerance)
                    ++differ;
            }
        const double share = static_cast<double>(differ) / (img.width() * img.height());
        if (share > kMaxDiffShare) img.save(QString(ZV_BINARY_DIR) + "/testpage_96dpi.actual.png");
        QVERIFY2(share <= kMaxDiffShare, qPrintable(QString("%1 pixels differ").arg(differ)));
        // Some things the image must show wherever it came from: the clipped green square stops
        // at the clip, the bitmap is there, the barcode-like bars are sharp.
        QCOMPARE(img.pixel(330, 180), qRgb(0, 255, 0));
        QCOMPARE(img.pixel(305, 155), qRgb(255, 255, 255));
        QCOMPARE(img.pixel(220, 85), qRgb(0, 0, 0));
        QCOMPARE(img.pixel(221, 85), qRgb(255, 255, 255));
        QCOMPARE(img.pixel(227, 85), qRgb(0, 0, 0));
        QCOMPARE(img.pixel(228, 85), qRgb(255, 255, 255));
    }

    void higherResolutionScalesThePage()
    {
        QtFontMetrics m;
        EmfFile page = TestPage(m);
        QImage img = RenderEmf(page, 192);
        QCOMPARE(img.size(), QSize(800, 600));
        QCOMPARE(img.pixel(660, 360), qRgb(0, 255, 0));
        bool refused = false;
        try {
            RenderEmf(page, 0);
        } catch (const zv::Exception&) {
            refused = true;
        }
        QVERIFY(refused);
    }

    void pdfHasOnePagePerPictureWithItsPaper()
    {
        QtFontMetrics m;
        EmfFile a = TestPage(m);
        EmfRecorder rec(1123, 794);
        Font f;
        f.height = -20;
        rec.setFont(f);
        rec.textOut(100, 100, "Seconda pagina orizzontale");
        EmfFile b(rec.finish());
        const QString path = QString(ZV_BINARY_DIR) + "/render_test.pdf";
        // The test page is 400 x 300 pixels: 1058 x 794 tenths of a millimetre.
        std::vector<RenderPage> pages = {{&a, 1058, 794, 0}, {&b, 2100, 2970, 1}};
        SavePagesAsPdf(pages, path.toStdString());
        QProcess info;
        info.start("pdfinfo", {"-f", "1", "-l", "2", path});
        QVERIFY(info.waitForFinished());
        const QString out = QString::fromUtf8(info.readAllStandardOutput());
        QVERIFY2(out.contains(QRegularExpression("Pages:\\s+2")), qPrintable(out));
        QVERIFY2(out.contains(QRegularExpression("Page\\s+1 size:\\s+(299|300)(\\.\\d+)? x 22[45](\\.\\d+)? pts")),
                 qPrintable(out));
        QVERIFY2(out.contains(QRegularExpression("Page\\s+2 size:\\s+842 x 595 pts")), qPrintable(out));
        QProcess text;
        text.start("pdftotext", {path, "-"});
        QVERIFY(text.waitForFinished());
        const QString words = QString::fromUtf8(text.readAllStandardOutput());
        QVERIFY2(words.contains("Grassetto corsivo"), qPrintable(words));
        QVERIFY2(words.contains("Seconda pagina"), qPrintable(words));
    }

    void twoDimensionalBarcodesDecodeFromPngAndPdfPages_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<QByteArray>("text");  // Windows-1252
        const QByteArray accented("Perch\xE9 \xE8 gi\xE0 cos\xEC");
        QByteArray thousand;
        while (thousand.size() < 1000) thousand += accented + "? 0123456789 ";
        thousand.truncate(1000);
        const std::pair<int, const char*> types[] = {{bcQRCode, "qr"}, {bcDataMatrix, "dm"}, {bcPDF417, "pdf417"}};
        for (const auto& [type, name] : types) {
            QTest::addRow("%s accented", name) << type << accented;
            QTest::addRow("%s digits", name) << type << QByteArray("20261209004000");
            QTest::addRow("%s 1000 characters", name) << type << thousand;
            QTest::addRow("%s empty", name) << type << QByteArray();
        }
    }

    // A barcode object recorded into a landscape A4 page metafile as the page preparation does,
    // rendered as PNG at 150 and 300 dpi and as PDF rasterised by pdftoppm: ZXingReader (and zbar
    // for QR Code) read exactly the text; from an empty text's error box they read nothing.
    void twoDimensionalBarcodesDecodeFromPngAndPdfPages()
    {
        QFETCH(int, type);
        QFETCH(QByteArray, text);
        for (const char* tool : {"ZXingReader", "zbarimg", "pdftoppm"})
            if (!bctest::ToolInstalled(tool))
                QFAIL(qPrintable(QString(tool) + " is not installed (scripts/deps.sh installs it)"));
        QtFontMetrics m;
        EmfRecorder rec(1123, 794);
        rec.setMetrics(&m);
        gBarcodeText = text.toStdString();
        SetExprResolver({&ResolveBarcodeText, nullptr});
        zvState().RunMode = true;
        TzvCodeBarreView bar(nullptr);
        bar.BarType = static_cast<uint8_t>(type);
        bar.Lines = {"[Testo]"};
        bar.Left = 20;
        bar.Top = 20;
        bar.Width = 1080;
        bar.Height = 750;
        bar.Draw(rec);
        zvState().RunMode = false;
        ClearExprResolver(nullptr);
        EmfFile page(rec.finish());

        const std::string base =
            std::string(ZV_BINARY_DIR) + "/render_2d_" + std::to_string(type) + "_" + std::to_string(text.size());
        SaveEmfAsPng(page, base + "_150.png", 150);
        SaveEmfAsPng(page, base + "_300.png", 300);
        SavePagesAsPdf({{&page, 2100, 2970, 1}}, base + ".pdf");
        bctest::Capture("pdftoppm -r 150 -png -singlefile " + bctest::ShellQuote(base + ".pdf") + " " +
                        bctest::ShellQuote(base + "_pdf"));
        const std::string expected = Cp1252ToUtf8(gBarcodeText);
        for (const char* image : {"_150.png", "_300.png", "_pdf.png"}) {
            const std::string path = base + image;
            QVERIFY2(QImage(QString::fromStdString(path)).width() > 1000, path.c_str());
            QCOMPARE(ZxingText(path), expected);
            if (type == bcQRCode)
                QCOMPARE(bctest::TrimNewlines(
                             bctest::Capture("zbarimg --raw -q " + bctest::ShellQuote(path) + " 2>/dev/null")),
                         expected);
        }
    }

    // The recorder gathers solid boxes and runs of text into fewer records; the page must play
    // to the same pixels as when every call is recorded on its own.
    void gatheredRecordsPlayLikeTheSeparateCalls()
    {
        QtFontMetrics m;
        auto draw = [](EmfRecorder& c) {
            Font f;
            f.setSize(8);
            c.setFont(f);
            c.setBrush({clWhite, BrushStyle::Clear});
            struct Bar {
                TBarcodeType type;
                const char* text;
                int modul;
                Color space, bar;
            };
            // EAN-13 tiles its box; POSTNET's short bars do not; red on yellow tests the colours.
            const Bar bars[] = {{bcCodeEAN13, "800123456789", 1, clWhite, clBlack},
                                {bcCodeEAN13, "800123456789", 2, clYellow, clRed},
                                {bcCodePostNet, "12345", 2, clWhite, clBlack},
                                {bcCode128B, "Zelvo-42", 1, clWhite, clNavy}};
            int y = 20;
            for (const Bar& b : bars) {
                TBarcode bc;
                bc.SetLeft(30);
                bc.SetTop(y);
                bc.SetHeight(40);
                bc.SetModul(b.modul);
                bc.SetTyp(b.type);
                bc.SetColor(b.space);
                bc.SetColorBar(b.bar);
                bc.SetText(b.text);
                bc.DrawOn(c);
                c.beginTextRun();
                for (int i = 0; b.text[i]; ++i) c.textOut(32 + i * 11, y + 42, std::string(1, b.text[i]));
                c.endTextRun();
                y += 70;
            }
            // Boxes that overlap, in one colour and in two: drawn in order.
            c.setPen({clGreen, 1});
            c.setBrush({clGreen, BrushStyle::Solid});
            const Point a[] = {{300, 20}, {300, 60}, {340, 60}, {340, 20}};
            const Point b[] = {{320, 40}, {320, 80}, {360, 80}, {360, 40}};
            c.polygon(a);
            c.polygon(b);
            c.setPen({clBlue, 1});
            c.setBrush({clBlue, BrushStyle::Solid});
            const Point d[] = {{330, 30}, {350, 30}, {350, 50}, {330, 50}};
            c.polygon(d);
            // An opaque run keeps its characters apart; a run may also cross a box.
            c.setBrush({clSilver, BrushStyle::Solid});
            c.beginTextRun();
            for (int i = 0; i < 6; ++i) c.textOut(300 + i * 14, 100, std::string(1, static_cast<char>('a' + i)));
            c.endTextRun();
        };
        EmfRecorder gathered(400, 320), separate(400, 320);
        gathered.setMetrics(&m);
        separate.setMetrics(&m);
        separate.setGathering(false);
        draw(gathered);
        draw(separate);
        EmfFile g(gathered.finish()), s(separate.finish());
        QVERIFY2(g.bytes().size() * 2 < s.bytes().size(), qPrintable(QString::number(g.bytes().size())));
        for (double dpi : {96.0, 300.0}) {
            const QImage a = RenderEmf(g, dpi), b = RenderEmf(s, dpi);
            QCOMPARE(a.size(), b.size());
            QVERIFY2(a == b, qPrintable(QString("differs at %1 dpi").arg(dpi)));
        }
    }
};

QTEST_MAIN(TestQtRender)
#include "test_QtRender.moc"
