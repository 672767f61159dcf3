// Extension command values taken apart or filled in: the shell command's target and
// parameters, and the driver-update format.
#include "frame/auxvalue.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

TEST(ShellCommand, SplitsAtTheFirstBarElseAtTheFirstSlashAndTrims) {
  const struct {
    const char* value;
    const char* target;
    const char* parameters;
  } cases[] = {
      // A document path alone: opened without parameters.
      {"C:\\Drv\\KVSHELP.HTM", "C:\\Drv\\KVSHELP.HTM", ""},
      // A program, a '|' and a file: blanks around the bar go.
      {"notepad.exe | C:\\Drv\\readme.txt", "notepad.exe", "C:\\Drv\\readme.txt"},
      // A program and two switches: the parameters keep their '/'.
      {"C:\\Drv\\KVSCFG.EXE /a /b", "C:\\Drv\\KVSCFG.EXE", "/a /b"},
      // The bar wins over an earlier slash, and only the first bar splits.
      {"x/y.exe|p1|p2", "x/y.exe", "p1|p2"},
      // A slash in a page address splits it: only a bar keeps it whole.
      {"http://example.invalid/page", "http:", "//example.invalid/page"},
      {"|only parameters", "", "only parameters"},
      {"target|", "target", ""},
      {"  \t padded target \r\n", "padded target", ""},
      {"/switch", "", "/switch"},
      {"", "", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.value);
    ByteString target = "stale";
    ByteString parameters = "stale";
    SplitShellCommand(c.value, &target, &parameters);
    EXPECT_EQ(target, c.target);
    EXPECT_EQ(parameters, c.parameters);
  }
}

TEST(DriverUpdateFormat, AcceptsOnlyOneFolderConversion) {
  const struct {
    const char* value;
    bool accepted;
  } cases[] = {
      {"%sKVSUPD.EXE /check", true},
      {"\"%sKVSUPD.EXE\" /p 100%%", true},
      {"KVSUPD.EXE /check", false},  // no folder to put in
      {"100%% KVSUPD.EXE", false},
      {"%%s is literal: %sKVSUPD.EXE", true},
      {"%s%s", false},
      {"%sKVSUPD.EXE %d", false},
      {"%dKVSUPD.EXE", false},
      {"%n", false},
      {"%10sKVSUPD.EXE", false},  // widths and precisions are conversions of their own
      {"%.3s", false},
      {"%ls", false},
      {"%S", false},
      {"KVSUPD.EXE 100%", false},  // a lone '%' at the end
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.value);
    EXPECT_EQ(IsDriverUpdateFormat(c.value), c.accepted);
  }
  EXPECT_FALSE(IsDriverUpdateFormat(nullptr));
}

TEST(DriverUpdateFormat, PutsTheFolderInAndUnescapesPercents) {
  const struct {
    const char* value;
    const char* command;
  } cases[] = {
      {"%sKVSUPD.EXE /check", "C:\\Upd\\KVSUPD.EXE /check"},
      {"\"%sKVSUPD.EXE\" /p 100%%", "\"C:\\Upd\\KVSUPD.EXE\" /p 100%"},
      {"%s", "C:\\Upd\\"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.value);
    char out[520];
    std::memset(out, 'x', sizeof out);
    EXPECT_TRUE(FormatDriverUpdateCommand(out, sizeof out, c.value, "C:\\Upd\\"));
    EXPECT_STREQ(out, c.command);
  }
}

TEST(DriverUpdateFormat, RefusedOrTooLongGivesAnEmptyCommand) {
  char out[16];
  std::memset(out, 'x', sizeof out);
  EXPECT_FALSE(FormatDriverUpdateCommand(out, sizeof out, "%s %d", "C:\\"));
  EXPECT_STREQ(out, "");

  // Exactly the size, then one byte more: in the folder and in the plain text.
  EXPECT_TRUE(FormatDriverUpdateCommand(out, sizeof out, "%sUPDA.EXE", "C:\\Upd\\"));  // 15 characters
  EXPECT_STREQ(out, "C:\\Upd\\UPDA.EXE");
  std::memset(out, 'x', sizeof out);
  EXPECT_FALSE(FormatDriverUpdateCommand(out, sizeof out, "%sUPDA.EXE", "C:\\Upd1\\"));
  EXPECT_STREQ(out, "");
  EXPECT_FALSE(FormatDriverUpdateCommand(out, sizeof out, "%sUPDAT.EXE", "C:\\Upd\\"));
  EXPECT_STREQ(out, "");
  EXPECT_FALSE(FormatDriverUpdateCommand(out, sizeof out, "%s", nullptr));
}

}  // namespace
