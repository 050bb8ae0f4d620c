#include <gtest/gtest.h>

#include "app/BrandExtender.h"
#include "app/Program.h"

namespace {

TEST(BrandExtender, CreatedByExactClassName) {
    app::RegisterRuntimeClasses();
    for (const wchar_t* name : {L"CDefaultBrandExtender", L"CTamberlyBackupBrandExtender"}) {
        const fw::CRuntimeClass* rtc = fw::CRuntimeClass::FromName(name);
        ASSERT_NE(nullptr, rtc) << name;
        std::unique_ptr<fw::CObject> object(rtc->CreateObject());
        EXPECT_TRUE(object->IsKindOf(RUNTIME_CLASS(app::IBrandExtender))) << name;
    }
    EXPECT_EQ(nullptr, fw::CRuntimeClass::FromName(L"cdefaultbrandextender"));
    EXPECT_EQ(nullptr, fw::CRuntimeClass::FromName(L"CMissingBrandExtender"));
    const fw::CRuntimeClass* thread = fw::CRuntimeClass::FromName(L"CInstallation");
    ASSERT_NE(nullptr, thread);
    EXPECT_FALSE(thread->IsDerivedFrom(RUNTIME_CLASS(app::IBrandExtender)));
}

}  // namespace
