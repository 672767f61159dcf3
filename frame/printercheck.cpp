// The timers that follow the printer, and the clean-up after a deleted printer.
#include <windows.h>

#include "app/dbglog.h"
#include "app/trayiconapp.h"
#include "drvdata/setupreglookup.h"
#include "frame/mainframe.h"
#include "settings/driverkeys.h"
#include "settings/registrykey.h"
#include "settings/spooler.h"
#include "settings/targetreg.h"

namespace {

// The ink service is told with the C calling form: the caller removes the argument.
using VenrikCloseFn = int(__cdecl*)(const char* printerName);

}  // namespace

CMainFrame::PrinterState CMainFrame::QueryPrinterState() {
  DbgLog("enter : KV_OpenPrinter");
  HANDLE printer = nullptr;
  ::SetLastError(ERROR_SUCCESS);
  const BOOL opened = KV_OpenPrinter(m_szPrinterName, &printer, nullptr);
  const DWORD error = ::GetLastError();
  DbgLog("exit : KV_OpenPrinter");
  DbgLogInt("result", opened);
  if (opened && printer != nullptr) {
    ::ClosePrinter(printer);
    return PrinterState::kExists;
  }
  if (printer != nullptr) ::ClosePrinter(printer);
  // Only the spooler's word that the printer does not exist counts as a deletion: a
  // spooler that is restarting, or a passing access problem, must not make the agent
  // delete the user's start-up entry and settings.
  if (error == ERROR_INVALID_PRINTER_NAME) return PrinterState::kDeleted;
  DbgLogInt("CMainFrame::ChkDelPrn : printer not reachable, error", static_cast<std::int32_t>(error));
  return PrinterState::kUnknown;
}

int CMainFrame::ChkDelPrn() {
  DbgLog("CMainFrame::ChkDelPrn : start");
  DbgLogStr("PrinterName", m_szPrinterName);
  if (QueryPrinterState() != PrinterState::kDeleted) return 1;

  if (m_nPrinterCheckTimer != 0) {
    ::KillTimer(m_hWnd, m_nPrinterCheckTimer);
    m_nPrinterCheckTimer = 0;
  }
  DbgLog("Delete Reg HKCU\\run");
  const bool portList = m_szPrinterName[0] == '\0';
  const char* name = portList ? m_szPortName : m_szPrinterName;

  theApp.DelOldIconRegFile(HKEY_CURRENT_USER, kStartupRunKey, name);
  {
    CRegistryKey run;
    if (run.Open(HKEY_CURRENT_USER, kStartupRunKey, KEY_ALL_ACCESS)) run.DeleteValue(name);
  }

  Text260 entry = {};
  FindTargetKey(name, portList ? TRUE : FALSE, entry, sizeof entry);
  {
    const char* listKey = portList ? kTargetListPorts : kTargetListPrinters;
    CRegistryKey list;
    if (list.Open(HKEY_CURRENT_USER, listKey, KEY_ALL_ACCESS) && entry[0] != '\0') {
      const char* last = entry;
      for (const char* p = entry; *p != '\0'; ++p) {
        if (*p == '\\') last = p + 1;
      }
      ::RegDeleteKeyA(list.m_hKey, last);
    }
  }

  DbgLog("get smart venrik dll name");
  Text260 driverKey = {};
  ByteString venrik;
  if (FormatDriverKey(driverKey, sizeof driverKey, m_szDriverName))
    venrik = CSetupRegLookup().QueryByDriver(m_szDriverName, driverKey, "SMRT_VENRIK");
  if (!venrik.empty()) {
    DbgLogStr("load smart venrik dll", venrik.c_str());
    HMODULE library = ::LoadLibraryA(venrik.c_str());
    DbgLogInt("load smart venrik dll", static_cast<std::int32_t>(::GetLastError()));
    if (library != nullptr) {
      const auto closeFn = reinterpret_cast<VenrikCloseFn>(
          reinterpret_cast<void*>(::GetProcAddress(library, "FY07VenrikCloseExA")));
      if (closeFn != nullptr) {
        DbgLogStr("call smart venrik api", m_szPrinterName);
        DbgLogInt("result", closeFn(m_szPrinterName));
      }
      ::FreeLibrary(library);
    }
  }
  return 0;
}

void CMainFrame::OnTimer(UINT_PTR id) {
  if (id == ID_TIMER_ICONRETRY && m_nIconRetries != 0) {
    OnIconRetry();
    return;
  }
  if (m_nMaskCheckTimer != 0 && id == m_nMaskCheckTimer) {
    DbgLog("CMainFrame::OnTimer : Mask check");
    ::KillTimer(m_hWnd, m_nMaskCheckTimer);
    m_nMaskCheckTimer = 0;
    // Monitoring switched off ends the agent; so does a deleted printer, after its
    // clean-up. A printer that merely cannot be reached now is asked again next time.
    if (IsZeltInvalid(m_szPrinterName) == 1 && QueryPrinterState() != PrinterState::kUnknown) {
      ChkDelPrn();
      ::PostMessageA(m_hWnd, WM_CLOSE, 0, 0);
    } else {
      m_nMaskCheckTimer = static_cast<std::uint32_t>(::SetTimer(m_hWnd, ID_TIMER_MASKCHECK, kMaskCheckPeriodMs, nullptr));
    }
    return;
  }
  if (m_nPrinterCheckTimer != 0 && id == m_nPrinterCheckTimer) {
    DbgLog("CMainFrame::OnTimer : Printer check");
    ::KillTimer(m_hWnd, m_nPrinterCheckTimer);
    m_nPrinterCheckTimer = 0;
    if (m_fIconInstall || ChkDelPrn() == 1)
      m_nPrinterCheckTimer = static_cast<std::uint32_t>(::SetTimer(m_hWnd, ID_TIMER_PRINTERCHECK, m_nEndTime, nullptr));
    else
      ::PostMessageA(m_hWnd, WM_CLOSE, 0, 0);
  }
}
