// The extension commands through a real frame: each id's value in the setup data of the
// frame's driver decides what is started. The sample programs record their command lines
// (KVSPROGS.LOG) and the utility library its calls (KVSUTY01.LOG), both in the temporary
// folder.
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
#include "tests/support/winsupport.h"

using namespace testsupport;

namespace {

constexpr const char kPrinter[] = "Aux Test Ink 100";
// A driver of the sample's files with a setup data file of its own, for the values the
// sample menu does not have.
constexpr const char kAuxDriver[] = "KORVA Aux Test Ink";
constexpr const char kAuxPrinter[] = "Aux Test Ink Edge";
constexpr const char kAuxDataFile[] = "AUXTEST.DAT";
constexpr const char kAuxSetupFile[] = "AUXTSET.DAT";

constexpr const char kAuxData[] =
    "[User Mode Printer Driver Information]\r\n"
    "SADatI=AUXTSET.DAT\r\n"
    "[AUXT]\r\n"
    "UTILITY=KVSUTY01.DLL\r\n";
constexpr const char kAuxSetup[] =
    "[Install]\r\n"
    "REGPATH=DRV,\"HKEY_LOCAL_MACHINE\\Software\\KORVA\\ZELT3\\Driver\\KORVA Aux Test Ink\"\r\n"
    "REGPATH=MENU,\"HKEY_LOCAL_MACHINE\\Software\\KORVA\\ZELT3\\Driver\\KORVA Aux Test Ink\\Menu\"\r\n"
    "REGENTER=DRV,\"ModelID\",\"AUXT\"\r\n"
    "REGENTER=DRV,\"Profile\",DRIVERDIR+\"\\AUXTEST.DAT\"\r\n"
    "REGENTER=DRV,\"DriverUpdateName\",DRIVERDIR+\"\\KVSUPD.EXE\"\r\n"
    "REGENTER=MENU,\"925\",DRIVERDIR+\"\\KVSCFG.EXE\"\r\n"
    "REGENTER=MENU,\"926\",\"%sKVSUPD.EXE %d\"\r\n"
    "REGENTER=MENU,\"927\",\"%s%sKVSUPD.EXE\"\r\n"
    "REGENTER=MENU,\"928\",\"%skvsupd.exe /lower\"\r\n"
    "REGENTER=MENU,\"945\",\"KVSUPD.EXE /nofolder\"\r\n"
    "REGENTER=MENU,\"929\",DRIVERDIR+\"\\KVSUTY01.DLL /U3 KVSUPD.EXE\"\r\n"
    "REGENTER=MENU,\"950\",DRIVERDIR+\"\\KVSORDER.EXE\"\r\n"
    "REGENTER=MENU,\"955\",DRIVERDIR+\"\\KVSORDER.EXE /a  /b\"\r\n"
    "REGENTER=MENU,\"960\",DRIVERDIR+\"\\KVSCFG.EXE |  C:\\some folder\\file.txt \"\r\n";

std::vector<std::string> NonEmptyLines(const std::string& path) {
  std::string text;
  ReadWholeFile(path, &text);
  std::vector<std::string> lines;
  for (const std::string& line : SplitCrLfLines(text))
    if (!line.empty()) lines.push_back(line);
  return lines;
}

class AuxCommands : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    std::string error;
    spoolsetup::DeleteLocalPrinter(kPrinter, nullptr);
    spoolsetup::DeleteLocalPrinter(kAuxPrinter, nullptr);
    ASSERT_TRUE(spoolsetup::InstallDriver(samplepackage::Package(samplepackage::kDriver100, ExeDir()), &error))
        << error;
    ASSERT_TRUE(spoolsetup::AddLocalPrinter(kPrinter, samplepackage::kDriver100, "LPT1:", &error)) << error;

    ASSERT_TRUE(WriteWholeFile(ExeDir() + kAuxDataFile, kAuxData));
    ASSERT_TRUE(WriteWholeFile(ExeDir() + kAuxSetupFile, kAuxSetup));
    spoolsetup::DriverPackage aux = samplepackage::Package(kAuxDriver, ExeDir());
    aux.dataFile = kAuxDataFile;
    aux.dependentFiles = {kAuxSetupFile};
    ASSERT_TRUE(spoolsetup::InstallDriver(aux, &error)) << error;
    ASSERT_TRUE(spoolsetup::AddLocalPrinter(kAuxPrinter, kAuxDriver, "FILE:", &error)) << error;
  }
  static void TearDownTestSuite() {
    spoolsetup::DeleteLocalPrinter(kPrinter, nullptr);
    spoolsetup::DeleteLocalPrinter(kAuxPrinter, nullptr);
    spoolsetup::RemoveDriver(kAuxDriver, nullptr);
  }

  void SetUp() override {
    m_driverDir = spoolsetup::InstalledDriverFolder(samplepackage::kDriver100);
    ASSERT_FALSE(m_driverDir.empty());
    m_programs = TempFolder() + "KVSPROGS.LOG";
    m_utility = TempFolder() + "KVSUTY01.LOG";
    m_log = TempFolder() + "auxcommand_test.log";
    for (const std::string* file : {&m_programs, &m_utility, &m_log}) ASSERT_TRUE(RemoveFileIfPresent(*file));
    ASSERT_TRUE(SetRegDword(HKEY_CURRENT_USER, kLogSwitchKey, "K_TDBG", 1));
    ASSERT_TRUE(DbgLogInit(m_log.c_str(), "K_TDBG"));

    g_pMainFrame = &m_frame;
    ASSERT_TRUE(m_frame.CreateFrameWindow(kAgentWindowClass, kAgentWindowTitle, kAgentWindowStyle,
                                          ::GetModuleHandleA(nullptr), nullptr));
  }

  void TearDown() override {
    ::DestroyWindow(m_frame.m_hWnd);  // WM_DESTROY waits for a utility still running
    MSG msg;
    while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    }
    g_pMainFrame = nullptr;
    DeleteRegValue(HKEY_CURRENT_USER, kLogSwitchKey, "K_TDBG");
  }

  void ServeSamplePrinter() {
    TextCopy(m_frame.m_szPrinterName, kPrinter);
    TextCopy(m_frame.m_szDriverName, samplepackage::kDriver100);
    TextCopy(m_frame.m_szPortName, "OLD:");  // a program command asks the spooler again
    TextCopy(m_frame.m_szModelID, "KVS100");
  }
  void ServeAuxPrinter() {
    TextCopy(m_frame.m_szPrinterName, kAuxPrinter);
    TextCopy(m_frame.m_szDriverName, kAuxDriver);
    TextCopy(m_frame.m_szPortName, "FILE:");
    TextCopy(m_frame.m_szModelID, "AUXT");
  }

  void Command(UINT id) { m_frame.HandleMessage(m_frame.m_hWnd, WM_COMMAND, id, 0); }

  // The programs' record once it has at least count lines (they run on their own).
  std::vector<std::string> WaitForPrograms(std::size_t count, DWORD timeoutMs = 10000) {
    const DWORD start = ::GetTickCount();
    for (;;) {
      std::vector<std::string> lines = NonEmptyLines(m_programs);
      if (lines.size() >= count || ::GetTickCount() - start > timeoutMs) return lines;
      ::Sleep(50);
    }
  }

  // Values of the log lines with this label, in order.
  std::vector<std::string> Logged(const std::string& label) const {
    std::string text;
    ReadWholeFile(m_log, &text);
    std::vector<std::string> values;
    const std::string marker = "; " + label + " : ";
    for (const std::string& line : SplitCrLfLines(text)) {
      const std::size_t at = line.find(marker);
      if (at != std::string::npos) values.push_back(line.substr(at + marker.size()));
    }
    return values;
  }

  std::string Printer100Switches() const {
    return " /P \"Aux Test Ink 100\" /M \"KVS100\" /D \"KORVA Sample Ink 100\" /O \"LPT1:\"";
  }

  std::string m_driverDir;
  std::string m_programs;
  std::string m_utility;
  std::string m_log;
  CMainFrame m_frame;
};

TEST_F(AuxCommands, ProgramCommandsGetThePrinterSwitchesInOrder) {
  ServeSamplePrinter();
  Command(931);
  ASSERT_EQ(WaitForPrograms(1).size(), 1u);
  Command(940);
  const std::vector<std::string> lines = WaitForPrograms(2);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0], "KVSCFG.EXE\t" + m_driverDir + "\\KVSCFG.EXE" + Printer100Switches());
  EXPECT_EQ(lines[1], "KVSORDER.EXE\t" + m_driverDir + "\\KVSORDER.EXE /menu" + Printer100Switches());
  EXPECT_STREQ(m_frame.m_szPortName, "LPT1:") << "the port is refreshed from the spooler";
  EXPECT_EQ(Logged("CMainFrame::OnAux : port name"), (std::vector<std::string>{"LPT1:", "LPT1:"}));
}

TEST_F(AuxCommands, DriverUpdateCommandGetsTheProgramsFolder) {
  ServeSamplePrinter();
  Command(930);
  const std::vector<std::string> lines = WaitForPrograms(1);
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0], "KVSUPD.EXE\t" + m_driverDir + "\\KVSUPD.EXE /check");
  EXPECT_STREQ(m_frame.m_szPortName, "OLD:") << "only a program command refreshes the port";
}

TEST_F(AuxCommands, DriverUpdateValuesWithOtherConversionsStartNothing) {
  ServeAuxPrinter();
  Command(926);  // "%s...%d": a number that was never passed
  Command(927);  // "%s%s": a second text that was never passed
  Command(945);  // no "%s": nowhere to put the program's folder
  EXPECT_EQ(Logged("CMainFrame::OnAux : driver update value refused"),
            (std::vector<std::string>{"%sKVSUPD.EXE %d", "%s%sKVSUPD.EXE", "KVSUPD.EXE /nofolder"}));
  EXPECT_TRUE(Logged("CMainFrame::OnAux : command line").empty());
  ::Sleep(500);
  EXPECT_TRUE(NonEmptyLines(m_programs).empty());
}

TEST_F(AuxCommands, ALowerCaseProgramNameIsAProgramCommand) {
  ServeAuxPrinter();
  Command(928);
  const std::vector<std::string> lines = Logged("CMainFrame::OnAux : command line");
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0], std::string("%skvsupd.exe /lower /P \"") + kAuxPrinter +
                          "\" /M \"AUXT\" /D \"KORVA Aux Test Ink\" /O \"FILE:\"");
}

TEST_F(AuxCommands, UtilityCommandsRunTheUtilityAndWinOverTheDriverUpdate) {
  ServeSamplePrinter();
  Command(920);  // the sample menu's nozzle check
  m_frame.m_UtyCall.CheckUtyCall();
  // The launcher keeps the semaphore of the printer it was first used for: let the frame
  // serve its next printer with a new one.
  m_frame.m_UtyCall.m_hUtySem.Reset();
  ServeAuxPrinter();
  Command(929);  // names the utility library and the driver-update program
  m_frame.m_UtyCall.CheckUtyCall();

  std::vector<std::string> calls;
  for (const std::string& line : NonEmptyLines(m_utility))
    if (line.rfind("Ut", 0) == 0) calls.push_back(line.substr(0, line.find('\t', line.find('\t') + 1)));
  EXPECT_EQ(calls, (std::vector<std::string>{std::string("UtPrintNozzleTestPattern\t") + kPrinter,
                                             std::string("UtAlignGap\t") + kAuxPrinter}));
  EXPECT_EQ(Logged("CMainFrame::OnUniAux : UtyCall Param").size(), 2u);
  EXPECT_TRUE(NonEmptyLines(m_programs).empty());
}

TEST_F(AuxCommands, ShellCommandsOpenTheTargetWithTheirParameters) {
  ServeAuxPrinter();
  Command(950);
  ASSERT_EQ(WaitForPrograms(1).size(), 1u);
  Command(955);
  ASSERT_EQ(WaitForPrograms(2).size(), 2u);
  Command(960);
  const std::vector<std::string> lines = WaitForPrograms(3);
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(Logged("ExeName"), (std::vector<std::string>{m_driverDir + "\\KVSORDER.EXE",
                                                         m_driverDir + "\\KVSORDER.EXE",
                                                         m_driverDir + "\\KVSCFG.EXE"}));
  EXPECT_EQ(Logged("parameter"), (std::vector<std::string>{"", "/a  /b", "C:\\some folder\\file.txt"}));
  // The shell builds the command line; the program and its parameters must be in it.
  auto endsWith = [](const std::string& s, const std::string& tail) {
    return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
  };
  EXPECT_EQ(lines[0].rfind("KVSORDER.EXE\t", 0), 0u) << lines[0];
  EXPECT_EQ(lines[1].rfind("KVSORDER.EXE\t", 0), 0u) << lines[1];
  EXPECT_TRUE(endsWith(lines[1], " /a  /b")) << lines[1];
  EXPECT_EQ(lines[2].rfind("KVSCFG.EXE\t", 0), 0u) << lines[2];
  EXPECT_TRUE(endsWith(lines[2], " C:\\some folder\\file.txt")) << lines[2];
}

TEST_F(AuxCommands, IdsWithoutAValueDoNothing) {
  ServeSamplePrinter();
  for (UINT id : {924u, 949u, 997u, 998u}) Command(id);
  EXPECT_EQ(Logged("CMainFrame::OnAux : Param"), std::vector<std::string>(4, ""));
  EXPECT_TRUE(Logged("CMainFrame::OnAux : command line").empty());
  EXPECT_TRUE(Logged("ExeName").empty());
}

}  // namespace
