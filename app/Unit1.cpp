// The demo's main window FormMain, built from its stored description.
#include "app/Unit1.h"

#include <QCloseEvent>
#include <QFile>
#include <QPalette>
#include <QResizeEvent>

#include "platform/base/Error.h"
#include "platform/base/Text.h"
#include "platform/data/DBComponents.h"
#include "platform/qt/QtDBCtrls.h"
#include "platform/qt/QtFontMetrics.h"
#include "platform/qt/QtText.h"
#include "report/ZV_Report.h"

namespace {

constexpr const char* kDescriptionResource = ":/Unit1.txt";

// Form properties the description may carry that change nothing here.
constexpr const char* kIgnoredFormProps[] = {"Font.Charset", "Font.Color", "OldCreateOrder"};

int Bounded(const zv::PropValue& v, int lo, int hi)
{
    int64_t i = v.asInt();
    if (i < lo || i > hi) throw zv::Exception("Invalid property value");
    return static_cast<int>(i);
}

template <class T>
T* Find(const zv::Component& root, std::string_view name)
{
    return dynamic_cast<T*>(root.findComponent(name));
}

}  // namespace

void RegisterFormMainClasses()
{
    static bool done = false;
    if (done) return;
    done = true;
    zv::ComponentClassRegistry& registry = zv::ComponentClassRegistry::instance();
    zv::RegisterControlClasses(registry);
    zv::RegisterDataComponentClasses(registry);
}

std::string FormMainDescription()
{
    QFile f(QString::fromLatin1(kDescriptionResource));
    if (!f.open(QIODevice::ReadOnly)) throw zv::Exception("Window description of FormMain not found");
    QByteArray bytes = f.readAll();
    return std::string(bytes.constData(), static_cast<size_t>(bytes.size()));
}

TFormMain::TFormMain(const std::string& description) : QWidget(nullptr), zv::Component(nullptr)
{
    RegisterFormMainClasses();
    // A form is known to the application before its components exist: the template loaded while
    // they are read resolves "FormMain.ClientDataSet" through this registration.
    zv::ApplicationRegistry::instance().addForm(this);
    const std::string text = description.empty() ? FormMainDescription() : description;
    try {
        zv::FormReader(text).read(this);
    } catch (...) {
        destroyComponents();
        throw;
    }
    DBNavigator = Find<zv::TDBNavigator>(*this, "DBNavigator");
    DBGrid = Find<zv::TDBGrid>(*this, "DBGrid");
    Panel = Find<zv::TPanel>(*this, "Panel");
    Button = Find<zv::TButton>(*this, "Button");
    ClientDataSet = Find<zv::TClientDataSet>(*this, "ClientDataSet");
    DataSource = Find<zv::TDataSource>(*this, "DataSource");
    zvReport = Find<zv::TzvReport>(*this, "zvReport");
    if (QWidget* first = zv::ApplyTabOrder(this)) first->setFocus();
    arrangeControls();
}

TFormMain::~TFormMain()
{
    // The components go while the form is whole: the table writes itself back when it changed,
    // and the controls leave their data source before it goes.
    closeTable();
    destroyComponents();
}

void TFormMain::closeTable()
{
    if (!ClientDataSet || !ClientDataSet->active()) return;
    // Text typed into a cell and not yet confirmed is part of the edit being posted.
    if (DBGrid) DBGrid->commitEditor();
    try {
        if (ClientDataSet->state() == zv::dsEdit || ClientDataSet->state() == zv::dsInsert) {
            if (ClientDataSet->modified())
                ClientDataSet->post();
            else
                ClientDataSet->cancel();
        }
    } catch (const std::exception& e) {
        zv::ShowDataError(e);
        ClientDataSet->cancel();
    }
    try {
        ClientDataSet->close();
    } catch (const std::exception& e) {
        zv::ShowDataError(e);
    }
}

void TFormMain::ButtonClick()
{
    if (!zvReport) return;
    try {
        zvReport->ShowReport();
    } catch (const std::exception& e) {
        zv::ShowDataError(e);
    }
}

std::function<void()> TFormMain::findMethod(std::string_view name)
{
    if (zv::SameText(name, "ButtonClick")) return [this] { ButtonClick(); };
    return {};
}

bool TFormMain::readProperty(const std::string& name, const zv::PropValue& v)
{
    for (const char* ignored : kIgnoredFormProps)
        if (zv::SameText(name, ignored)) return true;
    if (name == "Left")
        stored_.moveLeft(Bounded(v, -100000, 100000));
    else if (name == "Top")
        stored_.moveTop(Bounded(v, -100000, 100000));
    else if (name == "Width")
        stored_.setWidth(Bounded(v, kFrameWidth, 100000));
    else if (name == "Height")
        stored_.setHeight(Bounded(v, kFrameHeight, 100000));
    else if (name == "Caption")
        setWindowTitle(zv::ToQString(v.asString()));
    else if (name == "Color") {
        color_ = zv::ColorFromProp(v);
        const zv::Color rgb = zv::ColorToRGB(color_);
        QPalette p = palette();
        p.setColor(QPalette::Window, QColor(zv::GetRValue(rgb), zv::GetGValue(rgb), zv::GetBValue(rgb)));
        setPalette(p);
        setAutoFillBackground(true);
        return true;
    } else if (name == "Font.Height")
        fontHeight_ = Bounded(v, -1000, 1000);
    else if (name == "Font.Name")
        fontName_ = v.asString();
    else if (name == "Font.Style") {
        if (v.kind != zv::PropValue::Kind::Set) throw zv::Exception("Invalid property value");
    } else if (name == "PixelsPerInch")
        pixelsPerInch_ = Bounded(v, 1, 10000);
    else if (name == "TextHeight")
        textHeight_ = Bounded(v, 0, 1000);
    else
        return false;
    if (name.rfind("Font.", 0) == 0) {
        zv::Font f;
        f.name = fontName_;
        f.height = fontHeight_;
        setFont(zv::ToQFont(f));
    }
    if (name == "Left" || name == "Top" || name == "Width" || name == "Height") {
        designedClient_ = QSize(stored_.width() - kFrameWidth, stored_.height() - kFrameHeight);
        resize(designedClient_);
        move(stored_.topLeft());
    }
    return true;
}

void TFormMain::writeProperties(zv::FormWriter& w) const
{
    const QSize outer = outerSize();
    w.writeInt("Left", pos().x());
    w.writeInt("Top", pos().y());
    w.writeInt("Width", outer.width());
    w.writeInt("Height", outer.height());
    w.writeString("Caption", zv::FromQString(windowTitle()));
    std::string colorName = zv::ColorName(color_);
    if (colorName.empty())
        w.writeInt("Color", color_);
    else
        w.writeIdent("Color", colorName);
    w.writeIdent("Font.Charset", "DEFAULT_CHARSET");
    w.writeIdent("Font.Color", "clWindowText");
    w.writeInt("Font.Height", fontHeight_);
    w.writeString("Font.Name", fontName_);
    w.writeSet("Font.Style", {});
    w.writeBool("OldCreateOrder", false);
    w.writeInt("PixelsPerInch", pixelsPerInch_);
    w.writeInt("TextHeight", textHeight_);
}

void TFormMain::resizeEvent(QResizeEvent* e)
{
    QWidget::resizeEvent(e);
    arrangeControls();
}

void TFormMain::closeEvent(QCloseEvent* e)
{
    closeTable();
    e->accept();
}
