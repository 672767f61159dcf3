// Sample ink-service library of the KORVA sample driver, KVSINK01.DLL. The status monitor
// tells it through FY07VenrikCloseExA that a printer has been deleted; it may be told so
// more than once for the same printer. This sample only records the calls, as lines
// appended to KVSINK01.LOG in the temporary folder: "FY07VenrikCloseExA", the printer
// name and the process id, separated by tabs, ending in CR LF. It returns 0.
#include <windows.h>

#include "sampledriver/common/samplefiles.h"

#include <string>

// The C calling form: the caller removes the argument.
extern "C" int __cdecl FY07VenrikCloseExA(const char* printerName);

namespace {

void Record(const std::string& line) { AppendToFile(TempFilePath("KVSINK01.LOG"), line); }

}  // namespace

extern "C" int __cdecl FY07VenrikCloseExA(const char* printerName) {
  Record(std::string("FY07VenrikCloseExA\t") + (printerName != nullptr ? printerName : "") + "\t" +
         std::to_string(::GetCurrentProcessId()) + "\r\n");
  return 0;
}
