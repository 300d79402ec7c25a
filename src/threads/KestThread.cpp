#include "threads/KestThread.h"

#include <algorithm>
#include <limits>

#include "support/CommFunc.h"
#include "support/LogBinding.h"
#include "support/TextFormat.h"
#include "threads/KestThreadEvent.h"
#include "threads/ThreadManager.h"
#include "threads/WriteThreadLog.h"

namespace maplink {

namespace {

constexpr uint32_t kSamplePeriodMs = 1000;

int32_t WholePercent(uint64_t part, uint64_t whole) {
  const double percent = Percent(static_cast<double>(part), static_cast<double>(whole));
  return static_cast<int32_t>(std::min(percent, static_cast<double>(std::numeric_limits<int32_t>::max())));
}

}  // namespace

const char* ThreadStateText(int32_t state) {
  switch (state) {
    case tsSuspended:
      return "Suspended";
    case tsIdle:
      return "Not Busy :)";
    case tsBusy:
      return "Busy";
    case tsIniting:
      return "Initing..";
    case tsUnIniting:
      return "UnIniting...";
    case tsTerminate:
      return "Terminate!";
    case tsException:
      return "Exception Error";
    default:
      return "KestThread UnDefined State";
  }
}

KestThread::KestThread(bool coInit) : KestThread(coInit, ThreadContext{GetThreadManager()}) {}

KestThread::KestThread(bool coInit, const ThreadContext& context)
    : platform::Thread([this](const char* what) { ReportException(what); }),
      m_Event(context.Manager.CreateEvent()),
      m_CoInit(coInit),
      m_Clock(context.Clock),
      m_CpuTimes(context.CpuTimes),
      m_Sleeper(context.Sleeper) {
  m_Event->SetOwnedByThread(true);
}

KestThread::~KestThread() { TerminateAndWait(); }

// The body has ended, so no acknowledgement will come any more: a Stop that
// waits now, or comes later, must not wait for one.
void KestThread::DoTerminate() noexcept {
  m_Event->SetEvent();
  m_Event->DisableWait();
}

void KestThread::Execute() {}

void KestThread::OnThreadInit() {}

void KestThread::OnThreadUnInit() {}

bool KestThread::IsRunEnabled() const { return !m_StopRequest.load(); }

void KestThread::SetThreadIndex(int32_t threadIndex) {
  m_ThreadIndex.store(threadIndex, std::memory_order_relaxed);
}

bool KestThread::GetCoInit() const { return m_CoInit; }

std::string KestThread::GetName() const { return m_Name; }

std::string KestThread::GetStateText() const {
  return ThreadStateText(m_State.load(std::memory_order_relaxed));
}

int32_t KestThread::GetThreadIndex() const { return m_ThreadIndex.load(std::memory_order_relaxed); }

ThreadFunc KestThread::GetThreadFunc() const { return ThreadFunc{}; }

void KestThread::Stop() {
  if (IsTerminated()) return;
  // Logged before the request is set, so the worker's "Thread Stop" line
  // always follows it.
  WriteThreadLog(FormatText("%s Stopping...", GetName().c_str()));
  m_StopRequest.store(true);
  m_Event->WaitFor(platform::kInfinite);
  m_Event->ResetEvent();
  WriteThreadLog(FormatText("%s Stopp OK", GetName().c_str()));
}

void KestThread::ClearStop() { m_StopRequest.store(false); }

int32_t KestThread::GetCpuUsage() const { return m_CpuUsage.load(std::memory_order_relaxed); }

int32_t KestThread::GetKernelCpuUsage() const { return m_KernelCpuUsage.load(std::memory_order_relaxed); }

void KestThread::SetInfo(const std::string& /*info*/) {}

std::string KestThread::GetInfo() const { return std::string(); }

void KestThread::UpdateCpuUsage() {
  const uint32_t now = m_Clock.NowMs();
  if (m_LastSample != 0 && now - m_LastSample < kSamplePeriodMs) return;
  platform::CpuTimes process;
  platform::CpuTimes thread;
  if (!m_CpuTimes.ReadProcessTimes(process) || !m_CpuTimes.ReadThreadTimes(thread)) return;

  const bool baseline = m_PrevProcessKernel == 0 || m_PrevProcessUser == 0 || m_LastSample == 0;
  const uint64_t processDelta = (process.Kernel - m_PrevProcessKernel) + (process.User - m_PrevProcessUser);
  const uint64_t threadKernelDelta = thread.Kernel - m_PrevThreadKernel;
  const uint64_t threadDelta = threadKernelDelta + (thread.User - m_PrevThreadUser);
  m_PrevProcessKernel = process.Kernel;
  m_PrevProcessUser = process.User;
  m_PrevThreadKernel = thread.Kernel;
  m_PrevThreadUser = thread.User;
  m_LastSample = now;
  if (baseline) return;

  m_CpuUsage.store(WholePercent(threadDelta, processDelta), std::memory_order_relaxed);
  m_KernelCpuUsage.store(WholePercent(threadKernelDelta, processDelta), std::memory_order_relaxed);
}

void KestThread::InitName(const std::string& name) {
  m_Name = name;
  SetName(name);
}

void KestThread::NotifyExit() {
  if (!m_OnExit.IsEmpty()) m_OnExit.Function(m_OnExit.Object, GetThreadIndex());
}

void KestThread::ReportException(const char* what) const {
  GetLogger()->LogError("%s Thread Exception: %s", m_Name.c_str(), what);
}

}  // namespace maplink
