// Writes one line through the installed logging library.
#include <quillet/ILog.h>

extern "C" ILog* GetLog();
extern "C" void Log_Free();

int main() {
  GetLog()->LogInfo("host built against the installed package: %s", "ok");
  Log_Free();
  return 0;
}
