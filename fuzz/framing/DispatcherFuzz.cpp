// Arbitrary bytes, cut into arbitrary blocks, fed to a dispatcher with the
// CRC on or off and either length width. The payloads delivered and the first
// refusal must not depend on where the blocks were cut: the same bytes fed as
// one block give the same events up to the first fatal report or CRC error.

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "FuzzSupport.h"

namespace {

using maplink::fuzz::DispatcherHandle;
using maplink::fuzz::Events;

// The events that do not depend on block boundaries: waiting notices are
// left out, since every cut inside a frame adds one.
std::vector<std::string> Decisive(const std::vector<std::string>& events) {
  std::vector<std::string> decisive;
  for (const std::string& event : events) {
    if (!maplink::fuzz::IsWaitingNotice(event)) decisive.push_back(event);
  }
  return decisive;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider input(data, size);
  const maplink::fuzz::FrameSettings settings = maplink::fuzz::ConsumeSettings(input);

  std::vector<std::string> blocks;
  std::string whole;
  while (input.remaining_bytes() > 0) {
    const size_t length = input.ConsumeIntegralInRange<size_t>(0, 64);
    blocks.push_back(input.ConsumeBytesAsString(length));
    whole += blocks.back();
  }

  DispatcherHandle split(settings);
  Events splitEvents;
  splitEvents.Attach(*split);
  for (const std::string& block : blocks) {
    if (splitEvents.stopped) break;
    splitEvents.Feed(*split, block);
  }

  DispatcherHandle single(settings);
  Events singleEvents;
  singleEvents.Attach(*single);
  singleEvents.Feed(*single, whole);

  if (Decisive(splitEvents.list) != Decisive(singleEvents.list)) std::abort();
  return 0;
}
