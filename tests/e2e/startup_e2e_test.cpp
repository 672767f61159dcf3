// Start-up as seen from outside, with the sample driver in the spooler: what the agent
// completes from the spooler and the setup data, and where it stops.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "sampledriver/installer/samplepackage.h"
#include "sampledriver/installer/spoolsetup.h"
#include "tests/support/agenttest.h"
#include "tests/support/winsupport.h"

using namespace testsupport;

namespace {

constexpr const char kPrinter[] = "E2E Sample Ink 100";
// A driver whose data file names an information library that is not there.
constexpr const char kNoLibDriver[] = "E2E Driver Without Library";

class AgentStartup : public AgentTest {
 protected:
  static void SetUpTestSuite() {
    std::string error;
    ASSERT_TRUE(AddSamplePrinter(kPrinter, samplepackage::kDriver100, "LPT1:", &error)) << error;

    spoolsetup::DriverPackage noLib = samplepackage::Package(kNoLibDriver, ExeDir());
    noLib.dataFile = "E2ENOLIB.DAT";
    noLib.dependentFiles = {samplepackage::kSetupDataFile};
    ASSERT_TRUE(WriteWholeFile(ExeDir() + noLib.dataFile,
                               "[User Mode Printer Driver Information]\r\nSADatI=KVSMPSET.DAT\r\n"
                               "KVDRVIF1=E2EGONE.DLL\r\n"));
    ASSERT_TRUE(spoolsetup::InstallDriver(noLib, &error)) << error;
  }
  static void TearDownTestSuite() {
    spoolsetup::DeleteLocalPrinter(kPrinter, nullptr);
    spoolsetup::RemoveDriver(kNoLibDriver, nullptr);
  }

  // The bodies of the seven lines that report what the agent will serve, or none.
  std::vector<std::string> CmdInfoLines() {
    std::vector<std::string> found;
    for (const std::string& body : LogBodies()) {
      if (body.rfind("cmdInfo.", 0) == 0) found.push_back(body);
    }
    return found;
  }
};

TEST_F(AgentStartup, CompletesDriverPortAndModelFromAPrinterNameAlone) {
  EXPECT_EQ(RunAgent("/P \"" + std::string(kPrinter) + "\""), 0);
  const std::vector<std::string> expected = {
      "cmdInfo.m_szPrinterName : E2E Sample Ink 100",
      "cmdInfo.m_szDriverName : KORVA Sample Ink 100",
      "cmdInfo.m_szPortName : LPT1:",
      "cmdInfo.m_szModelID : KVS100",
      "cmdInfo.m_IconFrom : 0",
      "cmdInfo.m_fRemove : 0",
      "cmdInfo.m_fIconInstall : 0",
  };
  EXPECT_EQ(CmdInfoLines(), expected);
  EXPECT_EQ(LogBodies().back(), "***** LOG END ******");
}

TEST_F(AgentStartup, SpoolerAnswersReplaceAGivenPortAndSwitchesAreReported) {
  EXPECT_EQ(RunAgent("/P \"" + std::string(kPrinter) + "\" /O \"COM9:\" /R /I /EF \"HKCU\""), 0);
  const std::vector<std::string> lines = CmdInfoLines();
  ASSERT_EQ(lines.size(), 7u);
  EXPECT_EQ(lines[2], "cmdInfo.m_szPortName : LPT1:");
  EXPECT_EQ(lines[4], "cmdInfo.m_IconFrom : 1");
  EXPECT_EQ(lines[5], "cmdInfo.m_fRemove : 1");
  EXPECT_EQ(lines[6], "cmdInfo.m_fIconInstall : 1");
}

TEST_F(AgentStartup, AnUnknownPrinterEndsBeforeReporting) {
  EXPECT_EQ(RunAgent("/P \"No Such Printer\""), 0);
  EXPECT_TRUE(CmdInfoLines().empty());
  EXPECT_EQ(LogBodies().back(), "***** LOG END ******");
}

// With driver, port and model all given, only the information library decides.
TEST_F(AgentStartup, ADriverWithoutItsInformationLibraryEndsAtTheBinding) {
  EXPECT_EQ(RunAgent("/D \"" + std::string(kNoLibDriver) + "\" /O \"FILE:\" /M \"KVS100\""), 0);
  EXPECT_TRUE(CmdInfoLines().empty());

  ASSERT_TRUE(RemoveFileIfPresent(m_log));
  EXPECT_EQ(RunAgent("/D \"KORVA Sample Ink 100\" /O \"FILE:\" /M \"KVS100\""), 0);
  const std::vector<std::string> lines = CmdInfoLines();
  ASSERT_EQ(lines.size(), 7u);
  EXPECT_EQ(lines[0], "cmdInfo.m_szPrinterName : ");
  EXPECT_EQ(lines[1], "cmdInfo.m_szDriverName : KORVA Sample Ink 100");
}

TEST_F(AgentStartup, StartedFromTheMachineStartUpListWaitsTwoSeconds) {
  const DWORD start = ::GetTickCount();
  EXPECT_EQ(RunAgent("/P \"" + std::string(kPrinter) + "\" /EF \"HKLM\""), 0);
  EXPECT_GE(::GetTickCount() - start, 2000u);
  EXPECT_EQ(CmdInfoLines().at(4), "cmdInfo.m_IconFrom : 2");
}

// Another agent's window (any printer) makes a starting agent wait a further 1.5 s,
// unless it was started to remove an agent.
TEST_F(AgentStartup, AnotherAgentsWindowDelaysTheStart) {
  WNDCLASSA wc = {};
  wc.lpfnWndProc = ::DefWindowProcA;
  wc.hInstance = ::GetModuleHandleA(nullptr);
  wc.lpszClassName = "TrayIconWClass";
  ASSERT_NE(::RegisterClassA(&wc), 0);
  HWND other = ::CreateWindowA("TrayIconWClass", "ZELT3 TrayIcon", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr,
                               wc.hInstance, nullptr);
  ASSERT_NE(other, nullptr);
  const std::string args = "/P \"" + std::string(kPrinter) + "\"";
  DWORD start = ::GetTickCount();
  EXPECT_EQ(RunAgent(args), 0);
  EXPECT_GE(::GetTickCount() - start, 1600u);
  ::DestroyWindow(other);
  ::UnregisterClassA("TrayIconWClass", wc.hInstance);
  EXPECT_EQ(CmdInfoLines().size(), 7u);
}

}  // namespace
