// `zvreport dump FILE.emf|FILE.zvp`, `zvreport render` (a template prepared over XML data packets
// and SQL queries, or prepared pages drawn to PNG or PDF or exported as a spreadsheet), `zvreport pack`.
#include <unistd.h>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>
#if defined(__GLIBC__)
#include <malloc.h>
#endif

#include "platform/base/Component.h"
#include "platform/base/Error.h"
#include "platform/base/Files.h"
#include "platform/base/FormatSettings.h"
#include "platform/base/Numeric.h"
#include "platform/base/Stream.h"
#include "platform/base/Text.h"
#include "platform/data/ClientDataSet.h"
#include "platform/data/SqlDataSet.h"
#include "platform/emf/EmfFormat.h"
#include "platform/emf/EmfPlayer.h"
#include "platform/emf/EmfReader.h"
#include "report/ZV_EMFPages.h"
#include "report/ZV_Export.h"
#include "report/ZV_Init.h"
#include "report/ZV_Registry.h"
#include "report/ZV_Report.h"
#include "report/ZV_Spreadsheet.h"
#include "tools/zvreport/Command.h"
#ifdef ZV_HAVE_QT
#include "platform/draw/FontMetrics.h"
#include "platform/qt/QtFontMetrics.h"
#include "platform/qt/Render.h"
#endif

namespace {

std::string RectText(const zv::Rect& r)
{
    return std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) + "," +
           std::to_string(r.bottom);
}

// Text with control characters shown as \xNN, so every record stays on one line.
std::string Quoted(const std::string& s)
{
    std::string out = "'";
    for (char c : s) {
        if (static_cast<unsigned char>(c) < 32) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\x%02X", static_cast<unsigned char>(c));
            out += buf;
        } else {
            out += c;
        }
    }
    return out + "'";
}

void DumpPicture(const zv::EmfFile& f, const std::string& indent)
{
    const zv::EmfHeader& h = f.header();
    if (f.empty()) {
        zvtool::Print(indent + "empty picture");
        return;
    }
    zvtool::Print(indent + "header bounds=" + RectText(h.bounds) + " frame=" + RectText(h.frame) +
                  " bytes=" + std::to_string(h.bytes) + " records=" + std::to_string(h.records) +
                  " handles=" + std::to_string(h.handles) + " device=" + std::to_string(h.device.cx) + "x" +
                  std::to_string(h.device.cy) + " mm=" + std::to_string(h.millimeters.cx) + "x" +
                  std::to_string(h.millimeters.cy) + " size=" + std::to_string(f.width()) + "x" +
                  std::to_string(f.height()) + (h.description.empty() ? "" : " description=" + Quoted(h.description)));
    zv::EnumerateEmf(f, [&](const zv::EmfRecordInfo& r) {
        std::string line = indent + std::to_string(r.index) + " " + zv::emf::RecordName(r.type);
        if (r.type > zv::emf::kMaxRecordType || std::string(zv::emf::RecordName(r.type)) == "EMR_UNKNOWN")
            line += "(" + std::to_string(r.type) + ")";
        line += " size=" + std::to_string(r.size);
        if (r.hasBounds) line += " bounds=" + RectText(r.bounds);
        if (r.isText) {
            line += " at=" + std::to_string(r.reference.x) + "," + std::to_string(r.reference.y) +
                    " text=" + Quoted(r.text) + " font=" + r.font.name + "/" + std::to_string(r.font.height) + "/" +
                    std::to_string(r.font.escapement);
        }
        zvtool::Print(line);
        return zv::EmfAction::Play;
    });
}

// "--page N" (1-based) among the arguments, or 0.
int PageOption(const std::vector<std::string>& args, size_t from)
{
    for (size_t i = from; i + 1 < args.size(); ++i)
        if (args[i] == "--page") {
            int n = std::atoi(args[i + 1].c_str());
            if (n <= 0) throw zv::Exception("--page wants a page number from 1");
            return n;
        }
    return 0;
}

int DumpEmf(const std::vector<std::string>& args)
{
    std::string bytes = zv::ReadFileBytes(args.at(0));
    zv::EmfFile f(std::vector<uint8_t>(bytes.begin(), bytes.end()));
    DumpPicture(f, "");
    return 0;
}

int DumpZvp(const std::vector<std::string>& args)
{
    zv::TzvEMFPages pages;
    zv::LoadPreparedReport(pages, args.at(0));
    const int only = PageOption(args, 1);
    if (only > pages.Count()) throw zv::Exception("No page " + std::to_string(only));
    zvtool::Print("pages=" + std::to_string(pages.Count()));
    for (int i = 0; i < pages.Count(); ++i) {
        if (only && i + 1 != only) continue;
        const zv::TzvEMFPage& p = pages.Pages(i);
        std::string info;
        for (size_t k = 0; k < p.Info.size(); ++k) info += (k ? "," : "") + std::to_string(p.Info[k]);
        zvtool::Print("page " + std::to_string(i + 1) + " paper=" + std::to_string(p.PaperSize) +
                      " width=" + std::to_string(p.PaperWidth) + " height=" + std::to_string(p.PaperHeight) +
                      " orientation=" + std::to_string(p.Orientation) + " flag=" + std::to_string(p.PageFlag) +
                      " info=" + info);
        DumpPicture(p.Picture, "  ");
    }
    return 0;
}

#ifdef ZV_HAVE_QT
// Loads the pictures to render: the pages of a prepared report, or one metafile on A4.
struct Loaded {
    zv::TzvEMFPages pages;
    zv::EmfFile single;
    bool isEmf = false;
};

void Load(const std::string& path, Loaded& out)
{
    if (zv::LowerCase(zv::ExtractFileExt(path)) == ".emf") {
        std::string bytes = zv::ReadFileBytes(path);
        out.single = zv::EmfFile(std::vector<uint8_t>(bytes.begin(), bytes.end()));
        out.isEmf = true;
    } else {
        zv::LoadPreparedReport(out.pages, path);
    }
}
#endif

// The forms and tables named by --data FORM.DATASET=FILE.xml and --query FORM.DATASET=SQL,
// registered as open forms.
class DataForms {
public:
    ~DataForms()
    {
        for (auto& f : forms_) zv::ApplicationRegistry::instance().remove(f.get());
    }
    void Load(const std::string& option)
    {
        auto* table = new zv::TClientDataSet(Form(option, "--data wants FORM.DATASET=FILE.xml: "));
        table->setName(TableName(option));
        table->loadFromFile(option.substr(option.find('=') + 1));
    }
    // A query of the database named by the last --db before it; opened by the report.
    void Query(const std::string& database, const std::string& option)
    {
        if (database.empty()) throw zv::Exception("--query needs a --db before it: " + option);
        auto* table = new zv::TSqlDataSet(Form(option, "--query wants FORM.DATASET=SQL: "));
        table->setName(TableName(option));
        table->setDatabase(database);
        table->setSql(option.substr(option.find('=') + 1));
    }

private:
    static std::string TableName(const std::string& option)
    {
        const size_t dot = option.find('.');
        return option.substr(dot + 1, option.find('=') - dot - 1);
    }
    // The form FORM of an option FORM.DATASET=VALUE, made when missing.
    zv::Component* Form(const std::string& option, const char* usage)
    {
        const size_t eq = option.find('='), dot = option.find('.');
        if (eq == std::string::npos || dot == std::string::npos || dot == 0 || dot + 1 >= eq || eq + 1 >= option.size())
            throw zv::Exception(usage + option);
        const std::string formName = option.substr(0, dot);
        zv::Component* form = zv::ApplicationRegistry::instance().findGlobalComponent(formName);
        if (!form) {
            forms_.push_back(std::make_unique<zv::Component>());
            form = forms_.back().get();
            form->setName(formName);
            zv::ApplicationRegistry::instance().addForm(form);
        }
        return form;
    }

    std::vector<std::unique_ptr<zv::Component>> forms_;
};

constexpr int32_t kDefaultMaxPages = 100000;

// Options of the page writers: --dpi D (PNG, 150 by default), --page N (PNG: that page; 1 by
// default), --all-pages (PNG: every page, as OUT-N.png), --title T (PDF: instead of the report's),
// --page-bands (spreadsheets: keep the texts of page headers and footers),
// --progress (a line on stderr every kProgressStep pages written and one at the end; the default
// when stderr is a terminal).
struct WriteOptions {
    double dpi = 150;
    int page = 0;
    bool allPages = false;
    bool pageBands = false;
    std::string title;
    bool haveTitle = false;
    bool progress = isatty(STDERR_FILENO) != 0;
    // Takes the option at args[i] (and its value); false when it is not one of these.
    bool take(const std::vector<std::string>& args, size_t& i)
    {
        const bool hasValue = i + 1 < args.size();
        if (args[i] == "--dpi" && hasValue) {
            dpi = std::atof(args[++i].c_str());
            if (!(dpi > 0)) throw zv::Exception("--dpi wants a resolution above 0");
        } else if (args[i] == "--page" && hasValue) {
            page = std::atoi(args[++i].c_str());
            if (page <= 0) throw zv::Exception("--page wants a page number from 1");
        } else if (args[i] == "--all-pages") {
            allPages = true;
        } else if (args[i] == "--page-bands") {
            pageBands = true;
        } else if (args[i] == "--progress") {
            progress = true;
        } else if (args[i] == "--title" && hasValue) {
            title = zv::Utf8ToCp1252(args[++i]);
            haveTitle = true;
        } else {
            return false;
        }
        return true;
    }
};

constexpr int kProgressStep = 100;

// Progress of a document export as lines on stderr ("Documento PDF, pagine scritte: 200").
class StderrProgress : public zv::TzvExportProgress {
public:
    void Start(const std::string& label, int maximum) override
    {
        label_ = label;
        maximum_ = maximum;
        position_ = 0;
    }
    void SetPosition(int position) override
    {
        position_ = position;
        if (position % kProgressStep == 0) Line();
    }
    bool Cancelled() const override { return false; }
    void Finish() override
    {
        if (position_ % kProgressStep != 0) Line();
    }

private:
    void Line() const
    {
        zvtool::PrintError(label_ + ", pagine scritte: " + std::to_string(position_) +
                           (maximum_ > 0 ? " di " + std::to_string(maximum_) : std::string()));
    }
    std::string label_;
    int maximum_ = 0, position_ = 0;
};

#ifdef ZV_HAVE_QT
// Writes prepared pages as PDF (all of them) or PNG (one page, or all) through the registered writers.
void WriteDocument(zv::TzvEMFPages& pages, const std::string& kind, const std::string& out, const WriteOptions& o,
                   const std::string& reportTitle)
{
    zv::RegisterQtPageWriters();
    const zv::PageWriterInfo* writer = zv::FindPageWriter(kind);
    if (!writer) throw zv::Exception("No writer for " + kind);
    zv::TzvDocumentOptions options;
    options.Dpi = o.dpi;
    if (kind == "png" && !o.allPages) {
        options.FirstPage = options.LastPage = o.page ? o.page : 1;
        if (options.FirstPage > pages.Count()) throw zv::Exception("No page " + std::to_string(options.FirstPage));
    }
    zv::DocumentProperties props;
    props.title = o.haveTitle ? o.title : reportTitle;
    StderrProgress progress;
    zv::ExportDocument(pages, *writer, out, props, options, o.progress ? &progress : nullptr);
}
#endif

// Exports the report's pages through the export filter registered for the extension of out
// (".xlsx", ".csv"), keeping the texts of page headers and footers when pageBands is set; false
// when no filter has that extension.
bool WriteSheet(zv::TzvReport& report, const std::string& out, bool pageBands)
{
    const std::string mask = "*" + zv::LowerCase(zv::ExtractFileExt(out));
    for (const zv::TzvExportFilterInfo& f : zv::ExportFilters()) {
        if (zv::LowerCase(f.FileMask) != mask) continue;
        zv::TzvExportFilterInfo info = f;
        info.FilterClass = [&f, pageBands](zv::Stream& s) {
            std::unique_ptr<zv::TzvExportFilter> filter = f.FilterClass(s);
            if (auto* sheet = dynamic_cast<zv::TzvSheetExportFilter*>(filter.get())) sheet->SkipPageBands = !pageBands;
            return filter;
        };
        zv::ExportPages(report, info, out);
        return true;
    }
    return false;
}

void WriteOutput(zv::TzvEMFPages& pages, const std::string& out, const WriteOptions& o, const std::string& title)
{
    const std::string ext = zv::LowerCase(zv::ExtractFileExt(out));
    if (ext == ".zvp") {
        zv::SavePreparedReport(pages, out);
        return;
    }
    if (pages.Count() == 0) throw zv::Exception("The report has no pages");
    if (ext == ".emf") {
        const zv::EmfFile& picture = pages.Pages(0).Picture;
        zv::SaveFileAtomically(out, [&picture](zv::Stream& s) {
            s.writeBuffer(picture.bytes().data(), std::min<size_t>(picture.bytes().size(), picture.header().bytes));
        });
        return;
    }
#ifdef ZV_HAVE_QT
    if (ext == ".png" || ext == ".pdf") {
        WriteDocument(pages, ext.substr(1), out, o, title);
        return;
    }
#else
    (void)o;
    (void)title;
#endif
    throw zv::Exception("Unknown output kind (.zvp, .emf, .png, .pdf, .xlsx, .csv): " + out);
}

// render TEMPLATE.zvf [--data FORM.DATASET=FILE.xml ...] [--db DATABASE --query FORM.DATASET=SQL ...]
// [--max-pages N] -o OUT; each --query reads the database of the last --db before it.
int RenderTemplate(const std::vector<std::string>& args)
{
    std::string out;
    int32_t maxPages = kDefaultMaxPages;
    std::vector<std::string> data;
    std::vector<std::pair<std::string, std::string>> queries;  // database, FORM.DATASET=SQL
    std::string database;
    WriteOptions write;
    for (size_t i = 1; i < args.size(); ++i) {
        const bool hasValue = i + 1 < args.size();
        if (write.take(args, i)) continue;
        if (args[i] == "-o" && hasValue)
            out = args[++i];
        else if (args[i] == "--data" && hasValue)
            data.push_back(args[++i]);
        else if (args[i] == "--db" && hasValue)
            database = args[++i];
        else if (args[i] == "--query" && hasValue)
            queries.emplace_back(database, args[++i]);
        else if (args[i] == "--max-pages" && hasValue)
            maxPages = std::atoi(args[++i].c_str());
        else
            throw zv::Exception("Unknown argument: " + args[i]);
    }
    if (out.empty() || maxPages <= 0) {
        zvtool::PrintError(
            "usage: zvreport render TEMPLATE.zvf [--data FORM.DATASET=FILE.xml ...] [--db DATABASE"
            " --query FORM.DATASET=SQL ...] [--max-pages N] -o OUT"
            " [--dpi D] [--page N | --all-pages] [--title T] [--page-bands] [--progress]");
        return 2;
    }
#ifdef ZV_HAVE_QT
    // Layout measures with the font engine that draws the pages.
    zv::EnsureGuiApplication();
    static zv::QtFontMetrics metrics;
    zv::SetDefaultFontMetrics(&metrics);
#endif
    zv::DefaultFormatSettings() = zv::FormatSettingsFromLocale();
    zv::InitReportLibrary();
    DataForms forms;
    for (const std::string& option : data) forms.Load(option);
    for (const auto& [db, option] : queries) forms.Query(db, option);
#if defined(__GLIBC__)
    // Parsing a packet frees its XML tree among the rows it keeps; malloc keeps those pages unless
    // told, and they would stay resident under everything the report does after.
    malloc_trim(0);
#endif
    zv::Component owner;
    owner.setName("zvreport");
    auto* report = new zv::TzvReport(&owner);
    report->ShowProgress = false;
    report->MaxPages = maxPages;
    {
        const std::string bytes = zv::ReadFileBytes(args[0]);
        zv::MemoryStream s(std::vector<uint8_t>(bytes.begin(), bytes.end()));
        report->LoadFromStream(s);
    }
    bool ok = false, written = false;
#ifdef ZV_HAVE_QT
    if (zv::LowerCase(zv::ExtractFileExt(out)) == ".pdf") {
        // Written while the final pass makes the pages, so that a long report does not hold them all.
        zv::RegisterQtPageWriters();
        if (write.haveTitle) report->Title = write.title;
        StderrProgress progress;
        ok = written = zv::PrepareAndExportDocument(*report, *zv::FindPageWriter("pdf"), out, {},
                                                    write.progress ? &progress : nullptr);
    } else
#endif
    {
        ok = report->PrepareReport();
    }
    if (zv::zvState().ErrorFlag || !ok) {
        std::string text = zv::zvState().ErrorFlag ? zv::zvState().ErrorText : "Preparazione interrotta";
        for (char& c : text)
            if (c == '\r') c = '\n';
        zvtool::PrintError(text);
        return 1;
    }
    if (!written && !WriteSheet(*report, out, write.pageBands))
        WriteOutput(report->EMFPages, out, write, report->Title);
    zvtool::Print("pages=" + std::to_string(report->EMFPages.Count()));
    return 0;
}

int Render(const std::vector<std::string>& args)
{
    if (!args.empty() && zv::LowerCase(zv::ExtractFileExt(args[0])) == ".zvf") return RenderTemplate(args);
    std::string png, pdf, sheet;
    WriteOptions write;
    bool bad = args.empty();
    for (size_t i = 1; i < args.size() && !bad; ++i) {
        const bool hasValue = i + 1 < args.size();
        if (write.take(args, i)) continue;
        if (args[i] == "--png" && hasValue)
            png = args[++i];
        else if (args[i] == "--pdf" && hasValue)
            pdf = args[++i];
        else if (args[i] == "-o" && hasValue)
            sheet = args[++i];
        else
            bad = true;
    }
    if (bad || !png.empty() + !pdf.empty() + !sheet.empty() != 1) {
        zvtool::PrintError(
            "usage: zvreport render FILE.zvp|FILE.emf --png OUT [--page N | --all-pages] [--dpi D]"
            " | --pdf OUT [--title T] | -o OUT.xlsx|OUT.csv [--progress]");
        return 2;
    }
    if (!sheet.empty()) {
        // Prepared pages carry no notes of their page headers and footers: every text is exported.
        zv::DefaultFormatSettings() = zv::FormatSettingsFromLocale();
        zv::InitReportLibrary();
        zv::TzvReport report;
        zv::LoadPreparedReport(report.EMFPages, args[0]);
        if (report.EMFPages.Count() == 0) throw zv::Exception("The report has no pages");
        if (!WriteSheet(report, sheet, write.pageBands))
            throw zv::Exception("Unknown output kind (.xlsx, .csv): " + sheet);
        return 0;
    }
#ifdef ZV_HAVE_QT
    Loaded in;
    Load(args[0], in);
    zv::EnsureGuiApplication();
    if (in.isEmf) {
        if (!png.empty()) {
            zv::SaveEmfAsPng(in.single, png, write.dpi);
            return 0;
        }
        zv::Rect fr = in.single.frameInPixels();
        // The frame comes from the file: the paper size in 0.1 mm is worked out in 64 bits.
        std::vector<zv::RenderPage> pages = {{&in.single, zv::Saturate32(int64_t{fr.width()} * 254 / 96),
                                              zv::Saturate32(int64_t{fr.height()} * 254 / 96), 0}};
        zv::SavePagesAsPdf(pages, pdf, write.title);
        return 0;
    }
    if (in.pages.Count() == 0) throw zv::Exception("The report has no pages");
    if (!png.empty())
        WriteDocument(in.pages, "png", png, write, {});
    else
        WriteDocument(in.pages, "pdf", pdf, write, {});
    return 0;
#else
    (void)write;
    zvtool::PrintError("zvreport: render needs the Qt build");
    return 2;
#endif
}

// Wraps metafiles into a prepared report, one A4 page each (for tests and for looking at
// pictures made elsewhere).
int Pack(const std::vector<std::string>& args)
{
    if (args.size() < 2) {
        zvtool::PrintError("usage: zvreport pack OUT.zvp IN.emf...");
        return 2;
    }
    zv::TzvEMFPages pages;
    zv::TzvPage design;
    design.PaperWidth = 2100;
    design.PaperHeight = 2970;
    zv::Prn().SetPaper(design.PaperSize, design.PaperWidth, design.Orientation, design.PaperHeight);
    zv::Prn().FillPageInfo(design.Info);
    for (size_t i = 1; i < args.size(); ++i) {
        std::string bytes = zv::ReadFileBytes(args[i]);
        zv::EmfFile picture(std::vector<uint8_t>(bytes.begin(), bytes.end()));
        zv::EmfRecorder& canvas = pages.Add(design);
        zv::PlayEmf(picture, canvas,
                    {0, 0, pages.Pages(static_cast<int>(i) - 1).PictureWidth,
                     pages.Pages(static_cast<int>(i) - 1).PictureHeight});
        pages.FinishPage(static_cast<int>(i) - 1);
    }
    zv::SavePreparedReport(pages, args[0]);
    return 0;
}

const zvtool::DumpRegistrar dumpEmf({".emf", DumpEmf});
const zvtool::DumpRegistrar dumpZvp({".zvp", DumpZvp});
const zvtool::CommandRegistrar renderCommand(
    {"render",
     "TEMPLATE.zvf [--data FORM.DATASET=FILE.xml ...] [--db DATABASE --query FORM.DATASET=SQL ...]\n"
     "    [--max-pages N] -o OUT.zvp|.emf|.png|.pdf|.xlsx|.csv\n"
     "    [--dpi D] [--page N | --all-pages] [--title T] [--page-bands] [--progress]  (prepare a report; PNG at\n"
     "    150 dpi by default; spreadsheets leave out page headers and footers unless --page-bands)\n"
     "  zvreport render FILE.zvp|FILE.emf --png OUT [--page N | --all-pages] [--dpi D] | --pdf OUT [--title T]"
     " | -o OUT.xlsx|.csv [--progress]  (draw or export pages; --progress: PDF and PNG pages written, on stderr)",
     Render});
const zvtool::CommandRegistrar packCommand({"pack", "OUT.zvp IN.emf...  (metafiles as A4 pages of a prepared report)",
                                            Pack});

}  // namespace
