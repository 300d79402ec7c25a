#include "support/CommFunc.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace maplink {
namespace {

const unsigned char kBytes[] = {0x01, 0xAB, 0xFF};

TEST(CommFuncTest, HexStringFollowsEveryPairWithABlank) {
  EXPECT_EQ(HexString(kBytes, 3), "01 AB FF ");
  EXPECT_EQ(HexString(kBytes, 0), "");
  EXPECT_EQ(HexString(std::string("\x00\x10", 2)), "00 10 ");
}

TEST(CommFuncTest, HexDumpWritesDigitsSeparatorsAndTerminator) {
  struct Case {
    int32_t count;
    char separator;
    const char* expected;
    size_t written;  // including the terminator
  };
  const Case cases[] = {
      {3, 0, "01ABFF", 7},
      {3, '-', "01-AB-FF-", 10},
      {0, ' ', "", 1},
      {-2, ' ', "", 1},
  };
  for (const Case& c : cases) {
    char out[16];
    std::memset(out, 'Z', sizeof out);
    HexDump(out, kBytes, c.count, c.separator);
    EXPECT_STREQ(out, c.expected);
    EXPECT_EQ(out[c.written], 'Z') << "wrote past " << c.written << " bytes";
  }
}

TEST(CommFuncTest, PercentIsZeroWithoutAPositiveWhole) {
  EXPECT_DOUBLE_EQ(Percent(5, 20), 25.0);
  EXPECT_DOUBLE_EQ(Percent(5, 0), 0.0);
  EXPECT_DOUBLE_EQ(Percent(5, -1), 0.0);
}

TEST(CommFuncTest, WritersAndReadersUseLittleEndianAtAMovingOffset) {
  unsigned char buffer[12] = {};
  int32_t offset = 0;
  WriteWord(buffer, offset, 0xCCFF);
  WriteDWord(buffer, offset, 11);
  EXPECT_EQ(offset, 6);
  const unsigned char expected[] = {0xFF, 0xCC, 0x0B, 0x00, 0x00, 0x00};
  EXPECT_EQ(std::memcmp(buffer, expected, sizeof expected), 0);

  WriteBuf(buffer, offset, "AB", 2);
  WriteDWord(buffer, offset, 0xD1EDAD29);
  EXPECT_EQ(offset, 12);
  EXPECT_EQ(buffer[6], 'A');
  EXPECT_EQ(buffer[8], 0x29);
  EXPECT_EQ(buffer[11], 0xD1);

  offset = 0;
  EXPECT_EQ(ReadWord(buffer, offset), 0xCCFF);
  EXPECT_EQ(ReadDWord(buffer, offset), 11u);
  EXPECT_EQ(offset, 6);
  offset = 8;
  EXPECT_EQ(ReadDWord(buffer, offset), 0xD1EDAD29u);
}

TEST(CommFuncTest, ReadersNeedNoAlignment) {
  const unsigned char bytes[] = {0x00, 0x78, 0x56, 0x34, 0x12};
  int32_t offset = 1;
  EXPECT_EQ(ReadDWord(bytes, offset), 0x12345678u);
}

}  // namespace
}  // namespace maplink
