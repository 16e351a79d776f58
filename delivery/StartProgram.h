// Programs the remote starts: a button mapped to Run, and the viewer that the
// front button starts when none runs. Korvanta never waits for them.
#pragma once

#include "delivery/DeliveryReport.h"
#include "platform/Platform.h"
#include <vector>

#include "remote/ButtonKeyTable.h"
#include "remote/ButtonMap.h"
#include "remote/CommandLine.h"

// A held button repeats: it must not start ten copies, nor may a second
// press start another viewer while the first is still coming up.
constexpr win::DWORD kRunPause = 2000;
constexpr win::DWORD kStartViewerPause = 5000;

// When each was last started (tick counts), to keep those pauses.
struct OtherButtonStart {
    OtherButton button;
    bool ran;
    win::DWORD at;
};
struct ProgramStarts {
    bool ran[256];
    win::DWORD ranAt[256];  // by button code
    bool viewerStarted;
    win::DWORD viewerStartedAt;
    std::vector<OtherButtonStart> others;  // other remotes' buttons, each from its first start
};

struct StartResult {
    bool tried;  // false: too soon after the last start
    bool started;
    win::DWORD processId;
    win::DWORD error;  // the platform's, when not started
};

// In the program's own folder, handing on no handle, and closing the two it
// gets back.
StartResult StartProgram(const CommandLine& command);

// A press of `code`, mapped to Run.
StartResult RunForButton(ProgramStarts& starts, ButtonCode code, const CommandLine& command, win::DWORD now,
                         DeliveryReport* report = nullptr);

// The same for a button of another remote.
StartResult RunForOtherButton(ProgramStarts& starts, OtherButton button, const CommandLine& command, win::DWORD now,
                              DeliveryReport* report = nullptr);

// The front button found no viewer at all.
StartResult StartViewerProgram(ProgramStarts& starts, const CommandLine& command, win::DWORD now,
                               DeliveryReport* report = nullptr);
