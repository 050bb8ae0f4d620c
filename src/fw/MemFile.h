#pragma once
// A growable in-memory file: sequential writes and reads with a seek position.
#include <cstddef>
#include <cstdint>
#include <vector>

namespace fw {

class CMemFile {
public:
    enum SeekPosition { begin = 0, current = 1, end = 2 };

    void Write(const void* data, size_t count);
    size_t Read(void* data, size_t count);
    uint64_t Seek(int64_t offset, SeekPosition from);
    uint64_t GetLength() const noexcept { return bytes_.size(); }
    uint64_t GetPosition() const noexcept { return position_; }
    void SetLength(size_t length);
    const std::vector<uint8_t>& Data() const noexcept { return bytes_; }

private:
    std::vector<uint8_t> bytes_;
    size_t position_ = 0;
};

}  // namespace fw
