// The viewer programs, known only by the class names of their windows.
#pragma once

constexpr const char16_t* kTvTestWindow = u"TVTest Window";
constexpr const char16_t* kTvTestFullscreen = u"TVTest Fullscreen";
constexpr const char16_t* kTvTestChannelDisplay = u"TVTest Channel Display";
constexpr const char16_t* kTvH264Window = u"TVH264 Window";
constexpr const char16_t* kMagicTvWindow = u"mAgicTVWindow";

// The viewers' registered window message that carries a key chord.
constexpr const char16_t* kKeyHookMessageName = u"TVTest KeyHook";
