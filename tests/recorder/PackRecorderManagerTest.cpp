#include <gtest/gtest.h>

#include <vector>

#include "recorder/PackRecorderManager.h"

namespace maplink {
namespace {

TEST(PackRecorderManagerTest, FindRecorderReturnsTheFirstCreatedWithTheIndex) {
  PackRecorderManager manager;
  EXPECT_EQ(manager.FindRecorder(3), nullptr);
  PackRecorder* first = manager.AddRecorder(3);
  PackRecorder* other = manager.AddRecorder(7);
  PackRecorder* duplicate = manager.AddRecorder(3);

  EXPECT_NE(first, duplicate);
  EXPECT_EQ(manager.FindRecorder(3), first);
  EXPECT_EQ(manager.FindRecorder(7), other);
  EXPECT_EQ(manager.FindRecorder(4), nullptr);
  EXPECT_EQ(duplicate->GetIndex(), 3);
}

TEST(PackRecorderManagerTest, RecordersKeepTheirPositionsInCreationOrder) {
  PackRecorderManager manager;
  EXPECT_EQ(manager.GetRecorderCount(), 0);
  std::vector<PackRecorder*> added;
  for (int32_t index : {5, -1, 5}) added.push_back(manager.AddRecorder(index));

  ASSERT_EQ(manager.GetRecorderCount(), 3);
  for (int32_t position = 0; position < 3; ++position) {
    EXPECT_EQ(manager.GetRecorderAt(position), added[static_cast<size_t>(position)]) << position;
  }
  EXPECT_EQ(manager.GetRecorderAt(-1), nullptr);
  EXPECT_EQ(manager.GetRecorderAt(3), nullptr);
}

TEST(PackRecorderManagerTest, NewRecorderHasTwoSeparateDirectionsInTheirInitialState) {
  PackRecorderManager manager;
  PackRecorder* recorder = manager.AddRecorder(3);
  OneWayPackRec& recv = recorder->GetRecvRecorder();
  OneWayPackRec& send = recorder->GetSendRecorder();
  ASSERT_NE(&recv, &send);
  for (OneWayPackRec* direction : {&recv, &send}) {
    EXPECT_FALSE(direction->IsEnabled());
    EXPECT_EQ(direction->GetFilterMode(), wfNone);
    EXPECT_EQ(direction->GetWatchCount(), 0);
    EXPECT_EQ(direction->GetPackCount(), 0);
  }

  send.SetEnable(true);
  send.RecordPack("s");
  recv.RecordPack("r");
  EXPECT_EQ(send.GetPackCount(), 1);
  EXPECT_EQ(recv.GetPackCount(), 0);
}

TEST(PackRecorderManagerTest, SetEnableAllSwitchesEveryDirectionAndCountsRecorders) {
  PackRecorderManager manager;
  EXPECT_EQ(manager.SetEnableAll(true), 0);
  manager.AddRecorder(1);
  manager.AddRecorder(2);

  EXPECT_EQ(manager.SetEnableAll(true), 2);
  for (int32_t position = 0; position < 2; ++position) {
    EXPECT_TRUE(manager.GetRecorderAt(position)->GetRecvRecorder().IsEnabled());
    EXPECT_TRUE(manager.GetRecorderAt(position)->GetSendRecorder().IsEnabled());
  }
  EXPECT_EQ(manager.SetEnableAll(false), 2);
  EXPECT_FALSE(manager.GetRecorderAt(1)->GetSendRecorder().IsEnabled());
}

TEST(PackRecorderManagerTest, ClearAllNotifyUnbindsEveryDirection) {
  PackRecorderManager manager;
  manager.AddRecorder(1);
  manager.AddRecorder(2);
  manager.SetEnableAll(true);
  int calls = 0;
  for (int32_t position = 0; position < 2; ++position) {
    manager.GetRecorderAt(position)->GetRecvRecorder().SetOnNewPack([&] { ++calls; });
    manager.GetRecorderAt(position)->GetSendRecorder().SetOnNewPack([&] { ++calls; });
  }

  manager.ClearAllNotify();
  for (int32_t position = 0; position < 2; ++position) {
    manager.GetRecorderAt(position)->GetRecvRecorder().RecordPack("r");
    manager.GetRecorderAt(position)->GetSendRecorder().RecordPack("s");
  }
  EXPECT_EQ(calls, 0);
  EXPECT_EQ(manager.GetRecorderAt(1)->GetSendRecorder().GetPackCount(), 1) << "recording goes on";
}

TEST(PackRecorderManagerTest, ModuleManagerKeepsWhatIsAddedToIt) {
  constexpr int32_t kIndexNoOtherTestUses = -70031;
  PackRecorder* added = GetPackRecorderManager().AddRecorder(kIndexNoOtherTestUses);
  EXPECT_EQ(GetPackRecorderManager().FindRecorder(kIndexNoOtherTestUses), added);
}

}  // namespace
}  // namespace maplink
