#pragma once
// Small text helpers over views, shared by the setup data reader and its lookups.
// The reader hands out views into the loaded file so that a lookup copies nothing it
// does not keep.
#include <cstddef>
#include <string_view>

#include "base/bytestring.h"

namespace setuptext {

// The white space that the reader trims: blank, tab, line feed, vertical tab, form feed,
// carriage return. Bytes of 0x80 and above are never white space.
constexpr bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

inline std::string_view Trim(std::string_view s) {
  std::size_t b = 0;
  std::size_t e = s.size();
  while (b < e && IsBlank(s[b])) ++b;
  while (e > b && IsBlank(s[e - 1])) --e;
  return s.substr(b, e - b);
}

// Equality ignoring the case of ASCII letters (names in these files are ASCII).
using ::EqualNoCase;

// True when hay contains needle, ignoring case. needle must be upper case.
inline bool ContainsUpper(std::string_view hay, std::string_view needle) {
  if (needle.size() > hay.size()) return false;
  for (std::size_t i = 0; i + needle.size() <= hay.size(); ++i) {
    std::size_t k = 0;
    while (k < needle.size() && ToUpperAscii(hay[i + k]) == needle[k]) ++k;
    if (k == needle.size()) return true;
  }
  return false;
}

// A null text counts as empty.
inline std::string_view View(const char* s) { return s == nullptr ? std::string_view() : std::string_view(s); }

}  // namespace setuptext
