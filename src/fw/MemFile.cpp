#include "fw/MemFile.h"

#include <algorithm>
#include <cstring>

namespace fw {

void CMemFile::Write(const void* data, size_t count) {
    if (position_ + count > bytes_.size()) bytes_.resize(position_ + count);
    if (count) std::memcpy(bytes_.data() + position_, data, count);
    position_ += count;
}

size_t CMemFile::Read(void* data, size_t count) {
    size_t n = position_ < bytes_.size() ? std::min(count, bytes_.size() - position_) : 0;
    if (n) std::memcpy(data, bytes_.data() + position_, n);
    position_ += n;
    return n;
}

uint64_t CMemFile::Seek(int64_t offset, SeekPosition from) {
    int64_t base = from == begin ? 0 : from == current ? static_cast<int64_t>(position_)
                                                       : static_cast<int64_t>(bytes_.size());
    position_ = static_cast<size_t>(std::max<int64_t>(0, base + offset));
    return position_;
}

void CMemFile::SetLength(size_t length) {
    bytes_.resize(length);
    position_ = std::min(position_, length);
}

}  // namespace fw
