// The barcode editor dialog: loading and storing the object, the option rule, the insert buttons.
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>
#include <QtTest>

#include "platform/device/UiServices.h"
#include "platform/qt/QtText.h"
#include "report/ZV_Barcode.h"
#include "report/ZV_CBar.h"
#include "report/ZV_Init.h"
#include "report/ZV_Report.h"
#include "tests/support/ModalHelper.h"
#include "ui/ZV_CBarForm.h"
#include "ui/ZV_Flds.h"

using namespace zv;

class TestCBarForm : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { InitReportLibrary(); }

    void everyAddInHasItsButtonBitmap()
    {
        QVERIFY(!AddInObjects().empty());
        for (const TzvAddInObjectInfo& info : AddInObjects()) {
            const QImage picture = AddInButtonBitmap(info).toImage();
            QVERIFY2(!picture.isNull(), info.ButtonBitmap.c_str());
            QCOMPARE(picture.size(), QSize(24, 24));
            // Bars: both black and white columns cross the middle row.
            int black = 0;
            for (int x = 0; x < 24; ++x) black += qGray(picture.pixel(x, 12)) < 128;
            QVERIFY(black > 4 && black < 20);
        }
    }

    void loadsAndStoresTheObjectOnOkOnly()
    {
        HeadlessUi headless;
        SetUi(&headless);
        TzvReport report;
        TzvCodeBarreView view(&report);
        view.Lines = {"123456789012"};
        view.BarType = 5;
        view.Modul = 3;
        view.Checksum = 1;
        view.ShowText = 0;

        TCodeBarreForm form;
        QCOMPARE(form.windowTitle(), QStringLiteral("Codice a barre"));
        QCOMPARE(form.cbType->count(), kAllBarcodeTypeCount);
        auto answered = zvtest::WhenModalOfClassShows<TCodeBarreForm>([](TCodeBarreForm* f) {
            f->M1->setCursorPosition(0);
            f->M1->insert(QStringLiteral("99"));
            f->Cancel->click();
        });
        form.ShowEditor(&view);
        QVERIFY(answered->seen());
        QCOMPARE(view.Lines, std::vector<std::string>{"123456789012"});  // Cancel changes nothing
        QCOMPARE(view.Modul, 3);

        bool optionEnabled = true;
        QString shownText;
        int shownType = -1, shownZoom = -1;
        answered = zvtest::WhenModalOfClassShows<TCodeBarreForm>([&](TCodeBarreForm* f) {
            shownText = f->M1->text();
            shownType = f->cbType->currentIndex();
            shownZoom = f->Zoom->value();
            optionEnabled = f->ckShowCheckSumText->isEnabled();  // the text is hidden
            f->ckViewText->click();
            f->ckShowCheckSumText->setChecked(true);
            f->cbType->setCurrentIndex(14);
            f->Zoom->setValue(12);  // beyond the up-down's maximum
            f->M1->setText(QStringLiteral("[BarCode]"));
            f->bOk->click();
        });
        TCodeBarreForm second;
        second.ShowEditor(&view);
        QVERIFY(answered->seen());
        QCOMPARE(shownText, QStringLiteral("123456789012"));
        QCOMPARE(shownType, 5);
        QCOMPARE(shownZoom, 3);
        QVERIFY(!optionEnabled);
        QCOMPARE(view.Lines, std::vector<std::string>{"[BarCode]"});
        QCOMPARE(view.BarType, uint8_t(14));
        QCOMPARE(view.Modul, 10);
        QCOMPARE(view.ShowText, uint8_t(1));
        QCOMPARE(view.ShowCheckSumText, uint8_t(1));
        SetUi(nullptr);
    }

    void errorCorrectionLevelReplacesTheOptionsForTwoDimensionalTypes()
    {
        struct Case {
            uint8_t type, level;
            int choices;          // 0: no level shown
            uint8_t storedLevel;  // after OK with the loaded level
        };
        // A level beyond the type's choices reads as the default; linear types store 0.
        for (const Case& c : {Case{bcQRCode, 4, 5, 4}, Case{bcPDF417, 12, 10, 0}, Case{bcDataMatrix, 3, 0, 0},
                              Case{bcCodeEAN13, 2, 0, 0}}) {
            TzvCodeBarreView view(nullptr);
            view.BarType = c.type;
            view.EcLevel = c.level;
            TCodeBarreForm form;
            form.Load(view);
            QCOMPARE(form.cbEcLevel->count(), c.choices);
            QCOMPARE(form.cbEcLevel->isVisibleTo(&form), c.choices > 0);
            QCOMPARE(form.Options->isVisibleTo(&form), c.type < kBarcodeTypeCount);
            QCOMPARE(form.Zoom->isEnabled(), c.type < kBarcodeTypeCount);
            form.Store(view);
            QCOMPARE(view.EcLevel, c.storedLevel);
        }
        // Choosing QR Code offers its four levels after the default.
        TCodeBarreForm form;
        form.cbType->setCurrentIndex(bcQRCode);
        QCOMPARE(form.cbEcLevel->itemText(4), QStringLiteral("H (30%)"));
        form.cbEcLevel->setCurrentIndex(3);
        TzvCodeBarreView view(nullptr);
        form.Store(view);
        QCOMPARE(view.BarType, uint8_t(bcQRCode));
        QCOMPARE(view.EcLevel, uint8_t(3));
    }

    void checkSumTextNeedsBothOtherOptions()
    {
        TCodeBarreForm form;
        form.ckCheckSum->setChecked(false);
        form.ckViewText->setChecked(false);
        form.ckViewTextClick();
        QVERIFY(!form.ckShowCheckSumText->isEnabled());
        form.ckCheckSum->click();
        QVERIFY(!form.ckShowCheckSumText->isEnabled());
        form.ckViewText->click();
        QVERIFY(form.ckShowCheckSumText->isEnabled());
        form.ckCheckSum->click();
        QVERIFY(!form.ckShowCheckSumText->isEnabled());
    }

    void insertButtonsPutReferencesAtTheCaret()
    {
        HeadlessUi headless;
        SetUi(&headless);
        TzvReport report;
        report.Variables = {"Totali", " Iva"};
        TzvCodeBarreView view(&report);
        TCodeBarreForm form;
        form.Load(view);
        form.M1->setText(QStringLiteral("AB"));
        form.M1->setCursorPosition(1);

        auto answered = zvtest::WhenModalOfClassShows<TVarForm>([](TVarForm* d) {
            d->Variables->setFocus();
            d->Variables->setCurrentRow(0);
            QTest::keyClick(d->Variables, Qt::Key_Return);
        });
        form.VariablesClick();
        QCOMPARE(form.M1->text(), QStringLiteral("A[Iva]B"));
        QCOMPARE(headless.clipboard, std::string("[Iva]"));

        // Cancelled: the clipboard is emptied and nothing is inserted.
        answered = zvtest::WhenModalOfClassShows<TVarForm>([](TVarForm* d) { d->reject(); });
        form.VariablesClick();
        QCOMPARE(form.M1->text(), QStringLiteral("A[Iva]B"));
        QVERIFY(headless.clipboard.empty());

        answered = zvtest::WhenModalOfClassShows<TFieldsForm>([](TFieldsForm* d) {
            const int other = d->ValCombo->findText(QStringLiteral("Altro"));
            d->ValCombo->setCurrentIndex(other);
            emit d->ValCombo->activated(other);
            QListWidgetItem* item = d->ValList->item(3);  // "Ora"
            QTest::mouseClick(d->ValList->viewport(), Qt::LeftButton, {}, d->ValList->visualItemRect(item).center());
        });
        form.M1->setCursorPosition(0);
        form.DBClick();
        QCOMPARE(form.M1->text(), QStringLiteral("[TIME]A[Iva]B"));
        SetUi(nullptr);
    }
};

QTEST_MAIN(TestCBarForm)
#include "test_CBarForm.moc"
