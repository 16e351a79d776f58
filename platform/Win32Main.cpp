// The GUI entry point of Korvanta.exe: put the real Windows behind the seam
// and run the program. Declared without <windows.h>, which only
// Win32Platform.cpp includes; the handle types are the same incomplete
// structs either way.
#include "app/Startup.h"
#include "platform/Win32Platform.h"

extern "C" int __stdcall wWinMain(HINSTANCE__* hInstance, HINSTANCE__*, wchar_t*, int) {
    win::SetPlatform(&Win32Platform());
    return RunKorvanta(hInstance);
}
