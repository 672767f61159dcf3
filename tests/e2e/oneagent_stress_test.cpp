// Agents started at the same moment for one printer: exactly one may go on serving it.
// The default run makes a few trials; TA_STRESS_TRIALS=50 gives the long form (README).
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "sampledriver/installer/samplepackage.h"
#include "sampledriver/installer/spoolsetup.h"
#include "tests/support/agenttest.h"
#include "tests/support/winsupport.h"

using namespace testsupport;

namespace {

constexpr const char kPrinter[] = "E2E Stress Ink 100";
constexpr int kAgentsPerTrial = 20;

int Trials() {
  const char* text = std::getenv("TA_STRESS_TRIALS");
  const int n = text != nullptr ? std::atoi(text) : 0;
  return n > 0 ? n : 2;
}

class OneAgentPerPrinter : public AgentTest {
 protected:
  static void SetUpTestSuite() {
    std::string error;
    ASSERT_TRUE(AddSamplePrinter(kPrinter, samplepackage::kDriver100, "LPT1:", &error)) << error;
  }
  static void TearDownTestSuite() { spoolsetup::DeleteLocalPrinter(kPrinter, nullptr); }
};

TEST_F(OneAgentPerPrinter, AgentsStartedTogetherLeaveExactlyOneRunning) {
  const int trials = Trials();
  int good = 0;
  for (int trial = 0; trial < trials; ++trial) {
    std::vector<AgentProcess> agents;
    for (int i = 0; i < kAgentsPerTrial; ++i) agents.push_back(StartAgent("/P \"" + std::string(kPrinter) + "\""));

    // The losers end on their own; the one that serves keeps running.
    const DWORD start = ::GetTickCount();
    int running = kAgentsPerTrial;
    while (::GetTickCount() - start < 60000) {
      running = 0;
      for (const AgentProcess& a : agents) running += a.Running() ? 1 : 0;
      if (running <= 1) break;
      ::Sleep(200);
    }
    ::Sleep(1000);  // a late second winner would still be starting
    running = 0;
    for (const AgentProcess& a : agents) running += a.Running() ? 1 : 0;
    if (running == 1) ++good;
    std::printf("trial %d: %d of %d agents running\n", trial + 1, running, kAgentsPerTrial);

    for (AgentProcess& a : agents) {
      if (a.Running()) EXPECT_EQ(a.Close(), 0);
    }
  }
  std::printf("exactly one agent left in %d of %d trials\n", good, trials);
  EXPECT_EQ(good, trials);
}

}  // namespace
