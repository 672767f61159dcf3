#pragma once
// Base fixture of the end-to-end tests: real trayagent.exe processes with the diagnostic
// log switched on, observed through the log file.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "base/winhandle.h"

namespace testsupport {

// The log file every agent writes to (common application-data folder).
std::string AgentLogPath();

// One started trayagent.exe process.
class AgentProcess {
 public:
  AgentProcess() = default;
  AgentProcess(HANDLE process, DWORD pid) : m_process(process), m_pid(pid) {}

  bool Started() const { return m_process.IsValid(); }
  DWORD Pid() const { return m_pid; }
  bool Running() const;
  // The agent's hidden window (class "TrayIconWClass", title "ZELT3 TrayIcon"), or null.
  HWND Window() const;
  // Waits until the agent serves its printer (its start-up reported result 1 in the log)
  // or ends. True when it serves.
  bool WaitUntilServing(const std::string& logPath, DWORD timeoutMs = 30000) const;
  // Its exit code, or -1 when it has not ended in time (it is then terminated).
  long WaitForExit(DWORD timeoutMs = 30000);
  // Posts WM_CLOSE to its window and waits for the exit code (-1: no window or no end).
  long Close(DWORD timeoutMs = 30000);

 private:
  UniqueHandle m_process;
  DWORD m_pid = 0;
};

class AgentTest : public ::testing::Test {
 protected:
  // Starts with no log file and the log switched on.
  void SetUp() override;
  void TearDown() override;

  // Runs trayagent.exe (next to the test) with these arguments; its exit code, or -1.
  // An agent that goes on to serve its printer is closed with WM_CLOSE once it does.
  long RunAgent(const std::string& args);
  // Starts trayagent.exe and leaves it running.
  AgentProcess StartAgent(const std::string& args);
  // Log lines of one process (pid as the log writes it).
  std::vector<std::string> LogBodiesOf(DWORD pid) const;

  struct LogLine {
    std::string pid;
    std::string body;
  };
  // Every line of the log, each checked for the line format (a malformed line fails the
  // test and is left out).
  std::vector<LogLine> ReadLog() const;
  std::vector<std::string> LogBodies() const;

  std::string m_log;
};

}  // namespace testsupport
