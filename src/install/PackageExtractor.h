#pragma once
// Turns a downloaded bzip2 package into the runnable file beside it.
#include <windows.h>

#include <cstdint>
#include <string>

#include "install/TaskContext.h"

namespace install {

constexpr UINT kExtractBlockBytes = 64 * 1024;

// Writes packagePath + extension (replacing any such file), registered as a
// temporary file before the first byte. Returns that path, or empty when the
// task was cancelled (the partial output stays registered). Raises the file
// exception on unreadable or damaged packages and on output failures.
std::wstring ExtractPackage(const std::wstring& packagePath, const std::wstring& extension, ITaskContext& task,
                            const volatile LONG& cancelFlag);

// The task percentage: uncompressed bytes so far against the compressed size, so
// it passes 100 once the output outgrows the package.
int ExtractionPercent(uint64_t uncompressedBytes, uint64_t compressedBytes) noexcept;

}  // namespace install
