#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/ReadWriteLock.h"
#include "recorder/PackRecorder.h"

namespace maplink {

// Owns every recorder, in creation order. Recorders are never removed: a
// PackRecorder* it hands out stays valid as long as the manager lives (for
// the module's own manager, until the module is unloaded).
//
// Threads: every operation may be called from any thread. AddRecorder takes
// m_Lock as the writer; the others take it as readers, so the link's threads
// look recorders up side by side. m_Lock is never held while a direction's
// lock is taken: operations on the directions work on a copy of the list.
class PackRecorderManager {
 public:
  PackRecorderManager() = default;
  PackRecorderManager(const PackRecorderManager&) = delete;
  PackRecorderManager& operator=(const PackRecorderManager&) = delete;

  // Adds a recorder with both directions disabled; index numbers may repeat.
  PackRecorder* AddRecorder(int32_t index);
  // The first recorder created with this index number, or null.
  PackRecorder* FindRecorder(int32_t index) const;
  // Null outside 0 … count − 1.
  PackRecorder* GetRecorderAt(int32_t position) const;
  int32_t GetRecorderCount() const;
  // Enables or disables both directions of every recorder; returns the
  // number of recorders.
  int32_t SetEnableAll(bool enable);
  // Unbinds the notification of every direction. Once this returns, none of
  // the notifications bound before is called again.
  void ClearAllNotify();

 private:
  std::vector<PackRecorder*> Snapshot() const;

  mutable platform::ReadWriteLock m_Lock;
  std::vector<std::unique_ptr<PackRecorder>> m_Recorders GUARDED_BY(m_Lock);
};

// The module's single manager: constructed when the module is loaded,
// destroyed (with every recorder and record) when it is unloaded.
PackRecorderManager& GetPackRecorderManager();

}  // namespace maplink
