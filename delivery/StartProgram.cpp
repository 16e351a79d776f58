#include "delivery/StartProgram.h"

#include <algorithm>

#include "platform/Constants.h"

using namespace win;

namespace {

// Unsigned, so the tick count's wrap after 49.7 days reads as a short time.
bool TooSoon(bool before, DWORD at, DWORD now, DWORD pause) { return before && now - at < pause; }

StartResult Started(const CommandLine& command, DWORD now, bool& before, DWORD& at, DWORD pause,
                    DeliveryReport* report) {
    if (TooSoon(before, at, now, pause)) {
        if (report) {
            report->route = kRouteNone;
            report->reason = kReasonRunTooSoon;
            report->program = &command;
        }
        return StartResult{};
    }
    // A start that fails counts too: a held button must not try it again and again.
    before = true;
    at = now;
    const StartResult result = StartProgram(command);
    if (report) {
        report->route = result.started ? kRouteRun : kRouteNone;
        report->reason = result.started ? kReasonNone : kReasonRunFailed;
        report->program = &command;
        report->processId = result.processId;
        report->error = result.error;
    }
    return result;
}

}  // namespace

StartResult StartProgram(const CommandLine& command) {
    std::u16string line = QuotedCommandLine(command);  // CreateProcessW may write into it
    const std::u16string folder = ProgramFolder(command);
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    StartResult result{true, false, 0, 0};
    if (!Win().CreateProcessW(nullptr, line.data(), nullptr, nullptr, 0, 0, nullptr,
                              folder.empty() ? nullptr : folder.c_str(), &startup, &process)) {
        result.error = Win().GetLastError();
        return result;
    }
    Win().CloseHandle(process.hThread);
    Win().CloseHandle(process.hProcess);
    result.started = true;
    result.processId = process.dwProcessId;
    return result;
}

StartResult RunForButton(ProgramStarts& starts, ButtonCode code, const CommandLine& command, DWORD now,
                         DeliveryReport* report) {
    return Started(command, now, starts.ran[code], starts.ranAt[code], kRunPause, report);
}

StartResult RunForOtherButton(ProgramStarts& starts, OtherButton button, const CommandLine& command, DWORD now,
                              DeliveryReport* report) {
    auto start = std::find_if(starts.others.begin(), starts.others.end(),
                              [button](const OtherButtonStart& s) { return s.button == button; });
    if (start == starts.others.end()) {
        starts.others.push_back(OtherButtonStart{button, false, 0});
        start = starts.others.end() - 1;
    }
    return Started(command, now, start->ran, start->at, kRunPause, report);
}

StartResult StartViewerProgram(ProgramStarts& starts, const CommandLine& command, DWORD now, DeliveryReport* report) {
    return Started(command, now, starts.viewerStarted, starts.viewerStartedAt, kStartViewerPause, report);
}
