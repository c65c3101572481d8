// Test helper: whole reports described in a few lines (bands, memos, tables), written through the
// template writer, read back, prepared headless and dumped as the text of every page.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "platform/base/Component.h"
#include "platform/base/Stream.h"
#include "platform/data/ClientDataSet.h"
#include "platform/device/UiServices.h"
#include "platform/draw/FontMetrics.h"
#include "platform/emf/EmfPlayer.h"
#include "report/ZV_Memo.h"
#include "report/ZV_Picture.h"
#include "report/ZV_Report.h"
#include "report/ZV_Template.h"
#include "report/ZV_Utils.h"

namespace zvtest {

// A form "Dati" with its tables, and a report owned by it; the process-wide state is reset
// around each test.
class ReportHarness : public ::testing::Test {
public:
    void SetUp() override
    {
        zv::SetDefaultFontMetrics(nullptr);
        zv::SetUi(nullptr);
        zv::zvState().ErrorFlag = false;
        zv::zvState().ErrorText.clear();
        form = std::make_unique<zv::Component>();
        form->setName("Dati");
        zv::ApplicationRegistry::instance().addForm(form.get());
        report = new zv::TzvReport(form.get());
        report->setName("Report");
        report->ShowProgress = false;
    }
    void TearDown() override
    {
        zv::ApplicationRegistry::instance().remove(form.get());
        form.reset();
        zv::zvState().ErrorFlag = false;
        zv::zvState().CurrentReport = nullptr;
    }

    // A table "NAMETab" with the fields given ("Name" a string, "Name:i" an integer), one row
    // per entry of rows (values by field as text), and a data source NAME bound to it.
    zv::TClientDataSet& Table(const std::string& name, const std::vector<std::string>& fields,
                              const std::vector<std::vector<std::string>>& rows, const std::string& filter = {})
    {
        auto* t = new zv::TClientDataSet(form.get());
        t->setName(name + "Tab");
        std::vector<std::string> names;
        for (const std::string& f : fields) {
            const bool integer = f.size() > 2 && f.compare(f.size() - 2, 2, ":i") == 0;
            names.push_back(integer ? f.substr(0, f.size() - 2) : f);
            t->addFieldDef(names.back(), integer ? zv::ftInteger : zv::ftString, integer ? 0 : 4000);
        }
        t->createDataSet();
        for (const auto& row : rows) {
            t->append();
            for (size_t i = 0; i < row.size() && i < names.size(); ++i) t->fieldByName(names[i])->setAsString(row[i]);
            t->post();
        }
        t->first();
        auto* source = new zv::TzvDBDataSet(form.get());
        source->setName(name + "Src");
        source->SetDataSet(t);
        source->Filter = filter;
        source->Filtered = !filter.empty();
        report->AddDataSource(name, source);
        return *t;
    }

    zv::TzvPage& Page(int index = 0)
    {
        while (report->Pages.Count() <= index) report->Pages.Add();
        return report->Pages[index];
    }
    zv::TzvBandView& Band(zv::TzvPage& page, zv::TzvBandKind kind, int32_t top, int32_t height,
                          const std::string& source = {}, uint16_t options = 0)
    {
        auto v = std::make_unique<zv::TzvBandView>(report);
        v->SetBandKind(kind);
        v->Left = 0;
        v->Top = top;
        v->Width = 793;
        v->Height = height;
        v->FormatText = source;
        v->Options = options;
        return static_cast<zv::TzvBandView&>(*page.Add(std::move(v)));
    }
    zv::TzvMemoView& Memo(zv::TzvPage& page, int32_t left, int32_t top, const std::string& text, int32_t width = 300,
                          int32_t height = 18, uint16_t options = 0)
    {
        auto v = std::make_unique<zv::TzvMemoView>(report);
        v->Left = left;
        v->Top = top;
        v->Width = width;
        v->Height = height;
        v->Lines = {text};
        v->Options = options;
        v->FormatCode = 0;
        return static_cast<zv::TzvMemoView&>(*page.Add(std::move(v)));
    }

    // A band 20 high holding one memo at its left.
    zv::TzvMemoView& Line(zv::TzvPage& page, zv::TzvBandKind kind, int32_t top, const std::string& text,
                          const std::string& source = {}, uint16_t options = 0)
    {
        Band(page, kind, top, 20, source, options);
        return Memo(page, 40, top, text);
    }

    // The template goes through the writer and the reader before it is prepared.
    void RoundTrip()
    {
        zv::MemoryStream s;
        report->SaveToStream(s);
        s.setPosition(0);
        report->LoadFromStream(s);
    }

    // Prepares and dumps every page: "page N", then "  x,y text" per text record in order, then
    // the number of other drawing records.
    std::string Prepare()
    {
        RoundTrip();
        prepared = report->PrepareReport();
        return Dump(report->EMFPages);
    }
    static std::string Dump(const zv::TzvEMFPages& pages)
    {
        std::ostringstream out;
        for (int i = 0; i < pages.Count(); ++i) {
            out << "page " << i + 1 << "\n";
            int shapes = 0;
            zv::EnumerateEmf(pages.Pages(i).Picture, [&out, &shapes](const zv::EmfRecordInfo& r) {
                if (r.isText)
                    out << "  " << r.reference.x << "," << r.reference.y << " " << r.text << "\n";
                else if (r.hasBounds)
                    ++shapes;
                return zv::EmfAction::Play;
            });
            if (shapes) out << "  shapes " << shapes << "\n";
        }
        return out.str();
    }
    // The texts alone, pages separated by "|".
    static std::string Texts(const std::string& dump)
    {
        std::istringstream in(dump);
        std::string line, out;
        while (std::getline(in, line)) {
            if (line.rfind("page ", 0) == 0) {
                if (!out.empty()) out += "|";
                continue;
            }
            if (line.rfind("  shapes ", 0) == 0) continue;
            const size_t space = line.find(' ', 2);
            if (!out.empty() && out.back() != '|') out += ";";
            out += line.substr(space + 1);
        }
        return out;
    }
    // The error text's lines joined by "/".
    static std::string ErrorLines()
    {
        std::string t = zv::zvState().ErrorText;
        for (char& c : t)
            if (c == '\r') c = '/';
        return t;
    }

    // Compares dump with tests/data/golden/NAME.txt; ZV_UPDATE_GOLDEN=1 rewrites the file
    // instead (review the change with git diff).
    static void ExpectGolden(const std::string& name, const std::string& dump)
    {
        const std::string path = std::string(ZV_SOURCE_DIR) + "/tests/data/golden/" + name + ".txt";
        if (std::getenv("ZV_UPDATE_GOLDEN")) {
            std::ofstream(path, std::ios::binary) << dump;
            return;
        }
        std::ifstream in(path, std::ios::binary);
        ASSERT_TRUE(in) << "no golden file " << path << " (run with ZV_UPDATE_GOLDEN=1)";
        std::stringstream expected;
        expected << in.rdbuf();
        EXPECT_EQ(dump, expected.str()) << "golden " << name;
    }

    std::unique_ptr<zv::Component> form;
    zv::TzvReport* report = nullptr;
    bool prepared = false;
};

}  // namespace zvtest
