#include "support/TextFormat.h"

#include <gtest/gtest.h>

namespace maplink {
namespace {

TEST(TextFormatTest, FormatsLikePrintfIncludingLongTexts) {
  EXPECT_EQ(FormatText("socket is active:%d", 7), "socket is active:7");
  EXPECT_EQ(FormatText("%s", std::string(5000, 'x').c_str()).size(), 5000u);
  EXPECT_EQ(FormatText("%s", ""), "");
}

TEST(TextFormatTest, PlaceTextJoinsSourceAndLine) {
  EXPECT_EQ(PlaceText("GameServerProcess", 190), "GameServerProcess : 190");
}

}  // namespace
}  // namespace maplink
