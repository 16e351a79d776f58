// The real Windows behind the platform seam, for Korvanta.exe only.
#pragma once

#include "platform/Platform.h"

// The one process-wide instance that forwards every operation to Windows.
win::Platform& Win32Platform();
