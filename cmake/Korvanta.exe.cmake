# Korvanta.exe: the logic, the real platform behind the seam, and the
# resources. Included by the top-level CMakeLists.txt when building for
# Windows, with MinGW-w64 (cmake/mingw-x64.cmake, cmake/mingw-x86.cmake) or
# with Visual Studio.
enable_language(RC)

add_executable(Korvanta WIN32
    platform/Win32Main.cpp
    platform/Win32Platform.cpp
    platform/Win32Constants.cpp
    platform/Win32Runtime.cpp
    app/Korvanta.rc
)
target_link_libraries(Korvanta PRIVATE korvanta_logic)
# The token functions (the integrity level of the program keys are typed
# into). Both toolchains link it by default; named so that none may not.
target_link_libraries(Korvanta PRIVATE advapi32)
# The on-screen line's font and text.
target_link_libraries(Korvanta PRIVATE gdi32)
# The system's HID parser, for the buttons of other remotes.
target_link_libraries(Korvanta PRIVATE hid)

# Windows 7 headers: NOTIFYICONDATAW with hBalloonIcon, MENUITEMINFOW with
# hbmpItem. The layout checks in Win32Platform.cpp rely on these.
target_compile_definitions(Korvanta PRIVATE
    _WIN32_WINNT=0x0601 WINVER=0x0601 NTDDI_VERSION=0x06010000 _WIN32_IE=0x0800
    UNICODE _UNICODE)

if(MSVC)
    foreach(target korvanta_logic Korvanta)
        target_compile_options(${target} PRIVATE
            $<$<COMPILE_LANGUAGE:CXX>:/utf-8 /EHs-c- /GR- /GS- /Os /Gy>)
        target_compile_definitions(${target} PRIVATE _HAS_EXCEPTIONS=0)
        set_property(TARGET ${target} PROPERTY MSVC_RUNTIME_LIBRARY "MultiThreaded$<$<CONFIG:Debug>:Debug>")
    endforeach()
    # The resource script brings its own manifest; a second one from the
    # linker would collide with it.
    target_link_options(Korvanta PRIVATE /MANIFEST:NO /OPT:REF /OPT:ICF)
else()
    # Nothing here throws or asks for a type at run time, and both support
    # libraries are linked in statically, so the executable needs only
    # system DLLs. Link-time optimisation lets the linker see across files:
    # the small functions over the records fold into their callers (about
    # 6 KB less for the x64 executable). In one partition: split in two,
    # GCC 12 stopped with an internal compiler error (binds_to_current_def_p)
    # or lost a clone of a u16string constructor between the parts.
    foreach(target korvanta_logic Korvanta)
        target_compile_options(${target} PRIVATE
            $<$<COMPILE_LANGUAGE:CXX>:-Os -fno-exceptions -fno-rtti -fno-asynchronous-unwind-tables
            -fno-threadsafe-statics -ffunction-sections -fdata-sections -flto>)
    endforeach()
    target_compile_options(Korvanta PRIVATE $<$<COMPILE_LANGUAGE:CXX>:-Wall -Wextra -Wpedantic>)
    target_link_options(Korvanta PRIVATE
        -municode -mwindows -static -static-libgcc -static-libstdc++ -s -Wl,--gc-sections -flto -flto-partition=one -Os)
endif()

# The resource compiler does not report the files the script pulls in, so a
# redrawn icon or an edited manifest would otherwise leave a stale .res.
set_source_files_properties(app/Korvanta.rc PROPERTIES OBJECT_DEPENDS
    "${PROJECT_SOURCE_DIR}/app/Resource.h;${PROJECT_SOURCE_DIR}/app/Korvanta.manifest;${PROJECT_SOURCE_DIR}/app/icons/korvanta16.ico;${PROJECT_SOURCE_DIR}/app/icons/korvanta48.ico;${PROJECT_SOURCE_DIR}/app/icons/korvanta256.ico")
