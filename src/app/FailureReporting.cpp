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
    // Only one thread reports; a fault on another thread meanwhile waits for the exit.
    // A fault on the reporting thread itself came from showing our box (its loop runs
    // the program's windows): the first fault is then shown in the system's box, and
    // a third time in none, so the report still ends the process instead of hanging.
    static volatile LONG reportingThread = 0;
    static unsigned long firstCode = 0;
    static int depth = 0;  // touched by the reporting thread only
    const LONG self = static_cast<LONG>(::GetCurrentThreadId());
    const LONG previous = ::InterlockedCompareExchange(&reportingThread, self, 0);
    if (previous != 0 && previous != self) ::Sleep(INFINITE);
    if (previous == 0) firstCode = code;
    ++depth;
    CWindowsException e(firstCode);
    CProgram& program = TheProgram();
    const std::wstring fatal = fw::LoadStringResource(IDS_FATAL_ERROR);
    if (depth == 1) {
        program.DoMessageBox(fatal.c_str(), e.Message().c_str(), MB_OK | MB_ICONERROR, 0);
    } else if (depth == 2) {
        const std::wstring text = fatal + L"\r\n\r\n" + e.Message();
        const std::wstring& caption = program.appName.empty() ? program.AppName() : program.appName;
        ::MessageBoxW(nullptr, text.c_str(), caption.c_str(), MB_OK | MB_ICONERROR);
    }
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
