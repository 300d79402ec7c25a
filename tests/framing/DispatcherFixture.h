#pragma once

#include <initializer_list>
#include <string>
#include <vector>

#include "maplink/IPackageDispatcher.h"

namespace maplink::test {

// Bytes from a list of values 0..255.
inline std::string Bytes(std::initializer_list<int> values) {
  std::string bytes;
  for (int value : values) bytes.push_back(static_cast<char>(value));
  return bytes;
}

// A dispatcher made through the export, with every callback recording into
// one ordered list of events: "pack:<payload>", "msg:<text>", "fatal", and
// "filter:<block>" for the filter's calls.
class RecordingDispatcher {
 public:
  RecordingDispatcher(int32_t lenMode, bool useCrc) : m_Dispatcher(NewPackageDispatcher()) {
    m_Dispatcher->SetLenMode(lenMode);
    m_Dispatcher->SetUseCrc(useCrc);
    m_Dispatcher->SetRecvFilter(&OnFilter, this);
    m_Dispatcher->SetPackCallback(&OnPack, this);
    m_Dispatcher->SetErrorCallback(&OnError, this);
    m_Dispatcher->SetFatalCallback(&OnFatal, this);
  }
  ~RecordingDispatcher() { FreePackageDispatcher(m_Dispatcher); }
  RecordingDispatcher(const RecordingDispatcher&) = delete;
  RecordingDispatcher& operator=(const RecordingDispatcher&) = delete;

  IPackageDispatcher& operator*() { return *m_Dispatcher; }
  IPackageDispatcher* operator->() { return m_Dispatcher; }

  // The frame of payload under this dispatcher's settings.
  std::string Frame(const std::string& payload) {
    std::string frame(payload.size() + 10, '\0');
    const int32_t length = m_Dispatcher->PackData(payload.data(), static_cast<uint32_t>(payload.size()),
                                                  frame.data(), static_cast<int32_t>(frame.size()));
    frame.resize(static_cast<size_t>(length));
    return frame;
  }

  std::vector<std::string> events;
  std::vector<std::string> payloads;
  bool filterAnswer = true;
  bool recordFilterCalls = false;

 private:
  static RecordingDispatcher& Self(void* context) { return *static_cast<RecordingDispatcher*>(context); }
  static bool OnFilter(void* context, const std::string& block) {
    if (Self(context).recordFilterCalls) Self(context).events.push_back("filter:" + block);
    return Self(context).filterAnswer;
  }
  static void OnPack(void* context, const std::string& payload) {
    Self(context).events.push_back("pack:" + payload);
    Self(context).payloads.push_back(payload);
  }
  static void OnError(void* context, const std::string& message) { Self(context).events.push_back("msg:" + message); }
  static void OnFatal(void* context) { Self(context).events.push_back("fatal"); }

  IPackageDispatcher* m_Dispatcher;  // owned; released with FreePackageDispatcher
};

}  // namespace maplink::test
