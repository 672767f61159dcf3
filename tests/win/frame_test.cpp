// The frame's message handling, driven directly: a real frame for a sample printer,
// started up in this process, handed the messages the shell and other agents send.
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

constexpr const char kPrinter[] = "Frame Test Ink 200";
constexpr const char kTargets[] = "Software\\KORVA\\ZELT3\\ZELTData";

class FrameMessages : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    std::string error;
    ASSERT_TRUE(AddSamplePrinter(kPrinter, samplepackage::kDriver200, "LPT1:", &error)) << error;
  }
  static void TearDownTestSuite() { spoolsetup::DeleteLocalPrinter(kPrinter, nullptr); }

  void SetUp() override {
    DeleteRegTree(HKEY_CURRENT_USER, kTargets);
    m_log = TempFolder() + "frame_test.log";
    RemoveFileIfPresent(m_log);
    ASSERT_TRUE(SetRegDword(HKEY_CURRENT_USER, kLogSwitchKey, "K_TDBG", 1));
    ASSERT_TRUE(DbgLogInit(m_log.c_str(), "K_TDBG"));

    g_pMainFrame = &m_frame;
    ASSERT_TRUE(m_frame.CreateFrameWindow(kAgentWindowClass, kAgentWindowTitle, kAgentWindowStyle,
                                          ::GetModuleHandleA(nullptr), nullptr));
    TextCopy(m_frame.m_szPrinterName, kPrinter);
    TextCopy(m_frame.m_szDriverName, samplepackage::kDriver200);
    TextCopy(m_frame.m_szPortName, "LPT1:");
    TextCopy(m_frame.m_szModelID, "KVS200");
    ASSERT_EQ(m_frame.StartUp(), 1);
    ClearLog();
  }

  void TearDown() override {
    ::DestroyWindow(m_frame.m_hWnd);  // WM_DESTROY: the frame's own clean-up
    MSG msg;
    while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    }
    g_pMainFrame = nullptr;
    DeleteRegValue(HKEY_CURRENT_USER, kLogSwitchKey, "K_TDBG");
  }

  LRESULT Send(UINT message, WPARAM wParam, LPARAM lParam) {
    return m_frame.HandleMessage(m_frame.m_hWnd, message, wParam, lParam);
  }

  // True when a WM_CLOSE for the frame waits in the queue (it is taken out).
  bool ClosePosted() {
    MSG msg;
    return ::PeekMessageA(&msg, m_frame.m_hWnd, WM_CLOSE, WM_CLOSE, PM_REMOVE) != FALSE;
  }

  void ClearLog() { RemoveFileIfPresent(m_log); }
  std::vector<std::string> LogBodies() const { return LogFileBodies(m_log); }
  bool Logged(const std::string& body) const {
    const std::vector<std::string> bodies = LogBodies();
    return std::find(bodies.begin(), bodies.end(), body) != bodies.end();
  }

  std::string m_log;
  CMainFrame m_frame;
};

TEST_F(FrameMessages, StartUpFillsTheIconRecordFromThePrintersEntry) {
  // The sample printer-data library gives model KVS200 picture 2.
  EXPECT_EQ(m_frame.m_nIconSel, 2u);
  EXPECT_EQ(m_frame.m_nid.cbSize, kNotifyIconDataSize);
  EXPECT_EQ(m_frame.m_nid.hWnd, m_frame.m_hWnd);
  EXPECT_EQ(m_frame.m_nid.uFlags, static_cast<UINT>(NIF_MESSAGE | NIF_ICON | NIF_TIP));
  EXPECT_EQ(m_frame.m_nid.uCallbackMessage, WM_TRAY_NOTIFY);
  EXPECT_STREQ(m_frame.m_nid.szTip, kPrinter);
  for (HICON icon : m_frame.m_hIcon) EXPECT_NE(icon, nullptr);
  EXPECT_EQ(m_frame.m_nid.hIcon, m_frame.m_hIcon[2]);
  EXPECT_NE(m_frame.m_nMaskCheckTimer, 0u);
  EXPECT_EQ(m_frame.m_nPrinterCheckTimer, 0u) << "KVS200 has no printer check interval";
  EXPECT_EQ(m_frame.m_hResDll, nullptr) << "libraries are freed once the menu is built";
  EXPECT_EQ(m_frame.m_hBmpDll, nullptr);

  // The popup: the printer item first, as the default item, and the preferences item.
  HMENU popup = ::GetSubMenu(m_frame.m_hMenu, 0);
  ASSERT_NE(popup, nullptr);
  EXPECT_EQ(::GetMenuItemID(popup, 0), ID_STATUS_WINDOW);
  char text[260] = {};
  ::GetMenuStringA(popup, 0, text, sizeof text, MF_BYPOSITION);
  EXPECT_STREQ(text, kPrinter);
  EXPECT_EQ(::GetMenuDefaultItem(popup, FALSE, 0), ID_STATUS_WINDOW);
  EXPECT_NE(::GetMenuState(popup, ID_MONITOR_PREFS, MF_BYCOMMAND), static_cast<UINT>(-1));
}

TEST_F(FrameMessages, ADoubleClickOpensTheStatusWindowWhileThePrinterExists) {
  Send(WM_TRAY_NOTIFY, 0, WM_LBUTTONDBLCLK);
  EXPECT_FALSE(ClosePosted());
  EXPECT_TRUE(Logged("CMainFrame::StartZELTExe"));
}

TEST_F(FrameMessages, OtherMouseMessagesAndForeignCommandsDoNothing) {
  for (LPARAM mouse : {WM_MOUSEMOVE, WM_LBUTTONDOWN, WM_LBUTTONUP, WM_RBUTTONUP}) Send(WM_TRAY_NOTIFY, 0, mouse);
  for (WPARAM id : {905, 1000, 919, 902}) Send(WM_COMMAND, id, 0);
  EXPECT_FALSE(ClosePosted());
  EXPECT_TRUE(LogBodies().empty());
}

// The popup is modal: a thread timer ends it from inside its loop, and a hook sees which
// menu was opened.
HMENU g_openedPopup = nullptr;
LRESULT CALLBACK RecordPopup(int code, WPARAM wParam, LPARAM lParam) {
  const auto* msg = reinterpret_cast<const CWPSTRUCT*>(lParam);
  if (code == HC_ACTION && msg->message == WM_INITMENUPOPUP) g_openedPopup = reinterpret_cast<HMENU>(msg->wParam);
  return ::CallNextHookEx(nullptr, code, wParam, lParam);
}
void CALLBACK EndTheMenu(HWND, UINT, UINT_PTR id, DWORD) {
  ::KillTimer(nullptr, id);
  ::EndMenu();
}

TEST_F(FrameMessages, TheRightButtonOpensThePopupMenu) {
  g_openedPopup = nullptr;
  HHOOK hook = ::SetWindowsHookExA(WH_CALLWNDPROC, &RecordPopup, nullptr, ::GetCurrentThreadId());
  ASSERT_NE(hook, nullptr);
  ::SetTimer(nullptr, 0, 300, &EndTheMenu);
  Send(WM_TRAY_NOTIFY, 0, WM_RBUTTONDOWN);
  ::UnhookWindowsHookEx(hook);
  EXPECT_EQ(g_openedPopup, ::GetSubMenu(m_frame.m_hMenu, 0));
  EXPECT_FALSE(ClosePosted());
}

TEST_F(FrameMessages, ReloadReadsThePictureAgainAndOutOfRangeShowsTheFirst) {
  const struct {
    DWORD stored;
    int shown;
  } cases[] = {{1, 1}, {0, 0}, {7, 0}, {2, 2}};
  for (const auto& c : cases) {
    ASSERT_TRUE(SetRegDword(HKEY_CURRENT_USER, m_frame.m_szRegKey, "TrayIconSelected", c.stored));
    Send(WM_TRAY_RELOADICON, 0, 0);
    EXPECT_EQ(m_frame.m_nIconSel, c.stored);
    EXPECT_EQ(m_frame.m_nid.hIcon, m_frame.m_hIcon[c.shown]) << "stored " << c.stored;
  }
}

TEST_F(FrameMessages, DisableIconRegSwitchesThePrintersIconOff) {
  EXPECT_EQ(m_frame.DisableIconReg(), 1);
  DWORD value = 1;
  DWORD size = sizeof value;
  ASSERT_EQ(::RegGetValueA(HKEY_CURRENT_USER, m_frame.m_szRegKey, "TrayIconEnable", RRF_RT_REG_DWORD, nullptr,
                           &value, &size),
            ERROR_SUCCESS);
  EXPECT_EQ(value, 0u);
}

TEST_F(FrameMessages, ARestartedShellGetsTheIconAgain) {
  const UINT taskbarCreated = ::RegisterWindowMessageA("TaskbarCreated");
  ASSERT_NE(taskbarCreated, 0u);
  ::Shell_NotifyIconA(NIM_DELETE, &m_frame.m_nid);  // what a shell restart does to every icon
  Send(taskbarCreated, 0, 0);
  EXPECT_TRUE(Logged("CMainFrame::OnTaskbarCreated"));
  // The icon is there again: modifying it succeeds only for an icon the shell holds.
  EXPECT_TRUE(::Shell_NotifyIconA(NIM_MODIFY, &m_frame.m_nid));
}

}  // namespace
