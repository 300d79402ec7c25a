#include "threads/SingleThread.h"

#include "platform/Process.h"
#include "support/LogBinding.h"
#include "support/TextFormat.h"
#include "threads/KestThreadEvent.h"
#include "threads/ThreadManager.h"
#include "threads/WriteThreadLog.h"

namespace maplink {

namespace {

constexpr int32_t kEndThread = -1;
constexpr uint32_t kEmptyFunctionSleepMs = 1;

}  // namespace

SingleThread::SingleThread(const std::string& name, bool coInit, ThreadFunc threadFunc)
    : SingleThread(name, coInit, threadFunc, ThreadContext{GetThreadManager()}) {}

SingleThread::SingleThread(const std::string& name, bool coInit, ThreadFunc threadFunc,
                           const ThreadContext& context)
    : KestThread(coInit, context), m_ThreadFunc(threadFunc) {
  InitName(name);
}

// Ends the body while this object is whole: the loop reads it to the end.
SingleThread::~SingleThread() { TerminateAndWait(); }

void SingleThread::Execute() {
  SetState(tsIniting);
  OnThreadInit();
  while (!IsTerminated()) {
    if (!IsRunEnabled()) {
      ParkOnStopRequest();
    } else if (m_ThreadFunc.IsEmpty()) {
      SleepMs(kEmptyFunctionSleepMs);
    } else {
      RunFunctionOnce();
    }
  }
  WriteThreadLog(FormatText("%s Thread Exit", GetName().c_str()));
  NotifyExit();
  SetState(tsUnIniting);
  OnThreadUnInit();
}

// The worker's half of the stop handshake. The event is set only once the
// thread counts as about to park, so a resume that follows the
// acknowledgement at once is not lost.
void SingleThread::ParkOnStopRequest() {
  GetLogger()->LogWarn("%s Thread Stop", GetName().c_str());
  Park([this] {
    GetEvent()->SetEvent();
    SetState(tsSuspended);
  });
}

void SingleThread::RunFunctionOnce() {
  const int32_t result = m_ThreadFunc.Function(m_ThreadFunc.Object, GetThreadIndex());
  UpdateCpuUsage();
  if (result == 0) {
    SetState(tsBusy);
  } else if (result > 0) {
    SleepMs(static_cast<uint32_t>(result));
    SetState(tsIdle);
  } else if (result == kEndThread) {
    SetState(tsTerminate);
    Terminate();
  }
}

void SingleThread::OnThreadInit() {
  WriteThreadLog(FormatText("%s  Sys start id = %d; Class Start ID = %d", GetName().c_str(),
                            static_cast<int32_t>(platform::CurrentThreadId()),
                            static_cast<int32_t>(GetThreadId())));
}

ThreadFunc SingleThread::GetThreadFunc() const { return m_ThreadFunc; }

}  // namespace maplink
