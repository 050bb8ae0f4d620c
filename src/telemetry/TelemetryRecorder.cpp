#include "telemetry/TelemetryRecorder.h"

#include <windows.h>

#include <cwchar>

#include "fw/UniqueHandle.h"

namespace telemetry {

std::unique_ptr<TelemetryRecorder> TelemetryRecorder::FromEnvironment() {
    wchar_t path[MAX_PATH];
    DWORD n = ::GetEnvironmentVariableW(L"WRENKIT_TELEMETRY_RECORD", path, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return nullptr;
    return std::make_unique<TelemetryRecorder>(std::wstring(path, n));
}

std::wstring JsonString(const std::wstring& text) {
    std::wstring out = L"\"";
    for (wchar_t c : text) {
        if (c == L'"' || c == L'\\') {
            out += L'\\';
            out += c;
        } else if (c < 0x20) {
            wchar_t esc[8];
            std::swprintf(esc, 8, L"\\u%04x", static_cast<unsigned>(c));
            out += esc;
        } else {
            out += c;
        }
    }
    return out + L"\"";
}

void TelemetryRecorder::Deliver(const FlowRecord& record) {
    static const wchar_t* const kinds[] = {L"start", L"action", L"end"};
    std::wstring json = L"{\"kind\":\"" + std::wstring(kinds[record.kind]) + L"\",\"session_id\":" +
                        JsonString(record.sessionId) + L",\"fields\":{";
    for (size_t i = 0; i < record.fields.size(); ++i) {
        if (i) json += L",";
        json += JsonString(record.fields[i].first) + L":" + JsonString(record.fields[i].second);
    }
    WriteLine(json + L"}}");
}

void TelemetryRecorder::RecordRequest(const std::wstring& url) {
    WriteLine(L"{\"kind\":\"get\",\"url\":" + JsonString(url) + L"}");
}

void TelemetryRecorder::WriteLine(const std::wstring& json) {
    std::wstring line = json + L"\n";
    int n = ::WideCharToMultiByte(CP_UTF8, 0, line.c_str(), static_cast<int>(line.size()), nullptr, 0,
                                  nullptr, nullptr);
    std::string utf8(static_cast<size_t>(n), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, line.c_str(), static_cast<int>(line.size()), utf8.data(), n, nullptr,
                          nullptr);
    fw::CSingleLock lock(lock_);
    fw::UniqueFile file(::CreateFileW(path_.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                      nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return;
    DWORD written = 0;
    ::WriteFile(file.get(), utf8.data(), static_cast<DWORD>(utf8.size()), &written, nullptr);
}

}  // namespace telemetry
