#pragma once
// The owner of one COM reference: released at the end, never copied.

namespace controls {

template <typename T>
class CComRef {
public:
    CComRef() = default;
    explicit CComRef(T* adopted) : p_(adopted) {}
    ~CComRef() { reset(); }
    CComRef(const CComRef&) = delete;
    CComRef& operator=(const CComRef&) = delete;
    T* get() const { return p_; }
    T* operator->() const { return p_; }
    explicit operator bool() const { return p_ != nullptr; }
    void reset(T* adopted = nullptr) {
        if (p_) p_->Release();
        p_ = adopted;
    }
    // For out-parameters: releases what is held first.
    T** put() { reset(); return &p_; }

private:
    T* p_ = nullptr;
};

}  // namespace controls
