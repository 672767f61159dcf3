#include "app/logline.h"

#include <cstdio>

ByteString FormatLogPrefix(std::uint32_t processId, std::uint32_t tickCount) {
  // Longest: 8 hex digits ";" + "71582:47.295; " fits easily.
  char buf[64];
  const unsigned minutes = static_cast<unsigned>(tickCount / 60000u);
  const unsigned seconds = static_cast<unsigned>((tickCount / 1000u) % 60u);
  const unsigned millis = static_cast<unsigned>(tickCount % 1000u);
  const int n = std::snprintf(buf, sizeof buf, "%04X;%5u:%02u.%03u; ", static_cast<unsigned>(processId), minutes,
                              seconds, millis);
  if (n < 0 || static_cast<std::size_t>(n) >= sizeof buf) return ByteString();
  return ByteString(buf, static_cast<std::size_t>(n));
}

// Bodies are appended rather than formatted so that a text of any length (a long
// command line, say) is logged whole.
ByteString FormatLogText(std::uint32_t processId, std::uint32_t tickCount, const char* text) {
  ByteString line = FormatLogPrefix(processId, tickCount);
  line += text;
  line += '\n';
  return line;
}

ByteString FormatLogStr(std::uint32_t processId, std::uint32_t tickCount, const char* label, const char* text) {
  ByteString line = FormatLogPrefix(processId, tickCount);
  line += label;
  line += " : ";
  line += text;
  line += '\n';
  return line;
}

ByteString FormatLogInt(std::uint32_t processId, std::uint32_t tickCount, const char* label, std::int32_t value) {
  ByteString line = FormatLogPrefix(processId, tickCount);
  line += label;
  line += " : ";
  line += std::to_string(value);
  line += '\n';
  return line;
}

ByteString ToTextModeBytes(const ByteString& text) {
  ByteString out;
  out.reserve(text.size() + text.size() / 16 + 2);
  for (char c : text) {
    if (c == '\n') out += '\r';
    out += c;
  }
  return out;
}
