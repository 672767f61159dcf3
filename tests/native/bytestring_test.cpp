#include "base/bytestring.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(ByteString, CaseInsensitiveComparisonFoldsAsciiOnly) {
  EXPECT_TRUE(EqualNoCase("hkcu", "HKCU"));
  EXPECT_TRUE(EqualNoCase("", ""));
  EXPECT_FALSE(EqualNoCase("HKCU", "HKC"));
  EXPECT_FALSE(EqualNoCase("a", "b"));
  // Bytes above 0x7F are compared as they are: no locale-dependent folding.
  EXPECT_FALSE(EqualNoCase("\xE4", "\xC4"));
  EXPECT_LT(CompareNoCase("abc", "ABD"), 0);
  EXPECT_GT(CompareNoCase("b", "A"), 0);
  EXPECT_EQ(CompareNoCase(nullptr, nullptr), 0);
  EXPECT_NE(CompareNoCase(nullptr, ""), 0);
}

TEST(ByteString, PlainComparisonIsCaseSensitive) {
  EXPECT_NE(ByteString("Printer"), ByteString("printer"));
}

TEST(ByteString, FormatGivesTheWholeResultOrNothing) {
  EXPECT_EQ(FormatString("%s%s\\Menu", "Software\\KORVA\\ZELT3\\Driver\\", "Ink 100"),
            "Software\\KORVA\\ZELT3\\Driver\\Ink 100\\Menu");
  EXPECT_EQ(FormatString("%d;%u;%04X", -5, 7u, 0xABu), "-5;7;00AB");
  const std::string big(kMaxFormatted, 'x');
  EXPECT_EQ(FormatString("%s", big.c_str()).size(), kMaxFormatted);
  EXPECT_EQ(FormatString("%s!", big.c_str()), "");
  EXPECT_EQ(FormatString(nullptr), "");
}

}  // namespace
