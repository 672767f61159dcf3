// Opens a printer with KV_OpenPrinter and reports how it went as the exit code: 0 when
// it opened, otherwise the thread's last error. The name comes as hex bytes, so any
// byte reaches it unchanged.
#include <windows.h>

#include <cstdlib>
#include <string>

#include "base/winhandle.h"
#include "settings/spooler.h"

int main(int argc, char** argv) {
  if (argc != 2) return -1;
  std::string name;
  for (const char* p = argv[1]; p[0] != '\0' && p[1] != '\0'; p += 2) {
    const char hex[3] = {p[0], p[1], '\0'};
    name += static_cast<char>(std::strtoul(hex, nullptr, 16));
  }
  HANDLE handle = nullptr;
  const BOOL opened = KV_OpenPrinter(name.c_str(), &handle, nullptr);
  const DWORD error = ::GetLastError();
  UniquePrinter printer(handle);
  return opened ? 0 : static_cast<int>(error);
}
