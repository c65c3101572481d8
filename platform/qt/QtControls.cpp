// Window-description controls on Qt Widgets: bounds, alignment, anchors, tab order, panels, buttons.
#include "platform/qt/QtControls.h"

#include <QPainter>
#include <QResizeEvent>
#include <algorithm>
#include <vector>

#include "platform/base/Error.h"
#include "platform/base/Text.h"
#include "platform/qt/QtDBCtrls.h"
#include "platform/qt/QtText.h"

namespace zv {

namespace {

constexpr const char* kAlignNames[] = {"alNone", "alTop", "alBottom", "alLeft", "alRight", "alClient"};

struct AnchorName {
    const char* name;
    uint8_t bit;
};
constexpr AnchorName kAnchorNames[] = {
    {"akLeft", akLeft}, {"akTop", akTop}, {"akRight", akRight}, {"akBottom", akBottom}};

struct ColorIdent {
    const char* name;
    Color color;
};
constexpr ColorIdent kColorIdents[] = {
    {"clBtnFace", clBtnFace},
    {"clWindow", clWindow},
    {"clWindowText", clWindowText},
    {"clBtnShadow", clBtnShadow},
    {"clHighlight", clHighlight},
    {"clHighlightText", clHighlightText},
    {"clAppWorkSpace", clAppWorkSpace},
    {"clInfoBk", clInfoBk},
    {"clBlack", clBlack},
    {"clWhite", clWhite},
    {"clRed", clRed},
    {"clGreen", clGreen},
    {"clBlue", clBlue},
    {"clYellow", clYellow},
    {"clGray", clGray},
    {"clSilver", clSilver},
    {"clMaroon", clMaroon},
    {"clNavy", clNavy},
    {"clAqua", clAqua},
    {"clFuchsia", clFuchsia},
    {"clLime", clLime},
    {"clOlive", clOlive},
    {"clPurple", clPurple},
    {"clTeal", clTeal},
    {"clNone", clNone},
};

[[noreturn]] void InvalidValue() { throw Exception("Invalid property value"); }

int IntProp(const PropValue& v)
{
    int64_t i = v.asInt();
    if (i < -1000000 || i > 1000000) InvalidValue();  // far outside any screen
    return static_cast<int>(i);
}

TControl* AsControl(QObject* o)
{
    auto* w = qobject_cast<QWidget*>(o);
    return w ? dynamic_cast<TControl*>(w) : nullptr;
}

}  // namespace

const char* AlignName(TAlign a) { return kAlignNames[a <= alClient ? a : 0]; }

TAlign AlignFromName(std::string_view name)
{
    for (size_t i = 0; i < std::size(kAlignNames); ++i)
        if (SameText(name, kAlignNames[i])) return static_cast<TAlign>(i);
    InvalidValue();
}

Color ColorFromProp(const PropValue& v)
{
    if (v.kind == PropValue::Kind::Integer) return static_cast<Color>(v.integer);
    if (v.kind != PropValue::Kind::Ident) InvalidValue();
    for (const ColorIdent& c : kColorIdents)
        if (SameText(v.text, c.name)) return c.color;
    InvalidValue();
}

std::string ColorName(Color c)
{
    for (const ColorIdent& i : kColorIdents)
        if (i.color == c) return i.name;
    return {};
}

// ---- TControl ------------------------------------------------------------------------------

TControl::TControl(QWidget* self, Component* owner) : Component(owner), self_(self) {}

TControl::~TControl() = default;

void TControl::setDesignedBounds(const QRect& r)
{
    bounds_ = r;
    self_->setGeometry(r);
}

void TControl::setAlign(TAlign a)
{
    align_ = a;
    if (auto* c = dynamic_cast<ControlContainer*>(parent_)) c->arrangeControls();
}

bool TControl::readProperty(const std::string& name, const PropValue& v)
{
    if (name == "Left")
        bounds_.moveLeft(IntProp(v));
    else if (name == "Top")
        bounds_.moveTop(IntProp(v));
    else if (name == "Width")
        bounds_.setWidth(std::max(0, IntProp(v)));
    else if (name == "Height")
        bounds_.setHeight(std::max(0, IntProp(v)));
    else if (name == "Align") {
        if (v.kind != PropValue::Kind::Ident) InvalidValue();
        align_ = AlignFromName(v.text);
    } else if (name == "Anchors") {
        if (v.kind != PropValue::Kind::Set) InvalidValue();
        uint8_t bits = 0;
        for (const std::string& item : v.items) {
            bool found = false;
            for (const AnchorName& a : kAnchorNames)
                if (SameText(item, a.name)) {
                    bits |= a.bit;
                    found = true;
                }
            if (!found) InvalidValue();
        }
        anchors_ = bits;
    } else if (name == "TabOrder")
        tabOrder_ = IntProp(v);
    else if (name == "Visible")
        visible_ = v.asBool();
    else if (name == "Hint")
        hint_ = v.asString();
    else if (name == "ShowHint")
        showHint_ = v.asBool();
    else
        return false;
    self_->setGeometry(bounds_);
    // A widget without a container would become a window of its own: shown once it is placed.
    if (self_->parentWidget()) self_->setVisible(visible_);
    if (showHint_ && !hint_.empty()) self_->setToolTip(ToQString(hint_));
    return true;
}

void TControl::writeProperties(FormWriter& w) const
{
    w.writeInt("Left", bounds_.left());
    w.writeInt("Top", bounds_.top());
    w.writeInt("Width", bounds_.width());
    w.writeInt("Height", bounds_.height());
    if (align_ != alNone) w.writeIdent("Align", AlignName(align_));
    if (anchors_ != kDefaultAnchors) {
        std::vector<std::string> items;
        for (const AnchorName& a : kAnchorNames)
            if (anchors_ & a.bit) items.emplace_back(a.name);
        w.writeSet("Anchors", items);
    }
    if (!hint_.empty()) w.writeString("Hint", hint_);
    if (showHint_) w.writeBool("ShowHint", true);
    if (tabOrder_ >= 0) w.writeInt("TabOrder", tabOrder_);
    if (!visible_) w.writeBool("Visible", false);
}

void TControl::setParentComponent(Component* parent)
{
    if (parent_ && parent_ != parent) removeFreeNotification(parent_);
    parent_ = parent;
    auto* container = dynamic_cast<ControlContainer*>(parent);
    if (!container) return;
    freeNotification(parent);
    self_->setParent(container->containerWidget());
    self_->setGeometry(bounds_);
    self_->setVisible(visible_);
    container->arrangeControls();
}

void TControl::notification(Component* c, Operation op)
{
    Component::notification(c, op);
    if (op == Operation::Remove && c == parent_) parent_ = nullptr;
}

std::function<void()> TControl::resolveMethod(const std::string& methodName) const
{
    for (Component* c = owner(); c; c = c->owner())
        if (auto* provider = dynamic_cast<MethodProvider*>(c))
            if (auto m = provider->findMethod(methodName)) return m;
    throw Exception("Method " + methodName + " not found");
}

// ---- arrangement ---------------------------------------------------------------------------

void ControlContainer::arrangeControls() { ArrangeControls(containerWidget(), designedClientSize()); }

void ArrangeControls(QWidget* container, QSize designed)
{
    std::vector<TControl*> controls;
    for (QObject* o : container->children())
        if (TControl* c = AsControl(o)) controls.push_back(c);

    QRect free = container->contentsRect();
    // Aligned controls take their strips in this order, each in the order the controls were made.
    for (TAlign pass : {alTop, alBottom, alLeft, alRight, alClient}) {
        for (TControl* c : controls) {
            if (c->align() != pass || !c->widget()->isVisibleTo(container)) continue;
            const QRect& b = c->designedBounds();
            QRect r;
            switch (pass) {
            case alTop:
                r = QRect(free.left(), free.top(), free.width(), std::min(b.height(), free.height()));
                free.setTop(r.bottom() + 1);
                break;
            case alBottom: {
                int h = std::min(b.height(), free.height());
                r = QRect(free.left(), free.bottom() + 1 - h, free.width(), h);
                free.setBottom(r.top() - 1);
                break;
            }
            case alLeft:
                r = QRect(free.left(), free.top(), std::min(b.width(), free.width()), free.height());
                free.setLeft(r.right() + 1);
                break;
            case alRight: {
                int w = std::min(b.width(), free.width());
                r = QRect(free.right() + 1 - w, free.top(), w, free.height());
                free.setRight(r.left() - 1);
                break;
            }
            default: r = free; break;
            }
            c->widget()->setGeometry(r);
        }
    }
    // Anchored controls keep their distances to the anchored edges of the designed client area.
    const int dx = container->width() - designed.width();
    const int dy = container->height() - designed.height();
    for (TControl* c : controls) {
        if (c->align() != alNone) continue;
        QRect r = c->designedBounds();
        const uint8_t a = c->anchors();
        if (a & akRight) {
            if (a & akLeft)
                r.setWidth(std::max(0, r.width() + dx));
            else
                r.moveLeft(r.left() + dx);
        }
        if (a & akBottom) {
            if (a & akTop)
                r.setHeight(std::max(0, r.height() + dy));
            else
                r.moveTop(r.top() + dy);
        }
        c->widget()->setGeometry(r);
    }
}

QWidget* ApplyTabOrder(QWidget* root)
{
    std::vector<TControl*> controls;
    for (QObject* o : root->children())
        if (TControl* c = AsControl(o)) controls.push_back(c);
    std::stable_sort(controls.begin(), controls.end(), [](TControl* a, TControl* b) {
        // Controls without a stored tab order come after the numbered ones.
        auto key = [](TControl* c) { return c->tabOrder() < 0 ? INT32_MAX : c->tabOrder(); };
        return key(a) < key(b);
    });
    QWidget* previous = nullptr;
    for (TControl* c : controls) {
        QWidget* w = c->widget();
        if (previous) QWidget::setTabOrder(previous, w);
        previous = w;
        ApplyTabOrder(w);
    }
    return controls.empty() ? nullptr : controls.front()->widget();
}

// ---- TPanel --------------------------------------------------------------------------------

TPanel::TPanel(Component* owner) : QFrame(nullptr), TControl(this, owner)
{
    setFrameStyle(QFrame::Panel | QFrame::Raised);
    setLineWidth(1);
}

void TPanel::setCaption(const QString& c)
{
    caption_ = c;
    update();
}

bool TPanel::readProperty(const std::string& name, const PropValue& v)
{
    if (name == "Caption") {
        setCaption(ToQString(v.asString()));
        return true;
    }
    if (name == "BevelOuter") {
        if (v.kind != PropValue::Kind::Ident) throw Exception("Invalid property value");
        if (SameText(v.text, "bvNone"))
            setFrameStyle(QFrame::NoFrame);
        else if (SameText(v.text, "bvLowered"))
            setFrameStyle(QFrame::Panel | QFrame::Sunken);
        else if (SameText(v.text, "bvRaised"))
            setFrameStyle(QFrame::Panel | QFrame::Raised);
        else
            throw Exception("Invalid property value");
        return true;
    }
    return TControl::readProperty(name, v);
}

void TPanel::writeProperties(FormWriter& w) const
{
    TControl::writeProperties(w);
    if (frameStyle() == QFrame::NoFrame)
        w.writeIdent("BevelOuter", "bvNone");
    else if (frameShadow() == QFrame::Sunken)
        w.writeIdent("BevelOuter", "bvLowered");
    w.writeString("Caption", FromQString(caption_));
}

void TPanel::resizeEvent(QResizeEvent* e)
{
    QFrame::resizeEvent(e);
    arrangeControls();
}

void TPanel::paintEvent(QPaintEvent* e)
{
    QFrame::paintEvent(e);
    if (caption_.isEmpty()) return;
    QPainter p(this);
    p.drawText(contentsRect(), Qt::AlignCenter, caption_);
}

// ---- TButton -------------------------------------------------------------------------------

TButton::TButton(Component* owner) : QPushButton(nullptr), TControl(this, owner)
{
    connect(this, &QPushButton::clicked, this, [this] {
        if (onClick) onClick();
    });
}

bool TButton::readProperty(const std::string& name, const PropValue& v)
{
    if (name == "Caption") {
        setText(ToQString(v.asString()));
        return true;
    }
    if (name == "OnClick") {
        if (v.kind != PropValue::Kind::Ident) throw Exception("Invalid property value");
        onClickName_ = v.text;
        return true;
    }
    return TControl::readProperty(name, v);
}

void TButton::writeProperties(FormWriter& w) const
{
    TControl::writeProperties(w);
    w.writeString("Caption", FromQString(text()));
    if (!onClickName_.empty()) w.writeIdent("OnClick", onClickName_);
}

void TButton::loaded()
{
    if (!onClickName_.empty()) onClick = resolveMethod(onClickName_);
}

// ---- registration --------------------------------------------------------------------------

void RegisterControlClasses(ComponentClassRegistry& registry)
{
    registry.add("TPanel", [](Component* owner) -> Component* { return new TPanel(owner); });
    registry.add("TButton", [](Component* owner) -> Component* { return new TButton(owner); });
    registry.add("TDBGrid", [](Component* owner) -> Component* { return new TDBGrid(owner); });
    registry.add("TDBNavigator", [](Component* owner) -> Component* { return new TDBNavigator(owner); });
}

}  // namespace zv
