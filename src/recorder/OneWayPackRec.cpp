#include "recorder/OneWayPackRec.h"

#include <utility>

#include "platform/Process.h"
#include "support/CommFunc.h"
#include "support/LogBinding.h"
#include "support/TLockObj.h"

namespace maplink {

namespace {

template <typename T>
bool IsPositionIn(const std::vector<T>& list, int32_t position) {
  return position >= 0 && static_cast<size_t>(position) < list.size();
}

OneWayPackRec::PackPtr PackAt(const std::vector<OneWayPackRec::PackPtr>& packs, int32_t position) {
  return IsPositionIn(packs, position) ? packs[static_cast<size_t>(position)] : nullptr;
}

}  // namespace

void OneWayPackRec::RecordPack(std::string_view bytes) {
  // A plain load and store, not a read-modify-write: only one thread records
  // into a direction, and a disabled direction costs no more than this.
  const uint32_t serial = m_PackCount.load(std::memory_order_relaxed) + 1;
  m_PackCount.store(serial, std::memory_order_relaxed);
  if (!m_Enabled.load(std::memory_order_relaxed)) return;

  // Built before taking the lock, so the window waits only for the append.
  auto record = std::make_shared<tagOnePackData>();
  record->m_HexText = HexString(bytes.data(), static_cast<int32_t>(bytes.size()));
  record->m_Data = bytes;
  record->m_Time = platform::LocalTimeOfDayText();
  record->m_Serial = serial;

  TLockObj lock(m_Lock);
  if (m_Packs.size() >= kMaxPacks) ClearLists();
  m_Packs.push_back(std::move(record));
  // Called under the lock: once SetOnNewPack has swapped the notification,
  // no call of the old one can still be under way.
  if (m_OnNewPack && PassesFilter(*m_Packs.back())) m_OnNewPack();
}

void OneWayPackRec::ClearPacks() {
  TLockObj lock(m_Lock);
  ClearLists();
}

int32_t OneWayPackRec::ApplyFilter() {
  TLockObj lock(m_Lock);
  if (m_FilterMode == wfNone || m_ViewStale) {
    m_View.clear();
    m_ViewScanned = 0;
    m_ViewStale = false;
  }
  if (m_FilterMode == wfNone) return static_cast<int32_t>(m_Packs.size());
  for (; m_ViewScanned < m_Packs.size(); ++m_ViewScanned) {
    if (PassesFilter(*m_Packs[m_ViewScanned])) m_View.push_back(static_cast<int32_t>(m_ViewScanned));
  }
  return static_cast<int32_t>(m_View.size());
}

OneWayPackRec::PackPtr OneWayPackRec::GetViewPack(int32_t position) const {
  TLockObj lock(m_Lock);
  if (m_FilterMode == wfNone) return PackAt(m_Packs, position);
  return IsPositionIn(m_View, position) ? PackAt(m_Packs, m_View[static_cast<size_t>(position)]) : nullptr;
}

OneWayPackRec::PackPtr OneWayPackRec::GetPack(int32_t position) const {
  TLockObj lock(m_Lock);
  return PackAt(m_Packs, position);
}

int32_t OneWayPackRec::GetPackCount() const {
  TLockObj lock(m_Lock);
  return static_cast<int32_t>(m_Packs.size());
}

bool OneWayPackRec::MatchesWatch(const tagOnePackData& record) const {
  TLockObj lock(m_Lock);
  return MatchesAnyWatch(record);
}

void OneWayPackRec::AddWatch(std::string text) {
  TLockObj lock(m_Lock);
  m_Watch.push_back(std::move(text));
  m_ViewStale = true;
}

void OneWayPackRec::DeleteWatch(int32_t position) {
  TLockObj lock(m_Lock);
  if (!IsPositionIn(m_Watch, position)) return;
  m_Watch.erase(m_Watch.begin() + position);
  m_ViewStale = true;
}

void OneWayPackRec::ClearWatch() {
  TLockObj lock(m_Lock);
  if (m_Watch.empty()) return;
  m_Watch.clear();
  m_ViewStale = true;
}

int32_t OneWayPackRec::GetWatchCount() const {
  TLockObj lock(m_Lock);
  return static_cast<int32_t>(m_Watch.size());
}

std::string OneWayPackRec::GetWatch(int32_t position) const {
  TLockObj lock(m_Lock);
  return IsPositionIn(m_Watch, position) ? m_Watch[static_cast<size_t>(position)] : std::string();
}

bool OneWayPackRec::SetFilterMode(WatchFilterMode mode) {
  if (mode != wfNone && mode != wfHideMatch && mode != wfShowMatch) {
    GetLogger()->LogWarn("OneWayPackRec::SetFilterMode: unknown filter mode %d, mode kept",
                         static_cast<int>(mode));
    return false;
  }
  TLockObj lock(m_Lock);
  if (m_FilterMode != mode) {
    m_FilterMode = mode;
    m_ViewStale = true;
  }
  return true;
}

WatchFilterMode OneWayPackRec::GetFilterMode() const {
  TLockObj lock(m_Lock);
  return m_FilterMode;
}

void OneWayPackRec::SetOnNewPack(NewPackNotify notify) {
  NewPackNotify previous;
  {
    TLockObj lock(m_Lock);
    previous = std::exchange(m_OnNewPack, std::move(notify));
  }
  // Destroyed outside the lock: what the old notification held may take
  // locks of its own when it goes.
}

bool OneWayPackRec::MatchesAnyWatch(const tagOnePackData& record) const {
  for (const std::string& watch : m_Watch) {
    if (!watch.empty() && record.m_HexText.find(watch) != std::string::npos) return true;
  }
  return false;
}

bool OneWayPackRec::PassesFilter(const tagOnePackData& record) const {
  switch (m_FilterMode) {
    case wfHideMatch:
      return !MatchesAnyWatch(record);
    case wfShowMatch:
      return MatchesAnyWatch(record);
    case wfNone:
      break;
  }
  return true;
}

void OneWayPackRec::ClearLists() {
  m_Packs.clear();
  m_View.clear();
  m_ViewScanned = 0;
}

}  // namespace maplink
