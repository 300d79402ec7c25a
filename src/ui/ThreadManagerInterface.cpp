#include "ui/ThreadManagerInterface.h"

#include <string>

#include "support/LogBinding.h"
#include "support/ResGuard.h"
#include "threads/ThreadManager.h"
#include "ui/ThreadManagerView.h"

namespace maplink {

void ThreadManagerInterface::AddThread(const char* name, ThreadFunc threadFunc, bool coInit) {
  if (name == nullptr) GetLogger()->LogWarn("AddThread: no name given, the thread is registered without one");
  GetThreadManager().AddThread(name == nullptr ? std::string() : std::string(name), threadFunc, coInit);
}

int32_t ThreadManagerInterface::GetThreadCount() const { return GetThreadManager().GetThreadCount(); }

int32_t ThreadManagerInterface::StartAll() { return GetThreadManager().StartAll(); }

void ThreadManagerInterface::StopAll() { GetThreadManager().StopAll(); }

void ThreadManagerInterface::ExitAll() { GetThreadManager().ExitAll(); }

bool ThreadManagerInterface::IsStarted() const { return GetThreadManager().IsStarted(); }

void ThreadManagerInterface::SetListView(QAbstractItemView* listView) {
  GetThreadManagerView().SetListView(listView);
}

void ThreadManagerInterface::RefreshListView() { GetThreadManagerView().RefreshListView(); }

}  // namespace maplink

extern "C" {

MAPLINK_EXPORT IThreadManagerInterface* GetThreadManagerInterface() {
  return SingletonEx::LazyInstance<maplink::ThreadManagerInterface>::Instance();
}
}
