// A command line as a shortcut's target holds it: the program, in double
// quotes when its path has spaces, then its arguments. Read from the
// settings file for the remote to start programs with.
#pragma once

#include <cstddef>
#include <string>

struct CommandLine {
    std::u16string program;    // without quotes
    std::u16string arguments;  // as written after it; may be empty
};

// False for an empty text or a quote that is never closed (a line cut
// short). Without quotes, a path with spaces that ends in ".exe" is taken
// whole as the program: the private-profile functions drop the quotes around
// a whole value, so `StartViewer="C:\Program Files\TVTest\TVTest.exe"`
// arrives without them. Any other unquoted program ends at the first space.
bool SplitCommandLine(const char16_t* text, std::size_t length, CommandLine& out);

// The program always in quotes, then the arguments: Windows never tries a
// shorter path cut at a space (C:\Program.exe for C:\Program Files\...).
std::u16string QuotedCommandLine(const CommandLine& command);

// The folder the program lives in, to start it there; empty for a bare name,
// which Windows finds along its search path.
std::u16string ProgramFolder(const CommandLine& command);

// The program's file name, for the log and the balloons.
std::u16string ProgramFileName(const CommandLine& command);
// A path's last part, after its folder or drive.
std::u16string FileNameOfPath(const std::u16string& path);
