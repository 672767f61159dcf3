#include "frame/separators.h"

#include "base/text260.h"

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

// The entry [begin, end) as a number, or false when it leaves the 32-bit range.
bool ConvertEntry(const char* begin, const char* end, std::int32_t* value) {
  const char* p = begin;
  while (p < end && IsBlank(*p)) ++p;
  bool negative = false;
  if (p < end && (*p == '+' || *p == '-')) {
    negative = *p == '-';
    ++p;
  }
  // Accumulate the magnitude; one step past 2^31 is already out of range either way.
  constexpr std::int64_t kLimit = std::int64_t{1} << 31;
  std::int64_t magnitude = 0;
  for (; p < end && *p >= '0' && *p <= '9'; ++p) {
    magnitude = magnitude * 10 + (*p - '0');
    if (magnitude > kLimit) return false;
  }
  if (!negative && magnitude == kLimit) return false;
  *value = static_cast<std::int32_t>(negative ? -magnitude : magnitude);
  return true;
}

}  // namespace

bool SeparatorPlaces::TakeBefore(std::int32_t n) {
  if (next >= kMaxSeparatorPlaces || n != place[next]) return false;
  ++next;
  return true;
}

int ParseSeparatorPlaces(const char* text, SeparatorPlaces* out) {
  if (out == nullptr) return 0;
  *out = SeparatorPlaces();
  if (text == nullptr || text[0] == '\0') return 1;
  Text260 list = {};
  if (!TextCopy(list, text)) return 0;

  const char* entry = list;
  while (out->count < kMaxSeparatorPlaces) {
    const char* end = entry;
    while (*end != '\0' && *end != ',') ++end;
    std::int32_t value = 0;
    if (ConvertEntry(entry, end, &value)) out->place[out->count] = value;
    ++out->count;
    if (*end == '\0') break;
    entry = end + 1;
  }
  return 1;
}
