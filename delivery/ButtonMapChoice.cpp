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

namespace {

// The own map of the program in front (or locked on), null when it has none.
const ProgramButtonMap* ProgramMapInFront(const RouterState& router, const ButtonMaps& maps) {
    // A locked viewer that has gone no longer decides; the press goes by the
    // mode, and so by the program in front.
    const HWND window =
        router.lockedTarget && Win().IsWindow(router.lockedTarget) ? router.lockedTarget : Win().GetForegroundWindow();
    char16_t name[kImagePathCapacity];
    const std::size_t length = ProgramFileNameOfWindow(window, name, kImagePathCapacity);
    if (length == 0) return nullptr;
    for (const ProgramButtonMap& program : maps.programs)
        if (SameNameIgnoringCase(program.program, std::u16string_view(name, length))) return &program;
    return nullptr;
}

}  // namespace

ButtonMapChoice ChooseProgramButtonMap(const RouterState& router, const ButtonMaps& maps, ButtonCode code) {
    const ChosenMap all{&maps.all, nullptr};
    ButtonMapChoice choice{all, all};
    const ProgramButtonMap* program = ProgramMapInFront(router, maps);
    if (!program) return choice;
    const ChosenMap own{&program->actions, program};
    if (program->actions.own[code]) choice.press = own;
    if (program->actions.ownLong[code]) choice.longPress = own;
    return choice;
}

OtherButtonChoice ChooseOtherButtonMap(const RouterState& router, const ButtonMaps& maps, OtherButton button) {
    OtherButtonChoice choice{};
    if (const OtherButtonActions* all = FindOtherButton(maps.all, button)) {
        if (all->own) choice.press = {{&maps.all, nullptr}, &all->action};
        if (all->ownLong) choice.longPress = {{&maps.all, nullptr}, &all->longAction};
    }
    if (maps.programs.empty()) return choice;
    const ProgramButtonMap* program = ProgramMapInFront(router, maps);
    const OtherButtonActions* own = program ? FindOtherButton(program->actions, button) : nullptr;
    if (!own) return choice;
    if (own->own) choice.press = {{&program->actions, program}, &own->action};
    if (own->ownLong) choice.longPress = {{&program->actions, program}, &own->longAction};
    return choice;
}

bool AnyMapNamesDevice(const ButtonMaps& maps, std::uint16_t vendorId, std::uint16_t productId) {
    if (NamesOtherDevice(maps.all, vendorId, productId)) return true;
    for (const ProgramButtonMap& program : maps.programs)
        if (NamesOtherDevice(program.actions, vendorId, productId)) return true;
    return false;
}
