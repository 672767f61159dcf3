// The agent's command line as seen from outside: parameter files named by "/F" are read
// (their switches reach the log) and deleted, unless a start-up entry needs them again.
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

std::string TempFolder() {
  char buf[MAX_PATH] = {};
  const DWORD n = ::GetTempPathA(MAX_PATH, buf);
  return std::string(buf, n);
}

std::string LogPath() {
  char folder[MAX_PATH] = {};
  if (FAILED(::SHGetFolderPathA(nullptr, CSIDL_COMMON_APPDATA, nullptr, SHGFP_TYPE_CURRENT, folder))) return "";
  return std::string(folder) + "\\KORVA\\ZELT3\\K_TRLOG0.LOG";
}

class AgentParamFile : public ::testing::Test {
 protected:
  void SetUp() override {
    m_log = LogPath();
    ASSERT_FALSE(m_log.empty());
    ASSERT_TRUE(CreateFolders(m_log.substr(0, m_log.find_last_of('\\'))));
    ASSERT_TRUE(RemoveFileIfPresent(m_log));
    ASSERT_TRUE(SetRegDword(HKEY_CURRENT_USER, kSwitchKey, "K_TDBG", 1));
    m_file = TempFolder() + "K_Se2e.tmp";
  }
  void TearDown() override {
    DeleteRegValue(HKEY_CURRENT_USER, kSwitchKey, "K_TDBG");
    RemoveFileIfPresent(m_file);
  }
  long RunAgent(const std::string& args) { return RunProcess("\"" + SiblingPath("trayagent.exe") + "\" " + args); }
  std::vector<std::string> LogBodies() {
    std::string text;
    ReadWholeFile(m_log, &text);
    std::vector<std::string> bodies;
    const std::regex format(R"([0-9A-F]{4,8};[ 0-9]{5}:[0-5][0-9]\.[0-9]{3}; (.*))");
    for (const std::string& line : SplitCrLfLines(text)) {
      std::smatch m;
      EXPECT_TRUE(std::regex_match(line, m, format)) << line;
      bodies.push_back(m[1]);
    }
    return bodies;
  }

  std::string m_log;
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
