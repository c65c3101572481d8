// The preview windows and the progress windows: showing modally and non-modally, the copy a
// non-modal preview works on, freeing, the page layout as painted, and the progress dialogs.
#include <QPointer>
#include <QPushButton>
#include <QLabel>
#include <QProgressBar>
#include <QScrollArea>
#include <QScrollBar>
#include <QtTest>
#include <cmath>
#include <memory>

#include "platform/EmfRecorder.h"
#include "platform/Error.h"
#include "platform/qt/QtText.h"
#include "report/ZV_Const.h"
#include "report/ZV_Init.h"
#include "report/ZV_Report.h"
#include "report/ZV_Template.h"
#include "tests/qt/ModalHelper.h"
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

QImage Grab(TStandardPreview& preview)
{
    QApplication::processEvents();
    return preview.PaintPanel->grab().toImage();
}

bool IsBlack(const QImage& img, int x, int y) { return img.pixelColor(x, y) == QColor(Qt::black); }
bool IsWhite(const QImage& img, int x, int y) { return img.pixelColor(x, y) == QColor(Qt::white); }

void FlushDeferredDeletes() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

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
        zvtest::WhenModalShows([&](QWidget* w) {
            seen = qobject_cast<TStandardPreview*>(w);
            if (!seen) return;
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

    void showReportOpensAnEmptyPreviewAndEmptiesThePages()
    {
        TzvReport report;  // no title: the caption is the bare word
        AddPage(report);
        QString title;
        int pagesShown = -1;
        zvtest::WhenModalShows([&](QWidget* w) {
            auto* preview = qobject_cast<TStandardPreview*>(w);
            if (!preview) return;
            title = preview->windowTitle();
            pagesShown = preview->PageCount();
            QTest::keyClick(preview, Qt::Key_Escape);
        });
        report.ShowReport();
        QCOMPARE(title, ToQString(kPreviewCaption));
        QCOMPARE(pagesShown, 0);  // the preparation empties the pages and records none yet
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
        const Rect r = preview->PageFrame(0);
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
        report.ModalPreview = false;
        AddPage(report, 1050, 1485);  // 397 x 561 pixels at 100 %
        AddPage(report, 1050, 1485);
        AddPage(report, 20000, 2970);  // wider than any screen
        report.ShowPreview();
        auto* preview = dynamic_cast<TStandardPreview*>(OpenPreviews().back());
        QVERIFY(preview);
        const QImage img = Grab(*preview);
        const Rect a = preview->PageFrame(0), b = preview->PageFrame(1);
        QCOMPARE(a.top, 10);
        QCOMPARE(a.width(), 398);  // the page and its frame line
        QCOMPARE(b.top, a.top + 561 + 12);
        QCOMPARE(preview->PageFrame(3), Rect{});  // past the last page

        // Centred: the gap on the right is the left one plus the shadow's pixel.
        const int visibleWidth = preview->ScrollArea->viewport()->width();
        QVERIFY(std::abs((visibleWidth - a.right) - 1 - a.left) <= 1);

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

        // A page wider than the window starts ten pixels from the left and the canvas scrolls.
        const Rect wide = preview->PageFrame(2);
        QCOMPARE(wide.left, 10);
        QVERIFY(preview->PaintPanel->width() > wide.right);
        QVERIFY(preview->PaintPanel->height() > wide.bottom);
        QVERIFY(preview->ScrollArea->horizontalScrollBar()->maximum() > 0);

        preview->GoToPage(3);
        QCOMPARE(preview->ScrollArea->verticalScrollBar()->value(),
                 std::min(wide.top - 10, preview->ScrollArea->verticalScrollBar()->maximum()));
        preview->GoToPage(0);  // ignored
        preview->GoToPage(4);
        QCOMPARE(preview->ScrollArea->verticalScrollBar()->value(),
                 std::min(wide.top - 10, preview->ScrollArea->verticalScrollBar()->maximum()));
        preview->close();
        FlushDeferredDeletes();
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
