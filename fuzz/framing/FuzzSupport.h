#pragma once

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "maplink/IPackageDispatcher.h"

namespace maplink::fuzz {

// Both ends' settings, from the input's first byte.
struct FrameSettings {
  int32_t lenMode;
  bool useCrc;
};
inline FrameSettings ConsumeSettings(FuzzedDataProvider& input) {
  const auto bits = input.ConsumeIntegral<uint8_t>();
  return {(bits & 1) != 0 ? 0 : 1, (bits & 2) != 0};
}

// A "需要等待的封包" notice: a frame waits for more bytes.
inline bool IsWaitingNotice(const std::string& event) { return event.rfind("msg:\xd0\xe8\xd2\xaa", 0) == 0; }

// What a dispatcher reported, in order: "pack:<payload>", "msg:<text>", "fatal".
struct Events {
  std::vector<std::string> list;
  bool stopped = false;  // a fatal callback or a CRC exception was seen

  static void OnPack(void* context, const std::string& payload) {
    static_cast<Events*>(context)->list.push_back("pack:" + payload);
  }
  static void OnError(void* context, const std::string& message) {
    static_cast<Events*>(context)->list.push_back("msg:" + message);
  }
  static void OnFatal(void* context) {
    auto* events = static_cast<Events*>(context);
    events->list.push_back("fatal");
    events->stopped = true;
  }

  void Attach(IPackageDispatcher& dispatcher) {
    dispatcher.SetPackCallback(&OnPack, this);
    dispatcher.SetErrorCallback(&OnError, this);
    dispatcher.SetFatalCallback(&OnFatal, this);
  }

  // Feeds one block; a CRC exception is recorded as the event "crc".
  void Feed(IPackageDispatcher& dispatcher, const std::string& block) {
    try {
      dispatcher.RecvData(block);
    } catch (const PackCrcError&) {
      list.push_back("crc");
      stopped = true;
    }
  }
};

// A dispatcher made through the export and released on scope exit.
class DispatcherHandle {
 public:
  explicit DispatcherHandle(const FrameSettings& settings) : m_Dispatcher(NewPackageDispatcher()) {
    if (m_Dispatcher == nullptr) std::abort();
    m_Dispatcher->SetLenMode(settings.lenMode);
    m_Dispatcher->SetUseCrc(settings.useCrc);
  }
  ~DispatcherHandle() { FreePackageDispatcher(m_Dispatcher); }
  DispatcherHandle(const DispatcherHandle&) = delete;
  DispatcherHandle& operator=(const DispatcherHandle&) = delete;

  IPackageDispatcher& operator*() { return *m_Dispatcher; }
  IPackageDispatcher* operator->() { return m_Dispatcher; }

 private:
  IPackageDispatcher* m_Dispatcher;  // owned; released with FreePackageDispatcher
};

}  // namespace maplink::fuzz
