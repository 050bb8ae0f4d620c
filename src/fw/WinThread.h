#pragma once
// A worker thread with its own message queue. The queue exists before the
// creator returns, so no early post is lost.
#include <windows.h>

#include "fw/RuntimeClass.h"
#include "fw/UniqueHandle.h"

namespace fw {

class CWinThread : public CObject {
    DECLARE_DYNAMIC(CWinThread)
public:
    CWinThread() = default;
    ~CWinThread() override = default;
    CWinThread(const CWinThread&) = delete;
    CWinThread& operator=(const CWinThread&) = delete;

    // Starts the thread and waits until its queue exists or it has died.
    bool CreateThread(int priority = THREAD_PRIORITY_NORMAL, unsigned stackSize = 0);
    BOOL PostThreadMessage(UINT message, WPARAM wParam, LPARAM lParam) const noexcept;
    DWORD ThreadId() const noexcept { return threadId_; }
    HANDLE Handle() const noexcept { return handle_.get(); }
    // When set (the default), the object deletes itself after its thread ends.
    void SetAutoDelete(bool value) noexcept { autoDelete_ = value; }

protected:
    virtual BOOL InitInstance() { return TRUE; }
    // Handles one thread message; false ends the loop.
    virtual bool OnThreadMessage(const MSG& msg);
    virtual int ExitInstance() { return 0; }
    virtual int Run();

private:
    static DWORD WINAPI ThreadProc(void* self);

    UniqueHandle handle_;
    HANDLE startedEvent_ = nullptr;
    DWORD threadId_ = 0;
    bool autoDelete_ = true;
};

// Creates a thread object by class and starts it; null on failure.
CWinThread* AfxBeginThread(const CRuntimeClass* rtc, int priority = THREAD_PRIORITY_NORMAL,
                           unsigned stackSize = 0, DWORD flags = 0);

}  // namespace fw
