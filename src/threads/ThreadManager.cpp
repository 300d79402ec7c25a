#include "threads/ThreadManager.h"

#include <memory>

#include "platform/Process.h"
#include "support/LogBinding.h"
#include "support/TextFormat.h"
#include "threads/WriteThreadLog.h"

namespace maplink {

ThreadManager::~ThreadManager() {
  for (int32_t i = 0; i < GetThreadCount(); ++i) RecordAt(i)->EndThread();
  TLockObj lock(m_ListLock);
  m_Threads.Clear();
}

void ThreadManager::AddThread(const std::string& name, ThreadFunc threadFunc, bool coInit) {
  auto record = std::make_unique<UserThread>();
  record->CreateThread(name, threadFunc, coInit, ThreadContext{*this});
  TLockObj lock(m_ListLock);
  record->GetThread()->SetThreadIndex(m_Threads.GetCount());
  m_Threads.Add(record.release());
}

int32_t ThreadManager::StartAll() {
  m_Started.store(true);
  for (int32_t i = 0; i < GetThreadCount(); ++i) {
    SingleThread* thread = GetThread(i);
    if (thread == nullptr) continue;
    const std::string name = thread->GetName();
    WriteThreadLog(FormatText("Starting thread : %s...", name.c_str()));
    // Cleared before the resume, so a thread parked by StopAll runs on
    // instead of parking again.
    thread->ClearStop();
    thread->Resume();
    WriteThreadLog(FormatText("Starting thread : %s OK! CurrentThreadID = %d", name.c_str(),
                              static_cast<int32_t>(platform::CurrentThreadId())));
  }
  return GetThreadCount();
}

void ThreadManager::StopAll() {
  m_Started.store(false);
  ReleaseForeignEvents();
  for (int32_t i = 0; i < GetThreadCount(); ++i) {
    SingleThread* thread = GetThread(i);
    if (thread == nullptr) continue;
    // A parked or never started thread must run to the top of its loop to
    // acknowledge.
    if (thread->IsSuspended()) thread->Resume();
    thread->Stop();
  }
  WriteThreadLog("All Thread Stopped");
}

void ThreadManager::ExitAll() {
  m_Started.store(false);
  ReleaseForeignEvents();
  for (int32_t i = 0; i < GetThreadCount(); ++i) {
    UserThread* record = RecordAt(i);
    if (SingleThread* thread = record->GetThread()) {
      WriteThreadLog(FormatText("%s Thread Prepare Exit", thread->GetName().c_str()));
    }
    // Also for a thread whose loop has ended: its last steps may still run,
    // and every body has returned before the line below.
    record->EndThread();
  }
  WriteThreadLog("All Thread Exit OK!");
  TLockObj lock(m_ListLock);
  m_Threads.Clear();
}

int32_t ThreadManager::GetThreadCount() const {
  TLockObj lock(m_ListLock);
  return m_Threads.GetCount();
}

SingleThread* ThreadManager::GetThread(int32_t index) const {
  TLockObj lock(m_ListLock);
  return ThreadAt(index);
}

SingleThread* ThreadManager::ThreadAt(int32_t index) const {
  const UserThread* record = m_Threads.Get(index);
  return record == nullptr ? nullptr : record->GetThread();
}

UserThread* ThreadManager::RecordAt(int32_t index) const {
  TLockObj lock(m_ListLock);
  return m_Threads.Get(index);
}

KestThreadEvent* ThreadManager::CreateEvent() {
  auto event = std::make_unique<KestThreadEvent>();
  KestThreadEvent* created = event.get();
  TLockObj lock(m_ListLock);
  m_Events.Add(event.release());
  return created;
}

void ThreadManager::ReleaseForeignEvents() {
  TLockObj lock(m_ListLock);
  for (int32_t i = 0; i < m_Events.GetCount(); ++i) {
    KestThreadEvent* event = m_Events.Get(i);
    if (event->IsOwnedByThread()) continue;
    event->SetEvent();
    event->DisableWait();
  }
}

ThreadManager& GetThreadManager() {
  // The logger is bound and made first, so it is destroyed after the
  // manager: threads the manager still has to end when the module goes
  // write their exit lines to a live log.
  static ThreadManager& manager = []() -> ThreadManager& {
    GetLogger();
    static ThreadManager instance;
    return instance;
  }();
  return manager;
}

}  // namespace maplink
