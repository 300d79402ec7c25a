#pragma once

#include <cstdlib>
#include <string>
#include <vector>

#include "maplink/IPackageDispatcher.h"

namespace maplink::fuzz {

// Sends the module's log (CRC mismatches are logged) into the build folder
// unless the caller chose a folder.
inline void KeepLogInBuildFolder() { setenv("QUILLET_LOG_DIR", FUZZ_LOG_DIR, 0); }

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
  DispatcherHandle(int32_t lenMode, bool useCrc) : m_Dispatcher(NewPackageDispatcher()) {
    if (m_Dispatcher == nullptr) std::abort();
    m_Dispatcher->SetLenMode(lenMode);
    m_Dispatcher->SetUseCrc(useCrc);
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
