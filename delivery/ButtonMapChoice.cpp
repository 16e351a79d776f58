#include "delivery/ButtonMapChoice.h"

#include "platform/Constants.h"

using namespace win;

namespace {

// Room for a long path; a program in a deeper folder has no map of its own.
constexpr std::size_t kImagePathCapacity = 1024;

}  // namespace

std::size_t ProgramFileNameOfWindow(HWND window, char16_t* name, std::size_t capacity) {
    DWORD processId = 0;
    if (!window || !Win().GetWindowThreadProcessId(window, &processId) || processId == 0) return 0;
    HANDLE process = Win().OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, 0, processId);
    if (!process) return 0;
    char16_t path[kImagePathCapacity];
    DWORD length = kImagePathCapacity;
    const BOOL read = Win().QueryFullProcessImageNameW(process, 0, path, &length);
    Win().CloseHandle(process);
    if (!read || length == 0 || length >= kImagePathCapacity) return 0;
    std::size_t start = length;
    while (start > 0 && path[start - 1] != u'\\' && path[start - 1] != u'/') --start;
    const std::size_t size = length - start;
    if (size == 0 || size >= capacity) return 0;
    for (std::size_t i = 0; i < size; ++i) name[i] = path[start + i];
    name[size] = 0;
    return size;
}

ButtonMapChoice ChooseProgramButtonMap(const RouterState& router, const ButtonMaps& maps, ButtonCode code) {
    const ChosenMap all{&maps.all, nullptr};
    ButtonMapChoice choice{all, all};
    // A locked viewer that has gone no longer decides; the press goes by the
    // mode, and so by the program in front.
    const HWND window =
        router.lockedTarget && Win().IsWindow(router.lockedTarget) ? router.lockedTarget : Win().GetForegroundWindow();
    char16_t name[kImagePathCapacity];
    const std::size_t length = ProgramFileNameOfWindow(window, name, kImagePathCapacity);
    if (length == 0) return choice;
    for (const ProgramButtonMap& program : maps.programs) {
        if (!SameNameIgnoringCase(program.program, std::u16string_view(name, length))) continue;
        const ChosenMap own{&program.actions, &program};
        if (program.actions.own[code]) choice.press = own;
        if (program.actions.ownLong[code]) choice.longPress = own;
        break;
    }
    return choice;
}
