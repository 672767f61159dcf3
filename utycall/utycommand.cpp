#include "utycall/utycommand.h"

#include <cstring>
#include <limits>

#include "base/text260.h"

namespace {

struct UtyEntry {
  std::int32_t number;
  const char* name;
  bool called;
};

// Searched in order; the first row with the number wins.
constexpr UtyEntry kUtyEntries[] = {
    {1, "UtPrintNozzleTestPattern", true},
    {2, "UtCleanHead", true},
    {3, "UtAlignGap", true},
    {4, "WndInkReplacement", false},
    {5, "UtInkReplacement", false},
    {6, "UtSetup", false},
    {7, "UtAbsInkRep", false},
    {8, "UtSetupfromZelt", false},
    {9, "UtAlignCutter", false},
    {10, "UtCleanCutter", false},
    {11, "UtAutoCleanHead", true},
    {12, "UtSetupAutoCleanHead", false},
    {13, "WndMaintenanceTankReplacement", false},
};

const UtyEntry* FindEntry(std::int32_t number) {
  for (const UtyEntry& entry : kUtyEntries) {
    if (entry.number == number) return &entry;
  }
  return nullptr;
}

// The white space the C runtime's number reading skips.
bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

}  // namespace

bool FindUtyLibraryEnd(const char* value, std::size_t* libraryLength) {
  if (value == nullptr || libraryLength == nullptr) return false;
  const char* marker = std::strstr(value, " /U");
  if (marker == nullptr) return false;
  *libraryLength = static_cast<std::size_t>(marker - value);
  return true;
}

std::int32_t ParseUtyNumber(const char* value, std::size_t libraryLength) {
  if (value == nullptr) return 0;
  const char* p = value + libraryLength + 3;  // past " /U"
  while (IsBlank(*p)) ++p;
  bool negative = false;
  if (*p == '+' || *p == '-') negative = *p++ == '-';
  // Accumulate towards the sign's end of the range so that the smallest value fits too.
  constexpr std::int64_t kLimit = static_cast<std::int64_t>(std::numeric_limits<std::int32_t>::max()) + 1;
  std::int64_t magnitude = 0;
  for (; *p >= '0' && *p <= '9'; ++p) {
    magnitude = magnitude * 10 + (*p - '0');
    if (magnitude > kLimit) magnitude = kLimit;
  }
  if (negative) return static_cast<std::int32_t>(-magnitude);
  return magnitude >= kLimit ? std::numeric_limits<std::int32_t>::max() : static_cast<std::int32_t>(magnitude);
}

bool MakeUtySemaphoreName(const char* printerName, char* out, std::size_t size) {
  if (!TextCopy(out, size, printerName)) return false;
  for (char* p = out; *p != '\0'; ++p) {
    if (*p == '\\') *p = '/';
  }
  return true;
}

const char* UtyEntryName(std::int32_t number) {
  const UtyEntry* entry = FindEntry(number);
  return entry != nullptr ? entry->name : nullptr;
}

bool IsUtyEntryCalled(std::int32_t number) {
  const UtyEntry* entry = FindEntry(number);
  return entry != nullptr && entry->called;
}
