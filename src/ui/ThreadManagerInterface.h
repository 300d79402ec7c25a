#pragma once

#include <maplink/IThreadManagerInterface.h>

#include <cstdint>

namespace maplink {

// The host's handle on the module's thread manager: the thread operations
// go to GetThreadManager(), the list-view operations to
// GetThreadManagerView(). Holds nothing of its own. It lives here, beside
// the view, so the thread subsystem itself stays free of Qt.
class ThreadManagerInterface final : public IThreadManagerInterface {
 public:
  ThreadManagerInterface() = default;
  ThreadManagerInterface(const ThreadManagerInterface&) = delete;
  ThreadManagerInterface& operator=(const ThreadManagerInterface&) = delete;

  void AddThread(const char* name, ThreadFunc threadFunc, bool coInit) override;
  int32_t GetThreadCount() const override;
  int32_t StartAll() override;
  void StopAll() override;
  void ExitAll() override;
  bool IsStarted() const override;
  void SetListView(QAbstractItemView* listView) override;
  void RefreshListView() override;

  virtual ~ThreadManagerInterface() = default;
};

}  // namespace maplink
