// Window-description controls on Qt Widgets: stored bounds, alignment and anchors, panels and buttons.
#pragma once

#include <QFrame>
#include <QPushButton>
#include <QRect>
#include <QSize>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "platform/base/Component.h"
#include "platform/base/FormText.h"
#include "platform/draw/Graphics.h"

namespace zv {

class ComponentClassRegistry;

enum TAlign : uint8_t { alNone, alTop, alBottom, alLeft, alRight, alClient };
enum TAnchorKind : uint8_t { akLeft = 1, akTop = 2, akRight = 4, akBottom = 8 };
constexpr uint8_t kDefaultAnchors = akLeft | akTop;

// The identifier of an alignment and back ("alTop"); unknown names throw "Invalid property value".
const char* AlignName(TAlign a);
TAlign AlignFromName(std::string_view name);
// Colour identifiers of descriptions (clBtnFace, clWindow, clBlack, ...) or plain numbers.
Color ColorFromProp(const PropValue& v);
std::string ColorName(Color c);  // "" when the colour has no identifier

// A form that offers methods to the event properties of its controls (OnClick = ButtonClick).
class MethodProvider {
public:
    virtual ~MethodProvider() = default;
    // The method of that name, or an empty function when there is none.
    virtual std::function<void()> findMethod(std::string_view name) = 0;
};

// A component whose widget holds child controls (a form, a panel). Children are placed by
// arrangeControls(): aligned ones in creation order (top, bottom, left, right, then client), the
// others by their anchors relative to the container's designed client size.
class ControlContainer {
public:
    virtual ~ControlContainer() = default;
    virtual QWidget* containerWidget() = 0;
    virtual QSize designedClientSize() const = 0;
    void arrangeControls();
};

// The stored part shared by every visual control: bounds (Left/Top/Width/Height, in pixels of the
// designed 96 per inch), Align, Anchors, TabOrder, Visible, Hint and ShowHint. A control is a
// widget and a component at once; its widget goes into the container it was written inside.
class TControl : public Component, public Persistent {
public:
    TControl(QWidget* self, Component* owner);
    ~TControl() override;

    QWidget* widget() const { return self_; }
    const QRect& designedBounds() const { return bounds_; }
    void setDesignedBounds(const QRect& r);
    TAlign align() const { return align_; }
    void setAlign(TAlign a);
    uint8_t anchors() const { return anchors_; }
    void setAnchors(uint8_t a) { anchors_ = a; }
    int tabOrder() const { return tabOrder_; }
    void setTabOrder(int t) { tabOrder_ = t; }

    bool readProperty(const std::string& name, const PropValue& value) override;
    void writeProperties(FormWriter& writer) const override;
    void setParentComponent(Component* parent) override;
    const Component* parentComponent() const override { return parent_; }

protected:
    void notification(Component* c, Operation op) override;
    // The method named by an event property, looked up on the form that owns this control.
    std::function<void()> resolveMethod(const std::string& methodName) const;

private:
    QWidget* self_;
    Component* parent_ = nullptr;
    QRect bounds_{0, 0, 0, 0};
    TAlign align_ = alNone;
    uint8_t anchors_ = kDefaultAnchors;
    int tabOrder_ = -1;  // -1: not stored
    bool visible_ = true;
    std::string hint_;
    bool showHint_ = false;
};

// Places the children of a container after it was resized (see ControlContainer).
void ArrangeControls(QWidget* container, QSize designedClientSize);
// Puts the controls of each container of `root` into focus order by their TabOrder; returns the
// first control of the top level (the one a form focuses first), or nullptr.
QWidget* ApplyTabOrder(QWidget* root);

// A raised panel that holds other controls.
class TPanel : public QFrame, public TControl, public ControlContainer {
    Q_OBJECT
public:
    explicit TPanel(Component* owner = nullptr);
    std::string className() const override { return "TPanel"; }
    QString caption() const { return caption_; }
    void setCaption(const QString& c);

    bool readProperty(const std::string& name, const PropValue& value) override;
    void writeProperties(FormWriter& writer) const override;
    QWidget* containerWidget() override { return this; }
    QSize designedClientSize() const override { return designedBounds().size(); }

protected:
    void resizeEvent(QResizeEvent* e) override;
    void paintEvent(QPaintEvent* e) override;

private:
    QString caption_;
};

// A push button; OnClick names a method of its form, found when the description has been read.
class TButton : public QPushButton, public TControl {
    Q_OBJECT
public:
    explicit TButton(Component* owner = nullptr);
    std::string className() const override { return "TButton"; }

    bool readProperty(const std::string& name, const PropValue& value) override;
    void writeProperties(FormWriter& writer) const override;
    void loaded() override;
    const std::string& onClickName() const { return onClickName_; }
    std::function<void()> onClick;

private:
    std::string onClickName_;
};

// Registers TPanel, TButton, TDBGrid and TDBNavigator.
void RegisterControlClasses(ComponentClassRegistry& registry);

}  // namespace zv
