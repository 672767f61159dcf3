#include "app/trayiconapp.h"

#include <commctrl.h>
#include <shlobj.h>

#include "app/cmdline.h"
#include "app/dbglog.h"
#include "drvinfo/drvinfolib.h"
#include "instmap/maprecords.h"
#include "base/text260.h"

CTrayIconApp theApp;

namespace {
constexpr const char kLogFileBelowAppData[] = "\\KORVA\\ZELT3\\K_TRLOG0.LOG";
constexpr const char kLogFileFallback[] = "C:\\K_TRLOG0.LOG";
}  // namespace

bool BuildLogPath(char* out, std::size_t outSize) {
  char folder[MAX_PATH] = {};
  if (SUCCEEDED(::SHGetFolderPathA(nullptr, CSIDL_COMMON_APPDATA, nullptr, SHGFP_TYPE_CURRENT, folder)) &&
      folder[0] != '\0' && TextFormat(out, outSize, "%s%s", folder, kLogFileBelowAppData)) {
    return true;
  }
  return TextCopy(out, outSize, kLogFileFallback);
}

namespace {

constexpr DWORD kMachineStartDelayMs = 2000;
constexpr DWORD kStartDelayMs = 100;
constexpr DWORD kOtherAgentDelayMs = 1500;

// Staggers agents started together (at log-on every monitored printer starts one).
void WaitBeforeStart(const CCmdLineInfo& cmdInfo) {
  if (cmdInfo.m_IconFrom == 2) {
    ::Sleep(kMachineStartDelayMs);
    return;
  }
  ::Sleep(kStartDelayMs);
  if (!cmdInfo.m_fRemove && ::FindWindowA(kAgentWindowClass, kAgentWindowTitle) != nullptr)
    ::Sleep(kOtherAgentDelayMs);
}

// A printer needs its driver and port; without a printer name, a port alone will do.
bool HasPrinterToServe(CCmdLineInfo& cmdInfo) {
  if (!cmdInfo.m_szPrinterName.empty()) {
    if (cmdInfo.m_szDriverName.empty() || cmdInfo.m_szPortName.empty()) {
      cmdInfo.m_szDriverName.clear();
      cmdInfo.m_szPortName.clear();
      return cmdInfo.CompletePrinterInfo() == 1;
    }
    return true;
  }
  return !cmdInfo.m_szPortName.empty();
}

}  // namespace

bool CTrayIconApp::InitInstance(const char* cmdLine, HINSTANCE hInstance) {
  (void)hInstance;
  DbgLog("CTrayIconApp::InitInstance");
  DbgLogStr("CmdLine", cmdLine != nullptr ? cmdLine : "");

  // The owner-drawn popup menu is the only common-controls user.
  INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_WIN95_CLASSES};
  ::InitCommonControlsEx(&icc);

  // Switches of the command line and of any parameter file it names, with driver and
  // port completed from the spooler.
  CCmdLineInfo cmdInfo(cmdLine);

  // Drivers that bring no information library are not served on the NT line from 5.0 on.
  if (BindDriverInfoLibrary(kDrvInfoByDriver, cmdInfo.m_szDriverName.c_str()) == -1) return false;

  // Registry access of the lookups may now go through that library; ask again.
  cmdInfo.CompleteModelID();
  if (cmdInfo.m_szModelID.empty()) return false;

  DbgLogStr("cmdInfo.m_szPrinterName", cmdInfo.m_szPrinterName.c_str());
  DbgLogStr("cmdInfo.m_szDriverName", cmdInfo.m_szDriverName.c_str());
  DbgLogStr("cmdInfo.m_szPortName", cmdInfo.m_szPortName.c_str());
  DbgLogStr("cmdInfo.m_szModelID", cmdInfo.m_szModelID.c_str());
  DbgLogInt("cmdInfo.m_IconFrom", cmdInfo.m_IconFrom);
  DbgLogInt("cmdInfo.m_fRemove", cmdInfo.m_fRemove);
  DbgLogInt("cmdInfo.m_fIconInstall", cmdInfo.m_fIconInstall);

  WaitBeforeStart(cmdInfo);

  if (!HasPrinterToServe(cmdInfo)) return false;

  // The frame that serves the printer is not part of this build yet: end cleanly.
  return false;
}

void CTrayIconApp::ExitInstance() {
  ReleaseDriverInfoLibrary();
}

int RunTrayAgent(HINSTANCE hInstance, const char* cmdLine) {
  Text260 logPath = {};
  BuildLogPath(logPath, sizeof logPath);
  DbgLogInit(logPath, "K_TDBG");
  SetCmdLineLog(&DbgLog);
  SetInstanceMapLog(&DbgLog);
  DbgLog("***** LOG START ******");

  MSG msg = {};
  if (theApp.InitInstance(cmdLine, hInstance)) {
    for (;;) {
      const BOOL got = ::GetMessageA(&msg, nullptr, 0, 0);
      if (got == 0 || got == -1) break;
      ::TranslateMessage(&msg);
      ::DispatchMessageA(&msg);
    }
  }
  theApp.ExitInstance();

  DbgLog("***** LOG END ******");
  DbgLogClose();
  return static_cast<int>(msg.wParam);
}
