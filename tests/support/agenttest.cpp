#include "tests/support/agenttest.h"

#include <shlobj.h>
#include <windows.h>

#include <regex>

#include "tests/support/winsupport.h"

namespace testsupport {

namespace {
constexpr const char kSwitchKey[] = "SOFTWARE\\KORVA\\ZELT3";
}

std::string AgentLogPath() {
  char folder[MAX_PATH] = {};
  if (FAILED(::SHGetFolderPathA(nullptr, CSIDL_COMMON_APPDATA, nullptr, SHGFP_TYPE_CURRENT, folder))) return "";
  return std::string(folder) + "\\KORVA\\ZELT3\\K_TRLOG0.LOG";
}

void AgentTest::SetUp() {
  m_log = AgentLogPath();
  ASSERT_FALSE(m_log.empty());
  ASSERT_TRUE(CreateFolders(m_log.substr(0, m_log.find_last_of('\\'))));
  ASSERT_TRUE(RemoveFileIfPresent(m_log));
  ASSERT_TRUE(SetRegDword(HKEY_CURRENT_USER, kSwitchKey, "K_TDBG", 1));
}

void AgentTest::TearDown() { DeleteRegValue(HKEY_CURRENT_USER, kSwitchKey, "K_TDBG"); }

long AgentTest::RunAgent(const std::string& args) {
  return RunProcess("\"" + SiblingPath("trayagent.exe") + "\"" + (args.empty() ? "" : " " + args));
}

std::vector<AgentTest::LogLine> AgentTest::ReadLog() const {
  std::string text;
  ReadWholeFile(m_log, &text);
  std::vector<LogLine> lines;
  const std::regex format(R"(([0-9A-F]{4,8});[ 0-9]{5}:[0-5][0-9]\.[0-9]{3}; (.*))");
  for (const std::string& line : SplitCrLfLines(text)) {
    std::smatch m;
    EXPECT_TRUE(std::regex_match(line, m, format)) << "malformed log line: " << line;
    if (!m.empty()) lines.push_back({m[1], m[2]});
  }
  return lines;
}

std::vector<std::string> AgentTest::LogBodies() const {
  std::vector<std::string> bodies;
  for (const LogLine& line : ReadLog()) bodies.push_back(line.body);
  return bodies;
}

}  // namespace testsupport
