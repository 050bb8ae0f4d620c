#include <gtest/gtest.h>

#include <memory>

#include "fw/Exception.h"
#include "fw/MemFile.h"
#include "fw/WinThread.h"

namespace {

class CBase : public fw::CObject {
    DECLARE_DYNCREATE(CBase)
};
class CDerived : public CBase {
    DECLARE_DYNCREATE(CDerived)
};
IMPLEMENT_DYNCREATE(CBase, fw::CObject)
IMPLEMENT_DYNCREATE(CDerived, CBase)

TEST(RuntimeClass, CreatesByExactNameAndKnowsItsBases) {
    fw::CRuntimeClass::Register(RUNTIME_CLASS(CDerived));
    fw::CRuntimeClass::Register(RUNTIME_CLASS(CDerived));  // registering twice is harmless
    const fw::CRuntimeClass* rtc = fw::CRuntimeClass::FromName(L"CDerived");
    ASSERT_EQ(RUNTIME_CLASS(CDerived), rtc);
    std::unique_ptr<fw::CObject> object(rtc->CreateObject());
    EXPECT_TRUE(object->IsKindOf(RUNTIME_CLASS(CBase)));
    EXPECT_TRUE(object->IsKindOf(RUNTIME_CLASS(fw::CObject)));
    EXPECT_FALSE(object->IsKindOf(RUNTIME_CLASS(fw::CException)));
    EXPECT_EQ(nullptr, fw::CRuntimeClass::FromName(L"CBase"));  // known only once registered
    EXPECT_EQ(nullptr, fw::CRuntimeClass::FromName(L"cderived"));
    EXPECT_EQ(nullptr, fw::CRuntimeClass::FromName(L"CDerivedX"));
}

// Counts the messages it takes, and signals when it has seen the last one.
class CCountingThread : public fw::CWinThread {
    DECLARE_DYNCREATE(CCountingThread)
public:
    static inline LONG seen = 0;
    static inline HANDLE done = nullptr;
    static inline bool failInit = false;

protected:
    BOOL InitInstance() override { return !failInit; }
    bool OnThreadMessage(const MSG& msg) override {
        if (msg.message == WM_APP) ::InterlockedIncrement(&seen);
        if (msg.message == WM_APP + 1) {
            ::SetEvent(done);
            return false;
        }
        return true;
    }
};
IMPLEMENT_DYNCREATE(CCountingThread, fw::CWinThread)

TEST(WinThread, NoPostIsLostRightAfterStart) {
    fw::UniqueHandle done(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    CCountingThread::done = done.get();
    CCountingThread::seen = 0;
    fw::CWinThread* thread = fw::AfxBeginThread(RUNTIME_CLASS(CCountingThread));
    ASSERT_NE(nullptr, thread);
    for (int i = 0; i < 500; ++i) ASSERT_TRUE(thread->PostThreadMessage(WM_APP, 0, 0));
    thread->PostThreadMessage(WM_APP + 1, 0, 0);
    ASSERT_EQ(WAIT_OBJECT_0, ::WaitForSingleObject(done.get(), 10000));
    EXPECT_EQ(500, CCountingThread::seen);
}

TEST(WinThread, AThreadThatEndsAtOnceDoesNotHangItsCreator) {
    CCountingThread::failInit = true;
    fw::CWinThread* thread = fw::AfxBeginThread(RUNTIME_CLASS(CCountingThread));
    CCountingThread::failInit = false;
    EXPECT_NE(nullptr, thread);  // it started; it deletes itself when it ends
    EXPECT_EQ(nullptr, fw::AfxBeginThread(RUNTIME_CLASS(CBase)));
}

TEST(MemFile, WritesReadsAndSeeks) {
    fw::CMemFile file;
    file.Write("abcdef", 6);
    file.Seek(2, fw::CMemFile::begin);
    file.Write("XY", 2);
    EXPECT_EQ(6u, file.GetLength());
    file.Seek(-3, fw::CMemFile::end);
    char buffer[8] = {};
    EXPECT_EQ(3u, file.Read(buffer, 8));
    EXPECT_STREQ("Yef", buffer);
    EXPECT_EQ(0u, file.Read(buffer, 8));
    EXPECT_EQ(0u, file.Seek(-100, fw::CMemFile::current));
}

}  // namespace
