// A logging library that exports Log_Free but no GetLog.
extern "C" __attribute__((visibility("default"))) void Log_Free() {}
