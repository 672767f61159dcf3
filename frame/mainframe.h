#pragma once
// The agent's one hidden top-level window and everything it holds for its printer: names,
// icon settings, the tray icon, the popup menu, the libraries while they are loaded, the
// timers. One object per process, reached through g_pMainFrame.
#include <windows.h>
#include <shellapi.h>

#include <cstddef>
#include <cstdint>

#include "base/text260.h"
#include "utycall/utycall.h"

// Messages and ids every program of the package agrees on.
constexpr UINT WM_TRAY_NOTIFY = 1124;      // the tray icon's callback message
constexpr UINT WM_TRAY_RELOADICON = 1224;  // another agent asks for the icon to be re-read
constexpr UINT_PTR ID_TIMER_PRINTERCHECK = 2;
constexpr UINT_PTR ID_TIMER_MASKCHECK = 4;
constexpr UINT kMaskCheckPeriodMs = 3000;
constexpr UINT IDR_TRAYMENU = 801;
constexpr UINT ID_STATUS_WINDOW = 900;
constexpr UINT ID_MONITOR_PREFS = 901;
constexpr UINT ID_EXMENU_FIRST = 920;
constexpr UINT ID_EXMENU_LAST = 999;  // commands 920..999 go to the extension handler
constexpr int kExMenuItems = 79;      // records for the ids 920..998
constexpr UINT kTrayIconFirstId = 700;  // pictures 700, 701, 702
constexpr DWORD kAgentWindowStyle = 0x20CF0000;  // overlapped and minimised; never shown

// The agent's own retry of the icon add while the notification area is not there yet
// (log-on, a restarting shell): once a second, for up to a minute.
constexpr UINT_PTR ID_TIMER_ICONRETRY = 6;
constexpr UINT kIconRetryPeriodMs = 1000;
constexpr int kIconRetryLimit = 60;

// The size the shell is told for the icon record: the layout with the balloon fields and
// the item identifier, without the balloon icon (504 bytes on the 32-bit build). The
// headers only name it for Vista and later, so it is derived from the record itself.
constexpr UINT kNotifyIconDataSize =
    static_cast<UINT>(offsetof(NOTIFYICONDATAA, guidItem) + sizeof(GUID));
#if !defined(_WIN64)
static_assert(kNotifyIconDataSize == 504, "32-bit icon record layout");
#endif

// One owner-drawn extension item of the popup menu.
class CExMenuItem {
 public:
  CExMenuItem() = default;
  virtual ~CExMenuItem() = default;
  CExMenuItem(const CExMenuItem&) = delete;
  CExMenuItem& operator=(const CExMenuItem&) = delete;

  std::uint32_t m_nID = 0;
  HBITMAP m_hBitmap = nullptr;
  char m_szText[kTextSize] = {};
};

class CMainFrame {
 public:
  CMainFrame();
  virtual ~CMainFrame();
  CMainFrame(const CMainFrame&) = delete;
  CMainFrame& operator=(const CMainFrame&) = delete;

  // Registers the class and creates the hidden window; true when m_hWnd is a window.
  bool CreateFrameWindow(const char* className, const char* title, DWORD style, HINSTANCE hInstance,
                         void* param);
  // 1 running; 0 not running (another agent serves the printer, a removal, icon or menu
  // failure); -1 this printer is not to be served.
  int StartUp();
  // 1 when this agent now holds its printer in the instance map; 0 when it must not run.
  int DuplicationChk();
  // Releases what start-up took (timers, map entry, icon, menu), then the printer clean-up.
  virtual int DestroyWindow();

  // Tray icon.
  int LoadRegSet();
  int SetTrayIcon(std::uint32_t index, BOOL add);
  int OnTrayNotify(WPARAM wParam, LPARAM lParam);
  int OnReloadIcon(WPARAM wParam, LPARAM lParam);
  int DisableIconReg();
  // The shell's notification area was (re)created: add the icon again.
  void OnTaskbarCreated();

  // Libraries (resdll.cpp).
  int LoadResDll(const char* path);
  void FreeResDll();

  // Popup menu extension items (menu.cpp).
  int AddExMenu(HMENU popup);
  int GetDepExeName(char* out, std::size_t size);
  int IsInkOrderMenu(UINT id, const char* name);
  int IsEnableInkOrder();
  void OnMeasureItem(WPARAM wParam, MEASUREITEMSTRUCT* item);
  void OnDrawItem(WPARAM wParam, const DRAWITEMSTRUCT* item);

  // Status window and preferences through the launcher (launch.cpp).
  void OnStatusWindow();
  void OnMonitorPrefs();
  int StartZELTExe(const char* launcherPath, int prefs);
  // Every program the agent starts goes through here; the agent keeps no handle of it.
  BOOL StartExe(char* commandLine);

  // Extension commands (auxcommand.cpp) and the driver-update test (commands.cpp).
  void OnAux(UINT id);
  int GetDriverUpdateExeName(char* name, std::size_t nameSize, char* folder, std::size_t folderSize);
  int IsDriverUpdateMenu(const char* value, const char* name);

  // Waits until a running utility call has returned.
  void CheckUtyCall();

  // Timers and printer checks.
  void OnTimer(UINT_PTR id);
  int ChkDelPrn();

  // WM_COMMAND: the status window, the preferences and the extension commands.
  void OnCommand(UINT id);

  // The window procedure's work; every message then gets the default processing.
  LRESULT HandleMessage(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);
  static LRESULT CALLBACK TrayWndProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);

  CExMenuItem* m_pExMenuItem = nullptr;
  Text260 m_szPortName = {};
  Text260 m_szModelID = {};
  Text260 m_szPrinterName = {};
  Text260 m_szDriverName = {};
  Text260 m_szRegKey = {};
  HWND m_hWnd = nullptr;
  HMENU m_hMenu = nullptr;
  HANDLE m_hMapFile = nullptr;
  Text260 m_szMsgTitle = {};
  Text260 m_szMsgStatusErr = {};
  Text260 m_szMsgPrefErr = {};
  Text260 m_szMsgNoMemory = {};
  Text260 m_szMsgNoFile = {};
  std::int32_t m_fRemove = 0;
  std::int32_t m_fIconInstall = 0;
  HICON m_hIcon[3] = {};
  std::uint32_t m_nIconSel = 0;
  NOTIFYICONDATAA m_nid = {};
  HMODULE m_hResDll = nullptr;
  HMODULE m_hBmpDll = nullptr;
  std::int32_t m_fBmpDllLoaded = 0;
  Text260 m_szResDllPath = {};
  CUtyCall m_UtyCall;
  Text260 m_szDatPath = {};
  std::uint32_t m_nPrinterCheckTimer = 0;
  std::uint32_t m_nEndTime = 0;
  std::int32_t m_nExMenuItems = kExMenuItems;
  std::uint32_t m_nMaskCheckTimer = 0;

 private:
  // What the spooler says of the printer: there, gone for good, or not reachable now.
  enum class PrinterState { kExists, kDeleted, kUnknown };
  PrinterState QueryPrinterState();

  // The printer name, or the port name when the printer name is empty: the key of the
  // instance map, the icon's tip and the text of the printer item.
  const char* ServedName() const;
  void ReleaseMapSlot();
  void StartIconRetry();
  void OnIconRetry();

  UINT m_nTaskbarCreatedMsg = 0;  // registered "TaskbarCreated", 0 when unavailable
  BOOL m_fIconShown = FALSE;      // the shell holds our icon
  int m_nIconRetries = 0;         // add attempts left while the retry timer runs
};

extern CMainFrame* g_pMainFrame;
