#pragma once
// Move-only owners for Win32 handles: one template, one alias per release rule.
#include <windows.h>
#include <utility>

namespace fw {

template <typename T, typename Traits>
class UniqueResource {
public:
    UniqueResource() noexcept = default;
    explicit UniqueResource(T value) noexcept : value_(value) {}
    ~UniqueResource() { reset(); }
    UniqueResource(const UniqueResource&) = delete;
    UniqueResource& operator=(const UniqueResource&) = delete;
    UniqueResource(UniqueResource&& other) noexcept : value_(other.release()) {}
    UniqueResource& operator=(UniqueResource&& other) noexcept {
        if (this != &other) reset(other.release());
        return *this;
    }

    T get() const noexcept { return value_; }
    explicit operator bool() const noexcept { return value_ != Traits::Invalid(); }
    T release() noexcept { return std::exchange(value_, Traits::Invalid()); }
    void reset(T value = Traits::Invalid()) noexcept {
        T old = std::exchange(value_, value);
        if (old != Traits::Invalid()) Traits::Close(old);
    }
    // For out-parameters of creating calls: releases what is held first.
    T* put() noexcept { reset(); return &value_; }

private:
    T value_ = Traits::Invalid();
};

struct HandleTraits {
    static HANDLE Invalid() noexcept { return nullptr; }
    static void Close(HANDLE h) noexcept { ::CloseHandle(h); }
};
struct FileTraits {
    static HANDLE Invalid() noexcept { return INVALID_HANDLE_VALUE; }
    static void Close(HANDLE h) noexcept { ::CloseHandle(h); }
};
struct HKeyTraits {
    static HKEY Invalid() noexcept { return nullptr; }
    static void Close(HKEY h) noexcept { ::RegCloseKey(h); }
};
struct ViewTraits {
    static const void* Invalid() noexcept { return nullptr; }
    static void Close(const void* p) noexcept { ::UnmapViewOfFile(p); }
};
struct ModuleTraits {
    static HMODULE Invalid() noexcept { return nullptr; }
    static void Close(HMODULE h) noexcept { ::FreeLibrary(h); }
};
struct LocalTraits {
    static HLOCAL Invalid() noexcept { return nullptr; }
    static void Close(HLOCAL h) noexcept { ::LocalFree(h); }
};
struct GdiTraits {
    static HGDIOBJ Invalid() noexcept { return nullptr; }
    static void Close(HGDIOBJ h) noexcept { ::DeleteObject(h); }
};
template <typename T>
struct TypedGdiTraits {
    static T Invalid() noexcept { return nullptr; }
    static void Close(T h) noexcept { ::DeleteObject(h); }
};
struct MemoryDcTraits {
    static HDC Invalid() noexcept { return nullptr; }
    static void Close(HDC h) noexcept { ::DeleteDC(h); }
};
struct IconTraits {
    static HICON Invalid() noexcept { return nullptr; }
    static void Close(HICON h) noexcept { ::DestroyIcon(h); }
};
struct AccelTraits {
    static HACCEL Invalid() noexcept { return nullptr; }
    static void Close(HACCEL h) noexcept { ::DestroyAcceleratorTable(h); }
};

using UniqueHandle = UniqueResource<HANDLE, HandleTraits>;
using UniqueFile = UniqueResource<HANDLE, FileTraits>;
using UniqueHKey = UniqueResource<HKEY, HKeyTraits>;
using UniqueView = UniqueResource<const void*, ViewTraits>;
using UniqueModule = UniqueResource<HMODULE, ModuleTraits>;
using UniqueLocal = UniqueResource<HLOCAL, LocalTraits>;
using UniqueGdiObject = UniqueResource<HGDIOBJ, GdiTraits>;
using UniqueIcon = UniqueResource<HICON, IconTraits>;
using UniqueAccel = UniqueResource<HACCEL, AccelTraits>;
using UniqueBitmap = UniqueResource<HBITMAP, TypedGdiTraits<HBITMAP>>;
using UniqueBrush = UniqueResource<HBRUSH, TypedGdiTraits<HBRUSH>>;
using UniqueFont = UniqueResource<HFONT, TypedGdiTraits<HFONT>>;
using UniquePen = UniqueResource<HPEN, TypedGdiTraits<HPEN>>;
// A DC made by CreateCompatibleDC/CreateDC; window and paint DCs have owners in GdiScope.h.
using UniqueMemoryDc = UniqueResource<HDC, MemoryDcTraits>;

}  // namespace fw
