// The agent's start and end as seen from outside: exit code and the diagnostic log.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "tests/support/agenttest.h"
#include "tests/support/winsupport.h"

using namespace testsupport;

namespace {

using AgentLifecycle = AgentTest;

TEST_F(AgentLifecycle, LogOnRecordsStartCommandLineAndEnd) {
  EXPECT_EQ(RunAgent("/P \"Ink 100\" /EF \"HKCU\""), 0);
  const std::vector<LogLine> lines = ReadLog();
  ASSERT_GE(lines.size(), 4u);
  for (const LogLine& line : lines) EXPECT_EQ(line.pid, lines.front().pid) << "one process wrote every line";
  EXPECT_EQ(lines.front().body, "***** LOG START ******");
  EXPECT_EQ(lines[1].body, "CTrayIconApp::InitInstance");
  EXPECT_EQ(lines[2].body, "CmdLine : /P \"Ink 100\" /EF \"HKCU\"");
  EXPECT_EQ(lines.back().body, "***** LOG END ******");
}

TEST_F(AgentLifecycle, LogOffLeavesNoFileAndTheExitCodeIsStillZero) {
  ASSERT_TRUE(SetRegDword(HKEY_CURRENT_USER, "SOFTWARE\\KORVA\\ZELT3", "K_TDBG", 0));
  EXPECT_EQ(RunAgent(""), 0);
  EXPECT_FALSE(FileExists(m_log));
  ASSERT_TRUE(DeleteRegValue(HKEY_CURRENT_USER, "SOFTWARE\\KORVA\\ZELT3", "K_TDBG"));
  EXPECT_EQ(RunAgent("/R"), 0);
  EXPECT_FALSE(FileExists(m_log));
}

}  // namespace
