// The expression editor: builds an expression by appending constants, operators, functions,
// variables, fields and special values.
#pragma once

#include <QDialog>
#include <string>
#include <vector>

class QButtonGroup;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QStackedWidget;
class QTabBar;

namespace zv {

class TzvReport;

// "Editor di espressioni". The caller puts the starting text into moExpres and reads its first
// line back after OK (Expression()).
class TExprEditor : public QDialog {
    Q_OBJECT
public:
    explicit TExprEditor(TzvReport* report);

    std::string Expression() const;  // the first line of moExpres
    void SetExpression(const std::string& text);

    // The pieces, as the buttons add them.
    void AddConstant();
    void AddOperator(const QString& caption);
    void AddFunction();
    void AddBrackets();  // "(<X>)"
    void AddData();
    void Clear();  // "Elimina"
    void Undo();   // "Ripristina"

    QLineEdit* edConst = nullptr;
    QComboBox* cbConstType = nullptr;
    QTabBar* tbOper = nullptr;
    QStackedWidget* operPages = nullptr;  // pnMath, pnLogique
    QWidget *pnMath = nullptr, *pnLogique = nullptr;
    QPushButton* Button14 = nullptr;
    QComboBox* cbCatFunction = nullptr;
    QListWidget* lbFunction = nullptr;
    QLabel* HlpFct1 = nullptr;
    QPlainTextEdit* moHlp2 = nullptr;
    QPushButton* baddFct = nullptr;
    QRadioButton *rbVariables = nullptr, *rbData = nullptr;  // rbVarOrData
    QComboBox* cbCatData = nullptr;
    QListWidget* lbData = nullptr;
    QPushButton* BitBtn7 = nullptr;
    QPlainTextEdit* moExpres = nullptr;
    QPushButton *BUndo = nullptr, *BitBtn3 = nullptr, *BitBtn4 = nullptr, *BitBtn5 = nullptr;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void append();
    void addSyntax(const std::string& syntax, const std::string& description);
    void fillFunctions();
    void showFunctionHelp();
    void fillDataCategories();
    void fillDataList();
    std::string pending_;
    std::vector<std::string> undo_;
    TzvReport* report_;
};

}  // namespace zv
