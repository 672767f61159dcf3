// The tray icon: which picture, whether at all, the shell's notifications, and the
// requests of other agents.
#include <windows.h>
#include <shellapi.h>

#include "app/dbglog.h"
#include "base/winhandle.h"
#include "frame/mainframe.h"
#include "settings/language.h"
#include "settings/targetreg.h"

namespace {

// A 4-byte value of any type; false (out untouched) when it is missing or larger.
bool ReadDwordValue(HKEY key, const char* name, std::uint32_t* out) {
  DWORD data = 0;
  DWORD size = sizeof data;
  if (::RegQueryValueExA(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(&data), &size) != ERROR_SUCCESS)
    return false;
  *out = data;
  return true;
}

bool OpenUserKey(const char* path, REGSAM access, UniqueHKey* key) {
  return path[0] != '\0' && ::RegOpenKeyExA(HKEY_CURRENT_USER, path, 0, access, key->Receive()) == ERROR_SUCCESS;
}

bool KeyIsDown(SHORT state) { return (static_cast<unsigned short>(state) & 0x8000u) != 0; }

}  // namespace

int CMainFrame::LoadRegSet() {
  DbgLog("CMainFrame::LoadRegSet");
  Text260 path = {};
  BOOL portList = FALSE;
  GetTargetKey(m_szPrinterName, m_szPortName, m_szModelID, &portList, path, sizeof path);
  if (path[0] != '\0' && !TextCopy(m_szRegKey, path)) return 0;

  UniqueHKey key;
  if (OpenUserKey(m_szRegKey, KEY_READ, &key)) {
    ReadDwordValue(key.Get(), "TrayIconSelected", &m_nIconSel);
    std::uint32_t enable = 0;
    ReadDwordValue(key.Get(), "TrayIconEnable", &enable);
    key.Reset();
    if (enable == 0) return 0;
  } else if (m_szDatPath[0] != '\0') {
    // No settings of the user's own: the model's defaults from the driver's data file.
    m_nIconSel = ::GetPrivateProfileIntA(m_szModelID, "TrayIconSelected", 0, m_szDatPath);
    if (::GetPrivateProfileIntA(m_szModelID, "TrayIconEnable", 0, m_szDatPath) == 0) return 0;
  }

  // An empty path makes the library load fail next, with its message.
  GetResDllPath(m_szResDllPath, sizeof m_szResDllPath, m_szDriverName, m_szModelID, m_szPrinterName);
  return 1;
}

int CMainFrame::SetTrayIcon(std::uint32_t index, BOOL add) {
  if (!TextCopy(m_nid.szTip, sizeof m_nid.szTip, ServedName())) return 0;
  // A stored selection outside the three pictures shows the first one.
  const HICON icon = m_hIcon[index < 3 ? index : 0];

  if (!add) {
    m_nid.hIcon = icon;
    ::Shell_NotifyIconA(NIM_MODIFY, &m_nid);
    return 1;
  }

  m_nid.cbSize = kNotifyIconDataSize;
  m_nid.hWnd = m_hWnd;
  m_nid.uID = 0;
  m_nid.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
  m_nid.uCallbackMessage = WM_TRAY_NOTIFY;
  for (UINT i = 0; i < 3; ++i) {
    m_hIcon[i] = m_hBmpDll == nullptr ? nullptr
                                      : static_cast<HICON>(::LoadImageA(m_hBmpDll, MAKEINTRESOURCEA(kTrayIconFirstId + i),
                                                                        IMAGE_ICON, 16, 16, LR_DEFAULTCOLOR));
  }
  m_nid.hIcon = m_hIcon[index < 3 ? index : 0];

  if (m_nTaskbarCreatedMsg == 0) m_nTaskbarCreatedMsg = ::RegisterWindowMessageA("TaskbarCreated");
  m_fIconShown = ::Shell_NotifyIconA(NIM_ADD, &m_nid) != FALSE;
  return m_fIconShown ? 1 : 0;
}

void CMainFrame::StartIconRetry() {
  DbgLog("CMainFrame::StartIconRetry");
  if (::SetTimer(m_hWnd, ID_TIMER_ICONRETRY, kIconRetryPeriodMs, nullptr) != 0) m_nIconRetries = kIconRetryLimit;
}

void CMainFrame::OnIconRetry() {
  if (::Shell_NotifyIconA(NIM_ADD, &m_nid)) {
    DbgLog("CMainFrame::OnIconRetry : added");
    m_fIconShown = TRUE;
  } else if (--m_nIconRetries > 0) {
    return;
  } else {
    // The notification area never came: end as a start-up whose icon was refused.
    DbgLog("CMainFrame::OnIconRetry : given up");
    ::PostMessageA(m_hWnd, WM_CLOSE, 0, 0);
  }
  ::KillTimer(m_hWnd, ID_TIMER_ICONRETRY);
  m_nIconRetries = 0;
}

void CMainFrame::OnTaskbarCreated() {
  // A restarted shell has forgotten every icon: add ours again with the same record.
  if (m_nid.hWnd == nullptr) return;
  DbgLog("CMainFrame::OnTaskbarCreated");
  if (::Shell_NotifyIconA(NIM_ADD, &m_nid)) {
    m_fIconShown = TRUE;
    if (m_nIconRetries != 0) {
      ::KillTimer(m_hWnd, ID_TIMER_ICONRETRY);
      m_nIconRetries = 0;
    }
  } else if (m_nIconRetries == 0) {
    StartIconRetry();
  }
}

int CMainFrame::OnTrayNotify(WPARAM /*wParam*/, LPARAM lParam) {
  if (lParam != WM_LBUTTONDBLCLK && lParam != WM_RBUTTONDOWN) return 0;

  if (!m_fIconInstall && ChkDelPrn() != 1) {
    ::PostMessageA(m_hWnd, WM_CLOSE, 0, 0);
    return 1;
  }
  if (lParam == WM_LBUTTONDBLCLK) {
    OnStatusWindow();
    return 0;
  }

  ::SetForegroundWindow(m_hWnd);
  ::SetFocus(m_hWnd);
  // All three read before any is tested.
  const SHORT ctrl = ::GetAsyncKeyState(VK_CONTROL);
  const SHORT shift = ::GetAsyncKeyState(VK_SHIFT);
  const SHORT space = ::GetAsyncKeyState(VK_SPACE);
  if (KeyIsDown(ctrl) && KeyIsDown(shift) && KeyIsDown(space)) {
    ::PostMessageA(m_hWnd, WM_CLOSE, 0, 0);
    return 0;
  }

  POINT pt = {};
  ::GetCursorPos(&pt);
  HMENU popup = m_hMenu != nullptr ? ::GetSubMenu(m_hMenu, 0) : nullptr;
  HWND owner = m_hWnd;
  while (owner != nullptr && (::GetWindowLongA(owner, GWL_STYLE) & WS_CHILD) != 0) owner = ::GetParent(owner);
  ::DrawMenuBar(owner);
  ::TrackPopupMenu(popup, TPM_RIGHTBUTTON, pt.x, pt.y, 0, owner, nullptr);
  // Lets the menu close when the user clicks elsewhere the next time.
  ::PostMessageA(m_hWnd, WM_NULL, 0, 0);
  return 0;
}

int CMainFrame::OnReloadIcon(WPARAM /*wParam*/, LPARAM /*lParam*/) {
  DbgLog("CMainFrame::OnReloadIcon");
  UniqueHKey key;
  if (!OpenUserKey(m_szRegKey, KEY_READ, &key)) return 0;
  const bool read = ReadDwordValue(key.Get(), "TrayIconSelected", &m_nIconSel);
  key.Reset();
  if (read) SetTrayIcon(m_nIconSel, FALSE);
  ::UpdateWindow(m_hWnd);
  return 1;
}

int CMainFrame::DisableIconReg() {
  DbgLog("CMainFrame::DisableIconReg");
  Text260 path = {};
  if (m_szPrinterName[0] != '\0')
    FindTargetKey(m_szPrinterName, FALSE, path, sizeof path);
  else
    FindTargetKey(m_szPortName, TRUE, path, sizeof path);
  UniqueHKey key;
  if (!OpenUserKey(path, KEY_ALL_ACCESS, &key)) return 0;
  const DWORD off = 0;
  return ::RegSetValueExA(key.Get(), "TrayIconEnable", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&off), sizeof off) ==
                 ERROR_SUCCESS
             ? 1
             : 0;
}
