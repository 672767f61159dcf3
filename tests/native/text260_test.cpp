// Bounded writes into fixed buffers: every edge where a copy could overflow or truncate.
#include "base/text260.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

// A buffer with guard bytes on both sides to catch writes outside it.
template <std::size_t N>
struct Guarded {
  char before[8];
  char buf[N];
  char after[8];
  Guarded() {
    std::memset(before, 0x5A, sizeof before);
    std::memset(buf, 0x7E, sizeof buf);
    std::memset(after, 0x5A, sizeof after);
  }
  bool GuardsIntact() const {
    for (char c : before) if (c != 0x5A) return false;
    for (char c : after) if (c != 0x5A) return false;
    return true;
  }
};

struct CopyCase {
  std::size_t srcLen;
  bool ok;
};

TEST(TextCopy, FitsUpToSizeMinusOneAndFailsEmptyBeyond) {
  for (const CopyCase c : {CopyCase{0, true}, CopyCase{1, true}, CopyCase{258, true}, CopyCase{259, true},
                           CopyCase{260, false}, CopyCase{261, false}, CopyCase{5000, false}}) {
    SCOPED_TRACE(c.srcLen);
    Guarded<kTextSize> g;
    const std::string src(c.srcLen, 'x');
    EXPECT_EQ(TextCopy(g.buf, src.c_str()), c.ok);
    EXPECT_EQ(std::string(g.buf), c.ok ? src : std::string());
    EXPECT_TRUE(g.GuardsIntact());
  }
}

TEST(TextCopy, NullSourceAndZeroSizedDestinationFail) {
  char buf[4] = "abc";
  EXPECT_FALSE(TextCopy(buf, nullptr));
  EXPECT_STREQ(buf, "");
  char untouched[4] = "abc";
  EXPECT_FALSE(TextCopy(untouched, 0, "x"));
  EXPECT_STREQ(untouched, "abc");
  EXPECT_FALSE(TextCopy(nullptr, 10, "x"));
}

TEST(TextCopy, ReadsNoFurtherThanTheDestinationCouldHold) {
  // An unterminated source longer than the destination must not be scanned to its end.
  char src[8];
  std::memset(src, 'y', sizeof src);
  char dst[4] = "abc";
  EXPECT_FALSE(TextCopy(dst, src));  // would read past src if it looked for a terminator
  EXPECT_STREQ(dst, "");
}

TEST(TextCopyN, CopiesExactlyNBytesIncludingEmbeddedQuotes) {
  char dst[8];
  EXPECT_TRUE(TextCopyN(dst, "ab\"cdef", 4));
  EXPECT_STREQ(dst, "ab\"c");
  EXPECT_TRUE(TextCopyN(dst, "1234567", 7));
  EXPECT_STREQ(dst, "1234567");
  EXPECT_FALSE(TextCopyN(dst, "12345678", 8));
  EXPECT_STREQ(dst, "");
}

TEST(TextAppend, FailsWithoutChangingTheDestination) {
  Guarded<8> g;
  std::strcpy(g.buf, "abc");
  EXPECT_TRUE(TextAppend(g.buf, "defg"));  // exactly 7 + terminator
  EXPECT_STREQ(g.buf, "abcdefg");
  EXPECT_FALSE(TextAppend(g.buf, "h"));
  EXPECT_STREQ(g.buf, "abcdefg");
  EXPECT_TRUE(TextAppend(g.buf, ""));
  EXPECT_FALSE(TextAppend(g.buf, nullptr));
  EXPECT_STREQ(g.buf, "abcdefg");
  EXPECT_TRUE(g.GuardsIntact());
}

TEST(TextAppend, RefusesAnUnterminatedDestination) {
  Guarded<4> g;  // filled with 0x7E, no terminator
  EXPECT_FALSE(TextAppend(g.buf, "x"));
  EXPECT_TRUE(g.GuardsIntact());
  EXPECT_EQ(g.buf[0], 0x7E);
}

TEST(TextFormat, FailsEmptyWhenTheResultDoesNotFit) {
  Guarded<10> g;
  EXPECT_TRUE(TEXT_FORMAT(g.buf, "%s\\%s", "abcd", "efgh"));  // 9 chars
  EXPECT_STREQ(g.buf, "abcd\\efgh");
  EXPECT_FALSE(TEXT_FORMAT(g.buf, "%s\\%s", "abcd", "efghi"));  // 10 chars
  EXPECT_STREQ(g.buf, "");
  EXPECT_TRUE(TEXT_FORMAT(g.buf, "%d", -12345678));
  EXPECT_STREQ(g.buf, "-12345678");
  EXPECT_TRUE(TEXT_FORMAT(g.buf, "%s", ""));
  EXPECT_STREQ(g.buf, "");
  EXPECT_TRUE(g.GuardsIntact());
}

TEST(TextLength, StopsAtTheBufferEnd) {
  const char noTerminator[3] = {'a', 'b', 'c'};
  EXPECT_EQ(TextLength(noTerminator, sizeof noTerminator), 3u);
  EXPECT_EQ(TextLength("ab", 10), 2u);
  EXPECT_EQ(TextLength(nullptr, 10), 0u);
}

}  // namespace
