// Sample ink-service library of the KORVA sample driver, KVSINK01.DLL. The status monitor
// tells it through FY07VenrikCloseExA that a printer has been deleted; it may be told so
// more than once for the same printer. This sample only records the calls, as lines
// appended to KVSINK01.LOG in the temporary folder: "FY07VenrikCloseExA", the printer
// name and the process id, separated by tabs, ending in CR LF. It returns 0.
#include <windows.h>

#include <string>

// The C calling form: the caller removes the argument.
extern "C" int __cdecl FY07VenrikCloseExA(const char* printerName);

namespace {

void Record(const std::string& line) {
  char temp[MAX_PATH + 1] = {};
  const DWORD n = ::GetTempPathA(MAX_PATH, temp);
  if (n == 0 || n > MAX_PATH) return;
  const std::string path = std::string(temp) + "KVSINK01.LOG";
  HANDLE file = ::CreateFileA(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  DWORD written = 0;
  ::WriteFile(file, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
  ::CloseHandle(file);
}

}  // namespace

extern "C" int __cdecl FY07VenrikCloseExA(const char* printerName) {
  Record(std::string("FY07VenrikCloseExA\t") + (printerName != nullptr ? printerName : "") + "\t" +
         std::to_string(::GetCurrentProcessId()) + "\r\n");
  return 0;
}
