#pragma once
// The data file's "Language" section: one line per resource library language,
// "<section>=<primary>,<sub>" with both numbers in hexadecimal. Portable: the section
// comes in as the profile API gives it (zero-terminated lines, one after the other).
#include <cstddef>
#include <cstdint>

// One line of the section. The texts point into the section buffer, which
// SplitLanguageEntries cuts in place; a missing text counts as the number 0.
struct LanguageEntry {
  const char* name;     // the line's key: a section of the data file
  const char* primary;  // after the equals sign, up to the first comma; null without '='
  const char* sub;      // after that comma, up to the next; null without a comma
};

// Hexadecimal digits of text, any other character skipped (not ending the number), the
// value kept to 16 bits. Null gives 0.
std::uint16_t ParseHexWord(const char* text);

// Number of lines in the first length characters of a section buffer: one zero byte
// ends each line.
std::size_t CountSectionLines(const char* buffer, std::size_t length);

// Fills entries[0..count) from the first count zero-terminated lines of buffer, turning
// the first '=' and the next two commas of each line into zero bytes (what follows a
// second comma is ignored). buffer must hold count terminated lines.
void SplitLanguageEntries(LanguageEntry* entries, char* buffer, std::size_t count);

// The section for a language id (primary language: low 10 bits; sub-language: id >> 10):
// the first line with both numbers equal, else the first with the primary language,
// else the first English line (primary 9), else the first line. "" without lines.
const char* MatchLanguageEntry(const LanguageEntry* entries, std::uint16_t languageId, std::size_t count);
