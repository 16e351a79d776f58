#include "delivery/IntegrityLevel.h"

#include "platform/Constants.h"

using namespace win;

namespace {

// The label and the SID it points to, which follows it: a mandatory label's
// SID has one sub-authority, 12 bytes in all. Aligned for the pointer it holds.
constexpr DWORD kLabelCapacity = 64;

constexpr IntegrityLevel kUnknown{kIntegrityUnknown, 0};

// A refusal for want of rights counts as such at every step of the question.
IntegrityLevel Failed() {
    return Win().GetLastError() == ERROR_ACCESS_DENIED ? IntegrityLevel{kIntegrityRefused, 0} : kUnknown;
}

IntegrityLevel LevelOfToken(HANDLE token) {
    alignas(TOKEN_MANDATORY_LABEL) BYTE buffer[kLabelCapacity];
    DWORD length = 0;
    if (!Win().GetTokenInformation(token, TokenIntegrityLevel, buffer, kLabelCapacity, &length)) return Failed();
    const PSID sid = reinterpret_cast<const TOKEN_MANDATORY_LABEL*>(buffer)->Label.Sid;
    const BYTE* count = sid ? Win().GetSidSubAuthorityCount(sid) : nullptr;
    if (!count || *count == 0) return kUnknown;
    const DWORD* rid = Win().GetSidSubAuthority(sid, *count - 1u);
    return rid ? IntegrityLevel{kIntegrityRead, *rid} : kUnknown;
}

IntegrityLevel LevelOfProcess(HANDLE process) {
    HANDLE token = nullptr;
    if (!Win().OpenProcessToken(process, TOKEN_QUERY, &token)) return Failed();
    const IntegrityLevel level = LevelOfToken(token);
    Win().CloseHandle(token);
    return level;
}

}  // namespace

bool KeysWouldBeDropped(IntegrityLevel target, IntegrityLevel own) {
    return target.reading == kIntegrityRead && own.reading == kIntegrityRead && target.rid > own.rid;
}

IntegrityLevel IntegrityLevelOfWindow(HWND window) {
    DWORD processId = 0;
    if (!window || !Win().GetWindowThreadProcessId(window, &processId) || processId == 0) return kUnknown;
    const HANDLE process = Win().OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, 0, processId);
    if (!process) return Failed();
    const IntegrityLevel level = LevelOfProcess(process);
    Win().CloseHandle(process);
    return level;
}

IntegrityLevel OwnIntegrityLevel() { return LevelOfProcess(Win().GetCurrentProcess()); }

bool KeysDroppedInFront(FrontProgramCheck& check, HWND front) {
    if (front == check.window) return check.keysDropped;
    check.window = front;
    const IntegrityLevel target = IntegrityLevelOfWindow(front);
    // Korvanta's own level does not change while it runs.
    if (target.reading != kIntegrityUnknown && !check.ownLevelRead) {
        check.ownLevel = OwnIntegrityLevel();
        check.ownLevelRead = true;
    }
    if (target.reading == kIntegrityRefused) {
        check.keysDropped =
            !Win().PostMessageW(front, check.probeMessage, 0, 0) && Win().GetLastError() == ERROR_ACCESS_DENIED;
        return check.keysDropped;
    }
    check.keysDropped = KeysWouldBeDropped(target, check.ownLevel);
    return check.keysDropped;
}
