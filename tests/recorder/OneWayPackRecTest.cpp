#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "LogCapture.h"
#include "platform/Process.h"
#include "recorder/OneWayPackRec.h"

namespace maplink {
namespace {

// "HH:MM:SS": two digits, a colon, two digits, a colon, two digits.
bool IsTimeOfDayText(const std::string& text) {
  if (text.size() != 8) return false;
  for (size_t i = 0; i < text.size(); ++i) {
    const bool colon = i == 2 || i == 5;
    if (colon ? text[i] != ':' : (text[i] < '0' || text[i] > '9')) return false;
  }
  return true;
}

std::string Bytes(std::initializer_list<unsigned char> bytes) {
  return std::string(bytes.begin(), bytes.end());
}

// Serial numbers of the rows ApplyFilter chose, read through GetViewPack.
std::vector<uint32_t> ViewSerials(const OneWayPackRec& direction, int32_t rows) {
  std::vector<uint32_t> serials;
  for (int32_t row = 0; row < rows; ++row) {
    const auto record = direction.GetViewPack(row);
    serials.push_back(record ? record->m_Serial : 0);
  }
  return serials;
}

TEST(OneWayPackRecTest, RecordHoldsBytesHexTextTimeAndZeroedHeaderFields) {
  OneWayPackRec direction;
  direction.SetEnable(true);
  const std::string before = platform::LocalTimeOfDayText();
  direction.RecordPack(Bytes({0x01, 0xAB}));
  const std::string after = platform::LocalTimeOfDayText();

  ASSERT_EQ(direction.GetPackCount(), 1);
  const auto record = direction.GetPack(0);
  ASSERT_NE(record, nullptr);
  EXPECT_EQ(record->m_HexText, "01 AB ");
  EXPECT_EQ(record->m_Data, Bytes({0x01, 0xAB}));
  EXPECT_EQ(record->m_Serial, 1u);
  EXPECT_EQ(record->m_SessionID, 0u);
  EXPECT_EQ(record->m_PackOrder, 0);
  EXPECT_TRUE(IsTimeOfDayText(record->m_Time)) << record->m_Time;
  if (before <= after) {  // not across midnight
    EXPECT_LE(before, record->m_Time);
    EXPECT_LE(record->m_Time, after);
  }
}

TEST(OneWayPackRecTest, PacketsOfferedWhileDisabledAreCountedButNotStored) {
  OneWayPackRec direction;
  EXPECT_FALSE(direction.IsEnabled());
  for (int i = 0; i < 5; ++i) direction.RecordPack("x");
  EXPECT_EQ(direction.GetPackCount(), 0);

  direction.SetEnable(true);
  direction.RecordPack("y");
  ASSERT_EQ(direction.GetPackCount(), 1);
  EXPECT_EQ(direction.GetPack(0)->m_Serial, 6u);

  direction.SetEnable(false);
  direction.RecordPack("z");
  EXPECT_EQ(direction.GetPackCount(), 1) << "disabling keeps what was stored";
  EXPECT_EQ(direction.GetPack(0)->m_Data, "y");
}

TEST(OneWayPackRecTest, PacketAfterTheLimitEmptiesBothListsAndStartsANewOne) {
  OneWayPackRec direction;
  direction.SetEnable(true);
  for (size_t i = 0; i < OneWayPackRec::kMaxPacks; ++i) direction.RecordPack(i % 2 == 0 ? "\x11" : "\x22");
  ASSERT_EQ(direction.GetPackCount(), 100000);
  EXPECT_EQ(direction.GetPack(0)->m_Serial, 1u);
  EXPECT_EQ(direction.GetPack(99999)->m_Serial, 100000u);

  direction.AddWatch("22");
  direction.SetFilterMode(wfShowMatch);
  ASSERT_EQ(direction.ApplyFilter(), 50000);
  const auto heldByReader = direction.GetViewPack(49999);

  direction.RecordPack("\x33");
  ASSERT_EQ(direction.GetPackCount(), 1);
  EXPECT_EQ(direction.GetPack(0)->m_Serial, 100001u);
  EXPECT_EQ(direction.GetPack(0)->m_Data, "\x33");
  EXPECT_EQ(direction.GetViewPack(0), nullptr) << "the view was emptied with the records";
  ASSERT_NE(heldByReader, nullptr);
  EXPECT_EQ(heldByReader->m_Serial, 100000u) << "a record a reader holds outlives the clear";
  EXPECT_EQ(heldByReader->m_HexText, "22 ");
}

TEST(OneWayPackRecTest, ClearPacksEmptiesBothListsAndKeepsCounting) {
  OneWayPackRec direction;
  direction.SetEnable(true);
  for (int i = 0; i < 3; ++i) direction.RecordPack("a");
  direction.AddWatch("61");
  direction.SetFilterMode(wfShowMatch);
  ASSERT_EQ(direction.ApplyFilter(), 3);

  direction.ClearPacks();
  EXPECT_EQ(direction.GetPackCount(), 0);
  EXPECT_EQ(direction.GetPack(0), nullptr);
  EXPECT_EQ(direction.GetViewPack(0), nullptr);

  direction.RecordPack("a");
  EXPECT_EQ(direction.GetPack(0)->m_Serial, 4u);
  EXPECT_EQ(direction.ApplyFilter(), 1);
  EXPECT_EQ(ViewSerials(direction, 1), std::vector<uint32_t>{4});
}

// Four packets whose hex texts are "01 AB ", "AB CD EF ", "" and "10 20 ".
const std::string kPackets[] = {Bytes({0x01, 0xAB}), Bytes({0xAB, 0xCD, 0xEF}), "", Bytes({0x10, 0x20})};

TEST(OneWayPackRecTest, FilterModesShowAndNotifyTheRecordsTheirWatchStringsSelect) {
  struct Case {
    const char* name;
    std::vector<std::string> watch;
    WatchFilterMode mode;
    std::vector<uint32_t> shown;  // serials, in order
  };
  const Case cases[] = {
      {"no filter", {"AB"}, wfNone, {1, 2, 3, 4}},
      {"hide, empty watch list", {}, wfHideMatch, {1, 2, 3, 4}},
      {"show, empty watch list", {}, wfShowMatch, {}},
      {"hide matches", {"AB"}, wfHideMatch, {3, 4}},
      {"show matches", {"AB"}, wfShowMatch, {1, 2}},
      {"lower case never matches", {"ab"}, wfShowMatch, {}},
      {"lower case hides nothing", {"ab"}, wfHideMatch, {1, 2, 3, 4}},
      {"across the space between bytes", {"B C"}, wfShowMatch, {2}},
      {"from the middle of a byte", {"1 A"}, wfShowMatch, {1}},
      {"trailing blank of the last byte", {"20 "}, wfShowMatch, {4}},
      {"empty watch string matches nothing", {""}, wfShowMatch, {}},
      {"any string of the list", {"", "FF", "20"}, wfShowMatch, {4}},
      {"empty packet matches no string", {"AB", "CD", "10"}, wfHideMatch, {3}},
  };
  for (const Case& c : cases) {
    OneWayPackRec direction;
    direction.SetEnable(true);
    for (const std::string& watch : c.watch) direction.AddWatch(watch);
    ASSERT_TRUE(direction.SetFilterMode(c.mode));
    std::vector<uint32_t> notified;
    direction.SetOnNewPack(
        [&] { notified.push_back(direction.GetPack(direction.GetPackCount() - 1)->m_Serial); });

    for (const std::string& packet : kPackets) direction.RecordPack(packet);

    EXPECT_EQ(notified, c.shown) << c.name;
    const int32_t rows = direction.ApplyFilter();
    EXPECT_EQ(ViewSerials(direction, rows), c.shown) << c.name;
    EXPECT_EQ(direction.GetViewPack(rows), nullptr) << c.name;
    EXPECT_EQ(direction.GetViewPack(-1), nullptr) << c.name;
    if (c.mode == wfNone) continue;
    for (int32_t i = 0; i < direction.GetPackCount(); ++i) {
      const auto record = direction.GetPack(i);
      const bool shown = std::find(c.shown.begin(), c.shown.end(), record->m_Serial) != c.shown.end();
      EXPECT_EQ(direction.MatchesWatch(*record), shown == (c.mode == wfShowMatch))
          << c.name << ", serial " << record->m_Serial;
    }
  }
}

TEST(OneWayPackRecTest, EmptyPacketGivesAnEmptyRecord) {
  OneWayPackRec direction;
  direction.SetEnable(true);
  direction.RecordPack("");
  const auto record = direction.GetPack(0);
  ASSERT_NE(record, nullptr);
  EXPECT_EQ(record->m_HexText, "");
  EXPECT_EQ(record->m_Data.size(), 0u);
}

TEST(OneWayPackRecTest, ViewChangesOnlyWhenTheFilterIsApplied) {
  OneWayPackRec direction;
  direction.SetEnable(true);
  for (const std::string& packet : kPackets) direction.RecordPack(packet);
  direction.AddWatch("AB");
  direction.SetFilterMode(wfShowMatch);
  ASSERT_EQ(direction.ApplyFilter(), 2);

  direction.AddWatch("20");
  direction.RecordPack(Bytes({0xAB}));
  EXPECT_EQ(ViewSerials(direction, 3), (std::vector<uint32_t>{1, 2, 0}))
      << "watch edits and new records wait";
  direction.SetFilterMode(wfHideMatch);
  EXPECT_EQ(ViewSerials(direction, 3), (std::vector<uint32_t>{1, 2, 0})) << "a mode change waits too";

  direction.SetFilterMode(wfNone);
  EXPECT_EQ(ViewSerials(direction, 5), (std::vector<uint32_t>{1, 2, 3, 4, 5})) << "wfNone reads the records";

  direction.SetFilterMode(wfShowMatch);
  ASSERT_EQ(direction.ApplyFilter(), 4);
  EXPECT_EQ(ViewSerials(direction, 4), (std::vector<uint32_t>{1, 2, 4, 5}));
}

// ApplyFilter scans only the records added since its last call while the
// filter stays the same; whatever happens in between, its view must equal a
// scan of every record.
TEST(OneWayPackRecTest, ViewAlwaysEqualsAScanOfEveryRecord) {
  OneWayPackRec direction;
  direction.SetEnable(true);
  std::mt19937 random(7);
  const std::string watches[] = {"AB", "1", "CD EF", "zz"};
  const WatchFilterMode modes[] = {wfNone, wfHideMatch, wfShowMatch};
  for (int step = 0; step < 2000; ++step) {
    switch (random() % 8) {
      case 0:
        direction.AddWatch(watches[random() % 4]);
        break;
      case 1:
        direction.DeleteWatch(static_cast<int32_t>(random() % 3));
        break;
      case 2:
        direction.SetFilterMode(modes[random() % 3]);
        break;
      case 3:
        if (random() % 10 == 0) direction.ClearPacks();
        break;
      default:
        direction.RecordPack(kPackets[random() % 4]);
        break;
    }
    if (random() % 3 != 0) continue;

    const int32_t rows = direction.ApplyFilter();
    std::vector<uint32_t> expected;
    for (int32_t i = 0; i < direction.GetPackCount(); ++i) {
      const auto record = direction.GetPack(i);
      const bool matches = direction.MatchesWatch(*record);
      const WatchFilterMode mode = direction.GetFilterMode();
      if (mode == wfNone || (mode == wfHideMatch && !matches) || (mode == wfShowMatch && matches)) {
        expected.push_back(record->m_Serial);
      }
    }
    ASSERT_EQ(ViewSerials(direction, rows), expected) << "step " << step;
  }
}

TEST(OneWayPackRecTest, WatchListKeepsOrderAndDuplicatesAndIgnoresPositionsOutside) {
  OneWayPackRec direction;
  for (const char* watch : {"AB", "ab", "AB", ""}) direction.AddWatch(watch);
  ASSERT_EQ(direction.GetWatchCount(), 4);
  EXPECT_EQ(direction.GetWatch(1), "ab") << "kept as entered";
  EXPECT_EQ(direction.GetWatch(2), "AB");

  for (int32_t position : {-1, 4, 100}) direction.DeleteWatch(position);
  EXPECT_EQ(direction.GetWatchCount(), 4);
  EXPECT_EQ(direction.GetWatch(-1), "");
  EXPECT_EQ(direction.GetWatch(4), "");

  direction.DeleteWatch(0);
  EXPECT_EQ(direction.GetWatchCount(), 3);
  EXPECT_EQ(direction.GetWatch(0), "ab");

  direction.ClearWatch();
  EXPECT_EQ(direction.GetWatchCount(), 0);
}

TEST(OneWayPackRecTest, UnknownFilterModeIsRefusedAndLogged) {
  test::LogCapture capture;
  OneWayPackRec direction;
  ASSERT_TRUE(direction.SetFilterMode(wfShowMatch));
  EXPECT_FALSE(direction.SetFilterMode(static_cast<WatchFilterMode>(3)));
  EXPECT_FALSE(direction.SetFilterMode(static_cast<WatchFilterMode>(-1)));
  EXPECT_EQ(direction.GetFilterMode(), wfShowMatch);
  EXPECT_EQ(capture.Count(test::LogLevel::Warn, "unknown filter mode 3"), 1);
  EXPECT_EQ(capture.Count(test::LogLevel::Warn, "unknown filter mode -1"), 1);
}

TEST(OneWayPackRecTest, OnlyTheNotificationBoundLastIsCalled) {
  OneWayPackRec direction;
  direction.SetEnable(true);
  int first = 0;
  int second = 0;
  direction.RecordPack("unbound");

  direction.SetOnNewPack([&] { ++first; });
  direction.RecordPack("a");
  direction.SetOnNewPack([&] { ++second; });
  direction.RecordPack("b");
  direction.SetOnNewPack(nullptr);
  direction.RecordPack("c");

  EXPECT_EQ(first, 1);
  EXPECT_EQ(second, 1);
  EXPECT_EQ(direction.GetPackCount(), 4);
}

TEST(OneWayPackRecTest, NotificationMayCallBackIntoItsDirection) {
  OneWayPackRec direction;
  direction.SetEnable(true);
  int32_t rowsSeen = -1;
  direction.SetOnNewPack([&] { rowsSeen = direction.ApplyFilter(); });
  direction.RecordPack("a");
  direction.RecordPack("b");
  EXPECT_EQ(rowsSeen, 2) << "the new record is stored before the notification runs";
}

}  // namespace
}  // namespace maplink
