#include "support/AList.h"

#include <gtest/gtest.h>

#include <string>

namespace maplink {
namespace {

// An item that counts its own destruction.
struct Tracked {
  explicit Tracked(int* counter) : destroyed(counter) {}
  ~Tracked() { ++*destroyed; }
  int* destroyed;
};

std::string Names(const AList<std::string>& list) {
  std::string names;
  for (int32_t i = 0; i < list.GetCount(); ++i) names += *list.Get(i);
  return names;
}

TEST(AListTest, AppendingPastCapacityDoublesIt) {
  AList<int> list(false, 10);
  int items[11] = {};
  for (int& item : items) list.Add(&item);
  EXPECT_EQ(list.GetCapacity(), 20);
  EXPECT_EQ(list.GetCount(), 11);
  EXPECT_EQ(list.Get(10), &items[10]);
  EXPECT_EQ(list.Get(11), nullptr);
  EXPECT_EQ(list.Get(-1), nullptr);
}

TEST(AListTest, CapacityBelowOneStartsWithOneSlot) {
  for (int32_t capacity : {0, -5}) {
    AList<int> list(false, capacity);
    EXPECT_EQ(list.GetCapacity(), 1) << capacity;
  }
}

TEST(AListTest, InsertStoresOnlyInsideTheListOrIntoAnEmptyOne) {
  struct Case {
    const char* name;
    int32_t index;
    const char* expected;
  };
  const Case cases[] = {
      {"front", 0, "xab"},
      {"middle", 1, "axb"},
      {"at count", 2, "ab"},
      {"negative", -1, "ab"},
  };
  std::string a = "a", b = "b", x = "x";
  for (const Case& c : cases) {
    AList<std::string> list(false);
    list.Add(&a);
    list.Add(&b);
    list.Insert(c.index, &x);
    EXPECT_EQ(Names(list), c.expected) << c.name;
  }

  AList<std::string> empty(false);
  empty.Insert(5, &x);
  EXPECT_EQ(Names(empty), "x");
}

TEST(AListTest, AddAtFrontInsertsBeforeTheFirstItem) {
  AList<std::string> list(true);
  list.Add(new std::string("a"));
  list.Add(new std::string("b"), true);
  EXPECT_EQ(Names(list), "ba");
}

TEST(AListTest, ClearDeletesOnlyOwnedItemsAndKeepsCapacity) {
  int destroyed = 0;
  {
    AList<Tracked> owning(true, 2);
    for (int i = 0; i < 3; ++i) owning.Add(new Tracked(&destroyed));
    owning.Clear();
    EXPECT_EQ(destroyed, 3);
    EXPECT_EQ(owning.GetCount(), 0);
    EXPECT_EQ(owning.GetCapacity(), 4);
    owning.Add(new Tracked(&destroyed));
  }
  EXPECT_EQ(destroyed, 4) << "destruction deletes what is left";

  Tracked kept(&destroyed);
  {
    AList<Tracked> borrowing(false);
    borrowing.Add(&kept);
    borrowing.Clear();
    borrowing.Add(&kept);
  }
  EXPECT_EQ(destroyed, 4);
}

}  // namespace
}  // namespace maplink
