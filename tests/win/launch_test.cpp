// The status window and preferences commands of a real frame, started up in this process
// for a sample printer: what the launcher of the sample package was handed (its record of
// every start), which file it was given, and what the user sees when it cannot start.
#include <gtest/gtest.h>
#include <windows.h>
#include <winspool.h>

#include <algorithm>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "app/dbglog.h"
#include "app/trayiconapp.h"
#include "base/winhandle.h"
#include "frame/mainframe.h"
#include "sampledriver/installer/samplepackage.h"
#include "sampledriver/installer/spoolsetup.h"
#include "tests/support/winsupport.h"

using namespace testsupport;

namespace {

constexpr const char kPrinter[] = "Office Ink";
constexpr const char kPort[] = "USB001";
constexpr const char kOtherPort[] = "LPT1:";
constexpr const char kQuotedPrinter[] = "Ink \"Q\" 7";
constexpr const char kTargets[] = "Software\\KORVA\\ZELT3\\ZELTData";
constexpr const char kPortsKey[] = "Software\\Microsoft\\Windows NT\\CurrentVersion\\Ports";
constexpr const char kStatusClass[] = "KVSStatusWindow";

// One start of the launcher as it recorded it: fields "<name> <count>:<bytes>\r\n".
using Record = std::map<std::string, std::string>;

std::vector<Record> ParseRecords(const std::string& text) {
  std::vector<Record> records;
  std::size_t at = 0;
  while (at < text.size()) {
    const std::size_t blank = text.find(' ', at);
    const std::size_t colon = text.find(':', blank);
    if (blank == std::string::npos || colon == std::string::npos) break;
    const std::string name = text.substr(at, blank - at);
    const std::size_t count = std::stoul(text.substr(blank + 1, colon - blank - 1));
    if (colon + 1 + count + 2 > text.size() || text.compare(colon + 1 + count, 2, "\r\n") != 0) {
      ADD_FAILURE() << "malformed launcher record at byte " << at;
      break;
    }
    if (name == "K_XRUN01") records.emplace_back();
    if (records.empty()) break;
    records.back()[name] = text.substr(colon + 1, count);
    at = colon + 1 + count + 2;
  }
  return records;
}

// The first top-level window of this thread with that class (a message box is "#32770").
HWND ThreadWindowOfClass(const char* cls) {
  struct Search {
    const char* cls;
    HWND found;
  } search = {cls, nullptr};
  ::EnumThreadWindows(
      ::GetCurrentThreadId(),
      [](HWND hWnd, LPARAM param) -> BOOL {
        auto* s = reinterpret_cast<Search*>(param);
        char name[64] = {};
        ::GetClassNameA(hWnd, name, sizeof name);
        if (std::string(name) != s->cls) return TRUE;
        s->found = hWnd;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

// What the message box showed, read from inside its modal loop by a thread timer that
// then ends it.
struct SeenBox {
  bool shown = false;
  std::string text;
  std::string caption;
  HWND owner = nullptr;
};
SeenBox g_box;
void CALLBACK ReadAndEndTheBox(HWND, UINT, UINT_PTR id, DWORD) {
  HWND box = ThreadWindowOfClass("#32770");
  if (box == nullptr) return;  // not up yet
  ::KillTimer(nullptr, id);
  char text[512] = {};
  ::GetDlgItemTextA(box, 0xFFFF, text, sizeof text);  // the box's static text
  g_box.text = text;
  ::GetWindowTextA(box, text, sizeof text);
  g_box.caption = text;
  g_box.owner = ::GetWindow(box, GW_OWNER);
  g_box.shown = true;
  ::PostMessageA(box, WM_COMMAND, IDOK, 0);
}

bool WaitFor(const std::function<bool()>& done, DWORD timeoutMs = 15000) {
  for (DWORD waited = 0; waited < timeoutMs; waited += 50) {
    if (done()) return true;
    ::Sleep(50);
  }
  return done();
}

// Moves a printer to another port, as a user does in its properties.
bool SetPrinterPort(const char* printer, const char* port) {
  PRINTER_DEFAULTSA defaults = {nullptr, nullptr, PRINTER_ALL_ACCESS};
  UniquePrinter handle;
  if (!::OpenPrinterA(const_cast<char*>(printer), handle.Receive(), &defaults)) return false;
  DWORD needed = 0;
  ::GetPrinterA(handle.Get(), 2, nullptr, 0, &needed);
  std::vector<BYTE> buffer(needed);
  if (needed == 0 || !::GetPrinterA(handle.Get(), 2, buffer.data(), needed, &needed)) return false;
  auto* info = reinterpret_cast<PRINTER_INFO_2A*>(buffer.data());
  info->pPortName = const_cast<char*>(port);
  info->pSecurityDescriptor = nullptr;
  return ::SetPrinterA(handle.Get(), 2, buffer.data(), 0) != FALSE;
}

std::vector<std::string> TempParamFiles() {
  std::vector<std::string> names;
  WIN32_FIND_DATAA data;
  HANDLE find = ::FindFirstFileA((TempFolder() + "K_S*.tmp").c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return names;
  do names.push_back(data.cFileName);
  while (::FindNextFileA(find, &data));
  ::FindClose(find);
  std::sort(names.begin(), names.end());
  return names;
}

class LaunchCommands : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    std::string error;
    for (const char* p : {kPrinter, kQuotedPrinter}) spoolsetup::DeleteLocalPrinter(p, nullptr);
    ASSERT_TRUE(spoolsetup::InstallDriver(samplepackage::Package(samplepackage::kDriver100, ExeDir()), &error))
        << error;
    // The spooler's local ports are listed here; a USB port is not there on a fresh system.
    ASSERT_TRUE(SetRegValue(HKEY_LOCAL_MACHINE, kPortsKey, kPort, REG_SZ, "", 1));
    ASSERT_TRUE(spoolsetup::AddLocalPrinter(kPrinter, samplepackage::kDriver100, kPort, &error)) << error;
    ASSERT_TRUE(spoolsetup::AddLocalPrinter(kQuotedPrinter, samplepackage::kDriver100, kOtherPort, &error)) << error;
    s_launcher = spoolsetup::InstalledDriverFolder(samplepackage::kDriver100) + "\\" + samplepackage::kLauncher;
    ASSERT_TRUE(FileExists(s_launcher)) << s_launcher;
  }
  static void TearDownTestSuite() {
    for (const char* p : {kPrinter, kQuotedPrinter}) spoolsetup::DeleteLocalPrinter(p, nullptr);
  }

  void SetUp() override {
    DeleteRegTree(HKEY_CURRENT_USER, kTargets);
    m_log = TempFolder() + "launch_test.log";
    m_records = TempFolder() + "K_XRUN01.LOG";
    RemoveFileIfPresent(m_log);
    RemoveFileIfPresent(m_records);
    ASSERT_TRUE(SetRegDword(HKEY_CURRENT_USER, kLogSwitchKey, "K_TDBG", 1));
    ASSERT_TRUE(DbgLogInit(m_log.c_str(), "K_TDBG"));
    ASSERT_TRUE(SetPrinterPort(kPrinter, kPort));

    g_pMainFrame = &m_frame;
    ASSERT_TRUE(m_frame.CreateFrameWindow(kAgentWindowClass, kAgentWindowTitle, kAgentWindowStyle,
                                          ::GetModuleHandleA(nullptr), nullptr));
    TextCopy(m_frame.m_szPrinterName, kPrinter);
    TextCopy(m_frame.m_szDriverName, samplepackage::kDriver100);
    TextCopy(m_frame.m_szPortName, kPort);
    TextCopy(m_frame.m_szModelID, "KVS100");
    ASSERT_EQ(m_frame.StartUp(), 1);
    // The launch hands on whatever model the frame holds; a short one shows its length.
    TextCopy(m_frame.m_szModelID, "1234");
    RemoveFileIfPresent(m_log);
    m_paramFilesBefore = TempParamFiles();
  }

  void TearDown() override {
    RestoreTemp();
    ::CopyFileA(SiblingPath(samplepackage::kLauncher).c_str(), s_launcher.c_str(), FALSE);
    for (const char* p : {kPrinter, kQuotedPrinter}) {
      CloseWindowTitled(kStatusClass, std::string(p) + " - Printer Status");
      CloseWindowTitled("#32770", std::string(p) + " - Monitoring Preferences");
    }
    ::DestroyWindow(m_frame.m_hWnd);
    MSG msg;
    while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    }
    g_pMainFrame = nullptr;
    DeleteRegValue(HKEY_CURRENT_USER, kLogSwitchKey, "K_TDBG");
  }

  // Points the temporary folder of this process, and so of what it starts, at a folder
  // that does not exist; the launcher then records into the real one.
  void RemoveTemp() {
    m_savedTmp = TempFolder();
    ASSERT_TRUE(::SetEnvironmentVariableA("K_XRUN_LOG", m_records.c_str()));
    const std::string missing = m_savedTmp + "no such folder\\";
    for (const char* name : {"TMP", "TEMP"}) {
      char saved[MAX_PATH] = {};
      const DWORD n = ::GetEnvironmentVariableA(name, saved, sizeof saved);
      m_savedEnv[name] = n > 0 && n < sizeof saved ? saved : "";
      ASSERT_TRUE(::SetEnvironmentVariableA(name, missing.c_str()));
    }
    ASSERT_EQ(TempFolder(), missing) << "GetTempPath follows TMP";
  }
  void RestoreTemp() {
    for (const auto& saved : m_savedEnv)
      ::SetEnvironmentVariableA(saved.first.c_str(), saved.second.empty() ? nullptr : saved.second.c_str());
    m_savedEnv.clear();
    ::SetEnvironmentVariableA("K_XRUN_LOG", nullptr);
  }

  static void CloseWindowTitled(const char* cls, const std::string& title) {
    for (int i = 0; i < 100; ++i) {
      HWND open = ::FindWindowA(cls, title.c_str());
      if (open == nullptr) return;
      ::PostMessageA(open, WM_CLOSE, 0, 0);
      ::Sleep(50);
    }
  }

  LRESULT Send(UINT message, WPARAM wParam, LPARAM lParam) {
    return m_frame.HandleMessage(m_frame.m_hWnd, message, wParam, lParam);
  }

  std::vector<Record> Records() const {
    std::string text;
    if (!ReadWholeFile(m_records, &text)) return {};
    return ParseRecords(text);
  }
  // The launcher's record of its next start.
  Record NextRecord(std::size_t seen) const {
    std::vector<Record> records;
    EXPECT_TRUE(WaitFor([&] {
      records = Records();
      return records.size() > seen;
    })) << "the launcher did not run";
    return records.size() > seen ? records[seen] : Record();
  }

  std::vector<std::string> LogBodies() const { return LogFileBodies(m_log); }
  bool Logged(const std::string& body) const {
    const std::vector<std::string> bodies = LogBodies();
    return std::find(bodies.begin(), bodies.end(), body) != bodies.end();
  }
  bool LoggedStartingWith(const std::string& start) const {
    for (const std::string& body : LogBodies())
      if (body.compare(0, start.size(), start) == 0) return true;
    return false;
  }

  // Runs a command with a thread timer standing by to read and end a message box.
  void Command(UINT id) {
    g_box = SeenBox();
    const UINT_PTR timer = ::SetTimer(nullptr, 0, 100, &ReadAndEndTheBox);
    Send(WM_COMMAND, id, 0);
    ::KillTimer(nullptr, timer);
  }

  static std::string s_launcher;
  std::string m_log;
  std::string m_records;
  std::string m_savedTmp;
  std::map<std::string, std::string> m_savedEnv;
  std::vector<std::string> m_paramFilesBefore;
  CMainFrame m_frame;
};
std::string LaunchCommands::s_launcher;

TEST_F(LaunchCommands, BothCommandsHandTheLauncherAParameterFileItReadsAndDeletes) {
  const struct {
    UINT id;
    const char* prefsLine;
    const char* windowClass;
    const char* titleSuffix;
  } cases[] = {{ID_STATUS_WINDOW, "", kStatusClass, " - Printer Status"},
               {ID_MONITOR_PREFS, "/E\n", "#32770", " - Monitoring Preferences"}};
  std::size_t seen = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.id);
    Command(c.id);
    EXPECT_FALSE(g_box.shown) << g_box.text;
    const Record r = NextRecord(seen++);

    // "<launcher> /F "<bare name>"", the name one the system made with our prefix.
    const std::string prefix = s_launcher + " /F \"";
    ASSERT_EQ(r.at("cmdline").compare(0, prefix.size(), prefix), 0) << r.at("cmdline");
    const std::string name = r.at("cmdline").substr(prefix.size(), r.at("cmdline").size() - prefix.size() - 1);
    EXPECT_EQ(r.at("cmdline").back(), '"');
    EXPECT_EQ(name.compare(0, 3, "K_S"), 0) << name;
    EXPECT_EQ(name.find('\\'), std::string::npos) << name;
    EXPECT_EQ(r.at("paramfile"), TempFolder() + name);
    EXPECT_EQ(r.at("parambytes"), std::string("/P \"Office Ink\"\n/D \"KORVA Sample Ink 100\"\n/O \"USB001\"\n"
                                              "/M \"1234\"\n") +
                                      c.prefsLine);
    EXPECT_EQ(r.at("paramdeleted"), "1");
    EXPECT_FALSE(FileExists(TempFolder() + name));
    EXPECT_EQ(r.at("printer"), kPrinter);
    EXPECT_EQ(r.at("port"), kPort);
    EXPECT_EQ(r.at("model"), "1234");
    EXPECT_EQ(r.at("prefs"), c.prefsLine[0] != '\0' ? "1" : "0");
    EXPECT_EQ(r.at("started"), "1");
    EXPECT_TRUE(Logged("CMainFrame::StartZELTExe : Parameter file"));
    EXPECT_TRUE(Logged("CMainFrame::StartZELTExe : command line : " + r.at("cmdline")));

    // The status window program opened the page for the printer.
    const std::string title = std::string(kPrinter) + c.titleSuffix;
    EXPECT_TRUE(WaitFor([&] { return ::FindWindowA(c.windowClass, title.c_str()) != nullptr; })) << title;
    CloseWindowTitled(c.windowClass, title);
  }
  EXPECT_EQ(TempParamFiles(), m_paramFilesBefore) << "no parameter file is left behind";
}

TEST_F(LaunchCommands, WithoutATemporaryFolderTheSwitchesCarryTheirExactLengths) {
  RemoveTemp();
  const struct {
    UINT id;
    const char* tail;
  } cases[] = {{ID_STATUS_WINDOW, " /P10 \"Office Ink\" /O6 \"USB001\" /M4 \"1234\" "},
               {ID_MONITOR_PREFS, " /P10 \"Office Ink\" /O6 \"USB001\" /M4 \"1234\" /E"}};
  std::size_t seen = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.id);
    Command(c.id);
    EXPECT_FALSE(g_box.shown) << g_box.text;
    const Record r = NextRecord(seen++);
    EXPECT_EQ(r.at("cmdline"), s_launcher + c.tail);
    EXPECT_EQ(r.count("paramfile"), 0u);
    EXPECT_EQ(r.at("printer"), kPrinter);
    EXPECT_EQ(r.at("port"), kPort);
    EXPECT_EQ(r.at("model"), "1234");
    EXPECT_EQ(r.at("prefs"), c.id == ID_MONITOR_PREFS ? "1" : "0");
    EXPECT_EQ(r.at("started"), "1");
    EXPECT_FALSE(Logged("CMainFrame::StartZELTExe : Parameter file"));
  }
}

TEST_F(LaunchCommands, APrinterNameWithDoubleQuotesArrivesIntactInEitherForm) {
  TextCopy(m_frame.m_szPrinterName, kQuotedPrinter);
  TextCopy(m_frame.m_szPortName, kOtherPort);
  std::size_t seen = 0;
  for (bool withFile : {true, false}) {
    SCOPED_TRACE(withFile ? "parameter file" : "switches");
    if (!withFile) RemoveTemp();
    Command(ID_STATUS_WINDOW);
    const Record r = NextRecord(seen++);
    if (!withFile) EXPECT_EQ(r.at("cmdline"), s_launcher + " /P9 \"Ink \"Q\" 7\" /O5 \"LPT1:\" /M4 \"1234\" ");
    EXPECT_EQ(r.count("paramfile"), withFile ? 1u : 0u);
    EXPECT_EQ(r.at("printer"), kQuotedPrinter);
    EXPECT_EQ(r.at("port"), kOtherPort);
    // And on to the status window program, which shows the printer's name in its title.
    const std::string title = std::string(kQuotedPrinter) + " - Printer Status";
    EXPECT_TRUE(WaitFor([&] { return ::FindWindowA(kStatusClass, title.c_str()) != nullptr; })) << title;
    CloseWindowTitled(kStatusClass, title);
  }
}

TEST_F(LaunchCommands, ALauncherThatCannotStartShowsTheCommandsMessageAndLeavesNoFile) {
  const struct {
    const char* how;
    bool present;  // a file of the launcher's name that is no program
    UINT id;
    const char* text;
  } cases[] = {{"missing", false, ID_STATUS_WINDOW, "\nUnable to open Printer Status window for this printer."},
               {"missing", false, ID_MONITOR_PREFS, "\nUnable to open Monitoring Preferences window for this printer."},
               {"no program", true, ID_STATUS_WINDOW, "\nUnable to open Printer Status window for this printer."},
               {"no program", true, ID_MONITOR_PREFS,
                "\nUnable to open Monitoring Preferences window for this printer."}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.how) + " " + std::to_string(c.id));
    ASSERT_TRUE(RemoveFileIfPresent(s_launcher));
    if (c.present) ASSERT_TRUE(WriteWholeFile(s_launcher, "not a program"));
    RemoveFileIfPresent(m_log);
    Command(c.id);
    EXPECT_TRUE(g_box.shown);
    EXPECT_EQ(g_box.text, c.text);
    EXPECT_EQ(g_box.caption, "KORVA Zelt 3");
    EXPECT_EQ(g_box.owner, m_frame.m_hWnd);
    // Only a launcher that is there gets as far as a parameter file, and that is gone again.
    EXPECT_EQ(Logged("CMainFrame::StartZELTExe : Parameter file"), c.present);
    EXPECT_EQ(TempParamFiles(), m_paramFilesBefore);
  }
  EXPECT_TRUE(Records().empty());
}

TEST_F(LaunchCommands, APrinterMovedToAnotherPortIsLaunchedWithItsNewPort) {
  ASSERT_TRUE(SetPrinterPort(kPrinter, kOtherPort));
  RemoveTemp();  // the port shows in the command line itself
  Command(ID_STATUS_WINDOW);
  const Record r = NextRecord(0);
  EXPECT_EQ(r.at("cmdline"), s_launcher + " /P10 \"Office Ink\" /O5 \"LPT1:\" /M4 \"1234\" ");
  EXPECT_EQ(r.at("port"), kOtherPort);
  EXPECT_STREQ(m_frame.m_szPortName, kOtherPort);
  EXPECT_TRUE(Logged("CMainFrame::StartZELTExe : port name : LPT1:"));
}

TEST_F(LaunchCommands, ALauncherInAFolderWithABlankIsTheProgramThatRuns) {
  // Unquoted, "...\Launch Dir\K_XRUN01.EXE /F ..." would start "...\Launch.exe" first.
  const std::string dir = ScratchFolder("Launch Dir");
  const std::string launcher = dir + "\\K_XRUN01.EXE";
  const std::string decoy = TempFolder() + "Launch.exe";
  ASSERT_TRUE(::CopyFileA(SiblingPath(samplepackage::kLauncher).c_str(), launcher.c_str(), FALSE));
  ASSERT_TRUE(::CopyFileA(SiblingPath(samplepackage::kLauncher).c_str(), decoy.c_str(), FALSE));
  EXPECT_EQ(m_frame.StartZELTExe(launcher.c_str(), 0), 1);
  const Record r = NextRecord(0);
  EXPECT_EQ(r.at("module"), launcher);
  EXPECT_EQ(r.at("cmdline").compare(0, launcher.size() + 3, "\"" + launcher + "\" "), 0) << r.at("cmdline");
  EXPECT_EQ(r.at("paramdeleted"), "1");
  ::Sleep(500);
  EXPECT_EQ(Records().size(), 1u) << "only one launcher ran";
  RemoveFileIfPresent(decoy);
  RemoveFileIfPresent(launcher);
}

TEST_F(LaunchCommands, ACommandTooLongForItsBufferStartsNothingAndLeavesNoFile) {
  // 505 characters of path: with " /F "K_S....tmp"" the command passes 519 characters.
  const std::string longPath = "C:\\" + std::string(498, 'x') + ".exe";
  EXPECT_EQ(m_frame.StartZELTExe(longPath.c_str(), 1), 0);
  EXPECT_TRUE(Logged("CMainFrame::StartZELTExe : Parameter file"));
  EXPECT_FALSE(LoggedStartingWith("CMainFrame::StartExe"));
  EXPECT_EQ(TempParamFiles(), m_paramFilesBefore);
}

}  // namespace
