#include "platform/Thread.h"

#include <pthread.h>

#include <exception>

#include "platform/Process.h"

namespace maplink::platform {

namespace {
constexpr size_t kMaxNameLength = 15;
}

Thread::Thread(ExceptionReporter reportException) : m_ReportException(std::move(reportException)) {
  m_Thread = std::thread([this] { Run(); });
  MutexLock lock(m_Mutex);
  while (GetThreadId() == 0) m_Changed.wait(m_Mutex);
}

Thread::~Thread() { TerminateAndWait(); }

void Thread::DoTerminate() noexcept {}

void Thread::Run() {
  {
    MutexLock lock(m_Mutex);
    m_ThreadId.store(CurrentThreadId(), std::memory_order_relaxed);
    m_Changed.notify_all();
    while (!m_ResumePending) m_Changed.wait(m_Mutex);
    m_ResumePending = false;
    m_State = RunState::Running;
  }
  if (!IsTerminated()) {
    try {
      Execute();
    } catch (const std::exception& failure) {
      m_ReportException(failure.what());
    } catch (...) {
      m_ReportException("unknown exception");
    }
    DoTerminate();
  }
  // Notified under the lock: once a waiter sees Finished it may destroy the
  // object, but only after joining this thread.
  MutexLock lock(m_Mutex);
  m_State = RunState::Finished;
  m_Changed.notify_all();
}

bool Thread::WaitsForResume(RunState state) {
  return state == RunState::NotStarted || state == RunState::Parking || state == RunState::Parked;
}

void Thread::Resume() {
  MutexLock lock(m_Mutex);
  if (!WaitsForResume(m_State)) return;
  m_ResumePending = true;
  m_Changed.notify_all();
}

void Thread::BeginPark() {
  MutexLock lock(m_Mutex);
  m_State = RunState::Parking;
}

void Thread::WaitForResume() {
  MutexLock lock(m_Mutex);
  if (!m_ResumePending) {
    m_State = RunState::Parked;
    while (!m_ResumePending) m_Changed.wait(m_Mutex);
  }
  m_ResumePending = false;
  m_State = RunState::Running;
}

void Thread::Terminate() { m_Terminated.store(true); }

bool Thread::IsTerminated() const { return m_Terminated.load(); }

bool Thread::IsSuspended() const {
  MutexLock lock(m_Mutex);
  return WaitsForResume(m_State) && !m_ResumePending;
}

void Thread::WaitFor() {
  MutexLock lock(m_Mutex);
  while (m_State != RunState::Finished) m_Changed.wait(m_Mutex);
}

void Thread::TerminateAndWait() {
  Terminate();
  Resume();
  WaitFor();
  if (m_Thread.joinable()) m_Thread.join();
}

void Thread::SetName(const std::string& name) {
  const std::string shortName = name.substr(0, kMaxNameLength);
  pthread_setname_np(m_Thread.native_handle(), shortName.c_str());
}

}  // namespace maplink::platform
