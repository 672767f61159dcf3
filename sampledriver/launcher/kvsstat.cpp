// Sample status window program, KVSSTAT.EXE, started by the launcher K_XRUN01.EXE with
// the printer in switches with explicit lengths:
//   KVSSTAT.EXE /P<n> "<printer>" /D<n> "<driver>" /O<n> "<port>" /M<n> "<model>" [/E]
// Without "/E" it shows the printer's status window: name, port, model, driver and what
// the spooler says of the printer (its status and the documents waiting), read again
// every second; it closes itself once the spooler no longer knows the printer.
// With "/E" it shows the monitoring preferences: the tray icon on or off and its picture,
// written into the printer's per-user target entry; the agent serving the printer is
// then told to read its picture again (message 1224), or to end when its icon was
// switched off.
// One window of each kind per printer: one that is already open is brought to the front.
#include <windows.h>
#include <winspool.h>

#include <string>

#include "app/cmdline.h"
#include "base/winhandle.h"
#include "instmap/instmap.h"
#include "sampledriver/launcher/kvsstat_res.h"
#include "sampledriver/launcher/launchcommon.h"
#include "settings/driverkeys.h"
#include "settings/spoolopen.h"
#include "settings/targetreg.h"

namespace {

constexpr UINT kReloadIconMessage = 1224;  // the agent's "read your picture again"
constexpr UINT_PTR kRefreshTimer = 1;
constexpr UINT kRefreshPeriodMs = 1000;
constexpr UINT kFirstPicture = 700;  // pictures 700 (ready), 701 (attention), 702 (error)
constexpr int kPrefsPictureSize = 32;

struct Printer {
  std::string name;  // the printer name, or the port for a printer known by its port only
  std::string printer;
  std::string driver;
  std::string port;
  std::string model;
};

struct Pictures {
  UniqueModule library;
  HICON icon[3] = {};
  Pictures() = default;
  Pictures(const Pictures&) = delete;
  Pictures& operator=(const Pictures&) = delete;
  ~Pictures() {
    for (HICON h : icon)
      if (h != nullptr) ::DestroyIcon(h);
  }
};

// The model's own tray pictures, from its bitmap library beside the driver.
void LoadPictures(const Printer& p, int size, Pictures* out) {
  char path[MAX_PATH] = {};
  if (!GetBmpDllPath(path, sizeof path, p.driver.c_str(), p.model.c_str(), p.printer.c_str())) return;
  out->library.Reset(::LoadLibraryExA(path, nullptr, LOAD_LIBRARY_AS_DATAFILE));
  if (!out->library) return;
  for (int i = 0; i < 3; ++i) {
    out->icon[i] = static_cast<HICON>(
        ::LoadImageA(out->library.Get(), MAKEINTRESOURCEA(kFirstPicture + i), IMAGE_ICON, size, size, 0));
  }
}

// ---------------------------------------------------------------------------------------
// The spooler's view of the printer

struct SpoolerState {
  bool gone = false;  // the spooler does not know the printer (any more)
  std::string text;   // "Ready", "Paused", "Error: paper out", ...
  int picture = 0;    // 0 ready, 1 attention, 2 error
  DWORD jobs = 0;
  std::string port;
  std::string driver;
};

// What the status bits of a level-2 record mean to a user: the most pressing first.
void DescribeStatus(DWORD status, DWORD attributes, SpoolerState* out) {
  static const struct {
    DWORD bit;
    const char* text;
  } kErrors[] = {{PRINTER_STATUS_PAPER_JAM, "Error: paper jam"},
                 {PRINTER_STATUS_PAPER_OUT, "Error: out of paper"},
                 {PRINTER_STATUS_PAPER_PROBLEM, "Error: paper problem"},
                 {PRINTER_STATUS_NO_TONER, "Error: out of ink"},
                 {PRINTER_STATUS_DOOR_OPEN, "Error: cover open"},
                 {PRINTER_STATUS_OUTPUT_BIN_FULL, "Error: output tray full"},
                 {PRINTER_STATUS_USER_INTERVENTION, "Error: needs attention"},
                 {PRINTER_STATUS_NOT_AVAILABLE, "Error: not available"},
                 {PRINTER_STATUS_ERROR, "Error"}};
  if ((status & PRINTER_STATUS_OFFLINE) != 0 || (attributes & PRINTER_ATTRIBUTE_WORK_OFFLINE) != 0) {
    out->text = "Offline";
    out->picture = 1;
    return;
  }
  for (const auto& e : kErrors) {
    if ((status & e.bit) != 0) {
      out->text = e.text;
      out->picture = 2;
      return;
    }
  }
  if ((status & PRINTER_STATUS_PAUSED) != 0) {
    out->text = "Paused";
    out->picture = 1;
  } else if ((status & PRINTER_STATUS_PENDING_DELETION) != 0) {
    out->text = "Being deleted";
    out->picture = 1;
  } else if ((status & PRINTER_STATUS_PRINTING) != 0) {
    out->text = "Printing";
  } else if ((status & PRINTER_STATUS_TONER_LOW) != 0) {
    out->text = "Ready (ink low)";
    out->picture = 1;
  } else {
    out->text = "Ready";
  }
}

SpoolerState QuerySpooler(const std::string& printer) {
  SpoolerState state;
  if (printer.empty()) {
    state.text = "Unknown";
    state.picture = 1;
    return state;
  }
  UniqueHeapPtr<BYTE> record;
  DWORD openError = ERROR_SUCCESS;
  switch (ReadPrinterInfo2(printer.c_str(), &record, &openError)) {
    case kPrinterRecord: {
      const auto* info = reinterpret_cast<const PRINTER_INFO_2A*>(record.get());
      DescribeStatus(info->Status, info->Attributes, &state);
      state.jobs = info->cJobs;
      if (info->pPortName != nullptr) state.port = info->pPortName;
      if (info->pDriverName != nullptr) state.driver = info->pDriverName;
      break;
    }
    case kPrinterNotOpened:
      state.gone = openError == ERROR_INVALID_PRINTER_NAME;
      state.text = "Not available";
      state.picture = 2;
      break;
    case kPrinterNoRecord:
      state.text = "Unknown";
      state.picture = 1;
      break;
  }
  return state;
}

void BringToFront(HWND hWnd) {
  if (::IsIconic(hWnd)) ::ShowWindow(hWnd, SW_RESTORE);
  ::SetForegroundWindow(hWnd);
}

// ---------------------------------------------------------------------------------------
// The preferences page

struct PrefsPage {
  const Printer* printer = nullptr;
  Pictures pictures;
  BOOL portList = FALSE;
  DWORD enable = 1;
  DWORD selected = 0;
};

bool ReadDword(HKEY key, const char* name, DWORD* value) {
  DWORD data = 0;
  DWORD size = sizeof data;
  DWORD type = 0;
  if (::RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&data), &size) != ERROR_SUCCESS ||
      size != sizeof data)
    return false;
  *value = data;
  return true;
}

// The settings the agent would use: the printer's entry when there is one.
void ReadSettings(PrefsPage* page) {
  char entry[MAX_PATH] = {};
  if (FindTargetKey(page->printer->name.c_str(), page->portList, entry, sizeof entry) != 0) return;
  UniqueHKey key;
  if (::RegOpenKeyExA(HKEY_CURRENT_USER, entry, 0, KEY_READ, key.Receive()) != ERROR_SUCCESS) return;
  ReadDword(key.Get(), "TrayIconEnable", &page->enable);
  ReadDword(key.Get(), "TrayIconSelected", &page->selected);
  if (page->selected > 2) page->selected = 0;
}

// Writes both values into the printer's entry, made first (with the driver's defaults)
// when the printer has none yet. True when both were written.
bool WriteSettings(const PrefsPage& page) {
  const Printer& p = *page.printer;
  char entry[MAX_PATH] = {};
  if (FindTargetKey(p.name.c_str(), page.portList, entry, sizeof entry) != 0) {
    BOOL portList = FALSE;
    GetTargetKey(p.printer.c_str(), p.port.c_str(), p.model.c_str(), &portList, entry, sizeof entry);
    if (entry[0] == '\0') return false;
  }
  UniqueHKey key;
  if (::RegOpenKeyExA(HKEY_CURRENT_USER, entry, 0, KEY_SET_VALUE, key.Receive()) != ERROR_SUCCESS) return false;
  return ::RegSetValueExA(key.Get(), "TrayIconEnable", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&page.enable),
                          sizeof page.enable) == ERROR_SUCCESS &&
         ::RegSetValueExA(key.Get(), "TrayIconSelected", 0, REG_DWORD,
                          reinterpret_cast<const BYTE*>(&page.selected), sizeof page.selected) == ERROR_SUCCESS;
}

// The agent that serves the printer, found where it registered its window.
void TellAgent(const PrefsPage& page) {
  const std::string& key = page.printer->name;
  char mapName[MAX_PATH] = {};
  if (GetMapName(page.printer->printer.c_str(), mapName, sizeof mapName) <= 0) return;
  HWND agent = FindMapWindow(mapName, key.c_str(), kMapKindTray);
  if (agent == nullptr) return;
  ::PostMessageA(agent, kReloadIconMessage, 0, static_cast<LPARAM>(page.selected));
  // An agent does not look at the switch while it runs: an icon switched off goes now.
  if (page.enable == 0) ::PostMessageA(agent, WM_CLOSE, 0, 0);
}

void EnablePictures(HWND dlg, bool on) {
  for (int id : {IDC_PREFS_PIC0, IDC_PREFS_PIC1, IDC_PREFS_PIC2, IDC_PREFS_ICON0, IDC_PREFS_ICON1, IDC_PREFS_ICON2})
    ::EnableWindow(::GetDlgItem(dlg, id), on ? TRUE : FALSE);
}

INT_PTR CALLBACK PrefsProc(HWND dlg, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* page = reinterpret_cast<PrefsPage*>(::GetWindowLongPtrA(dlg, DWLP_USER));
  switch (message) {
    case WM_INITDIALOG: {
      page = reinterpret_cast<PrefsPage*>(lParam);
      ::SetWindowLongPtrA(dlg, DWLP_USER, lParam);
      ::SetWindowTextA(dlg, (page->printer->name + kPrefsTitleSuffix).c_str());
      ::SetDlgItemTextA(dlg, IDC_PREFS_PRINTER, ("Printer: " + page->printer->name).c_str());
      for (int i = 0; i < 3; ++i) {
        if (page->pictures.icon[i] == nullptr) continue;
        // Made without a picture, the control has no size: give it the picture's.
        HWND control = ::GetDlgItem(dlg, IDC_PREFS_ICON0 + i);
        ::SendMessageA(control, STM_SETICON, reinterpret_cast<WPARAM>(page->pictures.icon[i]), 0);
        ::SetWindowPos(control, nullptr, 0, 0, kPrefsPictureSize, kPrefsPictureSize,
                       SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
      }
      ::CheckDlgButton(dlg, IDC_PREFS_ENABLE, page->enable != 0 ? BST_CHECKED : BST_UNCHECKED);
      ::CheckRadioButton(dlg, IDC_PREFS_PIC0, IDC_PREFS_PIC2, IDC_PREFS_PIC0 + static_cast<int>(page->selected));
      EnablePictures(dlg, page->enable != 0);
      BringToFront(dlg);
      return TRUE;
    }
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case IDC_PREFS_ENABLE:
          EnablePictures(dlg, ::IsDlgButtonChecked(dlg, IDC_PREFS_ENABLE) == BST_CHECKED);
          return TRUE;
        case IDOK:
          page->enable = ::IsDlgButtonChecked(dlg, IDC_PREFS_ENABLE) == BST_CHECKED ? 1 : 0;
          for (DWORD i = 0; i < 3; ++i) {
            if (::IsDlgButtonChecked(dlg, IDC_PREFS_PIC0 + static_cast<int>(i)) == BST_CHECKED) page->selected = i;
          }
          if (!WriteSettings(*page)) {
            ::MessageBoxA(dlg, "The settings could not be saved.", "Monitoring Preferences", MB_OK | MB_ICONERROR);
            return TRUE;
          }
          TellAgent(*page);
          ::EndDialog(dlg, IDOK);
          return TRUE;
        case IDCANCEL:
          ::EndDialog(dlg, IDCANCEL);
          return TRUE;
      }
      break;
  }
  return FALSE;
}

int ShowPreferences(const Printer& printer, HWND owner) {
  const std::string title = printer.name + kPrefsTitleSuffix;
  if (HWND open = ::FindWindowA("#32770", title.c_str())) {
    BringToFront(open);
    return 0;
  }
  PrefsPage page;
  page.printer = &printer;
  page.portList = printer.printer.empty() ? TRUE : FALSE;
  ReadSettings(&page);
  LoadPictures(printer, kPrefsPictureSize, &page.pictures);
  const INT_PTR result = ::DialogBoxParamA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_PREFS), owner,
                                           &PrefsProc, reinterpret_cast<LPARAM>(&page));
  return result == -1 ? 1 : 0;
}

// ---------------------------------------------------------------------------------------
// The status window

struct StatusWindow {
  const Printer* printer = nullptr;
  Pictures pictures;
  HFONT font = nullptr;
  HFONT bold = nullptr;
};

struct Layout {
  int id;
  const char* cls;
  const char* text;
  DWORD style;
  int x, y, w, h;
};

// Client area 440 x 230.
const Layout kControls[] = {
    {IDC_STAT_ICON, "STATIC", "", SS_ICON | SS_CENTERIMAGE, 16, 14, 32, 32},
    {IDC_STAT_PRINTER, "STATIC", "", SS_NOPREFIX | SS_LEFTNOWORDWRAP, 60, 20, 360, 22},
    {-1, "STATIC", "Port:", 0, 60, 60, 130, 18},
    {IDC_STAT_PORT, "STATIC", "", SS_NOPREFIX, 190, 60, 230, 18},
    {-1, "STATIC", "Model:", 0, 60, 82, 130, 18},
    {IDC_STAT_MODEL, "STATIC", "", SS_NOPREFIX, 190, 82, 230, 18},
    {-1, "STATIC", "Driver:", 0, 60, 104, 130, 18},
    {IDC_STAT_DRIVER, "STATIC", "", SS_NOPREFIX, 190, 104, 230, 18},
    {-1, "STATIC", "Status:", 0, 60, 126, 130, 18},
    {IDC_STAT_STATUS, "STATIC", "", SS_NOPREFIX, 190, 126, 230, 18},
    {-1, "STATIC", "Documents waiting:", 0, 60, 148, 130, 18},
    {IDC_STAT_JOBS, "STATIC", "", SS_NOPREFIX, 190, 148, 230, 18},
    {IDC_STAT_PREFS, "BUTTON", "&Preferences...", BS_PUSHBUTTON | WS_TABSTOP, 200, 190, 120, 26},
    {IDC_STAT_CLOSE, "BUTTON", "Close", BS_DEFPUSHBUTTON | WS_TABSTOP, 330, 190, 94, 26},
};

void Refresh(HWND hWnd, StatusWindow* sw) {
  const Printer& p = *sw->printer;
  const SpoolerState state = QuerySpooler(p.printer);
  if (state.gone) {
    ::DestroyWindow(hWnd);
    return;
  }
  // Only what changed, so the texts do not flicker.
  auto set = [hWnd](int id, const std::string& text) {
    char now[512] = {};
    ::GetDlgItemTextA(hWnd, id, now, sizeof now);
    if (text != now) ::SetDlgItemTextA(hWnd, id, text.c_str());
  };
  set(IDC_STAT_PORT, state.port.empty() ? p.port : state.port);
  set(IDC_STAT_DRIVER, state.driver.empty() ? p.driver : state.driver);
  set(IDC_STAT_STATUS, state.text);
  set(IDC_STAT_JOBS, std::to_string(state.jobs));
  HICON icon = sw->pictures.icon[state.picture];
  if (icon != nullptr &&
      reinterpret_cast<HICON>(::SendDlgItemMessageA(hWnd, IDC_STAT_ICON, STM_GETICON, 0, 0)) != icon)
    ::SendDlgItemMessageA(hWnd, IDC_STAT_ICON, STM_SETICON, reinterpret_cast<WPARAM>(icon), 0);
}

LRESULT CALLBACK StatusProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* sw = reinterpret_cast<StatusWindow*>(::GetWindowLongPtrA(hWnd, GWLP_USERDATA));
  switch (message) {
    case WM_CREATE: {
      sw = static_cast<StatusWindow*>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams);
      ::SetWindowLongPtrA(hWnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(sw));
      for (const Layout& c : kControls) {
        HWND child = ::CreateWindowExA(0, c.cls, c.text, WS_CHILD | WS_VISIBLE | c.style, c.x, c.y, c.w, c.h, hWnd,
                                       reinterpret_cast<HMENU>(static_cast<INT_PTR>(c.id)), nullptr, nullptr);
        ::SendMessageA(child, WM_SETFONT, reinterpret_cast<WPARAM>(c.id == IDC_STAT_PRINTER ? sw->bold : sw->font),
                       FALSE);
      }
      ::SetDlgItemTextA(hWnd, IDC_STAT_PRINTER, sw->printer->name.c_str());
      ::SetDlgItemTextA(hWnd, IDC_STAT_MODEL, sw->printer->model.c_str());
      Refresh(hWnd, sw);
      ::SetTimer(hWnd, kRefreshTimer, kRefreshPeriodMs, nullptr);
      return 0;
    }
    case WM_TIMER:
      if (wParam == kRefreshTimer && sw != nullptr) Refresh(hWnd, sw);
      return 0;
    case WM_COMMAND:
      if (LOWORD(wParam) == IDC_STAT_PREFS && sw != nullptr) {
        ShowPreferences(*sw->printer, hWnd);
      } else if (LOWORD(wParam) == IDC_STAT_CLOSE || LOWORD(wParam) == IDCANCEL) {
        ::DestroyWindow(hWnd);
      }
      return 0;
    case WM_CTLCOLORSTATIC:
      ::SetBkMode(reinterpret_cast<HDC>(wParam), TRANSPARENT);
      return reinterpret_cast<LRESULT>(::GetSysColorBrush(COLOR_BTNFACE));
    case WM_DESTROY:
      ::KillTimer(hWnd, kRefreshTimer);
      ::PostQuitMessage(0);
      return 0;
  }
  return ::DefWindowProcA(hWnd, message, wParam, lParam);
}

int ShowStatus(const Printer& printer, HINSTANCE instance, int show) {
  const std::string title = printer.name + kStatusTitleSuffix;
  if (HWND open = ::FindWindowA(kStatusWindowClass, title.c_str())) {
    BringToFront(open);
    return 0;
  }

  WNDCLASSEXA wc = {};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = &StatusProc;
  wc.hInstance = instance;
  wc.hCursor = ::LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));  // IDC_ARROW
  wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1));
  wc.lpszClassName = kStatusWindowClass;
  if (::RegisterClassExA(&wc) == 0) return 1;

  StatusWindow sw;
  sw.printer = &printer;
  LoadPictures(printer, 32, &sw.pictures);
  sw.font = static_cast<HFONT>(::GetStockObject(DEFAULT_GUI_FONT));
  LOGFONTA lf = {};
  ::GetObjectA(sw.font, sizeof lf, &lf);
  lf.lfWeight = FW_BOLD;
  lf.lfHeight = lf.lfHeight < 0 ? lf.lfHeight * 3 / 2 : -16;
  sw.bold = ::CreateFontIndirectA(&lf);

  const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
  RECT rc = {0, 0, 440, 230};
  ::AdjustWindowRectEx(&rc, style, FALSE, 0);
  HWND hWnd = ::CreateWindowExA(0, kStatusWindowClass, title.c_str(), style, CW_USEDEFAULT, CW_USEDEFAULT,
                                rc.right - rc.left, rc.bottom - rc.top, nullptr, nullptr, instance, &sw);
  if (hWnd == nullptr) return 1;
  if (sw.pictures.icon[0] != nullptr)
    ::SendMessageA(hWnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(sw.pictures.icon[0]));
  ::ShowWindow(hWnd, show);
  ::UpdateWindow(hWnd);
  BringToFront(hWnd);

  MSG msg;
  while (::GetMessageA(&msg, nullptr, 0, 0) > 0) {
    if (::IsDialogMessageA(hWnd, &msg)) continue;
    ::TranslateMessage(&msg);
    ::DispatchMessageA(&msg);
  }
  if (sw.bold != nullptr) ::DeleteObject(sw.bold);
  return 0;
}

}  // namespace

int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE /*hPrevInstance*/, LPSTR lpCmdLine, int nShowCmd) {
  CCmdLineInfo info;
  info.m_szCmdLine = lpCmdLine != nullptr ? lpCmdLine : "";
  info.ApplySwitches();

  Printer p;
  p.printer = info.m_szPrinterName;
  p.driver = info.m_szDriverName;
  p.port = info.m_szPortName;
  p.model = info.m_szModelID;
  p.name = p.printer.empty() ? p.port : p.printer;
  if (p.name.empty()) return 1;
  // The direct form carries no driver: the spooler knows it, and the model follows.
  if (p.driver.empty() && !p.printer.empty()) {
    const SpoolerState state = QuerySpooler(p.printer);
    p.driver = state.driver;
    if (p.port.empty()) p.port = state.port;
  }
  if (p.model.empty() && !p.driver.empty()) {
    ByteString model;
    GetDriverModelID(p.printer.c_str(), p.driver.c_str(), model);
    p.model = model;
  }

  if (info.m_fE) return ShowPreferences(p, nullptr);
  return ShowStatus(p, hInstance, nShowCmd == SW_HIDE ? SW_SHOWNORMAL : nShowCmd);
}
