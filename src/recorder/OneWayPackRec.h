#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/CriticalSection.h"
#include "recorder/WatchFilterMode.h"
#include "recorder/tagOnePackData.h"

namespace maplink {

// The recorder of one direction of a link: keeps a copy of every packet
// offered while it is enabled (at most kMaxPacks; the packet after that
// starts a new list), the view of those that pass the watch filter, and the
// watch strings.
//
// Threads: RecordPack is called by one thread at a time per direction (the
// link's send or receive thread); two threads recording into one direction
// at once stay memory-safe but may stamp two records with one serial number.
// Every other operation may be called from any thread (the recorder window's
// while the link records). The lists, view, watch strings, filter mode and
// notification are touched only under m_Lock.
//
// Records are handed out as shared pointers to immutable data, so a record a
// reader holds stays valid even when the recording thread clears the lists
// right after handing it out.
class OneWayPackRec {
 public:
  using PackPtr = std::shared_ptr<const tagOnePackData>;
  // Called on the recording thread, with m_Lock held, for each stored record
  // that passes the filter. It must return quickly and must not throw; it may
  // call back into this direction, but must never wait for another thread
  // that calls into this direction.
  using NewPackNotify = std::function<void()>;

  static constexpr size_t kMaxPacks = 100000;

  OneWayPackRec() = default;
  OneWayPackRec(const OneWayPackRec&) = delete;
  OneWayPackRec& operator=(const OneWayPackRec&) = delete;

  // Counts the packet and, when enabled, stores a record of it.
  void RecordPack(std::string_view bytes);

  // Empties the records and the view; the packet count goes on.
  void ClearPacks();
  // Rebuilds the view for the current filter mode and watch strings and
  // returns the number of rows to show: every record under wfNone (the view
  // stays empty and GetViewPack reads the records), else the view's size.
  int32_t ApplyFilter();
  // Row "position" of what ApplyFilter last chose to show; null outside it.
  PackPtr GetViewPack(int32_t position) const;
  // Stored record at "position", oldest first; null outside the list.
  PackPtr GetPack(int32_t position) const;
  int32_t GetPackCount() const;

  // Whether the record's hex text holds at least one watch string
  // (case-sensitive; an empty string never matches).
  bool MatchesWatch(const tagOnePackData& record) const;
  void AddWatch(std::string text);
  // Does nothing outside 0 … count − 1.
  void DeleteWatch(int32_t position);
  void ClearWatch();
  int32_t GetWatchCount() const;
  // The empty string outside 0 … count − 1.
  std::string GetWatch(int32_t position) const;

  void SetEnable(bool enable) { m_Enabled.store(enable, std::memory_order_relaxed); }
  bool IsEnabled() const { return m_Enabled.load(std::memory_order_relaxed); }

  // Refuses (false, a warning in the log) a value that names no mode. The
  // view keeps its rows until the next ApplyFilter.
  bool SetFilterMode(WatchFilterMode mode);
  WatchFilterMode GetFilterMode() const;

  // Binds the notification; an empty one unbinds it. Once this returns, the
  // notification bound before is never called again.
  void SetOnNewPack(NewPackNotify notify);

 private:
  bool MatchesAnyWatch(const tagOnePackData& record) const REQUIRES(m_Lock);
  bool PassesFilter(const tagOnePackData& record) const REQUIRES(m_Lock);
  void ClearLists() REQUIRES(m_Lock);

  std::vector<PackPtr> m_Packs GUARDED_BY(m_Lock);
  // Positions in m_Packs of the records shown; every clear empties both
  // lists together, so each position stays inside m_Packs.
  std::vector<int32_t> m_View GUARDED_BY(m_Lock);
  // m_View holds the records of m_Packs[0, m_ViewScanned) that pass the
  // filter as it was when they were scanned; m_ViewStale marks a change of
  // the mode or the watch strings since then. Records never change and m_Packs only grows between
  // clears, so ApplyFilter scans only the records added since its last call
  // unless the filter changed: the recording thread never waits for a scan
  // of the whole list while the window refreshes.
  size_t m_ViewScanned GUARDED_BY(m_Lock) = 0;
  bool m_ViewStale GUARDED_BY(m_Lock) = false;
  // Written by any thread, read by the recording thread; a packet offered
  // while it changes may see either value.
  std::atomic<bool> m_Enabled{false};
  // Packets offered; changed by the recording thread only. Never reset,
  // wraps at 2^32.
  std::atomic<uint32_t> m_PackCount{0};
  mutable platform::CriticalSection m_Lock;
  std::vector<std::string> m_Watch GUARDED_BY(m_Lock);
  WatchFilterMode m_FilterMode GUARDED_BY(m_Lock) = wfNone;
  NewPackNotify m_OnNewPack GUARDED_BY(m_Lock);
};

}  // namespace maplink
