// The preview windows: the Qt form every preview derives from, and the standard preview that shows
// the prepared pages one under the other.
#pragma once

#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <memory>
#include <string>
#include <utility>

#include "report/ZV_Preview.h"
#include "report/ZV_PreviewLayout.h"
#include "report/ZV_TextSearch.h"

class QComboBox;
class QEventLoop;
class QLabel;
class QMenu;
class QScrollBar;
class QToolButton;
class QVBoxLayout;

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

class TStandardPreview;

// The page canvas of the standard preview: paints the pages, and takes the hand drag, the
// middle-button auto-scroll, the wheel and the pop-up menu.
class TPaintPanel : public QWidget {
public:
    explicit TPaintPanel(TStandardPreview& preview);

    QTimer AutoScrollTimer;            // 100 ms while auto-scrolling
    int32_t SpeedY = 0, SpeedX = 0;    // pixels per tick
    int32_t AnchorY = 0, AnchorX = 0;  // where auto-scroll started
    bool AutoScroll = false;
    uint8_t Direction = 0;          // 0 none, then N, S, E, W, NW, NE, SE, SW
    bool SuppressTracking = false;  // no tracking of the current page while zooming
    bool Dragging = false;
    bool NoZoomScroll = false;     // SetZoom does not scroll to the current page
    int32_t LastX = 0, LastY = 0;  // last drag position

    void setAutoScroll(bool on);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void wheelEvent(QWheelEvent* e) override;

private:
    void autoScrollTick();
    TStandardPreview& preview_;
};

// The standard preview: the prepared pages one under the other (or two side by side) at a zoom,
// with scroll bars, keys, mouse wheel, hand drag and middle-button auto-scroll, full screen, and
// opening and saving of prepared reports.
class TStandardPreview : public TzvPreviewForm {
    Q_OBJECT
public:
    TStandardPreview();
    ~TStandardPreview() override;

    // Plays page pageIndex into rect. On the page canvas only records in the repainted area are
    // played and a found text flashes; on any other canvas every record is played.
    void DrawPage(Canvas& canvas, int pageIndex, const Rect& rect) override;

    virtual void Open();
    virtual void Save();
    virtual void Find();
    virtual void Print();
    virtual void FirstPage();
    virtual void LastPage();
    virtual void NextPage();
    virtual void PrevPage();
    virtual void PageWidth();
    virtual void OnePage();
    virtual void TwoPages();

    void GoToPage(int n);  // 1-based; other values are ignored
    void SetZoom(double z);
    void ApplyZoomText();
    void ZoomToMode();
    QPoint PageOrigin(int index) const;  // top-left of page index on the canvas, scrolling applied
    void SetFullScreen(bool on);
    void ShowToolbar(bool on);
    int PageCount() const;
    // How Open and Save ask for a file: title, the name filters ("description (mask)"), and
    // whether it is for saving; the answer is the file (empty: cancelled) and the 1-based filter.
    // By default Qt's own file dialog; tests put an answer of their own here.
    using FileChooser = std::function<std::pair<std::string, int>(QWidget* parent, bool save, const std::string& title,
                                                                  const QStringList& filters)>;
    static FileChooser& FileDialog();

    // The text of the zoom box for a zoom: one decimal at most, the locale's separator, then "%".
    static std::string ZoomText(double zoom);

    // Components, by their designed names.
    QWidget* StatusBar = nullptr;
    QComboBox* ZoomBtn = nullptr;
    QToolButton *OpenBtn = nullptr, *SaveBtn = nullptr, *PrintBtn = nullptr, *FindBtn = nullptr, *ScreenBtn = nullptr,
                *CloseBtn = nullptr;
    QWidget* BPanel = nullptr;
    QWidget *LeftPanel = nullptr, *CenterPanel = nullptr, *RightPanel = nullptr;
    QToolButton *FullScrBtn = nullptr, *OnePageBtn = nullptr, *TwoPageBtn = nullptr, *WdtPageBtn = nullptr;
    QToolButton *FirstBtn = nullptr, *PrevBtn = nullptr, *NextBtn = nullptr, *LastBtn = nullptr;
    QLabel* LabelPage = nullptr;
    QWidget *VPanel = nullptr, *HPanel = nullptr, *SpacePanel = nullptr;
    QScrollBar *VScroll = nullptr, *HScroll = nullptr;
    QWidget* PagePanel = nullptr;  // the page counter shown in full screen
    QWidget* PaintPage = nullptr;
    TPaintPanel* PaintPanel = nullptr;
    QMenu* PopupMenu = nullptr;
    QTimer* Timer = nullptr;  // the 250 ms blink of a found text

    // State.
    int32_t LastVPos = 0, LastHPos = 0;
    int32_t CurrentPage = 1;
    double Zoom = 100;
    TZoomMode ZoomMode = zmPercent;
    double LastZoom = 100;
    TZoomMode LastZoomMode = zmPercent;
    bool ResizePending = false;
    int32_t MaxPageWidth = 0, MaxPageHeight = 0;
    bool FullScreen = false;
    bool ToolbarShown = true, SavedToolbarShown = true;
    bool PageLabelInFullScreen = true;
    Qt::WindowStates SavedWindowState;
    int SmallStep = 20, LargeStep = 200;

protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    friend class TPaintPanel;
    struct PageBox {
        int index;
        double w, h;   // page size on screen at the current zoom
        int32_t x, y;  // top-left, scrolling applied
    };
    // Calls fn(box) for the pages from the first while it answers true; answers the height of
    // the whole layout (LayoutPreview).
    template <typename Fn>
    int32_t layoutPages(Fn&& fn) const;
    std::vector<PreviewPaper> papers() const;  // the prepared pages' paper sizes
    PreviewView view() const;                  // the canvas, zoom, mode and scroll positions now
    void paintCanvas(QPainter& painter, const QRect& area);
    void updateScrollRanges();
    void refreshPageCounter();
    void postZoomText();
    void showStep();
    void onScroll();
    void popUpMenuAt(const QPoint& globalPos);
    void selectMode(TZoomMode mode);  // the box shows the mode's entry, and the zoom follows
    void saveCurrentPage(const std::string& name);
    QToolButton* toolButton(QWidget* parent, const char* caption, const char* hint, const char* name);
    // The constructor's steps, in the order the window stacks them.
    QWidget* buildToolBar();
    void buildCanvas(QVBoxLayout& layout);
    QWidget* buildPageBar();
    void buildFullScreenCounter();
    void buildPopupMenu();

    class FindHost;
    // The text search over the shown pages, made when a report is attached.
    TzvTextSearch* search();
    std::unique_ptr<TzvTextSearch> search_;
    const TzvEMFPages* searchPages_ = nullptr;
    std::unique_ptr<FindHost> findHost_;
    Canvas* pageCanvas_ = nullptr;  // the canvas being painted on the page panel
    Rect paintClip_;                // its repainted area
};

// Registers TStandardPreview as the preview class of the report component.
void RegisterStandardPreview();

}  // namespace zv
