#pragma once
// A real message-only window that stands for the progress page, so what the
// installation side posts to the page can be read back.
#include <windows.h>

#include "install/ProgressPageProxy.h"

namespace install_test {

class MessageWindowPage : public install::IProgressPage {
public:
    MessageWindowPage() {
        window_ = ::CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    }
    ~MessageWindowPage() override { ::DestroyWindow(window_); }
    MessageWindowPage(const MessageWindowPage&) = delete;
    MessageWindowPage& operator=(const MessageWindowPage&) = delete;
    HWND PageWindow() const override { return window_; }
    volatile LONG& CancelledFlag() override { return cancelled; }

    volatile LONG cancelled = 0;

protected:
    HWND window_;
};

}  // namespace install_test
