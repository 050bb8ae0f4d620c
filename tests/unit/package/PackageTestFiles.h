#pragma once
// Packages made at test time with libbzip2's own buffer compressor, in a scratch
// folder that is removed afterwards.
#include <windows.h>

#include <bzlib.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

namespace package_test {

using Bytes = std::vector<char>;

// Compressible but not trivial: words from a small alphabet, a fixed generator.
inline Bytes SampleData(size_t size, uint32_t seed = 1) {
    Bytes data(size);
    uint32_t state = seed;
    for (size_t i = 0; i < size; ++i) {
        state = state * 1664525u + 1013904223u;
        data[i] = static_cast<char>("abcdefgh \n"[(state >> 24) % 10]);
    }
    return data;
}

inline Bytes Compress(const Bytes& plain) {
    unsigned int size = static_cast<unsigned int>(plain.size() + plain.size() / 100 + 600);
    Bytes out(size);
    int result = BZ2_bzBuffToBuffCompress(out.data(), &size, const_cast<char*>(plain.data()),
                                          static_cast<unsigned int>(plain.size()), 9, 0, 0);
    EXPECT_EQ(BZ_OK, result);
    out.resize(size);
    return out;
}

inline Bytes Decompress(const Bytes& packed, size_t expectedSize) {
    unsigned int size = static_cast<unsigned int>(expectedSize + 1);
    Bytes out(size);
    int result = BZ2_bzBuffToBuffDecompress(out.data(), &size, const_cast<char*>(packed.data()),
                                            static_cast<unsigned int>(packed.size()), 0, 0);
    EXPECT_EQ(BZ_OK, result);
    out.resize(size);
    return out;
}

inline void WriteBytes(const std::wstring& path, const Bytes& bytes) {
    std::ofstream file(path.c_str(), std::ios::binary | std::ios::trunc);
    file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

inline Bytes ReadBytes(const std::wstring& path) {
    std::ifstream file(path.c_str(), std::ios::binary);
    return Bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
}

inline bool Exists(const std::wstring& path) { return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

class ScratchFolder {
public:
    ScratchFolder() {
        wchar_t temp[MAX_PATH];
        ::GetTempPathW(MAX_PATH, temp);
        static int counter = 0;
        path_ = std::wstring(temp) + L"wrenkit-package-" + std::to_wstring(::GetCurrentProcessId()) + L"-" +
                std::to_wstring(++counter);
        ::CreateDirectoryW(path_.c_str(), nullptr);
    }
    ~ScratchFolder() { RemoveTree(path_); }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    std::wstring File(const std::wstring& name) const { return path_ + L"\\" + name; }

private:
    static void RemoveTree(const std::wstring& folder) {
        WIN32_FIND_DATAW found;
        HANDLE search = ::FindFirstFileW((folder + L"\\*").c_str(), &found);
        if (search != INVALID_HANDLE_VALUE) {
            do {
                std::wstring name = found.cFileName;
                if (name == L"." || name == L"..") continue;
                std::wstring full = folder + L"\\" + name;
                if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                    RemoveTree(full);
                else
                    ::DeleteFileW(full.c_str());
            } while (::FindNextFileW(search, &found));
            ::FindClose(search);
        }
        ::RemoveDirectoryW(folder.c_str());
    }

    std::wstring path_;
};

}  // namespace package_test
