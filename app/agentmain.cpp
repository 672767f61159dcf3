// The entry sequence of the agent: start-up, message loop, exit step.
#include <windows.h>
#include <commctrl.h>

#include <new>

#include "app/cmdline.h"
#include "app/dbglog.h"
#include "app/trayiconapp.h"
#include "base/text260.h"
#include "drvinfo/drvinfolib.h"
#include "frame/mainframe.h"
#include "instmap/maprecords.h"

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

  // The window procedure reaches the frame through g_pMainFrame, so it is set before the
  // window exists.
  g_pMainFrame = new (std::nothrow) CMainFrame;
  if (g_pMainFrame == nullptr) return false;
  CMainFrame& frame = *g_pMainFrame;
  frame.CreateFrameWindow(kAgentWindowClass, kAgentWindowTitle, kAgentWindowStyle, hInstance, nullptr);

  if (!TextCopy(frame.m_szModelID, cmdInfo.m_szModelID.c_str()) ||
      !TextCopy(frame.m_szPrinterName, cmdInfo.m_szPrinterName.c_str()) ||
      !TextCopy(frame.m_szPortName, cmdInfo.m_szPortName.c_str()) ||
      !TextCopy(frame.m_szDriverName, cmdInfo.m_szDriverName.c_str())) {
    return false;
  }
  frame.m_fRemove = cmdInfo.m_fRemove;
  frame.m_fIconInstall = cmdInfo.m_fIconInstall;

  const int result = frame.StartUp();
  DbgLogInt("MainFrame.StartUp() : Result", result);
  if (result == -1) {
    // This printer is not to be served: nothing should start an agent for it again.
    DeleteStartupReg(cmdInfo.m_szPrinterName.c_str(), cmdInfo.m_szParamFile.c_str());
    if (!cmdInfo.m_szParamFile.empty()) cmdInfo.DeleteParamFile(cmdInfo.m_szParamFile.c_str());
    frame.DisableIconReg();
    frame.DestroyWindow();
    return false;
  }
  if (result == 0) {
    frame.DestroyWindow();
    return false;
  }
  ::ShowWindow(frame.m_hWnd, SW_HIDE);
  ::UpdateWindow(frame.m_hWnd);
  return true;
}

void CTrayIconApp::ExitInstance() {
  delete g_pMainFrame;
  g_pMainFrame = nullptr;
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
