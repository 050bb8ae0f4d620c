#include "fw/FileException.h"

namespace fw {

IMPLEMENT_DYNAMIC(CFileException, CException)

BOOL CFileException::GetErrorMessage(LPWSTR buffer, UINT maxChars, PUINT helpContext) const {
    static const wchar_t* const kCauses[] = {
        L"No error occurred", L"An unspecified error occurred", L"The file could not be located",
        L"All or part of the path is invalid", L"Too many open files", L"Access to the file was denied",
        L"The file is invalid or corrupt", L"The current working directory cannot be removed",
        L"There are no more directory entries", L"An error occurred while seeking",
        L"A hardware I/O error occurred", L"A sharing violation occurred", L"A locking violation occurred",
        L"The disk is full", L"The end of the file was reached unexpectedly"};
    const wchar_t* cause = cause_ >= 0 && cause_ <= endOfFile ? kCauses[cause_] : kCauses[genericException];
    std::wstring text = std::wstring(cause) + (fileName_.empty() ? L"." : L" with " + fileName_ + L".");
    return CopyErrorText(text.c_str(), buffer, maxChars, helpContext);
}

int CFileException::CauseFromWin32(DWORD error) {
    switch (error) {
    case NO_ERROR: return none;
    case ERROR_FILE_NOT_FOUND: return fileNotFound;
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
    case ERROR_INVALID_NAME:
    case ERROR_BAD_PATHNAME: return badPath;
    case ERROR_TOO_MANY_OPEN_FILES: return tooManyOpenFiles;
    case ERROR_ACCESS_DENIED:
    case ERROR_WRITE_PROTECT: return accessDenied;
    case ERROR_INVALID_HANDLE: return invalidFile;
    case ERROR_CURRENT_DIRECTORY: return removeCurrentDir;
    case ERROR_NO_MORE_FILES: return directoryFull;
    case ERROR_SEEK:
    case ERROR_NEGATIVE_SEEK: return badSeek;
    case ERROR_CRC:
    case ERROR_READ_FAULT:
    case ERROR_WRITE_FAULT: return hardIO;
    case ERROR_SHARING_VIOLATION: return sharingViolation;
    case ERROR_LOCK_VIOLATION: return lockViolation;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL: return diskFull;
    case ERROR_HANDLE_EOF: return endOfFile;
    default: return genericException;
    }
}

void AfxThrowFileException(int cause, LONG osError, const std::wstring& fileName) {
    throw new CFileException(cause, osError, fileName);
}

}  // namespace fw
