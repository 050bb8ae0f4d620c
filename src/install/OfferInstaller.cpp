#include "install/OfferInstaller.h"

#include "app/Program.h"
#include "fw/Exception.h"
#include "fw/Result.h"
#include "fw/TextFormat.h"
#include "fw/WinApp.h"
#include "install/BzFile.h"
#include "install/OfferCommandLines.h"
#include "resources/ResourceIds.h"
#include "telemetry/FlowTracker.h"
#include "util/SystemProbes.h"

namespace install {

bool StartOfferInstaller(const std::wstring& exePath, const std::wstring& identity, ITaskContext& task,
                         const OfferLaunchContext& context) {
    const std::wstring text = fw::FormatText(fw::LoadStringResource(IDS_TASK_INSTALLING), context.appName);
    task.ReportTaskProgress(0, text);

    const OfferKindInfo* offer = OfferByIdentity(identity);
    if (!offer) fw::AfxThrowNotSupportedException();
    task.ReportTaskProgress(25, text);
    // Sent before the attempt: operators count attempts, failed starts included.
    telemetry::PostAction(context.flowSession, offer->flowAction);

    const std::wstring commandLine = offer->kind == OfferKind::Backup
                                         ? BuildBackupCommandLine(exePath, *context.data, context.installationId)
                                         : BuildSilentInstallerCommandLine(exePath, *context.data, offer->kind);
    fw::UniqueHandle process = util::LaunchProcess(commandLine);
    if (!process) {
        DWORD error = ::GetLastError();
        fw::AfxThrowOleException(fw::HResultFromWin32(error ? error : ERROR_GEN_FAILURE));
    }
    return !task.IsCancelled();
}

bool StartOfferInstaller(const std::wstring& exePath, const std::wstring& identity, ITaskContext& task) {
    app::CProgram& program = app::TheProgram();
    OfferLaunchContext context{&program.InjectedData(), program.installationId, program.flowSession,
                               program.AppNameCopy()};
    return StartOfferInstaller(exePath, identity, task, context);
}

}  // namespace install
