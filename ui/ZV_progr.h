// The progress windows: the one of the preparation and printing (a single instance for the whole
// program) and the one of an export.
#pragma once

#include <QDialog>
#include <exception>
#include <functional>

#include "report/ZV_Export.h"
#include "report/ZV_Preview.h"

class QLabel;
class QProgressBar;
class QPushButton;

namespace zv {

// A fixed 278 x 106 dialog, centred on the screen, with the progress line and a cancel button.
// Show runs the work once the window is up; the work closes the window through Close.
// Cancelling (the button, Escape, the close box) sets Terminated on the preparing report.
class TProgressForm : public QDialog, public TzvProgressWindow {
    Q_OBJECT
public:
    TProgressForm();

    void SetCaption(const std::string& caption) override;
    std::string Caption() const override;
    void SetLabelText(const std::string& text) override;
    std::string LabelText() const override;
    bool IsVisible() const override;
    // An exception of the work closes the window and leaves Show.
    bool Show(TzvReport* report, std::function<void()> work) override;
    void Close(bool cancelled) override;
    void reject() override;

    QLabel* Label1 = nullptr;
    QPushButton* Button1 = nullptr;

private:
    std::function<void()> work_;
    std::exception_ptr failure_;
};

// The export's window: the same frame with a label and a bar; the button sets the cancel flag.
class TProgressFilterForm : public QDialog, public TzvExportProgress {
    Q_OBJECT
public:
    TProgressFilterForm();

    void Start(const std::string& label, int maximum) override;
    void SetPosition(int position) override;
    bool Cancelled() const override { return cancelled_; }
    void Finish() override;
    void reject() override;

    QLabel* Label1 = nullptr;
    QProgressBar* ProgressBar1 = nullptr;
    QPushButton* Button1 = nullptr;

private:
    bool cancelled_ = false;
};

}  // namespace zv
