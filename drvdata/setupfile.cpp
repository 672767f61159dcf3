#include "drvdata/setupfile.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>

#include "drvdata/linescan.h"
#include "drvdata/setuptext.h"

using setuptext::EqualNoCase;
using setuptext::Trim;

namespace {

std::FILE* OpenForReading(const char* path) {
#if defined(_MSC_VER)
  std::FILE* f = nullptr;
  return fopen_s(&f, path, "rb") == 0 ? f : nullptr;
#else
  return std::fopen(path, "rb");
#endif
}

struct FileCloser {
  std::FILE* f;
  ~FileCloser() {
    if (f != nullptr) std::fclose(f);
  }
};

bool IsHeaderLine(std::string_view line) { return line.size() >= 2 && line.front() == '[' && line.back() == ']'; }

// The content block carries this many zero bytes after the content, for the line scans.
constexpr std::size_t kPadding = linescan::kScanPadding;

// The end of a line's text: its line feed, the semicolon of a comment, or a zero byte.
inline const char* FindLineStop(const char* p) { return linescan::FindStop<'\n', ';'>(p); }
// The same or, before it, an equals sign.
inline const char* FindLineStopOrEquals(const char* p) { return linescan::FindStop<'\n', ';', '='>(p); }
// The line feed or a zero byte.
inline const char* FindLineEnd(const char* p) { return linescan::FindStop<'\n'>(p); }

}  // namespace

std::string_view setupfile_detail::UndoubleQuotes(std::string_view raw, std::size_t firstPair, ByteString* scratch) {
  scratch->assign(raw.data(), firstPair);
  std::size_t i = firstPair;
  while (i < raw.size()) {
    scratch->push_back(raw[i]);
    i += (raw[i] == '"' && i + 1 < raw.size() && raw[i + 1] == '"') ? 2 : 1;
  }
  return *scratch;
}

CSetupFile::~CSetupFile() { Close(); }

void CSetupFile::Close() {
  std::free(m_pContent);
  m_pContent = nullptr;
  m_nSize = 0;
  m_nPos = 0;
}

bool CSetupFile::Adopt(char* content, std::size_t size) {
  m_pContent = content;
  m_nSize = static_cast<std::uint32_t>(size);
  m_nPos = 0;
  return true;
}

bool CSetupFile::Open(const char* path) {
  Close();
  if (path == nullptr || *path == '\0') return false;
  FileCloser file{OpenForReading(path)};
  if (file.f == nullptr) return false;
  if (std::fseek(file.f, 0, SEEK_END) != 0) return false;
  const long length = std::ftell(file.f);
  // The size is kept in 32 bits and one byte more is allocated.
  if (length <= 0 || static_cast<unsigned long>(length) >= std::numeric_limits<std::uint32_t>::max()) return false;
  if (std::fseek(file.f, 0, SEEK_SET) != 0) return false;
  const std::size_t size = static_cast<std::size_t>(length);
  char* block = static_cast<char*>(std::calloc(size + kPadding, 1));
  if (block == nullptr) return false;
  std::size_t have = 0;
  while (have < size) {
    const std::size_t got = std::fread(block + have, 1, size - have, file.f);
    if (got == 0) {
      std::free(block);
      return false;
    }
    have += got;
  }
  return Adopt(block, size);
}

bool CSetupFile::OpenBytes(const char* data, std::size_t size) {
  Close();
  if (data == nullptr || size == 0 || size >= std::numeric_limits<std::uint32_t>::max()) return false;
  char* block = static_cast<char*>(std::calloc(size + kPadding, 1));
  if (block == nullptr) return false;
  std::memcpy(block, data, size);
  return Adopt(block, size);
}

// Moves past the next line feed. The end of the content counts as the end of a line; a
// zero byte met first stops there and gives false.
bool CSetupFile::SkipLine() {
  if (m_nPos >= m_nSize) return true;
  const char* p = FindLineEnd(m_pContent + m_nPos);
  if (*p == '\n') {
    m_nPos = static_cast<std::uint32_t>(p + 1 - m_pContent);
    return true;
  }
  const std::uint32_t at = static_cast<std::uint32_t>(p - m_pContent);
  if (at >= m_nSize) {
    m_nPos = m_nSize;
    return true;
  }
  m_nPos = at;  // a zero byte inside the content: stay on it
  return false;
}

// The next line up to its line feed (included) or up to a comment, and, when equals is
// given, its first equals sign (null when it has none). False at the end of the content.
// The line may be blank; it is not trimmed.
bool CSetupFile::ReadRawLine(std::string_view* line, const char** equals) {
  *line = std::string_view();
  if (equals != nullptr) *equals = nullptr;
  if (m_pContent == nullptr || m_nPos >= m_nSize) return false;
  // The content ends in zero bytes, which stop these scans without a length check.
  const char* start = m_pContent + m_nPos;
  const char* p;
  if (equals != nullptr) {
    p = FindLineStopOrEquals(start);
    if (*p == '=') {
      *equals = p;
      p = FindLineStop(p + 1);
    }
  } else {
    p = FindLineStop(start);
  }
  if (*p == '\n') {
    *line = std::string_view(start, static_cast<std::size_t>(p + 1 - start));
    m_nPos = static_cast<std::uint32_t>(p + 1 - m_pContent);
    return true;
  }
  *line = std::string_view(start, static_cast<std::size_t>(p - start));
  m_nPos = static_cast<std::uint32_t>(p - m_pContent);
  if (*p == ';') {
    ++m_nPos;
    if (SkipLine()) return true;  // the comment ended the line
  }
  return !line->empty();
}

bool CSetupFile::FindSection(const char* name) {
  m_nPos = 0;
  const std::string_view wanted = setuptext::View(name);
  if (wanted.empty() || m_pContent == nullptr) return false;
  while (m_nPos < m_nSize) {
    // Only a line whose text begins with '[' can be the header: any other line is passed
    // over up to its line feed without looking for comments.
    const char* p = m_pContent + m_nPos;
    while (*p != '\n' && setuptext::IsBlank(*p)) ++p;
    if (*p == '[') {
      m_nPos = static_cast<std::uint32_t>(p - m_pContent);
      std::string_view raw;
      if (!ReadRawLine(&raw, nullptr)) return false;
      // The whole trimmed line against "[name]", ignoring case.
      const std::string_view line = Trim(raw);
      if (line.size() == wanted.size() + 2 && line.back() == ']' && EqualNoCase(line.substr(1, wanted.size()), wanted)) {
        return true;
      }
      continue;
    }
    p = FindLineEnd(p);
    const std::uint32_t at = static_cast<std::uint32_t>(p - m_pContent);
    if (*p != '\n') {  // the end, or a zero byte that ends the content
      m_nPos = at < m_nSize ? at : m_nSize;
      return false;
    }
    m_nPos = at + 1;
  }
  return false;
}

bool CSetupFile::GetNextEntryView(std::string_view* name, std::string_view* value) {
  std::string_view raw;
  const char* equals = nullptr;
  while (ReadRawLine(&raw, &equals)) {
    const std::string_view line = Trim(raw);
    if (line.empty()) continue;
    if (IsHeaderLine(line)) return false;
    if (equals == nullptr) continue;
    // Split at the first '=' (which trimming cannot have cut off), both sides trimmed.
    const std::size_t at = static_cast<std::size_t>(equals - line.data());
    *name = Trim(line.substr(0, at));
    *value = Trim(line.substr(at + 1));
    if (!name->empty() && !value->empty()) return true;
  }
  return false;
}

bool CSetupFile::GetNextValueView(std::string_view name, std::string_view* value) {
  *value = std::string_view();
  if (name.empty()) return false;
  std::string_view entryName;
  std::string_view entryValue;
  while (GetNextEntryView(&entryName, &entryValue)) {
    if (EqualNoCase(entryName, name)) {
      *value = entryValue;
      return true;
    }
  }
  return false;
}

bool CSetupFile::GetNextValue(const char* name, ByteString* value) {
  if (value == nullptr) return false;
  value->clear();
  std::string_view v;
  if (!GetNextValueView(setuptext::View(name), &v)) return false;
  value->assign(v.data(), v.size());
  return true;
}

ByteString CSetupFile::GetField(std::string_view value, unsigned index) {
  CSetupFieldCursor cursor(value);
  std::string_view raw = cursor.Next();
  for (unsigned i = 0; i < index; ++i) {
    if (cursor.AtEnd()) return ByteString();
    raw = cursor.Next();
  }
  ByteString scratch;
  const std::string_view cooked = CookField(raw, &scratch);
  return ByteString(cooked.data(), cooked.size());
}

ByteString CSetupFile::Unquote(std::string_view text) {
  const std::string_view inner = UnquoteView(text);
  return ByteString(inner.data(), inner.size());
}

int CSetupFile::GetDataType(std::string_view text) {
  const std::string_view t = Trim(text);
  if (t.empty()) return kSetupDataNumber;
  if (setuptext::ContainsUpper(t, "DRIVERDIR") || setuptext::ContainsUpper(t, "SYSTEMDIR")) return kSetupDataString;
  if (t.front() == '"' && t.back() == '"') return kSetupDataString;
  return kSetupDataNumber;
}
