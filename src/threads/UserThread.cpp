#include "threads/UserThread.h"

namespace maplink {

void UserThread::CreateThread(const std::string& name, ThreadFunc func, bool coInit,
                              const ThreadContext& context) {
  m_OwnedThread = std::make_unique<SingleThread>(name, coInit, func, context);
  m_OwnedThread->SetOnExit(ThreadExitFunc{&UserThread::OnThreadExit, this});
  m_Thread.store(m_OwnedThread.get(), std::memory_order_release);
}

void UserThread::EndThread() {
  if (m_OwnedThread) m_OwnedThread->TerminateAndWait();
}

void UserThread::OnThreadExit(void* record, int32_t /*threadIndex*/) {
  static_cast<UserThread*>(record)->m_Thread.store(nullptr, std::memory_order_release);
}

}  // namespace maplink
