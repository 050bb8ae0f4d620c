#include "telemetry/EventSender.h"

#include <objbase.h>

#include <memory>

#include "net/HttpRequest.h"

namespace telemetry {

namespace {

DWORD WINAPI SendThread(void* parameter) {
    std::unique_ptr<std::wstring> url(static_cast<std::wstring*>(parameter));
    DWORD exitCode = 1;
    try {
        HRESULT init = ::CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        std::unique_ptr<net::IHttpRequest> request;
        if (SUCCEEDED(net::CreateWinHttpRequest(&request)) && SUCCEEDED(request->Open(url->c_str())) &&
            SUCCEEDED(request->Send()))
            exitCode = 0;  // the reply is not read
        request.reset();
        if (SUCCEEDED(init)) ::CoUninitialize();
    } catch (...) {
    }
    return exitCode;
}

}  // namespace

CEventSender::~CEventSender() {
    const DWORD deadline = ::GetTickCount() + drainLimitMs_;
    fw::CSingleLock lock(lock_);
    for (const fw::UniqueHandle& thread : threads_) {
        const DWORD now = ::GetTickCount();
        const DWORD left = static_cast<LONG>(deadline - now) > 0 ? deadline - now : 0;
        ::WaitForSingleObject(thread.get(), left);
    }
}

bool CEventSender::Send(const std::wstring& url) try {
    auto copy = std::make_unique<std::wstring>(url);
    fw::CSingleLock lock(lock_);
    // Finished threads are let go, so a long run keeps no pile of handles.
    std::erase_if(threads_,
                  [](const fw::UniqueHandle& t) { return ::WaitForSingleObject(t.get(), 0) == WAIT_OBJECT_0; });
    threads_.reserve(threads_.size() + 1);  // no throw once the thread runs
    fw::UniqueHandle thread(::CreateThread(nullptr, 0, &SendThread, copy.get(), 0, nullptr));
    if (!thread) return false;
    copy.release();  // the thread owns it now
    threads_.push_back(std::move(thread));
    return true;
} catch (...) {
    return false;
}

}  // namespace telemetry
