#include "app/trayiconapp.h"

#include <commctrl.h>
#include <shlobj.h>

#include "app/cmdline.h"
#include "app/dbglog.h"
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

  // The driver information library cannot be bound yet, and without it the agent does
  // not start: end cleanly.
  return false;
}

void CTrayIconApp::ExitInstance() {
  // Nothing is held yet past InitInstance; the frame and the driver information
  // library binding are released here once start-up acquires them.
}

int RunTrayAgent(HINSTANCE hInstance, const char* cmdLine) {
  Text260 logPath = {};
  BuildLogPath(logPath, sizeof logPath);
  DbgLogInit(logPath, "K_TDBG");
  SetCmdLineLog(&DbgLog);
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
