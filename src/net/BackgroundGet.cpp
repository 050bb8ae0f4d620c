#include "net/BackgroundGet.h"

#include <windows.h>
#include <objbase.h>

#include <memory>

#include "fw/UniqueHandle.h"
#include "net/WinHttpRequest.h"

namespace net {

namespace {

// The process-wide fault handler covers this thread too; only C++ exceptions
// need stopping at the thread boundary.
DWORD WINAPI BackgroundGetThread(void* parameter) {
    std::unique_ptr<std::wstring> url(static_cast<std::wstring*>(parameter));
    DWORD exitCode = 1;
    try {
        HRESULT init = ::CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        IWinHttpRequest* request = nullptr;
        if (SUCCEEDED(WinHTTP::CWinHttpRequest::Create(&request))) {
            BSTR method = ::SysAllocString(L"GET");
            BSTR address = ::SysAllocString(url->c_str());
            VARIANT async;
            ::VariantInit(&async);
            async.vt = VT_BOOL;
            async.boolVal = VARIANT_FALSE;
            VARIANT body;
            ::VariantInit(&body);
            if (method && address && SUCCEEDED(request->Open(method, address, async)) &&
                SUCCEEDED(request->Send(body)))
                exitCode = 0;
            ::SysFreeString(method);
            ::SysFreeString(address);
            request->Release();
        }
        if (SUCCEEDED(init)) ::CoUninitialize();
    } catch (...) {
        exitCode = 1;
    }
    return exitCode;
}

}  // namespace

bool BackgroundGet(const std::wstring& url) {
    std::unique_ptr<std::wstring> copy;
    try {
        copy = std::make_unique<std::wstring>(url);
    } catch (...) {
        return false;
    }
    fw::UniqueHandle thread(::CreateThread(nullptr, 0, &BackgroundGetThread, copy.get(), 0, nullptr));
    if (!thread) return false;
    copy.release();  // the thread owns it now
    return true;
}

}  // namespace net
