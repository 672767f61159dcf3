// Exact bytes of log lines.
#include "app/logline.h"

#include <gtest/gtest.h>

namespace {

struct PrefixCase {
  std::uint32_t pid;
  std::uint32_t tick;
  const char* expected;
};

TEST(LogLine, PrefixSplitsTheTickCountAndPadsThePid) {
  const PrefixCase cases[] = {
      {0x1F, 0, "001F;    0:00.000; "},
      {0xABCDE, 61001, "ABCDE;    1:01.001; "},
      {0x4D2, 3599999, "04D2;   59:59.999; "},
      // The largest tick count: 71582 minutes, wider than the 5-column field.
      {0xFFFFFFFF, 0xFFFFFFFF, "FFFFFFFF;71582:47.295; "},
  };
  for (const PrefixCase& c : cases) {
    EXPECT_EQ(FormatLogPrefix(c.pid, c.tick), c.expected);
  }
}

TEST(LogLine, TheThreeBodyForms) {
  EXPECT_EQ(FormatLogText(0x10, 1500, "***** LOG START ******"), "0010;    0:01.500; ***** LOG START ******\n");
  EXPECT_EQ(FormatLogStr(0x10, 0, "CmdLine", "/P \"A%sB\""), "0010;    0:00.000; CmdLine : /P \"A%sB\"\n");
  EXPECT_EQ(FormatLogInt(0x10, 0, "Result", -1), "0010;    0:00.000; Result : -1\n");
  EXPECT_EQ(FormatLogInt(0x10, 0, "n", INT32_MIN), "0010;    0:00.000; n : -2147483648\n");
  // A label may itself end in a line break.
  EXPECT_EQ(FormatLogStr(0x10, 0, "csParam\n", "x"), "0010;    0:00.000; csParam\n : x\n");
}

TEST(LogLine, LongTextIsKeptWhole) {
  const std::string text(40000, 'q');
  EXPECT_EQ(FormatLogText(1, 0, text.c_str()).size(), std::string("0001;    0:00.000; ").size() + text.size() + 1);
}

TEST(LogLine, TextModeTurnsEveryLineFeedIntoCrLf) {
  EXPECT_EQ(ToTextModeBytes("a\nb\n"), "a\r\nb\r\n");
  EXPECT_EQ(ToTextModeBytes("a\r\n"), "a\r\r\n");
  EXPECT_EQ(ToTextModeBytes(""), "");
}

}  // namespace
