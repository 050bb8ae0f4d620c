#pragma once
// The wizard's frame: a modal dialog that holds one page at a time. The page order
// is data (the "PageOrder" setting); pages are created by class name, and every
// move between pages is a posted message, so a page never switches inside its own
// handler.
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "fw/Dialog.h"
#include "fw/UniqueHandle.h"
#include "wizard/OfferRules.h"
#include "wizard/TrayIcon.h"

namespace wizard {

class CSubDialog;

enum FrameMessage : UINT {
    AM_START = WM_APP,
    AM_DESTROY_PAGE = WM_APP + 1,
    AM_SHOW_PAGE = WM_APP + 2,
    AM_BACK = WM_APP + 3,
};

class CMainWindow : public fw::CDialog {
public:
    CMainWindow();
    ~CMainWindow() override;

    void GoNext();
    void GoBack();
    void GoToFinish();

    CTrayIcon& TrayIcon() noexcept { return trayIcon_; }
    size_t HistoryCount() const noexcept { return history_.size(); }
    const std::vector<std::wstring>& PageOrder() const noexcept { return pageOrder_; }
    int CurrentIndex() const noexcept { return currentIndex_; }
    CSubDialog* CurrentPage() const noexcept { return currentPage_.get(); }
    void SetOfferRules(std::unique_ptr<IOfferRules> rules) { offerRules_ = std::move(rules); }

protected:
    BOOL OnInitDialog() override;
    bool OnCommand(WORD id, WORD code, HWND control) override;
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    HWND KeyboardDialog() const override;
    bool PreTranslateMessage(MSG& msg) override;

private:
    void OnStart();
    void ExpandPageOrder();
    void OnShowPage(LPARAM name);
    void OnBack();
    void OnDestroyPage(LPARAM page);
    bool OnSysCommand(WPARAM command);
    void OnClose();
    void ShowPageNamed(const std::wstring& name);
    void ShowPage(std::unique_ptr<CSubDialog> page);
    int LastIndex() const noexcept { return static_cast<int>(pageOrder_.size()) - 1; }

    std::vector<std::wstring> pageOrder_;
    int currentIndex_ = -1;
    std::unique_ptr<CSubDialog> currentPage_;
    std::vector<std::wstring> history_;
    // Pages that were left and wait for AM_DESTROY_PAGE.
    std::vector<std::unique_ptr<CSubDialog>> leftPages_;
    CTrayIcon trayIcon_;
    fw::UniqueIcon icon_;
    std::unique_ptr<IOfferRules> offerRules_;
};

// Splits a page order at commas; an empty last piece is dropped, others are kept.
std::vector<std::wstring> SplitPageOrder(const std::wstring& order);
// Appends the pages after the first piece: empty pieces and an explicit backup offer
// page are skipped, and the offer pages the rules allow go just before the progress page.
void AppendLaterPages(const std::vector<std::wstring>& pieces, IOfferRules& rules,
                      std::vector<std::wstring>& pageOrder);

}  // namespace wizard
