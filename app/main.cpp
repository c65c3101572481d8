// The demo program: start-up in order (library, then FormMain), the message loop and shut-down.
// With --render OUTDIR, or on the offscreen platform (no display), it writes its output to files.
#include <QApplication>
#include <QDir>
#include <QImage>
#include <QTimer>
#include <atomic>
#include <clocale>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "app/Unit1.h"
#include "platform/base/Error.h"
#include "platform/base/Files.h"
#include "platform/base/FormatSettings.h"
#include "platform/base/Stream.h"
#include "platform/qt/QtText.h"
#include "platform/qt/QtUi.h"
#include "platform/qt/Render.h"
#include "report/ZV_EMFPages.h"
#include "report/ZV_Init.h"
#include "report/ZV_Report.h"
#include "report/ZV_Template.h"
#include "ui/ZV_InitUi.h"

namespace {

constexpr const char* kDefaultOutputDir = "demo-output";
constexpr double kRenderDpi = 96;
constexpr int kSignalPollMs = 100;

// A termination request (session end, kill) closes the window the normal way, so that a changed
// table is still written back.
std::atomic<bool> gTerminate{false};
extern "C" void OnTerminate(int) { gTerminate = true; }

void WriteText(const std::string& path, const std::string& text)
{
    zv::SaveFileAtomically(path, [&text](zv::Stream& s) { s.write(text.data(), text.size()); });
}

// Headless run: the window as it would look, the loaded template, and whatever the report
// preparation produced, each in its own file. Returns the exit code.
int RenderToFiles(TFormMain& form, const std::string& dir)
{
    QDir().mkpath(QString::fromStdString(dir));
    form.show();
    QApplication::processEvents();
    const std::string shot = dir + "/FormMain.png";
    if (!form.grab().save(QString::fromStdString(shot), "PNG")) {
        std::fprintf(stderr, "cannot write %s\n", shot.c_str());
        return 1;
    }
    std::printf("wrote %s (the main window, %dx%d)\n", shot.c_str(), form.width(), form.height());
    if (!form.zvReport) {
        std::printf("the window has no zvReport component; nothing else to write\n");
        return 0;
    }
    zv::TzvReport& report = *form.zvReport;
    const std::string dump = dir + "/template.txt";
    WriteText(dump, zv::DumpTemplate(report));
    std::printf("wrote %s (dump of the loaded template %s)\n", dump.c_str(), report.FileName.c_str());

    report.PrepareReport();
    const int pages = report.EMFPages.Count();
    if (zv::zvState().ErrorFlag) {
        std::printf("the report preparation failed: %s\n", zv::Cp1252ToUtf8(zv::zvState().ErrorText).c_str());
        zv::zvState().ErrorFlag = false;
        return 1;
    }
    if (pages == 0) {
        std::printf("the report preparation produced no pages (the preparation engine records none yet)\n");
        return 0;
    }
    std::vector<zv::RenderPage> pdfPages;
    for (int i = 0; i < pages; ++i) {
        const zv::TzvEMFPage& page = report.EMFPages.Pages(i);
        const std::string png = dir + "/page" + std::to_string(i + 1) + ".png";
        zv::SaveEmfAsPng(page.Picture, png, kRenderDpi);
        pdfPages.push_back({&page.Picture, page.PaperWidth, page.PaperHeight, page.Orientation});
    }
    const std::string pdf = dir + "/report.pdf";
    zv::SavePagesAsPdf(pdfPages, pdf, report.Title);
    const std::string zvp = dir + "/report.zvp";
    zv::SaveFileAtomically(zvp, [&report](zv::Stream& s) { report.EMFPages.SaveToStream(s); });
    std::printf("wrote %d page(s): %s/page*.png, %s, %s\n", pages, dir.c_str(), pdf.c_str(), zvp.c_str());
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("BarCodeDemo"));
    // Qt has set the locale from the environment too; the formatting settings follow it.
    std::setlocale(LC_ALL, "");
    zv::DefaultFormatSettings() = zv::FormatSettingsFromLocale();
    zv::QtUi qtUi;
    zv::SetUi(&qtUi);

    std::string renderDir;
    for (int i = 1; i < argc; ++i) {
        if (std::string(argv[i]) == "--render" && i + 1 < argc) renderDir = argv[++i];
    }
    if (renderDir.empty() && QGuiApplication::platformName() == QLatin1String("offscreen"))
        renderDir = kDefaultOutputDir;
    // Nobody can answer a message box without a display: they are recorded and printed instead.
    if (!renderDir.empty()) zv::SetUi(&zv::DefaultHeadlessUi());

    // The library's start-up runs before any window exists.
    zv::InitReportLibrary();
    zv::InitReportUi();

    int code = 0;
    try {
        auto form = std::make_unique<TFormMain>();
        if (!renderDir.empty()) {
            code = RenderToFiles(*form, renderDir);
            for (const auto& m : zv::DefaultHeadlessUi().messages)
                std::printf("message box \"%s\": %s\n", zv::Cp1252ToUtf8(m.caption).c_str(),
                            zv::Cp1252ToUtf8(m.text).c_str());
        } else {
            std::signal(SIGTERM, OnTerminate);
            std::signal(SIGINT, OnTerminate);
            QTimer poll;
            QObject::connect(&poll, &QTimer::timeout, form.get(), [&form] {
                if (gTerminate.exchange(false)) form->close();
            });
            poll.start(kSignalPollMs);
            form->show();
            code = QApplication::exec();
        }
        form.reset();  // closes the table, which writes Clienti.xml when it changed
    } catch (const zv::Exception& e) {
        zv::Ui().messageBox(e.message(), zv::FromQString(QApplication::applicationName()),
                            zv::MB_OK | zv::MB_ICONERROR);
        std::fprintf(stderr, "%s\n", zv::Cp1252ToUtf8(e.message()).c_str());
        code = 1;
    }
    zv::DoneReportUi();
    zv::DoneReportLibrary();
    zv::SetUi(nullptr);
    return code;
}
