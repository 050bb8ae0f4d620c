#pragma once
// The creatable form of our COM classes: owns the reference count's end (self-deletion)
// and the two-step creation, as the base class only implements the interfaces.
#include <windows.h>

#include <new>

namespace WinHTTP {

template <typename Base>
class CWinHttpObject final : public Base {
public:
    // Allocates the object with a reference count of zero and runs its final
    // construction; on failure nothing is left behind.
    static HRESULT CreateInstance(CWinHttpObject** out) noexcept {
        if (!out) return E_POINTER;
        *out = nullptr;
        auto* object = new (std::nothrow) CWinHttpObject();
        if (!object) return E_OUTOFMEMORY;
        HRESULT hr = object->FinalConstruct();
        if (FAILED(hr)) {
            delete object;
            return hr;
        }
        *out = object;
        return S_OK;
    }

    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(this->InternalAddRef()); }
    ULONG STDMETHODCALLTYPE Release() override {
        LONG count = this->InternalRelease();
        if (count == 0) delete this;
        return static_cast<ULONG>(count);
    }

private:
    CWinHttpObject() = default;
};

}  // namespace WinHTTP
