// The expression editor and its parameter dialog: the pieces they append, undo, the enable rule.
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTextDocument>
#include <QtTest>

#include "platform/qt/QtText.h"
#include "report/ZV_Report.h"
#include "tests/support/ModalHelper.h"
#include "tests/support/TextFit.h"
#include "ui/edExpPar.h"
#include "ui/edExpr.h"

using namespace zv;

namespace {

// Answers the next parameter dialog with these texts, one per shown row, then OK; keep the
// watcher while the dialog is due.
[[nodiscard]] std::unique_ptr<zvtest::ModalWatch> AnswerParams(
    QStringList texts, bool* okWasEnabledEarly = nullptr, std::source_location where = std::source_location::current())
{
    return zvtest::WhenModalOfClassShows<TedParamFct>(
        [texts, okWasEnabledEarly](TedParamFct* d) {
            if (okWasEnabledEarly) *okWasEnabledEarly = d->OKBtn->isEnabled();
            for (int i = 0; i < texts.size(); ++i) d->ed[i]->setText(texts[i]);
            d->OKBtn->click();
        },
        where);
}

void SelectFunction(TExprEditor& e, const QString& name)
{
    const QList<QListWidgetItem*> found = e.lbFunction->findItems(name, Qt::MatchExactly);
    QVERIFY(!found.isEmpty());
    e.lbFunction->setCurrentItem(found.first());
}

}  // namespace

class TestExprEditor : public QObject {
    Q_OBJECT
private slots:
    // Every function's name, syntax and description read whole: the names fit the list without a
    // horizontal scroll bar, no word of a description is wider than its box (none is broken).
    void functionNamesAndDescriptionsReadWhole()
    {
        TzvReport report;
        TExprEditor e(&report);
        e.show();
        QVERIFY(QTest::qWaitForWindowExposed(&e));
        QCOMPARE(e.cbCatFunction->currentIndex(), 0);  // "Tutte"
        QVERIFY(e.lbFunction->count() >= 43);
        const QFontMetrics listFm(e.lbFunction->font());
        const QFontMetrics helpFm(e.moHlp2->font());
        const int textWidth =
            e.moHlp2->viewport()->width() - 2 * static_cast<int>(e.moHlp2->document()->documentMargin());
        for (int i = 0; i < e.lbFunction->count(); ++i) {
            e.lbFunction->setCurrentRow(i);
            const QString name = e.lbFunction->item(i)->text();
            QVERIFY2(listFm.horizontalAdvance(name) + 4 <= e.lbFunction->viewport()->width(), qPrintable(name));
            const QStringList clipped = zvtest::ClippedTexts(&e);  // the syntax label among them
            QVERIFY2(clipped.isEmpty(), qPrintable(clipped.join('\n')));
            for (const QString& word :
                 e.moHlp2->toPlainText().split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts))
                QVERIFY2(helpFm.horizontalAdvance(word) <= textWidth, qPrintable(name + QStringLiteral(": ") + word));
        }
        QCOMPARE(e.lbFunction->horizontalScrollBar()->maximum(), 0);
    }

    void constantsAndOperatorsAreAppended()
    {
        TzvReport report;
        TExprEditor e(&report);
        e.show();
        QCOMPARE(e.windowTitle(), QStringLiteral("Editor di espressioni"));
        QCOMPARE(e.cbConstType->currentText(), QStringLiteral("Numerica"));
        e.edConst->setText(QStringLiteral("12.5"));
        e.AddConstant();
        QCOMPARE(e.Expression(), std::string("12.5"));
        QVERIFY(e.edConst->text().isEmpty());
        e.AddOperator(QStringLiteral(" AND "));
        e.cbConstType->setCurrentIndex(0);  // "Testo"
        e.edConst->setText(QStringLiteral("It's"));
        e.AddConstant();  // a quote inside a text constant: nothing is added
        QCOMPARE(e.Expression(), std::string("12.5 AND "));
        e.edConst->setText(QStringLiteral("abc"));
        e.AddConstant();
        QCOMPARE(e.Expression(), std::string("12.5 AND 'abc'"));

        // "Elimina" then "Ripristina" brings it back; undoing everything disables the button.
        e.Clear();
        QCOMPARE(e.Expression(), std::string());
        e.Undo();
        QCOMPARE(e.Expression(), std::string("12.5 AND 'abc'"));
        QVERIFY(e.BUndo->isEnabled());
        e.Undo();
        e.Undo();
        QCOMPARE(e.Expression(), std::string("12.5"));
        e.Undo();
        QCOMPARE(e.Expression(), std::string());
        QVERIFY(!e.BUndo->isEnabled());
    }

    void functionsTakeTheirParametersFromTheDialog()
    {
        TzvReport report;
        TExprEditor e(&report);
        e.show();
        QCOMPARE(e.cbCatFunction->itemText(0), QStringLiteral("Tutte"));
        SelectFunction(e, QStringLiteral("SUM"));
        QCOMPARE(e.HlpFct1->text(), QStringLiteral("SUM(<X>)"));
        QVERIFY(!e.moHlp2->toPlainText().isEmpty());
        auto answered = AnswerParams({QStringLiteral("[Totale]")});
        e.AddFunction();
        QCOMPARE(e.Expression(), std::string("SUM([Totale])"));

        e.Clear();
        SelectFunction(e, QStringLiteral("COPY"));
        bool okEarly = true;
        answered = AnswerParams({QStringLiteral("'abc'"), QStringLiteral("2"), QStringLiteral("1")}, &okEarly);
        e.AddFunction();
        QCOMPARE(e.Expression(), std::string("COPY('abc',2,1)"));
        QVERIFY(!okEarly);  // OK waits for the parameters

        e.Clear();
        SelectFunction(e, QStringLiteral("PI"));
        e.AddFunction();  // no parameters, no dialog
        QCOMPARE(e.Expression(), std::string("PI"));

        answered = AnswerParams({QStringLiteral("1+2")});
        e.AddBrackets();
        QCOMPARE(e.Expression(), std::string("PI(1+2)"));
    }

    void parameterDialogShowsOneRowPerParameter()
    {
        TedParamFct three(nullptr, "COPY(<X>,<Y>,<Z>)", "");
        QVERIFY(three.Panel2->isHidden());  // no description
        three.ed[0]->setText(QStringLiteral("'abc'"));
        three.ed[1]->setText(QStringLiteral("2"));
        QVERIFY(!three.OKBtn->isEnabled());  // two of three filled
        three.ed[2]->setText(QStringLiteral("1"));
        QVERIFY(three.OKBtn->isEnabled());
        QCOMPARE(three.ParamText(), std::string("'abc',2,1"));

        TedParamFct one(nullptr, "ABS(<X>)", "Il valore assoluto");
        QVERIFY(!one.Panel2->isHidden());
        QVERIFY(one.pnP[1]->isHidden() && one.pnP[2]->isHidden());
        QVERIFY(one.height() < three.height() + 65);
        one.ed[0]->setText(QStringLiteral("-3"));
        QCOMPARE(one.ParamText(), std::string("-3"));
    }

    void variablesAndSpecialValues()
    {
        TzvReport report;
        report.Variables = {"Totali", " Imponibile", " Iva"};
        TExprEditor e(&report);
        e.show();
        QVERIFY(e.rbVariables->isChecked());
        QCOMPARE(e.cbCatData->currentText(), QStringLiteral("Totali"));
        e.lbData->setCurrentRow(1);
        e.AddData();
        QCOMPARE(e.Expression(), std::string("[Iva]"));

        e.rbData->setChecked(true);
        e.cbCatData->setCurrentIndex(e.cbCatData->findText(QStringLiteral("Altro")));
        QCOMPARE(e.lbData->count(), 8);
        e.lbData->setCurrentRow(7);
        e.AddData();
        QCOMPARE(e.Expression(), std::string("[Iva]TOTALPAGES"));
    }
};

QTEST_MAIN(TestExprEditor)
#include "test_ExprEditor.moc"
