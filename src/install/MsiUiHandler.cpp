#include "install/MsiUiHandler.h"

#include <msi.h>

#include <climits>
#include <cstdlib>

#include "install/MsiRecordText.h"
#include "install/TaskContext.h"

namespace install {
namespace {

constexpr UINT kTypeMask = 0xFF000000;
constexpr UINT kStyleMask = 0x00FFFFFF;
constexpr int kKeepPosition = -1;

int CancelAnswer(const MsiUiContext& context) {
    return context.page && context.page->IsCancelled() ? kMsiAnswerCancel : IDOK;
}

void Report(MsiUiContext& context, int percent, const wchar_t* text) {
    if (!context.page) return;
    const std::wstring kept = text ? text : L"";
    context.page->ReportUnscaledProgress(percent, kept.empty() ? nullptr : &kept);
}

int OnProblem(MsiUiContext& context, int kind, UINT style, const wchar_t* text) {
    if ((style & MB_TYPEMASK) != MB_OK) {
        return context.messageBox ? context.messageBox(text, style) : 0;
    }
    // Only raised if the install then fails; the last one describes it best.
    context.pendingException.reset(new app::CMsiException(kind, text));
    return IDOK;
}

void OnProgress(MsiUiContext& context, const ProgressFields& record) {
    for (int i = 0; i < 4; ++i) context.progressField[i] = record.field[i];
    switch (record.field[0]) {
    case 0:  // reset
        context.totalTicks = record.field[1];
        context.ticksDone = 0;
        context.forward = record.field[2] == 0;
        context.scriptPhase = record.field[3] == 1;
        Report(context, context.scriptPhase ? 100 : 0, nullptr);
        break;
    case 1:  // action info
        context.stepMode = record.field[2] != 0;
        if (context.stepMode) context.step = record.field[1];
        break;
    case 2: {  // report
        if (context.totalTicks == 0) break;
        long long increment = record.field[1];
        if (context.stepMode) increment *= context.step;
        context.ticksDone += std::llabs(increment);
        if (context.ticksDone > INT_MAX) context.ticksDone = INT_MAX;
        long long position = context.forward ? context.ticksDone : context.totalTicks - context.ticksDone;
        if (position < 0) position = 0;
        int percent = ::MulDiv(static_cast<int>(position), 100, context.totalTicks);
        if (percent > 100) percent = 100;  // an installer that overshoots its total
        if (percent >= 0) Report(context, percent, nullptr);
        break;
    }
    default:
        break;
    }
}

}  // namespace

void MsiUiContext::ResetForRun(ITaskContext* runPage, MessageBoxHook hook) {
    page = runPage;
    messageBox = std::move(hook);
    pendingException.reset();
    commonDataType = commonDataValue = 0;
    for (int& f : progressField) f = 0;
    totalTicks = 0;
    ticksDone = 0;
    step = 0;
    forward = true;
    scriptPhase = false;
    stepMode = false;
}

int MsiUiHandler(MsiUiContext& context, UINT typeAndFlags, const wchar_t* text) {
    const UINT type = typeAndFlags & kTypeMask;
    const UINT style = typeAndFlags & kStyleMask;
    if (!text) text = L"";
    switch (type) {
    case INSTALLMESSAGE_FATALEXIT:
        return OnProblem(context, app::CMsiException::FatalExit, style, text);
    case INSTALLMESSAGE_ERROR:
        return OnProblem(context, app::CMsiException::Error, style, text);
    case INSTALLMESSAGE_WARNING:
        return OnProblem(context, app::CMsiException::Warning, style, text);
    case INSTALLMESSAGE_USER:
        return context.messageBox ? context.messageBox(text, style) : 0;
    case INSTALLMESSAGE_INFO:
    case INSTALLMESSAGE_OUTOFDISKSPACE:
    case INSTALLMESSAGE_ACTIONSTART:
    case INSTALLMESSAGE_INITIALIZE:
    case INSTALLMESSAGE_TERMINATE:
    case INSTALLMESSAGE_SHOWDIALOG:
        return IDOK;
    case INSTALLMESSAGE_ACTIONDATA:
        if (context.totalTicks != 0) Report(context, context.stepMode ? 0 : kKeepPosition, text);
        return IDOK;
    case INSTALLMESSAGE_PROGRESS:
        if (auto record = ParseProgressRecord(text)) OnProgress(context, *record);
        // The only place where the user's cancel reaches Windows Installer.
        return CancelAnswer(context);
    case INSTALLMESSAGE_COMMONDATA:
        if (auto record = ParseCommonDataRecord(text)) {
            context.commonDataType = record->type;
            context.commonDataValue = record->value;
            if (record->type == 2 && context.page) context.page->EnableCancel(record->value != 0);
        }
        return IDOK;
    default:
        return 0;
    }
}

int WINAPI MsiUiHandlerCallback(void* context, UINT typeAndFlags, LPCWSTR text) {
    // Nothing may escape into msi.dll.
    try {
        return MsiUiHandler(*static_cast<MsiUiContext*>(context), typeAndFlags, text);
    } catch (fw::CException* e) {
        e->Delete();
    } catch (...) {
    }
    return 0;
}

}  // namespace install
