#pragma once
// Base fixture of the end-to-end tests: real trayagent.exe processes with the diagnostic
// log switched on, observed through the log file.
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace testsupport {

// The log file every agent writes to (common application-data folder).
std::string AgentLogPath();

class AgentTest : public ::testing::Test {
 protected:
  // Starts with no log file and the log switched on.
  void SetUp() override;
  void TearDown() override;

  // Runs trayagent.exe (next to the test) with these arguments; its exit code, or -1.
  long RunAgent(const std::string& args);

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
