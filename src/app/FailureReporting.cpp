#include "app/FailureReporting.h"

#include <windows.h>

#include <cstdlib>
#include <cwchar>

#include "ResourceIds.h"
#include "app/Exceptions.h"
#include "app/Program.h"
#include "telemetry/FlowTracker.h"

namespace app {

namespace {

constexpr DWORD kFatalAppExit = 0x40000015;

LONG WINAPI FatalExceptionFilter(EXCEPTION_POINTERS* info) {
    HandleFatalStructuredException(info->ExceptionRecord->ExceptionCode);
}

}  // namespace

void ReportException(telemetry::CFlowSession* session, const fw::CException& e) {
    if (!session) return;
    std::string className = e.GetRuntimeClass()->className;
    std::wstring action = L"Exception::" + std::wstring(className.begin(), className.end());
    wchar_t message[512];
    if (!e.GetErrorMessage(message, 512)) wcscpy(message, L"No error message is available.");
    telemetry::PostAction(session, action, {{L"message", message}});
}

void InstallFatalExceptionHandler() { ::SetUnhandledExceptionFilter(&FatalExceptionFilter); }

void HandleFatalStructuredException(unsigned long code) {
    // Only one thread reports; a second fault while reporting just waits for the exit.
    static LONG reporting = 0;
    if (::InterlockedExchange(&reporting, 1) != 0) ::Sleep(INFINITE);
    CWindowsException e(code);
    CProgram& program = TheProgram();
    program.DoMessageBox(fw::LoadStringResource(IDS_FATAL_ERROR).c_str(), e.Message().c_str(),
                         MB_OK | MB_ICONERROR, 0);
    if (telemetry::CFlowSession* session = program.flowSession) {
        program.flowSession = nullptr;
        try {
            ReportException(session, e);
            telemetry::EndFlow(session, L"InstallBroken");
        } catch (fw::CException* ignored) {
            ignored->Delete();
        }
    }
    std::exit(0);
}

void FatalError(CToolkitException* e) {
    CProgram& program = TheProgram();
    if (e) {
        if (telemetry::CFlowSession* session = program.flowSession) {
            program.flowSession = nullptr;
            ReportException(session, *e);
            telemetry::EndFlow(session, L"InstallBroken");
        }
        e->ReportError(MB_OK);
        e->Delete();
    }
    std::exit(1);
}

void RaiseFatalAppExit() {
    ::RaiseException(kFatalAppExit, EXCEPTION_NONCONTINUABLE, 0, nullptr);
    std::abort();  // not reached: the exception is non-continuable
}

}  // namespace app
