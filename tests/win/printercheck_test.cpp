// The printer checks of a real frame: only the spooler's word that the printer does not
// exist counts as its deletion. A printer that cannot be opened for another reason keeps
// its start-up entry, its parameter file and its target entry, and the monitoring check
// asks again later instead of closing the agent.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/dbglog.h"
#include "app/trayiconapp.h"
#include "frame/mainframe.h"
#include "sampledriver/installer/samplepackage.h"
#include "sampledriver/installer/spoolsetup.h"
#include "settings/spooler.h"
#include "settings/targetreg.h"
#include "tests/support/winsupport.h"

using namespace testsupport;

namespace {

constexpr const char kTargets[] = "Software\\KORVA\\ZELT3\\ZELTData";
// The spooler opens this name as a monitor's interface and fails with ERROR_UNKNOWN_PORT:
// a printer name that is not "no such printer".
constexpr const char kUnreachable[] = ",XcvMonitor <none>";
constexpr const char kGone[] = "Printer Check Gone 4711";

bool RunValueExists(const char* name) {
  HKEY run = nullptr;
  if (::RegOpenKeyExA(HKEY_CURRENT_USER, kStartupRunKey, 0, KEY_READ, &run) != ERROR_SUCCESS) return false;
  const bool found = ::RegQueryValueExA(run, name, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
  ::RegCloseKey(run);
  return found;
}

bool TargetEntryExists(const char* name) {
  char entry[260] = {};
  return FindTargetKey(name, FALSE, entry, sizeof entry) == 0;
}

class PrinterCheck : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    std::string error;
    ASSERT_TRUE(spoolsetup::InstallDriver(samplepackage::Package(samplepackage::kDriver100, ExeDir()), &error))
        << error;
    spoolsetup::DeleteLocalPrinter(kGone, nullptr);
  }

  void SetUp() override {
    DeleteRegTree(HKEY_CURRENT_USER, kTargets);
    m_log = TempFolder() + "printercheck_test.log";
    m_ink = TempFolder() + "KVSINK01.LOG";
    ASSERT_TRUE(RemoveFileIfPresent(m_log));
    ASSERT_TRUE(RemoveFileIfPresent(m_ink));
    ASSERT_TRUE(SetRegDword(HKEY_CURRENT_USER, kLogSwitchKey, "K_TDBG", 1));
    ASSERT_TRUE(DbgLogInit(m_log.c_str(), "K_TDBG"));
    g_pMainFrame = &m_frame;
    ASSERT_TRUE(m_frame.CreateFrameWindow(kAgentWindowClass, kAgentWindowTitle, kAgentWindowStyle,
                                          ::GetModuleHandleA(nullptr), nullptr));
    TextCopy(m_frame.m_szDriverName, samplepackage::kDriver100);
    TextCopy(m_frame.m_szPortName, "LPT1:");
    TextCopy(m_frame.m_szModelID, "KVS100");
  }

  void TearDown() override {
    ::DestroyWindow(m_frame.m_hWnd);
    MSG msg;
    while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    }
    g_pMainFrame = nullptr;
    DeleteRegValue(HKEY_CURRENT_USER, kLogSwitchKey, "K_TDBG");
    for (const std::string& name : m_runValues) DeleteRegValue(HKEY_CURRENT_USER, kStartupRunKey, name.c_str());
  }

  // What the package keeps for a printer: a start-up entry naming a parameter file, and a
  // target entry. Returns the parameter file's path.
  std::string KeepEntriesFor(const char* printer, const char* fileName) {
    const std::string paramFile = TempFolder() + fileName;
    EXPECT_TRUE(WriteWholeFile(paramFile, "/P \"" + std::string(printer) + "\"\n"));
    const std::string command = "trayagent.exe /EF \"HKCU\" /F \"" + paramFile + "\"";
    EXPECT_TRUE(SetRegValue(HKEY_CURRENT_USER, kStartupRunKey, printer, REG_SZ, command.c_str(),
                            static_cast<DWORD>(command.size() + 1)));
    m_runValues.push_back(printer);
    char entry[260] = {};
    EXPECT_EQ(CreateTargetKey(printer, FALSE, entry, sizeof entry), 0);
    return paramFile;
  }

  bool ClosePosted() {
    MSG msg;
    return ::PeekMessageA(&msg, m_frame.m_hWnd, WM_CLOSE, WM_CLOSE, PM_REMOVE) != FALSE;
  }

  // Runs the monitoring check as its timer would.
  void MaskCheck() {
    m_frame.m_nMaskCheckTimer =
        static_cast<std::uint32_t>(::SetTimer(m_frame.m_hWnd, ID_TIMER_MASKCHECK, kMaskCheckPeriodMs, nullptr));
    ASSERT_NE(m_frame.m_nMaskCheckTimer, 0u);
    m_frame.OnTimer(m_frame.m_nMaskCheckTimer);
  }

  std::string m_log;
  std::string m_ink;
  std::vector<std::string> m_runValues;
  CMainFrame m_frame;
};

TEST_F(PrinterCheck, ThePrinterNameOfTheUnreachableCaseFailsForAnotherReason) {
  HANDLE printer = nullptr;
  ::SetLastError(0xDEADBEEF);
  ASSERT_FALSE(KV_OpenPrinter(kUnreachable, &printer, nullptr));
  const DWORD error = ::GetLastError();
  EXPECT_NE(error, static_cast<DWORD>(ERROR_INVALID_PRINTER_NAME));
  EXPECT_NE(error, static_cast<DWORD>(ERROR_SUCCESS));
  ::SetLastError(0xDEADBEEF);
  ASSERT_FALSE(KV_OpenPrinter(kGone, &printer, nullptr));
  EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_INVALID_PRINTER_NAME));
}

TEST_F(PrinterCheck, AnUnreachablePrinterKeepsItsEntriesAndTheAgentRuns) {
  TextCopy(m_frame.m_szPrinterName, kUnreachable);
  const std::string paramFile = KeepEntriesFor(kUnreachable, "PRNCHK1.TMP");

  EXPECT_EQ(m_frame.ChkDelPrn(), 1);
  MaskCheck();
  EXPECT_FALSE(ClosePosted()) << "the monitoring check must not close the agent";
  EXPECT_NE(m_frame.m_nMaskCheckTimer, 0u) << "it asks again in 3 s";

  EXPECT_TRUE(RunValueExists(kUnreachable));
  EXPECT_TRUE(FileExists(paramFile));
  EXPECT_TRUE(TargetEntryExists(kUnreachable));
  EXPECT_FALSE(FileExists(m_ink)) << "the ink service is not told of a printer that may still be there";
  RemoveFileIfPresent(paramFile);
}

TEST_F(PrinterCheck, ADeletedPrinterIsCleanedUpAndTheAgentCloses) {
  TextCopy(m_frame.m_szPrinterName, kGone);
  const std::string paramFile = KeepEntriesFor(kGone, "PRNCHK2.TMP");

  MaskCheck();
  EXPECT_TRUE(ClosePosted());
  EXPECT_FALSE(RunValueExists(kGone));
  EXPECT_FALSE(FileExists(paramFile));
  EXPECT_FALSE(TargetEntryExists(kGone));
  std::string ink;
  ASSERT_TRUE(ReadWholeFile(m_ink, &ink));
  EXPECT_EQ(ink.rfind("FY07VenrikCloseExA\t" + std::string(kGone) + "\t", 0), 0u) << ink;
}

}  // namespace
