#pragma once
// Byte string: the growable 8-bit (ANSI code page) string used for names, paths, values
// and command lines that are not fixed fields. std::string gives cheap, independent
// copies; these helpers add the comparisons and formatting the program relies on.
#include <cstdarg>
#include <string>
#include <string_view>

#include "base/compiler.h"

using ByteString = std::string;

// Plain comparison is case-sensitive (operator== on ByteString). These compare without
// regard to case; case folding covers ASCII letters only, as the switch names, section
// names and value names the program compares are ASCII.
constexpr char ToUpperAscii(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }
bool EqualNoCase(const char* a, const char* b);  // null equals only null
int CompareNoCase(const char* a, const char* b);
inline bool EqualNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (a[i] != b[i] && ToUpperAscii(a[i]) != ToUpperAscii(b[i])) return false;
  }
  return true;
}

// printf-style formatting. The result is empty when it cannot be formed (a bad format
// or one longer than kMaxFormatted).
constexpr std::size_t kMaxFormatted = 64 * 1024;
ByteString FormatString(const char* fmt, ...) TA_PRINTF_FORMAT(1, 2);
ByteString FormatStringV(const char* fmt, std::va_list args) TA_PRINTF_FORMAT(1, 0);
