#include "wizard/WelcomePage.h"

#include <richedit.h>
#include <shellapi.h>

#include "ResourceIds.h"
#include "app/Program.h"
#include "fw/WinApp.h"
#include "install/Installation.h"
#include "util/FileVersionInfo.h"
#include "fw/UniqueHandle.h"
#include "wizard/MainWindow.h"

namespace wizard {

IMPLEMENT_DYNCREATE(CWelcomePage, CSubDialog)

namespace {
// A build of the product that moves on without a second acceptance.
constexpr wchar_t kPreacceptedVersion[] = L"2.2.21642.48889";

std::wstring ExpandedAppExe(const std::wstring& path) {
    std::wstring expanded(16384, L'\0');
    DWORD length = ::ExpandEnvironmentStringsW(path.c_str(), expanded.data(), 16383);
    if (length == 0 || length > 16383) return {};
    expanded.resize(length - 1);
    return expanded;
}

std::wstring MendoraEmail() {
    fw::UniqueHKey key;
    if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Mendora\\Settings", 0, KEY_READ, key.put()) != ERROR_SUCCESS)
        return {};
    wchar_t email[261] = {};
    DWORD size = sizeof(email) - sizeof(wchar_t);
    DWORD type = 0;
    if (::RegQueryValueExW(key.get(), L"Email", nullptr, &type, reinterpret_cast<BYTE*>(email), &size) != ERROR_SUCCESS ||
        (type != REG_SZ && type != REG_EXPAND_SZ))
        return {};
    email[size / sizeof(wchar_t)] = L'\0';
    return email;
}
}  // namespace

bool OpenClickedLink(const NMHDR* header) {
    if (header->code != EN_LINK) return false;
    const auto* link = reinterpret_cast<const ENLINK*>(header);
    if (link->msg != WM_LBUTTONDOWN) return false;
    const LONG length = link->chrg.cpMax - link->chrg.cpMin;
    if (length <= 0 || length > 4096) return true;
    std::wstring address(static_cast<size_t>(length) + 1, L'\0');
    TEXTRANGEW range{link->chrg, address.data()};
    LRESULT copied = ::SendMessageW(header->hwndFrom, EM_GETTEXTRANGE, 0, reinterpret_cast<LPARAM>(&range));
    address.resize(static_cast<size_t>(copied));
    ::ShellExecuteW(nullptr, L"open", address.c_str(), nullptr, nullptr, SW_SHOWMAXIMIZED);
    return true;
}

CWelcomePage::CWelcomePage() : CSubDialog(IDD_WELCOME) {}

BOOL CWelcomePage::OnInitPage() {
    CSubDialog::OnInitPage();
    app::CProgram& program = app::TheProgram();
    if (CMainWindow* frame = program.Frame(); frame && frame->HistoryCount() > 1) EnableControl(IDC_BACK, true);
    if (install::CInstallation* installation = program.installationThread) {
        installation->productCancelled = 0;
        installation->PostThreadMessage(install::TM_DOWNLOAD_PRODUCT, 0, 0);
    }
    return TRUE;
}

void CWelcomePage::Accept() {
    app::CProgram& program = app::TheProgram();
    CMainWindow* frame = program.Frame();
    if (!program.installerValid) {
        fw::AfxMessageBox(IDS_INSTALLER_INVALID, MB_OK);
        if (frame) frame->EndDialog(0);
        return;
    }
    if (const std::wstring* appExe = program.Settings().Lookup(L"AppExe")) {
        std::wstring path = ExpandedAppExe(*appExe);
        util::CFileVersionInfo info;
        if (!path.empty() && info.Read(path.c_str()) && !info.FileVersion().empty()) {
            program.SetInstalledProductVersion(info.FileVersion());
            if (info.FileVersion() == kPreacceptedVersion) {
                if (frame) frame->GoNext();
                return;
            }
        }
    }
    const std::wstring product = program.appName;
    if (product != L"Mendora") {
        telemetry::PostAction(program.flowSession, L"EULAAccept", {{L"product", product.c_str()}});
    } else {
        const std::wstring email = MendoraEmail();
        telemetry::PostAction(program.flowSession, L"EULAAccept",
                              {{L"product", product.c_str()}, {L"mendoraEmail", email.c_str()}});
    }
    if (program.unifiedLogger) program.unifiedLogger->SendEvent(L"InstallerAccepted");
    if (frame) frame->GoNext();
}

bool CWelcomePage::OnCommand(WORD id, WORD code, HWND control) {
    switch (id) {
    case IDC_AGREE:
    case IDC_NEXT:
        Accept();
        return true;
    case IDC_BACK:
        if (CMainWindow* frame = app::TheProgram().Frame()) frame->GoBack();
        return true;
    default:
        return CSubDialog::OnCommand(id, code, control);
    }
}

bool CWelcomePage::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    if (message == WM_NOTIFY) {
        const auto* header = reinterpret_cast<const NMHDR*>(lParam);
        if (header->idFrom == IDC_LICENSE_TEXT && OpenClickedLink(header)) {
            result = 0;
            return true;
        }
    }
    return CSubDialog::OnMessage(message, wParam, lParam, result);
}

}  // namespace wizard
