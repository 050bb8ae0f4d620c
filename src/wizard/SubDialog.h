#pragma once
// The base of every wizard page: a borderless child dialog that fills the frame.
// At initialisation it gives every control its text, font, colour and picture from
// the program's resources, swaps marked-up statics for label controls, and paints
// a composed background: a white header band with the scaled header picture and
// engraved lines, button face below.
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "controls/Label.h"
#include "fw/Dialog.h"
#include "fw/UniqueHandle.h"
#include "wizard/DialogTemplate.h"

namespace wizard {

class CSubDialog : public fw::CDialog {
    DECLARE_DYNAMIC(CSubDialog)
public:
    explicit CSubDialog(UINT templateId);
    ~CSubDialog() override;

    // Creates the page window as a child of the frame; false when it could not be
    // made or its initialisation failed.
    virtual bool Create(HWND frame);
    // Called by the frame on the page it leaves, before the next page shows.
    virtual void OnLeavePage() {}

    // The string `id` formatted with %1 = application name, %2 = default button text.
    bool PageText(UINT id, std::wstring& text) const;
    bool EnableControl(UINT id, bool enable);
    bool HideControl(UINT id);
    HWND Control(UINT id) const { return ::GetDlgItem(GetSafeHwnd(), static_cast<int>(id)); }

    // Asks whether to cancel the setup; on Yes stops the installation. Returns the answer.
    static int ConfirmCancel();

    const CDialogTemplate& Template() const noexcept { return template_; }
    bool InitFailed() const noexcept { return initFailed_ != 0; }

protected:
    // Pages override this instead of OnInitDialog and call it first.
    virtual BOOL OnInitPage();
    virtual void OnOK() {}
    virtual void OnCancel();

    BOOL OnInitDialog() final;
    bool OnCommand(WORD id, WORD code, HWND control) override;
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    void RestyleControls();
    void RestyleControl(HWND control);
    void StreamRtf(HWND control, UINT id);
    void ApplySkinFont(HWND control, UINT id);
    void AttachLabel(HWND control, const std::wstring& text);
    bool HasLabel(HWND control) const;
    void BuildBackground();
    HBRUSH StaticColour(HDC dc, HWND control);
    void EraseBackground(HDC dc);

    LONG initFailed_ = 0;
    CDialogTemplate template_;
    fw::UniqueBitmap background_;
    fw::UniqueBrush backgroundBrush_;
    std::vector<fw::UniqueFont> fonts_;
    std::vector<std::unique_ptr<controls::CLabel>> labels_;
};

}  // namespace wizard
