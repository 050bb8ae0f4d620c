#pragma once
// Where failures end: the exception report to telemetry, the fatal routines and
// the handler that turns a processor fault on any thread into the fatal report.
#include "fw/Exception.h"

namespace telemetry { class CFlowSession; }

namespace app {

class CToolkitException;

// Reports "Exception::<class>" with the exception's "message".
void ReportException(telemetry::CFlowSession* session, const fw::CException& e);

// Installs the process-wide handler for faults and raised fatal exceptions.
void InstallFatalExceptionHandler();

// Handles a structured exception code as a fatal failure: report, message, exit 0.
[[noreturn]] void HandleFatalStructuredException(unsigned long code);

// Reports and shows the exception (if any), then ends the process with status 1.
[[noreturn]] void FatalError(CToolkitException* e);

// The fatal structured exception of start-up's registry steps.
[[noreturn]] void RaiseFatalAppExit();

}  // namespace app
