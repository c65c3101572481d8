// The preview form base and the standard preview.
#include "ui/ZV_Prev.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QEventLoop>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHideEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPaintEvent>
#include <QPainter>
#include <QPixmap>
#include <QPrintDialog>
#include <QPrinter>
#include <QScreen>
#include <QScrollBar>
#include <QStyle>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>
#include <charconv>
#include <cmath>

#include "platform/base/Error.h"
#include "platform/base/Files.h"
#include "platform/base/Format.h"
#include "platform/base/FormatSettings.h"
#include "platform/base/Numeric.h"
#include "platform/device/PageWriter.h"
#include "platform/device/Printer.h"
#include "platform/device/UiServices.h"
#include "platform/emf/EmfReader.h"
#include "platform/qt/QtCanvas.h"
#include "platform/qt/QtPrinter.h"
#include "platform/qt/QtText.h"
#include "report/ZV_Const.h"
#include "report/ZV_EMFPages.h"
#include "report/ZV_Export.h"
#include "report/ZV_PagePaint.h"
#include "report/ZV_Prntr.h"
#include "report/ZV_Registry.h"
#include "report/ZV_Report.h"
#include "ui/ZV_Find.h"
#include "ui/ZV_progr.h"

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

constexpr int kBarHeight = 24;  // the tool bar and the bottom bar
constexpr int kCenterPanelWidth = 200;
constexpr int kHighlightInterval = 250, kAutoScrollInterval = 100;
constexpr int kPagePanelWidth = 105, kPagePanelHeight = 16;

// The zoom modes that have an entry of their own in the zoom box, and that entry.
constexpr TZoomMode kNamedModes[] = {zmPageWidth, zmOnePage, zmTwoPages};
const char* ModeItem(TZoomMode mode)
{
    return kZoomItems[mode == zmPageWidth ? kZoomItemPageWidth
                      : mode == zmOnePage ? kZoomItemOnePage
                                          : kZoomItemTwoPages];
}

int32_t Round(double v) { return static_cast<int32_t>(RoundHalfEven(v)); }

QColor ToQColor(Color c)
{
    const Color rgb = ColorToRGB(c);
    return QColor(static_cast<int>(rgb & 0xFF), static_cast<int>((rgb >> 8) & 0xFF),
                  static_cast<int>((rgb >> 16) & 0xFF));
}

// The screen cursors of the preview, by their numbers in the program's cursor table.
enum PreviewCursor {
    crHandFlat = 23,
    crHandGrab,
    crMoveAll,
    crMoveN,
    crMoveS,
    crMoveE,
    crMoveW,
    crMoveNE,
    crMoveNW,
    crMoveSE,
    crMoveSW
};

QCursor CursorOf(int id)
{
    switch (id) {
    case crHandGrab: return Qt::ClosedHandCursor;
    case crMoveAll: return Qt::SizeAllCursor;
    case crMoveN:
    case crMoveS: return Qt::SizeVerCursor;
    case crMoveE:
    case crMoveW: return Qt::SizeHorCursor;
    case crMoveNE:
    case crMoveSW: return Qt::SizeBDiagCursor;
    case crMoveNW:
    case crMoveSE: return Qt::SizeFDiagCursor;
    default: return Qt::OpenHandCursor;
    }
}

// "a|b|c|d" pairs of description and mask as Qt name filters; a description that does not show
// its mask in brackets gets it added, since Qt reads the patterns from there.
QStringList NameFilters(const std::vector<std::pair<std::string, std::string>>& pairs)
{
    QStringList out;
    for (const auto& [description, mask] : pairs) {
        QString f = ToQString(description);
        if (!f.contains(QLatin1Char('(') + ToQString(mask) + QLatin1Char(')')))
            f += QStringLiteral(" (") + ToQString(mask) + QLatin1Char(')');
        out << f;
    }
    return out;
}

std::vector<std::pair<std::string, std::string>> FilterPairs(std::string_view text)
{
    std::vector<std::string> parts;
    size_t start = 0;
    for (size_t bar; (bar = text.find('|', start)) != std::string_view::npos; start = bar + 1)
        parts.emplace_back(text.substr(start, bar - start));
    parts.emplace_back(text.substr(start));
    std::vector<std::pair<std::string, std::string>> pairs;
    for (size_t i = 0; i + 1 < parts.size(); i += 2) pairs.emplace_back(parts[i], parts[i + 1]);
    return pairs;
}

// Runs a file dialog of ours (not the desktop's, so that it behaves the same everywhere);
// answers the chosen file and the 1-based index of the chosen filter, or an empty name.
std::pair<std::string, int> RunFileDialog(QWidget* parent, bool save, const std::string& title,
                                          const QStringList& filters)
{
    QFileDialog dialog(parent, ToQString(title));
    dialog.setObjectName(save ? QStringLiteral("SaveDialog") : QStringLiteral("OpenDialog"));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog.setNameFilters(filters);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {{}, 0};
    const int index = static_cast<int>(filters.indexOf(dialog.selectedNameFilter())) + 1;
    return {FromQString(dialog.selectedFiles().first()), std::max(index, 1)};
}

// Keeps the current folder across a dialog and the work after it.
struct CurrentDirGuard {
    QString saved = QDir::currentPath();
    ~CurrentDirGuard() { QDir::setCurrent(saved); }
};

void ShowError(const std::exception& e) { Ui().messageBox(e.what(), kCaptionError, MB_OK | MB_ICONERROR); }

// The view buttons' glyphs, drawn on a 16-pixel grid: sheets are white with a dark edge.
enum class ViewGlyph { FullScreen, OnePage, TwoPages, PageWidth };

QIcon DrawViewGlyph(ViewGlyph kind, const QColor& ink)
{
    constexpr int kSize = 16;
    QPixmap pm(kSize, kSize);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    auto sheet = [&p, &ink](int x, int y, int w, int h) {
        p.setPen(ink);
        p.setBrush(Qt::white);
        p.drawRect(x, y, w - 1, h - 1);
        p.setPen(QColor(150, 150, 150));
        for (int ly = y + 3; ly < y + h - 2; ly += 2) p.drawLine(x + 2, ly, x + w - 3, ly);  // lines of text
    };
    auto arrowHead = [&p, &ink](QPointF tip, QPointF back1, QPointF back2) {
        p.setPen(Qt::NoPen);
        p.setBrush(ink);
        p.drawPolygon(QPolygonF() << tip << back1 << back2);
    };
    switch (kind) {
    case ViewGlyph::OnePage: sheet(4, 1, 9, 14); break;
    case ViewGlyph::TwoPages:
        sheet(1, 2, 7, 12);
        sheet(8, 2, 7, 12);
        break;
    case ViewGlyph::PageWidth:
        // A sheet with a two-headed arrow from edge to edge of the button.
        sheet(3, 1, 10, 14);
        p.fillRect(0, 7, kSize, 2, ink);
        arrowHead(QPointF(0, 8), QPointF(4, 4), QPointF(4, 12));
        arrowHead(QPointF(16, 8), QPointF(12, 4), QPointF(12, 12));
        break;
    case ViewGlyph::FullScreen: {
        // A screen with arrows out to its four corners.
        p.setPen(ink);
        p.setBrush(QColor(220, 230, 245));
        p.drawRect(3, 3, 9, 9);
        p.setPen(QPen(ink, 1.5));
        const QPointF centre(7.5, 7.5);
        for (const QPointF corner : {QPointF(0, 0), QPointF(16, 0), QPointF(0, 16), QPointF(16, 16)}) {
            const QPointF dir((corner.x() - centre.x()) / 8.5, (corner.y() - centre.y()) / 8.5);
            p.drawLine(centre + dir * 3, corner - dir * 2);
            arrowHead(corner, corner - QPointF(dir.x() * 5, 0), corner - QPointF(0, dir.y() * 5));
        }
        break;
    }
    }
    p.end();
    return QIcon(pm);
}

}  // namespace

int32_t PagePixels(int32_t tenthsOfMillimetre) { return Round(PreviewPixels(tenthsOfMillimetre)); }

TPaintPanel::TPaintPanel(TStandardPreview& preview) : QWidget(&preview), preview_(preview)
{
    setObjectName(QStringLiteral("PaintPanel"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::StrongFocus);
    setCursor(CursorOf(crHandFlat));
    AutoScrollTimer.setInterval(kAutoScrollInterval);
    QObject::connect(&AutoScrollTimer, &QTimer::timeout, this, [this] { autoScrollTick(); });
}

void TPaintPanel::setAutoScroll(bool on)
{
    AutoScroll = on;
    if (on)
        AutoScrollTimer.start();
    else
        AutoScrollTimer.stop();
}

void TPaintPanel::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
    preview_.paintCanvas(painter, event->rect());
}

void TPaintPanel::mousePressEvent(QMouseEvent* e)
{
    const QPoint p = e->position().toPoint();
    if (e->button() == Qt::LeftButton) {
        setAutoScroll(false);
        Dragging = true;
        LastX = p.x();
        LastY = p.y();
        setCursor(CursorOf(crHandGrab));
    } else if (e->button() == Qt::MiddleButton) {
        setAutoScroll(!AutoScroll);
        AnchorX = p.x();
        AnchorY = p.y();
        setCursor(CursorOf(AutoScroll ? crMoveAll : crHandFlat));
    } else if (e->button() == Qt::RightButton) {
        setAutoScroll(false);
        setCursor(CursorOf(crHandFlat));
    }
}

void TPaintPanel::mouseMoveEvent(QMouseEvent* e)
{
    const QPoint p = e->position().toPoint();
    if (Dragging) {
        preview_.VScroll->setValue(preview_.VScroll->value() + LastY - p.y());
        preview_.HScroll->setValue(preview_.HScroll->value() + LastX - p.x());
        LastX = p.x();
        LastY = p.y();
    }
    if (AutoScroll) {
        SpeedX = std::abs(AnchorX - p.x());
        SpeedY = std::abs(AnchorY - p.y());
        static constexpr uint8_t kDirections[3][3] = {{5, 1, 6}, {4, 0, 3}, {8, 2, 7}};  // [row][column]
        static constexpr int kCursors[9] = {crMoveAll, crMoveN,  crMoveS,  crMoveE, crMoveW,
                                            crMoveNW,  crMoveNE, crMoveSE, crMoveSW};
        const int row = p.y() < AnchorY ? 0 : p.y() == AnchorY ? 1 : 2;
        const int column = p.x() < AnchorX ? 0 : p.x() == AnchorX ? 1 : 2;
        Direction = kDirections[row][column];
        setCursor(CursorOf(kCursors[Direction]));
    }
}

void TPaintPanel::mouseReleaseEvent(QMouseEvent* e)
{
    if (e->button() == Qt::LeftButton) {
        Dragging = false;
        setCursor(CursorOf(crHandFlat));
    } else if (e->button() == Qt::RightButton) {
        preview_.popUpMenuAt(e->globalPosition().toPoint());
    }
    preview_.ApplyZoomText();
}

void TPaintPanel::wheelEvent(QWheelEvent* e)
{
    const int delta = e->angleDelta().y();
    if (delta > 0)
        preview_.VScroll->setValue(preview_.VScroll->value() - preview_.SmallStep);
    else if (delta < 0)
        preview_.VScroll->setValue(preview_.VScroll->value() + preview_.SmallStep);
}

void TPaintPanel::autoScrollTick()
{
    const bool north = Direction == 1 || Direction == 5 || Direction == 6;
    const bool south = Direction == 2 || Direction == 7 || Direction == 8;
    const bool east = Direction == 3 || Direction == 6 || Direction == 7;
    const bool west = Direction == 4 || Direction == 5 || Direction == 8;
    if (north) preview_.VScroll->setValue(preview_.VScroll->value() - SpeedY);
    if (south) preview_.VScroll->setValue(preview_.VScroll->value() + SpeedY);
    if (east) preview_.HScroll->setValue(preview_.HScroll->value() + SpeedX);
    if (west) preview_.HScroll->setValue(preview_.HScroll->value() - SpeedX);
}

// What the search asks of the window.
class TStandardPreview::FindHost : public TzvFindHost {
public:
    explicit FindHost(TStandardPreview& p) : p_(p) {}
    bool ShowFindDialog(TzvFindDialogState& dialog) override { return RunFindDialog(&p_, dialog); }
    int32_t CurrentPage() const override { return p_.CurrentPage; }
    double Zoom() const override { return p_.Zoom; }
    void GoToPage(int32_t page) override { p_.GoToPage(page); }
    Point PageOrigin(int32_t pageIndex) const override
    {
        const QPoint o = p_.PageOrigin(pageIndex);
        return {o.x(), o.y()};
    }
    int32_t HScrollPosition() const override { return p_.HScroll->value(); }
    void SetHScrollPosition(int32_t pos) override { p_.HScroll->setValue(pos); }
    int32_t VScrollPosition() const override { return p_.VScroll->value(); }
    void SetVScrollPosition(int32_t pos) override { p_.VScroll->setValue(pos); }
    Size CanvasSize() const override { return {p_.PaintPanel->width(), p_.PaintPanel->height()}; }
    void SetHighlightTimer(bool enabled) override
    {
        if (enabled)
            p_.Timer->start();
        else
            p_.Timer->stop();
    }
    void InvalidateCanvas(const Rect& r) override { p_.PaintPanel->update(r.left, r.top, r.width(), r.height()); }

private:
    TStandardPreview& p_;
};

QToolButton* TStandardPreview::toolButton(QWidget* parent, const char* caption, const char* hint, const char* name)
{
    auto* b = new QToolButton(parent);
    b->setObjectName(QString::fromLatin1(name));
    if (caption) b->setText(ToQString(caption));
    b->setToolTip(ToQString(hint));
    b->setAutoRaise(true);
    b->setFocusPolicy(Qt::NoFocus);
    b->setFixedHeight(kBarHeight - 2);
    return b;
}

TStandardPreview::TStandardPreview()
{
    setObjectName(QStringLiteral("StandardPreview"));
    setWindowTitle(ToQString(kPreviewCaption));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(buildToolBar());
    buildCanvas(*layout);
    layout->addWidget(buildPageBar());
    buildFullScreenCounter();
    buildPopupMenu();
    // The find dialog's view of this window, and the timer that flashes a found text.
    findHost_ = std::make_unique<FindHost>(*this);
    Timer = new QTimer(this);
    Timer->setInterval(kHighlightInterval);
    connect(Timer, &QTimer::timeout, this, [this] {
        if (TzvTextSearch* s = search()) s->TimerTick(*findHost_);
    });
    refreshPageCounter();
}

// The top tool bar: zoom box and the file, print, find, screen and close buttons.
QWidget* TStandardPreview::buildToolBar()
{
    StatusBar = new QWidget(this);
    StatusBar->setObjectName(QStringLiteral("StatusBar"));
    StatusBar->setFixedHeight(kBarHeight);
    StatusBar->installEventFilter(this);
    auto* top = new QHBoxLayout(StatusBar);
    top->setContentsMargins(11, 1, 2, 1);
    top->setSpacing(2);
    ZoomBtn = new QComboBox(StatusBar);
    ZoomBtn->setObjectName(QStringLiteral("ZoomBtn"));
    ZoomBtn->setEditable(true);
    ZoomBtn->setInsertPolicy(QComboBox::NoInsert);
    ZoomBtn->setFixedWidth(75);
    ZoomBtn->setMaxVisibleItems(9);
    ZoomBtn->setToolTip(ToQString(kZoomHint));
    for (const char* item : kZoomItems) ZoomBtn->addItem(ToQString(item));
    // Keys from the keyboard reach the box, which hands them to its line edit directly; keys sent
    // to the line edit go there: both are filtered.
    ZoomBtn->installEventFilter(this);
    ZoomBtn->lineEdit()->installEventFilter(this);
    connect(ZoomBtn, &QComboBox::activated, this, [this](int) { ApplyZoomText(); });
    connect(ZoomBtn->lineEdit(), &QLineEdit::returnPressed, this, &TStandardPreview::ApplyZoomText);
    top->addWidget(ZoomBtn);
    top->addSpacing(8);
    OpenBtn = toolButton(StatusBar, kPreviewOpenCaption, kPreviewOpenHint, "OpenBtn");
    SaveBtn = toolButton(StatusBar, kPreviewSaveCaption, kPreviewSaveHint, "SaveBtn");
    PrintBtn = toolButton(StatusBar, kPreviewPrintCaption, kPreviewPrintHint, "PrintBtn");
    FindBtn = toolButton(StatusBar, kPreviewFindCaption, kPreviewFindHint, "FindBtn");
    ScreenBtn = toolButton(StatusBar, kPreviewScreenCaption, kPreviewScreenHint, "ScreenBtn");
    CloseBtn = toolButton(StatusBar, kPreviewCloseCaption, kPreviewCloseHint, "CloseBtn");
    for (QToolButton* b : {OpenBtn, SaveBtn, PrintBtn, FindBtn}) top->addWidget(b);
    top->addSpacing(8);
    top->addWidget(ScreenBtn);
    top->addSpacing(8);
    top->addWidget(CloseBtn);
    top->addStretch(1);
    connect(OpenBtn, &QToolButton::clicked, this, &TStandardPreview::Open);
    connect(SaveBtn, &QToolButton::clicked, this, &TStandardPreview::Save);
    connect(FindBtn, &QToolButton::clicked, this, &TStandardPreview::Find);
    connect(PrintBtn, &QToolButton::clicked, this, &TStandardPreview::Print);
    connect(ScreenBtn, &QToolButton::clicked, this, [this] { SetFullScreen(!FullScreen); });
    connect(CloseBtn, &QToolButton::clicked, this, &QWidget::close);
    return StatusBar;
}

// The canvas with its scroll bars.
void TStandardPreview::buildCanvas(QVBoxLayout& layout)
{
    auto* middle = new QHBoxLayout;
    middle->setSpacing(0);
    PaintPanel = new TPaintPanel(*this);
    middle->addWidget(PaintPanel, 1);
    VPanel = new QWidget(this);
    VPanel->setObjectName(QStringLiteral("VPanel"));
    auto* vl = new QVBoxLayout(VPanel);
    vl->setContentsMargins(0, 0, 0, 0);
    VScroll = new QScrollBar(Qt::Vertical, VPanel);
    VScroll->setObjectName(QStringLiteral("VScroll"));
    vl->addWidget(VScroll);
    middle->addWidget(VPanel);
    HPanel = new QWidget(this);
    HPanel->setObjectName(QStringLiteral("HPanel"));
    auto* hl = new QHBoxLayout(HPanel);
    hl->setContentsMargins(0, 0, 0, 0);
    hl->setSpacing(0);
    HScroll = new QScrollBar(Qt::Horizontal, HPanel);
    HScroll->setObjectName(QStringLiteral("HScroll"));
    SpacePanel = new QWidget(HPanel);
    SpacePanel->setObjectName(QStringLiteral("SpacePanel"));
    SpacePanel->installEventFilter(this);
    hl->addWidget(HScroll, 1);
    hl->addWidget(SpacePanel);
    for (QScrollBar* bar : {VScroll, HScroll}) {
        bar->setFocusPolicy(Qt::NoFocus);
        bar->setSingleStep(SmallStep);
        bar->setPageStep(LargeStep);
        bar->setRange(0, 0);
        connect(bar, &QScrollBar::valueChanged, this, [this] { onScroll(); });
    }
    layout.addLayout(middle, 1);
    layout.addWidget(HPanel);
}

// The bottom bar: view buttons on the left, page buttons and counter in the centre.
QWidget* TStandardPreview::buildPageBar()
{
    BPanel = new QWidget(this);
    BPanel->setObjectName(QStringLiteral("BPanel"));
    BPanel->setFixedHeight(kBarHeight);
    auto* bottom = new QHBoxLayout(BPanel);
    bottom->setContentsMargins(0, 1, 0, 1);
    bottom->setSpacing(0);
    LeftPanel = new QWidget(BPanel);
    LeftPanel->setObjectName(QStringLiteral("LeftPanel"));
    auto* left = new QHBoxLayout(LeftPanel);
    left->setContentsMargins(2, 0, 0, 0);
    left->setSpacing(1);
    QStyle* st = style();
    const QColor ink = palette().color(QPalette::WindowText);
    FullScrBtn = toolButton(LeftPanel, nullptr, kPreviewScreenHint, "FullScrBtn");
    FullScrBtn->setIcon(DrawViewGlyph(ViewGlyph::FullScreen, ink));
    OnePageBtn = toolButton(LeftPanel, nullptr, kZoomItems[kZoomItemOnePage], "OnePageBtn");
    OnePageBtn->setIcon(DrawViewGlyph(ViewGlyph::OnePage, ink));
    TwoPageBtn = toolButton(LeftPanel, nullptr, kZoomItems[kZoomItemTwoPages], "TwoPageBtn");
    TwoPageBtn->setIcon(DrawViewGlyph(ViewGlyph::TwoPages, ink));
    WdtPageBtn = toolButton(LeftPanel, nullptr, kZoomItems[kZoomItemPageWidth], "WdtPageBtn");
    WdtPageBtn->setIcon(DrawViewGlyph(ViewGlyph::PageWidth, ink));
    for (QToolButton* b : {FullScrBtn, OnePageBtn, TwoPageBtn, WdtPageBtn}) left->addWidget(b);
    left->addStretch(1);
    connect(FullScrBtn, &QToolButton::clicked, this, [this] { SetFullScreen(!FullScreen); });
    connect(OnePageBtn, &QToolButton::clicked, this, &TStandardPreview::OnePage);
    connect(TwoPageBtn, &QToolButton::clicked, this, &TStandardPreview::TwoPages);
    connect(WdtPageBtn, &QToolButton::clicked, this, &TStandardPreview::PageWidth);
    CenterPanel = new QWidget(BPanel);
    CenterPanel->setObjectName(QStringLiteral("CenterPanel"));
    CenterPanel->setFixedWidth(kCenterPanelWidth);
    auto* center = new QHBoxLayout(CenterPanel);
    center->setContentsMargins(0, 0, 0, 0);
    center->setSpacing(1);
    FirstBtn = toolButton(CenterPanel, nullptr, kPreviewFirstHint, "FirstBtn");
    FirstBtn->setIcon(st->standardIcon(QStyle::SP_MediaSkipBackward));
    PrevBtn = toolButton(CenterPanel, nullptr, kPreviewPrevHint, "PrevBtn");
    PrevBtn->setIcon(st->standardIcon(QStyle::SP_MediaSeekBackward));
    LabelPage = new QLabel(CenterPanel);
    LabelPage->setObjectName(QStringLiteral("LabelPage"));
    LabelPage->setAlignment(Qt::AlignCenter);
    NextBtn = toolButton(CenterPanel, nullptr, kPreviewNextHint, "NextBtn");
    NextBtn->setIcon(st->standardIcon(QStyle::SP_MediaSeekForward));
    LastBtn = toolButton(CenterPanel, nullptr, kPreviewLastHint, "LastBtn");
    LastBtn->setIcon(st->standardIcon(QStyle::SP_MediaSkipForward));
    center->addWidget(FirstBtn);
    center->addWidget(PrevBtn);
    center->addWidget(LabelPage, 1);
    center->addWidget(NextBtn);
    center->addWidget(LastBtn);
    connect(FirstBtn, &QToolButton::clicked, this, &TStandardPreview::FirstPage);
    connect(PrevBtn, &QToolButton::clicked, this, &TStandardPreview::PrevPage);
    connect(NextBtn, &QToolButton::clicked, this, &TStandardPreview::NextPage);
    connect(LastBtn, &QToolButton::clicked, this, &TStandardPreview::LastPage);
    RightPanel = new QWidget(BPanel);
    RightPanel->setObjectName(QStringLiteral("RightPanel"));
    bottom->addWidget(LeftPanel);
    bottom->addWidget(CenterPanel);
    bottom->addWidget(RightPanel);
    return BPanel;
}

// The page counter of full screen, over the canvas at the bottom left.
void TStandardPreview::buildFullScreenCounter()
{
    PagePanel = new QWidget(this);
    PagePanel->setObjectName(QStringLiteral("PagePanel"));
    PagePanel->setFixedSize(kPagePanelWidth, kPagePanelHeight);
    PagePanel->setAutoFillBackground(true);
    PagePanel->installEventFilter(this);
    PaintPage = new QWidget(PagePanel);
    PaintPage->setObjectName(QStringLiteral("PaintPage"));
    PaintPage->setGeometry(0, 0, kPagePanelWidth, kPagePanelHeight);
    PaintPage->installEventFilter(this);
    PagePanel->hide();
}

// The pop-up menu of the canvas: the file commands, full screen, then the zoom entries.
void TStandardPreview::buildPopupMenu()
{
    PopupMenu = new QMenu(this);
    PopupMenu->setObjectName(QStringLiteral("PopupMenu"));
    for (QToolButton* b : {OpenBtn, SaveBtn, PrintBtn, FindBtn}) {
        QAction* a = PopupMenu->addAction(b->text(), b, &QToolButton::click);
        a->setEnabled(b->isEnabled());
    }
    PopupMenu->addSeparator();
    PopupMenu->addAction(ScreenBtn->text(), ScreenBtn, &QToolButton::click);
    PopupMenu->addSeparator();
    for (const char* item : kZoomItems) {
        QAction* a = PopupMenu->addAction(ToQString(item));
        a->setCheckable(true);
        connect(a, &QAction::triggered, this, [this, text = ToQString(item)] {
            ZoomBtn->setEditText(text);
            ZoomBtn->setFocus();
            ApplyZoomText();
        });
    }
}

TStandardPreview::~TStandardPreview() = default;

int TStandardPreview::PageCount() const { return Report ? Report->EMFPages.Count() : 0; }

std::vector<PreviewPaper> TStandardPreview::papers() const
{
    std::vector<PreviewPaper> papers;
    for (int i = 0; i < PageCount(); ++i) {
        const TzvEMFPage& page = Report->EMFPages.Pages(i);
        papers.push_back({page.PaperWidth, page.PaperHeight});
    }
    return papers;
}

PreviewView TStandardPreview::view() const
{
    return {PaintPanel->width(),    PaintPanel->height(), Zoom,
            ZoomMode == zmTwoPages, HScroll->value(),     VScroll->value()};
}

template <typename Fn>
int32_t TStandardPreview::layoutPages(Fn&& fn) const
{
    const PreviewLayout layout = LayoutPreview(papers(), view());
    for (size_t i = 0; i < layout.pages.size(); ++i) {
        const PreviewPageBox& b = layout.pages[i];
        if (!fn(PageBox{static_cast<int>(i), b.w, b.h, b.x, b.y})) break;
    }
    return layout.height;
}

void TStandardPreview::paintCanvas(QPainter& painter, const QRect& area)
{
    painter.fillRect(area, ToQColor(clBtnShadow));
    QtCanvas canvas(painter);
    pageCanvas_ = &canvas;
    paintClip_ = {area.left(), area.top(), area.right() + 1, area.bottom() + 1};
    const bool tracking = !PaintPanel->SuppressTracking;
    int topPage = 1;
    layoutPages([&](const PageBox& box) {
        if (tracking && box.y <= kPreviewTopMargin) topPage = box.index + 1;
        if (paintClip_.bottom >= box.y && Round(box.h + box.y + 1) >= paintClip_.top) {
            Rect r{box.x, box.y, Round(box.w + box.x + 1), Round(box.h + box.y + 1)};
            canvas.setPen(Pen{clBlack});
            canvas.setBrush(Brush{clWhite});
            canvas.rectangle(r);
            canvas.rectangle({r.right, r.top + 3, r.right + 1, r.bottom});
            canvas.rectangle({r.left + 3, r.bottom, r.right + 1, r.bottom + 1});
            --r.right;
            --r.bottom;
            canvas.saveState();
            DrawPage(canvas, box.index, r);
            canvas.restoreState();
        }
        return true;
    });
    pageCanvas_ = nullptr;
    if (tracking) {
        if (ZoomMode == zmTwoPages && topPage > 1) --topPage;
        if (CurrentPage != topPage) {
            CurrentPage = topPage;
            refreshPageCounter();
        }
    }
}

void TStandardPreview::DrawPage(Canvas& canvas, int pageIndex, const Rect& rect)
{
    if (!Report) return;
    static const TzvSearchState kNoSearch;
    const TzvTextSearch* s = search();
    DrawPreviewPage(Report->EMFPages, pageIndex, canvas, rect, Zoom, &canvas != pageCanvas_, paintClip_,
                    s ? s->State : kNoSearch);
}

TzvTextSearch* TStandardPreview::search()
{
    if (!Report) return nullptr;
    // A preview keeps its report, but guard against one attached anew.
    if (!search_ || searchPages_ != &Report->EMFPages) {
        search_ = std::make_unique<TzvTextSearch>(Report->EMFPages);
        searchPages_ = &Report->EMFPages;
    }
    return search_.get();
}

void TStandardPreview::Find()
{
    ApplyZoomText();
    TzvTextSearch* s = search();
    if (!s || !findHost_) return;
    s->Find(*findHost_);
}

void TStandardPreview::updateScrollRanges()
{
    const PreviewScrollRanges r = ScrollRangesOf(LayoutPreview(papers(), view()).height, MaxPageWidth, view());
    VScroll->setRange(0, r.vertical);
    VScroll->setEnabled(r.vertical > 0);
    HScroll->setRange(0, r.horizontal);
    HScroll->setEnabled(r.horizontal > 0);
}

void TStandardPreview::GoToPage(int n)
{
    if (n < 1 || n > PageCount()) return;
    const int32_t position = PreviewPageScrollTop(papers(), Zoom, ZoomMode == zmTwoPages, n);
    if (VScroll->value() != position) VScroll->setValue(position);
    CurrentPage = n;
    refreshPageCounter();
}

QPoint TStandardPreview::PageOrigin(int index) const
{
    QPoint origin;
    layoutPages([&](const PageBox& box) {
        if (box.index < index) return true;
        origin = {box.x, box.y};
        return false;
    });
    return origin;
}

void TStandardPreview::SetZoom(double z)
{
    if (z != Zoom && search_ && search_->State.Found) search_->ZoomChanged(Zoom, z);
    PaintPanel->SuppressTracking = true;
    Zoom = z;
    updateScrollRanges();
    PaintPanel->update();
    if (!PaintPanel->NoZoomScroll && isVisible()) {
        GoToPage(CurrentPage);
        LastVPos = VScroll->value();
    }
    postZoomText();
    HScroll->setValue(InitialHScroll(HScroll->maximum()));
    PaintPanel->SuppressTracking = false;
    if (Zoom == LastZoom && ZoomMode == LastZoomMode && !ResizePending) return;
    PaintPanel->update();
    LastZoom = Zoom;
    LastZoomMode = ZoomMode;
    ResizePending = false;
}

std::string TStandardPreview::ZoomText(double zoom)
{
    const double whole = std::trunc(zoom);
    const double shown = whole + static_cast<double>(RoundHalfEven((zoom - whole) * 10)) / 10;
    return FloatToStr(shown, DefaultFormatSettings()) + "%";
}

void TStandardPreview::postZoomText()
{
    QMetaObject::invokeMethod(
        this, [this] { ZoomBtn->setEditText(ToQString(ZoomText(Zoom))); }, Qt::QueuedConnection);
}

void TStandardPreview::ZoomToMode()
{
    SetZoom(ZoomForMode(ZoomMode, PaintPanel->width(), PaintPanel->height(), MaxPageWidth, MaxPageHeight, Zoom));
}

void TStandardPreview::ApplyZoomText()
{
    if (!ZoomBtn->hasFocus() && !ZoomBtn->lineEdit()->hasFocus()) return;
    ZoomBtn->setEnabled(false);  // the focus leaves the box, so that this runs once per edit
    const std::string text = FromQString(ZoomBtn->currentText());
    const TZoomMode* named = std::find_if(std::begin(kNamedModes), std::end(kNamedModes),
                                          [&text](TZoomMode m) { return text == ModeItem(m); });
    if (named != std::end(kNamedModes)) {
        ZoomMode = *named;
        ZoomToMode();
    } else {
        std::string number = text;
        if (!number.empty() && number.back() == '%') number.pop_back();
        const size_t sep = number.find(DefaultFormatSettings().decimalSeparator);
        if (sep != std::string::npos) number[sep] = '.';
        double value = 0;
        const auto [end, ec] = std::from_chars(number.data(), number.data() + number.size(), value);
        if (ec != std::errc() || end != number.data() + number.size() || !(value > 0) || value > kPreviewMaxZoom) {
            Ui().beep();
            postZoomText();
        } else if (ZoomMode != zmPercent || value != Zoom) {
            ZoomMode = zmPercent;
            SetZoom(value);
        } else {
            postZoomText();
        }
    }
    ZoomBtn->setEnabled(true);
}

void TStandardPreview::refreshPageCounter()
{
    LabelPage->setText(QString::number(CurrentPage) + ToQString(kPageCounterOf) + QString::number(PageCount()));
    PaintPage->update();
}

void TStandardPreview::onScroll()
{
    const int32_t v = VScroll->value(), h = HScroll->value();
    PaintPanel->scroll(LastHPos - h, LastVPos - v);
    LastVPos = v;
    LastHPos = h;
    ApplyZoomText();
}

void TStandardPreview::FirstPage() { GoToPage(1); }

void TStandardPreview::LastPage() { GoToPage(PageCount()); }

void TStandardPreview::NextPage()
{
    if (CurrentPage < PageCount()) GoToPage(CurrentPage + (ZoomMode == zmTwoPages ? 2 : 1));
    ApplyZoomText();
}

void TStandardPreview::PrevPage()
{
    if (CurrentPage > 1) GoToPage(CurrentPage - (ZoomMode == zmTwoPages ? 2 : 1));
    ApplyZoomText();
}

void TStandardPreview::selectMode(TZoomMode mode)
{
    ZoomBtn->setEditText(ToQString(ModeItem(mode)));
    ZoomMode = mode;
    ZoomToMode();
}

void TStandardPreview::PageWidth() { selectMode(zmPageWidth); }

void TStandardPreview::OnePage() { selectMode(zmOnePage); }

void TStandardPreview::TwoPages() { selectMode(zmTwoPages); }

void TStandardPreview::ShowToolbar(bool on)
{
    ToolbarShown = on;
    StatusBar->setFixedHeight(on ? kBarHeight : 0);
    StatusBar->setVisible(on);
}

void TStandardPreview::SetFullScreen(bool on)
{
    if (on == FullScreen) return;
    FullScreen = on;
    if (on) {
        SavedWindowState = windowState();
        SavedToolbarShown = ToolbarShown;
        ShowToolbar(false);
        for (QWidget* w : {BPanel, VPanel, HPanel}) w->hide();
        setWindowState(Qt::WindowFullScreen);
        PagePanel->move(0, height() - PagePanel->height());
        PagePanel->setVisible(PageLabelInFullScreen);
        PagePanel->raise();
    } else {
        if (SavedToolbarShown) ShowToolbar(true);
        PagePanel->hide();
        for (QWidget* w : {BPanel, VPanel, HPanel, LeftPanel}) w->show();
        setWindowState(SavedWindowState);
    }
    if (HScroll->value() != 0 || HScroll->maximum() <= kPreviewCentredHScrollRange) {
        PaintPanel->NoZoomScroll = true;
        LastZoom = 0;
        ZoomToMode();
        PaintPanel->NoZoomScroll = false;
    }
}

void TStandardPreview::showStep()
{
    FullScreen = false;
    PagePanel->hide();
    for (QWidget* w : {BPanel, VPanel, HPanel}) w->show();
    MaxPageWidth = MaxPageHeight = 0;
    for (int i = 0; i < PageCount(); ++i) {
        const TzvEMFPage& page = Report->EMFPages.Pages(i);
        MaxPageWidth = std::max(MaxPageWidth, PagePixels(page.PaperWidth));
        MaxPageHeight = std::max(MaxPageHeight, PagePixels(page.PaperHeight));
    }
    VScroll->setValue(0);
    HScroll->setValue(0);
    LastVPos = LastHPos = 0;
    HPanel->setFixedHeight(style()->pixelMetric(QStyle::PM_ScrollBarExtent));
    VPanel->setFixedWidth(style()->pixelMetric(QStyle::PM_ScrollBarExtent));
    SpacePanel->setFixedWidth(VPanel->width());
    GoToPage(1);
    ZoomMode = zmPercent;
    SetZoom(100);
    refreshPageCounter();
    PaintPanel->setFocus();  // keys go to the pages, not to the zoom box
}

void TStandardPreview::showEvent(QShowEvent* event)
{
    TzvPreviewForm::showEvent(event);
    if (!event->spontaneous()) showStep();
}

void TStandardPreview::resizeEvent(QResizeEvent* event)
{
    TzvPreviewForm::resizeEvent(event);
    ResizePending = true;
    LeftPanel->setFixedWidth(std::max(0, (width() - kCenterPanelWidth) / 2));
    RightPanel->setFixedWidth(LeftPanel->width());
    if (PagePanel->isVisible()) PagePanel->move(0, height() - PagePanel->height());
    // The canvas takes its new size when the layout runs; the zoom follows it then.
    QMetaObject::invokeMethod(
        this, [this] { ZoomToMode(); }, Qt::QueuedConnection);
}

void TStandardPreview::keyPressEvent(QKeyEvent* event)
{
    if (ZoomBtn->hasFocus() || ZoomBtn->lineEdit()->hasFocus()) return;
    const bool ctrl = event->modifiers().testFlag(Qt::ControlModifier);
    switch (event->key()) {
    case Qt::Key_Escape:
        if (FullScreen)
            SetFullScreen(false);
        else
            close();
        break;
    case Qt::Key_Space: SetFullScreen(!FullScreen); break;
    case Qt::Key_PageUp:
        if (ctrl)
            PrevPage();
        else
            VScroll->setValue(VScroll->value() - LargeStep);
        break;
    case Qt::Key_PageDown:
        if (ctrl)
            NextPage();
        else
            VScroll->setValue(VScroll->value() + LargeStep);
        break;
    case Qt::Key_Home: FirstPage(); break;
    case Qt::Key_End: LastPage(); break;
    case Qt::Key_Left: HScroll->setValue(HScroll->value() - SmallStep); break;
    case Qt::Key_Right: HScroll->setValue(HScroll->value() + SmallStep); break;
    case Qt::Key_Up: VScroll->setValue(VScroll->value() - SmallStep); break;
    case Qt::Key_Down: VScroll->setValue(VScroll->value() + SmallStep); break;
    case Qt::Key_F2: Print(); break;
    case Qt::Key_F3: Find(); break;
    case Qt::Key_F10: Open(); break;
    case Qt::Key_F11: Save(); break;
    case Qt::Key_Equal:
    case Qt::Key_Plus: NextPage(); break;
    case Qt::Key_Minus: PrevPage(); break;
    case Qt::Key_Return:
    case Qt::Key_Enter: break;  // swallowed
    default: TzvPreviewForm::keyPressEvent(event); return;
    }
    event->accept();
}

void TStandardPreview::hideEvent(QHideEvent* event)
{
    // Closing stops a flashing highlight.
    if (search_ && search_->State.Found && !isMinimized()) search_->StopHighlight(*findHost_);
    TzvPreviewForm::hideEvent(event);
}

bool TStandardPreview::eventFilter(QObject* watched, QEvent* event)
{
    if (!PaintPage) return TzvPreviewForm::eventFilter(watched, event);  // still being built
    if ((watched == ZoomBtn || watched == ZoomBtn->lineEdit()) && event->type() == QEvent::KeyPress) {
        // The zoom box takes digits, "%", the decimal separator and editing keys only.
        const auto* key = static_cast<QKeyEvent*>(event);
        const QString text = key->text();
        if (!text.isEmpty() && text.at(0).isPrint()) {
            const QChar c = text.at(0);
            const QChar sep = QChar::fromLatin1(DefaultFormatSettings().decimalSeparator);
            if (!c.isDigit() && c != QLatin1Char('%') && c != sep) return true;
        }
        return false;
    }
    if (watched == PaintPage && event->type() == QEvent::Paint) {
        QPainter painter(PaintPage);
        const std::string text = kPageCounterPage + std::to_string(CurrentPage) + kPageCounterOf +
                                 std::to_string(PageCount()) + std::string(10, ' ');
        painter.drawText(QPoint(0, painter.fontMetrics().ascent()), ToQString(text));
        return true;
    }
    if ((watched == StatusBar || watched == SpacePanel || watched == PagePanel || watched == PaintPage) &&
        event->type() == QEvent::MouseButtonPress) {
        ApplyZoomText();
    }
    return TzvPreviewForm::eventFilter(watched, event);
}

void TStandardPreview::popUpMenuAt(const QPoint& globalPos)
{
    const QString ticked = ZoomMode == zmPercent ? ZoomBtn->currentText() : ToQString(ModeItem(ZoomMode));
    for (QAction* a : PopupMenu->actions())
        if (a->isCheckable()) a->setChecked(a->text() == ticked);
    PopupMenu->popup(globalPos);
}

void TStandardPreview::Open()
{
    ApplyZoomText();
    if (!Report) return;
    CurrentDirGuard dir;
    const auto [name, index] = FileDialog()(this, false, kOpenDialogTitle, NameFilters(FilterPairs(kOpenDialogFilter)));
    (void)index;
    if (name.empty()) return;
    QApplication::processEvents();
    try {
        LoadPreparedReport(Report->EMFPages, name);
    } catch (const std::exception& e) {
        ShowError(e);
    }
    // The pages were replaced, completely or in part: show what there is.
    LastZoom = 0;
    showStep();
}

TStandardPreview::FileChooser& TStandardPreview::FileDialog()
{
    static FileChooser chooser = RunFileDialog;
    return chooser;
}

void TStandardPreview::saveCurrentPage(const std::string& name)
{
    std::string file = name;
    const std::string upper = UpperCase(file);
    if (upper.size() < 4 || upper.compare(upper.size() - 4, 4, ".EMF") != 0) file += kMetafileExtension;
    const std::vector<uint8_t>& bytes = Report->EMFPages.Pages(CurrentPage - 1).Picture.bytes();
    SaveFileAtomically(file, [&bytes](Stream& s) { s.write(bytes.data(), bytes.size()); });
}

void TStandardPreview::Save()
{
    ApplyZoomText();
    if (!Report) return;
    CurrentDirGuard dir;
    std::vector<std::pair<std::string, std::string>> pairs = FilterPairs(kSaveDialogFilter);
    const std::vector<TzvExportFilterInfo>& filters = ExportFilters();
    for (const TzvExportFilterInfo& f : filters) pairs.emplace_back(f.Description, f.FileMask);
    // After the export filters, the document writers: PDF (every page), PNG (the current page).
    const std::vector<PageWriterInfo>& writers = PageWriters();
    for (const PageWriterInfo& w : writers) pairs.emplace_back(w.description, w.fileMask);
    const auto [name, index] = FileDialog()(this, true, kSaveDialogTitle, NameFilters(pairs));
    if (name.empty()) return;
    QApplication::processEvents();
    // The file name with its extension replaced by the mask's ("*.txt" gives ".txt").
    auto withMaskExtension = [&name](const std::string& mask) {
        std::string file = name;
        const size_t slash = file.find_last_of('/');
        const size_t dot = file.find_last_of('.');
        if (dot != std::string::npos && (slash == std::string::npos || dot > slash)) file.erase(dot);
        return file + (mask.size() > 1 ? mask.substr(1) : std::string());
    };
    const int writerIndex = index - 3 - static_cast<int>(filters.size());
    try {
        if (index == 1) {
            SavePreparedReport(Report->EMFPages, name);
        } else if (index == 2) {
            if (CurrentPage >= 1 && CurrentPage <= PageCount())
                saveCurrentPage(name);
            else
                throw Exception(kNoPreparedPages);
        } else if (index - 3 < static_cast<int>(filters.size())) {
            const TzvExportFilterInfo& filter = filters[static_cast<size_t>(index - 3)];
            TProgressFilterForm progress;
            ExportPages(*Report, filter, withMaskExtension(filter.FileMask), &progress);
        } else if (writerIndex < static_cast<int>(writers.size())) {
            const PageWriterInfo& writer = writers[static_cast<size_t>(writerIndex)];
            if (PageCount() == 0) throw Exception(kNoPreparedPages);
            TzvDocumentOptions options;
            if (writer.pagesPerFile == 1)
                options.FirstPage = options.LastPage = std::clamp(CurrentPage, 1, PageCount());
            TProgressFilterForm progress;
            ExportDocument(*Report, writer, withMaskExtension(writer.fileMask), options, &progress);
        }
    } catch (const std::exception& e) {
        ShowError(e);
    }
}

void TStandardPreview::Print()
{
    ApplyZoomText();
    if (!Report || PageCount() == 0) return;
    QPrinter choice;
    choice.setCopyCount(1);
    QPrintDialog dialog(&choice, this);
    dialog.setObjectName(QStringLiteral("PrintDialog"));
    dialog.setMinMax(1, PageCount());
    dialog.setFromTo(1, PageCount());
    dialog.setOption(QAbstractPrintDialog::PrintPageRange);
    dialog.setPrintRange(QAbstractPrintDialog::PageRange);
    if (dialog.exec() != QDialog::Accepted) return;
    QApplication::processEvents();
    int from = 1, to = PageCount();
    if (dialog.printRange() == QAbstractPrintDialog::PageRange && dialog.fromPage() > 0) {
        from = dialog.fromPage();
        to = dialog.toPage();
    }
    const int copies = std::max(1, choice.copyCount());
    const bool collate = choice.collateCopies();
    choice.setCopyCount(1);
    // A file chosen in the dialog is printed to for this job; otherwise the printer chosen there
    // becomes the current one when the platform knows it.
    struct FileTarget {
        Printer* saved = Prn().PlatformPrinter;
        std::unique_ptr<QtPrinter> file;
        ~FileTarget()
        {
            if (file) Prn().SetPlatformPrinter(saved);
        }
    } target;
    if (choice.outputFormat() == QPrinter::PdfFormat && !choice.outputFileName().isEmpty()) {
        target.file = std::make_unique<QtPrinter>(FromQString(choice.outputFileName()));
        Prn().SetPlatformPrinter(target.file.get());
    } else if (Printer* printer = Prn().PlatformPrinter) {
        const std::vector<std::string> names = printer->Printers();
        const auto it = std::find(names.begin(), names.end(), FromQString(choice.printerName()));
        if (it != names.end()) printer->SetPrinterIndex(static_cast<int>(it - names.begin()));
    }
    Report->PrintPreparedReport(from, to, collate, copies);
}

void RegisterStandardPreview()
{
    RegisterPreviewClass({"TStandardPreview", []() -> TzvPreview* { return new TStandardPreview; }});
}

}  // namespace zv
