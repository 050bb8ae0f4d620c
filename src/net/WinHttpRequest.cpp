#include "net/WinHttpRequest.h"

#include <winhttp.h>

#include <string_view>

#include "fw/Result.h"
#include "net/ProxySelection.h"
#include "net/WinHttpObject.h"
#include "net/WinHttpStream.h"

namespace WinHTTP {

namespace {

constexpr wchar_t kUserAgent[] = L"VIRIRODEVOZU/1.1";

// An omitted optional argument arrives as VT_ERROR with DISP_E_PARAMNOTFOUND.
bool IsAbsent(const VARIANT& v) noexcept {
    return v.vt == VT_EMPTY || v.vt == VT_NULL || (v.vt == VT_ERROR && v.scode == DISP_E_PARAMNOTFOUND);
}

HRESULT ClearAndNotImplemented(BSTR* out) noexcept {
    if (!out) return E_POINTER;
    *out = nullptr;
    return E_NOTIMPL;
}

}  // namespace

HRESULT CWinHttpRequest::Create(IWinHttpRequest** out) noexcept {
    if (!out) return E_POINTER;
    *out = nullptr;
    CWinHttpObject<CWinHttpRequest>* object = nullptr;
    RETURN_IF_FAILED(CWinHttpObject<CWinHttpRequest>::CreateInstance(&object));
    object->AddRef();
    *out = object;
    return S_OK;
}

HRESULT CWinHttpRequest::FinalConstruct() noexcept try {
    net::UserProxySettings settings;
    net::ProxyChoice choice;
    if (net::ReadUserProxySettings(&settings)) choice = net::ChooseProxy(&settings, net::DetectAutoConfigUrl);
    proxyFound_ = !choice.scriptUrl.empty() || choice.accessType == WINHTTP_ACCESS_TYPE_NAMED_PROXY;

    const wchar_t* proxy = WINHTTP_NO_PROXY_NAME;
    const wchar_t* bypass = WINHTTP_NO_PROXY_BYPASS;
    if (!choice.scriptUrl.empty()) {
        scriptUrl_ = choice.scriptUrl;
        noPerRequestProxy_ = false;
    } else if (choice.accessType == WINHTTP_ACCESS_TYPE_NAMED_PROXY) {
        proxy = choice.proxy.c_str();
        bypass = choice.bypass.empty() ? WINHTTP_NO_PROXY_BYPASS : choice.bypass.c_str();
    }
    session_.reset(::WinHttpOpen(kUserAgent, choice.accessType, proxy, bypass, 0));
    RETURN_LAST_ERROR_IF(!session_);
    return S_OK;
} catch (...) {
    return E_FAIL;
}

HRESULT CWinHttpRequest::QueryInterface(REFIID iid, void** out) {
    if (!out) return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IDispatch || iid == kIidIWinHttpRequest) {
        *out = static_cast<IWinHttpRequest*>(this);
        AddRef();
        return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
}

HRESULT CWinHttpRequest::LoadTypeInfo(ITypeInfo** info) {
    ITypeLib* library = nullptr;
    RETURN_IF_FAILED(::LoadRegTypeLib(kLibidWinHttp, 5, 1, LOCALE_NEUTRAL, &library));
    HRESULT hr = library->GetTypeInfoOfGuid(kIidIWinHttpRequest, info);
    library->Release();
    return hr;
}

HRESULT CWinHttpRequest::GetTypeInfoCount(UINT* count) {
    if (!count) return E_POINTER;
    *count = 1;
    return S_OK;
}

HRESULT CWinHttpRequest::GetTypeInfo(UINT index, LCID, ITypeInfo** info) {
    if (!info) return E_POINTER;
    *info = nullptr;
    if (index != 0) return DISP_E_BADINDEX;
    return LoadTypeInfo(info);
}

HRESULT CWinHttpRequest::GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) {
    ITypeInfo* info = nullptr;
    RETURN_IF_FAILED(LoadTypeInfo(&info));
    HRESULT hr = ::DispGetIDsOfNames(info, names, count, ids);
    info->Release();
    return hr;
}

HRESULT CWinHttpRequest::Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                                EXCEPINFO* exception, UINT* argError) {
    ITypeInfo* info = nullptr;
    RETURN_IF_FAILED(LoadTypeInfo(&info));
    HRESULT hr = ::DispInvoke(static_cast<IWinHttpRequest*>(this), info, id, flags, params, result, exception,
                              argError);
    info->Release();
    return hr;
}

HRESULT CWinHttpRequest::Open(BSTR method, BSTR url, VARIANT async) try {
    if (!method || !*method || !url || !*url) return E_INVALIDARG;
    if (!IsAbsent(async)) {
        VARIANT flag;
        ::VariantInit(&flag);
        RETURN_IF_FAILED(::VariantChangeType(&flag, &async, 0, VT_BOOL));
        if (flag.boolVal != VARIANT_FALSE) return E_NOTIMPL;
    }

    URL_COMPONENTS parts{};
    parts.dwStructSize = sizeof(parts);
    parts.dwSchemeLength = parts.dwHostNameLength = parts.dwUserNameLength = parts.dwPasswordLength =
        parts.dwUrlPathLength = parts.dwExtraInfoLength = static_cast<DWORD>(-1);
    if (!::WinHttpCrackUrl(url, 0, 0, &parts)) return E_INVALIDARG;
    DWORD secureFlag = 0;
    if (parts.nScheme == INTERNET_SCHEME_HTTPS)
        secureFlag = WINHTTP_FLAG_SECURE;
    else if (parts.nScheme != INTERNET_SCHEME_HTTP)
        return E_INVALIDARG;
    std::wstring host(parts.lpszHostName, parts.dwHostNameLength);
    if (host.empty()) return E_INVALIDARG;
    std::wstring object(parts.lpszUrlPath, parts.dwUrlPathLength);
    // The fragment stays with the client: it is no part of an HTTP request target.
    std::wstring_view extra(parts.lpszExtraInfo, parts.dwExtraInfoLength);
    object.append(extra.substr(0, extra.find(L'#')));

    net::UniqueHInternet newConnection;
    HINTERNET connection = connection_.get();
    if (!connection_ || host != host_ || parts.nPort != port_) {
        newConnection.reset(::WinHttpConnect(session_.get(), host.c_str(), parts.nPort, 0));
        RETURN_LAST_ERROR_IF(!newConnection);
        connection = newConnection.get();
    }
    // On failure the new connection closes here and the current one stays.
    net::UniqueHInternet request(::WinHttpOpenRequest(connection, method, object.c_str(), nullptr,
                                                      WINHTTP_NO_REFERER, WINHTTP_DEFAULT_ACCEPT_TYPES,
                                                      secureFlag));
    RETURN_LAST_ERROR_IF(!request);
    if (UsesProxyScript()) ApplyScriptProxy(request.get(), url);

    // The old request closes before a replaced connection does.
    request_.reset();
    if (newConnection) connection_ = std::move(newConnection);
    headers_.clear();
    host_ = std::move(host);
    port_ = parts.nPort;
    request_ = std::move(request);
    ++generation_;
    return S_OK;
} catch (...) {
    return E_FAIL;
}

void CWinHttpRequest::ApplyScriptProxy(HINTERNET request, const wchar_t* url) noexcept {
    WINHTTP_AUTOPROXY_OPTIONS options{};
    options.dwFlags = WINHTTP_AUTOPROXY_CONFIG_URL;
    options.lpszAutoConfigUrl = scriptUrl_.c_str();
    options.fAutoLogonIfChallenged = TRUE;
    WINHTTP_PROXY_INFO info{};
    // A script that cannot be fetched or run leaves the request going direct.
    if (!::WinHttpGetProxyForUrl(session_.get(), url, &options, &info)) return;
    ::WinHttpSetOption(request, WINHTTP_OPTION_PROXY, &info, sizeof(info));
    if (info.lpszProxy) ::GlobalFree(info.lpszProxy);
    if (info.lpszProxyBypass) ::GlobalFree(info.lpszProxyBypass);
}

HRESULT CWinHttpRequest::SetRequestHeader(BSTR header, BSTR value) try {
    headers_[header ? header : L""] = value ? value : L"";
    return S_OK;
} catch (...) {
    return E_FAIL;
}

HRESULT CWinHttpRequest::Send(VARIANT body) {
    if (!IsAbsent(body)) return E_NOTIMPL;
    std::wstring block;
    try {
        for (const auto& [name, value] : headers_) {
            if (name.empty() || value.empty()) continue;
            block.append(name).append(L": ").append(value).append(L"\r\n");
        }
    } catch (...) {
        return E_FAIL;
    }
    BOOL sent = ::WinHttpSendRequest(request_.get(), block.empty() ? WINHTTP_NO_ADDITIONAL_HEADERS : block.c_str(),
                                     static_cast<DWORD>(block.size()), WINHTTP_NO_REQUEST_DATA, 0, 0, 0);
    RETURN_LAST_ERROR_IF(!sent);
    RETURN_LAST_ERROR_IF(!::WinHttpReceiveResponse(request_.get(), nullptr));
    return S_OK;
}

HRESULT CWinHttpRequest::GetResponseHeader(BSTR header, BSTR* value) {
    if (!value) return E_POINTER;
    *value = nullptr;
    if (!header) return E_INVALIDARG;
    DWORD size = 0;
    if (!::WinHttpQueryHeaders(request_.get(), WINHTTP_QUERY_CUSTOM, header, WINHTTP_NO_OUTPUT_BUFFER, &size,
                               WINHTTP_NO_HEADER_INDEX)) {
        DWORD error = ::GetLastError();
        if (error != ERROR_INSUFFICIENT_BUFFER) return fw::HResultFromWin32(error);
    }
    UINT length = size / sizeof(wchar_t);
    BSTR text = ::SysAllocStringLen(nullptr, length ? length - 1 : 0);
    if (!text) return E_OUTOFMEMORY;
    if (!::WinHttpQueryHeaders(request_.get(), WINHTTP_QUERY_CUSTOM, header, text, &size,
                               WINHTTP_NO_HEADER_INDEX)) {
        HRESULT hr = fw::LastErrorResult();
        ::SysFreeString(text);
        return hr;
    }
    // The second call reports the length without the terminator.
    text[size / sizeof(wchar_t)] = L'\0';
    *value = text;
    return S_OK;
}

HRESULT CWinHttpRequest::GetAllResponseHeaders(BSTR* headers) { return ClearAndNotImplemented(headers); }
HRESULT CWinHttpRequest::get_StatusText(BSTR* status) { return ClearAndNotImplemented(status); }

HRESULT CWinHttpRequest::get_ResponseBody(VARIANT* body) {
    if (!body) return E_POINTER;
    ::VariantInit(body);
    return E_NOTIMPL;
}

HRESULT CWinHttpRequest::get_Status(LONG* status) {
    if (!status) return E_POINTER;
    DWORD code = 0;
    DWORD size = sizeof(code);
    RETURN_LAST_ERROR_IF(!::WinHttpQueryHeaders(request_.get(), WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                                                WINHTTP_HEADER_NAME_BY_INDEX, &code, &size,
                                                WINHTTP_NO_HEADER_INDEX));
    *status = static_cast<LONG>(code);
    return S_OK;
}

HRESULT CWinHttpRequest::get_ResponseStream(VARIANT* body) {
    if (!body) return E_POINTER;
    ::VariantInit(body);
    if (!request_) return E_UNEXPECTED;
    CWinHttpObject<CWinHttpStream>* stream = nullptr;
    RETURN_IF_FAILED(CWinHttpObject<CWinHttpStream>::CreateInstance(&stream));
    stream->Attach(this);
    stream->AddRef();
    body->vt = VT_UNKNOWN;
    body->punkVal = static_cast<IStream*>(stream);
    return S_OK;
}

}  // namespace WinHTTP
