#include "install/InstallationWork.h"

#include "app/Exceptions.h"

namespace install {

namespace {

// Until the network, extraction and installer pieces are wired in, every task that
// needs them fails with a clear message instead of pretending to work.
class UnavailableWork : public IInstallationWork {
public:
    std::wstring ChooseProductPackageKey() override { return L"MsiUrl"; }
    std::wstring Download(const std::wstring&, const wchar_t*, bool, ITaskContext&) override { Fail(); }
    std::wstring Extract(const std::wstring&, const wchar_t*, ITaskContext&, const volatile LONG&) override { Fail(); }
    bool Install(const std::wstring&, const wchar_t*, ITaskContext&) override { Fail(); }
    void InstallScan(const std::wstring&, ITaskContext&) override { Fail(); }

private:
    [[noreturn]] static void Fail() { throw new app::CToolkitException(L"This build cannot install yet."); }
};

}  // namespace

std::unique_ptr<IInstallationWork> CreateInstallationWork() { return std::make_unique<UnavailableWork>(); }

}  // namespace install
