// The Windows half of CCmdLineInfo: following "/F" into parameter files and completing
// printer data from the spooler.
#include <windows.h>

#include "app/cmdline.h"
#include "app/paramfile.h"
#include "base/text260.h"
#include "settings/driverkeys.h"
#include "settings/spooler.h"

CCmdLineInfo::CCmdLineInfo(const char* text) {
  m_szCmdLine = text != nullptr ? text : "";
  Parse();
}

int CCmdLineInfo::Parse() {
  if (!ParseAt(0)) return 0;
  // Once, over the switches of every file read: a nested file's level would ask the
  // spooler and the setup data again for the same answer.
  CompletePrinterInfo();
  CompleteModelID();
  return 1;
}

int CCmdLineInfo::ParseAt(int depth) {
  if (ApplySwitches()) {
    // Files nested deeper than this are not read: a file that names itself, or a ring
    // of files, would otherwise be followed for ever.
    if (depth >= kMaxParamFileDepth) return 0;

    CFileReader reader;
    char* text = nullptr;
    // As given (relative to the current folder), else in the temporary folder, where
    // the package's programs put the files they hand each other by bare name.
    if (!reader.Read(m_szParamFile.c_str(), &text, nullptr)) {
      m_szTempDir = GetParamFileFolder();
      Text260 joined;
      if (!TEXT_FORMAT(joined, "%s%s", m_szTempDir.c_str(), m_szParamFile.c_str())) return 0;
      if (!reader.Read(joined, &text, nullptr)) {
        DeleteParamFile(joined);
        reader.Release();
        return 0;
      }
    }
    m_szCmdLine = text;
    ParseAt(depth + 1);  // a nested file that cannot be read ends only its own level
    // A file named by a start-up entry is read again at the next start.
    if (m_IconFrom == 0) reader.RemoveFile();
    reader.Release();
  }
  return 1;
}

int CCmdLineInfo::CompleteModelID() {
  if (!m_szModelID.empty()) return 1;
  if (m_szDriverName.empty()) return 0;
  GetDriverModelID(m_szPrinterName.c_str(), m_szDriverName.c_str(), m_szModelID);
  return m_szModelID.empty() ? 0 : 1;
}

int CCmdLineInfo::CompletePrinterInfo() {
  if (!m_szDriverName.empty() && !m_szPortName.empty()) return 1;
  if (m_szPrinterName.empty()) return 0;
  Text260 driver;
  Text260 port;
  if (!GetPrinterDriverAndPort(m_szPrinterName.c_str(), driver, sizeof driver, port, sizeof port)) return 0;
  m_szDriverName = driver;
  m_szPortName = port;
  // The spooler may know only one of the two; that is not a completed printer.
  return (!m_szDriverName.empty() && !m_szPortName.empty()) ? 1 : 0;
}
