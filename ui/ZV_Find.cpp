// The find dialog of the preview.
#include "ui/ZV_Find.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include "platform/qt/QtText.h"
#include "report/ZV_Const.h"

namespace zv {

TFindForm::TFindForm()
{
    setObjectName(QStringLiteral("FindForm"));
    setWindowTitle(ToQString(kFindCaption));
    setFixedSize(318, 167);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    FindLabel = new QLabel(ToQString(kFindLabel), this);
    FindLabel->move(8, 8);
    FindText = new QComboBox(this);
    FindText->setObjectName(QStringLiteral("FindText"));
    FindText->setEditable(true);
    FindText->setInsertPolicy(QComboBox::NoInsert);
    FindText->setGeometry(8, 24, 302, FindText->sizeHint().height());
    connect(FindText, &QComboBox::editTextChanged, this, [this] { FindTextChange(); });

    FindOptions = new QGroupBox(ToQString(kFindOptions), this);
    FindOptions->setGeometry(8, 48, 140, 81);
    // The options sit below the group titles, which take the first 16 pixels of the boxes.
    FindCase = new QCheckBox(ToQString(kFindCase), FindOptions);
    FindCase->move(8, 18);
    FindSub = new QCheckBox(ToQString(kFindSub), FindOptions);
    FindSub->move(8, 36);

    FindOrigin = new QGroupBox(ToQString(kFindOrigin), this);
    FindOrigin->setGeometry(152, 48, 156, 81);
    FindFirstPage = new QRadioButton(ToQString(kFindFirstPage), FindOrigin);
    FindCurrentPage = new QRadioButton(ToQString(kFindCurrentPage), FindOrigin);
    FindNext = new QRadioButton(ToQString(kFindNext), FindOrigin);
    FindPrevious = new QRadioButton(ToQString(kFindPrevious), FindOrigin);
    int y = 17;
    for (QRadioButton* b : {FindFirstPage, FindCurrentPage, FindNext, FindPrevious}) {
        b->setGeometry(8, y, b->sizeHint().width(), 15);
        y += 15;
    }

    OKBtn = new QPushButton(ToQString(kFindOk), this);
    OKBtn->setObjectName(QStringLiteral("OKBtn"));
    OKBtn->setGeometry(154, 136, 75, 25);
    OKBtn->setDefault(true);
    CancelBtn = new QPushButton(ToQString(kFindCancel), this);
    CancelBtn->setObjectName(QStringLiteral("CancelBtn"));
    CancelBtn->setGeometry(234, 136, 75, 25);
    connect(OKBtn, &QPushButton::clicked, this, &QDialog::accept);
    connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
}

void TFindForm::Load(const TzvFindDialogState& state)
{
    loading_ = true;
    FindText->clear();
    for (const std::string& h : state.History) FindText->addItem(ToQString(h));
    FindText->setEditText(ToQString(state.Text));
    FindCase->setChecked(state.MatchCase);
    FindSub->setChecked(state.PartOfWord);
    QRadioButton* origins[] = {FindFirstPage, FindCurrentPage, FindNext, FindPrevious};
    origins[state.Origin <= foPrevious ? state.Origin : uint8_t(foFirstPage)]->setChecked(true);
    FindNext->setEnabled(state.NextEnabled);
    FindPrevious->setEnabled(state.PreviousEnabled);
    loading_ = false;
}

void TFindForm::Store(TzvFindDialogState& state) const
{
    state.Text = FromQString(FindText->currentText());
    state.History.clear();
    for (int i = 0; i < FindText->count(); ++i) state.History.push_back(FromQString(FindText->itemText(i)));
    state.MatchCase = FindCase->isChecked();
    state.PartOfWord = FindSub->isChecked();
    state.Origin = FindCurrentPage->isChecked() ? foCurrentPage
                   : FindNext->isChecked()      ? foNext
                   : FindPrevious->isChecked()  ? foPrevious
                                                : foFirstPage;
    state.NextEnabled = FindNext->isEnabled();
    state.PreviousEnabled = FindPrevious->isEnabled();
}

void TFindForm::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    FindText->setFocus();
}

void TFindForm::FindTextChange()
{
    if (loading_) return;
    TzvFindDialogState state;
    Store(state);
    FindTextChanged(state);
    FindNext->setEnabled(state.NextEnabled);
    FindPrevious->setEnabled(state.PreviousEnabled);
    if (state.Origin == foFirstPage) FindFirstPage->setChecked(true);
}

bool RunFindDialog(QWidget* parent, TzvFindDialogState& state)
{
    TFindForm form;
    if (parent) form.setParent(parent, form.windowFlags());
    form.Load(state);
    const bool ok = form.exec() == QDialog::Accepted;
    form.Store(state);
    return ok;
}

}  // namespace zv
