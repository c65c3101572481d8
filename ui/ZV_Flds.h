// The dialogs that pick a data field or a special value, and a report variable.
#pragma once

#include <QDialog>
#include <string>
#include <vector>

class QComboBox;
class QLabel;
class QListWidget;
class QListWidgetItem;
class QPushButton;

namespace zv {

class Component;

// "Inserisci campo DB": a data source, then a click on one of its fields (or on a special value
// under "Altro") gives the reference; "[Nessuno]" cancels. The last data source chosen is
// remembered for the next use.
class TFieldsForm : public QDialog {
    Q_OBJECT
public:
    // reportOwner: the component owning the report; its datasets are named without owner.
    explicit TFieldsForm(const Component* reportOwner);

    std::string Result;  // after OK: Source."Field", or the special value's name

    QLabel* Label1 = nullptr;
    QComboBox* ValCombo = nullptr;
    QListWidget* ValList = nullptr;
    QPushButton* Button2 = nullptr;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void fillList();
    void itemClicked(QListWidgetItem* item);
    const Component* reportOwner_;
};

// "Variabili": a category of the report's variable list, then one of its variables.
class TVarForm : public QDialog {
    Q_OBJECT
public:
    explicit TVarForm(std::vector<std::string> variables);

    std::string Result;  // after OK: the variable's name

    QLabel* Label1 = nullptr;
    QComboBox* Categories = nullptr;
    QListWidget* Variables = nullptr;
    QPushButton* Button2 = nullptr;

protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void fillVariables();
    void choose();
    std::vector<std::string> variables_;
};

}  // namespace zv
