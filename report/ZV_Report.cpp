// TzvReport's template side (loading rules, data sources), TzvValues and the process-wide state.
#include "report/ZV_Report.h"

#include <algorithm>
#include <array>
#include <climits>
#include <filesystem>

#include "platform/base/Error.h"
#include "platform/base/Files.h"
#include "platform/base/Stream.h"
#include "platform/base/Text.h"
#include "platform/device/UiServices.h"
#include "report/ZV_Const.h"
#include "report/ZV_Picture.h"
#include "report/ZV_Preview.h"
#include "report/ZV_Resolver.h"
#include "report/ZV_Utils.h"

namespace zv {

namespace {

// A first byte at or below this predates the version byte: the file is version 21 from byte 0.
constexpr uint8_t kLastUnversioned = 20;
constexpr int kFirstVersion = 21;
// Smallest stored sizes, used to refuse counts a stream cannot hold.
constexpr int64_t kMinDataSourceEntry = 1 + 1 + 8;  // kind, empty name, range
constexpr int64_t kMinBinding = 1 + 4 + 1 + 1 + 1;  // Typ, OtherKind, three empty strings

void FailShort() { throw StreamError("Stream read error"); }

std::string Replace(std::string text, std::string_view arg)
{
    const size_t at = text.find("%s");
    if (at != std::string::npos) text.replace(at, 2, arg);
    return text;
}

bool IsAbsolutePath(const std::string& p) { return !p.empty() && p[0] == '/'; }

}  // namespace

TzvGlobalState& zvState()
{
    static TzvGlobalState state;
    return state;
}

// ---- TzvValues -------------------------------------------------------------------------------

TzvValue* TzvValues::FindVariable(std::string_view name) const
{
    if (sorted_) {
        // Binary search while a preparation keeps the list sorted; the first of equal names wins.
        auto at = std::lower_bound(items_.begin(), items_.end(), name,
                                   [](const auto& item, std::string_view n) { return CompareText(item.first, n) < 0; });
        return at != items_.end() && SameText(at->first, name) ? at->second.get() : nullptr;
    }
    for (const auto& [n, v] : items_)
        if (SameText(n, name)) return v.get();
    return nullptr;
}

int TzvValues::AddValue(std::string name)
{
    if (sorted_) {
        // At its sorted place, after the entries of an equal name.
        auto at = std::upper_bound(items_.begin(), items_.end(), name, [](const std::string& n, const auto& item) {
            return CompareText(n, item.first) < 0;
        });
        at = items_.emplace(at, std::move(name), std::make_unique<TzvValue>());
        return static_cast<int>(at - items_.begin());
    }
    items_.emplace_back(std::move(name), std::make_unique<TzvValue>());
    return Count() - 1;
}

void TzvValues::SetSorted(bool sorted)
{
    sorted_ = sorted;
    if (sorted)
        std::stable_sort(items_.begin(), items_.end(),
                         [](const auto& a, const auto& b) { return CompareText(a.first, b.first) < 0; });
}

void TzvValues::ReadBindings(Stream& s)
{
    Clear();
    sorted_ = false;
    const uint32_t count = s.readU32();
    if (static_cast<int64_t>(count) * kMinBinding > s.remaining()) FailShort();
    for (uint32_t i = 0; i < count; ++i) {
        auto v = std::make_unique<TzvValue>();
        v->Typ = s.readU8();
        v->OtherKind = s.readI32();
        v->DataSetName = s.readShortString();
        v->FieldName = s.readShortString();
        std::string name = s.readShortString();
        items_.emplace_back(std::move(name), std::move(v));
    }
}

void TzvValues::WriteBindings(Stream& s) const
{
    auto cut = [](const std::string& str) { return std::string_view(str).substr(0, 255); };
    s.writeU32(static_cast<uint32_t>(items_.size()));
    for (const auto& [name, v] : items_) {
        s.writeU8(v->Typ);
        s.writeI32(v->OtherKind);
        s.writeShortString(cut(v->DataSetName));
        s.writeShortString(cut(v->FieldName));
        s.writeShortString(cut(name));
    }
}

// ---- TzvReport -------------------------------------------------------------------------------

namespace {
// Every report alive, so that a data source being destroyed leaves all their lists.
std::vector<TzvReport*>& LiveReports()
{
    static std::vector<TzvReport*> reports;
    return reports;
}
}  // namespace

void ForgetDataSourceEverywhere(const TzvDataset* source)
{
    for (TzvReport* r : LiveReports()) r->ForgetDataSource(source);
}

TzvReport::TzvReport(Component* owner) : Component(owner), Pages(this)
{
    LiveReports().push_back(this);
    PixelsPerInch = zvState().ScreenPixelsPerInch;
    zvState().CurrentReport = this;
    SetExprResolver(TzvResolveEvent::Of<&TzvReport::ResolveValue>(this));
    ClearTemplate();
}

TzvReport::~TzvReport()
{
    TzvGlobalState& st = zvState();
    st.CurrentReport = this;
    Values.Clear();
    Variables.clear();
    ClearPreparedPages();
    Pages.Clear();
    ReleaseDataSources();
    st.CurrentReport = nullptr;
    ClearExprResolver(this);
    if (PrepareState().PreparingReport == this) PrepareState().PreparingReport = nullptr;
    std::erase(LiveReports(), this);
}

std::string TzvReport::QualifiedName() const { return owner() ? owner()->name() + "." + name() : name(); }

void TzvReport::AddDataSource(const std::string& name, TzvDataset* source)
{
    // After any entries of the same name, so that equal names keep the order they came in.
    auto at =
        std::upper_bound(dataSources_.begin(), dataSources_.end(), name,
                         [](const std::string& n, const DataSourceEntry& e) { return CompareText(n, e.Name) < 0; });
    dataSources_.insert(at, DataSourceEntry{name, source});
}

TzvDataset* TzvReport::FindRegisteredDataSource(std::string_view name) const
{
    for (const DataSourceEntry& e : dataSources_)
        if (SameText(e.Name, name)) return e.Source;
    return nullptr;
}

void TzvReport::ReleaseDataSource(std::string_view name)
{
    for (auto it = dataSources_.begin(); it != dataSources_.end(); ++it) {
        if (!SameText(it->Name, name)) continue;
        TzvDataset* source = it->Source;
        dataSources_.erase(it);
        if (source && !source->owner()) delete source;
        return;
    }
}

void TzvReport::ReleaseDataSources()
{
    // Taken out of the list first: a source that is freed forgets itself in the list.
    std::vector<DataSourceEntry> entries = std::move(dataSources_);
    dataSources_.clear();
    for (DataSourceEntry& e : entries)
        if (e.Source && !e.Source->owner()) delete e.Source;
}

void TzvReport::ForgetDataSource(const TzvDataset* source)
{
    std::erase_if(dataSources_, [source](const DataSourceEntry& e) { return e.Source == source; });
}

void TzvReport::ClearTemplate()
{
    zvState().CurrentReport = this;
    ClearPreparedPages();
    Pages.Clear();
    Pages.Add();
    Variables.clear();
    Values.Clear();
    TwoPass = InterleavePages = InterleavedNumbering = 0;
    FileName.clear();
    Version = kTemplateVersion;
    ReleaseDataSources();
}

void TzvReport::SetAutoLoad(const std::string& value)
{
    if (value == autoLoad_) return;
    autoLoad_ = value;
    if (value.empty())
        ClearTemplate();
    else
        LoadFromFile(value);
}

void TzvReport::ReloadIfChanged()
{
    if (autoLoad_.empty() || loadedPath_.empty()) return;
    if (FileAge(loadedPath_) != loadedAge_) LoadFromFile(loadedPath_);
}

void TzvReport::LoadFromFile(std::string fileName)
{
    if (fileName.find('.') == std::string::npos) fileName += ".zvf";
    if (!ReportDir.empty()) {
        const std::string dir = IncludeTrailingPathDelimiter(ReportDir);
        std::string folder = ExtractFilePath(fileName);
        folder = folder.empty() ? dir : IncludeTrailingPathDelimiter(folder);
        if (!SameText(folder, dir)) {
            throw Exception(std::string(kMsgBadFolderStart) + "\"" + QualifiedName() + "\"" + kMsgBadFolderMiddle +
                            "\r\n" + kMsgBadFolderOnly + "\"" + dir + "\"");
        }
        fileName = folder + ExtractFileName(fileName);
    }
    std::string path = fileName;
    if (!FileExists(path) && !IsAbsolutePath(fileName)) {
        // Look beside the executable, or in PathFromExe (relative to the executable's folder).
        std::string base = ExeDir();
        if (!PathFromExe.empty()) {
            const std::string p = IsAbsolutePath(PathFromExe) ? PathFromExe : base + PathFromExe;
            std::error_code ec;
            if (std::filesystem::is_directory(p, ec)) base = IncludeTrailingPathDelimiter(p);
        }
        path = base + fileName;
    }
    if (!FileExists(path)) {
        throw Exception(Replace(Replace(kMsgFileMissing, QualifiedName()), fileName));
    }
    if (!autoLoad_.empty()) {
        std::error_code ec;
        const std::filesystem::path full = std::filesystem::absolute(path, ec);
        loadedPath_ = ec ? path : full.lexically_normal().string();
        loadedAge_ = FileAge(path);
    }
    FileStream stream(path, FileMode::Read);
    LoadFromStream(stream);
    FileName = ExtractFileName(fileName);
}

void TzvReport::LoadFromStream(Stream& stream)
{
    TzvGlobalState& st = zvState();
    st.CurrentReport = this;
    try {
        ReadTemplate(stream);
    } catch (const std::exception&) {
        // The reader already told the user about a missing add-in class; any failure ends here.
        Ui().messageBox(kMsgCorruptTemplate, kCaptionError, MB_OK | MB_ICONERROR);
        ReleaseDataSources();
        Pages.Clear();
        Pages.Add();
        Values.Clear();
        Variables.clear();
        TwoPass = InterleavePages = InterleavedNumbering = 0;
        Version = kTemplateVersion;
        return;
    }
    // A template without any page record still leaves the report its one page.
    if (Pages.Count() == 0) Pages.Add();
    if (st.TemplateVersion < 23) CheckOldDataBands();
}

void TzvReport::ReadTemplate(Stream& s)
{
    TzvGlobalState& st = zvState();
    uint8_t version = s.readU8();
    if (version <= kLastUnversioned) {
        version = kFirstVersion;
        s.setPosition(s.position() - 1);
    }
    st.TemplateVersion = version;
    Version = version;
    Pages.Clear();
    // A new template replaces everything of the previous one, also what it does not store.
    ReleaseDataSources();
    Values.Clear();
    Variables.clear();
    TwoPass = InterleavePages = InterleavedNumbering = 0;
    if (version >= 23) {
        const uint32_t count = s.readU32();
        if (static_cast<int64_t>(count) * kMinDataSourceEntry > s.remaining()) FailShort();
        for (uint32_t i = 0; i < count; ++i) {
            const bool db = s.readU8() != 0;
            std::string qualified, filter;
            bool filtered = false;
            if (db) {
                qualified = s.readShortString();
                if (version >= 27) {
                    filtered = s.readU8() == 1;
                    filter = s.readShortString();
                }
            }
            std::string name = s.readShortString();
            const uint8_t rangeBegin = s.readU8();
            const uint8_t rangeEnd = s.readU8();
            s.readU16();  // reserved
            const int32_t rangeCount = s.readI32();

            TzvDataset* source = nullptr;
            if (db) {
                // Only a dataset can be bound; any other component counts as not found.
                auto* found = dynamic_cast<TDataSet*>(ResolveQualifiedName(qualified));
                if (!found) {
                    Ui().messageBox(kMsgDataSetNotFound + qualified, kCaptionWarning, MB_OK | MB_ICONWARNING);
                    continue;
                }
                auto* dbSource = new TzvDBDataSet();
                dbSource->SetDataSet(found);
                dbSource->Filter = filter;
                dbSource->Filtered = filtered;
                source = dbSource;
            } else {
                source = new TzvDataset();
            }
            source->setName(name);
            source->RangeBegin = static_cast<TRangeBegin>(rangeBegin);
            source->RangeEnd = static_cast<TRangeEnd>(rangeEnd);
            source->RangeEndCount = rangeCount;
            AddDataSource(name, source);
        }
    }
    Pages.LoadFromStream(s);
}

void TzvReport::CheckOldDataBands()
{
    for (int p = 0; p < Pages.Count(); ++p) {
        for (const auto& v : Pages[p].Objects) {
            if (v->Kind != otBand || !v->UsesDataSource()) continue;
            Component* c = owner() ? owner()->findComponent(v->FormatText) : nullptr;
            if (!dynamic_cast<TzvDataset*>(c)) c = ApplicationRegistry::instance().findGlobalComponent(v->FormatText);
            if (!dynamic_cast<TzvDataset*>(c))
                Ui().messageBox(kMsgDataSetNotFound + v->FormatText, kCaptionWarning, MB_OK | MB_ICONWARNING);
        }
    }
}

void TzvReport::SaveToStream(Stream& s)
{
    TemplateVersionGuard version(kTemplateVersion);
    s.writeU8(kTemplateVersion);
    s.writeU32(static_cast<uint32_t>(dataSources_.size()));
    for (const DataSourceEntry& e : dataSources_) {
        auto* db = dynamic_cast<TzvDBDataSet*>(e.Source);
        s.writeU8(db ? 1 : 0);
        if (db) {
            s.writeShortString(std::string_view(QualifiedComponentName(db->DataSet())).substr(0, 255));
            s.writeU8(db->Filtered ? 1 : 0);
            s.writeShortString(std::string_view(db->Filter).substr(0, 255));
        }
        s.writeShortString(std::string_view(e.Name).substr(0, 255));
        s.writeU8(e.Source ? e.Source->RangeBegin : 0);
        s.writeU8(e.Source ? e.Source->RangeEnd : 0);
        s.writeU16(0);
        s.writeI32(e.Source ? e.Source->RangeEndCount : 0);
    }
    Pages.SaveToStream(s);
}

}  // namespace zv

// ---- report component: preparation, show operations, errors, window description ----------------

namespace zv {

namespace {

// Stored names of the designer options, by bit.
constexpr std::array<std::pair<TzvDsgOption, const char*>, 1> kDsgOptionNames = {{{doSaveConfirm, "doSaveConfirm"}}};

TzvBandKindFn& BandKindFunction()
{
    static TzvBandKindFn fn = nullptr;
    return fn;
}

std::string PreviewCaptionFor(const std::string& title)
{
    std::string caption = kPreviewCaption;
    if (!title.empty()) caption += std::string(kCaptionTitleSeparator) + title;
    return caption;
}

std::string BytesOf(const MemoryStream& s) { return std::string(s.data().begin(), s.data().end()); }

MemoryStream StreamOf(const std::string& bytes)
{
    return MemoryStream(std::vector<uint8_t>(bytes.begin(), bytes.end()));
}

}  // namespace

TzvPrepareState& PrepareState()
{
    static TzvPrepareState state;
    return state;
}

void SetBandKindFunction(TzvBandKindFn fn) { BandKindFunction() = fn; }

void ReportError(const std::string& message)
{
    TzvGlobalState& st = zvState();
    if (st.ErrorFlag) return;  // only the first error of a preparation counts
    st.ErrorFlag = true;
    std::string text = kErrPreparation;
    if (!message.empty()) text += "\r" + message;
    if (st.CurrentObject && st.CurrentObject->ParentBand == st.CurrentBand)
        text += std::string("\r") + kErrObject + ": " + st.CurrentObject->Name;
    if (st.CurrentBand) {
        const TzvBandKindFn fn = BandKindFunction();
        text += std::string("\r") + kErrBand + " " + (fn ? BandName(fn(st.CurrentBand)) : std::string());
    }
    text += std::string("\r") + kErrPage + ": " + std::to_string(st.CurrentPageNo);
    st.ErrorText = std::move(text);
    if (TzvReport* r = PrepareState().PreparingReport) r->Terminated = true;
}

const std::string& SpecialVarName(int index)
{
    static const std::vector<std::string> names(kSpecialVarNames.begin(), kSpecialVarNames.end());
    static const std::string none;
    return index >= 0 && index < static_cast<int>(names.size()) ? names[static_cast<size_t>(index)] : none;
}

const std::string& SpecialVarInternalName(int index)
{
    static const std::vector<std::string> names(kSpecialVarInternal.begin(), kSpecialVarInternal.end());
    static const std::string none;
    return index >= 0 && index < static_cast<int>(names.size()) ? names[static_cast<size_t>(index)] : none;
}

const Bitmap& CheckerboardBitmap()
{
    static const Bitmap bitmap = [] {
        constexpr int32_t kSide = 8;
        constexpr uint32_t kWhite = 0xFFFFFF, kSilver = 0xC0C0C0;
        Bitmap b;
        b.width = b.height = kSide;
        b.pixels.resize(kSide * kSide);
        for (int32_t y = 0; y < kSide; ++y)
            for (int32_t x = 0; x < kSide; ++x) b.at(x, y) = (x + y) % 2 == 0 ? kWhite : kSilver;
        return b;
    }();
    return bitmap;
}

void TzvReport::ClearPreparedPages() { EMFPages.Clear(); }

void TzvReport::ShowReport()
{
    // The flag and the pages are cleared on every way out, so that the next preparation starts
    // clean and no pages outlive their preview.
    struct Cleanup {
        TzvReport& report;
        ~Cleanup()
        {
            zvState().ErrorFlag = false;
            report.ClearPreparedPages();
        }
    } cleanup{*this};
    PrepareReport();
    if (zvState().ErrorFlag)
        Ui().messageBox(zvState().ErrorText, kCaptionError, MB_OK | MB_ICONERROR);
    else
        ShowPreview();
}

void TzvReport::ShowPreview()
{
    const TzvPreviewClass& previewClass = PreviewClass();
    if (!previewClass) throw Exception(kMsgNoPreviewClass);
    TzvPreview* preview = previewClass.Create();
    if (!preview) throw Exception(kMsgNoPreviewClass);
    AddOpenPreview(preview);
    preview->SetCaption(PreviewCaptionFor(Title));
    if (preview->IsVisible()) preview->ClosePreview();
    preview->Modal = ModalPreview;
    if (ModalPreview) {
        preview->Report = this;
        preview->ShowModalMaximized();  // the preview may be gone when this returns
        return;
    }
    // The copy works on its own pages, so the caller may empty, reload or free this report.
    // Creating it must not take the expression engine's resolver or the current report away.
    {
        TemplateVersionGuard version(kTemplateVersion);
        preview->TransferStream.clear();
        EMFPages.SaveToStream(preview->TransferStream);
    }
    const TzvResolveEvent resolver = TzvExpr::Instance().Resolver();
    TzvReport* const current = zvState().CurrentReport;
    try {
        preview->OwnedReport = std::make_unique<TzvReport>();
        preview->OwnedReport->Title = Title;
        preview->TransferStream.setPosition(0);
        TemplateVersionGuard version(kTemplateVersion);
        TzvEMFPages& copy = preview->OwnedReport->EMFPages;
        copy.LoadFromStream(preview->TransferStream);
        // The file holds no page header and footer spans; the copy keeps them for its exports.
        for (int i = 0; i < copy.Count() && i < EMFPages.Count(); ++i)
            copy.Pages(i).PageBandSpans = EMFPages.Pages(i).PageBandSpans;
    } catch (...) {
        SetExprResolver(resolver);
        zvState().CurrentReport = current;
        RemoveOpenPreview(preview);
        delete preview;
        throw;
    }
    SetExprResolver(resolver);
    zvState().CurrentReport = current;
    preview->Report = preview->OwnedReport.get();
    preview->ShowStayOnTopMaximized();
}

void TzvReport::Progress(int32_t n)
{
    if (OnProgress) {
        OnProgress(n);
        return;
    }
    if (ShowProgress) {
        if (TzvProgressWindow* window = ProgressWindow()) {
            const TzvPrepareState& ps = PrepareState();
            std::string line = window->Prefix + "  " + std::to_string(n);
            if (ps.PreparingReport && ps.PreparingReport->TwoPass != 0 && ps.FinalPass)
                line += " di " + std::to_string(ps.TotalPages);
            window->SetLabelText(line);
        }
    }
    Ui().processMessages();
}

void TzvReport::ResolveValue(std::string_view name, const TzvArgList* args, Variant& value)
{
    ResolveReportValue(*this, name, args, value);
}

bool TzvReport::readProperty(const std::string& name, const PropValue& value)
{
    auto is = [&name](std::string_view n) { return SameText(name, n); };
    if (is("AutoLoad"))
        SetAutoLoad(value.asString());
    else if (is("ReportDir"))
        ReportDir = value.asString();
    else if (is("PathFromExe"))
        PathFromExe = value.asString();
    else if (is("TemplateDir"))
        TemplateDir = value.asString();
    else if (is("Title"))
        Title = value.asString();
    else if (is("ShowProgress"))
        ShowProgress = value.asBool();
    else if (is("ModalPreview"))
        ModalPreview = value.asBool();
    else if (is("DisableDataSetControls"))
        DisableDataSetControls = value.asBool();
    else if (is("Scaled"))
        Scaled = value.asBool();
    else if (is("PixelsPerInch")) {
        const int64_t v = value.asInt();
        if (v < INT32_MIN || v > INT32_MAX) throw Exception("Invalid property value");
        PixelsPerInch = static_cast<int32_t>(v);
    } else if (is("DesignerOptions")) {
        if (value.kind != PropValue::Kind::Set) throw Exception("Invalid property value");
        TzvDsgOptions options = 0;
        for (const std::string& item : value.items) {
            bool known = false;
            for (const auto& [bit, n] : kDsgOptionNames)
                if (SameText(item, n)) {
                    options |= bit;
                    known = true;
                }
            if (!known) throw Exception("Invalid property value");
        }
        DesignerOptions = options;
    } else if (is("Values.Data")) {
        MemoryStream s = StreamOf(value.asBinary());
        Values.ReadBindings(s);
    } else if (is("Data")) {
        MemoryStream s = StreamOf(value.asBinary());
        const uint32_t count = s.readU32();
        if (static_cast<int64_t>(count) > s.remaining()) FailShort();  // every line takes its length byte at least
        std::vector<std::string> lines;
        lines.reserve(count);
        for (uint32_t i = 0; i < count; ++i) lines.push_back(s.readShortString());
        Variables = std::move(lines);
    } else {
        return false;
    }
    return true;
}

void TzvReport::writeProperties(FormWriter& w) const
{
    // The folder rules first, so that the template named by AutoLoad is found by them when the
    // description is read back.
    if (!ReportDir.empty()) w.writeString("ReportDir", ReportDir);
    if (!PathFromExe.empty()) w.writeString("PathFromExe", PathFromExe);
    if (!TemplateDir.empty()) w.writeString("TemplateDir", TemplateDir);
    if (!autoLoad_.empty()) w.writeString("AutoLoad", autoLoad_);
    if (!Title.empty()) w.writeString("Title", Title);
    if (!ShowProgress) w.writeBool("ShowProgress", false);
    if (!ModalPreview) w.writeBool("ModalPreview", false);
    if (!DisableDataSetControls) w.writeBool("DisableDataSetControls", false);
    w.writeInt("PixelsPerInch", PixelsPerInch);
    if (!Scaled) w.writeBool("Scaled", false);
    if (DesignerOptions != doSaveConfirm) {
        std::vector<std::string> items;
        for (const auto& [bit, n] : kDsgOptionNames)
            if (DesignerOptions & bit) items.emplace_back(n);
        w.writeSet("DesignerOptions", items);
    }
    if (Values.Count() > 0) {
        MemoryStream s;
        Values.WriteBindings(s);
        w.writeBinary("Values.Data", BytesOf(s));
    }
    if (!Variables.empty()) {
        MemoryStream s;
        s.writeU32(static_cast<uint32_t>(Variables.size()));
        for (const std::string& line : Variables) s.writeShortString(std::string_view(line).substr(0, 255));
        w.writeBinary("Data", BytesOf(s));
    }
    w.writeInt("PixelsPerInch", PixelsPerInch);
}

}  // namespace zv
