// User-interface services the library asks for: message boxes, beep, pending messages, clipboard.
#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <vector>

namespace zv {

// Message box flags and answers, with the values the platform uses.
constexpr uint32_t MB_OK = 0x0, MB_OKCANCEL = 0x1, MB_YESNOCANCEL = 0x3, MB_YESNO = 0x4, MB_ICONERROR = 0x10,
                   MB_ICONQUESTION = 0x20, MB_ICONWARNING = 0x30, MB_ICONINFORMATION = 0x40, MB_SYSTEMMODAL = 0x1000;
constexpr int IDOK = 1, IDCANCEL = 2, IDYES = 6, IDNO = 7;

class UiServices {
public:
    virtual ~UiServices() = default;
    // Shows a modal message box (Windows-1252 texts) and returns the button pressed.
    virtual int messageBox(const std::string& text, const std::string& caption, uint32_t flags) = 0;
    virtual void beep() = 0;
    // Processes pending window messages so windows repaint and cancel buttons work.
    virtual void processMessages() = 0;
    virtual void setClipboardText(const std::string& text) = 0;
    virtual std::string clipboardText() = 0;
};

// The headless implementation: records every message box; answers from a queue of prepared
// answers, or with the first button of the box (IDOK, IDYES) when the queue is empty.
class HeadlessUi : public UiServices {
public:
    struct Message {
        std::string text, caption;
        uint32_t flags;
    };
    int messageBox(const std::string& text, const std::string& caption, uint32_t flags) override;
    void beep() override { ++beeps; }
    void processMessages() override { ++messagePumps; }
    void setClipboardText(const std::string& text) override { clipboard = text; }
    std::string clipboardText() override { return clipboard; }

    std::vector<Message> messages;
    std::deque<int> answers;
    int beeps = 0;
    int messagePumps = 0;
    std::string clipboard;
};

// The process-wide services. Starts as a HeadlessUi; the program installs the Qt one.
UiServices& Ui();
void SetUi(UiServices* ui);  // nullptr restores the headless default
HeadlessUi& DefaultHeadlessUi();

}  // namespace zv
