// A serving agent's status window and preferences, seen from outside: a double-click
// posted to its window opens the sample package's status window for the printer, and
// the preferences page writes the printer's entry and makes the agent reload its icon.
#include <gtest/gtest.h>
#include <windows.h>
#include <winspool.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "sampledriver/installer/samplepackage.h"
#include "sampledriver/installer/spoolsetup.h"
#include "sampledriver/launcher/kvsstat_res.h"
#include "tests/support/agenttest.h"
#include "tests/support/winsupport.h"

using namespace testsupport;

namespace {

constexpr const char kPrinter[] = "E2E Launch Ink 100";
constexpr const char kPort[] = "LPT1:";
constexpr const char kTargets[] = "Software\\KORVA\\ZELT3\\ZELTData";
constexpr const char kStatusClass[] = "KVSStatusWindow";
constexpr UINT kTrayNotify = 1124;
const std::string kStatusTitle = std::string(kPrinter) + " - Printer Status";
const std::string kPrefsTitle = std::string(kPrinter) + " - Monitoring Preferences";

bool WaitFor(const std::function<bool()>& done, DWORD timeoutMs = 15000) {
  for (DWORD waited = 0; waited < timeoutMs; waited += 50) {
    if (done()) return true;
    ::Sleep(50);
  }
  return done();
}

// A window of another process once it is shown (and so has its controls and texts).
HWND WaitForWindow(const char* cls, const std::string& title) {
  HWND found = nullptr;
  WaitFor([&] { return (found = ::FindWindowA(cls, title.c_str())) != nullptr && ::IsWindowVisible(found); });
  return found;
}

bool WaitUntilGone(HWND hWnd) {
  return WaitFor([&] { return !::IsWindow(hWnd); });
}

// A control's text in another process (WM_GETTEXT is carried across).
std::string ItemText(HWND parent, int id) {
  char text[512] = {};
  ::SendMessageA(::GetDlgItem(parent, id), WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text));
  return text;
}

int CountWindows(const char* cls, const std::string& title) {
  struct Count {
    const char* cls;
    const std::string* title;
    int n;
  } count = {cls, &title, 0};
  ::EnumWindows(
      [](HWND hWnd, LPARAM param) -> BOOL {
        auto* c = reinterpret_cast<Count*>(param);
        char name[64] = {};
        char text[512] = {};
        ::GetClassNameA(hWnd, name, sizeof name);
        ::GetWindowTextA(hWnd, text, sizeof text);
        if (std::string(name) == c->cls && *c->title == text) ++c->n;
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&count));
  return count.n;
}


DWORD ReadDword(const std::string& key, const char* name) {
  DWORD value = 0xDEADBEEF;
  DWORD size = sizeof value;
  ::RegGetValueA(HKEY_CURRENT_USER, key.c_str(), name, RRF_RT_REG_DWORD, nullptr, &value, &size);
  return value;
}

// Takes a printer offline or back, as "Use Printer Offline" does.
bool SetPrinterOffline(const char* printer, bool offline) {
  PRINTER_DEFAULTSA defaults = {nullptr, nullptr, PRINTER_ALL_ACCESS};
  HANDLE handle = nullptr;
  if (!::OpenPrinterA(const_cast<char*>(printer), &handle, &defaults)) return false;
  DWORD needed = 0;
  ::GetPrinterA(handle, 2, nullptr, 0, &needed);
  std::vector<BYTE> buffer(needed);
  BOOL done = needed != 0 && ::GetPrinterA(handle, 2, buffer.data(), needed, &needed);
  if (done) {
    auto* info = reinterpret_cast<PRINTER_INFO_2A*>(buffer.data());
    info->Attributes = offline ? (info->Attributes | PRINTER_ATTRIBUTE_WORK_OFFLINE)
                               : (info->Attributes & ~static_cast<DWORD>(PRINTER_ATTRIBUTE_WORK_OFFLINE));
    info->pSecurityDescriptor = nullptr;
    done = ::SetPrinterA(handle, 2, buffer.data(), 0);
  }
  ::ClosePrinter(handle);
  return done != FALSE;
}

void Click(HWND dialog, int id) { ::SendMessageA(::GetDlgItem(dialog, id), BM_CLICK, 0, 0); }

class AgentLaunch : public AgentTest {
 protected:
  static void SetUpTestSuite() {
    std::string error;
    spoolsetup::DeleteLocalPrinter(kPrinter, nullptr);
    ASSERT_TRUE(spoolsetup::InstallDriver(samplepackage::Package(samplepackage::kDriver100, ExeDir()), &error))
        << error;
    ASSERT_TRUE(spoolsetup::AddLocalPrinter(kPrinter, samplepackage::kDriver100, kPort, &error)) << error;
  }
  static void TearDownTestSuite() { spoolsetup::DeleteLocalPrinter(kPrinter, nullptr); }

  void SetUp() override {
    AgentTest::SetUp();
    DeleteRegTree(HKEY_CURRENT_USER, kTargets);
  }
  void TearDown() override {
    for (const auto& w : {std::make_pair(kStatusClass, kStatusTitle), std::make_pair("#32770", kPrefsTitle)}) {
      while (HWND open = ::FindWindowA(w.first, w.second.c_str())) {
        ::PostMessageA(open, WM_CLOSE, 0, 0);
        if (!WaitUntilGone(open)) break;
      }
    }
    AgentTest::TearDown();
  }

  AgentProcess StartServingAgent() {
    AgentProcess agent = StartAgent("/P \"" + std::string(kPrinter) + "\"");
    EXPECT_TRUE(agent.WaitUntilServing(m_log));
    EXPECT_NE(agent.Window(), nullptr);
    return agent;
  }

  bool AgentLogged(const AgentProcess& agent, const std::string& line) const {
    const std::vector<std::string> lines = LogBodiesOf(agent.Pid());
    return std::find(lines.begin(), lines.end(), line) != lines.end();
  }
};

TEST_F(AgentLaunch, ADoubleClickOpensOneStatusWindowForThePrinter) {
  AgentProcess agent = StartServingAgent();
  ASSERT_TRUE(::PostMessageA(agent.Window(), kTrayNotify, 0, WM_LBUTTONDBLCLK));
  HWND status = WaitForWindow(kStatusClass, kStatusTitle);
  ASSERT_NE(status, nullptr);
  EXPECT_EQ(ItemText(status, IDC_STAT_PRINTER), kPrinter);
  EXPECT_EQ(ItemText(status, IDC_STAT_PORT), kPort);
  EXPECT_EQ(ItemText(status, IDC_STAT_MODEL), "KVS100");
  EXPECT_EQ(ItemText(status, IDC_STAT_DRIVER), samplepackage::kDriver100);
  EXPECT_EQ(ItemText(status, IDC_STAT_STATUS), "Ready");
  EXPECT_EQ(ItemText(status, IDC_STAT_JOBS), "0");

  // The spooler's state is followed while the window is open.
  ASSERT_TRUE(SetPrinterOffline(kPrinter, true));
  EXPECT_TRUE(WaitFor([&] { return ItemText(status, IDC_STAT_STATUS) == "Offline"; }, 5000))
      << ItemText(status, IDC_STAT_STATUS);
  ASSERT_TRUE(SetPrinterOffline(kPrinter, false));
  EXPECT_TRUE(WaitFor([&] { return ItemText(status, IDC_STAT_STATUS) == "Ready"; }, 5000));

  // A second double-click brings the same window forward instead of opening another.
  const std::size_t launches = LogBodiesOf(agent.Pid()).size();
  ASSERT_TRUE(::PostMessageA(agent.Window(), kTrayNotify, 0, WM_LBUTTONDBLCLK));
  EXPECT_TRUE(WaitFor([&] { return LogBodiesOf(agent.Pid()).size() > launches; }));
  ::Sleep(1500);  // the launcher and the status window program have had their turn
  EXPECT_EQ(CountWindows(kStatusClass, kStatusTitle), 1);
  EXPECT_TRUE(::IsWindow(status));

  ::PostMessageA(status, WM_CLOSE, 0, 0);
  EXPECT_TRUE(WaitUntilGone(status));
  EXPECT_EQ(agent.Close(), 0);
}

TEST_F(AgentLaunch, ThePreferencesPageWritesThePrintersEntryAndTheAgentReloads) {
  AgentProcess agent = StartServingAgent();
  const std::string entry = FindTargetEntry(kPrinter);
  ASSERT_FALSE(entry.empty());
  ASSERT_EQ(ReadDword(entry, "TrayIconSelected"), 0u);

  // Cancel changes nothing.
  ASSERT_TRUE(::PostMessageA(agent.Window(), WM_COMMAND, 901, 0));
  HWND page = WaitForWindow("#32770", kPrefsTitle);
  ASSERT_NE(page, nullptr);
  EXPECT_EQ(::SendMessageA(::GetDlgItem(page, IDC_PREFS_ENABLE), BM_GETCHECK, 0, 0), BST_CHECKED);
  EXPECT_EQ(::SendMessageA(::GetDlgItem(page, IDC_PREFS_PIC0), BM_GETCHECK, 0, 0), BST_CHECKED);
  for (int id : {IDC_PREFS_ICON0, IDC_PREFS_ICON1, IDC_PREFS_ICON2}) {
    HWND picture = ::GetDlgItem(page, id);
    EXPECT_NE(::SendMessageA(picture, STM_GETICON, 0, 0), 0) << "the model's picture " << id;
    RECT rc = {};
    ::GetClientRect(picture, &rc);
    EXPECT_GE(rc.right - rc.left, 16) << "room to show picture " << id;
    EXPECT_GE(rc.bottom - rc.top, 16) << "room to show picture " << id;
  }
  Click(page, IDC_PREFS_PIC1);
  Click(page, IDCANCEL);
  ASSERT_TRUE(WaitUntilGone(page));
  EXPECT_EQ(ReadDword(entry, "TrayIconSelected"), 0u);
  EXPECT_FALSE(AgentLogged(agent, "CMainFrame::OnReloadIcon"));

  // OK writes the picture and tells the agent.
  ASSERT_TRUE(::PostMessageA(agent.Window(), WM_COMMAND, 901, 0));
  page = WaitForWindow("#32770", kPrefsTitle);
  ASSERT_NE(page, nullptr);
  Click(page, IDC_PREFS_PIC2);
  Click(page, IDOK);
  ASSERT_TRUE(WaitUntilGone(page));
  EXPECT_EQ(ReadDword(entry, "TrayIconSelected"), 2u);
  EXPECT_EQ(ReadDword(entry, "TrayIconEnable"), 1u);
  EXPECT_TRUE(WaitFor([&] { return AgentLogged(agent, "CMainFrame::OnReloadIcon"); }));
  EXPECT_TRUE(agent.Running());

  // The page opens with what is stored; switching the icon off ends the agent.
  ASSERT_TRUE(::PostMessageA(agent.Window(), WM_COMMAND, 901, 0));
  page = WaitForWindow("#32770", kPrefsTitle);
  ASSERT_NE(page, nullptr);
  EXPECT_EQ(::SendMessageA(::GetDlgItem(page, IDC_PREFS_PIC2), BM_GETCHECK, 0, 0), BST_CHECKED);
  Click(page, IDC_PREFS_ENABLE);
  Click(page, IDOK);
  ASSERT_TRUE(WaitUntilGone(page));
  EXPECT_EQ(ReadDword(entry, "TrayIconEnable"), 0u);
  EXPECT_EQ(agent.WaitForExit(10000), 0);
  EXPECT_TRUE(AgentLogged(agent, "WM_CLOSE"));
}

TEST_F(AgentLaunch, TheStatusWindowClosesWhenItsPrinterIsDeleted) {
  AgentProcess agent = StartServingAgent();
  ASSERT_TRUE(::PostMessageA(agent.Window(), WM_COMMAND, 900, 0));
  HWND status = WaitForWindow(kStatusClass, kStatusTitle);
  ASSERT_NE(status, nullptr);
  EXPECT_EQ(agent.Close(), 0);
  ASSERT_TRUE(spoolsetup::DeleteLocalPrinter(kPrinter, nullptr));
  EXPECT_TRUE(WaitUntilGone(status));
  std::string error;
  ASSERT_TRUE(spoolsetup::AddLocalPrinter(kPrinter, samplepackage::kDriver100, kPort, &error)) << error;
}

}  // namespace
