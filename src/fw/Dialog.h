#pragma once
// Dialogs from resource templates. One static procedure: `this` arrives with
// WM_INITDIALOG, is kept in the window and dropped at WM_NCDESTROY; messages go to
// virtual handlers. Exceptions never cross the procedure: they go to the
// application's exception hook.
#include <windows.h>

#include "fw/RuntimeClass.h"

namespace fw {

class CDialog : public CObject {
    DECLARE_DYNAMIC(CDialog)
public:
    explicit CDialog(UINT templateId = 0) : templateId_(templateId) {}
    ~CDialog() override;
    CDialog(const CDialog&) = delete;
    CDialog& operator=(const CDialog&) = delete;

    INT_PTR DoModal(HWND parent = nullptr);
    bool CreateModeless(HWND parent);
    void EndDialog(INT_PTR result);
    HWND GetSafeHwnd() const noexcept { return hwnd_; }
    // The dialog object behind a window of ours; null for any other window.
    static CDialog* FromHandle(HWND hwnd) noexcept;
    UINT TemplateId() const noexcept { return templateId_; }

protected:
    void SetTemplateId(UINT id) noexcept { templateId_ = id; }
    virtual BOOL OnInitDialog() { return TRUE; }
    // Returns true when handled.
    virtual bool OnCommand(WORD id, WORD code, HWND control) { return false; }
    // Every other message; set result and return true when handled.
    virtual bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) { return false; }
    // Seen by the modal loop before the dialog's keyboard handling; true when consumed.
    virtual bool PreTranslateMessage(MSG& msg) { return false; }
    virtual void OnDestroyed() {}
    // The dialog whose keyboard interface (Tab, Enter, Escape) the modal loop runs:
    // a frame that holds child pages hands it to the page on screen.
    virtual HWND KeyboardDialog() const { return hwnd_; }

private:
    static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR Dispatch(UINT message, WPARAM wParam, LPARAM lParam);

    UINT templateId_;
    HWND hwnd_ = nullptr;
    bool modal_ = false;
    bool ended_ = false;
    INT_PTR result_ = 0;
};

}  // namespace fw
