// "Language" sections of any content, matched against any language id. The section is
// given in an exact heap block, as the profile functions fill it (zero-terminated lines),
// so AddressSanitizer sees any read past it; every entry is checked against the line it
// came from, and the choice against the order of preference.
//
// Input: two bytes of language id (low byte first), then the section's bytes, zero bytes
// ending lines (a final terminator is added when missing).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "settings/langsection.h"

namespace {

void Check(bool ok) {
  if (!ok) std::abort();
}

struct Expected {
  std::string name;
  bool hasPrimary = false;
  std::string primary;
  bool hasSub = false;
  std::string sub;
};

Expected Reference(const std::string& line) {
  Expected e;
  const std::size_t eq = line.find('=');
  e.name = line.substr(0, eq);
  if (eq == std::string::npos) return e;
  e.hasPrimary = true;
  const std::string rest = line.substr(eq + 1);
  const std::size_t comma = rest.find(',');
  e.primary = rest.substr(0, comma);
  if (comma == std::string::npos) return e;
  e.hasSub = true;
  e.sub = rest.substr(comma + 1);
  e.sub = e.sub.substr(0, e.sub.find(','));
  return e;
}

bool Inside(const char* p, const std::vector<char>& block) {
  return p >= block.data() && p < block.data() + block.size();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  const std::uint16_t language = static_cast<std::uint16_t>(data[0] | (data[1] << 8));
  std::vector<char> block(reinterpret_cast<const char*>(data) + 2, reinterpret_cast<const char*>(data) + size);
  if (block.empty() || block.back() != '\0') block.push_back('\0');
  const std::size_t count = CountSectionLines(block.data(), block.size());

  std::vector<std::string> lines;
  for (std::size_t at = 0; at < block.size(); at += lines.back().size() + 1) lines.emplace_back(block.data() + at);
  Check(lines.size() == count);

  std::vector<LanguageEntry> entries(count);
  SplitLanguageEntries(entries.data(), block.data(), count);
  for (std::size_t i = 0; i < count; ++i) {
    const Expected want = Reference(lines[i]);
    const LanguageEntry& e = entries[i];
    Check(Inside(e.name, block) && want.name == e.name);
    Check((e.primary != nullptr) == want.hasPrimary && (e.sub != nullptr) == want.hasSub);
    if (e.primary != nullptr) Check(Inside(e.primary, block) && want.primary == e.primary);
    if (e.sub != nullptr) Check(Inside(e.sub, block) && want.sub == e.sub);
  }

  const char* chosen = MatchLanguageEntry(entries.data(), language, count);
  if (count == 0) {
    Check(chosen != nullptr && chosen[0] == '\0');
    return 0;
  }
  // The chosen entry is the first of the best kind there is.
  const unsigned primary = language & 0x3FF;
  const unsigned sub = language >> 10;
  auto rank = [&](const LanguageEntry& e) {
    const unsigned p = ParseHexWord(e.primary);
    if (p == primary && ParseHexWord(e.sub) == sub) return 0;
    if (p == primary) return 1;
    if (p == 9) return 2;
    return 3;
  };
  std::size_t best = 0;
  for (std::size_t i = 1; i < count; ++i) {
    if (rank(entries[i]) < rank(entries[best])) best = i;
  }
  Check(chosen == entries[best].name);
  return 0;
}
