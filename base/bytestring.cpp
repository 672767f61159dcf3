#include "base/bytestring.h"

#include <cstdio>
#include <vector>

int CompareNoCase(const char* a, const char* b) {
  if (a == nullptr || b == nullptr) return (a == b) ? 0 : (a == nullptr ? -1 : 1);
  for (;; ++a, ++b) {
    const unsigned char ca = static_cast<unsigned char>(ToUpperAscii(*a));
    const unsigned char cb = static_cast<unsigned char>(ToUpperAscii(*b));
    if (ca != cb) return ca < cb ? -1 : 1;
    if (ca == 0) return 0;
  }
}

bool EqualNoCase(const char* a, const char* b) { return CompareNoCase(a, b) == 0; }

ByteString FormatStringV(const char* fmt, std::va_list args) {
  if (fmt == nullptr) return ByteString();
  std::va_list probe;
  va_copy(probe, args);
  const int n = std::vsnprintf(nullptr, 0, fmt, probe);
  va_end(probe);
  if (n < 0 || static_cast<std::size_t>(n) > kMaxFormatted) return ByteString();
  std::vector<char> buf(static_cast<std::size_t>(n) + 1);
  const int written = std::vsnprintf(buf.data(), buf.size(), fmt, args);
  if (written != n) return ByteString();
  return ByteString(buf.data(), static_cast<std::size_t>(n));
}

ByteString FormatString(const char* fmt, ...) {
  std::va_list args;
  va_start(args, fmt);
  ByteString s = FormatStringV(fmt, args);
  va_end(args);
  return s;
}
