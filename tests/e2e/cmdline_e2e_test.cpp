// The agent's command line as seen from outside: parameter files named by "/F" are read
// (their switches reach the log) and deleted, unless a start-up entry needs them again.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "tests/support/agenttest.h"
#include "tests/support/winsupport.h"

using namespace testsupport;

namespace {

class AgentParamFile : public AgentTest {
 protected:
  void SetUp() override {
    AgentTest::SetUp();
    m_file = TempFolder() + "K_Se2e.tmp";
  }
  void TearDown() override {
    AgentTest::TearDown();
    RemoveFileIfPresent(m_file);
  }

  std::string m_file;
};

TEST_F(AgentParamFile, IsReadByBareNameFromTheTemporaryFolderAndDeleted) {
  ASSERT_TRUE(WriteWholeFile(m_file, "/P \"No Such Printer\"\n/HWND \"4660\"\n/SPL\n"));
  EXPECT_EQ(RunAgent("/F \"K_Se2e.tmp\""), 0);
  EXPECT_FALSE(FileExists(m_file));
  const std::vector<std::string> bodies = LogBodies();
  ASSERT_GE(bodies.size(), 6u);
  EXPECT_EQ(bodies[1], "CTrayIconApp::InitInstance");
  EXPECT_EQ(bodies[2], "CmdLine : /F \"K_Se2e.tmp\"");
  EXPECT_EQ(bodies[3], "/HWND");
  EXPECT_EQ(bodies[4], "/SPL");
  EXPECT_EQ(bodies.back(), "***** LOG END ******");
}

TEST_F(AgentParamFile, NamedByAStartUpEntryIsKept) {
  ASSERT_TRUE(WriteWholeFile(m_file, "/P \"No Such Printer\"\n/O \"LPT1:\"\n"));
  EXPECT_EQ(RunAgent("/EF \"HKCU\" /F \"" + m_file + "\""), 0);
  EXPECT_TRUE(FileExists(m_file));
}

}  // namespace
