// The editing dialogs: picking a field or special value, a variable, and editing a format code;
// and every window of the library showing its texts whole at the font it is laid out for.
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QProcess>
#include <QtTest>
#include <memory>

#include "platform/base/Component.h"
#include "platform/data/ClientDataSet.h"
#include "platform/qt/QtFontMetrics.h"
#include "platform/qt/QtText.h"
#include "report/ZV_EMFPages.h"
#include "report/ZV_Format.h"
#include "report/ZV_Init.h"
#include "report/ZV_Memo.h"
#include "report/ZV_Preview.h"
#include "report/ZV_Report.h"
#include "report/ZV_Template.h"
#include "tests/support/ModalHelper.h"
#include "tests/support/TextFit.h"
#include "ui/ZV_CBarForm.h"
#include "ui/ZV_Find.h"
#include "ui/ZV_Flds.h"
#include "ui/ZV_InitUi.h"
#include "ui/ZV_Prev.h"
#include "ui/ZV_fmted.h"
#include "ui/ZV_progr.h"
#include "ui/edExpPar.h"
#include "ui/edExpr.h"

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
    void initTestCase()
    {
        InitReportLibrary();
        InitReportUi();
    }
    void cleanupTestCase() { DoneReportUi(); }

    // Every label, check box, radio button, button, drop-down list and group box of every library
    // window is as wide as its text needs at the window font. With ZV_SCREENSHOT_DIR set (the
    // screen test, on a real display), each window is also photographed there with ImageMagick.
    void everyWindowShowsItsTextsWhole()
    {
        const QString shots = qEnvironmentVariable("ZV_SCREENSHOT_DIR");
        Component owner;
        owner.setName("FormMain");
        ApplicationRegistry::instance().addForm(&owner);
        auto* table = new TClientDataSet(&owner);
        table->setName("ClientDataSet");
        table->addFieldDef("Cognome", ftString, 20);
        table->createDataSet();
        TzvReport report;
        for (int i = 0; i < 2; ++i) {
            TzvPage design;
            report.EMFPages.Add(design);
            report.EMFPages.FinishPage(i);
        }
        report.ModalPreview = false;
        report.ShowPreview();
        QPointer<QWidget> preview = dynamic_cast<TStandardPreview*>(OpenPreviews().back());
        QVERIFY(preview);
        auto fmt = std::make_unique<TFmtForm>();
        fmt->Code = MakeFormatCode(fcNumber, 1, 2, ',');  // the panel of decimals shown
        struct Window {
            const char* name;
            QWidget* widget;
        };
        std::vector<std::unique_ptr<QWidget>> keep;
        auto own = [&keep](QWidget* w) {
            keep.emplace_back(w);
            return w;
        };
        const Window windows[] = {
            {"Anteprima", preview.data()},
            {"Trova", own(new TFindForm)},
            {"Avanzamento", ProgressForm()},
            {"Esportazione", own(new TProgressFilterForm)},
            {"CodiceABarre", own(new TCodeBarreForm)},
            {"EditorEspressioni", own(new TExprEditor(&report))},
            {"EditorParametri", own(new TedParamFct(&report, "COPY(<X>,<Y>,<Z>)", "Copia una parte del testo"))},
            {"CampoDB", own(new TFieldsForm(&owner))},
            {"Variabili", own(new TVarForm({"Totali", " Imponibile"}))},
            {"FormattaVariabile", fmt.get()},
        };
        for (const Window& w : windows) {
            w.widget->show();
            QVERIFY(QTest::qWaitForWindowExposed(w.widget));
            QTest::qWait(50);
            QCOMPARE(w.widget->font(), WindowFont());
            const QStringList clipped = zvtest::ClippedTexts(w.widget);
            QVERIFY2(clipped.isEmpty(),
                     qPrintable(QString::fromLatin1(w.name) + QStringLiteral(":\n") + clipped.join('\n')));
            if (!shots.isEmpty()) {
                const QString file = QDir(shots).filePath(QString::fromLatin1(w.name) + QStringLiteral(".png"));
                QCOMPARE(QProcess::execute(QStringLiteral("import"),
                                           {QStringLiteral("-window"), QString::number(w.widget->winId()), file}),
                         0);
            }
            if (w.widget != preview) w.widget->hide();
        }
        preview->close();  // a preview is freed once closed
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        ApplicationRegistry::instance().remove(&owner);
    }

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

    void memoMenuOpensTheFormatDialogAfterStartUp()
    {
        TzvReport report;
        auto* memo = static_cast<TzvMemoView*>(report.Pages[0].Add(std::make_unique<TzvMemoView>(&report)));
        memo->FormatCode = MakeFormatCode(fcNumber, 1, 2, ',');
        memo->Selected = 1;
        TzvPopupMenu menu;
        memo->DefinePopupMenu(menu);
        auto answered = zvtest::WhenModalOfClassShows<TFmtForm>([](TFmtForm* dialog) {
            dialog->Edit3->selectAll();
            QTest::keyClicks(dialog->Edit3, QStringLiteral("4"));
            dialog->Button1->click();
        });
        menu.at(0).OnClick();
        QCOMPARE(FormatCodeDecimals(memo->FormatCode), uint8_t(4));
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
