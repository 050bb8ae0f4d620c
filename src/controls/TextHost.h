#pragma once
// Our host of the windowless rich-edit engine: a read-only, transparent, word-wrapped
// text area that is the client area of its owner window.
#include <memory>

#include "controls/TextServices.h"

namespace controls {

class CTextHost final : public ITextHost {
public:
    // Property bits: rich text, multi-line, read-only, show accelerator, hide selection,
    // word wrap, drag disabled.
    static constexpr DWORD kPropertyBits = TXTBIT_RICHTEXT | TXTBIT_MULTILINE | TXTBIT_READONLY |
                                           TXTBIT_SHOWACCELERATOR | TXTBIT_HIDESELECTION | TXTBIT_WORDWRAP |
                                           TXTBIT_DISABLEDRAG;

    CTextHost() = default;  // reference count 1; Release deletes
    CTextHost(const CTextHost&) = delete;
    CTextHost& operator=(const CTextHost&) = delete;

    // E_INVALIDARG without a window or without a sized format; nothing changes then.
    HRESULT Init(HWND owner, const CHARFORMATW* format);

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    // ITextHost
    HDC TEXT_HOST_CALL TxGetDC() override;
    INT TEXT_HOST_CALL TxReleaseDC(HDC dc) override;
    WINBOOL TEXT_HOST_CALL TxShowScrollBar(INT bar, WINBOOL show) override;
    WINBOOL TEXT_HOST_CALL TxEnableScrollBar(INT flags, INT arrows) override;
    WINBOOL TEXT_HOST_CALL TxSetScrollRange(INT bar, LONG minPos, INT maxPos, WINBOOL redraw) override;
    WINBOOL TEXT_HOST_CALL TxSetScrollPos(INT bar, INT pos, WINBOOL redraw) override;
    void TEXT_HOST_CALL TxInvalidateRect(LPCRECT rect, WINBOOL erase) override;
    void TEXT_HOST_CALL TxViewChange(WINBOOL update) override;
    WINBOOL TEXT_HOST_CALL TxCreateCaret(HBITMAP bitmap, INT width, INT height) override;
    WINBOOL TEXT_HOST_CALL TxShowCaret(WINBOOL show) override;
    WINBOOL TEXT_HOST_CALL TxSetCaretPos(INT x, INT y) override;
    WINBOOL TEXT_HOST_CALL TxSetTimer(UINT id, UINT timeout) override;
    void TEXT_HOST_CALL TxKillTimer(UINT id) override;
    void TEXT_HOST_CALL TxScrollWindowEx(INT dx, INT dy, LPCRECT scroll, LPCRECT clip, HRGN update,
                                         LPRECT updateRect, UINT flags) override;
    void TEXT_HOST_CALL TxSetCapture(WINBOOL capture) override;
    void TEXT_HOST_CALL TxSetFocus() override;
    void TEXT_HOST_CALL TxSetCursor(HCURSOR cursor, WINBOOL text) override;
    WINBOOL TEXT_HOST_CALL TxScreenToClient(LPPOINT point) override;
    WINBOOL TEXT_HOST_CALL TxClientToScreen(LPPOINT point) override;
    HRESULT TEXT_HOST_CALL TxActivate(LONG* oldState) override;
    HRESULT TEXT_HOST_CALL TxDeactivate(LONG newState) override;
    HRESULT TEXT_HOST_CALL TxGetClientRect(LPRECT rect) override;
    HRESULT TEXT_HOST_CALL TxGetViewInset(LPRECT rect) override;
    HRESULT TEXT_HOST_CALL TxGetCharFormat(const CHARFORMATW** format) override;
    HRESULT TEXT_HOST_CALL TxGetParaFormat(const PARAFORMAT** format) override;
    COLORREF TEXT_HOST_CALL TxGetSysColor(int index) override;
    HRESULT TEXT_HOST_CALL TxGetBackStyle(TXTBACKSTYLE* style) override;
    HRESULT TEXT_HOST_CALL TxGetMaxLength(DWORD* length) override;
    HRESULT TEXT_HOST_CALL TxGetScrollBars(DWORD* scrollBars) override;
    HRESULT TEXT_HOST_CALL TxGetPasswordChar(TCHAR* ch) override;
    HRESULT TEXT_HOST_CALL TxGetAcceleratorPos(LONG* cp) override;
    HRESULT TEXT_HOST_CALL TxGetExtent(LPSIZEL extent) override;
    HRESULT TEXT_HOST_CALL OnTxCharFormatChange(const CHARFORMATW* format) override;
    HRESULT TEXT_HOST_CALL OnTxParaFormatChange(const PARAFORMAT* format) override;
    HRESULT TEXT_HOST_CALL TxGetPropertyBits(DWORD mask, DWORD* bits) override;
    HRESULT TEXT_HOST_CALL TxNotify(DWORD notify, void* data) override;
    HIMC TEXT_HOST_CALL TxImmGetContext() override;
    void TEXT_HOST_CALL TxImmReleaseContext(HIMC context) override;
    HRESULT TEXT_HOST_CALL TxGetSelectionBarWidth(LONG* width) override;

    // What tests observe.
    LONG References() const { return references_; }
    bool CharFormatChanged() const { return charFormatChanged_; }
    bool ParaFormatChanged() const { return paraFormatChanged_; }

private:
    // A format record copied by its own size field, into room for the largest layout.
    using FormatCopy = std::unique_ptr<unsigned char[]>;
    template <typename Format>
    static FormatCopy CopyFormat(const Format* format);

    ~CTextHost() = default;

    LONG references_ = 1;
    HWND owner_ = nullptr;
    FormatCopy charFormat_;
    FormatCopy paraFormat_;
    bool charFormatChanged_ = false;
    bool paraFormatChanged_ = false;
};

}  // namespace controls
