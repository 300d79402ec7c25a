// A logging library that exports GetLog but no Log_Free.
#include <quillet/ILog.h>

extern "C" __attribute__((visibility("default"))) ILog* GetLog() { return nullptr; }
