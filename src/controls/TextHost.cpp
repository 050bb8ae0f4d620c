#include "controls/TextHost.h"

#include <versionhelpers.h>

#include <algorithm>
#include <cstring>

namespace controls {
namespace {

constexpr DWORD kMaxLength = 2147483647;
constexpr size_t kFormatRoom = std::max(sizeof(CHARFORMAT2W), sizeof(PARAFORMAT2));

// Before the engine stores one: left-aligned, no indents, no tabs.
const PARAFORMAT* DefaultParaFormat() {
    static const PARAFORMAT2 format = [] {
        PARAFORMAT2 f{};
        f.cbSize = sizeof(f);
        f.dwMask = PFM_ALIGNMENT | PFM_STARTINDENT | PFM_RIGHTINDENT | PFM_OFFSET | PFM_TABSTOPS;
        f.wAlignment = PFA_LEFT;
        return f;
    }();
    return reinterpret_cast<const PARAFORMAT*>(&format);
}

}  // namespace

template <typename Format>
CTextHost::FormatCopy CTextHost::CopyFormat(const Format* format) {
    if (!format || format->cbSize == 0) return {};
    const size_t size = std::min<size_t>(format->cbSize, kFormatRoom);
    FormatCopy copy(new unsigned char[kFormatRoom]());
    std::memcpy(copy.get(), format, size);
    return copy;
}

HRESULT CTextHost::Init(HWND owner, const CHARFORMATW* format) {
    if (!owner || !::IsWindow(owner)) return E_INVALIDARG;
    FormatCopy copy = CopyFormat(format);
    if (!copy) return E_INVALIDARG;
    owner_ = owner;
    charFormat_ = std::move(copy);
    return S_OK;
}

HRESULT CTextHost::QueryInterface(REFIID riid, void** object) {
    if (!object) return E_INVALIDARG;
    if (IsEqualIID(riid, kIidTextHost) || IsEqualIID(riid, IID_IUnknown)) {
        *object = static_cast<ITextHost*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

ULONG CTextHost::AddRef() { return static_cast<ULONG>(::InterlockedIncrement(&references_)); }

ULONG CTextHost::Release() {
    const LONG left = ::InterlockedDecrement(&references_);
    if (left == 0) delete this;
    return static_cast<ULONG>(left);
}

HDC CTextHost::TxGetDC() { return owner_ ? ::GetDC(owner_) : nullptr; }

INT CTextHost::TxReleaseDC(HDC dc) { return owner_ ? ::ReleaseDC(owner_, dc) : static_cast<INT>(E_POINTER); }

// No scroll bars and no caret: the label only shows its text.
WINBOOL CTextHost::TxShowScrollBar(INT, WINBOOL) { return FALSE; }
WINBOOL CTextHost::TxEnableScrollBar(INT, INT) { return FALSE; }
WINBOOL CTextHost::TxSetScrollRange(INT, LONG, INT, WINBOOL) { return FALSE; }
WINBOOL CTextHost::TxSetScrollPos(INT, INT, WINBOOL) { return FALSE; }
WINBOOL CTextHost::TxCreateCaret(HBITMAP, INT, INT) { return FALSE; }
WINBOOL CTextHost::TxShowCaret(WINBOOL) { return FALSE; }
WINBOOL CTextHost::TxSetCaretPos(INT, INT) { return FALSE; }
void CTextHost::TxScrollWindowEx(INT, INT, LPCRECT, LPCRECT, HRGN, LPRECT, UINT) {}

void CTextHost::TxInvalidateRect(LPCRECT rect, WINBOOL erase) {
    if (owner_) ::InvalidateRect(owner_, rect, erase);
}

void CTextHost::TxViewChange(WINBOOL erase) {
    if (owner_) ::InvalidateRect(owner_, nullptr, erase);
}

WINBOOL CTextHost::TxSetTimer(UINT id, UINT timeout) {
    return owner_ && ::SetTimer(owner_, id, timeout, nullptr) != 0;
}

void CTextHost::TxKillTimer(UINT id) {
    if (owner_) ::KillTimer(owner_, id);
}

void CTextHost::TxSetCapture(WINBOOL capture) {
    if (capture && owner_) ::SetCapture(owner_);
    else if (!capture) ::ReleaseCapture();
}

void CTextHost::TxSetFocus() {
    if (owner_) ::SetFocus(owner_);
}

void CTextHost::TxSetCursor(HCURSOR cursor, WINBOOL) { ::SetCursor(cursor); }

WINBOOL CTextHost::TxScreenToClient(LPPOINT point) { return owner_ && point && ::ScreenToClient(owner_, point); }

WINBOOL CTextHost::TxClientToScreen(LPPOINT point) { return owner_ && point && ::ClientToScreen(owner_, point); }

HRESULT CTextHost::TxActivate(LONG*) { return S_OK; }
HRESULT CTextHost::TxDeactivate(LONG) { return S_OK; }

HRESULT CTextHost::TxGetClientRect(LPRECT rect) {
    if (!rect) return E_INVALIDARG;
    if (!owner_) return E_POINTER;
    return ::GetClientRect(owner_, rect) ? S_OK : E_FAIL;
}

HRESULT CTextHost::TxGetViewInset(LPRECT rect) {
    if (!rect) return E_INVALIDARG;
    *rect = RECT{};
    return S_OK;
}

HRESULT CTextHost::TxGetCharFormat(const CHARFORMATW** format) {
    if (!format) return E_INVALIDARG;
    if (!charFormat_) return E_FAIL;
    *format = reinterpret_cast<const CHARFORMATW*>(charFormat_.get());
    charFormatChanged_ = false;
    return S_OK;
}

HRESULT CTextHost::TxGetParaFormat(const PARAFORMAT** format) {
    if (!format) return E_INVALIDARG;
    *format = paraFormat_ ? reinterpret_cast<const PARAFORMAT*>(paraFormat_.get()) : DefaultParaFormat();
    paraFormatChanged_ = false;
    return S_OK;
}

COLORREF CTextHost::TxGetSysColor(int index) { return ::GetSysColor(index); }

HRESULT CTextHost::TxGetBackStyle(TXTBACKSTYLE* style) {
    if (!style) return E_INVALIDARG;
    *style = TXTBACK_TRANSPARENT;
    return S_OK;
}

HRESULT CTextHost::TxGetMaxLength(DWORD* length) {
    if (!length) return E_INVALIDARG;
    *length = kMaxLength;
    return S_OK;
}

HRESULT CTextHost::TxGetScrollBars(DWORD* scrollBars) {
    if (!scrollBars) return E_INVALIDARG;
    *scrollBars = 0;
    return S_OK;
}

HRESULT CTextHost::TxGetPasswordChar(TCHAR* ch) {
    if (!ch) return E_INVALIDARG;
    *ch = ::IsWindowsVistaOrGreater() ? L'\x25CF' : L'*';
    return S_OK;
}

HRESULT CTextHost::TxGetAcceleratorPos(LONG* cp) {
    if (!cp) return E_INVALIDARG;
    *cp = -1;
    return S_OK;
}

HRESULT CTextHost::TxGetExtent(LPSIZEL) { return E_NOTIMPL; }

HRESULT CTextHost::OnTxCharFormatChange(const CHARFORMATW* format) {
    FormatCopy copy = CopyFormat(format);
    if (!copy) return E_INVALIDARG;
    charFormatChanged_ = true;
    charFormat_ = std::move(copy);
    return S_OK;
}

HRESULT CTextHost::OnTxParaFormatChange(const PARAFORMAT* format) {
    FormatCopy copy = CopyFormat(format);
    if (!copy) return E_INVALIDARG;
    paraFormatChanged_ = true;
    paraFormat_ = std::move(copy);
    return S_OK;
}

HRESULT CTextHost::TxGetPropertyBits(DWORD mask, DWORD* bits) {
    if (!bits) return E_INVALIDARG;
    DWORD value = kPropertyBits;
    if (charFormatChanged_) value |= TXTBIT_CHARFORMATCHANGE;
    if (paraFormatChanged_) value |= TXTBIT_PARAFORMATCHANGE;
    *bits = value & mask;
    return S_OK;
}

HRESULT CTextHost::TxNotify(DWORD, void*) { return S_OK; }  // notifications are ignored

HIMC CTextHost::TxImmGetContext() { return nullptr; }
void CTextHost::TxImmReleaseContext(HIMC) {}

HRESULT CTextHost::TxGetSelectionBarWidth(LONG* width) {
    if (!width) return E_INVALIDARG;
    *width = 0;
    return S_OK;
}

}  // namespace controls
