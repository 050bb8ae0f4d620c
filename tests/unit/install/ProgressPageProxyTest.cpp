#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "install/ProgressPageProxy.h"
#include "MessageWindowPage.h"

namespace {

using namespace install;

class TestPage : public install_test::MessageWindowPage {
public:

    struct Posted {
        UINT message;
        WPARAM wParam;
        std::wstring text;
    };
    std::vector<Posted> Take() {
        std::vector<Posted> out;
        MSG msg;
        while (::PeekMessageW(&msg, window_, WM_USER, WM_APP + 10, PM_REMOVE)) {
            auto* text = reinterpret_cast<wchar_t*>(msg.lParam);
            out.push_back({msg.message, msg.wParam, text ? text : L"<null>"});
            if (msg.message != PM_INSTALLATION_ENDED && msg.message != AM_INSTALLATION_ENDED) std::free(text);
        }
        return out;
    }
};

std::wstring TempFile(const wchar_t* name) {
    wchar_t dir[MAX_PATH];
    ::GetTempPathW(MAX_PATH, dir);
    std::wstring path = std::wstring(dir) + name;
    HANDLE h = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ::CloseHandle(h);
    return path;
}

bool Exists(const std::wstring& path) { return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

TEST(ProgressPageProxy, HoldsTheLatestProgressAndEveryFileUntilAttached) {
    TestPage page;
    CProgressPageProxy proxy;
    for (int i = 1; i <= 10; ++i) {
        proxy.ChangeProgress(i * 10, nullptr);
        proxy.NextTask(i, L"task " + std::to_wstring(i));
    }
    proxy.RememberTempFile(L"C:\\a.tmp");
    proxy.RememberTempFile(L"C:\\b.tmp");
    EXPECT_TRUE(page.Take().empty());

    proxy.AttachPage(&page);
    auto posted = page.Take();
    ASSERT_EQ(4u, posted.size());
    EXPECT_EQ(PM_NEXT_TASK, posted[0].message);  // next task first, though it came second
    EXPECT_EQ(L"task 10", posted[0].text);
    EXPECT_EQ(PM_CHANGE_PROGRESS, posted[1].message);
    EXPECT_EQ(100u, posted[1].wParam);
    EXPECT_EQ(L"<null>", posted[1].text);
    EXPECT_EQ(L"C:\\a.tmp", posted[2].text);
    EXPECT_EQ(L"C:\\b.tmp", posted[3].text);

    std::wstring text = L"Installing";
    proxy.ChangeProgress(-1, &text);  // attached: straight through
    posted = page.Take();
    ASSERT_EQ(1u, posted.size());
    EXPECT_EQ(static_cast<WPARAM>(-1), posted[0].wParam);
    EXPECT_EQ(L"Installing", posted[0].text);
}

TEST(ProgressPageProxy, CancelBeforeAttachReachesThePage) {
    TestPage page;
    CProgressPageProxy proxy;
    EXPECT_EQ(0, proxy.IsCancelled());
    EXPECT_EQ(1, proxy.Cancel());
    EXPECT_EQ(1, proxy.IsCancelled());
    proxy.AttachPage(&page);
    EXPECT_EQ(1, page.cancelled);
    EXPECT_EQ(1, proxy.IsCancelled());
}

TEST(ProgressPageProxy, FilesThatNeverReachAPageAreDeletedWithTheProxy) {
    std::wstring path = TempFile(L"wrenkit-proxy-test.tmp");
    ASSERT_TRUE(Exists(path));
    {
        CProgressPageProxy proxy;
        proxy.RememberTempFile(path);
        proxy.PostInstallationEnded(nullptr);
    }
    EXPECT_FALSE(Exists(path));
}

TEST(ProgressPageProxy, ALeftPageIsNeverReachedAgain) {
    TestPage frame;  // stands for the main window
    CProgressPageProxy proxy;
    proxy.SetMainWindow(frame.PageWindow());
    std::wstring path = TempFile(L"wrenkit-proxy-detach.tmp");
    {
        TestPage page;
        proxy.AttachPage(&page);
        proxy.Cancel();
        proxy.DetachPage(&page);
    }
    proxy.NextTask(100, L"Done!");
    proxy.RememberTempFile(path);
    proxy.PostInstallationEnded(nullptr);
    EXPECT_EQ(1, proxy.IsCancelled());  // the page's cancel is kept
    auto posted = frame.Take();
    ASSERT_EQ(1u, posted.size());
    EXPECT_EQ(AM_INSTALLATION_ENDED, posted[0].message);
}

}  // namespace
