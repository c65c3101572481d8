// The report side of preview and progress windows: the abstract preview form, the registered
// preview class, the list of open previews and the single progress window.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/base/Stream.h"
#include "platform/draw/Canvas.h"

namespace zv {

class TzvReport;

// A preview form as the report library sees it. The windowing layer derives its forms from this
// (and from its own window class) and registers a factory with RegisterPreviewClass.
//
// Lifetime: ShowPreview creates the form without an owner and adds it to OpenPreviews(). When the
// window is hidden, the form calls Hidden(): the copied report (non-modal case) is freed, the form
// leaves the list and releases itself through Release(). Forms still open at shut-down are freed
// by FreeOpenPreviews().
class TzvPreview {
public:
    TzvPreview();
    virtual ~TzvPreview();
    TzvPreview(const TzvPreview&) = delete;
    TzvPreview& operator=(const TzvPreview&) = delete;

    // The report whose prepared pages are shown: the caller's report (modal) or OwnedReport.
    TzvReport* Report = nullptr;
    // The copy a non-modal preview works on, read back from TransferStream.
    std::unique_ptr<TzvReport> OwnedReport;
    // The prepared pages in the prepared-report form, as handed over to the copy.
    MemoryStream TransferStream;
    bool Modal = true;

    // Window operations the show operation needs.
    virtual void SetCaption(const std::string& caption) = 0;  // Windows-1252
    virtual std::string Caption() const = 0;
    virtual bool IsVisible() const = 0;
    virtual void ClosePreview() = 0;
    // A normal (not stay-on-top) maximised window, shown modally; returns when it closes.
    virtual void ShowModalMaximized() = 0;
    // A stay-on-top maximised window, shown without waiting.
    virtual void ShowStayOnTopMaximized() = 0;

    // Plays output page pageIndex (0-based) of Report, its metafile, into rect of the canvas.
    // Out-of-range indexes draw nothing.
    virtual void DrawPage(Canvas& canvas, int pageIndex, const Rect& rect);

protected:
    // The window was hidden: frees the copy, leaves the list of open previews, then Release().
    void Hidden();
    // Frees the form; windowing layers with deferred deletion override it.
    virtual void Release() { delete this; }
};

// The registered preview class: a name and a factory that makes a new form without owner.
struct TzvPreviewClass {
    std::string ClassName;
    std::function<TzvPreview*()> Create;
    explicit operator bool() const { return static_cast<bool>(Create); }
};
void RegisterPreviewClass(TzvPreviewClass previewClass);
const TzvPreviewClass& PreviewClass();

// Previews open now, in the order they were created.
const std::vector<TzvPreview*>& OpenPreviews();
void AddOpenPreview(TzvPreview* preview);
void RemoveOpenPreview(const TzvPreview* preview);  // a preview not in the list is ignored
// Frees every preview still open (the library's shut-down).
void FreeOpenPreviews();

// The single progress window as the preparation sees it; the windowing layer creates it once.
class TzvProgressWindow {
public:
    virtual ~TzvProgressWindow() = default;
    virtual void SetCaption(const std::string& caption) = 0;
    virtual std::string Caption() const = 0;
    virtual void SetLabelText(const std::string& text) = 0;
    virtual std::string LabelText() const = 0;
    virtual bool IsVisible() const = 0;
    // Shows the window modally for report and runs work once it is up; true unless cancelled.
    virtual bool Show(TzvReport* report, std::function<void()> work) = 0;
    // Closes a shown window; cancelled gives Show's false result.
    virtual void Close(bool cancelled) = 0;

    TzvReport* PreparingReport = nullptr;
    std::string Prefix;  // text before the page number of the progress line
};
// Installs the process' progress window (not owned; nullptr withdraws it).
void SetProgressWindow(TzvProgressWindow* window);
TzvProgressWindow* ProgressWindow();

}  // namespace zv
