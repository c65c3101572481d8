// A fixture that saves the library's process-wide state before each test and puts it back after.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "platform/base/FormText.h"
#include "platform/base/FormatSettings.h"
#include "platform/device/UiServices.h"
#include "report/ZV_Memo.h"
#include "report/ZV_Preview.h"
#include "report/ZV_Registry.h"
#include "report/ZV_Report.h"
#include "report/ZV_View.h"

namespace zvtest {

// Copies the global state (current report, object, band and page, the error flag and text, run
// mode), the preparation's pass state, the default format settings and the headless UI's record
// of message boxes, answers and clipboard, the component-class, add-in and export-filter
// registries, and puts them back when it goes. Function libraries are owned by their registry:
// those a test registered are removed again. The hooks that the preparation installs (band kind,
// geometry and field functions, the progress window) have no getter; they start empty in a test
// program and are emptied again.
class ProcessState {
public:
    ProcessState()
        : state_(zv::zvState()), prepare_(zv::PrepareState()), format_(zv::DefaultFormatSettings()),
          ui_(zv::DefaultHeadlessUi()), classes_(zv::ComponentClassRegistry::instance()), addIns_(zv::AddInObjects()),
          filters_(zv::ExportFilters())
    {
        for (const auto& library : zv::FunctionLibraries()) libraries_.push_back(library.get());
    }
    ~ProcessState()
    {
        zv::SetBandKindFunction(nullptr);
        zv::SetBandGeometryFunction(nullptr);
        zv::SetBandFieldFunction(nullptr);
        zv::SetProgressWindow(nullptr);
        zv::zvState() = state_;
        zv::PrepareState() = prepare_;
        zv::DefaultFormatSettings() = format_;
        zv::DefaultHeadlessUi() = ui_;
        zv::ComponentClassRegistry::instance() = classes_;
        zv::ReplaceAddInObjects(addIns_);
        while (!zv::ExportFilters().empty()) zv::UnregisterExportFilter(zv::ExportFilters().front().Description);
        for (const zv::TzvExportFilterInfo& filter : filters_) zv::RegisterExportFilter(filter);
        std::vector<const zv::TzvFunctionLibrary*> added;
        for (const auto& library : zv::FunctionLibraries())
            if (std::find(libraries_.begin(), libraries_.end(), library.get()) == libraries_.end())
                added.push_back(library.get());
        for (const zv::TzvFunctionLibrary* library : added) zv::UnregisterFunctionLibrary(library);
    }
    ProcessState(const ProcessState&) = delete;
    ProcessState& operator=(const ProcessState&) = delete;

private:
    zv::TzvGlobalState state_;
    zv::TzvPrepareState prepare_;
    zv::FormatSettings format_;
    zv::HeadlessUi ui_;
    zv::ComponentClassRegistry classes_;
    std::vector<zv::TzvAddInObjectInfo> addIns_;
    std::vector<zv::TzvExportFilterInfo> filters_;
    std::vector<const zv::TzvFunctionLibrary*> libraries_;
};

// The base of fixtures that touch process-wide state: the state is saved before SetUp and put
// back after TearDown and the fixture's own members are gone.
class ProcessStateTest : public ::testing::Test {
private:
    ProcessState saved_;
};

}  // namespace zvtest
