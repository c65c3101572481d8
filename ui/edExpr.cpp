// The expression editor.
#include "ui/edExpr.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QStackedWidget>
#include <QTabBar>
#include <QTextCursor>
#include <QVBoxLayout>

#include "platform/qt/QtText.h"
#include "report/ZV_Const.h"
#include "report/ZV_Report.h"
#include "report/ZV_Resolver.h"
#include "report/ZV_Utils.h"
#include "ui/edExpPar.h"

namespace zv {

namespace {

constexpr const char* kMathOperators[] = {"+", "-", "*", "/", "MOD", "^", "DIV"};
constexpr const char* kLogicOperators[] = {"<", "=", ">", "<>", "<=", ">=", " NOT ", " OR ", " AND "};
constexpr const char* kBracketsSyntax = "(<X>)";

QPushButton* Button(const char* caption, QWidget* parent)
{
    auto* b = new QPushButton(ToQString(caption), parent);
    b->setAutoDefault(false);
    return b;
}

}  // namespace

TExprEditor::TExprEditor(TzvReport* report) : report_(report)
{
    setObjectName(QStringLiteral("ExprEditor"));
    setWindowTitle(ToQString(kExprEditorCaption));
    auto* root = new QVBoxLayout(this);
    auto* top = new QHBoxLayout;
    root->addLayout(top);

    // Constants and operators.
    auto* left = new QVBoxLayout;
    top->addLayout(left);
    auto* constants = new QGroupBox(ToQString(kExprConstants), this);
    auto* cl = new QHBoxLayout(constants);
    edConst = new QLineEdit(constants);
    edConst->setObjectName(QStringLiteral("edConst"));
    cbConstType = new QComboBox(constants);
    cbConstType->setObjectName(QStringLiteral("cbConstType"));
    cbConstType->addItem(ToQString(kExprConstText));
    cbConstType->addItem(ToQString(kExprConstNumber));
    auto* addConst = Button(kExprAdd, constants);
    addConst->setObjectName(QStringLiteral("BitBtn1"));
    cl->addWidget(edConst, 1);
    cl->addWidget(cbConstType);
    cl->addWidget(addConst);
    connect(addConst, &QPushButton::clicked, this, &TExprEditor::AddConstant);
    left->addWidget(constants);

    auto* operators = new QGroupBox(ToQString(kExprOperators), this);
    auto* ol = new QVBoxLayout(operators);
    tbOper = new QTabBar(operators);
    tbOper->setObjectName(QStringLiteral("tbOper"));
    tbOper->addTab(ToQString(kExprTabMath));
    tbOper->addTab(ToQString(kExprTabLogic));
    operPages = new QStackedWidget(operators);
    pnMath = new QWidget(operPages);
    pnMath->setObjectName(QStringLiteral("pnMath"));
    pnLogique = new QWidget(operPages);
    pnLogique->setObjectName(QStringLiteral("pnLogique"));
    auto fill = [this](QWidget* page, auto& captions) {
        auto* l = new QHBoxLayout(page);
        l->setSpacing(2);
        for (const char* c : captions) {
            auto* b = Button(c, page);
            b->setMinimumWidth(8);
            const QString caption = ToQString(c);
            connect(b, &QPushButton::clicked, this, [this, caption] { AddOperator(caption); });
            l->addWidget(b);
        }
    };
    fill(pnMath, kMathOperators);
    fill(pnLogique, kLogicOperators);
    operPages->addWidget(pnMath);
    operPages->addWidget(pnLogique);
    connect(tbOper, &QTabBar::currentChanged, operPages, &QStackedWidget::setCurrentIndex);
    Button14 = Button(kBracketsSyntax, operators);
    Button14->setObjectName(QStringLiteral("Button14"));
    connect(Button14, &QPushButton::clicked, this, &TExprEditor::AddBrackets);
    ol->addWidget(tbOper);
    ol->addWidget(operPages);
    ol->addWidget(Button14);
    left->addWidget(operators);

    // Variables, fields and special values.
    auto* data = new QGroupBox(ToQString(kExprData), this);
    auto* dl = new QVBoxLayout(data);
    rbVariables = new QRadioButton(ToQString(kExprVariables), data);
    rbData = new QRadioButton(ToQString(kExprDataItems), data);
    auto* group = new QButtonGroup(data);
    group->addButton(rbVariables);
    group->addButton(rbData);
    cbCatData = new QComboBox(data);
    cbCatData->setObjectName(QStringLiteral("cbCatData"));
    lbData = new QListWidget(data);
    lbData->setObjectName(QStringLiteral("lbData"));
    BitBtn7 = Button(kExprAdd, data);
    BitBtn7->setObjectName(QStringLiteral("BitBtn7"));
    auto* choice = new QHBoxLayout;
    choice->addWidget(rbVariables);
    choice->addWidget(rbData);
    dl->addLayout(choice);
    dl->addWidget(cbCatData);
    dl->addWidget(lbData, 1);
    dl->addWidget(BitBtn7);
    connect(rbVariables, &QRadioButton::toggled, this, [this] { fillDataCategories(); });
    connect(cbCatData, &QComboBox::currentIndexChanged, this, [this](int) { fillDataList(); });
    connect(BitBtn7, &QPushButton::clicked, this, &TExprEditor::AddData);
    top->addWidget(data, 1);

    // Functions, across the window: the names on the left as wide as the longest one, the syntax
    // and the description beside them, wrapped at word boundaries only.
    auto* functions = new QGroupBox(ToQString(kExprFunctions), this);
    auto* fl = new QHBoxLayout(functions);
    auto* names = new QVBoxLayout;
    cbCatFunction = new QComboBox(functions);
    cbCatFunction->setObjectName(QStringLiteral("cbCatFunction"));
    lbFunction = new QListWidget(functions);
    lbFunction->setObjectName(QStringLiteral("lbFunction"));
    lbFunction->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    names->addWidget(cbCatFunction);
    names->addWidget(lbFunction, 1);
    fl->addLayout(names);
    auto* help = new QVBoxLayout;
    HlpFct1 = new QLabel(functions);
    HlpFct1->setObjectName(QStringLiteral("HlpFct1"));
    moHlp2 = new QPlainTextEdit(functions);
    moHlp2->setObjectName(QStringLiteral("moHlp2"));
    moHlp2->setReadOnly(true);
    moHlp2->setWordWrapMode(QTextOption::WordWrap);
    baddFct = Button(kExprAdd, functions);
    baddFct->setObjectName(QStringLiteral("baddFct"));
    help->addWidget(HlpFct1);
    help->addWidget(moHlp2, 1);
    help->addWidget(baddFct, 0, Qt::AlignLeft);
    fl->addLayout(help, 1);
    connect(cbCatFunction, &QComboBox::currentIndexChanged, this, [this](int) { fillFunctions(); });
    connect(lbFunction, &QListWidget::currentRowChanged, this, [this](int) { showFunctionHelp(); });
    connect(baddFct, &QPushButton::clicked, this, &TExprEditor::AddFunction);
    root->addWidget(functions, 1);

    // The expression and the buttons.
    moExpres = new QPlainTextEdit(this);
    moExpres->setObjectName(QStringLiteral("moExpres"));
    moExpres->setMaximumHeight(70);
    root->addWidget(moExpres);
    auto* buttons = new QHBoxLayout;
    BUndo = Button(kExprUndo, this);
    BUndo->setObjectName(QStringLiteral("BUndo"));
    BUndo->setEnabled(false);
    BitBtn3 = Button(kExprClear, this);
    BitBtn3->setObjectName(QStringLiteral("BitBtn3"));
    BitBtn4 = Button(kDialogOk, this);
    BitBtn4->setObjectName(QStringLiteral("BitBtn4"));
    BitBtn5 = Button(kDialogCancel, this);
    BitBtn5->setObjectName(QStringLiteral("BitBtn5"));
    buttons->addWidget(BUndo);
    buttons->addWidget(BitBtn3);
    buttons->addStretch(1);
    buttons->addWidget(BitBtn4);
    buttons->addWidget(BitBtn5);
    root->addLayout(buttons);
    connect(BUndo, &QPushButton::clicked, this, &TExprEditor::Undo);
    connect(BitBtn3, &QPushButton::clicked, this, &TExprEditor::Clear);
    connect(BitBtn4, &QPushButton::clicked, this, &QDialog::accept);
    connect(BitBtn5, &QPushButton::clicked, this, &QDialog::reject);
    resize(640, 480);
}

std::string TExprEditor::Expression() const
{
    const QString text = moExpres->toPlainText();
    return FromQString(text.section(QLatin1Char('\n'), 0, 0));
}

void TExprEditor::SetExpression(const std::string& text)
{
    // The first line is the expression; lines after it stay as they are.
    const QString all = moExpres->toPlainText();
    const qsizetype nl = all.indexOf(QLatin1Char('\n'));
    moExpres->setPlainText(ToQString(text) + (nl >= 0 ? all.mid(nl) : QString()));
}

void TExprEditor::append()
{
    if (pending_.empty()) return;
    const std::string current = Expression();
    undo_.push_back(current);
    SetExpression(current + pending_);
    pending_.clear();
    BUndo->setEnabled(true);
}

void TExprEditor::AddConstant()
{
    const std::string text = FromQString(edConst->text());
    if (cbConstType->currentIndex() == 0) {
        // A text constant cannot hold its own quote.
        if (text.find('\'') == std::string::npos) pending_ = "'" + text + "'";
    } else {
        pending_ = text;
    }
    append();
    edConst->clear();
}

void TExprEditor::AddOperator(const QString& caption)
{
    pending_ = FromQString(caption);
    append();
}

void TExprEditor::addSyntax(const std::string& syntax, const std::string& description)
{
    const size_t open = syntax.find('(');
    if (open != std::string::npos && syntax.find("()") == std::string::npos) {
        TedParamFct params(report_, syntax, description);
        if (params.exec() != QDialog::Accepted) return;
        pending_ = syntax.substr(0, open + 1) + params.ParamText() + ")";
    } else {
        pending_ = syntax;
    }
    append();
}

void TExprEditor::AddFunction()
{
    QListWidgetItem* item = lbFunction->currentItem();
    if (!item) return;
    const TzvFunctionHelp help = FunctionHelp(FromQString(item->text()));
    addSyntax(help.Syntax.empty() ? FromQString(item->text()) : help.Syntax, help.Description);
}

void TExprEditor::AddBrackets() { addSyntax(kBracketsSyntax, ""); }

void TExprEditor::AddData()
{
    QListWidgetItem* item = lbData->currentItem();
    if (!item) return;
    const std::string name = FromQString(item->text());
    const std::string category = FromQString(cbCatData->currentText());
    pending_ = rbVariables->isChecked() ? "[" + name + "]" : DataChoiceReference(category, name);
    append();
}

void TExprEditor::Clear()
{
    undo_.push_back(Expression());
    SetExpression("");
    BUndo->setEnabled(true);
}

void TExprEditor::Undo()
{
    if (undo_.empty()) return;
    SetExpression(undo_.back());
    undo_.pop_back();
    BUndo->setEnabled(!undo_.empty());
}

void TExprEditor::fillFunctions()
{
    lbFunction->clear();
    for (const std::string& name : FunctionsInCategory(FromQString(cbCatFunction->currentText())))
        lbFunction->addItem(ToQString(name));
    if (lbFunction->count() > 0) lbFunction->setCurrentRow(0);
    showFunctionHelp();
}

void TExprEditor::showFunctionHelp()
{
    QListWidgetItem* item = lbFunction->currentItem();
    const TzvFunctionHelp help = item ? FunctionHelp(FromQString(item->text())) : TzvFunctionHelp{};
    HlpFct1->setText(ToQString(help.Syntax));
    moHlp2->setPlainText(ToQString(help.Description));
}

void TExprEditor::fillDataCategories()
{
    const QSignalBlocker block(cbCatData);
    cbCatData->clear();
    if (rbVariables->isChecked()) {
        if (report_)
            for (const std::string& c : VariableCategories(report_->Variables)) cbCatData->addItem(ToQString(c));
    } else {
        for (const std::string& source : DataChoiceSources(report_ ? report_->owner() : nullptr))
            cbCatData->addItem(ToQString(source));
    }
    cbCatData->setCurrentIndex(cbCatData->count() > 0 ? 0 : -1);
    fillDataList();
}

void TExprEditor::fillDataList()
{
    lbData->clear();
    const std::string category = FromQString(cbCatData->currentText());
    if (rbVariables->isChecked()) {
        if (report_)
            for (const std::string& v : VariablesOfCategory(report_->Variables, category))
                lbData->addItem(ToQString(v));
    } else {
        for (const std::string& entry : DataChoiceEntries(report_ ? report_->owner() : nullptr, category))
            lbData->addItem(ToQString(entry));
    }
    if (lbData->count() > 0) lbData->setCurrentRow(0);
}

void TExprEditor::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    cbConstType->setCurrentIndex(1);  // "Numerica"
    QTextCursor cursor = moExpres->textCursor();
    cursor.movePosition(QTextCursor::End);
    moExpres->setTextCursor(cursor);
    tbOper->setCurrentIndex(0);
    operPages->setCurrentIndex(0);
    rbVariables->setChecked(true);
    fillDataCategories();
    {
        const QSignalBlocker block(cbCatFunction);
        cbCatFunction->clear();
        for (const std::string& c : FunctionCategoryList()) cbCatFunction->addItem(ToQString(c));
        cbCatFunction->setCurrentIndex(0);
    }
    fillFunctions();
    // "Tutte" lists every function: the list is as wide as the longest name.
    lbFunction->setMinimumWidth(lbFunction->sizeHintForColumn(0) + 2 * lbFunction->frameWidth() +
                                lbFunction->verticalScrollBar()->sizeHint().width() + 4);
}

}  // namespace zv
