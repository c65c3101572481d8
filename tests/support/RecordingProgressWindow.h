// Test double: a progress window that runs its work at once and keeps what it was told.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "report/ZV_Preview.h"
#include "report/ZV_Report.h"

namespace zvtest {

struct RecordingProgressWindow : zv::TzvProgressWindow {
    std::string caption;
    std::vector<std::string> labels;  // every progress line, in order
    std::vector<bool> closes;         // each Close, true when cancelled
    int shows = 0;
    bool visible = false;  // while its work runs
    void SetCaption(const std::string& c) override { caption = c; }
    std::string Caption() const override { return caption; }
    void SetLabelText(const std::string& t) override { labels.push_back(t); }
    std::string LabelText() const override { return labels.empty() ? std::string() : labels.back(); }
    bool IsVisible() const override { return visible; }
    bool Show(zv::TzvReport* report, std::function<void()> work) override
    {
        ++shows;
        PreparingReport = report;
        visible = true;
        work();
        visible = false;
        return !report->Terminated;
    }
    void Close(bool cancelled) override { closes.push_back(cancelled); }
};

}  // namespace zvtest
