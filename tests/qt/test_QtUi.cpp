// Real message boxes: texts, captions, icons and the answer for each button set.
#include <QtTest>

#include "platform/qt/QtText.h"
#include "platform/qt/QtUi.h"
#include "tests/qt/ModalHelper.h"

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
