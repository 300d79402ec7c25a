#include "DemoOptions.h"

#include <algorithm>
#include <charconv>
#include <iterator>
#include <cstring>
#include <string_view>

namespace maplink::demo {

const char* const kDemoUsage =
    "usage: maplink-demo [--connect HOST:PORT] [--seconds N] [--rate N] [--size N]\n"
    "\n"
    "Runs the map server's link to a game server: connects, starts the send and\n"
    "receive threads, sends packets at a steady rate, takes the echoes back and\n"
    "prints one status line a second, then stops cleanly and prints a summary.\n"
    "\n"
    "  --connect HOST:PORT  link to this game server (it must echo packets back);\n"
    "                       default: a game-server simulator started on 127.0.0.1\n"
    "  --seconds N          run N seconds (default 10); 0 runs until Ctrl-C\n"
    "  --rate N             packets sent per second (default 2000, at most 1000000)\n"
    "  --size N             body bytes of each packet (default 64, at most 65536)\n"
    "  --help               this text\n"
    "\n"
    "Ctrl-C stops the demo cleanly at any time. A lost connection is reconnected\n"
    "after a short delay by the demo's disconnect handler.\n";

namespace {

template <typename Number>
bool ParseNumber(std::string_view text, Number& value, Number max) {
  const char* end = text.data() + text.size();
  const auto [stop, error] = std::from_chars(text.data(), end, value);
  return error == std::errc() && stop == end && value <= max;
}

bool ParseEndpoint(std::string_view text, DemoOptions& options) {
  const size_t colon = text.rfind(':');
  if (colon == std::string_view::npos || colon == 0) return false;
  uint16_t port = 0;
  if (!ParseNumber<uint16_t>(text.substr(colon + 1), port, 65535) || port == 0) return false;
  options.host = std::string(text.substr(0, colon));
  options.port = port;
  return true;
}

}  // namespace

// Each option that takes a value, with what reads the value into the options.
using ValueReader = bool (*)(std::string_view value, DemoOptions& options);
struct ValueOption {
  std::string_view flag;
  ValueReader read;
};
constexpr ValueOption kValueOptions[] = {
    {"--connect", [](std::string_view value, DemoOptions& options) { return ParseEndpoint(value, options); }},
    {"--seconds",
     [](std::string_view value, DemoOptions& options) {
       return ParseNumber<uint32_t>(value, options.seconds, 86400u * 365);
     }},
    {"--rate",
     [](std::string_view value, DemoOptions& options) {
       return ParseNumber<uint32_t>(value, options.rate, 1000000u) && options.rate > 0;
     }},
    {"--size",
     [](std::string_view value, DemoOptions& options) {
       return ParseNumber<uint32_t>(value, options.bodySize, 65536u);
     }},
};

ParsedOptions ParseDemoOptions(int argc, const char* const* argv) {
  ParsedOptions parsed;
  DemoOptions options;
  for (int i = 1; i < argc; ++i) {
    const std::string_view flag = argv[i];
    if (flag == "--help" || flag == "-h") {
      parsed.help = true;
      return parsed;
    }
    const auto option = std::find_if(std::begin(kValueOptions), std::end(kValueOptions),
                                     [&](const ValueOption& known) { return known.flag == flag; });
    if (option == std::end(kValueOptions)) {
      parsed.error = "unknown option " + std::string(flag);
      return parsed;
    }
    if (i + 1 >= argc) {
      parsed.error = "missing value after " + std::string(flag);
      return parsed;
    }
    const std::string_view value = argv[++i];
    if (!option->read(value, options)) {
      parsed.error = "bad value for " + std::string(flag) + ": " + std::string(value);
      return parsed;
    }
  }
  parsed.options = options;
  return parsed;
}
}  // namespace maplink::demo
