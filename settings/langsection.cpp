#include "settings/langsection.h"

#include <cstring>

namespace {

constexpr std::uint16_t kPrimaryEnglish = 0x09;

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// Ends s at its first occurrence of c and gives the text after it, or null (s untouched).
char* CutAt(char* s, char c) {
  if (s == nullptr) return nullptr;
  char* at = std::strchr(s, c);
  if (at == nullptr) return nullptr;
  *at = '\0';
  return at + 1;
}

}  // namespace

std::uint16_t ParseHexWord(const char* text) {
  std::uint16_t value = 0;
  if (text == nullptr) return value;
  for (; *text != '\0'; ++text) {
    const int digit = HexDigit(*text);
    if (digit >= 0) value = static_cast<std::uint16_t>((value << 4) | digit);
  }
  return value;
}

std::size_t CountSectionLines(const char* buffer, std::size_t length) {
  std::size_t lines = 0;
  if (buffer == nullptr) return lines;
  for (std::size_t i = 0; i < length; ++i) {
    if (buffer[i] == '\0') ++lines;
  }
  return lines;
}

void SplitLanguageEntries(LanguageEntry* entries, char* buffer, std::size_t count) {
  if (entries == nullptr || buffer == nullptr) return;
  char* line = buffer;
  for (std::size_t i = 0; i < count; ++i) {
    const std::size_t length = std::strlen(line);
    LanguageEntry& e = entries[i];
    e.name = line;
    char* primary = CutAt(line, '=');
    char* sub = CutAt(primary, ',');
    CutAt(sub, ',');
    e.primary = primary;
    e.sub = sub;
    line += length + 1;
  }
}

const char* MatchLanguageEntry(const LanguageEntry* entries, std::uint16_t languageId, std::size_t count) {
  if (entries == nullptr || count == 0) return "";
  const std::uint16_t primary = languageId & 0x3FF;
  const std::uint16_t sub = languageId >> 10;
  const LanguageEntry* samePrimary = nullptr;
  const LanguageEntry* english = nullptr;
  for (std::size_t i = 0; i < count; ++i) {
    const std::uint16_t p = ParseHexWord(entries[i].primary);
    if (p == primary && ParseHexWord(entries[i].sub) == sub) return entries[i].name;
    if (p == primary && samePrimary == nullptr) samePrimary = &entries[i];
    if (p == kPrimaryEnglish && english == nullptr) english = &entries[i];
  }
  const LanguageEntry* chosen = samePrimary != nullptr ? samePrimary : english != nullptr ? english : &entries[0];
  return chosen->name != nullptr ? chosen->name : "";
}
