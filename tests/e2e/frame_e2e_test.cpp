// The agent serving its printer, seen from outside: its window, its target entry, the
// one-agent rule between processes, and how it ends.
#include <gtest/gtest.h>
#include <windows.h>

#include <shellapi.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "instmap/instmap.h"
#include "sampledriver/installer/samplepackage.h"
#include "sampledriver/installer/spoolsetup.h"
#include "tests/support/agenttest.h"
#include "tests/support/winsupport.h"

using namespace testsupport;

namespace {

constexpr const char kPrinter[] = "E2E Frame Ink 100";
constexpr const char kTargets[] = "Software\\KORVA\\ZELT3\\ZELTData";
constexpr const char kRunKey[] = "software\\Microsoft\\Windows\\CurrentVersion\\Run";

bool Contains(const std::vector<std::string>& lines, const std::string& line) {
  return std::find(lines.begin(), lines.end(), line) != lines.end();
}


DWORD ReadDword(const std::string& key, const char* name, DWORD missing = 0xDEADBEEF) {
  DWORD value = 0;
  DWORD size = sizeof value;
  if (::RegGetValueA(HKEY_CURRENT_USER, key.c_str(), name, RRF_RT_REG_DWORD, nullptr, &value, &size) != ERROR_SUCCESS)
    return missing;
  return value;
}

class AgentFrame : public AgentTest {
 protected:
  static void SetUpTestSuite() {
    std::string error;
    ASSERT_TRUE(AddSamplePrinter(kPrinter, samplepackage::kDriver100, "LPT1:", &error)) << error;
  }
  static void TearDownTestSuite() { spoolsetup::DeleteLocalPrinter(kPrinter, nullptr); }

  void SetUp() override {
    AgentTest::SetUp();
    DeleteRegTree(HKEY_CURRENT_USER, kTargets);
  }

  std::string PrinterArgs(const char* extra = "") const {
    return "/P \"" + std::string(kPrinter) + "\"" + (extra[0] != '\0' ? " " : "") + extra;
  }
};

TEST_F(AgentFrame, ServesItsPrinterWithAHiddenWindowAndEndsCleanlyOnClose) {
  AgentProcess agent = StartAgent(PrinterArgs());
  ASSERT_TRUE(agent.WaitUntilServing(m_log));

  HWND window = agent.Window();
  ASSERT_NE(window, nullptr);
  EXPECT_FALSE(::IsWindowVisible(window));
  EXPECT_EQ(::GetParent(window), nullptr) << "a top-level window, so that shell broadcasts reach it";

  // The sample driver names its own block; the agent's slot there holds its window.
  char mapName[260] = {};
  ASSERT_GT(GetMapName(kPrinter, mapName, sizeof mapName), 0);
  EXPECT_STREQ(mapName, "KVSampleMapFile_Ink");
  EXPECT_EQ(FindMapWindow(mapName, kPrinter, kMapKindTray), window);

  // The entry was created and filled by the driver's printer-data library.
  const std::string entry = FindTargetEntry(kPrinter);
  ASSERT_FALSE(entry.empty());
  EXPECT_EQ(ReadDword(entry, "TrayIconEnable"), 1u);
  EXPECT_EQ(ReadDword(entry, "TrayIconSelected"), 0u);
  EXPECT_EQ(ReadDword(entry, "Setting"), 0u);
  EXPECT_EQ(ReadDword(entry, "Timer"), 10u);

  EXPECT_EQ(agent.Close(), 0);
  const std::vector<std::string> lines = LogBodiesOf(agent.Pid());
  EXPECT_TRUE(Contains(lines, "WM_CLOSE"));
  EXPECT_TRUE(Contains(lines, "WM_DESTROY"));
  EXPECT_TRUE(Contains(lines, "CMainFrame::DestroyWindow"));
  EXPECT_EQ(lines.back(), "***** LOG END ******");
  EXPECT_FALSE(FindTargetEntry(kPrinter).empty()) << "closing keeps the user's settings";
}

TEST_F(AgentFrame, ASecondAgentMakesTheFirstReloadItsIconAndEnds) {
  AgentProcess first = StartAgent(PrinterArgs());
  ASSERT_TRUE(first.WaitUntilServing(m_log));

  AgentProcess second = StartAgent(PrinterArgs());
  EXPECT_EQ(second.WaitForExit(), 0);
  const std::vector<std::string> secondLines = LogBodiesOf(second.Pid());
  EXPECT_TRUE(Contains(secondLines, "CMainFrame::DuplicationChk : end2"));
  EXPECT_TRUE(Contains(secondLines, "MainFrame.StartUp() : Result : 0"));

  ::Sleep(300);  // the posted request is handled by the first agent's loop
  EXPECT_TRUE(first.Running());
  EXPECT_TRUE(Contains(LogBodiesOf(first.Pid()), "CMainFrame::OnReloadIcon"));
  EXPECT_EQ(first.Close(), 0);
}

TEST_F(AgentFrame, TheRemoveSwitchEndsTheRunningAgentAndItself) {
  AgentProcess first = StartAgent(PrinterArgs());
  ASSERT_TRUE(first.WaitUntilServing(m_log));
  EXPECT_EQ(RunAgent(PrinterArgs("/R")), 0);
  EXPECT_EQ(first.WaitForExit(10000), 0);
  EXPECT_TRUE(Contains(LogBodiesOf(first.Pid()), "WM_CLOSE"));
}

TEST_F(AgentFrame, TheRemoveSwitchWithNoAgentRegistersReleasesAndEnds) {
  AgentProcess agent = StartAgent(PrinterArgs("/R"));
  EXPECT_EQ(agent.WaitForExit(), 0);
  const std::vector<std::string> lines = LogBodiesOf(agent.Pid());
  EXPECT_TRUE(Contains(lines, "CMainFrame::DuplicationChk : end"));
  EXPECT_TRUE(Contains(lines, "MainFrame.StartUp() : Result : 0"));

  // The slot was given back: a new agent serves at once.
  AgentProcess next = StartAgent(PrinterArgs());
  ASSERT_TRUE(next.WaitUntilServing(m_log));
  EXPECT_EQ(next.Close(), 0);
}

TEST_F(AgentFrame, AnIconSwitchedOffEndsTheAgentAndRemovesItsStartUpEntry) {
  ASSERT_EQ(RunAgent(PrinterArgs()), 0);  // creates the target entry
  const std::string entry = FindTargetEntry(kPrinter);
  ASSERT_FALSE(entry.empty());
  ASSERT_TRUE(SetRegDword(HKEY_CURRENT_USER, entry.c_str(), "TrayIconEnable", 0));

  const std::string paramFile = TempFolder() + "E2EFRAME.TMP";
  ASSERT_TRUE(WriteWholeFile(paramFile, PrinterArgs() + "\n"));
  const std::string command = "trayagent.exe /EF \"HKCU\" /F \"" + paramFile + "\"";
  ASSERT_TRUE(SetRegValue(HKEY_CURRENT_USER, kRunKey, kPrinter, REG_SZ, command.c_str(),
                          static_cast<DWORD>(command.size() + 1)));

  AgentProcess agent = StartAgent("/EF \"HKCU\" /F \"" + paramFile + "\"");
  EXPECT_EQ(agent.WaitForExit(), 0);
  EXPECT_TRUE(Contains(LogBodiesOf(agent.Pid()), "MainFrame.StartUp() : Result : -1"));
  EXPECT_EQ(ReadDword(entry, "TrayIconEnable"), 0u);
  EXPECT_FALSE(FileExists(paramFile));
  HKEY run = nullptr;
  ASSERT_EQ(::RegOpenKeyExA(HKEY_CURRENT_USER, kRunKey, 0, KEY_READ, &run), ERROR_SUCCESS);
  EXPECT_NE(::RegQueryValueExA(run, kPrinter, nullptr, nullptr, nullptr, nullptr), ERROR_SUCCESS);
  ::RegCloseKey(run);
}

}  // namespace

namespace {

// Pixels of one colour family in the notification area (the bottom right of the screen,
// where the shell's taskbar keeps its tray).
struct TrayColours {
  int red = 0;
  int green = 0;
};

TrayColours CountTrayColours() {
  const int width = ::GetSystemMetrics(SM_CXSCREEN);
  const int height = ::GetSystemMetrics(SM_CYSCREEN);
  const int w = 320;
  const int h = 48;
  HDC screen = ::GetDC(nullptr);
  HDC memory = ::CreateCompatibleDC(screen);
  BITMAPINFO bi = {};
  bi.bmiHeader.biSize = sizeof bi.bmiHeader;
  bi.bmiHeader.biWidth = w;
  bi.bmiHeader.biHeight = -h;
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  HBITMAP dib = ::CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = ::SelectObject(memory, dib);
  ::BitBlt(memory, 0, 0, w, h, screen, width - w, height - h, SRCCOPY);
  TrayColours c;
  const auto* px = static_cast<const unsigned char*>(bits);
  for (int i = 0; i < w * h; ++i) {
    const int b = px[4 * i], g = px[4 * i + 1], r = px[4 * i + 2];
    if (r > 180 && g < 100 && b < 100) ++c.red;
    if (g > 140 && r < 110 && b < 130) ++c.green;
  }
  ::SelectObject(memory, old);
  ::DeleteObject(dib);
  ::DeleteDC(memory);
  ::ReleaseDC(nullptr, screen);
  return c;
}

// The tray paints asynchronously: wait until the picture shows what is expected.
bool TrayShows(bool red, bool green) {
  for (int i = 0; i < 50; ++i) {
    const TrayColours c = CountTrayColours();
    if ((c.red > 10) == red && (c.green > 10) == green) return true;
    ::Sleep(100);
  }
  const TrayColours c = CountTrayColours();
  std::printf("tray colours: red %d, green %d\n", c.red, c.green);
  return false;
}

constexpr const char kPrinter200[] = "E2E Frame Ink 200";

class AgentTrayIcon : public AgentFrame {
 protected:
  static void SetUpTestSuite() {
    AgentFrame::SetUpTestSuite();
    std::string error;
    ASSERT_TRUE(AddSamplePrinter(kPrinter200, samplepackage::kDriver200, "LPT1:", &error)) << error;
  }
  static void TearDownTestSuite() {
    spoolsetup::DeleteLocalPrinter(kPrinter200, nullptr);
    AgentFrame::TearDownTestSuite();
  }
};

// Model KVS200's default is picture 702 (error: red); 700 (ready) is green. The icon is
// looked at on the screen, as a user sees it.
TEST_F(AgentTrayIcon, ShowsTheSelectedPictureFollowsAReloadAndComesBackAfterAShellRestart) {
  ASSERT_TRUE(TrayShows(false, false)) << "the tray must start empty";
  AgentProcess agent = StartAgent("/P \"" + std::string(kPrinter200) + "\"");
  ASSERT_TRUE(agent.WaitUntilServing(m_log));
  EXPECT_TRUE(TrayShows(true, false)) << "picture 702";

  const std::string entry = FindTargetEntry(kPrinter200);
  ASSERT_FALSE(entry.empty());
  ASSERT_TRUE(SetRegDword(HKEY_CURRENT_USER, entry.c_str(), "TrayIconSelected", 0));
  HWND window = agent.Window();
  ASSERT_NE(window, nullptr);
  ASSERT_TRUE(::PostMessageA(window, 1224, 0, 0));
  EXPECT_TRUE(TrayShows(false, true)) << "picture 700 after the reload";

  // What a shell restart does to every icon, then the shell's announcement.
  NOTIFYICONDATAA nid = {};
  nid.cbSize = sizeof nid;
  nid.hWnd = window;
  nid.uID = 0;
  ASSERT_TRUE(::Shell_NotifyIconA(NIM_DELETE, &nid));
  EXPECT_TRUE(TrayShows(false, false)) << "the icon is gone from the tray";
  ::PostMessageA(HWND_BROADCAST, ::RegisterWindowMessageA("TaskbarCreated"), 0, 0);
  EXPECT_TRUE(TrayShows(false, true)) << "the icon is back, with the same picture";

  EXPECT_EQ(agent.Close(), 0);
  EXPECT_TRUE(TrayShows(false, false)) << "closing removes the icon";
}

}  // namespace
