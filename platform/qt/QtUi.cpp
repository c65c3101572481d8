// Message boxes through QMessageBox with the platform's flag values, and the other UI services.
#include "platform/qt/QtUi.h"

#include <QApplication>
#include <QClipboard>
#include <QMessageBox>

#include "platform/qt/QtText.h"

namespace zv {
namespace {

QMessageBox::Icon IconOf(uint32_t flags)
{
    switch (flags & 0xF0) {
    case MB_ICONERROR: return QMessageBox::Critical;
    case MB_ICONQUESTION: return QMessageBox::Question;
    case MB_ICONWARNING: return QMessageBox::Warning;
    case MB_ICONINFORMATION: return QMessageBox::Information;
    default: return QMessageBox::NoIcon;
    }
}

}  // namespace

int QtUi::messageBox(const std::string& text, const std::string& caption, uint32_t flags)
{
    // The library writes line breaks as "\n\r" or "\r"; Qt wants plain "\n".
    QString body = ToQString(text);
    body.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    body.replace(QStringLiteral("\n\r"), QStringLiteral("\n"));
    body.replace(QChar('\r'), QChar('\n'));
    QMessageBox box(IconOf(flags), ToQString(caption), body, QMessageBox::NoButton, QApplication::activeWindow());
    struct ButtonAnswer {
        QMessageBox::StandardButton button;
        int answer;
    };
    std::vector<ButtonAnswer> buttons;
    switch (flags & 0x0F) {
    case MB_OKCANCEL: buttons = {{QMessageBox::Ok, IDOK}, {QMessageBox::Cancel, IDCANCEL}}; break;
    case MB_YESNOCANCEL:
        buttons = {{QMessageBox::Yes, IDYES}, {QMessageBox::No, IDNO}, {QMessageBox::Cancel, IDCANCEL}};
        break;
    case MB_YESNO: buttons = {{QMessageBox::Yes, IDYES}, {QMessageBox::No, IDNO}}; break;
    default: buttons = {{QMessageBox::Ok, IDOK}}; break;
    }
    for (const ButtonAnswer& b : buttons) box.addButton(b.button);
    box.setDefaultButton(buttons.front().button);
    if (flags & MB_SYSTEMMODAL) box.setWindowModality(Qt::ApplicationModal);
    auto pressed = static_cast<QMessageBox::StandardButton>(box.exec());
    for (const ButtonAnswer& b : buttons)
        if (b.button == pressed) return b.answer;
    return (flags & 0x0F) == MB_OK ? IDOK : IDCANCEL;  // closed by the window frame
}

void QtUi::beep() { QApplication::beep(); }

void QtUi::processMessages() { QCoreApplication::processEvents(); }

void QtUi::setClipboardText(const std::string& text) { QGuiApplication::clipboard()->setText(ToQString(text)); }

std::string QtUi::clipboardText() { return FromQString(QGuiApplication::clipboard()->text()); }

}  // namespace zv
