#include "settings/registrykey.h"


#include "base/text260.h"
#include "base/winhandle.h"
#include "drvinfo/drvinfolib.h"

namespace {

constexpr DWORD kEnumBufferSize = 256;

// The library receives a private copy of the path, or null for an empty one.
class SubKeyCopy {
 public:
  explicit SubKeyCopy(const char* subKey) : m_copy(subKey != nullptr ? subKey : "") {}
  const char* Get() const { return m_copy.empty() ? nullptr : m_copy.c_str(); }

 private:
  ByteString m_copy;
};

REGSAM DefaultAccess(BOOL create, REGSAM access) {
  if (access != 0) return access;
  return create ? KEY_ALL_ACCESS : KEY_READ;
}

}  // namespace

// ---- CRegistryKey ------------------------------------------------------------------

CRegistryKey::CRegistryKey(HKEY parent, const char* subKey, BOOL create, REGSAM access) {
  access = DefaultAccess(create, access);
  if (create) {
    Create(parent, subKey, nullptr, access);
  } else {
    Open(parent, subKey, access);
  }
}

CRegistryKey::~CRegistryKey() { Close(); }

void CRegistryKey::SetResult(LONG rc, REGSAM access) {
  m_fOpen = (rc == ERROR_SUCCESS && m_hKey != nullptr) ? TRUE : FALSE;
  if (!m_fOpen) m_hKey = nullptr;
  m_nAccess = access;
}

int CRegistryKey::Open(HKEY parent, const char* subKey, REGSAM access) {
  if (access == 0) access = KEY_READ;
  const LONG rc = ::RegOpenKeyExA(parent, subKey, 0, access, &m_hKey);
  SetResult(rc, access);
  return m_fOpen ? 1 : 0;
}

int CRegistryKey::Create(HKEY parent, const char* subKey, const char* className, REGSAM access) {
  DWORD disposition = 0;
  const LONG rc = ::RegCreateKeyExA(parent, subKey, 0, const_cast<char*>(className), REG_OPTION_NON_VOLATILE, access,
                                    nullptr, &m_hKey, &disposition);
  SetResult(rc, access);
  return (m_fOpen && disposition == REG_CREATED_NEW_KEY) ? 1 : 0;
}

LONG CRegistryKey::Close() {
  LONG rc = 0;
  if (m_hKey != nullptr) {
    rc = ::RegCloseKey(m_hKey);
    m_hKey = nullptr;
  }
  m_fOpen = FALSE;
  return rc;
}

ByteString CRegistryKey::QueryString(const char* valueName, const char* defaultText, DWORD sizeHint) const {
  const ByteString fallback = defaultText != nullptr ? defaultText : "";
  if (!m_fOpen) return fallback;
  DWORD size = sizeHint;
  if (size == 0) {
    if (::RegQueryValueExA(m_hKey, valueName, nullptr, nullptr, nullptr, &size) != ERROR_SUCCESS || size == 0)
      return fallback;
  }
  // One spare zero byte guarantees a terminator whatever the data holds.
  UniqueHeapPtr<char> data = HeapAllocZeroed<char>(static_cast<std::size_t>(size) + 1);
  if (!data) return fallback;
  DWORD got = size;
  if (::RegQueryValueExA(m_hKey, valueName, nullptr, nullptr, reinterpret_cast<BYTE*>(data.get()), &got) !=
      ERROR_SUCCESS)
    return fallback;
  return ByteString(data.get(), TextLength(data.get(), static_cast<std::size_t>(size) + 1));
}

ByteString CRegistryKey::EnumValue(DWORD index, ByteString& name) const {
  if (!m_fOpen) return ByteString();
  UniqueHeapPtr<char> nameBuf = HeapAllocZeroed<char>(kEnumBufferSize);
  UniqueHeapPtr<char> dataBuf = HeapAllocZeroed<char>(kEnumBufferSize);
  if (!nameBuf || !dataBuf) return ByteString();
  DWORD nameLen = kEnumBufferSize;
  DWORD dataLen = kEnumBufferSize;
  if (::RegEnumValueA(m_hKey, index, nameBuf.get(), &nameLen, nullptr, nullptr,
                      reinterpret_cast<BYTE*>(dataBuf.get()), &dataLen) != ERROR_SUCCESS)
    return ByteString();
  name.assign(nameBuf.get(), TextLength(nameBuf.get(), kEnumBufferSize));
  return ByteString(dataBuf.get(), TextLength(dataBuf.get(), kEnumBufferSize));
}

int CRegistryKey::DeleteValue(const char* valueName) {
  if (!m_fOpen) return 0;
  return ::RegDeleteValueA(m_hKey, valueName) == ERROR_SUCCESS ? 1 : 0;
}

// ---- CDrvInfoRegistryKey -----------------------------------------------------------

CDrvInfoRegistryKey::CDrvInfoRegistryKey(HKEY parent, const char* subKey, BOOL create, REGSAM access) {
  access = DefaultAccess(create, access);
  if (create) {
    Create(parent, subKey, nullptr, access);
  } else {
    Open(parent, subKey, access);
  }
}

CDrvInfoRegistryKey::~CDrvInfoRegistryKey() { Close(); }

int CDrvInfoRegistryKey::Open(HKEY parent, const char* subKey, REGSAM access) {
  if (!g_fDrvInfoBound) return CRegistryKey::Open(parent, subKey, access);
  if (access == 0) access = KEY_READ;
  SubKeyCopy path(subKey);
  const LONG rc = DrvIfOpenKey(parent, path.Get(), 0, access, &m_hKey);
  SetResult(rc, access);
  m_fViaLibrary = m_fOpen;
  return m_fOpen ? 1 : 0;
}

int CDrvInfoRegistryKey::Create(HKEY parent, const char* subKey, const char* className, REGSAM access) {
  if (!g_fDrvInfoBound) return CRegistryKey::Create(parent, subKey, className, access);
  SubKeyCopy path(subKey);
  DWORD disposition = 0;
  const LONG rc = DrvIfCreateKey(parent, path.Get(), 0, const_cast<char*>(className), REG_OPTION_NON_VOLATILE,
                                 access, nullptr, &m_hKey, &disposition);
  SetResult(rc, access);
  m_fViaLibrary = m_fOpen;
  return (m_fOpen && disposition == REG_CREATED_NEW_KEY) ? 1 : 0;
}

void CDrvInfoRegistryKey::Close() {
  if (m_hKey != nullptr) {
    if (m_fViaLibrary) {
      DrvIfCloseKey(m_hKey);
    } else {
      ::RegCloseKey(m_hKey);
    }
    m_hKey = nullptr;
  }
  m_fViaLibrary = FALSE;
  m_fOpen = FALSE;
}
