// TzvReport's template side (loading rules, data sources), TzvValues and the process-wide state.
#include "report/ZV_Report.h"

#include <algorithm>
#include <filesystem>

#include "platform/Error.h"
#include "platform/Files.h"
#include "platform/Stream.h"
#include "platform/Text.h"
#include "platform/UiServices.h"
#include "report/ZV_Const.h"
#include "report/ZV_Picture.h"
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
    for (const auto& [n, v] : items_)
        if (SameText(n, name)) return v.get();
    return nullptr;
}

int TzvValues::AddValue(std::string name)
{
    items_.emplace_back(std::move(name), std::make_unique<TzvValue>());
    const int index = Count() - 1;
    if (sorted_) SetSorted(true);
    return index;
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

TzvReport::TzvReport(Component* owner) : Component(owner), Pages(this)
{
    PixelsPerInch = zvState().ScreenPixelsPerInch;
    zvState().CurrentReport = this;
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
}

std::string TzvReport::QualifiedName() const
{
    return owner() ? owner()->name() + "." + name() : name();
}

void TzvReport::AddDataSource(const std::string& name, TzvDataset* source)
{
    // After any entries of the same name, so that equal names keep the order they came in.
    auto at = std::upper_bound(dataSources_.begin(), dataSources_.end(), name,
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
