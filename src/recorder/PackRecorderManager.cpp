#include "recorder/PackRecorderManager.h"

namespace maplink {

namespace {

PackRecorderManager g_PackRecorderManager;

}  // namespace

PackRecorderManager& GetPackRecorderManager() { return g_PackRecorderManager; }

PackRecorder* PackRecorderManager::AddRecorder(int32_t index) {
  auto recorder = std::make_unique<PackRecorder>(index);
  PackRecorder* added = recorder.get();
  platform::ReadWriteLock::WriteGuard guard(m_Lock);
  m_Recorders.push_back(std::move(recorder));
  return added;
}

PackRecorder* PackRecorderManager::FindRecorder(int32_t index) const {
  platform::ReadWriteLock::ReadGuard guard(m_Lock);
  for (const auto& recorder : m_Recorders) {
    if (recorder->GetIndex() == index) return recorder.get();
  }
  return nullptr;
}

PackRecorder* PackRecorderManager::GetRecorderAt(int32_t position) const {
  platform::ReadWriteLock::ReadGuard guard(m_Lock);
  if (position < 0 || static_cast<size_t>(position) >= m_Recorders.size()) return nullptr;
  return m_Recorders[static_cast<size_t>(position)].get();
}

int32_t PackRecorderManager::GetRecorderCount() const {
  platform::ReadWriteLock::ReadGuard guard(m_Lock);
  return static_cast<int32_t>(m_Recorders.size());
}

int32_t PackRecorderManager::SetEnableAll(bool enable) {
  const std::vector<PackRecorder*> recorders = Snapshot();
  for (PackRecorder* recorder : recorders) {
    recorder->GetRecvRecorder().SetEnable(enable);
    recorder->GetSendRecorder().SetEnable(enable);
  }
  return static_cast<int32_t>(recorders.size());
}

void PackRecorderManager::ClearAllNotify() {
  for (PackRecorder* recorder : Snapshot()) {
    recorder->GetRecvRecorder().SetOnNewPack(nullptr);
    recorder->GetSendRecorder().SetOnNewPack(nullptr);
  }
}

std::vector<PackRecorder*> PackRecorderManager::Snapshot() const {
  platform::ReadWriteLock::ReadGuard guard(m_Lock);
  std::vector<PackRecorder*> recorders;
  recorders.reserve(m_Recorders.size());
  for (const auto& recorder : m_Recorders) recorders.push_back(recorder.get());
  return recorders;
}

}  // namespace maplink
