#include "sampledriver/launcher/launchcommon.h"

#include <windows.h>

std::string OwnFolder() {
  std::string path(MAX_PATH, '\0');
  for (;;) {
    const DWORD n = ::GetModuleFileNameA(nullptr, &path[0], static_cast<DWORD>(path.size()));
    if (n == 0) return std::string();
    if (n < path.size()) {
      path.resize(n);
      break;
    }
    path.resize(path.size() * 2);
  }
  const std::string::size_type slash = path.find_last_of('\\');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string LengthSwitch(const char* name, const std::string& value) {
  return std::string("/") + name + std::to_string(value.size()) + " \"" + value + "\"";
}
