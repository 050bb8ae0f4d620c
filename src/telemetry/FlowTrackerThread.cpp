#include "telemetry/FlowTrackerThread.h"

#include <objbase.h>

#include <cwchar>
#include <string_view>

#include "fw/Exception.h"
#include "fw/MemFile.h"
#include "util/SystemProbes.h"

namespace telemetry {

std::wstring OsVersionText() {
    // GetVersionEx reports what the manifest allows; the kernel's own call does not lie.
    using RtlGetVersionFn = LONG(WINAPI*)(OSVERSIONINFOW*);
    auto rtlGetVersion =
        reinterpret_cast<RtlGetVersionFn>(::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), "RtlGetVersion"));
    OSVERSIONINFOW info{};
    info.dwOSVersionInfoSize = sizeof(info);
    if (!rtlGetVersion || rtlGetVersion(&info) != 0) return L"0.0";
    wchar_t text[32];
    std::swprintf(text, 32, L"%d.%d", static_cast<int>(info.dwMajorVersion), static_cast<int>(info.dwMinorVersion));
    return text;
}

std::wstring ArchText() { return sizeof(void*) == 8 || util::IsRunningUnderWow64() ? L"x64" : L"x86"; }

CFlowTrackerThread::CFlowTrackerThread(FlowServers servers)
    : servers_(std::move(servers)), osVersion_(OsVersionText()), arch_(ArchText()) {}

bool CFlowTrackerThread::PostCounted(UINT message, LPARAM record) {
    ::InterlockedIncrement(&pending_);
    if (PostThreadMessage(message, 0, record)) return true;
    ::InterlockedDecrement(&pending_);
    return false;
}

bool CFlowTrackerThread::Queue(const FlowRecord& record) {
    auto copy = std::make_unique<FlowRecord>(record);
    const UINT message = record.kind == FlowRecord::Start    ? kFlowStartMessage
                         : record.kind == FlowRecord::Action ? kFlowActionMessage
                                                             : kFlowEndMessage;
    if (!PostCounted(message, reinterpret_cast<LPARAM>(copy.get()))) return false;
    copy.release();  // the thread frees it
    return true;
}

bool CFlowTrackerThread::QueueQuit() { return PostCounted(kFlowQuitMessage, 0); }

BOOL CFlowTrackerThread::InitInstance() {
    comStarted_ = SUCCEEDED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
    return TRUE;
}

int CFlowTrackerThread::ExitInstance() {
    if (comStarted_) ::CoUninitialize();
    return 0;
}

bool CFlowTrackerThread::OnThreadMessage(const MSG& msg) {
    if (msg.message < kFlowStartMessage || msg.message > kFlowQuitMessage) return CWinThread::OnThreadMessage(msg);
    ::InterlockedDecrement(&pending_);
    if (msg.message == kFlowQuitMessage) return false;
    std::unique_ptr<FlowRecord> record(reinterpret_cast<FlowRecord*>(msg.lParam));
    // A record that cannot be sent is dropped; the next one still goes.
    try {
        Send(*record);
    } catch (fw::CException* e) {
        e->Delete();
    } catch (...) {
    }
    return true;
}

void CFlowTrackerThread::Send(FlowRecord& record) {
    if (record.kind == FlowRecord::Start) return StartSession(record);
    // An end without a final action only closes the session.
    if (record.fields.empty() || servers_.actionUrl.empty()) return;
    record.fields.emplace_back(L"session_id", record.session ? record.session->Id() : std::wstring());
    net::PostForm(servers_.actionUrl, record.fields, nullptr, servers_.timeouts);
}

void CFlowTrackerThread::StartSession(FlowRecord& record) {
    if (servers_.sessionInitUrl.empty()) return;
    record.fields.emplace_back(L"application", servers_.application);
    record.fields.emplace_back(L"attributes[os]", osVersion_);
    record.fields.emplace_back(L"attributes[arch]", arch_);
    fw::CMemFile reply;
    if (!net::PostForm(servers_.sessionInitUrl, record.fields, &reply, servers_.timeouts)) return;
    const auto& bytes = reply.Data();
    auto parsed = ParseSessionReply(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
    if (!parsed) return;
    if (record.session) record.session->SetId(parsed->sessionId);
    if (servers_.onReply) servers_.onReply(*parsed);
}

}  // namespace telemetry
