#include "app/PressNotice.h"

#include "app/MessageText.h"
#include "app/Resource.h"
#include "delivery/ButtonMapChoice.h"
#include "platform/Constants.h"
#include "remote/CommandLine.h"
#include "remote/ConsumerUsageNames.h"
#include "settings/ButtonMapFile.h"

using namespace win;

namespace {

constexpr std::size_t kNameCapacity = 128;
constexpr std::size_t kWordsCapacity = 160;

struct Words {
    char16_t text[kWordsCapacity];
};

Words Load(HINSTANCE instance, UINT id, const char16_t* arg = nullptr) {
    Words words{};
    const char16_t* args[] = {arg};
    FormatStringResource(instance, id, args, arg ? 1 : 0, words.text, kWordsCapacity);
    return words;
}

// The program's file name, cut to fit.
Words Copy(const std::u16string& text) {
    Words words{};
    text.copy(words.text, kWordsCapacity - 1);
    return words;
}

// The file name of the program behind a window; empty when it cannot be read.
struct ProgramName {
    char16_t text[kNameCapacity];
};
ProgramName ProgramOf(HWND window) {
    ProgramName name{};
    if (!ProgramFileNameOfWindow(window, name.text, kNameCapacity)) name.text[0] = 0;
    return name;
}

// A program that cannot be named (a StartViewer that does not read as a
// command line) is the viewer to the user.
Words ProgramStarted(HINSTANCE instance, const DeliveryReport& d) {
    return d.program ? Copy(ProgramFileName(*d.program)) : Load(instance, IDS_LINE_VIEWER);
}

// The action in the settings window's words: a chord as the map writes it,
// the front button's, a program to start.
Words ActionWords(HINSTANCE instance, const PressEvent& event) {
    const ButtonAction& action = event.action;
    if (action.kind == kActionBringToFront) return Load(instance, IDS_LINE_FRONT);
    if (action.kind == kActionRun) return Load(instance, IDS_LINE_RUN, ProgramStarted(instance, event.delivery).text);
    return Copy(FormatButtonAction(action, nullptr));
}

// The pattern for what happened, and whether it names where the press went.
UINT Pattern(const PressEvent& event, bool& namesTarget) {
    const DeliveryReport& d = event.delivery;
    namesTarget = false;
    if (d.route == kRouteRun) return IDS_LINE_ACTION;
    if (d.route != kRouteNone) {
        namesTarget = true;
        return event.program ? IDS_LINE_SENT_BY_MAP : IDS_LINE_SENT;
    }
    switch (d.reason) {
    case kReasonNoViewer: return IDS_LINE_NO_VIEWER;
    case kReasonMagicTvInFront: return IDS_LINE_MAGICTV;
    case kReasonIgnoreFlag: return IDS_LINE_IGNORED;
    case kReasonRunTooSoon: return IDS_LINE_STARTED_MOMENT_AGO;
    case kReasonRunFailed: return IDS_LINE_NOT_STARTED;
    case kReasonRefused: namesTarget = true; return d.error == ERROR_ACCESS_DENIED ? IDS_LINE_REFUSED_RIGHTS
                                                                                   : IDS_LINE_REFUSED;
    default: return IDS_LINE_NO_ACTION;
    }
}

}  // namespace

bool PressMissed(const PressEvent& event) {
    if (event.delivery.route != kRouteNone) return false;
    const std::uint8_t reason = event.delivery.reason;
    return reason == kReasonNoViewer || reason == kReasonMagicTvInFront || reason == kReasonRefused ||
           reason == kReasonRunFailed;
}

std::size_t FormatPressNotice(HINSTANCE instance, const PressEvent& event, OsdShow show, char16_t* out,
                              std::size_t capacity) {
    if (capacity == 0) return 0;
    out[0] = 0;
    if (!event.passed || event.press == kPressHeld || event.delivery.reason == kReasonLearning) return 0;
    if (show == kOsdNever || (show == kOsdWhenMissed && !PressMissed(event))) return 0;

    // Another remote's button by its device and the usage's name: "045E:0800 再生/一時停止 (00CD)".
    const Words key = event.source.usage
                          ? Copy(OtherButtonLabel(static_cast<std::uint16_t>(event.source.vendorId),
                                                  static_cast<std::uint16_t>(event.source.productId),
                                                  event.source.usage))
                          : Copy(FormatButtonKey(event.source.code).text);
    const Words button = event.press == kPressLong ? Load(instance, IDS_LINE_LONG, key.text) : key;
    bool namesTarget = false;
    const UINT pattern = Pattern(event, namesTarget);
    // The second place: the action, or for a program that did not start or
    // was started a moment ago its file name, or a refusal's error code.
    const DeliveryReport& d = event.delivery;
    Words second{};
    if (d.reason == kReasonRunFailed || d.reason == kReasonRunTooSoon) second = ProgramStarted(instance, d);
    else if (d.reason == kReasonRefused) second = Copy(FormatDecimal(d.error).text);
    else second = ActionWords(instance, event);
    ProgramName target{};
    if (namesTarget) target = ProgramOf(d.target);
    // A program that refuses even the question of its name is still a viewer to the user.
    if (namesTarget && !target.text[0]) FormatStringResource(instance, IDS_LINE_VIEWER, nullptr, 0, target.text,
                                                             kNameCapacity);
    const char16_t* map = event.program ? event.program->c_str() : u"";
    const char16_t* args[] = {button.text, second.text, target.text, map};
    FormatStringResource(instance, pattern, args, 4, out, capacity);
    std::size_t length = 0;
    while (length < capacity && out[length]) ++length;
    return length;
}
