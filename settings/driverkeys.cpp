#include "settings/driverkeys.h"

#include <windows.h>

#include "base/text260.h"
#include "drvdata/setupreglookup.h"

namespace {

bool IsEmpty(const char* s) { return s == nullptr || s[0] == '\0'; }

ByteString Lookup(const char* printerName, const char* driverName, const char* keyPath, const char* valueName) {
  CSetupRegLookup lookup;
  return IsEmpty(printerName) ? lookup.QueryByDriver(driverName, keyPath, valueName)
                              : lookup.QueryByPrinter(printerName, keyPath, valueName);
}

// "PrnDll" or "BmpDll" of the model's section, in the install folder.
int GetModelLibraryPath(const char* key, char* out, std::size_t size, const char* driverName, const char* modelID,
                        const char* printerName) {
  Text260 datPath;
  if (!GetDatPath(datPath, sizeof datPath, driverName, modelID, printerName) || datPath[0] == '\0') return 0;
  Text260 fileName = {};
  const DWORD n = ::GetPrivateProfileStringA(modelID, key, "", fileName, sizeof fileName, datPath);
  // 258 characters and more means the value did not fit (the profile API cuts it short):
  // a cut file name would name another file.
  if (n == 0 || n >= 258) return 0;
  Text260 folder;
  if (!GetInstallPath(folder, sizeof folder, driverName, modelID, printerName) && !TextCopy(folder, ".\\")) return 0;
  return TextFormat(out, size, "%s%s", folder, fileName) ? 1 : 0;
}

}  // namespace

int FormatDriverKey(char* out, std::size_t size, const char* driverName) {
  return TextFormat(out, size, "%s%s", kDriverKeyPrefix, driverName != nullptr ? driverName : "") ? 1 : 0;
}

int GetDriverModelID(const char* printerName, const char* driverName, ByteString& out) {
  Text260 key;
  out.clear();
  if (FormatDriverKey(key, sizeof key, driverName)) out = CSetupRegLookup().QueryByPrinter(printerName, key, "ModelID");
  return 1;
}

int FileExists(const char* path) {
  if (IsEmpty(path)) return 0;
  WIN32_FIND_DATAA found;
  HANDLE search = ::FindFirstFileA(path, &found);
  if (search == INVALID_HANDLE_VALUE) return 0;
  ::FindClose(search);
  return 1;
}

int GetDriverKeyValue(char* out, std::size_t size, const char* valueName, const char* driverName,
                      const char* modelID, const char* printerName) {
  if (out == nullptr || !TextCopy(out, size, "")) return 0;
  if (IsEmpty(driverName) || IsEmpty(modelID)) return 0;
  Text260 key;
  if (!FormatDriverKey(key, sizeof key, driverName)) return 0;
  const ByteString value = Lookup(printerName, driverName, key, valueName);
  if (value.empty()) return 0;
  return TextCopy(out, size, value.c_str()) ? 1 : 0;
}

int GetInstallPath(char* out, std::size_t size, const char* driverName, const char* modelID,
                   const char* printerName) {
  if (out == nullptr) return 0;
  Text260 folder;
  if (IsEmpty(modelID) || !GetDriverKeyValue(folder, sizeof folder, "InstallPath", driverName, modelID, printerName)) {
    TextCopy(out, size, "");
    return 0;
  }
  const std::size_t len = TextLength(folder, sizeof folder);
  if (len > 0 && folder[len - 1] == '\\') folder[len - 1] = '\0';
  if (!FileExists(folder) || !TextAppend(folder, "\\")) {
    TextCopy(out, size, "");
    return 0;
  }
  return TextCopy(out, size, folder) ? 1 : 0;
}

int GetDriverFilePath(char* out, std::size_t size, const char* valueName, const char* defaultFileName,
                      const char* driverName, const char* modelID, const char* printerName) {
  if (out == nullptr) return 0;
  Text260 key;
  if (!FormatDriverKey(key, sizeof key, driverName)) return 0;
  if (GetDriverKeyValue(out, size, valueName, driverName, modelID, printerName) && FileExists(out)) return 1;
  Text260 folder;
  if (!GetInstallPath(folder, sizeof folder, driverName, modelID, printerName)) return 0;
  if (!TextFormat(out, size, "%s%s", folder, defaultFileName != nullptr ? defaultFileName : "")) return 0;
  return FileExists(out);
}

int GetDatPath(char* out, std::size_t size, const char* driverName, const char* modelID, const char* printerName) {
  if (out == nullptr || !TextCopy(out, size, "")) return 0;
  if (IsEmpty(driverName) || IsEmpty(modelID)) return 0;
  if (GetDriverFilePath(out, size, "Profile", "", driverName, modelID, printerName) == 1) return 1;
  const ByteString value = Lookup(printerName, driverName, kProfileKey, modelID);
  if (value.empty()) {
    TextCopy(out, size, "");
    return 0;
  }
  return TextCopy(out, size, value.c_str()) ? 1 : 0;
}

int GetPrnDllPath(char* out, std::size_t size, const char* driverName, const char* modelID,
                  const char* printerName) {
  return GetModelLibraryPath("PrnDll", out, size, driverName, modelID, printerName);
}

int GetBmpDllPath(char* out, std::size_t size, const char* driverName, const char* modelID,
                  const char* printerName) {
  return GetModelLibraryPath("BmpDll", out, size, driverName, modelID, printerName);
}

int GetLauncherPath(char* out, std::size_t size, const char* driverName, const char* modelID,
                    const char* printerName) {
  return GetDriverFilePath(out, size, "K_XRUN", "K_XRUN01.EXE", driverName, modelID, printerName);
}
