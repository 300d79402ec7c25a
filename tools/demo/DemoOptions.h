#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace maplink::demo {

struct DemoOptions {
  std::string host;       // empty: start the simulator on loopback
  uint16_t port = 0;
  uint32_t seconds = 10;  // 0: until Ctrl-C
  uint32_t rate = 2000;   // packets per second the host sends
  uint32_t bodySize = 64;
};

extern const char* const kDemoUsage;

// The options of a command line, or nothing (with a message in "error") when
// it is not valid. "--help" gives options with help set.
struct ParsedOptions {
  std::optional<DemoOptions> options;
  bool help = false;
  std::string error;
};
ParsedOptions ParseDemoOptions(int argc, const char* const* argv);

}  // namespace maplink::demo
