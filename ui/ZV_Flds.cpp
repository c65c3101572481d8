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

// The special values offered under "Altro", skipping the free expression.
std::vector<int> SpecialValueIndexes()
{
    std::vector<int> out;
    for (int i = 0; i < static_cast<int>(kSpecialVarNames.size()); ++i)
        if (i != kSpecialVarExpression) out.push_back(i);
    return out;
}

}  // namespace

TFieldsForm::TFieldsForm(const Component* reportOwner) : reportOwner_(reportOwner)
{
    setObjectName(QStringLiteral("FieldsForm"));
    setWindowTitle(ToQString(kFieldsCaption));
    setFixedSize(209, 257);
    Label1 = new QLabel(ToQString(kFieldsLabel), this);
    Label1->move(8, 8);
    ValCombo = new QComboBox(this);
    ValCombo->setObjectName(QStringLiteral("ValCombo"));
    ValCombo->setGeometry(8, 24, 193, ValCombo->sizeHint().height());
    ValList = new QListWidget(this);
    ValList->setObjectName(QStringLiteral("ValList"));
    ValList->setGeometry(8, 52, 193, 164);
    Button2 = new QPushButton(ToQString(kDialogCancel), this);
    Button2->setObjectName(QStringLiteral("Button2"));
    Button2->setGeometry(67, 224, 75, 25);
    connect(Button2, &QPushButton::clicked, this, &QDialog::reject);
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
    for (const auto& entry : ListDataSets(reportOwner_)) ValCombo->addItem(ToQString(entry.first));
    ValCombo->addItem(ToQString(kFieldsOther));
    const int remembered = ValCombo->findText(ToQString(RememberedSource()));
    ValCombo->setCurrentIndex(remembered >= 0 ? remembered : 0);
    fillList();
}

void TFieldsForm::fillList()
{
    ValList->clear();
    ValList->addItem(ToQString(kFieldsNone));
    const std::string source = FromQString(ValCombo->currentText());
    if (source == kFieldsOther) {
        for (int i : SpecialValueIndexes()) ValList->addItem(ToQString(kSpecialVarNames[static_cast<size_t>(i)]));
        return;
    }
    for (const auto& [name, dataSet] : ListDataSets(reportOwner_))
        if (name == source)
            for (const std::string& field : DataSetFieldNames(dataSet)) ValList->addItem(ToQString(field));
}

void TFieldsForm::itemClicked(QListWidgetItem* item)
{
    const int row = ValList->row(item);
    if (row <= 0) {
        reject();
        return;
    }
    const std::string source = FromQString(ValCombo->currentText());
    if (source == kFieldsOther) {
        const std::vector<int> specials = SpecialValueIndexes();
        Result = kSpecialVarInternal[static_cast<size_t>(specials.at(static_cast<size_t>(row - 1)))];
    } else {
        Result = source + ".\"" + FromQString(item->text()) + "\"";
    }
    accept();
}

TVarForm::TVarForm(std::vector<std::string> variables) : variables_(std::move(variables))
{
    setObjectName(QStringLiteral("VarForm"));
    setWindowTitle(ToQString(kVarCaption));
    setFixedSize(209, 257);
    Label1 = new QLabel(ToQString(kVarLabel), this);
    Label1->move(8, 8);
    Categories = new QComboBox(this);
    Categories->setObjectName(QStringLiteral("Categories"));
    Categories->setGeometry(8, 24, 193, Categories->sizeHint().height());
    Variables = new QListWidget(this);
    Variables->setObjectName(QStringLiteral("Variables"));
    Variables->setGeometry(8, 52, 193, 164);
    Button2 = new QPushButton(ToQString(kDialogCancel), this);
    Button2->setObjectName(QStringLiteral("Button2"));
    Button2->setGeometry(67, 224, 75, 25);
    Button2->setAutoDefault(false);
    connect(Button2, &QPushButton::clicked, this, &QDialog::reject);
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
