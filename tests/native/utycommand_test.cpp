// Utility command values: where the library path ends, which number follows "/U", the
// semaphore's name, and which numbers are called.
#include "utycall/utycommand.h"

#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <string>

namespace {

TEST(UtyCommand, LibraryPathEndsAtTheFirstBlankSlashU) {
  const struct {
    const char* value;
    bool found;
    std::size_t length;
  } cases[] = {
      {"C:\\Drv\\KVSUTY01.DLL /U2", true, 19},
      {"C:\\Drv\\KVSUTY01.DLL /U2 /U3", true, 19},  // the first one
      {"C:\\Drv /Utils\\KVSUTY01.DLL /U2", true, 6},  // a folder may look like a switch
      {" /U1", true, 0},
      {"C:\\Drv\\KVSUTY01.DLL/U2", false, 0},        // the blank belongs to the marker
      {"C:\\Drv\\KVSUTY01.DLL /u2", false, 0},       // capital U only
      {"C:\\Drv\\KVSUTY01.DLL", false, 0},
      {"", false, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.value);
    std::size_t length = 12345;
    EXPECT_EQ(FindUtyLibraryEnd(c.value, &length), c.found);
    if (c.found) EXPECT_EQ(length, c.length);
  }
  std::size_t length = 0;
  EXPECT_FALSE(FindUtyLibraryEnd(nullptr, &length));
}

TEST(UtyCommand, NumberIsTheSignedDecimalRightAfterTheMarker) {
  const struct {
    const char* value;
    std::int32_t number;
  } cases[] = {
      {"L /U1", 1},
      {"L /U11", 11},
      {"L /U", 0},           // no digits
      {"L /Ux", 0},
      {"L /U  7", 7},        // leading blanks
      {"L /U\t3", 3},
      {"L /U-2", -2},
      {"L /U+4", 4},
      {"L /U5 /U6", 5},      // reading stops at the first non-digit
      {"L /U12abc", 12},
      {"L /U- 2", 0},        // nothing may stand between sign and digits
      {"L /U2147483647", std::numeric_limits<std::int32_t>::max()},
      {"L /U-2147483648", std::numeric_limits<std::int32_t>::min()},
      {"L /U99999999999999999999", std::numeric_limits<std::int32_t>::max()},
      {"L /U-99999999999999999999", std::numeric_limits<std::int32_t>::min()},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.value);
    std::size_t length = 0;
    ASSERT_TRUE(FindUtyLibraryEnd(c.value, &length));
    EXPECT_EQ(ParseUtyNumber(c.value, length), c.number);
  }
}

TEST(UtyCommand, SemaphoreNameHasSlashesForBackslashes) {
  const struct {
    const char* printer;
    const char* name;
  } cases[] = {
      {"My Ink 100", "My Ink 100"},
      {"\\\\server\\share", "//server/share"},
      {"a\\b/c\\", "a/b/c/"},
      {"", ""},
  };
  for (const auto& c : cases) {
    char name[260];
    std::memset(name, 'x', sizeof name);
    EXPECT_TRUE(MakeUtySemaphoreName(c.printer, name, sizeof name));
    EXPECT_STREQ(name, c.name);
  }
}

TEST(UtyCommand, SemaphoreNameThatDoesNotFitFailsEmpty) {
  char name[8] = "old";
  EXPECT_TRUE(MakeUtySemaphoreName("\\\\a\\bcd", name, sizeof name));  // 7 + terminator
  EXPECT_STREQ(name, "//a/bcd");
  EXPECT_FALSE(MakeUtySemaphoreName("\\\\a\\bcde", name, sizeof name));
  EXPECT_STREQ(name, "");
  EXPECT_FALSE(MakeUtySemaphoreName(nullptr, name, sizeof name));
}

TEST(UtyCommand, OnlyTheFourMaintenanceEntriesAreCalled) {
  const struct {
    std::int32_t number;
    const char* entry;  // null: not in the table
    bool called;
  } cases[] = {
      {1, "UtPrintNozzleTestPattern", true},
      {2, "UtCleanHead", true},
      {3, "UtAlignGap", true},
      {4, "WndInkReplacement", false},
      {5, "UtInkReplacement", false},
      {8, "UtSetupfromZelt", false},
      {10, "UtCleanCutter", false},
      {11, "UtAutoCleanHead", true},
      {12, "UtSetupAutoCleanHead", false},
      {13, "WndMaintenanceTankReplacement", false},
      {0, nullptr, false},
      {14, nullptr, false},
      {-1, nullptr, false},
      {99, nullptr, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.number);
    const char* entry = UtyEntryName(c.number);
    if (c.entry == nullptr)
      EXPECT_EQ(entry, nullptr);
    else
      EXPECT_STREQ(entry, c.entry);
    EXPECT_EQ(IsUtyEntryCalled(c.number), c.called);
  }
}

}  // namespace
