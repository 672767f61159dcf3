#include "tests/support/winsupport.h"

#include "sampledriver/installer/samplepackage.h"

#include <shlwapi.h>

#include "base/winhandle.h"

namespace testsupport {

std::string ExeDir() {
  char path[MAX_PATH] = {};
  DWORD n = ::GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string s(path, n);
  const std::size_t slash = s.find_last_of("\\/");
  return slash == std::string::npos ? std::string(".\\") : s.substr(0, slash + 1);
}

std::string SiblingPath(const char* fileName) { return ExeDir() + fileName; }

long RunProcess(const std::string& commandLine, DWORD timeoutMs) {
  std::vector<char> cmd(commandLine.begin(), commandLine.end());
  cmd.push_back('\0');
  STARTUPINFOA si = {};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi = {};
  if (!::CreateProcessA(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return -1;
  UniqueHandle process(pi.hProcess);
  UniqueHandle thread(pi.hThread);
  if (::WaitForSingleObject(process.Get(), timeoutMs) != WAIT_OBJECT_0) {
    ::TerminateProcess(process.Get(), 1);
    return -1;
  }
  DWORD code = 0;
  if (!::GetExitCodeProcess(process.Get(), &code)) return -1;
  return static_cast<long>(code);
}

std::string TempFolder() {
  char buf[MAX_PATH] = {};
  const DWORD n = ::GetTempPathA(MAX_PATH, buf);
  return std::string(buf, n);
}

std::string ScratchFolder(const std::string& name) {
  const std::string dir = TempFolder() + name;
  CreateFolders(dir);
  return dir;
}

spoolsetup::DriverPackage DummyDriverPackage(const char* driverName, const char* prefix,
                                             const std::vector<std::string>& dependentFiles) {
  spoolsetup::DriverPackage p;
  p.name = driverName;
  p.sourceDir = ScratchFolder(std::string(prefix) + "_driver");
  p.driverFile = std::string(prefix) + "DRV.DLL";
  p.dataFile = std::string(prefix) + "DATA.DAT";
  p.configFile = std::string(prefix) + "UI.DLL";
  p.dependentFiles = dependentFiles;
  std::vector<std::string> files = {p.driverFile, p.dataFile, p.configFile};
  files.insert(files.end(), dependentFiles.begin(), dependentFiles.end());
  for (const std::string& f : files) WriteWholeFile(p.sourceDir + "\\" + f, "contents of " + f);
  return p;
}

bool FileExists(const std::string& path) {
  const DWORD attr = ::GetFileAttributesA(path.c_str());
  return attr != INVALID_FILE_ATTRIBUTES && !(attr & FILE_ATTRIBUTE_DIRECTORY);
}

bool ReadWholeFile(const std::string& path, std::string* out) {
  UniqueFile file(::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return false;
  out->clear();
  char buf[65536];
  for (;;) {
    DWORD got = 0;
    if (!::ReadFile(file.Get(), buf, sizeof buf, &got, nullptr)) return false;
    if (got == 0) return true;
    out->append(buf, got);
  }
}

bool WriteWholeFile(const std::string& path, const std::string& data) {
  UniqueFile file(
      ::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return false;
  DWORD written = 0;
  return ::WriteFile(file.Get(), data.data(), static_cast<DWORD>(data.size()), &written, nullptr) &&
         written == data.size();
}

bool RemoveFileIfPresent(const std::string& path) {
  if (!FileExists(path)) return true;
  return ::DeleteFileA(path.c_str()) != 0;
}

bool CreateFolders(const std::string& folder) {
  std::string partial;
  for (std::size_t i = 0; i <= folder.size(); ++i) {
    if (i == folder.size() || folder[i] == '\\' || folder[i] == '/') {
      if (!partial.empty() && partial.back() != ':') ::CreateDirectoryA(partial.c_str(), nullptr);
    }
    if (i < folder.size()) partial += folder[i];
  }
  const DWORD attr = ::GetFileAttributesA(folder.c_str());
  return attr != INVALID_FILE_ATTRIBUTES && (attr & FILE_ATTRIBUTE_DIRECTORY);
}

bool SetRegValue(HKEY root, const char* subKey, const char* name, DWORD type, const void* data, DWORD size) {
  UniqueHKey key;
  if (::RegCreateKeyExA(root, subKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key.Receive(), nullptr) !=
      ERROR_SUCCESS)
    return false;
  return ::RegSetValueExA(key.Get(), name, 0, type, static_cast<const BYTE*>(data), size) == ERROR_SUCCESS;
}

bool SetRegDword(HKEY root, const char* subKey, const char* name, DWORD value) {
  return SetRegValue(root, subKey, name, REG_DWORD, &value, sizeof value);
}

bool DeleteRegValue(HKEY root, const char* subKey, const char* name) {
  UniqueHKey key;
  if (::RegOpenKeyExA(root, subKey, 0, KEY_ALL_ACCESS, key.Receive()) != ERROR_SUCCESS) return true;
  const LONG rc = ::RegDeleteValueA(key.Get(), name);
  return rc == ERROR_SUCCESS || rc == ERROR_FILE_NOT_FOUND;
}

bool DeleteRegTree(HKEY root, const char* subKey) {
  const DWORD rc = ::SHDeleteKeyA(root, subKey);
  return rc == ERROR_SUCCESS || rc == ERROR_FILE_NOT_FOUND;
}

std::vector<std::string> SplitCrLfLines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    const std::size_t end = text.find("\r\n", start);
    if (end == std::string::npos) {
      lines.push_back(text.substr(start));
      break;
    }
    lines.push_back(text.substr(start, end - start));
    start = end + 2;
  }
  return lines;
}

bool AddSamplePrinter(const char* printerName, const char* driverName, const char* portName, std::string* error) {
  spoolsetup::DeleteLocalPrinter(printerName, nullptr);
  return spoolsetup::InstallDriver(samplepackage::Package(driverName, ExeDir()), error) &&
         spoolsetup::AddLocalPrinter(printerName, driverName, portName, error);
}

std::string FindTargetEntry(const char* printerName) {
  static const char kTargetList[] = "Software\\KORVA\\ZELT3\\ZELTData\\KVLTarget";
  HKEY list = nullptr;
  if (::RegOpenKeyExA(HKEY_CURRENT_USER, kTargetList, 0, KEY_READ, &list) != ERROR_SUCCESS) return "";
  std::string found;
  char sub[260];
  for (DWORD i = 0;; ++i) {
    DWORD n = sizeof sub;
    if (::RegEnumKeyExA(list, i, sub, &n, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    char name[260] = {};
    DWORD size = sizeof name;
    if (::RegGetValueA(list, sub, "Name", RRF_RT_REG_SZ, nullptr, name, &size) == ERROR_SUCCESS &&
        ::lstrcmpiA(name, printerName) == 0) {
      found = std::string(kTargetList) + "\\" + sub;
      break;
    }
  }
  ::RegCloseKey(list);
  return found;
}

std::vector<std::string> LogFileBodies(const std::string& logPath) {
  std::string text;
  ReadWholeFile(logPath, &text);
  std::vector<std::string> bodies;
  for (const std::string& line : SplitCrLfLines(text)) {
    const std::size_t cut = line.find("; ", line.find(';') + 1);
    if (cut != std::string::npos) bodies.push_back(line.substr(cut + 2));
  }
  return bodies;
}

}  // namespace testsupport
