#include "drvdata/setupfile.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>

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

}  // namespace

std::string_view CSetupFieldCursor::Next() {
  if (AtEnd()) return std::string_view();
  const std::size_t start = m_pos;
  std::size_t comma;
  if (start < m_value.size() && m_value[start] == '"') {
    const std::size_t close = m_value.find('"', start + 1);
    if (close == std::string_view::npos) {
      m_fDone = true;  // an open quote swallows this field and every later one
      return std::string_view();
    }
    comma = m_value.find(',', close + 1);
  } else {
    comma = m_value.find(',', start);
  }
  if (comma == std::string_view::npos) {
    m_pos = m_value.size() + 1;  // past the last field
    return m_value.substr(start);
  }
  m_pos = comma + 1;
  return m_value.substr(start, comma - start);
}

std::string_view CookField(std::string_view raw, ByteString* scratch) {
  std::size_t pair = raw.find("\"\"");
  if (pair == std::string_view::npos) return raw;
  scratch->assign(raw.data(), pair);
  std::size_t i = pair;
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
  char* block = static_cast<char*>(std::calloc(size + 1, 1));
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
  char* block = static_cast<char*>(std::calloc(size + 1, 1));
  if (block == nullptr) return false;
  std::memcpy(block, data, size);
  return Adopt(block, size);
}

// Moves past the next line feed. The end of the content counts as the end of a line; a
// zero byte met first stops there and gives false.
bool CSetupFile::SkipLine() {
  if (m_nPos >= m_nSize) return true;
  const char* p = m_pContent + m_nPos;
  while (*p != '\n' && *p != '\0') ++p;
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

// The next line up to its line feed (included) or up to a comment. False at the end of
// the content. The line may be blank; it is not trimmed.
bool CSetupFile::ReadRawLine(std::string_view* line) {
  *line = std::string_view();
  if (m_pContent == nullptr || m_nPos >= m_nSize) return false;
  // The content ends in a zero byte, which stops this scan without a length check.
  const char* start = m_pContent + m_nPos;
  const char* p = start;
  for (;;) {
    const char c = *p;
    if (c == '\n' || c == ';' || c == '\0') break;
    ++p;
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

// The next line that is not empty once trimmed, trimmed.
bool CSetupFile::ReadLine(std::string_view* line) {
  std::string_view raw;
  while (ReadRawLine(&raw)) {
    const std::string_view t = Trim(raw);
    if (!t.empty()) {
      *line = t;
      return true;
    }
  }
  *line = std::string_view();
  return false;
}

bool CSetupFile::SplitEntry(std::string_view line, std::string_view* name, std::string_view* value) {
  const std::size_t eq = line.find('=');
  if (eq == std::string_view::npos) return false;
  *name = Trim(line.substr(0, eq));
  *value = Trim(line.substr(eq + 1));
  return !name->empty() && !value->empty();
}

bool CSetupFile::FindSection(const char* name) {
  m_nPos = 0;
  const std::string_view wanted = setuptext::View(name);
  if (wanted.empty()) return false;
  std::string_view line;
  while (ReadLine(&line)) {
    // The whole trimmed line against "[name]", ignoring case.
    if (line.size() == wanted.size() + 2 && line.front() == '[' && line.back() == ']' &&
        EqualNoCase(line.substr(1, wanted.size()), wanted)) {
      return true;
    }
  }
  return false;
}

bool CSetupFile::GetNextEntryView(std::string_view* name, std::string_view* value) {
  std::string_view line;
  while (ReadLine(&line)) {
    if (IsHeaderLine(line)) return false;
    if (SplitEntry(line, name, value)) return true;
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

std::string_view CSetupFile::UnquoteView(std::string_view text) {
  if (text.size() < 2 || text.front() != '"' || text.back() != '"') return std::string_view();
  return text.substr(1, text.size() - 2);
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
