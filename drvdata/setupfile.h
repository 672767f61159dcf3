#pragma once
// Reader of the printer driver's setup data file: a profile-style text file that the
// reader loads whole and walks line by line. The system's profile functions are not used
// for it; the reader accepts exactly these forms:
//   - a line ends with a line feed (a last line without one counts); white space at both
//     ends is ignored, so CR LF works too;
//   - a semicolon starts a comment to the end of its line, wherever it stands (also
//     inside quotes);
//   - "[name]" is a section header, found ignoring case, with no blanks in the brackets;
//   - name=value is an entry, split at the first '=', both sides trimmed; a line without
//     '=', with an empty name or with an empty value is no entry;
//   - a value is a list of comma-separated fields (see GetField).
// A zero byte ends the content: setup data files hold none, and nothing behind one is
// read.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "base/bytestring.h"

// Registry type codes of setup data.
constexpr int kSetupDataString = 1;  // REG_SZ
constexpr int kSetupDataNumber = 4;  // REG_DWORD

// Walks the fields of a value in order, numbered from 0 as GetField numbers them, and
// hands out each field raw: doubled quotes are still doubled (CookField undoes them).
//   - a field begins right after the preceding comma (white space after a comma belongs
//     to the next field) or at the start of the value;
//   - a field whose first character is a double quote reaches past the next double quote
//     to the first comma after that one; any other field reaches to the next comma; the
//     last field reaches to the end of the value;
//   - fields beyond the last are empty; a field that opens a quote without a second one
//     is empty, and so is every field after it.
class CSetupFieldCursor {
 public:
  explicit CSetupFieldCursor(std::string_view value) : m_value(value) {}
  inline std::string_view Next();
  // True once every further field is empty.
  bool AtEnd() const { return m_fDone || m_pos > m_value.size(); }

 private:
  std::string_view m_value;
  std::size_t m_pos = 0;
  bool m_fDone = false;
};

// The field's text with every two adjacent double quotes replaced by one. Returns raw
// itself when it holds no such pair, else the text built in scratch.
inline std::string_view CookField(std::string_view raw, ByteString* scratch);

class CSetupFile {
 public:
  CSetupFile() = default;
  virtual ~CSetupFile();
  CSetupFile(const CSetupFile&) = delete;
  CSetupFile& operator=(const CSetupFile&) = delete;

  // Reads the whole file. False (and nothing loaded) for an empty path, a file that
  // cannot be opened or read, an empty file and one of 4 GiB or more.
  bool Open(const char* path);
  // Loads a copy of size bytes as if they were a file's content; false when size is 0.
  bool OpenBytes(const char* data, std::size_t size);
  // Frees the content; size and position become 0.
  void Close();

  // Rewinds and reads up to the header of the named section (ignoring case). True when
  // found; reading continues after the header.
  bool FindSection(const char* name);
  // The value of the next entry of that name (ignoring case) in the current section.
  // False at the next section header or the end of the content; false with an empty
  // output for a missing output or an empty name.
  bool GetNextValue(const char* name, ByteString* value);
  // The same, handing out a view into the content (valid until Close or Open).
  bool GetNextValueView(std::string_view name, std::string_view* value);
  // The next entry of the current section, whatever its name: views into the content.
  bool GetNextEntryView(std::string_view* name, std::string_view* value);

  // Field number index of a value (see CSetupFieldCursor), doubled quotes made single;
  // enclosing quotes stay in place. Not trimmed.
  static ByteString GetField(std::string_view value, unsigned index);
  // The text between enclosing double quotes, or "" when the text is not enclosed in
  // them (unquoted text is refused, not passed through).
  static ByteString Unquote(std::string_view text);
  static inline std::string_view UnquoteView(std::string_view text);
  // kSetupDataString for quoted text and anything naming a directory macro, else
  // kSetupDataNumber (also for empty text).
  static int GetDataType(std::string_view text);

  std::uint32_t Size() const { return m_nSize; }
  std::uint32_t Position() const { return m_nPos; }

 private:
  bool Adopt(char* content, std::size_t size);
  bool SkipLine();
  bool ReadRawLine(std::string_view* line, const char** equals);

  char* m_pContent = nullptr;  // m_nSize bytes, then zero bytes (at least one)
  std::uint32_t m_nSize = 0;
  std::uint32_t m_nPos = 0;
};

// Inline: every line of a lookup runs through these.

namespace setupfile_detail {
// Position of c in s from pos on, or npos. Fields are short: a plain loop beats a call.
inline std::size_t FindChar(std::string_view s, char c, std::size_t pos) {
  for (std::size_t i = pos; i < s.size(); ++i) {
    if (s[i] == c) return i;
  }
  return std::string_view::npos;
}
std::string_view UndoubleQuotes(std::string_view raw, std::size_t firstPair, ByteString* scratch);
}  // namespace setupfile_detail

inline std::string_view CSetupFieldCursor::Next() {
  using setupfile_detail::FindChar;
  if (AtEnd()) return std::string_view();
  const std::size_t start = m_pos;
  std::size_t comma;
  if (start < m_value.size() && m_value[start] == '"') {
    const std::size_t close = FindChar(m_value, '"', start + 1);
    if (close == std::string_view::npos) {
      m_fDone = true;  // an open quote swallows this field and every later one
      return std::string_view();
    }
    comma = FindChar(m_value, ',', close + 1);
  } else {
    comma = FindChar(m_value, ',', start);
  }
  if (comma == std::string_view::npos) {
    m_pos = m_value.size() + 1;  // past the last field
    return m_value.substr(start);
  }
  m_pos = comma + 1;
  return m_value.substr(start, comma - start);
}

inline std::string_view CookField(std::string_view raw, ByteString* scratch) {
  for (std::size_t i = 0; i + 1 < raw.size(); ++i) {
    if (raw[i] == '"' && raw[i + 1] == '"') return setupfile_detail::UndoubleQuotes(raw, i, scratch);
  }
  return raw;
}

inline std::string_view CSetupFile::UnquoteView(std::string_view text) {
  if (text.size() < 2 || text.front() != '"' || text.back() != '"') return std::string_view();
  return text.substr(1, text.size() - 2);
}
