#pragma once
// The installation thread's only way to the progress page. Until a page attaches,
// the latest progress of each kind is held, and every temporary file and the
// cancel are queued; on attach they are replayed in a fixed order, afterwards
// every call is posted straight to the page.
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "fw/CriticalSection.h"
#include "fw/Exception.h"

namespace install {

// Window messages to the progress page. Texts travel as heap copies made with
// _wcsdup; the page frees them with free(). An exception object belongs to the page.
enum PageMessage : UINT {
    PM_NEXT_TASK = WM_USER + 0,
    PM_CHANGE_PROGRESS = WM_USER + 1,
    PM_REMEMBER_TEMP_FILE = WM_USER + 2,
    PM_INSTALLATION_ENDED = WM_USER + 3,
    PM_ENABLE_CANCEL = WM_USER + 4,
};
// To the frame when no page is attached.
constexpr UINT AM_INSTALLATION_ENDED = WM_APP + 5;

// What the proxy needs of the progress page.
class IProgressPage {
public:
    virtual ~IProgressPage() = default;
    virtual HWND PageWindow() const = 0;
    virtual volatile LONG& CancelledFlag() = 0;
};

class CProgressPageProxy : public fw::CCriticalSection {
public:
    class Caller {
    public:
        virtual ~Caller() = default;
        virtual void Apply(IProgressPage& page) = 0;
    };

    CProgressPageProxy() = default;
    ~CProgressPageProxy();

    void AttachPage(IProgressPage* page);
    // The page leaves before the installation ends: later calls are held again and
    // the end notice goes to the frame, so the proxy never reaches a page that is gone.
    void DetachPage(IProgressPage* page);

    void NextTask(int position, const std::wstring& caption);
    void ChangeProgress(int value, const std::wstring* text);
    std::wstring RememberTempFile(const std::wstring& path);
    LONG Cancel();
    LONG IsCancelled();
    void PostInstallationEnded(fw::CException* e);
    void EnableCancel(bool enable);
    // Where the end notice goes without a page: the frame.
    void SetMainWindow(HWND frame) { mainWindow_ = frame; }

private:
    IProgressPage* page_ = nullptr;
    std::vector<std::unique_ptr<Caller>> queued_;
    std::unique_ptr<Caller> pendingNextTask_;
    std::unique_ptr<Caller> pendingChange_;
    LONG cancelled_ = 0;
    HWND mainWindow_ = nullptr;
};

// Deletes a file now, or at the next restart when it is in use.
void DeleteTempFile(const std::wstring& path);
// Posts a heap copy of text; the copy is freed here when the post fails.
void PostTextMessage(HWND window, UINT message, WPARAM wParam, const std::wstring* text);

}  // namespace install
