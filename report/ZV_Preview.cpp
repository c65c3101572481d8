// The preview form base, the registered preview class, the list of open previews, the progress window.
#include "report/ZV_Preview.h"

#include <algorithm>

#include "platform/emf/EmfPlayer.h"
#include "report/ZV_Report.h"

namespace zv {

namespace {

TzvPreviewClass& RegisteredClass()
{
    static TzvPreviewClass previewClass;
    return previewClass;
}

std::vector<TzvPreview*>& Previews()
{
    static std::vector<TzvPreview*> previews;
    return previews;
}

TzvProgressWindow*& ProgressWindowSlot()
{
    static TzvProgressWindow* window = nullptr;
    return window;
}

}  // namespace

TzvPreview::TzvPreview() = default;

TzvPreview::~TzvPreview() { RemoveOpenPreview(this); }

void TzvPreview::DrawPage(Canvas& canvas, int pageIndex, const Rect& rect)
{
    if (!Report || pageIndex < 0 || pageIndex >= Report->EMFPages.Count()) return;
    const TzvEMFPage& page = Report->EMFPages.Pages(pageIndex);
    if (page.Picture.empty()) return;  // still being recorded, or never recorded
    PlayEmf(page.Picture, canvas, rect);
}

void TzvPreview::Hidden()
{
    OwnedReport.reset();
    Report = nullptr;
    RemoveOpenPreview(this);
    Release();
}

void RegisterPreviewClass(TzvPreviewClass previewClass) { RegisteredClass() = std::move(previewClass); }

const TzvPreviewClass& PreviewClass() { return RegisteredClass(); }

const std::vector<TzvPreview*>& OpenPreviews() { return Previews(); }

void AddOpenPreview(TzvPreview* preview)
{
    std::vector<TzvPreview*>& list = Previews();
    if (preview && std::find(list.begin(), list.end(), preview) == list.end()) list.push_back(preview);
}

void RemoveOpenPreview(const TzvPreview* preview) { std::erase(Previews(), preview); }

void FreeOpenPreviews()
{
    // Each preview takes itself out of the list when freed; take them out first all the same.
    std::vector<TzvPreview*> open = std::move(Previews());
    Previews().clear();
    for (auto it = open.rbegin(); it != open.rend(); ++it) delete *it;
}

void SetProgressWindow(TzvProgressWindow* window) { ProgressWindowSlot() = window; }

TzvProgressWindow* ProgressWindow() { return ProgressWindowSlot(); }

}  // namespace zv
