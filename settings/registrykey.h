#pragma once
// Owner of one open registry key with the few operations the agent needs. Created on
// the caller's stack for one task; never copied. No operation reports the system's error
// code: open and create failures show in m_fOpen (and a 0 result), reads fall back to
// their default.
#include <windows.h>

#include "base/bytestring.h"

class CRegistryKey {
 public:
  CRegistryKey() = default;
  // Opens (create = FALSE) or creates the key; access 0 means KEY_READ when opening and
  // KEY_ALL_ACCESS when creating. m_fOpen tells whether the key is held.
  CRegistryKey(HKEY parent, const char* subKey, BOOL create, REGSAM access = 0);
  virtual ~CRegistryKey();
  CRegistryKey(const CRegistryKey&) = delete;
  CRegistryKey& operator=(const CRegistryKey&) = delete;

  // Expect an object that holds no key. Open: 1 when opened (access 0 = KEY_READ).
  int Open(HKEY parent, const char* subKey, REGSAM access = 0);
  // 1 only when the key did not exist and was created; 0 when it existed (it is then
  // held all the same) or on failure.
  int Create(HKEY parent, const char* subKey, const char* className, REGSAM access);
  // The system's result of closing, or 0 when no key was held.
  LONG Close();

  // The value's data as text (up to its first zero byte), whatever its type; the default
  // on any failure. sizeHint 0 asks the registry for the size; n > 0 reads at most n
  // bytes and fails for larger data.
  ByteString QueryString(const char* valueName, const char* defaultText, DWORD sizeHint = 0) const;
  // The value at index: its data as text, and its name in name. The empty text (name
  // untouched) when there is no such value or its name or data exceeds 256 bytes.
  ByteString EnumValue(DWORD index, ByteString& name) const;
  // 1 when the value was deleted.
  int DeleteValue(const char* valueName);

  HKEY m_hKey = nullptr;
  BOOL m_fOpen = FALSE;
  REGSAM m_nAccess = 0;

 protected:
  void SetResult(LONG rc, REGSAM access);
};

// The same key operations, routed through the printer driver's information library while
// it is bound (g_fDrvInfoBound); exactly CRegistryKey otherwise.
class CDrvInfoRegistryKey : public CRegistryKey {
 public:
  CDrvInfoRegistryKey() = default;
  CDrvInfoRegistryKey(HKEY parent, const char* subKey, BOOL create, REGSAM access = 0);
  ~CDrvInfoRegistryKey() override;

  int Open(HKEY parent, const char* subKey, REGSAM access = 0);
  int Create(HKEY parent, const char* subKey, const char* className, REGSAM access);
  // Releases the key through the route that opened it.
  void Close();

 private:
  BOOL m_fViaLibrary = FALSE;  // the held key came from the library
};
