// The editing dialogs: picking a field or special value, a variable, and editing a format code.
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QtTest>
#include <memory>

#include "platform/ClientDataSet.h"
#include "platform/Component.h"
#include "platform/qt/QtText.h"
#include "report/ZV_Format.h"
#include "ui/ZV_Flds.h"
#include "ui/ZV_fmted.h"

using namespace zv;

namespace {

void ClickRow(QListWidget* list, int row)
{
    QListWidgetItem* item = list->item(row);
    QVERIFY(item);
    list->setCurrentItem(item);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(item).center());
}

QStringList Items(const QListWidget* list)
{
    QStringList out;
    for (int i = 0; i < list->count(); ++i) out << list->item(i)->text();
    return out;
}

}  // namespace

class TestDialogs : public QObject {
    Q_OBJECT
private slots:
    void fieldsFormGivesFieldReferencesAndSpecialNames()
    {
        Component form;
        form.setName("FormMain");
        ApplicationRegistry::instance().addForm(&form);
        auto* table = new TClientDataSet(&form);
        table->setName("ClientDataSet");
        table->addFieldDef("Cognome", ftString, 20);
        table->addFieldDef("Nome", ftString, 20);
        table->createDataSet();

        TFieldsForm dialog(&form);
        dialog.show();
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Inserisci campo DB"));
        QCOMPARE(dialog.ValCombo->count(), 2);
        QCOMPARE(dialog.ValCombo->itemText(1), QStringLiteral("Altro"));
        QCOMPARE(Items(dialog.ValList), (QStringList{"[Nessuno]", "Cognome", "Nome"}));
        ClickRow(dialog.ValList, 2);
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(dialog.Result, std::string("ClientDataSet.\"Nome\""));

        // "Altro" lists the special values; the choice is remembered for the next dialog.
        TFieldsForm other(&form);
        other.show();
        other.ValCombo->setCurrentIndex(1);
        emit other.ValCombo->activated(1);
        QCOMPARE(other.ValList->count(), 9);
        QCOMPARE(other.ValList->item(3)->text(), ToQString("Ora"));
        ClickRow(other.ValList, 3);
        QCOMPARE(other.Result, std::string("TIME"));
        QCOMPARE(FromQString(other.ValList->item(1)->text()), std::string("N\xB0 pagina"));

        TFieldsForm third(&form);
        third.show();
        QCOMPARE(third.ValCombo->currentText(), QStringLiteral("Altro"));
        ClickRow(third.ValList, 0);  // "[Nessuno]" cancels
        QCOMPARE(third.result(), int(QDialog::Rejected));
        QVERIFY(third.Result.empty());
        ApplicationRegistry::instance().remove(&form);
    }

    void varFormPicksAVariableOfACategory()
    {
        TVarForm dialog({"Totali", " Imponibile", " Iva", "Cliente", " Nome"});
        dialog.show();
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Variabili"));
        QCOMPARE(dialog.Categories->count(), 2);
        QCOMPARE(Items(dialog.Variables), (QStringList{"Imponibile", "Iva"}));
        dialog.Categories->setCurrentIndex(1);
        QCOMPARE(Items(dialog.Variables), (QStringList{"Nome"}));
        dialog.Variables->setFocus();
        dialog.Variables->setCurrentRow(0);
        QTest::keyClick(dialog.Variables, Qt::Key_Return);
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(dialog.Result, std::string("Nome"));

        TVarForm cancelled({"Totali", " Iva"});
        cancelled.show();
        QTest::keyClick(&cancelled, Qt::Key_Escape);
        QCOMPARE(cancelled.result(), int(QDialog::Rejected));
    }

    void fmtFormEditsTheFormatCode()
    {
        TFmtForm dialog;
        dialog.Code = MakeFormatCode(fcNumber, 1, 2, ',');
        dialog.show();
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Formatta variabile"));
        QCOMPARE(dialog.ComboBox1->currentText(), QStringLiteral("Numero"));
        QCOMPARE(dialog.ComboBox2->currentText(), QStringLiteral("1234,50"));
        QVERIFY(dialog.Panel1->isVisible());
        QVERIFY(!dialog.Panel2->isVisible());
        QCOMPARE(dialog.Edit3->text(), QStringLiteral("2"));
        QCOMPARE(dialog.SplEdit->text(), QStringLiteral(","));

        // Typing decimals and emptying the separator write into the code.
        dialog.Edit3->selectAll();
        QTest::keyClicks(dialog.Edit3, QStringLiteral("3"));
        QCOMPARE(FormatCodeDecimals(dialog.Code), uint8_t(3));
        dialog.SplEdit->selectAll();
        QTest::keyClick(dialog.SplEdit, Qt::Key_Backspace);
        QCOMPARE(FormatCodeSeparator(dialog.Code), ',');
        QTest::keyClicks(dialog.SplEdit, QStringLiteral("."));
        QCOMPARE(FormatCodeSeparator(dialog.Code), '.');

        // The custom style shows the format text instead of the number panel.
        dialog.ComboBox2->setCurrentIndex(4);
        QCOMPARE(FormatCodeStyle(dialog.Code), uint8_t(4));
        QVERIFY(dialog.Panel2->isVisible());
        QVERIFY(!dialog.Panel1->isVisible());
        QTest::keyClicks(dialog.Edit1, QStringLiteral("#,##0"));
        QCOMPARE(dialog.FormatText(), std::string("#,##0"));

        // Another category starts from its first style and clears the format text.
        dialog.ComboBox1->setCurrentIndex(fcDate);
        QCOMPARE(FormatCodeCategory(dialog.Code), uint8_t(fcDate));
        QCOMPARE(FormatCodeStyle(dialog.Code), uint8_t(0));
        QCOMPARE(dialog.ComboBox2->currentText(), QStringLiteral("05/11/98"));
        QVERIFY(!dialog.Panel1->isVisible());
        QVERIFY(!dialog.Panel2->isVisible());
        QVERIFY(dialog.FormatText().empty());
        QCOMPARE(FormatCodeDecimals(dialog.Code), uint8_t(3));  // other bits stay

        dialog.ComboBox1->setCurrentIndex(fcBoolean);
        QCOMPARE(dialog.ComboBox2->count(), 3);  // only the named styles
    }
};

QTEST_MAIN(TestDialogs)
#include "test_Dialogs.moc"
