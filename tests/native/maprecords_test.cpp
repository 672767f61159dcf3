// Instance map records over a plain block: claims, stores and releases as the package's
// programs see them, and blocks that other programs left damaged.
#include "instmap/maprecords.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <set>
#include <string>
#include <vector>

namespace {

constexpr std::uint32_t kLive = 0x00010064;  // a window that exists
constexpr std::uint32_t kGone = 0x00020022;  // one whose program ended
constexpr std::uint32_t kMine = 0x000300A6;  // the claimant's value

std::vector<std::string> g_log;
int CaptureLog(const char* text) {
  g_log.push_back(text);
  return 1;
}

// Live windows: kLive, and anything the test adds. The placeholder is "live" here so that
// a claim that asked would wrongly see it held.
bool IsAlive(std::uint32_t window, void* context) {
  return static_cast<const std::set<std::uint32_t>*>(context)->count(window) != 0;
}

class Block {
 public:
  explicit Block(std::size_t size = kMapBlockSize) : m_bytes(size, 0) { InitMapBlock(m_bytes.data(), size); }
  unsigned char* Data() { return m_bytes.data(); }
  std::size_t Size() const { return m_bytes.size(); }
  unsigned char* Record(std::size_t r) { return m_bytes.data() + r * kMapRecordSize; }
  const std::vector<unsigned char>& Bytes() const { return m_bytes; }

  // Writes record r as a program of the package would, and moves the end marker behind
  // it when it was the end.
  void Put(std::size_t r, const std::string& key, std::uint32_t sel12, std::uint32_t sel0, std::uint32_t sel3) {
    unsigned char* rec = Record(r);
    const bool wasEnd = rec[0] == kMapEndMark;
    std::memset(rec, 0, kMapRecordSize);
    std::memcpy(rec, key.data(), key.size());
    Set(rec + kMapSlotSel12, sel12);
    Set(rec + kMapSlotSel0, sel0);
    Set(rec + kMapSlotSel3, sel3);
    if (wasEnd && (r + 2) * kMapRecordSize <= m_bytes.size()) Record(r + 1)[0] = kMapEndMark;
  }
  std::string Key(std::size_t r) {
    const unsigned char* k = Record(r);
    const void* nul = std::memchr(k, 0, kMapKeySize);
    return std::string(reinterpret_cast<const char*>(k),
                       nul != nullptr ? static_cast<const unsigned char*>(nul) - k : kMapKeySize);
  }
  std::uint32_t Slot(std::size_t r, std::size_t offset) {
    const unsigned char* p = Record(r) + offset;
    return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
  }
  // Index of the end marker, or kMapRecordCount when there is none.
  std::size_t End() {
    for (std::size_t r = 0; r < kMapRecordCount && (r + 1) * kMapRecordSize <= m_bytes.size(); ++r) {
      if (Record(r)[0] == kMapEndMark) return r;
    }
    return kMapRecordCount;
  }
  // Keys "Printer 0" .. "Printer n-1" in records 0..n-1, tray slots live.
  void Fill(std::size_t n) {
    for (std::size_t r = 0; r < n; ++r) Put(r, "Printer " + std::to_string(r), 0, 0, kLive);
  }

 private:
  static void Set(unsigned char* p, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<unsigned char>(v >> (8 * i));
  }
  std::vector<unsigned char> m_bytes;
};

// Index of the first byte that differs, or -1 (keeps failure output readable).
long FirstDifference(const std::vector<unsigned char>& a, const std::vector<unsigned char>& b) {
  if (a.size() != b.size()) return 0;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (a[i] != b[i]) return static_cast<long>(i);
  }
  return -1;
}

class MapRecords : public ::testing::Test {
 protected:
  void SetUp() override {
    g_log.clear();
    SetInstanceMapLog(&CaptureLog);
  }
  void TearDown() override { SetInstanceMapLog(nullptr); }

  int Claim(Block& b, const std::string& key, int kind, std::uint32_t value = kMine) {
    m_found = 0xDEADBEEF;
    return ClaimMapSlot(b.Data(), b.Size(), key.c_str(), kind, value, &IsAlive, &m_alive, &m_found);
  }

  std::set<std::uint32_t> m_alive = {kLive, kMapPlaceholderValue};
  std::uint32_t m_found = 0;
};

struct ClaimCase {
  const char* what;
  std::function<void(Block&)> before;
  std::string key;
  int kind;
  int result;
  std::uint32_t found;
  const char* lastLog;               // the exit line, when it is not "(1)" and there is one
  std::function<void(Block&)> after;  // checks the block; null: it must be unchanged
};

TEST_F(MapRecords, ClaimCases) {
  const std::string key519(519, 'k');
  const ClaimCase cases[] = {
      {"first agent: record 0 takes the key, record 1 ends the list", [](Block&) {}, "Ink A", 3, 0, 0,
       "exit : CheckMapPrinter(0)[3]",
       [](Block& b) {
         EXPECT_EQ(b.Key(0), "Ink A");
         EXPECT_EQ(b.Slot(0, kMapSlotSel3), kMine);
         EXPECT_EQ(b.Slot(0, kMapSlotSel0), 0u);
         EXPECT_EQ(b.Slot(0, kMapSlotSel12), 0u);
         EXPECT_EQ(b.Record(0)[520], 0);
         EXPECT_EQ(b.Record(0)[521], 0);
         EXPECT_EQ(b.End(), 1u);
       }},
      {"second agent while the first runs", [](Block& b) { b.Put(0, "Ink A", 0, 0, kLive); }, "Ink A", 3, 1, kLive,
       nullptr, nullptr},
      {"letter case does not matter", [](Block& b) { b.Put(0, "iNK a", 0, 0, kLive); }, "Ink A", 3, 1, kLive, nullptr,
       nullptr},
      {"the first agent crashed: its window is gone", [](Block& b) { b.Put(0, "Ink A", 0, 0, kGone); }, "Ink A", 3, 0,
       0, "exit : CheckMapPrinter(0)[2]", [](Block& b) { EXPECT_EQ(b.Slot(0, kMapSlotSel3), kMine); }},
      {"the placeholder is free whatever the window check says",
       [](Block& b) { b.Put(0, "Ink A", 0, 0, kMapPlaceholderValue); }, "Ink A", 3, 0, 0,
       "exit : CheckMapPrinter(0)[2]", [](Block& b) { EXPECT_EQ(b.Slot(0, kMapSlotSel3), kMine); }},
      {"another kind's live slot leaves the agent's free",
       [](Block& b) {
         b.Put(0, "Ink B", 0, 0, kLive);
         b.Put(1, "Ink A", kLive, kLive, 0);
       },
       "Ink A", 3, 0, 0, "exit : CheckMapPrinter(0)[1]",
       [](Block& b) {
         EXPECT_EQ(b.Slot(1, kMapSlotSel3), kMine);
         EXPECT_EQ(b.Slot(1, kMapSlotSel0), kLive);
         EXPECT_EQ(b.Slot(1, kMapSlotSel12), kLive);
       }},
      {"kind 0 has its own slot", [](Block& b) { b.Put(0, "Ink A", 0, kLive, 0); }, "Ink A", 0, 1, kLive, nullptr,
       nullptr},
      {"kinds 1 and 2 share one slot", [](Block& b) { b.Put(0, "Ink A", kLive, 0, 0); }, "Ink A", 2, 1, kLive, nullptr,
       nullptr},
      {"kind 1 claims the shared slot", [](Block& b) { b.Put(0, "Ink A", 0, 0, kLive); }, "Ink A", 1, 0, 0,
       "exit : CheckMapPrinter(0)[1]", [](Block& b) { EXPECT_EQ(b.Slot(0, kMapSlotSel12), kMine); }},
      {"an unknown kind on a held key: held, no window", [](Block& b) { b.Put(0, "Ink A", 0, 0, 0); }, "Ink A", 4, 1, 0,
       nullptr, nullptr},
      {"an unknown kind adds no record nothing could release", [](Block&) {}, "Ink A", -1, 2, 0, nullptr, nullptr},
      {"a free record before the end is reused",
       [](Block& b) {
         b.Fill(3);
         b.Record(1)[0] = kMapFreeMark;
       },
       "Ink D", 3, 0, 0, "exit : CheckMapPrinter(0)[3]",
       [](Block& b) {
         EXPECT_EQ(b.Key(1), "Ink D");
         EXPECT_EQ(b.Slot(1, kMapSlotSel3), kMine);
         EXPECT_EQ(b.Slot(1, kMapSlotSel0), 0u) << "slots of the old key cleared";
         EXPECT_EQ(b.End(), 3u);
       }},
      {"498 keys held: the 499th takes record 498", [](Block& b) { b.Fill(498); }, "Ink New", 3, 0, 0,
       "exit : CheckMapPrinter(0)[3]",
       [](Block& b) {
         EXPECT_EQ(b.Key(498), "Ink New");
         EXPECT_EQ(b.End(), 499u);
       }},
      {"499 keys held: no room for another", [](Block& b) { b.Fill(499); }, "Ink New", 3, 2, 0, nullptr, nullptr},
      {"499 keys held: a held key is still found", [](Block& b) { b.Fill(499); }, "printer 498", 3, 1, kLive, nullptr,
       nullptr},
      {"a key of 519 characters fits", [](Block&) {}, key519, 3, 0, 0, "exit : CheckMapPrinter(0)[3]",
       [key519](Block& b) {
         EXPECT_EQ(b.Key(0), key519);
         EXPECT_EQ(b.Record(0)[519], 0);
       }},
      {"a key of 520 characters does not", [](Block&) {}, std::string(520, 'k'), 3, 2, 0, nullptr, nullptr},
      {"the empty key is no key", [](Block&) {}, "", 3, 2, 0, nullptr, nullptr},
      {"a key starting with the end marker byte cannot be held", [](Block&) {}, "\xFFnk", 3, 2, 0, nullptr, nullptr},
      {"a record without terminator never matches: the key is appended",
       [](Block& b) {
         b.Put(0, "x", 0, 0, kLive);
         std::memset(b.Record(0), 'k', kMapKeySize);  // 520 letters, no terminator
       },
       key519, 3, 0, 0, "exit : CheckMapPrinter(0)[3]",
       [key519](Block& b) {
         EXPECT_EQ(b.Key(1), key519);
         EXPECT_EQ(b.End(), 2u);
       }},
      {"no end marker anywhere, garbage keys: nothing stored",
       [](Block& b) {
         for (std::size_t r = 0; r < kMapRecordCount; ++r) std::memset(b.Record(r), 0x5A, kMapRecordSize);
       },
       "Ink A", 3, 0, 0, "exit : CheckMapPrinter(0)[3]", nullptr},
      {"a zero-filled block (no end marker): nothing stored", [](Block& b) { b.Record(0)[0] = 0; }, "Ink A", 3, 0, 0,
       "exit : CheckMapPrinter(0)[3]", nullptr},
      {"the key in the last record of a block without end marker",
       [](Block& b) {
         for (std::size_t r = 0; r < kMapRecordCount; ++r) std::memset(b.Record(r), 0x5A, kMapRecordSize);
         b.Put(499, "Ink A", 0, 0, kGone);
       },
       "INK A", 3, 0, 0, "exit : CheckMapPrinter(0)[2]",
       [](Block& b) { EXPECT_EQ(b.Slot(499, kMapSlotSel3), kMine); }},
  };
  for (const ClaimCase& c : cases) {
    SCOPED_TRACE(c.what);
    Block b;
    c.before(b);
    const std::vector<unsigned char> before = b.Bytes();
    g_log.clear();
    EXPECT_EQ(Claim(b, c.key, c.kind), c.result);
    EXPECT_EQ(m_found, c.found);
    ASSERT_FALSE(g_log.empty());
    EXPECT_EQ(g_log.front(), "enter : CheckMapPrinter");
    if (c.lastLog != nullptr) {
      EXPECT_EQ(g_log.back(), c.lastLog);
    } else if (c.result == 1) {
      EXPECT_EQ(g_log.back(), "exit : CheckMapPrinter(1)");
    } else {
      EXPECT_EQ(g_log.size(), 1u) << g_log.back();
    }
    if (c.after) {
      c.after(b);
    } else {
      EXPECT_EQ(FirstDifference(b.Bytes(), before), -1) << "block changed";
    }
  }
}

TEST_F(MapRecords, ClaimsInABlockSmallerThanTheWalkFail) {
  // Another program made a block of three records: walking past them fails as a view
  // beyond the block would, and nothing is read or written out there.
  Block b(3 * kMapRecordSize + 100);
  b.Put(0, "Ink A", 0, 0, kGone);
  b.Put(1, "Ink B", 0, 0, kLive);
  EXPECT_EQ(Claim(b, "Ink A", 3), 0);
  EXPECT_EQ(Claim(b, "Ink B", 3), 1);
  EXPECT_EQ(Claim(b, "Ink C", 3), 2) << "the marker would move to record 3";
  EXPECT_EQ(b.End(), 2u);
  b.Put(2, "Ink X", 0, 0, kLive);  // record 2 no longer ends the list
  EXPECT_EQ(Claim(b, "Ink C", 3), 2);
  EXPECT_EQ(StoreMapWindow(b.Data(), b.Size(), "Ink C", 3, kMine), -1);
  ReleaseMapSlot(b.Data(), b.Size(), "Ink C", 3);
  std::uint32_t v = 0;
  EXPECT_FALSE(LookupMapSlot(b.Data(), b.Size(), "Ink C", 3, &v));
}

struct StoreCase {
  const char* what;
  std::function<void(Block&)> before;
  const char* key;
  int kind;
  int result;
  std::size_t record;  // where the value must land (result 0 with a slot)
  std::size_t slot;
};

TEST_F(MapRecords, StoreCases) {
  const StoreCase cases[] = {
      {"the claimed record gets the window",
       [](Block& b) {
         b.Put(0, "Ink B", 0, 0, kLive);
         b.Put(1, "Ink A", 0, 0, kMapPlaceholderValue);
       },
       "ink a", 3, 0, 1, kMapSlotSel3},
      {"kinds 1 and 2 store in the shared slot", [](Block& b) { b.Put(0, "Ink A", 0, 0, 0); }, "Ink A", 2, 0, 0,
       kMapSlotSel12},
      {"kind 0", [](Block& b) { b.Put(0, "Ink A", 0, 0, 0); }, "Ink A", 0, 0, 0, kMapSlotSel0},
      {"an unknown kind stores nothing but is found", [](Block& b) { b.Put(0, "Ink A", 0, 0, 0); }, "Ink A", 5, 0, 0,
       0},
      {"not before the end marker", [](Block& b) { b.Put(0, "Ink B", 0, 0, 0); }, "Ink A", 3, -2, 0, 0},
      {"the empty key matches no free record",
       [](Block& b) {
         b.Put(0, "Ink A", 0, 0, 0);
         b.Record(0)[0] = kMapFreeMark;
       },
       "", 3, -2, 0, 0},
      {"no end marker and no key in 500 records",
       [](Block& b) {
         for (std::size_t r = 0; r < kMapRecordCount; ++r) std::memset(b.Record(r), 'k', kMapRecordSize);
       },
       "kkkk", 3, 1, 0, 0},
  };
  for (const StoreCase& c : cases) {
    SCOPED_TRACE(c.what);
    Block b;
    c.before(b);
    std::vector<unsigned char> expected = b.Bytes();
    if (c.result == 0 && c.slot != 0) {
      for (int i = 0; i < 4; ++i) expected[c.record * kMapRecordSize + c.slot + i] = static_cast<unsigned char>(kMine >> (8 * i));
    }
    EXPECT_EQ(StoreMapWindow(b.Data(), b.Size(), c.key, c.kind, kMine), c.result);
    EXPECT_EQ(FirstDifference(b.Bytes(), expected), -1);
  }
}

TEST_F(MapRecords, ReleaseFreesTheRecordOnlyWhenNoOtherKindHoldsIt) {
  Block b;
  b.Put(0, "Ink A", 0, 0, kLive);
  b.Put(1, "Ink B", 0, kLive, kLive);
  b.Put(2, "Ink C", kLive, 0, kLive);
  b.Put(3, "Ink D", 0, 0, kLive);

  ReleaseMapSlot(b.Data(), b.Size(), "INK A", 3);
  EXPECT_EQ(b.Record(0)[0], kMapFreeMark);
  EXPECT_EQ(b.Slot(0, kMapSlotSel3), 0u);
  for (const char* key : {"Ink B", "Ink C"}) {
    ReleaseMapSlot(b.Data(), b.Size(), key, 3);
  }
  EXPECT_EQ(b.Key(1), "Ink B") << "kind 0 still holds it";
  EXPECT_EQ(b.Slot(1, kMapSlotSel3), 0u);
  EXPECT_EQ(b.Slot(1, kMapSlotSel0), kLive);
  EXPECT_EQ(b.Key(2), "Ink C") << "kind 1 or 2 still holds it";
  EXPECT_EQ(b.Slot(2, kMapSlotSel12), kLive);

  // Unknown kinds and unknown keys change nothing.
  const std::vector<unsigned char> before = b.Bytes();
  ReleaseMapSlot(b.Data(), b.Size(), "Ink D", 7);
  ReleaseMapSlot(b.Data(), b.Size(), "Ink D", -1);
  ReleaseMapSlot(b.Data(), b.Size(), "Ink Z", 3);
  ReleaseMapSlot(b.Data(), b.Size(), "", 3);
  EXPECT_EQ(FirstDifference(b.Bytes(), before), -1);

  // The last kind out frees it.
  ReleaseMapSlot(b.Data(), b.Size(), "Ink B", 0);
  EXPECT_EQ(b.Record(1)[0], kMapFreeMark);
}

TEST_F(MapRecords, ReleasedRecordIsReusedBeforeTheEndMarkerMoves) {
  Block b;
  for (const char* key : {"Ink A", "Ink B", "Ink C"}) ASSERT_EQ(Claim(b, key, 3), 0);
  ASSERT_EQ(StoreMapWindow(b.Data(), b.Size(), "Ink B", 3, kLive), 0);
  EXPECT_EQ(Claim(b, "ink b", 3), 1);
  EXPECT_EQ(m_found, kLive);
  ReleaseMapSlot(b.Data(), b.Size(), "Ink B", 3);
  EXPECT_EQ(Claim(b, "Ink D", 3), 0);
  EXPECT_EQ(b.Key(1), "Ink D");
  EXPECT_EQ(b.End(), 3u);
  EXPECT_EQ(Claim(b, "Ink E", 3), 0);
  EXPECT_EQ(b.Key(3), "Ink E");
  EXPECT_EQ(b.End(), 4u);
  std::uint32_t v = 0;
  EXPECT_FALSE(LookupMapSlot(b.Data(), b.Size(), "Ink B", 3, &v)) << "the old key is gone";
  EXPECT_TRUE(LookupMapSlot(b.Data(), b.Size(), "INK D", 3, &v));
  EXPECT_EQ(v, kMine);
}

TEST_F(MapRecords, KeysCompareWithinTheRecordOnly) {
  Block b;
  unsigned char* rec = b.Record(0);
  std::memcpy(rec, "Ink A", 6);
  EXPECT_TRUE(MapKeyEquals(rec, "INK a"));
  EXPECT_FALSE(MapKeyEquals(rec, "Ink"));
  EXPECT_FALSE(MapKeyEquals(rec, "Ink AB"));
  std::memcpy(rec, "a[", 3);
  EXPECT_TRUE(MapKeyEquals(rec, "A["));
  EXPECT_FALSE(MapKeyEquals(rec, "A{")) << "only letters fold";
  // Non-ASCII bytes compare as they are.
  std::memcpy(rec, "Ink \xE9", 6);
  EXPECT_TRUE(MapKeyEquals(rec, "INK \xE9"));
  EXPECT_FALSE(MapKeyEquals(rec, "INK \xC9"));

  std::memset(rec, 'a', kMapKeySize);  // no terminator: the slot bytes that follow are not key
  rec[kMapKeySize] = 0;
  EXPECT_FALSE(MapKeyEquals(rec, std::string(519, 'a').c_str()));
  EXPECT_FALSE(MapKeyEquals(rec, std::string(520, 'a').c_str()));
  rec[519] = 0;
  EXPECT_TRUE(MapKeyEquals(rec, std::string(519, 'A').c_str()));
}

TEST_F(MapRecords, RecordsAsTheToolsShowThem) {
  Block b;
  b.Put(0, "Ink A", 1, 2, 3);
  b.Put(1, "Ink B", 0, 0, 0);
  b.Record(1)[0] = kMapFreeMark;
  b.Put(2, "x", 0, 0, 0);
  std::memset(b.Record(2), 'q', kMapKeySize);
  MapRecordInfo info;
  ASSERT_TRUE(ReadMapRecord(b.Data(), b.Size(), 0, &info));
  EXPECT_EQ(info.state, MapRecordState::kUsed);
  EXPECT_EQ(info.key, "Ink A");
  EXPECT_TRUE(info.terminated);
  EXPECT_EQ(info.sel12, 1u);
  EXPECT_EQ(info.sel0, 2u);
  EXPECT_EQ(info.sel3, 3u);
  ASSERT_TRUE(ReadMapRecord(b.Data(), b.Size(), 1, &info));
  EXPECT_EQ(info.state, MapRecordState::kFree);
  ASSERT_TRUE(ReadMapRecord(b.Data(), b.Size(), 2, &info));
  EXPECT_FALSE(info.terminated);
  EXPECT_EQ(info.key, std::string(kMapKeySize, 'q'));
  ASSERT_TRUE(ReadMapRecord(b.Data(), b.Size(), 3, &info));
  EXPECT_EQ(info.state, MapRecordState::kEnd);
  EXPECT_TRUE(ReadMapRecord(b.Data(), b.Size(), 499, &info));
  EXPECT_FALSE(ReadMapRecord(b.Data(), b.Size(), 500, &info));
  EXPECT_FALSE(ReadMapRecord(b.Data(), 2 * kMapRecordSize - 1, 1, &info)) << "record 1 is not whole";
}

TEST(MapKeys, PrinterNameElsePortName) {
  EXPECT_STREQ(ChooseMapKey("Ink A", "LPT1:"), "Ink A");
  EXPECT_STREQ(ChooseMapKey("", "LPT1:"), "LPT1:");
  EXPECT_STREQ(ChooseMapKey(nullptr, "LPT1:"), "LPT1:");
  EXPECT_STREQ(ChooseMapKey(nullptr, nullptr), "");
  EXPECT_EQ(MapSlotOffset(0), 526);
  EXPECT_EQ(MapSlotOffset(1), 522);
  EXPECT_EQ(MapSlotOffset(2), 522);
  EXPECT_EQ(MapSlotOffset(3), 530);
  EXPECT_EQ(MapSlotOffset(4), -1);
  EXPECT_EQ(MapSlotOffset(-1), -1);
}

}  // namespace
