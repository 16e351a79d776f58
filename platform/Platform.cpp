#include "platform/Platform.h"

namespace win {
Platform* g_platform = nullptr;
}
