// maplink-demo, first cut: binds the logging library the way the module
// does, writes one line through it and says where the line went. The link
// demo proper replaces it once the link exists.
#include <cstdio>
#include <cstdlib>

#include "support/LogBinding.h"

int main() {
  maplink::GetLogger()->LogInfo("maplink-demo: logging library bound");
  maplink::GetLogger()->Flush();
  const char* folder = std::getenv("QUILLET_LOG_DIR");
  std::printf("maplink-demo: wrote one line to %s/quillet.log\n", folder != nullptr ? folder : "log");
  return 0;
}
