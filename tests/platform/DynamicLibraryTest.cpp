#include "platform/DynamicLibrary.h"

#include <gtest/gtest.h>

namespace maplink::platform {
namespace {

TEST(DynamicLibraryTest, FindsExportsOfALoadedLibrary) {
  auto library = DynamicLibrary::Open(CAPTURE_LIBRARY_PATH);
  ASSERT_NE(library, nullptr);
  EXPECT_NE(library->Symbol("GetLog"), nullptr);
  EXPECT_EQ(library->Symbol("NoSuchExport"), nullptr);
}

TEST(DynamicLibraryTest, MissingLibraryGivesNull) {
  EXPECT_EQ(DynamicLibrary::Open("libmaplink-no-such-library.so"), nullptr);
}

}  // namespace
}  // namespace maplink::platform
