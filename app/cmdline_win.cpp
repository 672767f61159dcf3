// The Windows half of CCmdLineInfo: following "/F" into parameter files and completing
// printer data from the spooler.
#include <windows.h>

#include "app/cmdline.h"
#include "app/paramfile.h"
#include "base/text260.h"
#include "settings/spooler.h"

CCmdLineInfo::CCmdLineInfo(const char* text) {
  m_szCmdLine = text != nullptr ? text : "";
  Parse();
}

int CCmdLineInfo::Parse() { return ParseAt(0); }

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
    ParseAt(depth + 1);
    // A file named by a start-up entry is read again at the next start.
    if (m_IconFrom == 0) reader.RemoveFile();
    reader.Release();
  }
  // The model identifier is completed by the caller once driver key lookups exist.
  CompletePrinterInfo();
  return 1;
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
