// maplink-demo: the link to a game server, end to end. See --help.
#include <cstdio>

#include "DemoOptions.h"
#include "LinkDemo.h"

int main(int argc, char** argv) {
  const maplink::demo::ParsedOptions parsed = maplink::demo::ParseDemoOptions(argc, argv);
  if (parsed.help) {
    std::fputs(maplink::demo::kDemoUsage, stdout);
    return 0;
  }
  if (!parsed.options) {
    std::fprintf(stderr, "maplink-demo: %s\n\n%s", parsed.error.c_str(), maplink::demo::kDemoUsage);
    return 2;
  }
  maplink::demo::LinkDemo demo(*parsed.options);
  return demo.Run();
}
