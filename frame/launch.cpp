// The status window and the monitoring preferences: both belong to the package's status
// window program, reached through its launcher, which is handed the printer in a
// parameter file or, when none can be written, in length-prefixed switches.
#include <windows.h>

#include <cstring>

#include "app/cmdline.h"
#include "app/dbglog.h"
#include "base/text260.h"
#include "frame/mainframe.h"
#include "settings/driverkeys.h"

namespace {

// The launcher's command line: 519 characters and the terminator.
constexpr std::size_t kLaunchCommandSize = 520;

// The launcher path as it starts the command line. A path with a blank in it is quoted:
// unquoted, the system would try every prefix that ends at a blank as a program first
// ("C:\Program.exe" for "C:\Program Files\..."), and start whatever it finds there.
bool FormatProgram(char* out, std::size_t size, const char* path) {
  if (std::strpbrk(path, " \t") != nullptr) return TextFormat(out, size, "\"%s\"", path);
  return TextCopy(out, size, path);
}

void ShowLaunchError(const CMainFrame& frame, const char* text) {
  ::MessageBoxA(frame.m_hWnd, text, frame.m_szMsgTitle, MB_OK);
}

void Launch(CMainFrame& frame, int prefs, const char* errorText) {
  Text260 launcher = {};
  if (!GetLauncherPath(launcher, sizeof launcher, frame.m_szDriverName, frame.m_szModelID, frame.m_szPrinterName) ||
      frame.StartZELTExe(launcher, prefs) == 0) {
    ShowLaunchError(frame, errorText);
  }
}

}  // namespace

void CMainFrame::OnStatusWindow() { Launch(*this, 0, m_szMsgStatusErr); }

void CMainFrame::OnMonitorPrefs() { Launch(*this, 1, m_szMsgPrefErr); }

int CMainFrame::StartZELTExe(const char* launcherPath, int prefs) {
  DbgLog("CMainFrame::StartZELTExe");
  if (launcherPath == nullptr || launcherPath[0] == '\0') return 0;

  CCmdLineInfo info;
  info.m_szPrinterName = m_szPrinterName;
  // The printer may have moved to another port since start-up: pass on where it is now.
  if (info.CompletePrinterInfo() == 1) {
    // Checked before copying: a failed copy would empty the port the frame still knows.
    if (info.m_szPortName.size() >= sizeof m_szPortName) return 0;
    TextCopy(m_szPortName, info.m_szPortName.c_str());
  }
  DbgLogStr("CMainFrame::StartZELTExe : printer name", m_szPrinterName);
  DbgLogStr("CMainFrame::StartZELTExe : port name", m_szPortName);
  DbgLogStr("CMainFrame::StartZELTExe : model id", m_szModelID);
  if (prefs) info.m_fE = 1;

  char program[kLaunchCommandSize] = {};
  if (!FormatProgram(program, sizeof program, launcherPath)) return 0;

  char command[kLaunchCommandSize] = {};
  bool fits = false;
  const bool paramFile = info.MakeParamFile(m_szPrinterName, m_szPortName, m_szModelID) == 1;
  if (paramFile) {
    DbgLog("CMainFrame::StartZELTExe : Parameter file");
    fits = TEXT_FORMAT(command, "%s /F \"%s\"", program, info.m_szTempName.c_str());
  } else {
    // Each length counts the bytes between the quotes, so a value may hold anything,
    // double quotes included.
    fits = TEXT_FORMAT(command, "%s /P%d \"%s\" /O%d \"%s\" /M%d \"%s\" %s", program,
                       static_cast<int>(std::strlen(m_szPrinterName)), m_szPrinterName,
                       static_cast<int>(std::strlen(m_szPortName)), m_szPortName,
                       static_cast<int>(std::strlen(m_szModelID)), m_szModelID, prefs ? "/E" : "");
  }
  if (!fits) {
    // Nobody is started to read the file: it would only be left behind.
    if (paramFile) info.DeleteParamFile(info.m_szTempName.c_str());
    return 0;
  }

  DbgLogStr("CMainFrame::StartZELTExe : command line", command);
  if (!StartExe(command)) {
    if (paramFile) info.DeleteParamFile(info.m_szTempName.c_str());
    return 0;
  }
  return 1;
}
