// The agent's start and end as seen from outside: exit code and the diagnostic log.
#include <gtest/gtest.h>
#include <shlobj.h>
#include <windows.h>

#include <regex>
#include <string>
#include <vector>

#include "tests/support/winsupport.h"

using namespace testsupport;

namespace {

constexpr const char kSwitchKey[] = "SOFTWARE\\KORVA\\ZELT3";

std::string LogPath() {
  char folder[MAX_PATH] = {};
  if (FAILED(::SHGetFolderPathA(nullptr, CSIDL_COMMON_APPDATA, nullptr, SHGFP_TYPE_CURRENT, folder))) return "";
  return std::string(folder) + "\\KORVA\\ZELT3\\K_TRLOG0.LOG";
}

class AgentLifecycle : public ::testing::Test {
 protected:
  void SetUp() override {
    m_log = LogPath();
    ASSERT_FALSE(m_log.empty());
    ASSERT_TRUE(CreateFolders(m_log.substr(0, m_log.find_last_of('\\'))));
    ASSERT_TRUE(RemoveFileIfPresent(m_log));
  }
  void TearDown() override { DeleteRegValue(HKEY_CURRENT_USER, kSwitchKey, "K_TDBG"); }

  long RunAgent(const std::string& args) {
    return RunProcess("\"" + SiblingPath("trayagent.exe") + "\"" + (args.empty() ? "" : " " + args));
  }

  std::string m_log;
};

TEST_F(AgentLifecycle, LogOnRecordsStartCommandLineAndEnd) {
  ASSERT_TRUE(SetRegDword(HKEY_CURRENT_USER, kSwitchKey, "K_TDBG", 1));
  EXPECT_EQ(RunAgent("/P \"Ink 100\" /EF \"HKCU\""), 0);

  std::string text;
  ASSERT_TRUE(ReadWholeFile(m_log, &text));
  const std::vector<std::string> lines = SplitCrLfLines(text);
  const std::regex format(R"(([0-9A-F]{4,8});[ 0-9]{5}:[0-5][0-9]\.[0-9]{3}; (.*))");
  std::vector<std::string> bodies;
  std::string pid;
  for (const std::string& line : lines) {
    std::smatch m;
    ASSERT_TRUE(std::regex_match(line, m, format)) << line;
    if (pid.empty()) pid = m[1];
    EXPECT_EQ(m[1], pid) << "one process wrote every line";
    bodies.push_back(m[2]);
  }
  ASSERT_GE(bodies.size(), 4u) << text;
  EXPECT_EQ(bodies.front(), "***** LOG START ******");
  EXPECT_EQ(bodies[1], "CTrayIconApp::InitInstance");
  EXPECT_EQ(bodies[2], "CmdLine : /P \"Ink 100\" /EF \"HKCU\"");
  EXPECT_EQ(bodies.back(), "***** LOG END ******");
}

TEST_F(AgentLifecycle, LogOffLeavesNoFileAndTheExitCodeIsStillZero) {
  ASSERT_TRUE(SetRegDword(HKEY_CURRENT_USER, kSwitchKey, "K_TDBG", 0));
  EXPECT_EQ(RunAgent(""), 0);
  EXPECT_FALSE(FileExists(m_log));
  ASSERT_TRUE(DeleteRegValue(HKEY_CURRENT_USER, kSwitchKey, "K_TDBG"));
  EXPECT_EQ(RunAgent("/R"), 0);
  EXPECT_FALSE(FileExists(m_log));
}

}  // namespace
