// Registries of add-on function libraries and export filters (32 entries each, registration order).
#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/base/Variant.h"
#include "platform/draw/Graphics.h"

namespace zv {

class Stream;
class TzvReport;

constexpr size_t kMaxFunctionLibraries = 32;
constexpr size_t kMaxExportFilters = 32;

// A library of functions for expressions. Its names are kept sorted (case ignored); offered a
// call, it answers when it has the name by running DoFunction with the name's index in List.
class TzvFunctionLibrary {
public:
    virtual ~TzvFunctionLibrary() = default;

    // Adds a name at its sorted place; a name already there is not added again.
    void AddFunction(std::string_view name);
    const std::vector<std::string>& List() const { return list_; }
    // The index of name in List, or -1.
    int IndexOf(std::string_view name) const;

    // Runs the function when the list holds name; true when it answered.
    bool OnFunction(const std::string& name, const Variant& p1, const Variant& p2, const Variant& p3, Variant& val);

protected:
    virtual void DoFunction(int index, const Variant& p1, const Variant& p2, const Variant& p3, Variant& val) = 0;

private:
    std::vector<std::string> list_;
};

// Appends a library (the registry owns it); false, and nothing kept, when the 32 entries are taken.
bool RegisterFunctionLibrary(std::unique_ptr<TzvFunctionLibrary> library);
// Removes and frees a registered library; false when it is not registered.
bool UnregisterFunctionLibrary(const TzvFunctionLibrary* library);
const std::vector<std::unique_ptr<TzvFunctionLibrary>>& FunctionLibraries();
// Offers the call to each library in registration order; true when one answered.
bool CallFunctionLibraries(const std::string& name, const Variant& p1, const Variant& p2, const Variant& p3,
                           Variant& val);

// An export filter writes the text of prepared pages to its stream, page by page.
class TzvExportFilter {
public:
    explicit TzvExportFilter(Stream& stream) : stream_(stream) {}
    virtual ~TzvExportFilter() = default;

    TzvReport* Report = nullptr;
    std::string FileName;

    // Asked before exporting (a filter may show its options); false declines the export.
    virtual bool Setup() { return true; }
    virtual void OnBeginPage(int32_t width, int32_t height)
    {
        (void)width;
        (void)height;
    }
    virtual void OnText(int32_t x, int32_t y, const Font& font, const std::string& text)
    {
        (void)x;
        (void)y;
        (void)font;
        (void)text;
    }
    virtual void OnEndPage() {}
    virtual void OnEndDoc() {}

protected:
    Stream& stream_;
};

// One registry entry: the filter class (a factory over the output stream), its description and
// its file mask ("*.txt").
struct TzvExportFilterInfo {
    std::function<std::unique_ptr<TzvExportFilter>(Stream&)> FilterClass;
    std::string Description;
    std::string FileMask;
};

// Appends an entry; false, and nothing added, when the 32 entries are taken or it has no class.
bool RegisterExportFilter(TzvExportFilterInfo info);
// Removes every entry of that description; false when there was none.
bool UnregisterExportFilter(std::string_view description);
const std::vector<TzvExportFilterInfo>& ExportFilters();

}  // namespace zv
