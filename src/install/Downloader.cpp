#include "install/Downloader.h"

#include <shlwapi.h>

#include <cwchar>
#include <new>

#include "ResourceIds.h"
#include "fw/Exception.h"
#include "fw/TextFormat.h"
#include "fw/WinApp.h"
#include "net/DownloadToStream.h"

namespace install {

namespace {

constexpr DWORD kReportInterval = 66;
constexpr ULONGLONG kUnknownTotal = ~0ull;

std::wstring FormatNumber(UINT formatId, double value) {
    wchar_t text[128];
    std::swprintf(text, 128, fw::LoadStringResource(formatId).c_str(), value);
    return text;
}

struct ComRelease {
    void operator()(IUnknown* p) const { p->Release(); }
};

bool ProgressThunk(ULONGLONG bytes, ULONGLONG total, ULONG percent, void* context) {
    return !context || static_cast<CDownloader*>(context)->OnProgress(bytes, total, percent);
}

}  // namespace

std::wstring FormatByteSize(ULONGLONG bytes) {
    double v = static_cast<double>(bytes);
    if (bytes >= 1048576) return FormatNumber(IDS_SIZE_MB, v / 1048576);
    if (bytes >= 1024) return FormatNumber(IDS_SIZE_KB, v / 1024);
    if (bytes == 1) return fw::LoadStringResource(IDS_SIZE_ONE_BYTE);
    return FormatNumber(IDS_SIZE_BYTES, v);
}

std::wstring FormatTransferSpeed(ULONGLONG bytes, DWORD milliseconds) {
    if (milliseconds == 0) return fw::LoadStringResource(IDS_SPEED_UNKNOWN);
    float speed = static_cast<float>(static_cast<long double>(bytes) / (milliseconds / 1000.0L));
    if (speed < 1024) {
        if (speed == 1.0f) return fw::LoadStringResource(IDS_SPEED_ONE_BYTE);
        return FormatNumber(IDS_SPEED_BYTES, speed);
    }
    if (speed < 1048576) return FormatNumber(IDS_SPEED_KB, speed / 1024);
    return FormatNumber(IDS_SPEED_MB, speed / 1048576);
}

CDownloader::CDownloader(ITaskContext& context, const config::BuildSettings& settings, TickSource ticks)
    : context_(context), settings_(settings), ticks_(ticks) {}

const std::wstring& CDownloader::UrlOf(const std::wstring& key) const {
    const std::wstring* url = settings_.Lookup(key);
    if (!url) fw::AfxThrowResourceException();
    return *url;
}

std::wstring CDownloader::DownloadToTempFile(const std::wstring& key, const wchar_t* prefix, bool allowFallback) {
    std::wstring path;
    HRESULT hr = DownloadIntoTempFile(UrlOf(key), prefix, path);
    if (hr == HRESULT(0x80070002) && allowFallback && key != L"MsiUrl") hr = DownloadIntoTempFile(UrlOf(L"MsiUrl"), prefix, path);
    if (FAILED(hr)) fw::AfxThrowOleException(hr);
    return path;
}

HRESULT CDownloader::DownloadIntoTempFile(const std::wstring& url, const wchar_t* prefix, std::wstring& path) {
    try {
        wchar_t dir[261];
        wchar_t file[MAX_PATH];
        DWORD n = ::GetTempPathW(261, dir);
        if (n == 0 || n > 261) return HRESULT_FROM_WIN32(::GetLastError());
        if (!::GetTempFileNameW(dir, prefix, 0, file)) return HRESULT_FROM_WIN32(::GetLastError());
        IStream* raw = nullptr;
        HRESULT hr = ::SHCreateStreamOnFileEx(file, STGM_CREATE | STGM_WRITE | STGM_SHARE_DENY_NONE,
                                              FILE_ATTRIBUTE_NORMAL, TRUE, nullptr, &raw);
        if (FAILED(hr)) {
            ::DeleteFileW(file);  // GetTempFileName made it
            return hr;
        }
        std::unique_ptr<IStream, ComRelease> stream(raw);
        context_.RememberTempFile(file);
        start_ = lastReport_ = ticks_();
        hr = net::DownloadToStream(url.c_str(), stream.get(), &ProgressThunk, this);
        if (SUCCEEDED(hr)) path = file;
        return hr;
    } catch (fw::COleException* e) {
        HRESULT hr = e->Code();
        e->Delete();
        return hr;
    } catch (fw::CMemoryException* e) {
        e->Delete();
        return E_OUTOFMEMORY;
    } catch (fw::CException* e) {
        e->Delete();
        return E_FAIL;
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
}

bool CDownloader::OnProgress(ULONGLONG bytes, ULONGLONG total, ULONG percent) {
    DWORD now = ticks_();
    // The throttle drops reports between two others; the one that completes the
    // transfer is always sent, or the bar could stop short of its end.
    const bool complete = total != kUnknownTotal && bytes == total;
    if (now - lastReport_ < kReportInterval && !complete) return true;
    try {
        std::wstring size = total == kUnknownTotal ? fw::LoadStringResource(IDS_SIZE_UNKNOWN) : FormatByteSize(total);
        std::wstring text = fw::FormatText(fw::LoadStringResource(IDS_DOWNLOAD_PROGRESS),
                                           {FormatByteSize(bytes), size, FormatTransferSpeed(bytes, now - start_)});
        lastReport_ = now;
        context_.ReportTaskProgress(static_cast<int>(percent), text);
    } catch (fw::CException* e) {
        e->Delete();
        return false;
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

}  // namespace install
