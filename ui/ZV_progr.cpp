// The progress windows.
#include "ui/ZV_progr.h"

#include <QApplication>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <algorithm>
#include <utility>

#include "platform/qt/QtText.h"
#include "report/ZV_Const.h"
#include "report/ZV_Report.h"

namespace zv {

namespace {

constexpr int kClientWidth = 278, kClientHeight = 106;

QPushButton* CancelButton(QDialog* dialog)
{
    auto* button = new QPushButton(ToQString(kProgressCancel), dialog);
    button->setObjectName(QStringLiteral("Button1"));
    button->setGeometry(100, 68, 75, 25);
    QObject::connect(button, &QPushButton::clicked, dialog, &QDialog::reject);
    return button;
}

void SetupFrame(QDialog* dialog)
{
    dialog->setFixedSize(kClientWidth, kClientHeight);
    dialog->setWindowFlag(Qt::WindowContextHelpButtonHint, false);
}

}  // namespace

TProgressForm::TProgressForm()
{
    SetupFrame(this);
    Label1 = new QLabel(this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setAlignment(Qt::AlignCenter);
    Label1->setGeometry(20, 32, 237, 16);
    Button1 = CancelButton(this);
}

void TProgressForm::SetCaption(const std::string& caption) { setWindowTitle(ToQString(caption)); }

std::string TProgressForm::Caption() const { return FromQString(windowTitle()); }

void TProgressForm::SetLabelText(const std::string& text) { Label1->setText(ToQString(text)); }

std::string TProgressForm::LabelText() const { return FromQString(Label1->text()); }

bool TProgressForm::IsVisible() const { return isVisible(); }

bool TProgressForm::Show(TzvReport* report, std::function<void()> work)
{
    PreparingReport = report;
    work_ = std::move(work);
    failure_ = nullptr;
    // The work starts from the window's own event queue, once the modal loop runs.
    QTimer::singleShot(0, this, [this] {
        if (!work_) return;
        try {
            work_();
        } catch (...) {
            failure_ = std::current_exception();
            if (isVisible()) done(QDialog::Rejected);
        }
    });
    const bool accepted = exec() == QDialog::Accepted;
    work_ = nullptr;
    if (failure_) std::rethrow_exception(std::exchange(failure_, nullptr));
    return accepted;
}

void TProgressForm::Close(bool cancelled) { done(cancelled ? QDialog::Rejected : QDialog::Accepted); }

void TProgressForm::reject()
{
    if (PreparingReport) PreparingReport->Terminated = true;
    QDialog::reject();
}

TProgressFilterForm::TProgressFilterForm()
{
    SetupFrame(this);
    setWindowTitle(ToQString(kProgressExportCaption));
    Label1 = new QLabel(this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->move(8, 16);
    ProgressBar1 = new QProgressBar(this);
    ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    ProgressBar1->setGeometry(8, 32, 257, 16);
    ProgressBar1->setRange(0, 100);
    ProgressBar1->setTextVisible(false);
    Button1 = CancelButton(this);
}

void TProgressFilterForm::Start(const std::string& label, int maximum)
{
    cancelled_ = false;
    Label1->setText(ToQString(label));
    Label1->adjustSize();
    ProgressBar1->setRange(0, std::max(0, maximum));
    ProgressBar1->setValue(0);
    setWindowModality(Qt::ApplicationModal);
    show();
    QApplication::processEvents();
}

void TProgressFilterForm::SetPosition(int position)
{
    ProgressBar1->setValue(position);
    QApplication::processEvents();
}

void TProgressFilterForm::Finish() { hide(); }

void TProgressFilterForm::reject()
{
    cancelled_ = true;
    QDialog::reject();
}

}  // namespace zv
