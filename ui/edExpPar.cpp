// The function-parameter dialog.
#include "ui/edExpPar.h"

#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <algorithm>

#include "platform/qt/QtText.h"
#include "report/ZV_Const.h"
#include "ui/edExpr.h"

namespace zv {

namespace {
constexpr int kWidth = 329, kPanelHeight = 65, kRowHeight = 29, kButtonsHeight = 33;
constexpr const char* kRowLabels[3] = {"<X>=", "<Y>=", "<Z>="};
}  // namespace

TedParamFct::TedParamFct(TzvReport* report, const std::string& syntax, const std::string& description) : report_(report)
{
    setObjectName(QStringLiteral("edParamFct"));
    setWindowTitle(ToQString(kParamEditorCaption));
    hlp1 = new QLabel(ToQString(syntax), this);
    hlp1->setObjectName(QStringLiteral("hlp1"));
    hlp1->setGeometry(8, 4, kWidth - 16, 16);
    Panel2 = new QWidget(this);
    Panel2->setObjectName(QStringLiteral("Panel2"));
    hlp2 = new QPlainTextEdit(ToQString(description), Panel2);
    hlp2->setObjectName(QStringLiteral("hlp2"));
    hlp2->setReadOnly(true);
    hlp2->setGeometry(8, 0, kWidth - 16, kPanelHeight - 6);
    paramCount_ = static_cast<int>(std::count(syntax.begin(), syntax.end(), '<'));
    const bool withDescription = !description.empty();
    Panel2->setVisible(withDescription);
    int y = 24;
    if (withDescription) {
        Panel2->setGeometry(0, y, kWidth, kPanelHeight);
        y += kPanelHeight;
    }
    for (int i = 0; i < 3; ++i) {
        pnP[i] = new QWidget(this);
        pnP[i]->setObjectName(QStringLiteral("pnP%1").arg(i + 1));
        new QLabel(QString::fromLatin1(kRowLabels[i]), pnP[i]);
        ed[i] = new QLineEdit(pnP[i]);
        ed[i]->setObjectName(QStringLiteral("ed%1").arg(QChar(u'X' + i)));
        ed[i]->setGeometry(40, 2, kWidth - 96, 22);
        more[i] = new QPushButton(QStringLiteral(" ..."), pnP[i]);
        more[i]->setGeometry(kWidth - 50, 2, 40, 22);
        more[i]->setAutoDefault(false);
        connect(ed[i], &QLineEdit::textChanged, this, &TedParamFct::updateOk);
        connect(more[i], &QPushButton::clicked, this, [this, i] { editRow(i); });
        const bool shown = paramCount_ > i;
        pnP[i]->setVisible(shown);
        if (shown) {
            pnP[i]->setGeometry(0, y, kWidth, kRowHeight);
            y += kRowHeight;
        }
    }
    OKBtn = new QPushButton(ToQString(kDialogOk), this);
    OKBtn->setObjectName(QStringLiteral("OKBtn"));
    OKBtn->setGeometry(kWidth - 166, y + 4, 75, 25);
    OKBtn->setDefault(true);
    CancelBtn = new QPushButton(ToQString(kDialogCancel), this);
    CancelBtn->setObjectName(QStringLiteral("CancelBtn"));
    CancelBtn->setGeometry(kWidth - 83, y + 4, 75, 25);
    connect(OKBtn, &QPushButton::clicked, this, &QDialog::accept);
    connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
    // The window is as high as its visible parts.
    setFixedSize(kWidth, y + kButtonsHeight);
    updateOk();
}

void TedParamFct::updateOk()
{
    const int empty = static_cast<int>(
        std::count_if(std::begin(ed), std::end(ed), [](const QLineEdit* e) { return e->text().isEmpty(); }));
    OKBtn->setEnabled(empty == 3 - std::min(paramCount_, 3));
}

void TedParamFct::editRow(int row)
{
    TExprEditor editor(report_);
    editor.SetExpression(FromQString(ed[row]->text()));
    if (editor.exec() == QDialog::Accepted) ed[row]->setText(ToQString(editor.Expression()));
    updateOk();
}

std::string TedParamFct::ParamText() const
{
    std::string text = FromQString(ed[0]->text());
    for (int i = 1; i < 3; ++i)
        if (!pnP[i]->isHidden()) text += "," + FromQString(ed[i]->text());
    return text;
}

}  // namespace zv
