#pragma once
// Parameter files on disk (Windows only): the whole-file reader used for "/F" and the
// temporary folder they live in. Naming, writing and deleting are members of
// CCmdLineInfo (app/cmdline.h).
#include <windows.h>

#include <cstdint>

#include "base/bytestring.h"
#include "base/winhandle.h"

// A parameter file holds a few lines of switches (the package's own are under 8 KB).
// Anything larger is not one and is refused rather than read into memory.
constexpr std::uint32_t kMaxParamFileSize = 1024 * 1024;

// The user's temporary folder with its trailing backslash, or ".\" when the system gives
// none that fits in 260 bytes.
ByteString GetParamFileFolder();

// Reads one file whole and keeps its path, so the file can be removed after use.
class CFileReader {
 public:
  CFileReader() = default;
  ~CFileReader();
  CFileReader(const CFileReader&) = delete;
  CFileReader& operator=(const CFileReader&) = delete;

  // Reads the regular file at path (at most kMaxParamFileSize bytes). 1: *text (when
  // asked) points to the bytes followed by two zero bytes, *size (when asked) is the
  // buffer's size, file size plus 2; both stay valid until the next Read or Release.
  // 0: nothing is kept and the outputs are untouched.
  int Read(const char* path, char** text, std::uint32_t* size);
  // Closes the file if open; deletes the file at the stored path if it exists.
  void RemoveFile();
  // Closes the file and frees both buffers.
  void Release();

 private:
  UniqueFile m_hFile;
  std::uint32_t m_nPathLen = 0;
  UniqueHeapPtr<char> m_pszPath;
  UniqueHeapPtr<char> m_pData;
  std::uint32_t m_nDataSize = 0;
};
