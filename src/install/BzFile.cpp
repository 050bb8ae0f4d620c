#include "install/BzFile.h"

#include <bzlib.h>

#include <climits>
#include <cstdlib>
#include <cwchar>

#include "fw/WinApp.h"

namespace install {



BzErrorMapping MapBzError(int bzResult) noexcept {
    using E = fw::CFileException;
    switch (bzResult) {
    case BZ_CONFIG_ERROR: return {E::genericException, 13};
    case BZ_OUTBUFF_FULL: return {E::invalidFile, 111};
    case BZ_UNEXPECTED_EOF: return {E::endOfFile, 13};
    case BZ_IO_ERROR: return {E::hardIO, 1117};
    case BZ_DATA_ERROR_MAGIC: return {E::invalidFile, 13};
    case BZ_DATA_ERROR: return {E::invalidFile, 13};
    case BZ_MEM_ERROR: return {E::genericException, 14};
    case BZ_PARAM_ERROR: return {E::genericException, 87};
    case BZ_SEQUENCE_ERROR: return {E::invalidFile, 13};
    default: return bzResult < 0 ? BzErrorMapping{E::genericException, 574} : BzErrorMapping{E::none, 0};
    }
}

namespace {

// Reports keep naming the place the failure was first reported from.
constexpr int kDestructorReportLine = 172;

BZFILE* AsBz(void* handle) { return static_cast<BZFILE*>(handle); }

void FillFromErrno(fw::CFileException* error, const std::wstring& path) {
    if (!error) return;
    DWORD osError = static_cast<DWORD>(_doserrno);
    if (osError == 0) osError = ERROR_ACCESS_DENIED;
    *error = fw::CFileException(fw::CFileException::CauseFromWin32(osError), static_cast<LONG>(osError), path);
}

}  // namespace

CBzFile::CBzFile(const std::wstring& path) {
    fw::CFileException error;
    if (!Open(path, modeRead, &error)) throw new fw::CFileException(error);
}

std::wstring DestructorReportText(const fw::CException& e) {
    wchar_t message[512];
    wchar_t text[640];
    if (e.GetErrorMessage(message, 512))
        std::swprintf(text, 640, L"%ls (%ls:%d)\n%ls", L"Exception thrown in destructor", L"BzFile",
                      kDestructorReportLine, message);
    else
        std::swprintf(text, 640, L"%ls (%ls:%d)", L"Exception thrown in destructor", L"BzFile",
                      kDestructorReportLine);
    return text;
}

CBzFile::~CBzFile() {
    // Nothing may leave a destructor: show the failure instead.
    try {
        Close();
    } catch (fw::CException* e) {
        fw::AfxMessageBox(DestructorReportText(*e).c_str(), MB_OK);
        e->Delete();
    } catch (...) {
    }
}

bool CBzFile::Open(const std::wstring& path, UINT flags, fw::CFileException* error) {
    CloseQuietly();
    path_ = path;
    if (error) *error = fw::CFileException(fw::CFileException::none, 0, path);

    const bool writing = (flags & modeWrite) != 0;
    _doserrno = 0;
    stream_ = _wfopen(path.c_str(), writing ? L"wb" : L"rb");
    if (!stream_) {
        FillFromErrno(error, path);
        return false;
    }
    endReached_ = 0;
    mode_ = writing ? 2 : 1;
    uncompressedCount_ = 0;

    int result = BZ_OK;
    bz_ = writing ? BZ2_bzWriteOpen(&result, stream_, 9, 0, 0) : BZ2_bzReadOpen(&result, stream_, 0, 0, nullptr, 0);
    if (result != BZ_OK || !bz_) {
        if (result == BZ_OK) result = BZ_MEM_ERROR;
        if (error) {
            BzErrorMapping m = MapBzError(result);
            *error = fw::CFileException(m.cause, m.osError, path);
        }
        CloseQuietly();
        return false;
    }
    return true;
}

CBzFile* CBzFile::Duplicate() const { fw::AfxThrowNotSupportedException(); }
uint64_t CBzFile::Seek(int64_t, UINT) { fw::AfxThrowNotSupportedException(); }
void CBzFile::SetLength(uint64_t) { fw::AfxThrowNotSupportedException(); }
uint64_t CBzFile::GetLength() const { fw::AfxThrowNotSupportedException(); }
void CBzFile::LockRange(uint64_t, uint64_t) { fw::AfxThrowNotSupportedException(); }
void CBzFile::UnlockRange(uint64_t, uint64_t) { fw::AfxThrowNotSupportedException(); }

UINT CBzFile::Read(void* buffer, UINT count) {
    if (endReached_) return 0;
    if (mode_ != 1) Raise(BZ_SEQUENCE_ERROR);
    int result = BZ_OK;
    int wanted = count > INT_MAX ? INT_MAX : static_cast<int>(count);
    int got = BZ2_bzRead(&result, AsBz(bz_), buffer, wanted);
    if (result == BZ_STREAM_END)
        endReached_ = 1;  // this call's bytes still count
    else if (result != BZ_OK)
        Raise(result);
    if (got < 0) got = 0;
    uncompressedCount_ += static_cast<UINT>(got);
    return static_cast<UINT>(got);
}

void CBzFile::Write(const void* buffer, UINT count) {
    if (mode_ != 2) Raise(BZ_SEQUENCE_ERROR);
    const char* bytes = static_cast<const char*>(buffer);
    // libbzip2 takes an int count.
    for (UINT left = count; left > 0;) {
        int part = left > INT_MAX ? INT_MAX : static_cast<int>(left);
        int result = BZ_OK;
        BZ2_bzWrite(&result, AsBz(bz_), const_cast<char*>(bytes), part);
        if (result != BZ_OK) Raise(result);
        bytes += part;
        left -= static_cast<UINT>(part);
    }
    uncompressedCount_ += count;
}

void CBzFile::Flush() {
    if (bz_) BZ2_bzflush(AsBz(bz_));
    if (stream_ && std::fflush(stream_) != 0) Raise(BZ_IO_ERROR);
}

void CBzFile::Close() {
    int result = CloseQuietly();
    if (result != BZ_OK) Raise(result);
}

int CBzFile::CloseQuietly() noexcept {
    int first = BZ_OK;
    if (bz_) {
        int result = BZ_OK;
        if (mode_ == 2) {
            BZ2_bzWriteClose(&result, AsBz(bz_), 0, nullptr, nullptr);
            first = result;
        } else {
            BZ2_bzReadClose(&result, AsBz(bz_));
        }
    }
    // A written stream whose last bytes do not reach the disk is incomplete.
    if (stream_ && std::fclose(stream_) != 0 && mode_ == 2 && first == BZ_OK) first = BZ_IO_ERROR;
    stream_ = nullptr;
    bz_ = nullptr;
    uncompressedCount_ = 0;
    mode_ = 0;
    endReached_ = 0;
    return first;
}

uint64_t CBzFile::GetCompressedLength() const {
    if (!stream_) throw new fw::CFileException(fw::CFileException::genericException, ERROR_INVALID_HANDLE, path_);
    int64_t here = _ftelli64(stream_);
    if (here < 0 || _fseeki64(stream_, 0, SEEK_END) != 0) Raise(BZ_IO_ERROR);
    int64_t length = _ftelli64(stream_);
    if (_fseeki64(stream_, here, SEEK_SET) != 0 || length < 0) Raise(BZ_IO_ERROR);
    return static_cast<uint64_t>(length);
}

void CBzFile::Raise(int bzResult) const {
    BzErrorMapping m = MapBzError(bzResult);
    throw new fw::CFileException(m.cause, m.osError, path_);
}

}  // namespace install
