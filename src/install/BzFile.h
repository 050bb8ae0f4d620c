#pragma once
// A file of bzip2 data, read (or written) through libbzip2's file interface over
// a runtime buffered stream. Positions and counts are in uncompressed bytes.
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "fw/Exception.h"
#include "fw/FileException.h"

namespace install {

// The framework file cause and the OS error that a libbzip2 result stands for.
struct BzErrorMapping {
    int cause;
    LONG osError;
};
BzErrorMapping MapBzError(int bzResult) noexcept;

// What the destructor shows when closing raised: the place and the message.
std::wstring DestructorReportText(const fw::CException& e);

class CBzFile {
public:
    enum OpenFlags : UINT {
        modeRead = 0x0000,
        modeWrite = 0x0001,
        modeCreate = 0x1000,
    };

    CBzFile() = default;
    // Opens path for reading; raises the file exception when that fails.
    explicit CBzFile(const std::wstring& path);
    virtual ~CBzFile();
    CBzFile(const CBzFile&) = delete;
    CBzFile& operator=(const CBzFile&) = delete;

    virtual uint64_t GetPosition() const { return uncompressedCount_; }
    // False on failure, with the cause in error (when given).
    virtual bool Open(const std::wstring& path, UINT flags, fw::CFileException* error = nullptr);
    [[noreturn]] virtual CBzFile* Duplicate() const;
    [[noreturn]] virtual uint64_t Seek(int64_t offset, UINT from);
    [[noreturn]] virtual void SetLength(uint64_t length);
    [[noreturn]] virtual uint64_t GetLength() const;
    [[noreturn]] virtual void LockRange(uint64_t position, uint64_t count);
    [[noreturn]] virtual void UnlockRange(uint64_t position, uint64_t count);
    // 0 once the end of the first stream is reached; raises on damaged data.
    virtual UINT Read(void* buffer, UINT count);
    virtual void Write(const void* buffer, UINT count);
    virtual void Abort() { Close(); }
    virtual void Flush();
    // Raises when finishing a written stream fails: the file is then incomplete.
    virtual void Close();
    // Size of the compressed file on disk.
    virtual uint64_t GetCompressedLength() const;

    const std::wstring& FilePath() const noexcept { return path_; }

private:
    [[noreturn]] void Raise(int bzResult) const;
    // Closes everything without raising; the first failure's libbzip2 or errno result.
    int CloseQuietly() noexcept;

    std::wstring path_;
    FILE* stream_ = nullptr;
    void* bz_ = nullptr;  // BZFILE*
    uint64_t uncompressedCount_ = 0;
    int mode_ = 0;  // 0 closed, 1 reading, 2 writing
    int endReached_ = 0;
};

}  // namespace install
