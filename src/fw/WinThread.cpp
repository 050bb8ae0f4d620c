#include "fw/WinThread.h"

#include "fw/Exception.h"

namespace fw {

IMPLEMENT_DYNAMIC(CWinThread, CObject)

bool CWinThread::CreateThread(int priority, unsigned stackSize) {
    // The creator waits on handles of its own: an auto-deleting thread may be gone
    // (and its members with it) before the wait returns.
    UniqueHandle started(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    if (!started) return false;
    startedEvent_ = started.get();
    handle_.reset(::CreateThread(nullptr, stackSize, &CWinThread::ThreadProc, this,
                                 CREATE_SUSPENDED, &threadId_));
    if (!handle_) return false;
    UniqueHandle thread;
    ::DuplicateHandle(::GetCurrentProcess(), handle_.get(), ::GetCurrentProcess(), thread.put(),
                      SYNCHRONIZE, FALSE, 0);
    ::SetThreadPriority(handle_.get(), priority);
    ::ResumeThread(handle_.get());
    // Wait for the queue, or for the thread's death, so a thread that dies early cannot hang us.
    HANDLE waits[2] = {started.get(), thread.get()};
    DWORD r = ::WaitForMultipleObjects(thread ? 2 : 1, waits, FALSE, INFINITE);
    return r == WAIT_OBJECT_0;
}

BOOL CWinThread::PostThreadMessage(UINT message, WPARAM wParam, LPARAM lParam) const noexcept {
    return ::PostThreadMessageW(threadId_, message, wParam, lParam);
}

bool CWinThread::OnThreadMessage(const MSG& msg) {
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
    return true;
}

int CWinThread::Run() {
    MSG msg;
    for (;;) {
        BOOL got = ::GetMessageW(&msg, nullptr, 0, 0);
        if (got == 0 || got == -1) break;
        if (!OnThreadMessage(msg)) break;
    }
    return ExitInstance();
}

DWORD WINAPI CWinThread::ThreadProc(void* param) {
    auto* self = static_cast<CWinThread*>(param);
    MSG msg;
    ::PeekMessageW(&msg, nullptr, WM_USER, WM_USER, PM_NOREMOVE);  // creates the queue
    ::SetEvent(self->startedEvent_);  // the creator owns this event
    int code = 0;
    try {
        code = self->InitInstance() ? self->Run() : self->ExitInstance();
    } catch (CException* e) {
        // A failure must not cross the thread boundary; subclasses that report
        // failures catch them inside their handlers.
        e->Delete();
    }
    if (self->autoDelete_) delete self;
    return static_cast<DWORD>(code);
}

CWinThread* AfxBeginThread(const CRuntimeClass* rtc, int priority, unsigned stackSize, DWORD) {
    if (!rtc || !rtc->IsDerivedFrom(RUNTIME_CLASS(CWinThread))) return nullptr;
    auto* thread = static_cast<CWinThread*>(rtc->CreateObject());
    if (!thread) return nullptr;
    if (!thread->CreateThread(priority, stackSize)) {
        delete thread;
        return nullptr;
    }
    return thread;
}

}  // namespace fw
