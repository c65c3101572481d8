// The demo's main window FormMain: a table of people with navigator, grid and the Report button.
#pragma once

#include <QWidget>
#include <functional>
#include <string>
#include <string_view>

#include "platform/base/Component.h"
#include "platform/base/FormText.h"
#include "platform/qt/QtControls.h"

namespace zv {
class TClientDataSet;
class TDataSource;
class TDBGrid;
class TDBNavigator;
class TPanel;
class TButton;
class TzvReport;
}  // namespace zv

// Registers every class the window description names (controls, data components); the report
// library registers its own in InitReportLibrary. Calling it again does nothing more.
void RegisterFormMainClasses();

// The stored description the window is built from (embedded with Qt's resource system).
std::string FormMainDescription();

// The main window. It is registered as a form of the application before its description is read,
// so that a template loaded while reading can name "FormMain.ClientDataSet". Its stored size is the
// outer size; the client area is that less the designed frame (kFrameWidth x kFrameHeight).
class TFormMain : public QWidget,
                  public zv::Component,
                  public zv::Persistent,
                  public zv::ControlContainer,
                  public zv::MethodProvider {
    Q_OBJECT
public:
    static constexpr int kFrameWidth = 8;    // left and right borders of the designed window
    static constexpr int kFrameHeight = 34;  // title bar and borders of the designed window

    // Builds the window from `description` (the stored one when empty). Throws zv::Exception when
    // the description cannot be read (a template that fails to load, for one).
    explicit TFormMain(const std::string& description = std::string());
    ~TFormMain() override;
    std::string className() const override { return "TFormMain"; }

    // The components, found by name once the description has been read.
    zv::TDBNavigator* DBNavigator = nullptr;
    zv::TDBGrid* DBGrid = nullptr;
    zv::TPanel* Panel = nullptr;
    zv::TButton* Button = nullptr;
    zv::TClientDataSet* ClientDataSet = nullptr;
    zv::TDataSource* DataSource = nullptr;
    zv::TzvReport* zvReport = nullptr;

    // The Report button: runs the report.
    void ButtonClick();
    // What closing does to the table: the grid's open cell editor is committed, a pending edit is
    // posted (an untouched new row dropped) and the table is closed, which writes the file only
    // when the rows changed.
    void closeTable();
    // The outer size as stored (client size plus the designed frame).
    QSize outerSize() const { return size() + QSize(kFrameWidth, kFrameHeight); }

    std::function<void()> findMethod(std::string_view name) override;
    bool readProperty(const std::string& name, const zv::PropValue& value) override;
    void writeProperties(zv::FormWriter& writer) const override;
    QWidget* containerWidget() override { return this; }
    QSize designedClientSize() const override { return designedClient_; }

protected:
    void resizeEvent(QResizeEvent* e) override;
    void closeEvent(QCloseEvent* e) override;

private:
    QRect stored_{0, 0, 0, 0};  // Left, Top, Width, Height as read (outer)
    QSize designedClient_;
    std::string fontName_ = "MS Sans Serif";
    int fontHeight_ = -11;
    zv::Color color_ = zv::clBtnFace;
    int pixelsPerInch_ = 96;
    int textHeight_ = 13;
};
