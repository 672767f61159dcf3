// The block scanners of the setup data reader against a plain byte loop. Both variants
// are checked here: the 16-byte one runs where SSE2 exists, the 8-byte one on the
// shipping i686 build.
#include "drvdata/linescan.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace {

const char* Reference(const char* p) {
  while (*p != '\0' && *p != '\n' && *p != ';' && *p != '=') ++p;
  return p;
}

TEST(LineScan, FindsTheFirstStopByteAtEveryOffsetAndAlignment) {
  // Bytes next to the stop bytes and with the high bit set are where the zero-byte test
  // could go wrong.
  const char alphabet[] = {'a', ' ', '\t', '\r', '\x0b', '\x3a', '\x3c', '\x3e', '\x3d' + 1, '\x80', '\x8a', '\xbb',
                           '\xff', '\x01', '\n', ';', '='};
  std::mt19937 rng(4);
  for (int round = 0; round < 20000; ++round) {
    const std::size_t len = rng() % 70;
    const std::size_t shift = rng() % 16;
    std::vector<char> buf(shift + len + 1 + linescan::kScanPadding, '\0');
    char* text = buf.data() + shift;
    for (std::size_t i = 0; i < len; ++i) {
      // Mostly plain bytes, so that stops come late as well as early.
      text[i] = (rng() % 8 == 0) ? alphabet[rng() % sizeof alphabet] : alphabet[rng() % 13];
    }
    if (rng() % 4 == 0 && len > 0) text[rng() % len] = '\0';
    const char* want = Reference(text);
    ASSERT_EQ((linescan::FindStopWords<'\n', ';', '='>(text)), want) << "round " << round;
#if defined(TA_LINESCAN_SSE2)
    ASSERT_EQ((linescan::FindStopBlocks<'\n', ';', '='>(text)), want) << "round " << round;
#endif
  }
}

}  // namespace
