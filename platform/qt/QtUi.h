// The Qt implementation of the user-interface services: real message boxes, beep, event pump.
#pragma once

#include "platform/device/UiServices.h"

namespace zv {

class QtUi : public UiServices {
public:
    int messageBox(const std::string& text, const std::string& caption, uint32_t flags) override;
    void beep() override;
    void processMessages() override;
    void setClipboardText(const std::string& text) override;
    std::string clipboardText() override;
};

}  // namespace zv
