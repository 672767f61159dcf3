#include "frame/auxvalue.h"

#include <cstring>

#include "base/text260.h"

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

ByteString Trimmed(const char* begin, const char* end) {
  while (begin < end && IsBlank(*begin)) ++begin;
  while (end > begin && IsBlank(end[-1])) --end;
  return ByteString(begin, end);
}

}  // namespace

void SplitShellCommand(const char* value, ByteString* target, ByteString* parameters) {
  target->clear();
  parameters->clear();
  if (value == nullptr) return;
  const char* end = value + std::strlen(value);
  const char* targetEnd = end;
  const char* parametersBegin = end;
  if (const char* bar = std::strchr(value, '|')) {
    targetEnd = bar;
    parametersBegin = bar + 1;
  } else if (const char* slash = std::strchr(value, '/')) {
    targetEnd = slash;
    parametersBegin = slash;
  }
  *target = Trimmed(value, targetEnd);
  *parameters = Trimmed(parametersBegin, end);
}

bool IsDriverUpdateFormat(const char* value) {
  if (value == nullptr) return false;
  int strings = 0;
  for (const char* p = value; *p != '\0'; ++p) {
    if (*p != '%') continue;
    ++p;
    if (*p == '%') continue;
    if (*p != 's' || ++strings > 1) return false;
  }
  // Without the folder's "%s" the value is no driver-update command at all.
  return strings == 1;
}

bool FormatDriverUpdateCommand(char* out, std::size_t size, const char* value, const char* folder) {
  if (!TextCopy(out, size, "")) return false;
  if (!IsDriverUpdateFormat(value) || folder == nullptr) return false;
  for (const char* p = value; *p != '\0';) {
    // The plain run up to the next '%', then what the conversion stands for.
    const char* run = p;
    while (*p != '\0' && *p != '%') ++p;
    const std::size_t used = std::strlen(out);
    bool fits = TextCopyN(out + used, size - used, run, static_cast<std::size_t>(p - run));
    if (fits && *p != '\0') {
      fits = TextAppend(out, size, p[1] == 's' ? folder : "%");
      p += 2;
    }
    if (!fits) {
      out[0] = '\0';
      return false;
    }
  }
  return true;
}
