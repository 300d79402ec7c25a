// Arbitrary payloads framed with PackData, the frames joined into one stream
// and cut into arbitrary blocks: RecvData must deliver exactly those payloads,
// in order, and report nothing but waiting notices.

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "FuzzSupport.h"

using maplink::fuzz::DispatcherHandle;
using maplink::fuzz::Events;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider input(data, size);
  const maplink::fuzz::FrameSettings settings = maplink::fuzz::ConsumeSettings(input);
  DispatcherHandle packer(settings);
  DispatcherHandle receiver(settings);

  std::vector<std::string> payloads(input.ConsumeIntegralInRange<size_t>(0, 16));
  std::string stream;
  for (std::string& payload : payloads) {
    payload = input.ConsumeRandomLengthString(4096);
    const size_t frameLen = static_cast<size_t>(packer->GetPackHeadLen()) + payload.size() +
                            static_cast<size_t>(packer->GetCrcLen());
    std::string frame(frameLen, '\0');
    const int32_t written = packer->PackData(payload.data(), static_cast<uint32_t>(payload.size()), frame.data(),
                                             static_cast<int32_t>(frame.size()));
    if (written != static_cast<int32_t>(frameLen)) std::abort();
    stream += frame;
  }

  Events events;
  events.Attach(*receiver);
  size_t fed = 0;
  while (fed < stream.size()) {
    const size_t length = input.remaining_bytes() > 0 ? input.ConsumeIntegralInRange<size_t>(1, 512)
                                                      : stream.size() - fed;
    const std::string block = stream.substr(fed, length);
    fed += block.size();
    events.Feed(*receiver, block);
  }

  std::vector<std::string> delivered;
  for (const std::string& event : events.list) {
    if (event.rfind("pack:", 0) == 0) {
      delivered.push_back(event.substr(5));
    } else if (!maplink::fuzz::IsWaitingNotice(event)) {
      std::abort();
    }
  }
  if (delivered != payloads) std::abort();
  return 0;
}
