// Export of prepared pages through a registered export filter: the texts of each page in reading order.
#pragma once

#include <string>

namespace zv {

class TzvReport;
struct TzvExportFilterInfo;

// The export progress window as the export sees it; the windowing layer provides the real one.
class TzvExportProgress {
public:
    virtual ~TzvExportProgress() = default;
    virtual void Start(const std::string& label, int maximum) = 0;  // shown, position 0
    virtual void SetPosition(int position) = 0;
    virtual bool Cancelled() const = 0;
    virtual void Finish() = 0;  // closed
};

// Exports the report's prepared pages to fileName with the filter of this registry entry:
// creates the file, makes the filter over it, asks its Setup (a refusal ends the export; the new
// file stays empty), prepares the report first when it has no pages, then for every page until
// cancelled: OnBeginPage(picture width, height); the page's text records with their reference
// point and current font, sorted by y then x (of two texts at the same point only the first);
// OnEndPage. Then OnEndDoc. File errors propagate unchanged. progress may be null.
void ExportPages(TzvReport& report, const TzvExportFilterInfo& filter, const std::string& fileName,
                 TzvExportProgress* progress = nullptr);

}  // namespace zv
