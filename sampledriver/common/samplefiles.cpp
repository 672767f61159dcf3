#include "sampledriver/common/samplefiles.h"

std::string ModuleFolder(HMODULE module) {
  std::string path(MAX_PATH, '\0');
  for (;;) {
    const DWORD n = ::GetModuleFileNameA(module, &path[0], static_cast<DWORD>(path.size()));
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

std::string TempFilePath(const char* fileName) {
  char temp[MAX_PATH + 1] = {};
  const DWORD n = ::GetTempPathA(MAX_PATH, temp);
  if (n == 0 || n > MAX_PATH) return std::string();
  return std::string(temp) + fileName;
}

bool AppendToFile(const std::string& path, const std::string& bytes) {
  if (path.empty()) return false;
  HANDLE file = ::CreateFileA(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  const BOOL ok = ::WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  ::CloseHandle(file);
  return ok && written == bytes.size();
}
