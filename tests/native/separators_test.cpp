// The driver's separator list: which places it yields, and which separators it draws.
#include "frame/separators.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::vector<std::int32_t> Places(const SeparatorPlaces& s) { return {s.place, s.place + s.count}; }

struct ParseCase {
  const char* text;
  std::vector<std::int32_t> places;
};

TEST(SeparatorPlaces, ParsesEachCommaSeparatedEntryInOrder) {
  const ParseCase cases[] = {
      {"", {}},
      {"2", {2}},
      {"0,2", {0, 2}},
      {"5,7", {5, 7}},
      {" 3,\t 4", {3, 4}},                 // leading blanks skipped
      {"+3,-2,- 4", {3, -2, 0}},          // a sign, then digits at once
      {"3 ,4x,x4,", {3, 4, 0, 0}},        // digits up to the first other character; empty entries
      {",,6", {0, 0, 6}},
      {"2147483647,-2147483648", {2147483647, -2147483647 - 1}},
      // Out of range: not kept, but the place is taken (and never reached).
      {"2147483648,3", {0, 3}},
      {"-2147483649,3", {0, 3}},
      {"99999999999999999999,4", {0, 4}},
  };
  for (const ParseCase& c : cases) {
    SCOPED_TRACE(c.text);
    SeparatorPlaces s;
    s.count = 5;  // reset by the parser
    ASSERT_EQ(ParseSeparatorPlaces(c.text, &s), 1);
    EXPECT_EQ(Places(s), c.places);
    for (int i = s.count; i < kMaxSeparatorPlaces; ++i) EXPECT_EQ(s.place[i], 0) << i;
  }
}

TEST(SeparatorPlaces, KeepsAtMost79EntriesAndRefusesALongList) {
  std::string list;
  for (int i = 1; i <= 80; ++i) list += (i > 1 ? "," : "") + std::to_string(i);
  SeparatorPlaces s;
  ASSERT_EQ(ParseSeparatorPlaces(list.c_str(), &s), 1);
  ASSERT_EQ(s.count, kMaxSeparatorPlaces);
  EXPECT_EQ(s.place[0], 1);
  EXPECT_EQ(s.place[78], 79);

  // 259 characters fit the list's buffer; 260 do not, and nothing is read.
  const std::string fits = "1" + std::string(258, ' ');
  ASSERT_EQ(ParseSeparatorPlaces(fits.c_str(), &s), 1);
  EXPECT_EQ(Places(s), std::vector<std::int32_t>{1});
  EXPECT_EQ(ParseSeparatorPlaces((fits + " ").c_str(), &s), 0);
  EXPECT_EQ(s.count, 0);
  EXPECT_EQ(ParseSeparatorPlaces(nullptr, &s), 1);
  EXPECT_EQ(s.count, 0);
}

// Which of the first ten shown items get a separator before them.
std::vector<int> SeparatedItems(const char* text) {
  SeparatorPlaces s;
  EXPECT_EQ(ParseSeparatorPlaces(text, &s), 1);
  std::vector<int> before;
  for (int n = 1; n <= 10; ++n) {
    if (s.TakeBefore(n)) before.push_back(n);
  }
  return before;
}

TEST(SeparatorPlaces, PlacesAreUsedStrictlyInOrder) {
  EXPECT_EQ(SeparatedItems(""), std::vector<int>{});
  EXPECT_EQ(SeparatedItems("2"), std::vector<int>{2});
  EXPECT_EQ(SeparatedItems("5,7"), (std::vector<int>{5, 7}));
  EXPECT_EQ(SeparatedItems("0,2"), std::vector<int>{});     // the first place is never reached
  EXPECT_EQ(SeparatedItems("5,3,7"), std::vector<int>{5});  // nor is a place not past the one before
  EXPECT_EQ(SeparatedItems("12,3"), std::vector<int>{});    // nor one beyond the items shown
  EXPECT_EQ(SeparatedItems("2147483648,3"), std::vector<int>{});
  EXPECT_EQ(SeparatedItems("1,2,3"), (std::vector<int>{1, 2, 3}));
}

TEST(SeparatorPlaces, NoPlaceIsUsedPastThe79th) {
  std::string list;
  for (int i = 1; i <= 80; ++i) list += (i > 1 ? "," : "") + std::to_string(i);
  SeparatorPlaces s;
  ASSERT_EQ(ParseSeparatorPlaces(list.c_str(), &s), 1);
  for (int n = 1; n <= 79; ++n) EXPECT_TRUE(s.TakeBefore(n)) << n;
  EXPECT_FALSE(s.TakeBefore(80));
  EXPECT_FALSE(s.TakeBefore(0));  // the unused tail must not read as places of 0
}

}  // namespace
