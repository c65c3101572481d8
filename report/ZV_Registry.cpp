// Function libraries with their dispatch, and export filters: the two registries of 32 entries.
#include "report/ZV_Registry.h"

#include <algorithm>

#include "platform/base/Text.h"

namespace zv {

namespace {

std::vector<std::unique_ptr<TzvFunctionLibrary>>& Libraries()
{
    static std::vector<std::unique_ptr<TzvFunctionLibrary>> libraries;
    return libraries;
}

std::vector<TzvExportFilterInfo>& Filters()
{
    static std::vector<TzvExportFilterInfo> filters;
    return filters;
}

bool NameLess(const std::string& a, std::string_view b) { return CompareText(a, b) < 0; }

}  // namespace

void TzvFunctionLibrary::AddFunction(std::string_view name)
{
    auto at = std::lower_bound(list_.begin(), list_.end(), name, NameLess);
    if (at != list_.end() && SameText(*at, name)) return;
    list_.insert(at, std::string(name));
}

int TzvFunctionLibrary::IndexOf(std::string_view name) const
{
    auto at = std::lower_bound(list_.begin(), list_.end(), name, NameLess);
    if (at == list_.end() || !SameText(*at, name)) return -1;
    return static_cast<int>(at - list_.begin());
}

bool TzvFunctionLibrary::OnFunction(const std::string& name, const Variant& p1, const Variant& p2, const Variant& p3,
                                    Variant& val)
{
    const int index = IndexOf(name);
    if (index < 0) return false;
    DoFunction(index, p1, p2, p3, val);
    return true;
}

bool RegisterFunctionLibrary(std::unique_ptr<TzvFunctionLibrary> library)
{
    auto& list = Libraries();
    if (!library || list.size() >= kMaxFunctionLibraries) return false;
    list.push_back(std::move(library));
    return true;
}

bool UnregisterFunctionLibrary(const TzvFunctionLibrary* library)
{
    auto& list = Libraries();
    auto it = std::find_if(list.begin(), list.end(), [library](const auto& l) { return l.get() == library; });
    if (it == list.end()) return false;
    list.erase(it);
    return true;
}

const std::vector<std::unique_ptr<TzvFunctionLibrary>>& FunctionLibraries() { return Libraries(); }

bool CallFunctionLibraries(const std::string& name, const Variant& p1, const Variant& p2, const Variant& p3,
                           Variant& val)
{
    for (const auto& library : Libraries())
        if (library->OnFunction(name, p1, p2, p3, val)) return true;
    return false;
}

bool RegisterExportFilter(TzvExportFilterInfo info)
{
    auto& list = Filters();
    if (!info.FilterClass || list.size() >= kMaxExportFilters) return false;
    list.push_back(std::move(info));
    return true;
}

bool UnregisterExportFilter(std::string_view description)
{
    return std::erase_if(Filters(),
                         [description](const TzvExportFilterInfo& f) { return f.Description == description; }) > 0;
}

const std::vector<TzvExportFilterInfo>& ExportFilters() { return Filters(); }

}  // namespace zv
