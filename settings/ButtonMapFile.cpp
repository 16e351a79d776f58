#include "settings/ButtonMapFile.h"

#include <memory>
#include <new>

using namespace win;

namespace {
constexpr DWORD kInitialSectionCapacity = 1024;
}  // namespace

ButtonMapResult LoadButtonMap(const SettingsFile& settings, ButtonActions& actions) {
    SetBuiltInActions(actions);
    if (settings.path.empty()) return ButtonMapResult{};
    for (DWORD capacity = kInitialSectionCapacity; capacity <= kLargestButtonsSection; capacity *= 2) {
        std::unique_ptr<char16_t[]> list(new (std::nothrow) char16_t[capacity]);
        if (!list) return ButtonMapResult{};
        const DWORD length = Win().GetPrivateProfileSectionW(kButtonsSection, list.get(), capacity,
                                                             settings.path.c_str());
        // A list that did not fit comes back as capacity - 2 units; one that
        // fits exactly does too, and is read again in a larger buffer.
        const bool cut = length >= capacity - 2;
        if (cut && capacity < kLargestButtonsSection) continue;
        // Whatever the platform left there, the list ends inside the buffer.
        list[capacity - 1] = 0;
        list[capacity - 2] = 0;
        const std::size_t units = cut ? capacity : static_cast<std::size_t>(length) + 1;
        return ApplyButtonMapLines(actions, list.get(), units, cut);
    }
    return ButtonMapResult{};
}
