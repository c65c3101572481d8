// User-interface services: the headless implementation and the process-wide instance.
#include "platform/device/UiServices.h"

namespace zv {
namespace {

constexpr uint32_t kButtonMask = 0xF;
constexpr uint32_t kAbortRetryIgnore = 0x2, kRetryCancel = 0x5;
constexpr int kIdAbort = 3, kIdRetry = 4;

UiServices* gUi = nullptr;

}  // namespace

int HeadlessUi::messageBox(const std::string& text, const std::string& caption, uint32_t flags)
{
    messages.push_back(Message{text, caption, flags});
    if (!answers.empty()) {
        int a = answers.front();
        answers.pop_front();
        return a;
    }
    // Without a prepared answer the first button of the box is pressed.
    switch (flags & kButtonMask) {
    case MB_YESNO:
    case MB_YESNOCANCEL: return IDYES;
    case kAbortRetryIgnore: return kIdAbort;
    case kRetryCancel: return kIdRetry;
    default: return IDOK;
    }
}

HeadlessUi& DefaultHeadlessUi()
{
    static HeadlessUi ui;
    return ui;
}

UiServices& Ui() { return gUi ? *gUi : DefaultHeadlessUi(); }

void SetUi(UiServices* ui) { gUi = ui; }

}  // namespace zv
