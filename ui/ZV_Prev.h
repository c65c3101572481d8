// The preview windows: the Qt form every preview derives from, and the standard preview that shows
// the prepared pages one under the other.
#pragma once

#include <QPointer>
#include <QWidget>

#include "report/ZV_Preview.h"

class QEventLoop;
class QScrollArea;
class QPushButton;

namespace zv {

// A top-level window that is a TzvPreview: it carries out the show operations of the report
// component and frees itself once hidden (deferred, since hiding happens inside its own events).
class TzvPreviewForm : public QWidget, public TzvPreview {
    Q_OBJECT
public:
    TzvPreviewForm();
    ~TzvPreviewForm() override;

    void SetCaption(const std::string& caption) override;
    std::string Caption() const override;
    bool IsVisible() const override;
    void ClosePreview() override;
    void ShowModalMaximized() override;
    void ShowStayOnTopMaximized() override;

protected:
    void hideEvent(QHideEvent* event) override;
    void Release() override;

private:
    void showScreenSized();
    QEventLoop* modalLoop_ = nullptr;  // running while shown modally
    bool released_ = false;
};

// Page size on screen at 100 %: tenths of a millimetre times 397/1050.
int32_t PagePixels(int32_t tenthsOfMillimetre);


// The standard preview: the prepared pages at 100 %, 10 pixels from the top and 12 apart, centred
// when narrower than the window, each with a frame and a shadow, painted through DrawPage.
class TStandardPreview : public TzvPreviewForm {
    Q_OBJECT
public:
    TStandardPreview();

    // The rectangle page index (0-based) takes on the canvas, frame included; empty out of range.
    Rect PageFrame(int pageIndex) const;
    // The size of the canvas the pages need (at least the visible area).
    QSize CanvasSize() const;
    // Scrolls so that page n (1-based) starts 10 pixels below the top; other values are ignored.
    void GoToPage(int n);
    int PageCount() const;

    QScrollArea* ScrollArea = nullptr;
    QWidget* PaintPanel = nullptr;  // the page canvas inside ScrollArea
    QPushButton* CloseBtn = nullptr;

protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    friend class TStandardPreviewCanvas;
    // Calls fn(index, frame) for the pages from the first while it answers true.
    template <typename Fn>
    void forEachPageFrame(Fn&& fn) const;
    void paintPages(QPainter& painter, const QRect& area);
};

// Registers TStandardPreview as the preview class of the report component.
void RegisterStandardPreview();

}  // namespace zv
