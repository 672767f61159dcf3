#include "app/paramfile.h"

#include <cstring>

#include "app/cmdline.h"
#include "base/text260.h"

namespace {

constexpr const char kTempPrefix[] = "K_S";

bool FileExists(const char* path) {
  const DWORD attr = ::GetFileAttributesA(path);
  return attr != INVALID_FILE_ATTRIBUTES && (attr & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool CanOpenForReading(const char* path) {
  UniqueFile file(
      ::CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  return file.IsValid();
}

// Deletes path when it can be opened for reading; true when it was deleted.
bool DeleteIfReadable(const char* path) {
  if (!CanOpenForReading(path)) return false;
  return ::DeleteFileA(path) != 0;
}

}  // namespace

ByteString GetParamFileFolder() {
  Text260 folder = {};
  const DWORD n = ::GetTempPathA(sizeof folder, folder);
  if (n == 0 || n >= sizeof folder) return ".\\";
  return ByteString(folder, n);
}

// ---------------------------------------------------------------------------------------
// CFileReader

CFileReader::~CFileReader() { Release(); }

int CFileReader::Read(const char* path, char** text, std::uint32_t* size) {
  if (path == nullptr) return 0;
  Release();

  const std::size_t pathLen = std::strlen(path);
  if (pathLen >= UINT32_MAX) return 0;
  UniqueHeapPtr<char> pathCopy = HeapAllocZeroed<char>(pathLen + 1);
  if (!pathCopy) return 0;
  std::memcpy(pathCopy.get(), path, pathLen);

  m_hFile.Reset(::CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_TEMPORARY,
                              nullptr));
  if (!m_hFile) return 0;
  // Only a plain disk file can be a parameter file: a device or pipe could block the
  // read or never end, and a huge file would only eat memory.
  // GetFileSize, not GetFileSizeEx, which Windows NT 4.0 and 9x lack. A low part of
  // INVALID_FILE_SIZE is a failure only when an error comes with it.
  if (::GetFileType(m_hFile.Get()) != FILE_TYPE_DISK) {
    m_hFile.Reset();
    return 0;
  }
  DWORD sizeHigh = 0;
  ::SetLastError(NO_ERROR);
  const DWORD sizeLow = ::GetFileSize(m_hFile.Get(), &sizeHigh);
  if ((sizeLow == INVALID_FILE_SIZE && ::GetLastError() != NO_ERROR) || sizeHigh != 0 ||
      sizeLow > kMaxParamFileSize) {
    m_hFile.Reset();
    return 0;
  }
  const DWORD bytes = sizeLow;
  UniqueHeapPtr<char> data = HeapAllocZeroed<char>(bytes + 2u);
  if (!data) {
    m_hFile.Reset();
    return 0;
  }
  DWORD got = 0;
  while (got < bytes) {
    DWORD chunk = 0;
    if (!::ReadFile(m_hFile.Get(), data.get() + got, bytes - got, &chunk, nullptr) || chunk == 0) {
      m_hFile.Reset();
      return 0;
    }
    got += chunk;
  }
  m_hFile.Reset();

  m_nPathLen = static_cast<std::uint32_t>(pathLen);
  m_pszPath = std::move(pathCopy);
  m_pData = std::move(data);
  m_nDataSize = bytes + 2u;
  if (text != nullptr) *text = m_pData.get();
  if (size != nullptr) *size = m_nDataSize;
  return 1;
}

void CFileReader::RemoveFile() {
  m_hFile.Reset();
  if (m_pszPath && FileExists(m_pszPath.get())) ::DeleteFileA(m_pszPath.get());
}

void CFileReader::Release() {
  m_hFile.Reset();
  m_pszPath.reset();
  m_nPathLen = 0;
  m_pData.reset();
  m_nDataSize = 0;
}

// ---------------------------------------------------------------------------------------
// Parameter files of CCmdLineInfo

int CCmdLineInfo::MakeTempFileName() {
  m_szTempDir = GetParamFileFolder();
  Text260 full = {};
  if (::GetTempFileNameA(m_szTempDir.c_str(), kTempPrefix, 0, full) == 0) {
    m_szTempName.clear();
    return 0;
  }
  const char* slash = std::strrchr(full, '\\');
  m_szTempName = (slash != nullptr) ? slash + 1 : full;
  return 1;
}

int CCmdLineInfo::WriteParamFile() {
  Text260 path;
  if (!TEXT_FORMAT(path, "%s%s", m_szTempDir.c_str(), m_szTempName.c_str())) return 0;
  UniqueFile file(::CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return 0;
  ByteString bytes;
  const int complete = BuildParamFileText(&bytes);
  // The lines that fitted are written even when a later one did not.
  DWORD written = 0;
  const DWORD size = static_cast<DWORD>(bytes.size());
  if (size > 0 && (!::WriteFile(file.Get(), bytes.data(), size, &written, nullptr) || written != size)) return 0;
  return complete;
}

int CCmdLineInfo::MakeParamFile(const char* printerName, const char* portName, const char* modelID) {
  MakeTempFileName();
  if (m_szTempName.empty()) return 0;
  m_szPrinterName = printerName != nullptr ? printerName : "";
  m_szPortName = portName != nullptr ? portName : "";
  m_szModelID = modelID != nullptr ? modelID : "";
  if (WriteParamFile()) return 1;
  DeleteParamFile(m_szTempName.c_str());
  return 0;
}

int CCmdLineInfo::DeleteParamFile(const char* name) {
  if (name == nullptr || name[0] == '\0') return 0;
  if (m_szTempDir.empty()) m_szTempDir = GetParamFileFolder();
  if (CanOpenForReading(name)) return ::DeleteFileA(name) != 0 ? 1 : 0;
  Text260 path;
  if (!TEXT_FORMAT(path, "%s%s", m_szTempDir.c_str(), name)) return 0;
  return DeleteIfReadable(path) ? 1 : 0;
}
