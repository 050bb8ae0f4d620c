#include "install/ProgressPageProxy.h"

#include <cstdlib>
#include <cwchar>

#include "app/Program.h"

namespace install {

namespace {

class NextTaskCall : public CProgressPageProxy::Caller {
public:
    NextTaskCall(int position, std::wstring caption) : position_(position), caption_(std::move(caption)) {}
    void Apply(IProgressPage& page) override {
        PostTextMessage(page.PageWindow(), PM_NEXT_TASK, static_cast<WPARAM>(position_), &caption_);
    }

private:
    int position_;
    std::wstring caption_;
};

class ChangeProgressCall : public CProgressPageProxy::Caller {
public:
    ChangeProgressCall(int value, const std::wstring* text)
        : value_(value), hasText_(text != nullptr), text_(text ? *text : std::wstring()) {}
    void Apply(IProgressPage& page) override {
        PostTextMessage(page.PageWindow(), PM_CHANGE_PROGRESS, static_cast<WPARAM>(value_),
                        hasText_ ? &text_ : nullptr);
    }

private:
    int value_;
    bool hasText_;
    std::wstring text_;
};

class RememberTempFileCall : public CProgressPageProxy::Caller {
public:
    explicit RememberTempFileCall(std::wstring path) : path_(std::move(path)) {}
    ~RememberTempFileCall() override {
        if (!path_.empty()) DeleteTempFile(path_);
    }
    void Apply(IProgressPage& page) override {
        PostTextMessage(page.PageWindow(), PM_REMEMBER_TEMP_FILE, 0, &path_);
        path_.clear();  // the page owns the file now
    }

private:
    std::wstring path_;
};

class IsCancelledCall : public CProgressPageProxy::Caller {
public:
    explicit IsCancelledCall(LONG value) : value_(value) {}
    void Apply(IProgressPage& page) override { page.CancelledFlag() = value_; }

private:
    LONG value_;
};

}  // namespace

void DeleteTempFile(const std::wstring& path) {
    if (!::DeleteFileW(path.c_str()) && ::GetLastError() != ERROR_FILE_NOT_FOUND)
        ::MoveFileExW(path.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
}

void PostTextMessage(HWND window, UINT message, WPARAM wParam, const std::wstring* text) {
    wchar_t* copy = text ? _wcsdup(text->c_str()) : nullptr;
    if (!::PostMessageW(window, message, wParam, reinterpret_cast<LPARAM>(copy))) std::free(copy);
}

CProgressPageProxy::~CProgressPageProxy() {
    pendingChange_.reset();
    pendingNextTask_.reset();
    queued_.clear();  // remembered files that never reached a page are deleted here
}

void CProgressPageProxy::AttachPage(IProgressPage* page) {
    fw::CSingleLock lock(*this);
    if (pendingNextTask_) pendingNextTask_->Apply(*page);
    pendingNextTask_.reset();
    if (pendingChange_) pendingChange_->Apply(*page);
    pendingChange_.reset();
    for (auto& call : queued_) call->Apply(*page);
    queued_.clear();
    page_ = page;
}

void CProgressPageProxy::DetachPage(IProgressPage* page) {
    fw::CSingleLock lock(*this);
    if (page_ == page) {
        cancelled_ = cancelled_ || page->CancelledFlag();
        page_ = nullptr;
    }
}

void CProgressPageProxy::NextTask(int position, const std::wstring& caption) {
    fw::CSingleLock lock(*this);
    auto call = std::make_unique<NextTaskCall>(position, caption);
    if (page_) call->Apply(*page_);
    else pendingNextTask_ = std::move(call);
}

void CProgressPageProxy::ChangeProgress(int value, const std::wstring* text) {
    fw::CSingleLock lock(*this);
    auto call = std::make_unique<ChangeProgressCall>(value, text);
    if (page_) call->Apply(*page_);
    else pendingChange_ = std::move(call);
}

std::wstring CProgressPageProxy::RememberTempFile(const std::wstring& path) {
    fw::CSingleLock lock(*this);
    auto call = std::make_unique<RememberTempFileCall>(path);
    if (page_) call->Apply(*page_);
    else queued_.push_back(std::move(call));
    return path;
}

LONG CProgressPageProxy::Cancel() {
    fw::CSingleLock lock(*this);
    cancelled_ = 1;
    if (page_) page_->CancelledFlag() = 1;
    else queued_.push_back(std::make_unique<IsCancelledCall>(1));
    return 1;
}

LONG CProgressPageProxy::IsCancelled() {
    fw::CSingleLock lock(*this);
    return page_ ? page_->CancelledFlag() : cancelled_;
}

void CProgressPageProxy::PostInstallationEnded(fw::CException* e) {
    fw::CSingleLock lock(*this);
    HWND target = page_ ? page_->PageWindow() : mainWindow_ ? mainWindow_ : app::TheProgram().MainWindow();
    UINT message = page_ ? UINT(PM_INSTALLATION_ENDED) : AM_INSTALLATION_ENDED;
    if (!::PostMessageW(target, message, 0, reinterpret_cast<LPARAM>(e)) && e) e->Delete();
}

void CProgressPageProxy::EnableCancel(bool enable) {
    fw::CSingleLock lock(*this);
    if (page_) ::PostMessageW(page_->PageWindow(), PM_ENABLE_CANCEL, enable ? 1 : 0, 0);
}

}  // namespace install
