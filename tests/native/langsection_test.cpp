// The "Language" section of a data file: hexadecimal numbers, the in-place split of the
// section buffer, and the choice of a section for a language id.
#include "settings/langsection.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// A section buffer as the profile functions give it: lines joined by zero bytes, the last
// followed by two. The lines are split on construction.
class Section {
 public:
  explicit Section(const std::vector<std::string>& lines) {
    for (const std::string& line : lines) {
      m_buffer.insert(m_buffer.end(), line.begin(), line.end());
      m_buffer.push_back('\0');
    }
    const std::size_t length = m_buffer.size();
    m_buffer.push_back('\0');
    m_count = CountSectionLines(m_buffer.data(), length);
    m_entries.assign(m_count + 1, LanguageEntry{"stale", "stale", "stale"});
    SplitLanguageEntries(m_entries.data(), m_buffer.data(), m_count);
  }
  std::size_t Count() const { return m_count; }
  const LanguageEntry& operator[](std::size_t i) const { return m_entries[i]; }
  std::string Match(unsigned languageId) const {
    return MatchLanguageEntry(m_entries.data(), static_cast<std::uint16_t>(languageId), m_count);
  }

 private:
  std::vector<char> m_buffer;
  std::vector<LanguageEntry> m_entries;
  std::size_t m_count = 0;
};

std::string Text(const char* s) { return s == nullptr ? "(null)" : s; }

TEST(LanguageSection, HexWordSkipsWhatIsNotADigit) {
  const std::pair<const char*, unsigned> cases[] = {
      {nullptr, 0},   {"", 0},          {"0C", 0x0C},       {"0c", 0x0C},      {" 0 9 ", 0x09},
      {"zz1", 0x1},   {"1zz", 0x1},     {"0x1F", 0x1F},     {"a-b", 0xAB},     {"FFFF", 0xFFFF},
      {"12345", 0x2345},  // only the last four digits survive in 16 bits
      {"fFfF0", 0xFFF0},
      {"gG", 0},
  };
  for (const auto& c : cases) EXPECT_EQ(ParseHexWord(c.first), c.second) << Text(c.first);
}

TEST(LanguageSection, SplitCutsTheBufferInPlace) {
  const Section s({"Lang_English=09,01", "NoEquals", "NoComma=07", "Three=0C,01,ignored,more", "Empty=", "=0A,02"});
  ASSERT_EQ(s.Count(), 6u);
  const struct {
    const char* name;
    const char* primary;
    const char* sub;
  } want[] = {
      {"Lang_English", "09", "01"}, {"NoEquals", nullptr, nullptr}, {"NoComma", "07", nullptr},
      {"Three", "0C", "01"},        {"Empty", "", nullptr},         {"", "0A", "02"},
  };
  for (std::size_t i = 0; i < s.Count(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(Text(s[i].name), Text(want[i].name));
    EXPECT_EQ(Text(s[i].primary), Text(want[i].primary));
    EXPECT_EQ(Text(s[i].sub), Text(want[i].sub));
  }
  EXPECT_EQ(Text(s[s.Count()].name), "stale") << "nothing written past the lines";
}

TEST(LanguageSection, LinesAreCountedByTheirTerminators) {
  const char buffer[] = "a=1\0b=2\0c\0\0";
  EXPECT_EQ(CountSectionLines(buffer, 10), 3u);
  EXPECT_EQ(CountSectionLines(buffer, 0), 0u);
  EXPECT_EQ(CountSectionLines(nullptr, 10), 0u);
}

struct MatchCase {
  const char* what;
  std::vector<std::string> lines;
  unsigned languageId;
  const char* chosen;
};

TEST(LanguageSection, MatchPrefersExactThenPrimaryThenEnglishThenFirst) {
  const std::vector<std::string> sample = {"Lang_English=09,01", "Lang_German=07,01", "Lang_French=0C,01"};
  const MatchCase cases[] = {
      {"exact English (US)", sample, 0x0409, "Lang_English"},
      {"exact German", sample, 0x0407, "Lang_German"},
      {"exact French", sample, 0x040C, "Lang_French"},
      {"primary only: Swiss German", sample, 0x0807, "Lang_German"},
      {"not listed: Japanese takes English", sample, 0x0411, "Lang_English"},
      {"exact beats an earlier line of the same primary",
       {"Lang_DE=07,01", "Lang_CH=07,02", "Lang_AT=07,03"}, 0x0C07, "Lang_AT"},
      {"primary only takes the first such line", {"X=09,01", "Lang_DE=07,01", "Lang_CH=07,02"}, 0x1407,
       "Lang_DE"},
      {"first English line, not the first line", {"Lang_FR=0C,01", "Lang_UK=09,02", "Lang_US=09,01"}, 0x0411,
       "Lang_UK"},
      {"no English: the first line", {"Lang_FR=0C,01", "Lang_DE=07,01"}, 0x0411, "Lang_FR"},
      {"no comma is sub 0: matches only sub 0 exactly", {"Lang_A=07,01", "Lang_B=07"}, 0x0007, "Lang_B"},
      {"no comma is sub 0: not exact for sub 1", {"Lang_B=07", "Lang_A=07,01"}, 0x0407, "Lang_A"},
      {"no equals sign counts as language 0", {"Lang_FR=0C,01", "Neutral"}, 0x0000, "Neutral"},
      {"text after a second comma is ignored", {"Lang_FR=0C,01", "Lang_DE=07,01,0C"}, 0x0407, "Lang_DE"},
      {"spaces inside the numbers", {"Lang_FR=0C,01", "Lang_DE= 0 7 , 0 1 "}, 0x0407, "Lang_DE"},
      {"primary is the low 10 bits: 0x409 is not 0x09", {"Lang_FR=0C,01", "Lang_409=409,00"}, 0x0409,
       "Lang_FR"},
      {"only line", {"Only=0C,01"}, 0x0407, "Only"},
      {"no lines", {}, 0x0409, ""},
  };
  for (const MatchCase& c : cases) {
    const Section s(c.lines);
    EXPECT_EQ(s.Match(c.languageId), c.chosen) << c.what;
  }
}

}  // namespace
