#include "threads/WriteThreadLog.h"

#include "platform/Process.h"
#include "support/LogBinding.h"

namespace maplink {

void WriteThreadLog(const std::string& text) {
  if (platform::StandardOutputIsTerminal()) WriteThreadConsoleLine(stdout, text);
  GetLogger()->LogInfo("%s", text.c_str());
}

void WriteThreadConsoleLine(std::FILE* console, const std::string& text) {
  std::fprintf(console, "%s\t%s\n", platform::LocalDateTimeText().c_str(), text.c_str());
}

}  // namespace maplink
