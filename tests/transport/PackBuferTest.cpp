#include "transport/PackBufer.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "LogCapture.h"

namespace {

using maplink::test::LogCapture;
using maplink::test::LogLevel;

std::string Contents(const PackBufer& buffer, size_t capacity) {
  return std::string(buffer.GetData(), capacity);
}

TEST(PackBuferTest, AppendKeepsTwoBytesFree) {
  struct Case {
    const char* name;
    std::vector<int32_t> lengths;
    std::vector<bool> taken;
  };
  // Capacity 10: at most 8 bytes.
  const Case cases[] = {
      {"eight fit", {8}, {true}},
      {"nine do not", {9}, {false}},
      {"five and three fit", {5, 3}, {true, true}},
      {"five and four do not", {5, 4}, {true, false}},
      {"refused append changes nothing", {5, 4, 3}, {true, false, true}},
      {"empty append", {0, 8}, {true, true}},
      {"negative length", {-1, 8}, {false, true}},
      {"length that would wrap the sum", {5, INT32_MAX}, {true, false}},
  };
  const std::string source = "abcdefghijklmnop";
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    PackBufer buffer(10);
    std::string expected;
    for (size_t i = 0; i < c.lengths.size(); ++i) {
      const int32_t length = c.lengths[i];
      EXPECT_EQ(buffer.Append(source.data(), length), c.taken[i]) << "append " << i;
      if (c.taken[i]) expected.append(source, 0, static_cast<size_t>(length));
    }
    EXPECT_EQ(buffer.GetLen(), static_cast<int32_t>(expected.size()));
    expected.resize(10, '\0');
    EXPECT_EQ(Contents(buffer, 10), expected);
  }
}

TEST(PackBuferTest, ResetZeroFillsTheStorageAndEmptiesIt) {
  PackBufer buffer(10);
  ASSERT_TRUE(buffer.Append("abcdefgh", 8));
  buffer.Reset();
  EXPECT_EQ(buffer.GetLen(), 0);
  EXPECT_EQ(Contents(buffer, 10), std::string(10, '\0'));
  EXPECT_TRUE(buffer.Append("xy", 2));
  EXPECT_EQ(Contents(buffer, 3), std::string("xy\0", 3));
}

TEST(PackBuferTest, SizesAboveSixtyFourKibibytesAreLoggedAndKept) {
  struct Case {
    int32_t size;
    bool warned;
  };
  for (const Case c : {Case{65536, false}, Case{65537, true}, Case{70000, true}}) {
    SCOPED_TRACE(c.size);
    LogCapture capture;
    PackBufer buffer(c.size);
    const std::vector<std::string> expected{"..\\..\\lib\\TestLib\\PackBuffer : 15 Huge Packet Len:" +
                                            std::to_string(c.size)};
    EXPECT_EQ(capture.Texts(LogLevel::Warn), c.warned ? expected : std::vector<std::string>{});

    const std::string bytes(static_cast<size_t>(c.size), 'p');
    EXPECT_FALSE(buffer.Append(bytes.data(), c.size - 1));
    EXPECT_TRUE(buffer.Append(bytes.data(), c.size - 2));
  }
}

TEST(PackBuferTest, NegativeSizeIsLoggedAndHoldsNothing) {
  LogCapture capture;
  PackBufer buffer(-5);
  EXPECT_TRUE(capture.Contains(LogLevel::Warn, "negative size -5"));
  EXPECT_FALSE(buffer.Append("a", 1));
  EXPECT_EQ(buffer.GetLen(), 0);
}

}  // namespace
