// The preview windows and the progress windows: showing modally and non-modally, the copy a
// non-modal preview works on, freeing, the page layout as painted, and the progress dialogs.
#include <QComboBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPrintDialog>
#include <QPrinterInfo>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>
#include <QtTest>
#include <cmath>
#include <filesystem>
#include <memory>

#include "platform/base/Error.h"
#include "platform/base/Files.h"
#include "platform/base/FormatSettings.h"
#include "platform/base/Stream.h"
#include "platform/device/PageWriter.h"
#include "platform/device/UiServices.h"
#include "platform/emf/EmfReader.h"
#include "platform/emf/EmfRecorder.h"
#include "platform/qt/QtCanvas.h"
#include "platform/qt/QtFontMetrics.h"
#include "platform/qt/QtPrinter.h"
#include "platform/qt/QtText.h"
#include "report/ZV_Barcode.h"
#include "report/ZV_Const.h"
#include "report/ZV_EMFPages.h"
#include "report/ZV_Export.h"
#include "report/ZV_Init.h"
#include "report/ZV_Memo.h"
#include "report/ZV_Picture.h"
#include "report/ZV_Prntr.h"
#include "report/ZV_Report.h"
#include "report/ZV_Template.h"
#include "report/ZV_Utils.h"
#include "tests/support/ModalHelper.h"
#include "ui/ZV_CBarForm.h"
#include "ui/ZV_Find.h"
#include "ui/ZV_InitUi.h"
#include "ui/ZV_Prev.h"
#include "ui/ZV_progr.h"

using namespace zv;

namespace {

// A page design of the given paper (tenths of a millimetre) whose picture is as large as the paper.
void Design(TzvPage& p, int32_t paperWidth, int32_t paperHeight)
{
    p.PaperSize = kPaperCustom;
    p.PaperWidth = paperWidth;
    p.PaperHeight = paperHeight;
    const int32_t w = PagePixels(paperWidth), h = PagePixels(paperHeight);
    p.Info = {0, 0, w, h, 0, 0, 0, 0, w, h};
}

// Adds a page with a black block at (100, 100)-(200, 150) of its picture.
void AddPage(TzvReport& report, int32_t paperWidth = 2100, int32_t paperHeight = 2970)
{
    TzvPage design;
    Design(design, paperWidth, paperHeight);
    EmfRecorder& canvas = report.EMFPages.Add(design);
    canvas.setBrush(Brush{clBlack});
    canvas.fillRect({100, 100, 200, 150});
    report.EMFPages.FinishPage(report.EMFPages.Count() - 1);
}

void FlushDeferredDeletes() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

// Adds an A4 page with a text at (100, 200).
void AddTextPage(TzvReport& report, const std::string& text)
{
    TzvPage design;
    Design(design, 2100, 2970);
    EmfRecorder& canvas = report.EMFPages.Add(design);
    canvas.textOut(100, 200, text);
    report.EMFPages.FinishPage(report.EMFPages.Count() - 1);
}

// Answers the next find dialog with this text and origin button, then OK; keep the watcher
// while the dialog is due.
[[nodiscard]] std::unique_ptr<zvtest::ModalWatch> AnswerFindDialog(
    const QString& text, QRadioButton* TFindForm::*origin, QString* seenTitle = nullptr,
    std::source_location where = std::source_location::current())
{
    return zvtest::WhenModalOfClassShows<TFindForm>(
        [=](TFindForm* f) {
            if (seenTitle) *seenTitle = f->windowTitle();
            f->FindText->setEditText(text);
            if (origin) (f->*origin)->setChecked(true);
            f->OKBtn->click();
        },
        where);
}

QImage Grab(TStandardPreview& preview)
{
    QApplication::processEvents();
    return preview.PaintPanel->grab().toImage();
}

// Opens a non-modal preview of the report and waits until it is laid out and active.
TStandardPreview* OpenPreview(TzvReport& report)
{
    report.ModalPreview = false;
    report.ShowPreview();
    auto* preview = dynamic_cast<TStandardPreview*>(OpenPreviews().back());
    preview->activateWindow();
    (void)QTest::qWaitForWindowActive(preview);
    QApplication::processEvents();
    return preview;
}

void ClosePreview(TStandardPreview* preview)
{
    preview->close();
    FlushDeferredDeletes();
}

// The frame of page index as painted: from its origin, at the preview's zoom.
Rect FrameOf(TStandardPreview& p, int index)
{
    const QPoint o = p.PageOrigin(index);
    const TzvEMFPage& page = p.Report->EMFPages.Pages(index);
    const double w = page.PaperWidth * 397.0 / 1050.0 * p.Zoom / 100,
                 h = page.PaperHeight * 397.0 / 1050.0 * p.Zoom / 100;
    return {o.x(), o.y(), static_cast<int32_t>(std::nearbyint(w + o.x() + 1)),
            static_cast<int32_t>(std::nearbyint(h + o.y() + 1))};
}

// Answers the next file question with this file and filter (1-based), noting what was asked.
struct FileQuestion {
    bool save = false;
    std::string title;
    QStringList filters;
};
void AnswerFileDialog(const QString& file, int filterIndex, FileQuestion* asked = nullptr)
{
    TStandardPreview::FileDialog() = [=](QWidget*, bool save, const std::string& title, const QStringList& filters) {
        if (asked) *asked = {save, title, filters};
        return std::make_pair(FromQString(file), filterIndex);
    };
}

bool IsBlack(const QImage& img, int x, int y) { return img.pixelColor(x, y) == QColor(Qt::black); }
bool IsWhite(const QImage& img, int x, int y) { return img.pixelColor(x, y) == QColor(Qt::white); }

// The shapes an icon shows: white sheets met along a row between two lines of text, a dark row
// from edge to edge (an arrow across), dark pixels in all four corners (arrows out to the corners).
struct GlyphShapes {
    int sheets = 0;
    bool acrossArrow = false, cornerArrows = false;
};
GlyphShapes ShapesOf(const QIcon& icon)
{
    const QImage img = icon.pixmap(16, 16).toImage().convertToFormat(QImage::Format_ARGB32);
    auto white = [&img](int x, int y) { return img.pixel(x, y) == qRgba(255, 255, 255, 255); };
    auto dark = [&img](int x, int y) {
        return qAlpha(img.pixel(x, y)) > 128 && img.pixelColor(x, y).lightness() < 100;
    };
    GlyphShapes g;
    auto runs = [&white](int y) {
        int n = 0;
        for (int x = 0; x < 16; ++x) n += white(x, y) && (x == 0 || !white(x - 1, y));
        return n;
    };
    g.sheets = std::min(runs(9), runs(10));  // one of the two rows has no line of text
    for (int y = 0; y < 16; ++y) {
        int n = 0;
        for (int x = 0; x < 16; ++x) n += dark(x, y);
        g.acrossArrow = g.acrossArrow || n >= 15;
    }
    g.cornerArrows = dark(0, 0) && dark(15, 0) && dark(0, 15) && dark(15, 15);
    return g;
}

}  // namespace

class TestPreview : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        InitReportLibrary();
        InitReportUi();
        InitReportUi();  // a second start-up changes nothing
    }

    void startUpRegistersThePreviewAndTheProgressWindow()
    {
        QCOMPARE(PreviewClass().ClassName, std::string("TStandardPreview"));
        QVERIFY(ProgressForm() != nullptr);
        QCOMPARE(ProgressWindow(), static_cast<TzvProgressWindow*>(ProgressForm()));
        QVERIFY(zvState().ScreenPixelsPerInch > 0);
        QVERIFY(Prn().PlatformPrinter != nullptr);
        // The barcode object's add-in entry has its editor now.
        const auto& addIns = AddInObjects();
        const auto barcode = std::find_if(addIns.begin(), addIns.end(), [](const TzvAddInObjectInfo& i) {
            return i.ClassName == "TzvCodeBarreView";
        });
        QVERIFY(barcode != addIns.end());
        QVERIFY(barcode->CreateEditor);
        const std::unique_ptr<TzvObjEditorForm> editor = barcode->CreateEditor();
        QVERIFY(dynamic_cast<TCodeBarreForm*>(editor.get()) != nullptr);
    }

    void modalPreviewShowsTheReportItselfAndIsFreedWhenClosed()
    {
        TzvReport report;
        report.Title = "Demo BarCode";
        AddPage(report);
        QPointer<TStandardPreview> seen;
        bool sawStayOnTop = true, sawMaximized = false;
        TzvReport* shown = nullptr;
        size_t openWhileShown = 0;
        auto answered = zvtest::WhenModalOfClassShows<TStandardPreview>([&](TStandardPreview* w) {
            seen = w;
            sawStayOnTop = seen->windowFlags().testFlag(Qt::WindowStaysOnTopHint);
            sawMaximized = seen->isMaximized();
            shown = seen->Report;
            openWhileShown = OpenPreviews().size();
            seen->CloseBtn->click();
        });
        report.ShowPreview();  // returns once the window is closed
        QVERIFY(seen);
        QCOMPARE(zv::FromQString(seen->windowTitle()), std::string("Anteprima - Demo BarCode"));
        QCOMPARE(shown, &report);
        QCOMPARE(openWhileShown, size_t(1));
        QVERIFY(sawMaximized);
        QVERIFY(!sawStayOnTop);
        QVERIFY(OpenPreviews().empty());
        FlushDeferredDeletes();
        QVERIFY(!seen);
        QCOMPARE(report.EMFPages.Count(), 1);  // ShowPreview leaves the pages alone
    }

    void showReportPreparesShowsAndEmptiesThePages()
    {
        TzvReport report;  // no title: the caption is the bare word
        AddPage(report);
        QString title;
        int pagesShown = -1;
        auto answered = zvtest::WhenModalOfClassShows<TStandardPreview>([&](TStandardPreview* preview) {
            title = preview->windowTitle();
            pagesShown = preview->PageCount();
            QTest::keyClick(preview->PaintPanel, Qt::Key_Escape);
        });
        report.ShowReport();
        QCOMPARE(title, ToQString(kPreviewCaption));
        QCOMPARE(pagesShown, 1);  // the old page is gone: the empty template prints one blank page
        QCOMPARE(report.EMFPages.Count(), 0);
        QVERIFY(OpenPreviews().empty());
    }

    void nonModalPreviewWorksOnACopyThatOutlivesTheReport()
    {
        auto report = std::make_unique<TzvReport>();
        report->Title = "Copia";
        report->ModalPreview = false;
        AddPage(*report);
        AddPage(*report, 1050, 1485);
        report->ShowPreview();  // returns at once
        QCOMPARE(OpenPreviews().size(), size_t(1));
        QPointer<TStandardPreview> preview = dynamic_cast<TStandardPreview*>(OpenPreviews()[0]);
        QVERIFY(preview);
        QVERIFY(preview->isVisible());
        QVERIFY(preview->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
        QVERIFY(preview->Report != report.get());
        QCOMPARE(preview->Report, preview->OwnedReport.get());
        QCOMPARE(preview->PageCount(), 2);
        QCOMPARE(preview->Report->EMFPages.Pages(1).PaperWidth, 1050);

        report.reset();  // the caller frees its report; the preview still has the pages
        const QImage img = Grab(*preview);
        const Rect r = FrameOf(*preview, 0);
        QVERIFY(IsBlack(img, r.left + 150, r.top + 120));
        QVERIFY(IsWhite(img, r.left + 50, r.top + 50));

        preview->close();
        QVERIFY(OpenPreviews().empty());
        FlushDeferredDeletes();
        QVERIFY(!preview);
    }

    void pagesAreFramedCentredAndStackedTwelvePixelsApart()
    {
        TzvReport report;
        AddPage(report, 1050, 1485);  // 397 x 561 pixels at 100 %
        AddPage(report, 1050, 1485);
        AddPage(report, 2100, 2970);   // A4
        AddPage(report, 20000, 2970);  // wider than any screen
        TStandardPreview* preview = OpenPreview(report);
        QCOMPARE(preview->Zoom, 100.0);
        QCOMPARE(preview->CurrentPage, 1);
        QCOMPARE(preview->LabelPage->text(), QStringLiteral("1 di 4"));
        const QImage img = Grab(*preview);
        const Rect a = FrameOf(*preview, 0), b = FrameOf(*preview, 1);
        QCOMPARE(a.top, 10);
        QCOMPARE(a.width(), 398);  // the page and its frame line
        QCOMPARE(b.top, a.top + 561 + 12);

        // Centred: the gap on the right is the left one plus the shadow's pixel.
        const int canvasWidth = preview->PaintPanel->width();
        QVERIFY(std::abs((canvasWidth - a.right) - 1 - a.left) <= 1);

        // The frame, the shadow offset by three pixels, and the page's own drawing inside.
        QVERIFY(IsBlack(img, a.left, a.top + 200));
        QVERIFY(IsBlack(img, a.right - 1, a.top + 200));
        QVERIFY(IsBlack(img, a.right, a.top + 3));
        QVERIFY(!IsBlack(img, a.right, a.top + 1));
        QVERIFY(IsBlack(img, a.left + 3, a.bottom));
        QVERIFY(!IsBlack(img, a.left + 1, a.bottom));
        QVERIFY(IsWhite(img, a.left + 1, a.top + 1));
        QVERIFY(IsBlack(img, a.left + 150, a.top + 120));
        QVERIFY(IsWhite(img, a.left + 99, a.top + 120));
        QVERIFY(IsWhite(img, a.left + 201, a.top + 120));
        // Between two pages lies the background.
        QVERIFY(!IsBlack(img, a.left + 100, a.bottom + 5) && !IsWhite(img, a.left + 100, a.bottom + 5));

        // A4 at 100 %: the page rectangle is 794 pixels wide inside its frame line.
        const Rect a4 = FrameOf(*preview, 2);
        QCOMPARE(a4.width() - 1, 794);
        // A page wider than the canvas starts ten pixels from the left, and the canvas scrolls.
        QCOMPARE(FrameOf(*preview, 3).left, 10);
        QVERIFY(preview->HScroll->isEnabled());
        QCOMPARE(preview->HScroll->maximum(), 7562 - canvasWidth + 20);
        QVERIFY(preview->VScroll->isEnabled());

        preview->GoToPage(3);
        QCOMPARE(preview->VScroll->value(), 2 * (561 + 12));
        QCOMPARE(preview->CurrentPage, 3);
        QCOMPARE(preview->LabelPage->text(), QStringLiteral("3 di 4"));
        QCOMPARE(FrameOf(*preview, 2).top, 10);  // the page starts 10 pixels below the top
        preview->GoToPage(0);                    // ignored
        preview->GoToPage(5);
        QCOMPARE(preview->CurrentPage, 3);
        ClosePreview(preview);
    }

    void zoomModesScaleThePages()
    {
        TzvReport report;
        for (int i = 0; i < 5; ++i) AddPage(report);  // A4
        TStandardPreview* preview = OpenPreview(report);
        const int w = preview->PaintPanel->width(), h = preview->PaintPanel->height();
        QCOMPARE(preview->MaxPageWidth, 794);
        QCOMPARE(preview->MaxPageHeight, 1123);

        preview->PageWidth();
        QCOMPARE(preview->ZoomMode, zmPageWidth);
        QCOMPARE(preview->Zoom, (w - 20) / 794.0 * 100);
        QVERIFY(std::abs(FrameOf(*preview, 0).width() - 1 - (w - 20)) <= 1);
        QCOMPARE(preview->ZoomBtn->currentText(), QStringLiteral("Larghezza"));

        preview->OnePage();
        QVERIFY(FrameOf(*preview, 0).height() - 1 <= h - 20 + 1);  // the whole page fits the height

        preview->TwoPages();
        QCOMPARE(preview->ZoomMode, zmTwoPages);
        // Pages 1 and 2 share a row, the left one in the left half and the right one in the other.
        const Rect p1 = FrameOf(*preview, 0), p2 = FrameOf(*preview, 1), p3 = FrameOf(*preview, 2);
        QCOMPARE(p1.top, p2.top);
        QVERIFY(p1.right <= w / 2 && p2.left >= w / 2);
        QVERIFY(p3.top > p1.bottom);
        preview->NextPage();  // from page 1 to page 3
        QCOMPARE(preview->CurrentPage, 3);
        QCOMPARE(preview->LabelPage->text(), QStringLiteral("3 di 5"));
        preview->PrevPage();
        QCOMPARE(preview->CurrentPage, 1);
        // The last page of an odd count has a row of its own that the scroll range reaches.
        preview->LastPage();
        QCOMPARE(preview->CurrentPage, 5);
        QVERIFY(FrameOf(*preview, 4).bottom <= preview->PaintPanel->height());

        preview->SetZoom(50);
        QCOMPARE(FrameOf(*preview, 0).width() - 1, 397);  // A4 at 50 %
        ClosePreview(preview);
    }

    void zoomTextFollowsTheLocaleAndRejectsNonsense()
    {
        FormatSettingsOverride keep;
        DefaultFormatSettings().decimalSeparator = ',';
        QCOMPARE(TStandardPreview::ZoomText(87.25), std::string("87,2%"));
        QCOMPARE(TStandardPreview::ZoomText(87.75), std::string("87,8%"));  // halves to even
        QCOMPARE(TStandardPreview::ZoomText(100), std::string("100%"));
        DefaultFormatSettings().decimalSeparator = '.';
        QCOMPARE(TStandardPreview::ZoomText(87.25), std::string("87.2%"));
        DefaultFormatSettings().decimalSeparator = ',';

        HeadlessUi headless;
        SetUi(&headless);
        TzvReport report;
        AddPage(report);
        TStandardPreview* preview = OpenPreview(report);
        auto apply = [&](const QString& text) {
            preview->ZoomBtn->setFocus();
            preview->ZoomBtn->setEditText(text);
            preview->ApplyZoomText();
            QApplication::processEvents();  // the zoom text comes back through the window's queue
        };
        apply(QStringLiteral("75"));
        QCOMPARE(preview->Zoom, 75.0);
        QCOMPARE(preview->ZoomBtn->currentText(), QStringLiteral("75%"));
        QVERIFY(!preview->ZoomBtn->hasFocus());  // applying leaves the box
        apply(QStringLiteral("0"));
        QCOMPARE(headless.beeps, 1);
        QCOMPARE(preview->Zoom, 75.0);
        QCOMPARE(preview->ZoomBtn->currentText(), QStringLiteral("75%"));
        apply(QStringLiteral("87,5%"));
        QCOMPARE(preview->Zoom, 87.5);
        apply(QStringLiteral("Due pagine"));
        QCOMPARE(preview->ZoomMode, zmTwoPages);
        // Without the focus in the box nothing is applied.
        preview->PaintPanel->setFocus();
        preview->ZoomBtn->setEditText(QStringLiteral("30"));
        preview->ApplyZoomText();
        QCOMPARE(preview->ZoomMode, zmTwoPages);
        // Typing accepts digits, "%" and the decimal separator only, whether the keys reach the box
        // (as the keyboard sends them: the box has the focus) or its line edit.
        for (QWidget* target :
             {static_cast<QWidget*>(preview->ZoomBtn), static_cast<QWidget*>(preview->ZoomBtn->lineEdit())}) {
            preview->ZoomBtn->setFocus();
            preview->ZoomBtn->lineEdit()->clear();
            QTest::keyClicks(target, QStringLiteral("1a2,5x%Z"));
            QCOMPARE(preview->ZoomBtn->lineEdit()->text(), QStringLiteral("12,5%"));
        }
        ClosePreview(preview);
        SetUi(nullptr);
    }

    void keysAndMouseMoveThroughThePages()
    {
        TzvReport report;
        for (int i = 0; i < 4; ++i) AddPage(report);
        TStandardPreview* preview = OpenPreview(report);
        preview->PaintPanel->setFocus();
        QTest::keyClick(preview->PaintPanel, Qt::Key_End);
        QCOMPARE(preview->CurrentPage, 4);
        QTest::keyClick(preview->PaintPanel, Qt::Key_Home);
        QCOMPARE(preview->VScroll->value(), 0);
        QTest::keyClick(preview->PaintPanel, Qt::Key_PageDown);
        QCOMPARE(preview->VScroll->value(), 200);
        QTest::keyClick(preview->PaintPanel, Qt::Key_Down);
        QCOMPARE(preview->VScroll->value(), 220);
        QTest::keyClick(preview->PaintPanel, Qt::Key_PageDown, Qt::ControlModifier);  // next page
        QCOMPARE(preview->VScroll->value(), 1123 + 12);
        QTest::keyClick(preview->PaintPanel, Qt::Key_Minus);
        QCOMPARE(preview->VScroll->value(), 0);

        // Dragging with the left button moves the pages with the mouse.
        QTest::mousePress(preview->PaintPanel, Qt::LeftButton, {}, QPoint(100, 300));
        QTest::mouseMove(preview->PaintPanel, QPoint(100, 200));
        QCOMPARE(preview->VScroll->value(), 100);
        QTest::mouseRelease(preview->PaintPanel, Qt::LeftButton, {}, QPoint(100, 200));
        QVERIFY(!preview->PaintPanel->Dragging);
        // The middle button starts and stops the automatic scrolling towards the mouse.
        QTest::mousePress(preview->PaintPanel, Qt::MiddleButton, {}, QPoint(100, 100));
        QVERIFY(preview->PaintPanel->AutoScroll);
        QTest::mouseMove(preview->PaintPanel, QPoint(100, 130));
        QCOMPARE(preview->PaintPanel->Direction, uint8_t(2));
        QCOMPARE(preview->PaintPanel->SpeedY, 30);
        QTRY_VERIFY(preview->VScroll->value() >= 130);
        QTest::mousePress(preview->PaintPanel, Qt::MiddleButton, {}, QPoint(100, 130));
        QVERIFY(!preview->PaintPanel->AutoScroll);

        // Space enters full screen; Esc leaves it, and only then closes.
        QPointer<TStandardPreview> alive(preview);
        QTest::keyClick(preview->PaintPanel, Qt::Key_Space);
        QVERIFY(preview->FullScreen);
        QVERIFY(preview->BPanel->isHidden() && preview->StatusBar->isHidden());
        QVERIFY(preview->PagePanel->isVisible());
        QTest::keyClick(preview->PaintPanel, Qt::Key_Escape);
        QVERIFY(!preview->FullScreen);
        QVERIFY(preview->BPanel->isVisible() && preview->StatusBar->isVisible());
        QVERIFY(preview->isVisible());
        QTest::keyClick(preview->PaintPanel, Qt::Key_Escape);
        QVERIFY(OpenPreviews().empty());
        FlushDeferredDeletes();
        QVERIFY(!alive);
    }

    void saveWritesPreparedReportsAndPagesThatOpenReads()
    {
        const std::filesystem::path dir = std::filesystem::temp_directory_path() / "zv_preview_save";
        std::filesystem::remove_all(dir);
        std::filesystem::create_directories(dir);
        TzvReport report;
        AddPage(report);
        AddPage(report, 1050, 1485);
        TStandardPreview* preview = OpenPreview(report);
        preview->GoToPage(2);
        const TStandardPreview::FileChooser saved = TStandardPreview::FileDialog();

        // The metafile filter writes the current page alone, with ".emf" added.
        FileQuestion asked;
        AnswerFileDialog(QString::fromStdString((dir / "pagina").string()), 2, &asked);
        preview->Save();
        QVERIFY(asked.save);
        QCOMPARE(asked.title, std::string("Salva il report."));
        QCOMPARE(asked.filters, (QStringList{"Report file (*.zvp)", "Enhanced Meta File - File Grafico (*.emf)",
                                             "Foglio di calcolo Excel (*.xlsx)", "Testo CSV (*.csv)",
                                             "Documento PDF (*.pdf)", "Immagine PNG (*.png)"}));
        const std::filesystem::path emf = dir / "pagina.emf";
        QVERIFY(std::filesystem::exists(emf));
        QCOMPARE(std::filesystem::file_size(emf), report.EMFPages.Pages(1).Picture.bytes().size());

        AnswerFileDialog(QString::fromStdString((dir / "tutto").string()), 1);
        preview->Save();
        QVERIFY(std::filesystem::exists(dir / "tutto.zvp"));
        // The export filters follow: the CSV one writes its file with the mask's extension.
        AnswerFileDialog(QString::fromStdString((dir / "tabella.txt").string()), 4);
        preview->Save();
        QVERIFY(std::filesystem::exists(dir / "tabella.csv"));
        ClosePreview(preview);

        // Open replaces the pages of the preview's report and starts again at page 1.
        TzvReport other;
        AddPage(other);
        TStandardPreview* second = OpenPreview(other);
        AnswerFileDialog(QString::fromStdString((dir / "tutto.zvp").string()), 1, &asked);
        second->Open();
        QVERIFY(!asked.save);
        QCOMPARE(asked.filters, (QStringList{"Report files (*.zvp)"}));
        QCOMPARE(second->PageCount(), 2);
        QCOMPARE(second->Report->EMFPages.Pages(1).PaperWidth, 1050);
        QCOMPARE(second->CurrentPage, 1);
        QCOMPARE(second->LabelPage->text(), QStringLiteral("1 di 2"));
        ClosePreview(second);
        TStandardPreview::FileDialog() = saved;
        std::filesystem::remove_all(dir);
    }

    // The document writers follow the metafile: PDF of every page, PNG of the current page; the
    // export runs in the export window, whose Annulla keeps the old file and leaves no other.
    void saveWritesDocumentsAndAnnullaKeepsTheOldFile()
    {
        const std::filesystem::path dir = std::filesystem::temp_directory_path() / "zv_preview_docs";
        std::filesystem::remove_all(dir);
        std::filesystem::create_directories(dir);
        TzvReport report;
        report.Title = "Elenco clienti";
        AddPage(report);
        AddPage(report, 1050, 1485);
        TStandardPreview* preview = OpenPreview(report);
        preview->GoToPage(2);
        const TStandardPreview::FileChooser saved = TStandardPreview::FileDialog();
        auto run = [](const QString& tool, const QStringList& args) {
            QProcess p;
            p.start(tool, args);
            p.waitForFinished();
            return QString::fromUtf8(p.readAllStandardOutput());
        };

        AnswerFileDialog(QString::fromStdString((dir / "tutto.txt").string()), 5);
        preview->Save();
        const QString pdf = QString::fromStdString((dir / "tutto.pdf").string());
        const QString info = run("pdfinfo", {pdf});
        QVERIFY2(info.contains(QRegularExpression("Pages:\\s+2\\n")), qPrintable(info));
        QVERIFY2(info.contains(QRegularExpression("Title:\\s+Elenco clienti\\n")), qPrintable(info));
        QVERIFY2(run("pdfinfo", {"-f", "2", "-l", "2", pdf})
                     .contains(QRegularExpression("Page\\s+2 size:\\s+29[78](\\.\\d+)? x 42[01]")),
                 qPrintable(info));

        preview->GoToPage(2);
        AnswerFileDialog(QString::fromStdString((dir / "pagina").string()), 6);
        preview->Save();
        QImage png(QString::fromStdString((dir / "pagina.png").string()));
        QVERIFY(!png.isNull());
        // The current page's picture at 150 dpi (rounded up), not page 1's.
        const Rect frame = report.EMFPages.Pages(1).Picture.frameInPixels();
        QCOMPARE(png.size(), QSize(std::ceil(frame.width() * 150 / 96.0), std::ceil(frame.height() * 150 / 96.0)));

        // Annulla at the first page: the old file stays, no temporary file is left.
        std::filesystem::remove(dir / "pagina.png");
        const std::string old = "vecchio";
        SaveFileAtomically(pdf.toStdString(), [&](Stream& s) { s.writeBytes(old); });
        bool sawWindow = false;
        QTimer watch;  // looks for the export window until it shows
        watch.setInterval(0);
        QObject::connect(&watch, &QTimer::timeout, [&sawWindow, &watch, preview] {
            for (QWidget* w : QApplication::topLevelWidgets())
                if (auto* form = qobject_cast<TProgressFilterForm*>(w); form && form->isVisible()) {
                    watch.stop();
                    sawWindow = form->windowTitle() == QStringLiteral("Esportazione...") &&
                                form->Label1->text() == QStringLiteral("Documento PDF") &&
                                form->ProgressBar1->maximum() == preview->PageCount() &&
                                form->Button1->text() == QStringLiteral("&Annulla");
                    form->Button1->click();
                }
        });
        watch.start();
        AnswerFileDialog(pdf, 5);
        preview->Save();
        QVERIFY(sawWindow);
        QCOMPARE(ReadFileBytes(pdf.toStdString()), old);
        int files = 0;
        for (const auto& e : std::filesystem::directory_iterator(dir)) files += e.is_regular_file();
        QCOMPARE(files, 1);
        ClosePreview(preview);
        TStandardPreview::FileDialog() = saved;
        std::filesystem::remove_all(dir);
    }

    // A PNG page is the preview's painting of that page at 100 %.
    void pngPageIsThePreviewsPaintingOfThePage()
    {
        TzvReport report;
        TzvPage design;
        Design(design, 2100, 2970);
        EmfRecorder& c = report.EMFPages.Add(design);
        Font f;
        f.name = "Courier New";
        f.height = -13;
        c.setFont(f);
        c.setBrush({clWhite, BrushStyle::Clear});
        c.textOut(40, 40, "RSSMRA72C22H501F");
        TBarcode bc;
        bc.SetLeft(300);
        bc.SetTop(40);
        bc.SetHeight(56);
        bc.SetTyp(bcCodeEAN13);
        bc.SetText("808551973988");
        bc.DrawOn(c);
        c.beginTextRun();
        for (int i = 0; i < 13; ++i) c.textOut(301 + i * 15, 98, std::string(1, "8085519739889"[i]));
        c.endTextRun();
        report.EMFPages.FinishPage(0);
        TStandardPreview* preview = OpenPreview(report);
        preview->SetZoom(100);
        const Rect frame = report.EMFPages.Pages(0).Picture.frameInPixels();
        QImage painted(frame.width(), frame.height(), QImage::Format_RGB32);
        painted.fill(Qt::white);
        {
            QPainter p(&painted);
            QtCanvas canvas(p);
            QtFontMetrics metrics;
            canvas.setMetrics(&metrics);
            preview->DrawPage(canvas, 0, {0, 0, frame.width(), frame.height()});
        }
        const std::string file = (std::filesystem::temp_directory_path() / "zv_preview_page.png").string();
        TzvDocumentOptions options;
        options.Dpi = 96;
        QVERIFY(ExportDocument(report.EMFPages, *FindPageWriter("png"), file, {}, options));
        const QImage png = QImage(QString::fromStdString(file)).convertToFormat(QImage::Format_RGB32);
        QCOMPARE(png.size(), painted.size());
        int dark = 0;
        for (int y = 0; y < png.height(); ++y)
            for (int x = 0; x < png.width(); ++x) dark += qGray(png.pixel(x, y)) < 128;
        QVERIFY2(dark > 1000, qPrintable(QString::number(dark)));  // the bars and the texts are there
        QVERIFY(png == painted);
        ClosePreview(preview);
        std::filesystem::remove(file);
    }

    void findGoesToTheMatchAndThenToTheNextOne()
    {
        HeadlessUi headless;
        SetUi(&headless);
        TzvReport report;
        AddTextPage(report, "Primo foglio");
        AddTextPage(report, "Totale fattura");
        AddTextPage(report, "Altro totale.");
        TStandardPreview* preview = OpenPreview(report);
        QVERIFY(preview->FindBtn->isEnabled());

        QString title;
        auto answered = AnswerFindDialog(QStringLiteral("totale"), &TFindForm::FindFirstPage, &title);
        preview->Find();
        QCOMPARE(title, QStringLiteral("Trova testo."));
        QCOMPARE(preview->CurrentPage, 2);    // case is ignored: "Totale" on page 2
        QVERIFY(preview->Timer->isActive());  // the match flashes
        QVERIFY(FindSettings().NextEnabled);

        answered = AnswerFindDialog(QStringLiteral("totale"), &TFindForm::FindNext);
        preview->Find();
        QCOMPARE(preview->CurrentPage, 3);                            // the next match in the document
        QTRY_VERIFY_WITH_TIMEOUT(!preview->Timer->isActive(), 5000);  // nine ticks, then it stops

        const int position = preview->VScroll->value();
        answered = AnswerFindDialog(QStringLiteral("fattur"), &TFindForm::FindFirstPage);  // inside a word only
        FindSettings().PartOfWord = false;
        preview->Find();
        QCOMPARE(headless.messages.size(), size_t(1));
        QCOMPARE(headless.messages[0].caption, std::string("Messaggio."));
        QCOMPARE(preview->VScroll->value(), position);  // the view did not move
        FindSettings() = TzvFindDialogState{};
        ClosePreview(preview);
        SetUi(nullptr);
    }

    // The view buttons show what they do: one sheet, two sheets side by side, a sheet with an
    // arrow across the button, a screen with arrows out to the corners.
    void viewButtonsShowWhatTheyDo()
    {
        TzvReport report;
        AddPage(report);
        TStandardPreview* preview = OpenPreview(report);
        struct Case {
            QToolButton* button;
            int sheets;  // -1: any
            bool across, corners;
        } cases[] = {
            {preview->OnePageBtn, 1, false, false},
            {preview->TwoPageBtn, 2, false, false},
            {preview->WdtPageBtn, -1, true, false},
            {preview->FullScrBtn, 0, false, true},
        };
        for (const Case& c : cases) {
            const GlyphShapes g = ShapesOf(c.button->icon());
            const QByteArray name = c.button->objectName().toLatin1();
            if (c.sheets >= 0)
                QVERIFY2(g.sheets == c.sheets, name + " sheets: " + QByteArray::number(g.sheets));
            else
                QVERIFY2(g.sheets >= 1, name.constData());
            QVERIFY2(g.acrossArrow == c.across, name.constData());
            QVERIFY2(g.cornerArrows == c.corners, name.constData());
        }
        ClosePreview(preview);
    }

    // A long report prepares inside the progress window; "&Annulla" stops it and the pages made
    // so far stay, while the preparation answers that it did not complete.
    void annullaStopsAPreparationAndKeepsItsPages()
    {
        Component owner;
        auto* report = new TzvReport(&owner);
        auto* rows = new TzvDataset(&owner);
        rows->RangeEnd = reCount;
        rows->RangeEndCount = 500;
        report->AddDataSource("Righe", rows);
        auto band = std::make_unique<TzvBandView>(report);
        band->SetBandKind(bkMainData);
        band->Top = 100;
        band->Width = 700;
        band->Height = 100;
        band->FormatText = "Righe";
        report->Pages[0].Add(std::move(band));
        auto memo = std::make_unique<TzvMemoView>(report);
        memo->Top = 110;
        memo->Lines = {"Riga [LINE#]"};
        report->Pages[0].Add(std::move(memo));
        QString shownLine;
        int drawn = 0;
        report->OnDrawedObject = [&](TzvView*) {
            if (++drawn != 60) return;
            shownLine = ProgressForm()->Label1->text();
            QVERIFY(ProgressForm()->isVisible());
            ProgressForm()->Button1->click();
        };
        QVERIFY(!report->PrepareReport());
        // Record 30 prints on page 3; the line counts the pages finished when a new one starts.
        QCOMPARE(shownLine, QStringLiteral("Pagina in costruzione:  2"));
        QVERIFY(!ProgressForm()->isVisible());
        const int pages = report->EMFPages.Count();
        QVERIFY2(pages >= 3 && pages < 10, qPrintable(QString::number(pages)));
        QVERIFY(!report->EMFPages.Pages(pages - 1).Picture.empty());
    }

    void printSendsTheChosenRangeToThePrinter()
    {
        if (QStandardPaths::findExecutable("pdfinfo").isEmpty())
            QFAIL("pdfinfo is not installed (scripts/deps.sh installs poppler-utils)");
        const QString path = QDir::temp().filePath(QStringLiteral("zv_preview_print.pdf"));
        QFile::remove(path);
        QtPrinter pdf(FromQString(path), 300);
        Printer* saved = Prn().PlatformPrinter;
        Prn().SetPlatformPrinter(&pdf);
        TzvReport report;
        report.ShowProgress = false;
        for (int i = 0; i < 4; ++i) AddPage(report);
        TStandardPreview* preview = OpenPreview(report);
        QVERIFY(preview->PrintBtn->isEnabled());
        int seenMax = 0;
        auto answered = zvtest::WhenModalOfClassShows<QPrintDialog>([&seenMax](QPrintDialog* d) {
            seenMax = d->maxPage();
            d->setFromTo(2, 3);
            d->setPrintRange(QAbstractPrintDialog::PageRange);
            d->printer()->setOutputFileName(QString());  // no file chosen: the current printer
            d->done(QDialog::Accepted);                  // as OK, without asking the system for a printer
        });
        QTest::keyClick(preview->PaintPanel, Qt::Key_F2);
        QCOMPARE(seenMax, 4);
        QCOMPARE(preview->Report->LastPrint.From, 2);  // the preview works on its copy
        QCOMPARE(preview->Report->LastPrint.To, 3);
        QProcess info;
        info.start(QStringLiteral("pdfinfo"), {path});
        QVERIFY(info.waitForFinished());
        const QString out = QString::fromUtf8(info.readAllStandardOutput());
        QVERIFY2(out.contains(QRegularExpression(QStringLiteral("Pages:\\s+2\\n"))), qPrintable(out));
        ClosePreview(preview);
        Prn().SetPlatformPrinter(saved);
        QFile::remove(path);
    }

    // A PDF file chosen in the print dialog is printed to, with range and copies; a target that
    // cannot start (an unwritable file, no system printer) is told in the error box.
    void printWritesTheFileChosenInTheDialog()
    {
        if (QStandardPaths::findExecutable("pdftotext").isEmpty()) QSKIP("pdftotext missing");
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("scelto.pdf"));
        const bool noSystemPrinter = QPrinterInfo::availablePrinterNames().isEmpty();
        struct Case {
            const char* name;
            QString file;  // empty: none chosen, the platform's default printer
            int copies;
            bool collate;
            QStringList pages;  // what the file holds, in order
            QString box;
        } cases[] = {
            {"2 copies, not collated", file, 2, false, {"Foglio2", "Foglio2", "Foglio3", "Foglio3"}, {}},
            {"2 copies, collated", file, 2, true, {"Foglio2", "Foglio3", "Foglio2", "Foglio3"}, {}},
            {"unwritable folder",
             QStringLiteral("/nonexistent-zv/x.pdf"),
             1,
             false,
             {},
             QStringLiteral("Impossibile avviare la stampa su \"/nonexistent-zv/x.pdf\".")},
            {"no system printer",
             QString(),
             1,
             false,
             {},
             QStringLiteral("Impossibile avviare la stampa su \"Stampante predefinita\".")},
        };
        Printer* saved = Prn().PlatformPrinter;
        QtPrinter systemDefault;
        Prn().SetPlatformPrinter(&systemDefault);
        HeadlessUi headless;
        SetUi(&headless);
        for (const Case& c : cases) {
            if (c.file.isEmpty() && !noSystemPrinter) continue;  // only meaningful without printers
            headless.messages.clear();
            QFile::remove(file);
            TzvReport report;
            report.ShowProgress = false;
            for (int i = 1; i <= 4; ++i) AddTextPage(report, "Foglio" + std::to_string(i));
            TStandardPreview* preview = OpenPreview(report);
            auto answered = zvtest::WhenModalOfClassShows<QPrintDialog>([&c](QPrintDialog* d) {
                d->setFromTo(2, 3);
                d->setPrintRange(QAbstractPrintDialog::PageRange);
                d->printer()->setOutputFormat(QPrinter::PdfFormat);
                d->printer()->setOutputFileName(c.file);
                d->printer()->setCopyCount(c.copies);
                d->printer()->setCollateCopies(c.collate);
                d->done(QDialog::Accepted);
            });
            preview->Print();
            ClosePreview(preview);
            QVERIFY2(Prn().PlatformPrinter == &systemDefault, c.name);  // the file was for this job only
            if (c.box.isEmpty()) {
                QVERIFY2(headless.messages.empty(), c.name);
                QProcess text;
                text.start(QStringLiteral("pdftotext"), {file, QStringLiteral("-")});
                QVERIFY(text.waitForFinished());
                const QString out = QString::fromUtf8(text.readAllStandardOutput());
                QStringList found;
                for (const QRegularExpressionMatch& m :
                     QRegularExpression(QStringLiteral("Foglio\\d")).globalMatch(out))
                    found << m.captured();
                QVERIFY2(found == c.pages,
                         qPrintable(QString::fromLatin1(c.name) + QStringLiteral(": ") + found.join(' ')));
                QVERIFY2(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size() == 1, c.name);  // no leftovers
            } else {
                QVERIFY2(headless.messages.size() == 1, c.name);
                QCOMPARE(ToQString(headless.messages[0].text), c.box);
                QCOMPARE(headless.messages[0].caption, std::string("Errore"));
                QVERIFY(!QFile::exists(file));
            }
        }
        SetUi(nullptr);
        Prn().SetPlatformPrinter(saved);
    }

    void progressWindowRunsItsWorkInsideTheModalWindow()
    {
        TProgressForm& form = *ProgressForm();
        QCOMPARE(form.size(), QSize(278, 106));
        QCOMPARE(form.Button1->text(), QStringLiteral("&Annulla"));
        QCOMPARE(form.Button1->geometry(), QRect(100, 68, 75, 25));
        QCOMPARE(form.Label1->geometry().topLeft(), QPoint(20, 32));
        QCOMPARE(form.Label1->width(), 237);

        TzvReport report;
        report.Title = "Demo";
        form.Prefix = "Pagina in costruzione:";
        bool visibleInWork = false, modalInWork = false;
        std::string label;
        const bool ok = form.Show(&report, [&] {
            visibleInWork = form.IsVisible();
            modalInWork = QApplication::activeModalWidget() == &form;
            report.Progress(3);  // the report writes the progress line into the window
            label = form.LabelText();
            form.Close(false);
        });
        QVERIFY(ok);
        QVERIFY(visibleInWork);
        QVERIFY(modalInWork);
        QCOMPARE(label, std::string("Pagina in costruzione:  3"));
        QVERIFY(!form.IsVisible());
        QVERIFY(!report.Terminated);

        const bool cancelledResult = form.Show(&report, [&] { form.Close(true); });
        QVERIFY(!cancelledResult);
    }

    void cancelInTheProgressWindowTerminatesThePreparingReport()
    {
        TProgressForm& form = *ProgressForm();
        TzvReport report;
        int steps = 0;
        const bool ok = form.Show(&report, [&] {
            QTimer::singleShot(20, form.Button1, &QPushButton::click);
            // The work keeps the window alive by processing messages until it sees the cancel.
            while (!report.Terminated && steps < 100000) {
                ++steps;
                QApplication::processEvents(QEventLoop::AllEvents, 5);
            }
            form.Close(report.Terminated);
        });
        QVERIFY(!ok);
        QVERIFY(report.Terminated);
        QVERIFY(steps < 100000);
    }

    void anExceptionOfTheWorkClosesTheWindowAndPassesOn()
    {
        TProgressForm& form = *ProgressForm();
        TzvReport report;
        bool thrown = false;
        try {
            form.Show(&report, [] { throw Exception("guasto"); });
        } catch (const Exception& e) {
            thrown = e.message() == "guasto";
        }
        QVERIFY(thrown);
        QVERIFY(!form.IsVisible());
    }

    void exportProgressShowsTheBarAndTakesTheCancel()
    {
        TProgressFilterForm form;
        QCOMPARE(form.windowTitle(), QStringLiteral("Esportazione..."));
        QCOMPARE(form.ProgressBar1->geometry(), QRect(8, 32, 257, 16));
        form.Start("Testo", 5);
        QVERIFY(form.isVisible());
        QCOMPARE(form.ProgressBar1->maximum(), 5);
        QCOMPARE(form.ProgressBar1->value(), 0);
        QCOMPARE(form.Label1->text(), QStringLiteral("Testo"));
        form.SetPosition(3);
        QCOMPARE(form.ProgressBar1->value(), 3);
        QVERIFY(!form.Cancelled());
        form.Button1->click();
        QVERIFY(form.Cancelled());
        form.Finish();
        QVERIFY(!form.isVisible());
        form.Start("Di nuovo", 2);  // a new run starts uncancelled
        QVERIFY(!form.Cancelled());
        form.Finish();
    }

    void shutDownFreesThePreviewsStillOpen()
    {
        TzvReport report;
        report.ModalPreview = false;
        AddPage(report);
        report.ShowPreview();
        report.ShowPreview();
        QCOMPARE(OpenPreviews().size(), size_t(2));
        QPointer<TStandardPreview> first = dynamic_cast<TStandardPreview*>(OpenPreviews()[0]);
        QPointer<TStandardPreview> second = dynamic_cast<TStandardPreview*>(OpenPreviews()[1]);
        DoneReportUi();
        QVERIFY(OpenPreviews().empty());
        QVERIFY(!first);
        QVERIFY(!second);
        QVERIFY(ProgressForm() == nullptr);
        QVERIFY(ProgressWindow() == nullptr);
    }
};

QTEST_MAIN(TestPreview)
#include "test_Preview.moc"
