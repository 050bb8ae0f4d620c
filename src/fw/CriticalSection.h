#pragma once
#include <windows.h>

namespace fw {

class CCriticalSection {
public:
    CCriticalSection() { ::InitializeCriticalSection(&cs_); }
    ~CCriticalSection() { ::DeleteCriticalSection(&cs_); }
    CCriticalSection(const CCriticalSection&) = delete;
    CCriticalSection& operator=(const CCriticalSection&) = delete;
    void Lock() noexcept { ::EnterCriticalSection(&cs_); }
    void Unlock() noexcept { ::LeaveCriticalSection(&cs_); }

private:
    CRITICAL_SECTION cs_;
};

class CSingleLock {
public:
    explicit CSingleLock(CCriticalSection& cs) : cs_(cs) { cs_.Lock(); }
    ~CSingleLock() { cs_.Unlock(); }
    CSingleLock(const CSingleLock&) = delete;
    CSingleLock& operator=(const CSingleLock&) = delete;

private:
    CCriticalSection& cs_;
};

}  // namespace fw
