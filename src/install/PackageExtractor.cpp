#include "install/PackageExtractor.h"

#include <climits>
#include <memory>
#include <new>

#include "app/Program.h"
#include "fw/FileException.h"
#include "fw/TextFormat.h"
#include "fw/UniqueHandle.h"
#include "fw/WinApp.h"
#include "install/BzFile.h"
#include "resources/ResourceIds.h"

namespace install {

namespace {

[[noreturn]] void RaiseLastFileError(const std::wstring& path) {
    DWORD error = ::GetLastError();
    if (error == 0) error = ERROR_WRITE_FAULT;
    fw::AfxThrowFileException(fw::CFileException::CauseFromWin32(error), static_cast<LONG>(error), path);
}

void WriteAll(HANDLE file, const void* data, DWORD count, const std::wstring& path) {
    DWORD written = 0;
    if (!::WriteFile(file, data, count, &written, nullptr)) RaiseLastFileError(path);
    // A short write without an error is a full disk by another name.
    if (written != count) fw::AfxThrowFileException(fw::CFileException::diskFull, ERROR_DISK_FULL, path);
}

bool Cancelled(const ITaskContext& task, const volatile LONG& cancelFlag) {
    return task.IsCancelled() || cancelFlag != 0;
}

}  // namespace

int ExtractionPercent(uint64_t uncompressedBytes, uint64_t compressedBytes) noexcept {
    if (compressedBytes == 0) return -1;  // what MulDiv answers for a zero divisor
    // Wide arithmetic: 32-bit byte counts go negative past 2 GiB.
    if (uncompressedBytes > UINT64_MAX / 100) return INT_MAX;
    uint64_t percent = (uncompressedBytes * 100 + compressedBytes / 2) / compressedBytes;
    return percent > INT_MAX ? INT_MAX : static_cast<int>(percent);
}

std::wstring ExtractPackage(const std::wstring& packagePath, const std::wstring& extension, ITaskContext& task,
                            const volatile LONG& cancelFlag) {
    std::unique_ptr<char[]> buffer(new (std::nothrow) char[kExtractBlockBytes]);
    if (!buffer) fw::AfxThrowMemoryException();

    CBzFile package(packagePath);

    const std::wstring outputPath = packagePath + extension;
    fw::UniqueFile output(::CreateFileW(outputPath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                        FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!output) RaiseLastFileError(outputPath);
    task.RememberTempFile(outputPath);

    const uint64_t compressedLength = package.GetCompressedLength();
    const std::wstring text =
        fw::FormatText(fw::LoadStringResource(IDS_TASK_EXTRACTING), app::TheProgram().AppNameCopy());

    UINT got = package.Read(buffer.get(), kExtractBlockBytes);
    while (got > 0 && !Cancelled(task, cancelFlag)) {
        task.ReportTaskProgress(ExtractionPercent(package.GetPosition(), compressedLength), text);
        WriteAll(output.get(), buffer.get(), got, outputPath);
        got = package.Read(buffer.get(), kExtractBlockBytes);
    }
    // Closing is where the last of the data reaches the file.
    if (!::CloseHandle(output.release())) RaiseLastFileError(outputPath);

    if (Cancelled(task, cancelFlag)) return {};
    return outputPath;
}

}  // namespace install
