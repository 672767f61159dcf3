// A running agent seen from outside: its utility commands, and how it ends when its
// printer is deleted or its monitoring is switched off. The sample utility library
// records its calls in KVSUTY01.LOG, the ink-service library in KVSINK01.LOG (both in
// the temporary folder).
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "sampledriver/installer/samplepackage.h"
#include "sampledriver/installer/spoolsetup.h"
#include "tests/support/agenttest.h"
#include "tests/support/winsupport.h"

using namespace testsupport;

namespace {

constexpr const char kPrinter[] = "E2E Utility Ink 100";
constexpr const char kGonePrinter[] = "E2E Utility Ink Gone";
constexpr const char kZeltPrinter[] = "E2E Utility Ink Zelt";
constexpr const char kTargets[] = "Software\\KORVA\\ZELT3\\ZELTData";
constexpr const char kRunKey[] = "software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr const char kUtilityTitle[] = "KORVA Sample Utility";
constexpr UINT kNozzleCheckCommand = 920;  // the sample menu's "KVSUTY01.DLL /U1"
constexpr DWORD kEndWithinMs = 4500;       // the monitoring check runs every 3 s

std::vector<std::string> Split(const std::string& line, char sep) {
  std::vector<std::string> fields;
  std::size_t start = 0;
  for (;;) {
    const std::size_t at = line.find(sep, start);
    fields.push_back(line.substr(start, at - start));
    if (at == std::string::npos) return fields;
    start = at + 1;
  }
}

// Lines of a record file whose first field is first, split at the tabs.
std::vector<std::vector<std::string>> RecordLines(const std::string& path, const char* first) {
  std::string text;
  ReadWholeFile(path, &text);
  std::vector<std::vector<std::string>> lines;
  for (const std::string& line : SplitCrLfLines(text)) {
    std::vector<std::string> fields = Split(line, '\t');
    if (fields[0] == first) lines.push_back(fields);
  }
  return lines;
}

bool TargetEntryOf(const char* printer) { return !FindTargetEntry(printer).empty(); }

bool RunValueExists(const char* name) {
  HKEY run = nullptr;
  if (::RegOpenKeyExA(HKEY_CURRENT_USER, kRunKey, 0, KEY_READ, &run) != ERROR_SUCCESS) return false;
  const bool found = ::RegQueryValueExA(run, name, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
  ::RegCloseKey(run);
  return found;
}

// The agent's utility window, waited for up to timeoutMs.
HWND WaitForUtilityWindow(DWORD agentPid, DWORD timeoutMs) {
  const DWORD start = ::GetTickCount();
  for (;;) {
    HWND window = ::FindWindowA(nullptr, kUtilityTitle);
    DWORD pid = 0;
    if (window != nullptr && ::GetWindowThreadProcessId(window, &pid) != 0 && pid == agentPid) return window;
    if (::GetTickCount() - start > timeoutMs) return nullptr;
    ::Sleep(20);
  }
}

class AgentUtility : public AgentTest {
 protected:
  static void SetUpTestSuite() {
    std::string error;
    ASSERT_TRUE(spoolsetup::InstallDriver(samplepackage::Package(samplepackage::kDriver100, ExeDir()), &error))
        << error;
    for (const char* printer : {kPrinter, kGonePrinter, kZeltPrinter}) {
      spoolsetup::DeleteLocalPrinter(printer, nullptr);
      ASSERT_TRUE(spoolsetup::AddLocalPrinter(printer, samplepackage::kDriver100, "LPT1:", &error)) << error;
    }
  }
  static void TearDownTestSuite() {
    for (const char* printer : {kPrinter, kGonePrinter, kZeltPrinter}) spoolsetup::DeleteLocalPrinter(printer, nullptr);
  }

  void SetUp() override {
    AgentTest::SetUp();
    DeleteRegTree(HKEY_CURRENT_USER, kTargets);
    m_utility = TempFolder() + "KVSUTY01.LOG";
    m_ink = TempFolder() + "KVSINK01.LOG";
    ASSERT_TRUE(RemoveFileIfPresent(m_utility));
    ASSERT_TRUE(RemoveFileIfPresent(m_ink));
  }
  void TearDown() override {
    for (const char* printer : {kPrinter, kGonePrinter, kZeltPrinter})
      DeleteRegValue(HKEY_CURRENT_USER, kRunKey, printer);
    AgentTest::TearDown();
  }

  // Starts an agent as the user's start-up list does: a Run value named by the printer
  // whose command names a parameter file.
  AgentProcess StartFromStartUpEntry(const char* printer, std::string* paramFile) {
    *paramFile = TempFolder() + "E2EUTY_" + std::to_string(::GetTickCount()) + ".TMP";
    EXPECT_TRUE(WriteWholeFile(*paramFile, "/P \"" + std::string(printer) + "\"\n"));
    const std::string args = "/EF \"HKCU\" /F \"" + *paramFile + "\"";
    const std::string command = "\"" + SiblingPath("trayagent.exe") + "\" " + args;
    EXPECT_TRUE(SetRegValue(HKEY_CURRENT_USER, kRunKey, printer, REG_SZ, command.c_str(),
                            static_cast<DWORD>(command.size() + 1)));
    return StartAgent(args);
  }

  // The tick count of the first log line of that agent with this text, or 0.
  DWORD LoggedAt(DWORD pid, const std::string& body) const {
    char prefix[16] = {};
    std::snprintf(prefix, sizeof prefix, "%04X;", static_cast<unsigned>(pid));
    std::string text;
    ReadWholeFile(m_log, &text);
    for (const std::string& line : SplitCrLfLines(text)) {
      unsigned minutes = 0, seconds = 0, millis = 0;
      const std::size_t cut = line.find("; ", std::strlen(prefix));
      if (line.rfind(prefix, 0) != 0 || cut == std::string::npos || line.substr(cut + 2) != body) continue;
      if (std::sscanf(line.c_str() + std::strlen(prefix), "%u:%u.%u", &minutes, &seconds, &millis) == 3)
        return minutes * 60000u + seconds * 1000u + millis;
    }
    return 0;
  }

  // Waits until the agent has logged this text; the time it took, or -1.
  long WaitForLogged(DWORD pid, const std::string& body, DWORD timeoutMs) const {
    const DWORD start = ::GetTickCount();
    for (;;) {
      if (LoggedAt(pid, body) != 0) return static_cast<long>(::GetTickCount() - start);
      if (::GetTickCount() - start > timeoutMs) return -1;
      ::Sleep(25);
    }
  }

  std::string m_utility;
  std::string m_ink;
};

TEST_F(AgentUtility, ADeletedPrinterIsCleanedUpAndItsAgentEnds) {
  std::string paramFile;
  AgentProcess agent = StartFromStartUpEntry(kGonePrinter, &paramFile);
  ASSERT_TRUE(agent.WaitUntilServing(m_log));
  ASSERT_TRUE(TargetEntryOf(kGonePrinter));
  ASSERT_TRUE(RunValueExists(kGonePrinter));
  ASSERT_TRUE(FileExists(paramFile)) << "the start-up entry owns its parameter file";

  std::string error;
  ASSERT_TRUE(spoolsetup::DeleteLocalPrinter(kGonePrinter, &error)) << error;
  const long closedAfter = WaitForLogged(agent.Pid(), "WM_CLOSE", 15000);
  std::printf("deleted printer: WM_CLOSE after %ld ms\n", closedAfter);
  EXPECT_GE(closedAfter, 0);
  EXPECT_LT(closedAfter, static_cast<long>(kEndWithinMs));
  EXPECT_EQ(agent.WaitForExit(), 0);

  EXPECT_FALSE(RunValueExists(kGonePrinter));
  EXPECT_FALSE(FileExists(paramFile));
  EXPECT_FALSE(TargetEntryOf(kGonePrinter));
  const auto calls = RecordLines(m_ink, "FY07VenrikCloseExA");
  ASSERT_FALSE(calls.empty()) << "the ink service is told";
  for (const auto& call : calls) {
    ASSERT_EQ(call.size(), 3u);
    EXPECT_EQ(call[1], kGonePrinter);
    EXPECT_EQ(call[2], std::to_string(agent.Pid()));
  }

  ASSERT_TRUE(spoolsetup::AddLocalPrinter(kGonePrinter, samplepackage::kDriver100, "LPT1:", &error)) << error;
}

// "/I" keeps the printer check re-arming whatever it finds; the monitoring check still
// ends the agent, with the clean-up.
TEST_F(AgentUtility, StartedWithTheInstallSwitchADeletedPrinterStillEndsItsAgent) {
  AgentProcess agent = StartAgent("/P \"" + std::string(kGonePrinter) + "\" /I");
  ASSERT_TRUE(agent.WaitUntilServing(m_log));
  ASSERT_TRUE(TargetEntryOf(kGonePrinter));

  std::string error;
  ASSERT_TRUE(spoolsetup::DeleteLocalPrinter(kGonePrinter, &error)) << error;
  const long closedAfter = WaitForLogged(agent.Pid(), "WM_CLOSE", 15000);
  std::printf("deleted printer, agent started with /I: WM_CLOSE after %ld ms\n", closedAfter);
  EXPECT_GE(closedAfter, 0);
  EXPECT_LT(closedAfter, static_cast<long>(kEndWithinMs));
  EXPECT_EQ(agent.WaitForExit(), 0);
  EXPECT_FALSE(TargetEntryOf(kGonePrinter));
  EXPECT_FALSE(RecordLines(m_ink, "FY07VenrikCloseExA").empty());

  ASSERT_TRUE(spoolsetup::AddLocalPrinter(kGonePrinter, samplepackage::kDriver100, "LPT1:", &error)) << error;
}

TEST_F(AgentUtility, MonitoringSwitchedOffEndsTheAgentAndKeepsItsEntries) {
  std::string paramFile;
  AgentProcess agent = StartFromStartUpEntry(kZeltPrinter, &paramFile);
  ASSERT_TRUE(agent.WaitUntilServing(m_log));

  std::string error;
  ASSERT_TRUE(spoolsetup::SetPrinterDword(kZeltPrinter, "ZELTSetting", 1, &error)) << error;
  const long closedAfter = WaitForLogged(agent.Pid(), "WM_CLOSE", 15000);
  std::printf("ZELTSetting 1: WM_CLOSE after %ld ms\n", closedAfter);
  EXPECT_GE(closedAfter, 0);
  EXPECT_LT(closedAfter, static_cast<long>(kEndWithinMs));
  EXPECT_EQ(agent.WaitForExit(), 0);
  ASSERT_TRUE(spoolsetup::SetPrinterDword(kZeltPrinter, "ZELTSetting", 0, &error)) << error;

  EXPECT_TRUE(RunValueExists(kZeltPrinter));
  EXPECT_TRUE(FileExists(paramFile));
  EXPECT_TRUE(TargetEntryOf(kZeltPrinter));
  EXPECT_FALSE(FileExists(m_ink)) << "the printer is still there: nothing to tell the ink service";
  RemoveFileIfPresent(paramFile);
}

TEST_F(AgentUtility, AUtilityCommandRunsBesideTheAgentsOwnWork) {
  AgentProcess agent = StartAgent("/P \"" + std::string(kPrinter) + "\"");
  ASSERT_TRUE(agent.WaitUntilServing(m_log));
  HWND window = agent.Window();
  ASSERT_NE(window, nullptr);

  ASSERT_TRUE(::PostMessageA(window, WM_COMMAND, kNozzleCheckCommand, 0));
  HWND utility = WaitForUtilityWindow(agent.Pid(), 5000);
  ASSERT_NE(utility, nullptr) << "the utility shows its window";
  EXPECT_TRUE(::IsWindowVisible(utility));
  EXPECT_NE(::GetWindowThreadProcessId(utility, nullptr), ::GetWindowThreadProcessId(window, nullptr))
      << "the utility runs on a worker, not on the agent's window thread";
  // The agent goes on serving meanwhile.
  ASSERT_TRUE(::PostMessageA(window, 1224, 0, 0));
  EXPECT_GE(WaitForLogged(agent.Pid(), "CMainFrame::OnReloadIcon", 2000), 0);
  EXPECT_FALSE(RecordLines(m_utility, "UtPrintNozzleTestPattern").size() > 0) << "still running";

  const DWORD start = ::GetTickCount();
  while (::IsWindow(utility) && ::GetTickCount() - start < 10000) ::Sleep(50);
  EXPECT_FALSE(::IsWindow(utility)) << "the utility's window closes by itself";
  ::Sleep(200);
  const auto calls = RecordLines(m_utility, "UtPrintNozzleTestPattern");
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0][1], kPrinter);
  EXPECT_EQ(calls[0][5], std::to_string(agent.Pid()));
  EXPECT_TRUE(agent.Running());
  EXPECT_EQ(agent.Close(), 0);
}

TEST_F(AgentUtility, ClosingWhileAUtilityRunsWaitsForIt) {
  AgentProcess agent = StartAgent("/P \"" + std::string(kPrinter) + "\"");
  ASSERT_TRUE(agent.WaitUntilServing(m_log));
  HWND window = agent.Window();
  ASSERT_NE(window, nullptr);
  ASSERT_TRUE(::PostMessageA(window, WM_COMMAND, kNozzleCheckCommand, 0));
  ASSERT_NE(WaitForUtilityWindow(agent.Pid(), 5000), nullptr);

  ASSERT_TRUE(::PostMessageA(window, WM_CLOSE, 0, 0));
  EXPECT_EQ(agent.WaitForExit(), 0);

  const auto calls = RecordLines(m_utility, "UtPrintNozzleTestPattern");
  ASSERT_EQ(calls.size(), 1u);
  ASSERT_EQ(calls[0].size(), 9u);
  const DWORD utilityEnded = static_cast<DWORD>(std::stoul(calls[0][8]));
  const DWORD destroyStarted = LoggedAt(agent.Pid(), "WM_DESTROY");
  const DWORD cleanUp = LoggedAt(agent.Pid(), "CMainFrame::DestroyWindow");
  ASSERT_NE(destroyStarted, 0u);
  ASSERT_NE(cleanUp, 0u);
  EXPECT_LT(destroyStarted, utilityEnded) << "the close came while the utility ran";
  EXPECT_GE(cleanUp, utilityEnded) << "the clean-up waited for the utility to return";
}

}  // namespace
