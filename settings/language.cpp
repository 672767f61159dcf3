#include "settings/language.h"

#include <windows.h>

#include <climits>
#include <cstring>
#include <utility>

#include "base/text260.h"
#include "base/winhandle.h"
#include "settings/driverkeys.h"
#include "settings/langsection.h"

namespace {

constexpr const char kLanguageSection[] = "Language";
constexpr const char kResDllKey[] = "ResDll";

// The profile functions take a DWORD and answer in one; keep sizes where an int result
// can still say how much was read.
DWORD ProfileSize(std::size_t size) { return static_cast<DWORD>(size < INT_MAX ? size : INT_MAX); }

bool IsEmpty(const char* s) { return s == nullptr || s[0] == '\0'; }

// A key of a section; 0 when missing, empty or cut short. The profile functions cut a
// value that does not fit without saying so, answering size - 1 (or, on some systems,
// size - 2): a cut file name would name another file, so such a length counts as cut.
int ReadProfileValue(const char* section, const char* key, char* out, std::size_t size, const char* datPath) {
  if (out == nullptr || size == 0) return 0;
  out[0] = '\0';
  if (IsEmpty(section) || IsEmpty(key)) return 0;
  const DWORD n = ::GetPrivateProfileStringA(section, key, "", out, ProfileSize(size), datPath);
  if (n == 0 || static_cast<std::size_t>(n) + 2 >= size) {
    out[0] = '\0';
    return 0;
  }
  return static_cast<int>(n);
}

// The "ResDll" of a section, when that library exists beside the data file.
int ReadExistingResDll(const char* section, const char* datPath) {
  Text260 fileName;
  const int n = ReadProfileValue(section, kResDllKey, fileName, sizeof fileName, datPath);
  return n > 0 && ResLibExists(fileName, datPath) ? n : 0;
}

// The whole "Language" section, split into its lines.
class CLanguageLines {
 public:
  // 0, or kLangNoMemory. A missing or empty section leaves no lines.
  int Read(const char* datPath) {
    for (std::size_t size = kTextSize; size <= INT_MAX - kTextSize; size += kTextSize) {
      m_text = HeapAllocZeroed<char>(size);
      if (!m_text) return kLangNoMemory;
      std::size_t lines = 1;
      const int read = ReadLanguageSection(m_text.get(), size, &lines, datPath);
      if (read == kLangTooSmall) continue;
      m_count = read < 0 ? 0 : lines;
      if (m_count == 0) return 0;
      m_entries = HeapAllocZeroed<LanguageEntry>(m_count);
      if (!m_entries) return kLangNoMemory;
      SplitLanguageEntries(m_entries.get(), m_text.get(), m_count);
      return 0;
    }
    return kLangNoMemory;
  }
  const LanguageEntry* Entries() const { return m_entries.get(); }
  std::size_t Count() const { return m_count; }

 private:
  UniqueHeapPtr<char> m_text;
  UniqueHeapPtr<LanguageEntry> m_entries;
  std::size_t m_count = 0;
};

}  // namespace

int ReadLanguageSection(char* buffer, std::size_t size, std::size_t* count, const char* datPath) {
  if (buffer == nullptr || count == nullptr || *count == 0 || datPath == nullptr) return kLangFailed;
  // One character and the two terminators at the least; smaller buffers would let the
  // profile function write before their start.
  if (size < 3) return kLangTooSmall;
  const DWORD bufferSize = ProfileSize(size);
  const DWORD n = ::GetPrivateProfileSectionA(kLanguageSection, buffer, bufferSize, datPath);
  if (n == 0) return kLangFailed;
  if (n == bufferSize - 2) return kLangTooSmall;  // how the profile function says "did not fit"
  *count = CountSectionLines(buffer, n);
  return static_cast<int>(n);
}

int GetLanguageSection(char* out, std::size_t* size, const char* datPath, std::uint16_t languageId) {
  if (out == nullptr || size == nullptr) return kLangFailed;
  CLanguageLines lines;
  const int read = lines.Read(datPath);
  if (read < 0) return read;
  const char* name = MatchLanguageEntry(lines.Entries(), languageId, lines.Count());
  // The size needed includes the terminator, so that a caller can retry with it.
  const std::size_t needed = std::strlen(name) + 1;
  if (needed > *size) {
    *size = needed;
    return kLangTooSmall;
  }
  return TextCopy(out, *size, name) ? 0 : kLangFailed;
}

int GetFirstAvailableLanguageSection(char* out, std::size_t* size, const char* datPath) {
  if (out == nullptr || size == nullptr) return kLangFailed;
  CLanguageLines lines;
  const int read = lines.Read(datPath);
  if (read < 0) return read;
  Text260 chosen = {};
  for (std::size_t i = 0; i < lines.Count(); ++i) {
    const char* name = lines.Entries()[i].name;
    if (ReadExistingResDll(name, datPath) > 0) {
      if (!TextCopy(chosen, name)) return kLangFailed;
      break;
    }
  }
  const std::size_t needed = std::strlen(chosen) + 1;
  if (*size < needed) {
    *size = needed;
    return kLangTooSmall;
  }
  if (!TextCopy(out, *size, chosen)) return kLangFailed;
  *size = needed;
  return 0;
}

int ResLibExists(const char* fileName, const char* datPath) {
  if (IsEmpty(fileName) || IsEmpty(datPath)) return 0;
  Text260 path;
  if (!TextCopy(path, datPath)) return 0;
  char* folderEnd = nullptr;
  for (char* p = path; *p != '\0'; ++p) {
    if (*p == '\\' || *p == '/') folderEnd = p + 1;
  }
  if (folderEnd != nullptr) {
    *folderEnd = '\0';
  } else {
    // A bare file name: the profile functions read such a data file from the Windows
    // folder, so that is the folder it lies in.
    const UINT n = ::GetWindowsDirectoryA(path, sizeof path);
    if (n == 0 || n >= sizeof path || !TextAppend(path, "\\")) return 0;
  }
  if (!TextAppend(path, fileName)) return 0;
  return FileExists(path);
}

int SelectLanguageSectionFor(char* out, std::size_t* size, const char* datPath, std::uint16_t userLanguageId) {
  if (out == nullptr || size == nullptr || IsEmpty(datPath)) return kLangFailed;
  const std::size_t given = *size;
  for (const std::uint16_t language : {userLanguageId, kLangEnglishUS}) {
    *size = given;
    const int result = GetLanguageSection(out, size, datPath, language);
    if (result < 0) return result;
    const int n = ReadExistingResDll(out, datPath);
    if (n > 0) return n;
  }
  *size = given;
  return GetFirstAvailableLanguageSection(out, size, datPath);
}

int SelectLanguageSection(char* out, std::size_t* size, const char* datPath) {
  return SelectLanguageSectionFor(out, size, datPath, ::GetUserDefaultLangID());
}

int GetLanguageProfileString(const char* keyName, char* out, std::size_t* size, const char* datPath) {
  if (out == nullptr || size == nullptr || *size == 0) return kLangFailed;
  out[0] = '\0';
  Text260 section;
  std::size_t sectionSize = sizeof section;
  if (SelectLanguageSection(section, &sectionSize, datPath) < 0 || section[0] == '\0') return kLangFailed;
  return ReadProfileValue(section, keyName, out, *size, datPath) > 0 ? 0 : kLangFailed;
}

int GetResDllPath(char* out, std::size_t size, const char* driverName, const char* modelID, const char* printerName) {
  if (out == nullptr || !TextCopy(out, size, "")) return 0;
  Text260 datPath;
  if (!GetDatPath(datPath, sizeof datPath, driverName, modelID, printerName) || datPath[0] == '\0') return 0;
  Text260 fileName;
  std::size_t fileNameSize = sizeof fileName;
  if (GetLanguageProfileString(kResDllKey, fileName, &fileNameSize, datPath) != 0) return 0;
  Text260 folder;
  if (!GetInstallPath(folder, sizeof folder, driverName, modelID, printerName) && !TextCopy(folder, ".\\")) return 0;
  return TextFormat(out, size, "%s%s", folder, fileName) ? 1 : 0;
}
