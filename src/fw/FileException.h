#pragma once
// A failed file operation: the cause, the system's error and the file.
#include <windows.h>

#include <string>

#include "fw/Exception.h"

namespace fw {

class CFileException : public CException {
    DECLARE_DYNAMIC(CFileException)
public:
    enum Cause {
        none,
        genericException,
        fileNotFound,
        badPath,
        tooManyOpenFiles,
        accessDenied,
        invalidFile,
        removeCurrentDir,
        directoryFull,
        badSeek,
        hardIO,
        sharingViolation,
        lockViolation,
        diskFull,
        endOfFile,
    };

    CFileException(int cause = none, LONG osError = -1, std::wstring fileName = {})
        : cause_(cause), osError_(osError), fileName_(std::move(fileName)) {}
    BOOL GetErrorMessage(LPWSTR buffer, UINT maxChars, PUINT helpContext = nullptr) const override;

    int CauseCode() const noexcept { return cause_; }
    LONG OsError() const noexcept { return osError_; }
    const std::wstring& FileName() const noexcept { return fileName_; }
    // The cause that a Windows error stands for.
    static int CauseFromWin32(DWORD error);

private:
    int cause_;
    LONG osError_;
    std::wstring fileName_;
};

[[noreturn]] void AfxThrowFileException(int cause, LONG osError = -1, const std::wstring& fileName = {});

}  // namespace fw
