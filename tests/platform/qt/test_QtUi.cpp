// Real message boxes: texts, captions, icons and the answer for each button set.
#include <QFileDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QtTest>

#include "platform/qt/QtText.h"
#include "platform/qt/QtUi.h"
#include "tests/support/ModalHelper.h"
#include "ui/ZV_InitUi.h"

class TestQtUi : public QObject {
    Q_OBJECT
private slots:
    void textsCrossTheBoundaryUnchanged()
    {
        std::string all;
        for (int c = 1; c < 256; ++c) all += static_cast<char>(c);
        QCOMPARE(zv::FromQString(zv::ToQString(all)), all);
        QCOMPARE(zv::ToQString("Pi\xE8 di pagina"), QString::fromUtf8("Pi\xC3\xA8 di pagina"));
        QCOMPARE(zv::ToQString("\x80"), QString(QChar(0x20AC)));
    }

    // Qt's own dialogs speak Italian once the library's start-up has loaded Qt's translations.
    void qtDialogsSpeakItalian()
    {
        QVERIFY(zv::LoadQtTranslations());
        QFileDialog files;
        files.setOption(QFileDialog::DontUseNativeDialog);
        files.show();
        QVERIFY(QTest::qWaitForWindowExposed(&files));
        struct Case {
            const char* label;
            QString italian;
        } cases[] = {
            {"lookInLabel", QString::fromUtf8("Cerca in:")},
            {"fileTypeLabel", QString::fromUtf8("File di tipo:")},
        };
        for (const Case& c : cases) {
            auto* label = files.findChild<QLabel*>(QString::fromLatin1(c.label));
            QVERIFY2(label, c.label);
            QCOMPARE(label->text(), c.italian);
        }
        QMessageBox box(QMessageBox::Question, QStringLiteral("Domanda"), QStringLiteral("?"),
                        QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        QCOMPARE(box.button(QMessageBox::Yes)->text(), QString::fromUtf8("&S\u00ec"));
        QCOMPARE(box.button(QMessageBox::Cancel)->text(), QStringLiteral("Annulla"));
    }

    void errorBoxShowsTextCaptionAndIcon()
    {
        zv::QtUi ui;
        zvtest::SeenBox seen;
        auto answered = zvtest::ClickMessageBoxButton(QMessageBox::Ok, &seen);
        int answer = ui.messageBox("Riga uno\n\rRiga due \xE8", "Errore", zv::MB_ICONERROR);
        QCOMPARE(answer, zv::IDOK);
        QCOMPARE(seen.title, QStringLiteral("Errore"));
        QCOMPARE(seen.text, QString::fromUtf8("Riga uno\nRiga due \xC3\xA8"));
        QCOMPARE(seen.icon, QMessageBox::Critical);
        QCOMPARE(seen.buttons.size(), 1);
    }

    void yesNoBoxAnswersTheButtonPressed()
    {
        zv::QtUi ui;
        zvtest::SeenBox seen;
        auto answered = zvtest::ClickMessageBoxButton(QMessageBox::No, &seen);
        QCOMPARE(ui.messageBox("Delete record?", "Confirm", zv::MB_YESNO | zv::MB_ICONQUESTION), zv::IDNO);
        QCOMPARE(seen.icon, QMessageBox::Question);
        QCOMPARE(seen.buttons.size(), 2);
        answered = zvtest::ClickMessageBoxButton(QMessageBox::Yes);
        QCOMPARE(ui.messageBox("Delete record?", "Confirm", zv::MB_YESNO), zv::IDYES);
        answered = zvtest::ClickMessageBoxButton(QMessageBox::Cancel);
        QCOMPARE(ui.messageBox("?", "", zv::MB_OKCANCEL | zv::MB_ICONWARNING), zv::IDCANCEL);
    }

    void clipboardRoundTrip()
    {
        zv::QtUi ui;
        ui.setClipboardText("caff\xE8");
        QCOMPARE(ui.clipboardText(), std::string("caff\xE8"));
    }
};

QTEST_MAIN(TestQtUi)
#include "test_QtUi.moc"
