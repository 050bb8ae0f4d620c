#pragma once
// Run-time class information: class names for reports, is-kind-of, and creation
// by name from an explicit registry that start-up fills before any thread runs.
#include <string_view>

namespace fw {

class CObject;

struct CRuntimeClass {
    const char* className;
    const CRuntimeClass* baseClass;
    CObject* (*creator)();  // null when the class cannot be created by name

    CObject* CreateObject() const { return creator ? creator() : nullptr; }
    bool IsDerivedFrom(const CRuntimeClass* base) const noexcept;

    // Registry: an unknown name gives null and the caller decides what that means.
    static void Register(const CRuntimeClass* rtc);
    static const CRuntimeClass* FromName(std::wstring_view name);
};

class CObject {
public:
    virtual ~CObject() = default;
    virtual const CRuntimeClass* GetRuntimeClass() const;
    bool IsKindOf(const CRuntimeClass* rtc) const noexcept {
        return GetRuntimeClass()->IsDerivedFrom(rtc);
    }
    static const CRuntimeClass runtimeClass;
};

}  // namespace fw

#define RUNTIME_CLASS(name) (&name::runtimeClass)

#define DECLARE_DYNAMIC(name)                                   \
public:                                                         \
    static const ::fw::CRuntimeClass runtimeClass;               \
    const ::fw::CRuntimeClass* GetRuntimeClass() const override;

#define DECLARE_DYNCREATE(name) \
    DECLARE_DYNAMIC(name)       \
    static ::fw::CObject* CreateObject();

#define IMPLEMENT_DYNAMIC(name, base)                                                     \
    const ::fw::CRuntimeClass name::runtimeClass = {#name, RUNTIME_CLASS(base), nullptr};  \
    const ::fw::CRuntimeClass* name::GetRuntimeClass() const { return &runtimeClass; }

#define IMPLEMENT_DYNCREATE(name, base)                                                        \
    ::fw::CObject* name::CreateObject() { return new name; }                                   \
    const ::fw::CRuntimeClass name::runtimeClass = {#name, RUNTIME_CLASS(base), &name::CreateObject}; \
    const ::fw::CRuntimeClass* name::GetRuntimeClass() const { return &runtimeClass; }
