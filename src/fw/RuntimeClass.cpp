#include "fw/RuntimeClass.h"

#include <vector>

namespace fw {

const CRuntimeClass CObject::runtimeClass = {"CObject", nullptr, nullptr};
const CRuntimeClass* CObject::GetRuntimeClass() const { return &runtimeClass; }

namespace {
std::vector<const CRuntimeClass*>& Registry() {
    static std::vector<const CRuntimeClass*> classes;
    return classes;
}
}  // namespace

bool CRuntimeClass::IsDerivedFrom(const CRuntimeClass* base) const noexcept {
    for (const CRuntimeClass* c = this; c; c = c->baseClass)
        if (c == base) return true;
    return false;
}

void CRuntimeClass::Register(const CRuntimeClass* rtc) {
    for (const CRuntimeClass* c : Registry())
        if (c == rtc) return;
    Registry().push_back(rtc);
}

const CRuntimeClass* CRuntimeClass::FromName(std::wstring_view name) {
    for (const CRuntimeClass* c : Registry()) {
        std::string_view n = c->className;
        if (n.size() != name.size()) continue;
        bool same = true;
        for (size_t i = 0; i < n.size() && same; ++i)
            same = static_cast<wchar_t>(static_cast<unsigned char>(n[i])) == name[i];
        if (same) return c;
    }
    return nullptr;
}

}  // namespace fw
