#include "net/DownloadToStream.h"

#include <cwchar>
#include <memory>
#include <new>

#include "net/NetResults.h"

namespace net {

namespace {

// Only a strong validator can guard a range (a weak ETag may not be used in If-Range).
std::wstring ChooseValidator(IHttpRequest& request) {
    std::wstring etag, lastModified;
    if (SUCCEEDED(request.GetResponseHeader(L"ETag", &etag)) && !etag.empty() && etag.rfind(L"W/", 0) != 0)
        return etag;
    if (SUCCEEDED(request.GetResponseHeader(L"Last-Modified", &lastModified))) return lastModified;
    return {};
}

bool ParseNumber(const wchar_t*& p, ULONGLONG* value) noexcept {
    if (*p < L'0' || *p > L'9') return false;
    ULONGLONG v = 0;
    for (; *p >= L'0' && *p <= L'9'; ++p) {
        ULONGLONG digit = static_cast<ULONGLONG>(*p - L'0');
        if (v > (kUnknownTotal - digit) / 10) return false;
        v = v * 10 + digit;
    }
    *value = v;
    return true;
}

class CDownload {
public:
    CDownload(IHttpRequest& request, const wchar_t* url, IStream* sink, DownloadProgressCallback callback,
              void* context)
        : request_(request), url_(url), sink_(sink), callback_(callback), context_(context) {}

    HRESULT Run() {
        for (int attempt = 0; attempt < kDownloadAttempts; ++attempt) {
            bool done = false;
            HRESULT hr = Attempt(&done);
            if (done) return hr;
            result_ = hr;
        }
        return result_;
    }

private:
    // One attempt. done means the download is over with the returned code; otherwise
    // the code is the attempt's failure and the next attempt follows.
    HRESULT Attempt(bool* done) {
        HRESULT hr = request_.Open(url_);
        if (FAILED(hr)) return hr;
        const bool resuming = offset_ > 0 && total_ != kUnknownTotal;
        if (resuming) {
            wchar_t range[48];
            std::swprintf(range, 48, L"bytes=%llu-", offset_);
            if (FAILED(hr = request_.SetRequestHeader(L"Range", range))) return hr;
            // A changed resource comes back whole (200) instead of as a foreign tail.
            if (!validator_.empty() && FAILED(hr = request_.SetRequestHeader(L"If-Range", validator_.c_str())))
                return hr;
        }
        LONG status = 0;
        if (FAILED(hr = request_.Send())) return hr;
        if (FAILED(hr = request_.Status(&status))) return hr;
        if (status < 200 || status > 299) return HResultFromHttpStatus(status);

        ULONGLONG length = kUnknownTotal;
        std::wstring text;
        if (SUCCEEDED(request_.GetResponseHeader(L"Content-Length", &text)) && !ParseContentLength(text, &length))
            length = kUnknownTotal;

        if (resuming && status == 206) {
            std::wstring range;
            bool continues = SUCCEEDED(request_.GetResponseHeader(L"Content-Range", &range)) &&
                             ContentRangeContinues(range, offset_, total_);
            if (!continues || total_ - offset_ != length) return StartOver();
            // A failed write may have moved the sink past the bytes it holds for sure.
            LARGE_INTEGER at;
            at.QuadPart = static_cast<LONGLONG>(offset_);
            if (FAILED(hr = sink_->Seek(at, STREAM_SEEK_SET, nullptr))) {
                *done = true;
                return hr;
            }
        } else {
            if (FAILED(hr = sink_->Seek(LARGE_INTEGER{}, STREAM_SEEK_SET, nullptr)) ||
                FAILED(hr = sink_->SetSize(ULARGE_INTEGER{}))) {
                *done = true;
                return hr;
            }
            // A new start: this response alone tells the size and the version.
            offset_ = 0;
            total_ = length;
            validator_ = ChooseValidator(request_);
        }

        IStream* raw = nullptr;
        if (FAILED(hr = request_.ResponseStream(&raw))) return hr;
        std::unique_ptr<IStream, void (*)(IStream*)> body(raw, [](IStream* s) { s->Release(); });
        std::unique_ptr<BYTE[]> buffer(new (std::nothrow) BYTE[kDownloadBufferSize]);
        if (!buffer) return E_OUTOFMEMORY;

        HRESULT readResult = S_OK;
        for (;;) {
            ULONG got = 0;
            hr = body->Read(buffer.get(), kDownloadBufferSize, &got);
            if (hr != S_OK) {
                if (FAILED(hr)) readResult = hr;
                break;
            }
            if (got == 0) break;
            ULONG written = 0;
            if (FAILED(hr = sink_->Write(buffer.get(), got, &written))) {
                readResult = hr;
                break;
            }
            *done = true;
            if (written < got) return kResultShortWrite;
            if (offset_ + got < offset_) return kResultOverflow;
            offset_ += got;
            if (callback_ && !callback_(offset_, total_, DownloadPercent(offset_, total_), context_)) return E_ABORT;
            *done = false;
        }

        if (total_ != kUnknownTotal && offset_ != total_) {
            // More than announced cannot be resumed from: start over.
            if (offset_ > total_) StartOver();
            return kResultLengthMismatch;
        }
        if (FAILED(readResult)) return readResult;
        *done = true;
        return S_OK;
    }

    HRESULT StartOver() noexcept {
        total_ = kUnknownTotal;
        offset_ = 0;
        return kResultLengthMismatch;
    }

    IHttpRequest& request_;
    const wchar_t* url_;
    IStream* sink_;
    DownloadProgressCallback callback_;
    void* context_;
    ULONGLONG offset_ = 0;
    ULONGLONG total_ = kUnknownTotal;
    std::wstring validator_;
    HRESULT result_ = S_OK;
};

}  // namespace

ULONG DownloadPercent(ULONGLONG offset, ULONGLONG total) noexcept {
    if (offset >= total) return 100;
    if (offset > kUnknownTotal / 100) return 100;
    return static_cast<ULONG>(offset * 100 / total);
}

bool ParseContentLength(const std::wstring& text, ULONGLONG* value) noexcept {
    const wchar_t* p = text.c_str();
    ULONGLONG v = 0;
    // The top bit set would read as the unknown total or as a negative length.
    if (!ParseNumber(p, &v) || *p != L'\0' || v > 0x7FFFFFFFFFFFFFFFull) return false;
    *value = v;
    return true;
}

bool ContentRangeContinues(const std::wstring& text, ULONGLONG offset, ULONGLONG total) noexcept {
    const wchar_t* p = text.c_str();
    if (std::wcsncmp(p, L"bytes ", 6) != 0) return false;
    p += 6;
    ULONGLONG first = 0, last = 0, complete = 0;
    if (!ParseNumber(p, &first) || *p++ != L'-' || !ParseNumber(p, &last) || *p++ != L'/') return false;
    if (*p == L'*') {
        ++p;
    } else if (!ParseNumber(p, &complete) || complete != total) {
        return false;
    }
    return *p == L'\0' && first == offset && total > 0 && last == total - 1;
}

HRESULT DownloadToStream(IHttpRequest& request, const wchar_t* url, IStream* sink,
                         DownloadProgressCallback callback, void* context) {
    if (!url || !*url || !sink) return E_INVALIDARG;
    try {
        return CDownload(request, url, sink, callback, context).Run();
    } catch (...) {
        return E_FAIL;
    }
}

HRESULT DownloadToStream(const wchar_t* url, IStream* sink, DownloadProgressCallback callback, void* context) {
    if (!url || !*url || !sink) return E_INVALIDARG;
    std::unique_ptr<IHttpRequest> request;
    HRESULT hr = CreateWinHttpRequest(&request);
    if (FAILED(hr)) return hr;
    return DownloadToStream(*request, url, sink, callback, context);
}

}  // namespace net
