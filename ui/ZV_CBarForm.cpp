// The editor dialog of the barcode page object.
#include "ui/ZV_CBarForm.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <algorithm>

#include "platform/device/UiServices.h"
#include "platform/qt/QtText.h"
#include "report/ZV_Barcode.h"
#include "report/ZV_Barcode2D.h"
#include "report/ZV_CBar.h"
#include "report/ZV_Const.h"
#include "report/ZV_Report.h"
#include "ui/ZV_Flds.h"
#include "ui/edExpr.h"

namespace zv {

namespace {

QLabel* Label(const char* text, QWidget* parent, int x, int y, int w, int h)
{
    auto* l = new QLabel(ToQString(text), parent);
    // Labels size themselves to their text, from their designed place.
    l->setGeometry(x, y, std::max(w, l->sizeHint().width()), h);
    return l;
}

QPushButton* PushButton(const char* text, QWidget* parent, int x, int y, const char* name)
{
    auto* b = new QPushButton(ToQString(text), parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setGeometry(x, y, 75, 25);
    b->setAutoDefault(false);
    return b;
}

QCheckBox* CheckBox(const char* text, QWidget* parent, int y, const char* name)
{
    auto* c = new QCheckBox(ToQString(text), parent);
    c->setObjectName(QString::fromLatin1(name));
    // Two pixels short of the designed 170, so as not to cover the group box's frame in this style.
    c->setGeometry(8, y, 168, 17);
    return c;
}

}  // namespace

TCodeBarreForm::TCodeBarreForm()
{
    setObjectName(QStringLiteral("CodeBarreForm"));
    setWindowTitle(ToQString(kCodeBarreCaption));
    setFixedSize(272, 233);
    Label1 = Label(kCodeBarreText, this, 8, 8, 21, 13);
    M1 = new QLineEdit(QStringLiteral("0"), this);
    M1->setObjectName(QStringLiteral("M1"));
    M1->setGeometry(8, 24, 259, 22);
    M1->setFont(QFont(QStringLiteral("Arial")));
    Label2 = Label(kCodeBarreType, this, 8, 56, 80, 13);
    cbType = new QComboBox(this);
    cbType->setObjectName(QStringLiteral("cbType"));
    cbType->setGeometry(8, 72, 129, 22);
    for (int t = 0; t < kAllBarcodeTypeCount; ++t)
        if (const BarcodeTypeInfo* info = FindBarcodeTypeInfo(t)) cbType->addItem(ToQString(info->displayName));
    cbType->setCurrentIndex(0);
    Label3 = Label(kCodeBarreScale, this, 192, 56, 80, 13);
    Zoom = new QSpinBox(this);
    Zoom->setObjectName(QStringLiteral("Zoom"));
    Zoom->setGeometry(192, 72, 75, 21);
    Zoom->setRange(1, 10);
    Zoom->setWrapping(false);
    Zoom->setValue(1);
    Options = new QGroupBox(ToQString(kCodeBarreOptions), this);
    Options->setGeometry(8, 104, 180, 89);
    ckCheckSum = CheckBox(kCodeBarreCheckSum, Options, 16, "ckCheckSum");
    ckViewText = CheckBox(kCodeBarreViewText, Options, 40, "ckViewText");
    ckShowCheckSumText = CheckBox(kCodeBarreShowCheckSum, Options, 64, "ckShowCheckSumText");
    // The error-correction level takes the options' place for the two-dimensional types.
    Label4 = Label(kCodeBarreEcLevel, this, 8, 104, 120, 13);
    cbEcLevel = new QComboBox(this);
    cbEcLevel->setObjectName(QStringLiteral("cbEcLevel"));
    cbEcLevel->setGeometry(8, 120, 129, 22);
    connect(ckCheckSum, &QCheckBox::clicked, this, &TCodeBarreForm::ckViewTextClick);
    connect(ckViewText, &QCheckBox::clicked, this, &TCodeBarreForm::ckViewTextClick);
    Variables = PushButton(kCodeBarreVariable, this, 192, 110, "Variables");
    DB = PushButton(kCodeBarreField, this, 192, 139, "DB");
    Expression = PushButton(kCodeBarreExpression, this, 192, 168, "Expression");
    bOk = PushButton(kDialogOk, this, 8, 199, "bOk");
    bOk->setDefault(true);
    Cancel = PushButton(kDialogCancel, this, 113, 199, "Cancel");
    connect(Variables, &QPushButton::clicked, this, &TCodeBarreForm::VariablesClick);
    connect(DB, &QPushButton::clicked, this, &TCodeBarreForm::DBClick);
    connect(Expression, &QPushButton::clicked, this, &TCodeBarreForm::ExpressionClick);
    connect(cbType, &QComboBox::currentIndexChanged, this, &TCodeBarreForm::cbTypeChange);
    connect(bOk, &QPushButton::clicked, this, &QDialog::accept);
    connect(Cancel, &QPushButton::clicked, this, &QDialog::reject);
    ckViewTextClick();
    cbTypeChange();
}

void TCodeBarreForm::Load(const TzvCodeBarreView& view)
{
    report_ = view.ParentReport;
    if (!view.Lines.empty()) M1->setText(ToQString(view.Lines.front()));
    cbType->setCurrentIndex(view.BarType < cbType->count() ? view.BarType : 0);
    ckCheckSum->setChecked(view.Checksum != 0);
    ckViewText->setChecked(view.ShowText != 0);
    ckShowCheckSumText->setChecked(view.ShowCheckSumText != 0);
    ckViewTextClick();
    Zoom->setValue(view.Modul);
    cbTypeChange();
    cbEcLevel->setCurrentIndex(view.EcLevel < cbEcLevel->count() ? view.EcLevel : 0);
}

void TCodeBarreForm::Store(TzvCodeBarreView& view) const
{
    view.Lines.assign(1, FromQString(M1->text()));
    view.Checksum = ckCheckSum->isChecked() ? 1 : 0;
    view.ShowText = ckViewText->isChecked() ? 1 : 0;
    view.BarType = static_cast<uint8_t>(cbType->currentIndex());
    view.ShowCheckSumText = ckShowCheckSumText->isChecked() ? 1 : 0;
    view.Modul = Zoom->value();
    view.EcLevel = cbEcLevel->count() > 0 ? static_cast<uint8_t>(cbEcLevel->currentIndex()) : 0;
}

void TCodeBarreForm::ShowEditor(TzvView* view)
{
    auto* barcode = dynamic_cast<TzvCodeBarreView*>(view);
    if (!barcode) return;
    Load(*barcode);
    if (exec() == QDialog::Accepted) Store(*barcode);
}

void TCodeBarreForm::ckViewTextClick()
{
    ckShowCheckSumText->setEnabled(ckCheckSum->isChecked() && ckViewText->isChecked());
}

void TCodeBarreForm::cbTypeChange()
{
    const int type = cbType->currentIndex();
    const bool matrix = IsMatrixBarcode(type);
    cbEcLevel->clear();
    for (const std::string& choice : ErrorCorrectionChoices(type)) cbEcLevel->addItem(ToQString(choice));
    cbEcLevel->setCurrentIndex(0);
    Options->setVisible(!matrix);
    Zoom->setEnabled(!matrix);  // a two-dimensional symbol takes its module size from the object
    Label4->setVisible(cbEcLevel->count() > 0);
    cbEcLevel->setVisible(cbEcLevel->count() > 0);
}

void TCodeBarreForm::insertText(const std::string& text)
{
    Ui().setClipboardText(std::string());
    if (text.empty()) return;
    Ui().setClipboardText(text);
    M1->insert(ToQString(Ui().clipboardText()));
}

void TCodeBarreForm::DBClick()
{
    TFieldsForm dialog(report_ ? report_->owner() : nullptr);
    if (dialog.exec() == QDialog::Accepted) insertText("[" + dialog.Result + "]");
    M1->setFocus();
}

void TCodeBarreForm::VariablesClick()
{
    TVarForm dialog(report_ ? report_->Variables : std::vector<std::string>{});
    const bool ok = dialog.exec() == QDialog::Accepted;
    insertText(ok && !dialog.Result.empty() ? "[" + dialog.Result + "]" : std::string());
    M1->setFocus();
}

void TCodeBarreForm::ExpressionClick()
{
    TExprEditor editor(report_);
    editor.setParent(this, editor.windowFlags());
    editor.SetExpression("");
    if (editor.exec() == QDialog::Accepted) insertText(editor.Expression());
}

QPixmap AddInButtonBitmap(const TzvAddInObjectInfo& info)
{
    // The library's bitmaps are compiled in as ":/NAME.bmp".
    return QPixmap(QStringLiteral(":/") + QString::fromLatin1(info.ButtonBitmap.c_str()) + QStringLiteral(".bmp"));
}

void RegisterCodeBarreEditor()
{
    SetAddInEditor("TzvCodeBarreView", [] { return std::unique_ptr<TzvObjEditorForm>(new TCodeBarreForm); });
}

}  // namespace zv
