// Starting programs, and the driver-update program the extension commands may name.
#include <windows.h>

#include <cstring>

#include "app/dbglog.h"
#include "drvdata/setupreglookup.h"
#include "frame/mainframe.h"
#include "settings/driverkeys.h"

BOOL CMainFrame::StartExe(char* commandLine) {
  DbgLogStr("CMainFrame::StartExe : lpszCmdLine", commandLine != nullptr ? commandLine : "");
  STARTUPINFOA si = {};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi = {};
  const BOOL started = ::CreateProcessA(nullptr, commandLine, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi);
  if (started) {
    ::CloseHandle(pi.hThread);
    ::CloseHandle(pi.hProcess);
  }
  return started;
}

int CMainFrame::GetDriverUpdateExeName(char* name, std::size_t nameSize, char* folder, std::size_t folderSize) {
  DbgLog("CMainFrame::GetDriverUpdateExeName");
  if (name == nullptr || nameSize == 0) return 0;
  const bool wantFolder = folder != nullptr && folderSize != 0;
  name[0] = '\0';
  if (wantFolder) folder[0] = '\0';

  Text260 driverKey = {};
  if (!FormatDriverKey(driverKey, sizeof driverKey, m_szDriverName)) return 0;
  const ByteString value = CSetupRegLookup().QueryByPrinter(m_szPrinterName, driverKey, "DriverUpdateName");
  DbgLogStr("CMainFrame::GetDriverUpdateExeName : csValue", value.c_str());
  if (value.empty()) return 0;

  // Drive, folder (with its trailing separator) and file name, split as the C runtime
  // splits a path: the drive is a letter and a colon, the folder ends at the last slash
  // or backslash.
  const char* path = value.c_str();
  std::size_t driveLength = (value.size() >= 2 && path[1] == ':') ? 2 : 0;
  std::size_t fileStart = driveLength;
  for (std::size_t i = driveLength; i < value.size(); ++i) {
    if (path[i] == '\\' || path[i] == '/') fileStart = i + 1;
  }
  if (fileStart - driveLength > 255) return 0;  // longer than any folder the split keeps

  if (!TextCopy(name, nameSize, path + fileStart)) return 0;
  for (char* p = name; *p != '\0'; ++p) *p = ToUpperAscii(*p);

  if (wantFolder) {
    if (!TextCopyN(folder, folderSize, path, fileStart)) return 0;
    DbgLogStr("CMainFrame::GetDriverUpdateExeName : Path", folder);
  }
  return 1;
}

int CMainFrame::IsDriverUpdateMenu(const char* value, const char* name) {
  DbgLog("CMainFrame::IsDriverUpdateMenu");
  if (value == nullptr || name == nullptr || value[0] == '\0' || name[0] == '\0') return 0;
  // With case: the name is upper case, so only a value that spells it so qualifies.
  return std::strstr(value, name) != nullptr ? 1 : 0;
}
