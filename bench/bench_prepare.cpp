// Preparation of the demo list (three memos and an EAN-13 per record, two passes) over generated
// tables: records per second, and metafile bytes per prepared page. Time must grow linearly
// with the records: compare the per-record figures of the sizes.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>

#include "platform/base/Component.h"
#include "platform/base/Files.h"
#include "platform/base/FormatSettings.h"
#include "platform/base/Stream.h"
#include "platform/data/ClientDataSet.h"
#include "report/ZV_Init.h"
#include "report/ZV_Report.h"

namespace {

// The demo's form: FormMain with ClientDataSet, the table its template's data source names.
struct DemoForm {
    explicit DemoForm(int records)
    {
        form.setName("FormMain");
        zv::ApplicationRegistry::instance().addForm(&form);
        auto* t = new zv::TClientDataSet(&form);
        t->setName("ClientDataSet");
        t->addFieldDef("Cognome", zv::ftString, 50);
        t->addFieldDef("Nome", zv::ftString, 50);
        t->addFieldDef("CS", zv::ftString, 16);
        t->addFieldDef("BarCode", zv::ftString, 12);
        t->createDataSet();
        for (int i = 0; i < records; ++i) {
            const std::string n = std::to_string(100000000 + i);
            t->append();
            t->fieldByName("Cognome")->setAsString("Cognome" + n);
            t->fieldByName("Nome")->setAsString("Nome" + n);
            t->fieldByName("CS")->setAsString("RSSMRA72C" + n.substr(2));
            t->fieldByName("BarCode")->setAsString("800" + n);
            t->post();
        }
        report = new zv::TzvReport(&form);
        report->ShowProgress = false;
        const std::string bytes = zv::ReadFileBytes(std::string(ZV_SOURCE_DIR) + "/resources/BarCodeDemo.zvf");
        zv::MemoryStream s(std::vector<uint8_t>(bytes.begin(), bytes.end()));
        report->LoadFromStream(s);
    }
    ~DemoForm() { zv::ApplicationRegistry::instance().remove(&form); }
    zv::Component form;
    zv::TzvReport* report = nullptr;
};

void PrepareDemoList(benchmark::State& state)
{
    zv::DefaultFormatSettings() = zv::ItalianFormatSettings();
    zv::InitReportLibrary();
    const auto records = static_cast<int>(state.range(0));
    DemoForm demo(records);
    int pages = 0;
    size_t bytes = 0;
    for (auto _ : state) {
        if (!demo.report->PrepareReport()) state.SkipWithError("the preparation failed");
        pages = demo.report->EMFPages.Count();
        bytes = 0;
        for (int i = 0; i < pages; ++i) bytes += demo.report->EMFPages.Pages(i).Picture.bytes().size();
    }
    state.SetItemsProcessed(state.iterations() * records);
    state.counters["pages"] = pages;
    state.counters["bytes_per_page"] = pages ? static_cast<double>(bytes) / pages : 0;
}
BENCHMARK(PrepareDemoList)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

}  // namespace
