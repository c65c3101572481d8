// The field and variable dialogs.
#include "ui/ZV_Flds.h"

#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>

#include "platform/qt/QtText.h"
#include "report/ZV_Const.h"
#include "report/ZV_Utils.h"

namespace zv {

namespace {

std::string& RememberedSource()
{
    static std::string name;
    return name;
}

// The frame both pickers share: a label over a drop-down list, a list, and the cancel button.
template <typename Form>
void BuildPicker(Form* form, const char* caption, const char* label, const char* comboName, const char* listName)
{
    form->setWindowTitle(ToQString(caption));
    form->setFixedSize(209, 257);
    form->Label1 = new QLabel(ToQString(label), form);
    form->Label1->move(8, 8);
    auto* combo = new QComboBox(form);
    combo->setObjectName(QString::fromLatin1(comboName));
    combo->setGeometry(8, 24, 193, combo->sizeHint().height());
    auto* list = new QListWidget(form);
    list->setObjectName(QString::fromLatin1(listName));
    list->setGeometry(8, 52, 193, 164);
    form->Button2 = new QPushButton(ToQString(kDialogCancel), form);
    form->Button2->setObjectName(QStringLiteral("Button2"));
    form->Button2->setGeometry(67, 224, 75, 25);
    form->Button2->setAutoDefault(false);
    QObject::connect(form->Button2, &QPushButton::clicked, form, &QDialog::reject);
}

}  // namespace

TFieldsForm::TFieldsForm(const Component* reportOwner) : reportOwner_(reportOwner)
{
    setObjectName(QStringLiteral("FieldsForm"));
    BuildPicker(this, kFieldsCaption, kFieldsLabel, "ValCombo", "ValList");
    ValCombo = findChild<QComboBox*>(QStringLiteral("ValCombo"));
    ValList = findChild<QListWidget*>(QStringLiteral("ValList"));
    connect(ValCombo, &QComboBox::activated, this, [this](int) {
        RememberedSource() = FromQString(ValCombo->currentText());
        fillList();
    });
    connect(ValList, &QListWidget::itemClicked, this, &TFieldsForm::itemClicked);
}

void TFieldsForm::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    ValCombo->clear();
    for (const std::string& source : DataChoiceSources(reportOwner_)) ValCombo->addItem(ToQString(source));
    const int remembered = ValCombo->findText(ToQString(RememberedSource()));
    ValCombo->setCurrentIndex(remembered >= 0 ? remembered : 0);
    fillList();
}

void TFieldsForm::fillList()
{
    ValList->clear();
    ValList->addItem(ToQString(kFieldsNone));
    for (const std::string& entry : DataChoiceEntries(reportOwner_, FromQString(ValCombo->currentText())))
        ValList->addItem(ToQString(entry));
}

void TFieldsForm::itemClicked(QListWidgetItem* item)
{
    const int row = ValList->row(item);
    if (row <= 0) {
        reject();
        return;
    }
    Result = DataChoiceReference(FromQString(ValCombo->currentText()), FromQString(item->text()));
    accept();
}

TVarForm::TVarForm(std::vector<std::string> variables) : variables_(std::move(variables))
{
    setObjectName(QStringLiteral("VarForm"));
    BuildPicker(this, kVarCaption, kVarLabel, "Categories", "Variables");
    Categories = findChild<QComboBox*>(QStringLiteral("Categories"));
    Variables = findChild<QListWidget*>(QStringLiteral("Variables"));
    connect(Categories, &QComboBox::currentIndexChanged, this, [this](int) { fillVariables(); });
    connect(Variables, &QListWidget::itemClicked, this, [this](QListWidgetItem*) { choose(); });
    connect(Variables, &QListWidget::itemActivated, this, [this](QListWidgetItem*) { choose(); });  // Enter
}

void TVarForm::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    Categories->clear();
    for (const std::string& c : VariableCategories(variables_)) Categories->addItem(ToQString(c));
    Categories->setCurrentIndex(Categories->count() > 0 ? 0 : -1);
    fillVariables();
}

void TVarForm::fillVariables()
{
    Variables->clear();
    for (const std::string& v : VariablesOfCategory(variables_, FromQString(Categories->currentText())))
        Variables->addItem(ToQString(v));
}

void TVarForm::choose()
{
    QListWidgetItem* item = Variables->currentItem();
    if (!item || result() == QDialog::Accepted) return;
    Result = FromQString(item->text());
    accept();
}

void TVarForm::keyPressEvent(QKeyEvent* event)
{
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && Variables->hasFocus()) {
        choose();
        return;
    }
    QDialog::keyPressEvent(event);  // Escape cancels
}

}  // namespace zv
