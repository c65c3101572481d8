// The Qt printer: prepared pages printed through the print driver into PDF files, checked with
// the poppler tools (page count, paper size, text and its place on the sheet).
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include "platform/qt/QtPrinter.h"
#include "report/ZV_EMFPages.h"
#include "report/ZV_Init.h"
#include "report/ZV_Prntr.h"
#include "report/ZV_Report.h"
#include "report/ZV_Template.h"
#include "ui/ZV_InitUi.h"

using namespace zv;

namespace {

QString Run(const QString& program, const QStringList& args)
{
    QProcess p;
    p.start(program, args);
    if (!p.waitForFinished(30000) || p.exitCode() != 0) return {};
    return QString::fromUtf8(p.readAllStandardOutput());
}

bool HaveTools()
{
    return !QStandardPaths::findExecutable("pdfinfo").isEmpty() &&
           !QStandardPaths::findExecutable("pdftotext").isEmpty();
}

// Appends pages on one paper, page i showing "Foglio<i>" at (100, 200) page pixels.
void AddPages(TzvReport& report, int count, int32_t code, int32_t width, int32_t height, uint8_t orientation)
{
    for (int i = report.EMFPages.Count(); count-- > 0; ++i) {
        TzvPage design;
        design.ChangePaper(code, width, height, orientation);
        EmfRecorder& canvas = report.EMFPages.Add(design);
        Font f;
        f.name = "Arial";
        f.height = -16;
        canvas.setFont(f);
        canvas.textOut(100, 200, "Foglio" + std::to_string(i + 1));
        report.EMFPages.FinishPage(i);
    }
}

void Prepare(TzvReport& report, int count, int32_t code, int32_t width, int32_t height, uint8_t orientation)
{
    report.EMFPages.Clear();
    AddPages(report, count, code, width, height, orientation);
}

// The x of the first word that starts with prefix, in points, from pdftotext's boxes; -1: none.
double WordX(const QString& pdf, const QString& prefix)
{
    const QString html = Run("pdftotext", {"-bbox", pdf, "-"});
    QRegularExpression re("<word xMin=\"([0-9.]+)\"[^>]*>" + QRegularExpression::escape(prefix));
    const QRegularExpressionMatch m = re.match(html);
    return m.hasMatch() ? m.captured(1).toDouble() : -1;
}

}  // namespace

class TestQtPrinter : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        InitReportLibrary();
        InitReportUi();
        QVERIFY(dir_.isValid());
    }
    void cleanup() { Prn().SetPlatformPrinter(nullptr); }

    void printsTheRangeToAPdf()
    {
        if (!HaveTools()) QFAIL("pdfinfo or pdftotext is not installed (scripts/deps.sh installs poppler-utils)");
        const QString path = dir_.filePath("range.pdf");
        QtPrinter printer(path.toStdString(), 600);
        Prn().SetPlatformPrinter(&printer);
        TzvReport report;
        report.ShowProgress = false;
        report.Title = "Prova";
        Prepare(report, 3, kPaperA4, 2100, 2970, 0);
        report.PrintPreparedReport(2, 3, false, 1);

        const QString info = Run("pdfinfo", {path});
        QVERIFY2(info.contains(QRegularExpression("Pages:\\s+2\\n")), qPrintable(info));
        QVERIFY2(info.contains(QRegularExpression("Page size:\\s+595(\\.\\d+)? x 84[12](\\.\\d+)? pts")),
                 qPrintable(info));
        QVERIFY2(info.contains(QRegularExpression("Title:\\s+ZelvoReport- Prova")), qPrintable(info));
        const QString text = Run("pdftotext", {path, "-"});
        QVERIFY2(text.contains("Foglio2") && text.contains("Foglio3"), qPrintable(text));
        QVERIFY(!text.contains("Foglio1"));
        // 100 page pixels from the paper's edge are 75 points.
        QVERIFY(qAbs(WordX(path, "Foglio2") - 75) < 2);
    }

    void landscapePaperAndMarginsKeepThePagePlaced()
    {
        if (!HaveTools()) QFAIL("pdfinfo or pdftotext is not installed (scripts/deps.sh installs poppler-utils)");
        const QString path = dir_.filePath("landscape.pdf");
        QtPrinter printer(path.toStdString(), 300);
        // A printable area 10 mm in from the paper's edges: the page is still laid on the paper.
        QPageLayout layout = printer.qprinter().pageLayout();
        layout.setMargins(QMarginsF(10, 10, 10, 10));
        printer.SetDefaultLayout(layout);
        printer.SetDevice(printer.Device());
        // 10 mm at 300 per inch (Qt keeps margins in whole points: 117 or 118).
        QVERIFY(qAbs(printer.PhysicalOffsetX() - 118) <= 1);
        QVERIFY(qAbs(printer.PhysicalOffsetY() - 118) <= 1);
        Prn().SetPlatformPrinter(&printer);
        TzvReport report;
        report.ShowProgress = false;
        Prepare(report, 1, 11, 1480, 2100, 1);  // A5 landscape
        report.PrintPreparedReport(1, 1, true, 2);

        const QString info = Run("pdfinfo", {path});
        QVERIFY2(info.contains(QRegularExpression("Pages:\\s+2\\n")), qPrintable(info));
        QVERIFY2(info.contains(QRegularExpression("Page size:\\s+595(\\.\\d+)? x 4(19|20)(\\.\\d+)? pts")),
                 qPrintable(info));
        QVERIFY2(info.contains("ZelvoReport- Nessun nome"), qPrintable(info));
        QVERIFY(qAbs(WordX(path, "Foglio1") - 75) < 2);
    }

    // A file keeps every sheet when the paper changes between them, each sheet on its own paper.
    void mixedPapersStayInOneFile()
    {
        if (!HaveTools()) QFAIL("pdfinfo or pdftotext is not installed (scripts/deps.sh installs poppler-utils)");
        const QString path = dir_.filePath("mixed.pdf");
        QtPrinter printer(path.toStdString(), 300);
        Prn().SetPlatformPrinter(&printer);
        TzvReport report;
        report.ShowProgress = false;
        Prepare(report, 1, kPaperA4, 2100, 2970, 0);
        AddPages(report, 1, 11, 1480, 2100, 1);  // A5 landscape
        AddPages(report, 1, kPaperA4, 2100, 2970, 0);
        report.PrintPreparedReport(1, 3, false, 1);

        const QString info = Run("pdfinfo", {"-f", "1", "-l", "3", path});
        QVERIFY2(info.contains(QRegularExpression("Pages:\\s+3\\n")), qPrintable(info));
        for (const char* size : {"1 size:\\s+595(\\.\\d+)? x 84[12]", "2 size:\\s+595(\\.\\d+)? x 4(19|20)",
                                 "3 size:\\s+595(\\.\\d+)? x 84[12]"})
            QVERIFY2(info.contains(QRegularExpression(QStringLiteral("Page\\s+") + size)), qPrintable(info));
        const QString text = Run("pdftotext", {path, "-"});
        QVERIFY2(text.contains("Foglio1") && text.contains("Foglio2") && text.contains("Foglio3"), qPrintable(text));
    }

    void progressWindowRunsTheJob()
    {
        if (!HaveTools()) QFAIL("pdfinfo or pdftotext is not installed (scripts/deps.sh installs poppler-utils)");
        const QString path = dir_.filePath("window.pdf");
        QtPrinter printer(path.toStdString(), 150);
        Prn().SetPlatformPrinter(&printer);
        TzvReport report;  // ShowProgress on and no OnProgress: the progress window
        Prepare(report, 2, kPaperA4, 2100, 2970, 0);
        report.PrintPreparedReport(1, 2, false, 1);
        const QString info = Run("pdfinfo", {path});
        QVERIFY2(info.contains(QRegularExpression("Pages:\\s+2\\n")), qPrintable(info));
        QVERIFY(Run("pdftotext", {path, "-"}).contains("Foglio2"));
        QVERIFY(!IsPrinting());
    }

    // A cancelled job leaves no file, or the file that was there before, as it was.
    void cancelLeavesNoFileOrTheOldOne()
    {
        const QString path = dir_.filePath("cancelled.pdf");
        for (const QByteArray& before : {QByteArray(), QByteArray("old content")}) {
            QFile::remove(path);
            if (!before.isEmpty()) {
                QFile old(path);
                QVERIFY(old.open(QIODevice::WriteOnly));
                old.write(before);
            }
            QtPrinter printer(path.toStdString(), 150);
            Prn().SetPlatformPrinter(&printer);
            TzvReport report;
            Prepare(report, 3, kPaperA4, 2100, 2970, 0);
            int calls = 0;
            report.OnProgress = [&](int32_t) {
                if (++calls == 2) report.Terminated = true;
            };
            report.PrintPreparedReport(1, 3, false, 1);
            QCOMPARE(calls, 2);
            QVERIFY(!printer.Printing());
            if (before.isEmpty()) {
                QVERIFY(!QFile::exists(path));
            } else {
                QFile old(path);
                QVERIFY(old.open(QIODevice::ReadOnly));
                QCOMPARE(old.readAll(), before);
            }
            QCOMPARE(QDir(dir_.path()).entryList({QStringLiteral(".cancelled*")}, QDir::Files | QDir::Hidden).size(),
                     0);
        }
    }

private:
    QTemporaryDir dir_;
};

QTEST_MAIN(TestQtPrinter)
#include "test_QtPrinter.moc"
