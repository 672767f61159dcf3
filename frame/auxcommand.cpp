// The extension commands of the popup menu: each id names a value in the driver's setup
// data, and the value says what to start.
#include <windows.h>
#include <shellapi.h>

#include "app/cmdline.h"
#include "app/dbglog.h"
#include "drvdata/setupreglookup.h"
#include "frame/auxvalue.h"
#include "frame/mainframe.h"
#include "settings/driverkeys.h"

namespace {

constexpr UINT kFirstShellCommand = 950;
constexpr std::size_t kCommandLineSize = 520;

}  // namespace

void CMainFrame::OnAux(UINT id) {
  DbgLogInt("CMainFrame::OnAux : id", static_cast<std::int32_t>(id));
  Text260 menuKey = {};
  Text260 valueName = {};
  ByteString value;
  if (TEXT_FORMAT(menuKey, "%s%s\\Menu", kDriverKeyPrefix, m_szDriverName) &&
      TEXT_FORMAT(valueName, "%u", id))
    value = CSetupRegLookup().QueryByPrinter(m_szPrinterName, menuKey, valueName);
  DbgLogStr("CMainFrame::OnAux : Param", value.c_str());
  if (value.empty()) return;

  if (id >= kFirstShellCommand) {
    DbgLogStr("over ID:950 param", value.c_str());
    ByteString target;
    ByteString parameters;
    SplitShellCommand(value.c_str(), &target, &parameters);
    DbgLogStr("ExeName", target.c_str());
    DbgLogStr("parameter", parameters.c_str());
    ::ShellExecuteA(nullptr, "open", target.c_str(), parameters.c_str(), nullptr, SW_SHOWNORMAL);
    return;
  }

  const int utility = m_UtyCall.IsUtyCallMenu(m_szDriverName, m_szPrinterName, m_szModelID, value.c_str());
  Text260 updateName = {};
  Text260 updateFolder = {};
  const bool driverUpdate =
      GetDriverUpdateExeName(updateName, sizeof updateName, updateFolder, sizeof updateFolder) == 1 &&
      IsDriverUpdateMenu(value.c_str(), updateName) == 1;

  if (utility == 1) {
    DbgLogStr("CMainFrame::OnUniAux : UtyCall Param", value.c_str());
    m_UtyCall.StartUtyCall(m_szPrinterName, value.c_str());
    return;
  }

  char commandLine[kCommandLineSize] = {};
  if (driverUpdate) {
    // The value comes from a data file: it is used as a format only when its one
    // conversion is the folder's "%s", so that nothing but the folder is ever read.
    if (!FormatDriverUpdateCommand(commandLine, sizeof commandLine, value.c_str(), updateFolder)) {
      DbgLogStr("CMainFrame::OnAux : driver update value refused", value.c_str());
      return;
    }
    DbgLogStr("CMainFrame::OnAux : command line", commandLine);
    StartExe(commandLine);
    return;
  }

  CCmdLineInfo printerInfo;
  printerInfo.m_szPrinterName = m_szPrinterName;
  if (printerInfo.CompletePrinterInfo() != 0 && !TextCopy(m_szPortName, printerInfo.m_szPortName.c_str())) return;
  DbgLogStr("CMainFrame::OnAux : printer name", m_szPrinterName);
  DbgLogStr("CMainFrame::OnAux : port name", m_szPortName);
  DbgLogStr("CMainFrame::OnAux : model id", m_szModelID);
  DbgLogStr("CMainFrame::OnAux : driver name", m_szDriverName);
  if (!TEXT_FORMAT(commandLine, "%s /P \"%s\" /M \"%s\" /D \"%s\" /O \"%s\"", value.c_str(), m_szPrinterName,
                   m_szModelID, m_szDriverName, m_szPortName))
    return;
  DbgLogStr("CMainFrame::OnAux : command line", commandLine);
  StartExe(commandLine);
}
