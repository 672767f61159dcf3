// The frame's life: construction, window, start-up, clean-up and the window procedure.
#include "frame/mainframe.h"

#include <new>

#include "app/dbglog.h"
#include "instmap/instmap.h"
#include "settings/driverkeys.h"
#include "settings/spooler.h"

CMainFrame* g_pMainFrame = nullptr;

CMainFrame::CMainFrame() {
  m_pExMenuItem = new (std::nothrow) CExMenuItem[kExMenuItems];
  if (m_pExMenuItem == nullptr) m_nExMenuItems = 0;
}

CMainFrame::~CMainFrame() {
  for (int k = 0; k < m_nExMenuItems; ++k) {
    if (m_pExMenuItem[k].m_hBitmap != nullptr) ::DeleteObject(m_pExMenuItem[k].m_hBitmap);
  }
  delete[] m_pExMenuItem;
}

const char* CMainFrame::ServedName() const {
  return m_szPrinterName[0] != '\0' ? m_szPrinterName : m_szPortName;
}

bool CMainFrame::CreateFrameWindow(const char* className, const char* title, DWORD style, HINSTANCE hInstance,
                                   void* param) {
  WNDCLASSA wc = {};
  wc.style = CS_BYTEALIGNWINDOW;
  wc.lpfnWndProc = &CMainFrame::TrayWndProc;
  wc.hInstance = hInstance;
  wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_SCROLLBAR + 1));
  wc.lpszClassName = className;
  ::RegisterClassA(&wc);  // a second frame in one process finds the class registered

  // A top-level window, not a message-only one: the shell's "TaskbarCreated" broadcast
  // reaches only top-level windows.
  m_hWnd = ::CreateWindowExA(0, className, title, style, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                             nullptr, nullptr, hInstance, param);
  return ::IsWindow(m_hWnd) != FALSE;
}

int CMainFrame::StartUp() {
  DbgLog("CMainFrame::StartUp");
  if (!TextCopy(m_szMsgTitle, "KORVA Zelt 3") ||
      !TextCopy(m_szMsgStatusErr, "\nUnable to open Printer Status window for this printer.") ||
      !TextCopy(m_szMsgPrefErr, "\nUnable to open Monitoring Preferences window for this printer.") ||
      !TextCopy(m_szMsgNoMemory, "Insufficient memory.") || !TextCopy(m_szMsgNoFile, "Could not find specified file.")) {
    return -1;
  }

  if (DuplicationChk() == 0) return 0;

  // An agent started to remove itself never runs: it gives its slot back at once.
  if (m_fRemove) {
    ReleaseMapSlot();
    return 0;
  }

  if (IsZeltInvalid(m_szPrinterName) == 1) {
    DbgLog("Zelt is invalid.");
    return -1;
  }

  const int datOk = GetDatPath(m_szDatPath, sizeof m_szDatPath, m_szDriverName, m_szModelID, m_szPrinterName);
  DbgLogStr("m_szDatPath", m_szDatPath);
  if (!datOk || m_szDatPath[0] == '\0') return -1;

  if (!LoadRegSet()) return -1;
  if (!LoadResDll(m_szResDllPath)) return -1;

  if (!SetTrayIcon(m_nIconSel, TRUE)) {
    // A tip that does not fit ends start-up; a shell that refused the icon may simply not
    // be there yet (log-on, a restarting shell), so the add is retried while the agent runs.
    if (m_nid.hWnd == nullptr) {
      FreeResDll();
      return 0;
    }
    StartIconRetry();
  }

  int result = 1;
  m_hMenu = ::LoadMenuA(m_hResDll, MAKEINTRESOURCEA(IDR_TRAYMENU));
  HMENU popup = m_hMenu != nullptr ? ::GetSubMenu(m_hMenu, 0) : nullptr;
  if (popup == nullptr) {
    result = 0;
  } else {
    // The printer item replaces the resource's first item and is the default (bold) one.
    const char* name = ServedName();
    ::ModifyMenuA(popup, 0, MF_BYPOSITION | MF_STRING, ID_STATUS_WINDOW, name);
    MENUITEMINFOA mii = {};
    mii.cbSize = sizeof mii;
    mii.fMask = MIIM_TYPE;
    if (::GetMenuItemInfoA(popup, ID_STATUS_WINDOW, FALSE, &mii)) {
      mii.fMask = MIIM_TYPE | MIIM_STATE;
      mii.fType = MFT_STRING;
      mii.fState = MFS_DEFAULT;
      mii.dwTypeData = const_cast<char*>(name);
      mii.cch = 0;
      ::SetMenuItemInfoA(popup, ID_STATUS_WINDOW, FALSE, &mii);
    }
    AddExMenu(popup);
  }

  FreeResDll();
  if (result == 0) return 0;

  if (m_szDatPath[0] != '\0')
    m_nEndTime = ::GetPrivateProfileIntA(m_szModelID, "TrayIconEndTime", 0, m_szDatPath);
  if (m_nEndTime != 0)
    m_nPrinterCheckTimer = static_cast<std::uint32_t>(::SetTimer(m_hWnd, ID_TIMER_PRINTERCHECK, m_nEndTime, nullptr));
  m_nMaskCheckTimer = static_cast<std::uint32_t>(::SetTimer(m_hWnd, ID_TIMER_MASKCHECK, kMaskCheckPeriodMs, nullptr));
  return 1;
}

int CMainFrame::DuplicationChk() {
  DbgLog("CMainFrame::DuplicationChk : start");
  m_hMapFile = nullptr;
  HWND found = nullptr;

  // Claiming the slot and storing this window in it are one step for every agent of the
  // package: agents started together for one printer cannot both find the slot free.
  CInstanceMapLock lock;
  DbgLog("enter : MultiExecuteCheck");
  const int result = MultiExecuteCheck(m_szPrinterName, m_szPortName, kMapKindTray, kMapPlaceholder, &found, &m_hMapFile);
  DbgLog("exit : MultiExecuteCheck");
  DbgLogInt("result", result);

  if (result == 0) {
    DbgLog("enter : SethWindow");
    const int stored = SethWindow(m_szPrinterName, m_szPortName, m_hWnd, kMapKindTray);
    DbgLogInt("exit : SethWindow", stored);
    DbgLog("CMainFrame::DuplicationChk : end");
    return 1;
  }
  if (result == 1) {
    if (found != nullptr) {
      if (m_fRemove)
        ::PostMessageA(found, WM_CLOSE, 0, 0);
      else
        ::PostMessageA(found, WM_TRAY_RELOADICON, 0, static_cast<LPARAM>(m_nIconSel));
    }
  } else {
    ::MessageBoxA(nullptr, m_szMsgNoMemory, m_szMsgTitle, MB_OK);
  }
  if (m_hMapFile != nullptr) {
    ::CloseHandle(m_hMapFile);
    m_hMapFile = nullptr;
  }
  DbgLog("CMainFrame::DuplicationChk : end2");
  return 0;
}

void CMainFrame::ReleaseMapSlot() {
  if (m_hMapFile == nullptr) return;
  ReleaseMapEntry(m_hMapFile, m_szPrinterName, m_szPortName, kMapKindTray);
  ::CloseHandle(m_hMapFile);
  m_hMapFile = nullptr;
}

int CMainFrame::DestroyWindow() {
  DbgLog("CMainFrame::DestroyWindow");
  if (m_nMaskCheckTimer != 0) {
    ::KillTimer(m_hWnd, m_nMaskCheckTimer);
    m_nMaskCheckTimer = 0;
  }
  ReleaseMapSlot();
  if (m_nIconRetries != 0) {
    ::KillTimer(m_hWnd, ID_TIMER_ICONRETRY);
    m_nIconRetries = 0;
  }
  if (m_nid.hWnd != nullptr) {
    ::Shell_NotifyIconA(NIM_DELETE, &m_nid);
    m_fIconShown = FALSE;
  }
  if (m_hMenu != nullptr) {
    ::DestroyMenu(m_hMenu);
    m_hMenu = nullptr;
  }
  if (m_nPrinterCheckTimer != 0) {
    ::KillTimer(m_hWnd, m_nPrinterCheckTimer);
    m_nPrinterCheckTimer = 0;
  }
  ChkDelPrn();
  return 0;
}

LRESULT CALLBACK CMainFrame::TrayWndProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (g_pMainFrame != nullptr) return g_pMainFrame->HandleMessage(hWnd, message, wParam, lParam);
  return ::DefWindowProcA(hWnd, message, wParam, lParam);
}

LRESULT CMainFrame::HandleMessage(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_DESTROY:
      DbgLog("WM_DESTROY");
      CheckUtyCall();
      DestroyWindow();
      ::PostQuitMessage(0);
      break;
    case WM_CLOSE:
      DbgLog("WM_CLOSE");
      break;
    case WM_DRAWITEM:
      OnDrawItem(wParam, reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
      break;
    case WM_MEASUREITEM:
      OnMeasureItem(wParam, reinterpret_cast<MEASUREITEMSTRUCT*>(lParam));
      break;
    case WM_COMMAND:
      OnCommand(LOWORD(wParam));
      break;
    case WM_TIMER:
      OnTimer(wParam);
      break;
    case WM_TRAY_NOTIFY:
      OnTrayNotify(wParam, lParam);
      break;
    case WM_TRAY_RELOADICON:
      OnReloadIcon(wParam, lParam);
      break;
    default:
      if (message != 0 && message == m_nTaskbarCreatedMsg) OnTaskbarCreated();
      break;
  }
  return ::DefWindowProcA(hWnd, message, wParam, lParam);
}

void CMainFrame::OnCommand(UINT id) {
  if (id == ID_STATUS_WINDOW)
    OnStatusWindow();
  else if (id == ID_MONITOR_PREFS)
    OnMonitorPrefs();
  else if (id >= ID_EXMENU_FIRST && id <= ID_EXMENU_LAST)
    OnAux(id);
}

void CMainFrame::CheckUtyCall() {
  DbgLog("CMainFrame::CheckUtyCall");
  m_UtyCall.CheckUtyCall();
}
