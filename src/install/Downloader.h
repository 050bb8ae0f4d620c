#pragma once
// Fetches one package into a new temporary file and turns the transfer's progress
// into the task bar's value and a size-and-speed line.
#include <windows.h>

#include <string>

#include "config/BuildSettings.h"
#include "install/TaskContext.h"

namespace install {

class CDownloader {
public:
    using TickSource = DWORD(WINAPI*)();

    CDownloader(ITaskContext& context, const config::BuildSettings& settings, TickSource ticks = &::GetTickCount);

    // The path of the filled file; raises on failure. The file is registered for
    // deletion after the installation as soon as it exists.
    std::wstring DownloadToTempFile(const std::wstring& key, const wchar_t* prefix, bool allowFallback);
    // The transfer's progress; false aborts it.
    bool OnProgress(ULONGLONG bytes, ULONGLONG total, ULONG percent);

private:
    HRESULT DownloadIntoTempFile(const std::wstring& url, const wchar_t* prefix, std::wstring& path);
    const std::wstring& UrlOf(const std::wstring& key) const;

    ITaskContext& context_;
    const config::BuildSettings& settings_;
    TickSource ticks_;
    DWORD start_ = 0;
    DWORD lastReport_ = 0;
};

std::wstring FormatByteSize(ULONGLONG bytes);
std::wstring FormatTransferSpeed(ULONGLONG bytes, DWORD milliseconds);

}  // namespace install
