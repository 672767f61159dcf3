// Clean-up of the user's start-up list and the parameter files its entries name.
#include <windows.h>

#include "app/dbglog.h"
#include "app/trayiconapp.h"
#include "base/bytestring.h"
#include "settings/registrykey.h"

void CTrayIconApp::DeleteStartupReg(const char* valueName, const char* searchText) {
  DbgLog("CTrayIconApp::DeleteStartupReg");
  CRegistryKey key;
  if (!key.Open(HKEY_CURRENT_USER, kStartupRunKey, KEY_ALL_ACCESS)) return;
  if (valueName != nullptr && valueName[0] != '\0') {
    key.DeleteValue(valueName);
    return;
  }
  if (searchText == nullptr || searchText[0] == '\0') return;
  // Only the first match goes: the entry that started this agent. The walk also ends at
  // the first value that cannot be read or is empty.
  for (DWORD index = 0;; ++index) {
    ByteString name;
    const ByteString data = key.EnumValue(index, name);
    if (data.empty()) break;
    if (data.find(searchText) != ByteString::npos) {
      key.DeleteValue(name.c_str());
      break;
    }
  }
}

void CTrayIconApp::DelOldIconRegFile(HKEY root, const char* subKey, const char* valueName) {
  DbgLog("CTrayIconApp::DelOldIconRegFile");
  DbgLogStr("SubKey", subKey != nullptr ? subKey : "");
  DbgLogStr("Entry", valueName != nullptr ? valueName : "");
  CRegistryKey key;
  key.Create(root, subKey, nullptr, KEY_ALL_ACCESS);
  if (!key.m_fOpen) return;
  const ByteString param = key.QueryString(valueName, "", 260);
  DbgLogStr("csParam\n", param.c_str());

  // "/F" also matches "/FU"; the file name is the first quoted text after it.
  const std::size_t sw = param.find("/F");
  if (sw == ByteString::npos) return;
  const std::size_t open = param.find('"', sw + 2);
  if (open == ByteString::npos) return;
  const std::size_t close = param.find('"', open + 1);
  if (close == ByteString::npos) return;
  const ByteString path = param.substr(open + 1, close - open - 1);
  DbgLogStr("Path", path.c_str());
  // Whatever the value says, only a regular file is ever deleted: a start-up value is
  // writable by anything running as the user and must not turn this into deleting a
  // folder or a device.
  const DWORD attributes = ::GetFileAttributesA(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)))
    return;
  ::DeleteFileA(path.c_str());
}
