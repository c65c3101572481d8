// The preview form base and the standard preview.
#include "ui/ZV_Prev.h"

#include <QEventLoop>
#include <QHBoxLayout>
#include <QHideEvent>
#include <QKeyEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

#include "platform/Numeric.h"
#include "platform/qt/QtCanvas.h"
#include "platform/qt/QtText.h"
#include "report/ZV_Const.h"
#include "report/ZV_Report.h"

namespace zv {

// ---- the form base ---------------------------------------------------------------------------

TzvPreviewForm::TzvPreviewForm() : QWidget(nullptr, Qt::Window)
{
    // A preview left open must not keep the program running once the main window closes; the
    // library's shut-down frees it.
    setAttribute(Qt::WA_QuitOnClose, false);
}

TzvPreviewForm::~TzvPreviewForm()
{
    if (modalLoop_) modalLoop_->quit();
}

void TzvPreviewForm::SetCaption(const std::string& caption) { setWindowTitle(ToQString(caption)); }

std::string TzvPreviewForm::Caption() const { return FromQString(windowTitle()); }

bool TzvPreviewForm::IsVisible() const { return isVisible(); }

void TzvPreviewForm::ClosePreview() { close(); }

void TzvPreviewForm::showScreenSized()
{
    // The normal size is the whole screen too, for desktops whose window manager does not maximise.
    if (const QScreen* s = screen()) setGeometry(s->availableGeometry());
    showMaximized();
}

void TzvPreviewForm::ShowModalMaximized()
{
    setWindowModality(Qt::ApplicationModal);
    setWindowFlag(Qt::WindowStaysOnTopHint, false);
    QPointer<TzvPreviewForm> alive(this);
    QEventLoop loop;
    modalLoop_ = &loop;
    showScreenSized();
    if (isVisible()) loop.exec(QEventLoop::DialogExec);
    if (alive) modalLoop_ = nullptr;
}

void TzvPreviewForm::ShowStayOnTopMaximized()
{
    setWindowModality(Qt::NonModal);
    setWindowFlag(Qt::WindowStaysOnTopHint, true);
    showScreenSized();
}

void TzvPreviewForm::hideEvent(QHideEvent* event)
{
    QWidget::hideEvent(event);
    // Minimising hides the window without closing it.
    if (released_ || isMinimized()) return;
    if (modalLoop_) modalLoop_->quit();
    Hidden();
}

void TzvPreviewForm::Release()
{
    released_ = true;
    deleteLater();
}

// ---- the standard preview --------------------------------------------------------------------

namespace {

constexpr int32_t kTopMargin = 10;   // above the first page and left of a page wider than the window
constexpr int32_t kPageGap = 12;     // between pages
constexpr int32_t kSideMargin = 20;  // both sides together of a centred page
constexpr int kToolbarHeight = 24;

double PagePixelsExact(int32_t tenths) { return tenths * 397.0 / 1050.0; }

int32_t Round(double v) { return static_cast<int32_t>(RoundHalfEven(v)); }

}  // namespace

int32_t PagePixels(int32_t tenthsOfMillimetre) { return Round(PagePixelsExact(tenthsOfMillimetre)); }

// The page canvas: the scroll area's widget, as large as the pages need.
class TStandardPreviewCanvas : public QWidget {
public:
    explicit TStandardPreviewCanvas(TStandardPreview& preview) : preview_(preview)
    {
        setAttribute(Qt::WA_OpaquePaintEvent);
    }

protected:
    void paintEvent(QPaintEvent* event) override
    {
        QPainter painter(this);
        preview_.paintPages(painter, event->rect());
    }

private:
    TStandardPreview& preview_;
};

TStandardPreview::TStandardPreview()
{
    setWindowTitle(ToQString(kPreviewCaption));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    auto* toolbar = new QWidget(this);
    toolbar->setFixedHeight(kToolbarHeight);
    auto* bar = new QHBoxLayout(toolbar);
    bar->setContentsMargins(2, 0, 2, 0);
    CloseBtn = new QPushButton(ToQString(kPreviewCloseCaption), toolbar);
    CloseBtn->setObjectName(QStringLiteral("CloseBtn"));
    CloseBtn->setToolTip(ToQString(kPreviewCloseHint));
    CloseBtn->setFlat(true);
    connect(CloseBtn, &QPushButton::clicked, this, &QWidget::close);
    bar->addWidget(CloseBtn);
    bar->addStretch(1);
    layout->addWidget(toolbar);

    ScrollArea = new QScrollArea(this);
    ScrollArea->setFrameShape(QFrame::NoFrame);
    ScrollArea->setWidgetResizable(true);
    PaintPanel = new TStandardPreviewCanvas(*this);
    PaintPanel->setObjectName(QStringLiteral("PaintPanel"));
    ScrollArea->setWidget(PaintPanel);
    ScrollArea->verticalScrollBar()->setSingleStep(20);
    ScrollArea->horizontalScrollBar()->setSingleStep(20);
    ScrollArea->viewport()->installEventFilter(this);
    layout->addWidget(ScrollArea, 1);
}

bool TStandardPreview::eventFilter(QObject* watched, QEvent* event)
{
    // The centring follows the visible width.
    if (watched == ScrollArea->viewport() && event->type() == QEvent::Resize) PaintPanel->update();
    return TzvPreviewForm::eventFilter(watched, event);
}

int TStandardPreview::PageCount() const { return Report ? Report->EMFPages.Count() : 0; }

template <typename Fn>
void TStandardPreview::forEachPageFrame(Fn&& fn) const
{
    // Pages are centred in the visible part of the canvas, which may be wider than the window.
    const int32_t panelWidth = ScrollArea->viewport()->width();
    int32_t y = kTopMargin;
    for (int i = 0; i < PageCount(); ++i) {
        const TzvEMFPage& page = Report->EMFPages.Pages(i);
        const double w = PagePixelsExact(page.PaperWidth), h = PagePixelsExact(page.PaperHeight);
        const int32_t x = Round(w - panelWidth) > 0 ? kTopMargin
                                                    : Round((panelWidth - (w + kSideMargin) - 2) / 2) + kTopMargin;
        if (!fn(i, Rect{x, y, Round(w + x + 1), Round(h + y + 1)})) return;
        y += Round(h) + kPageGap;
    }
}

Rect TStandardPreview::PageFrame(int pageIndex) const
{
    Rect found;
    forEachPageFrame([&](int i, const Rect& r) {
        if (i < pageIndex) return true;
        if (i == pageIndex) found = r;
        return false;
    });
    return found;
}

QSize TStandardPreview::CanvasSize() const
{
    int32_t width = 0, height = kTopMargin;
    for (int i = 0; i < PageCount(); ++i) {
        const TzvEMFPage& page = Report->EMFPages.Pages(i);
        width = std::max(width, PagePixels(page.PaperWidth));
        height += PagePixels(page.PaperHeight) + kPageGap;
    }
    // The frame's shadow lies one pixel beyond the page on the right and at the bottom.
    return {width + kSideMargin + 2, height};
}

void TStandardPreview::GoToPage(int n)
{
    if (n < 1 || n > PageCount()) return;
    ScrollArea->verticalScrollBar()->setValue(PageFrame(n - 1).top - kTopMargin);
}

void TStandardPreview::paintPages(QPainter& painter, const QRect& area)
{
    const Color shadow = ColorToRGB(clBtnShadow);
    painter.fillRect(area, QColor(static_cast<int>(shadow & 0xFF), static_cast<int>((shadow >> 8) & 0xFF),
                                  static_cast<int>((shadow >> 16) & 0xFF)));
    QtCanvas canvas(painter);
    forEachPageFrame([&](int i, Rect r) {
        if (r.top > area.bottom() + 1) return false;  // pages run downwards: the rest lie below
        if (r.bottom + 1 < area.top()) return true;
        canvas.setPen(Pen{clBlack});
        canvas.setBrush(Brush{clWhite});
        canvas.rectangle(r);
        canvas.rectangle({r.right, r.top + 3, r.right + 1, r.bottom});
        canvas.rectangle({r.left + 3, r.bottom, r.right + 1, r.bottom + 1});
        --r.right;
        --r.bottom;
        canvas.saveState();
        DrawPage(canvas, i, r);
        canvas.restoreState();
        return true;
    });
}

void TStandardPreview::showEvent(QShowEvent* event)
{
    // The pages are known once the report is attached, which happens before showing.
    PaintPanel->setMinimumSize(CanvasSize());
    TzvPreviewForm::showEvent(event);
}

void TStandardPreview::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape) {
        close();
        return;
    }
    TzvPreviewForm::keyPressEvent(event);
}

void RegisterStandardPreview()
{
    RegisterPreviewClass({"TStandardPreview", []() -> TzvPreview* { return new TStandardPreview; }});
}

}  // namespace zv
