#include "net/PostForm.h"

#include <windows.h>
#include <objbase.h>
#include <oleauto.h>

#include <cstring>
#include <memory>

#include "fw/UniqueHandle.h"
#include "net/IWinHttpRequest.h"

namespace net {

namespace {

template <typename T>
struct ComTraits {
    static T* Invalid() noexcept { return nullptr; }
    static void Close(T* p) noexcept { p->Release(); }
};
template <typename T>
using ComOwner = fw::UniqueResource<T*, ComTraits<T>>;

struct BstrTraits {
    static BSTR Invalid() noexcept { return nullptr; }
    static void Close(BSTR b) noexcept { ::SysFreeString(b); }
};
using UniqueBstr = fw::UniqueResource<BSTR, BstrTraits>;

// A VARIANT cleared on every way out, with whatever it came to hold.
struct ScopedVariant {
    VARIANT v;
    ScopedVariant() noexcept { ::VariantInit(&v); }
    ~ScopedVariant() { ::VariantClear(&v); }
    ScopedVariant(const ScopedVariant&) = delete;
    ScopedVariant& operator=(const ScopedVariant&) = delete;
};

constexpr CLSCTX kAnyServer = static_cast<CLSCTX>(CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER |
                                                  CLSCTX_LOCAL_SERVER | CLSCTX_REMOTE_SERVER);
constexpr ULONG kReadChunk = 64 * 1024;

std::string Utf8(const std::wstring& text) {
    if (text.empty()) return {};
    int n = ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr,
                                  nullptr);
    std::string out(static_cast<size_t>(n), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n, nullptr,
                          nullptr);
    return out;
}

// Everything but the unreserved characters is escaped: a value holding "&", "=",
// "+" or "%" must reach the server as written.
void AppendEscaped(std::string& out, const std::wstring& text) {
    static const char kHex[] = "0123456789ABCDEF";
    for (unsigned char c : Utf8(text)) {
        if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '_' ||
            c == '.' || c == '~') {
            out += static_cast<char>(c);
        } else {
            out += '%';
            out += kHex[c >> 4];
            out += kHex[c & 0xF];
        }
    }
}

// Wine sends a stream body as an empty request, so the body goes as a byte array.
bool ToByteArray(const std::string& body, VARIANT& out) {
    SAFEARRAY* array = ::SafeArrayCreateVector(VT_UI1, 0, static_cast<ULONG>(body.size()));
    if (!array) return false;
    out.vt = VT_ARRAY | VT_UI1;
    out.parray = array;  // the variant frees it from here on
    if (body.empty()) return true;
    void* data = nullptr;
    if (FAILED(::SafeArrayAccessData(array, &data))) return false;
    std::memcpy(data, body.data(), body.size());
    ::SafeArrayUnaccessData(array);
    return true;
}

bool CopyReply(IWinHttpRequest* request, fw::CMemFile& reply) {
    LONG status = 500;
    if (FAILED(request->get_Status(&status)) || status < 200 || status > 299) return false;
    std::unique_ptr<char[]> buffer(new (std::nothrow) char[kReadChunk]);
    if (!buffer) return false;
    ScopedVariant body;
    if (FAILED(request->get_ResponseStream(&body.v))) return false;
    if ((body.v.vt != VT_UNKNOWN && body.v.vt != VT_DISPATCH) || !body.v.punkVal) return false;
    ComOwner<IStream> stream;
    if (FAILED(body.v.punkVal->QueryInterface(IID_IStream, reinterpret_cast<void**>(stream.put())))) return false;
    reply.SetLength(0);
    for (;;) {
        ULONG got = 0;
        // A failure part-way keeps what was read: the caller looks at the bytes only.
        if (FAILED(stream.get()->Read(buffer.get(), kReadChunk, &got)) || got == 0) break;
        reply.Write(buffer.get(), got);
    }
    reply.Seek(0, fw::CMemFile::begin);
    return true;
}

}  // namespace

std::string FormBody(const FormFields& fields) {
    std::string body;
    for (const auto& [name, value] : fields) {
        if (!body.empty()) body += '&';
        AppendEscaped(body, name);
        body += '=';
        AppendEscaped(body, value);
    }
    return body;
}

namespace {

bool PostFormHere(const std::wstring& url, const FormFields& fields, fw::CMemFile* reply,
                  const PostTimeouts& timeouts) try {
    ComOwner<IWinHttpRequest> request;
    if (FAILED(::CoCreateInstance(kClsidWinHttpRequest, nullptr, kAnyServer, kIidIWinHttpRequest,
                                  reinterpret_cast<void**>(request.put()))))
        return false;
    IWinHttpRequest* r = request.get();
    if (FAILED(r->SetTimeouts(timeouts.resolveMs, timeouts.connectMs, timeouts.sendMs, timeouts.receiveMs)))
        return false;
    UniqueBstr method(::SysAllocString(L"POST"));
    UniqueBstr address(::SysAllocString(url.c_str()));
    UniqueBstr header(::SysAllocString(L"Content-Type"));
    UniqueBstr type(::SysAllocString(L"application/x-www-form-urlencoded"));
    if (!method || !address || !header || !type) return false;
    // Sent asynchronously and waited for with a limit of our own: Wine waits for the
    // response headers without any limit, whatever the time-outs say.
    ScopedVariant async;
    async.v.vt = VT_BOOL;
    async.v.boolVal = VARIANT_TRUE;
    if (FAILED(r->Open(method.get(), address.get(), async.v))) return false;
    if (FAILED(r->SetRequestHeader(header.get(), type.get()))) return false;
    ScopedVariant body;
    if (!ToByteArray(FormBody(fields), body.v)) return false;
    if (FAILED(r->Send(body.v))) return false;
    ScopedVariant wait;
    wait.v.vt = VT_I4;
    wait.v.lVal = (timeouts.connectMs + timeouts.sendMs + timeouts.receiveMs + 999) / 1000;
    VARIANT_BOOL answered = VARIANT_FALSE;
    if (FAILED(r->WaitForResponse(wait.v, &answered)) || answered == VARIANT_FALSE) {
        r->Abort();
        return false;
    }
    // Without a reply file the answer is not looked at.
    return reply ? CopyReply(r, *reply) : true;
} catch (...) {
    return false;
}

// One request with everything it needs, shared with the thread that sends it: a
// thread given up on keeps its job alive until it ends.
struct PostJob {
    std::wstring url;
    FormFields fields;
    PostTimeouts timeouts;
    bool wantReply = false;
    fw::CMemFile reply;
    bool sent = false;
};

DWORD WINAPI RunPostJob(void* parameter) {
    std::shared_ptr<PostJob> job = *static_cast<std::shared_ptr<PostJob>*>(parameter);
    delete static_cast<std::shared_ptr<PostJob>*>(parameter);
    const bool com = SUCCEEDED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
    job->sent = PostFormHere(job->url, job->fields, job->wantReply ? &job->reply : nullptr, job->timeouts);
    if (com) ::CoUninitialize();
    return 0;
}

}  // namespace

// Wine's request object pumps the calling thread's message queue while it waits for
// the answer, and thread messages met there are lost: the tracker's own queue would
// lose records. So the request runs on a thread of its own and is waited for here.
bool PostForm(const std::wstring& url, const FormFields& fields, fw::CMemFile* reply,
              const PostTimeouts& timeouts) try {
    auto job = std::make_shared<PostJob>();
    job->url = url;
    job->fields = fields;
    job->timeouts = timeouts;
    job->wantReply = reply != nullptr;
    auto* handover = new std::shared_ptr<PostJob>(job);
    fw::UniqueHandle thread(::CreateThread(nullptr, 0, &RunPostJob, handover, 0, nullptr));
    if (!thread) {
        delete handover;
        return false;
    }
    const DWORD limit = static_cast<DWORD>(timeouts.connectMs + timeouts.sendMs + timeouts.receiveMs) + 2000;
    if (::WaitForSingleObject(thread.get(), limit) != WAIT_OBJECT_0) return false;
    if (reply && job->sent) {
        std::vector<char> bytes(static_cast<size_t>(job->reply.GetLength()));
        job->reply.Seek(0, fw::CMemFile::begin);
        job->reply.Read(bytes.data(), bytes.size());
        reply->SetLength(0);
        reply->Write(bytes.data(), bytes.size());
        reply->Seek(0, fw::CMemFile::begin);
    }
    return job->sent;
} catch (...) {
    return false;
}

}  // namespace net
