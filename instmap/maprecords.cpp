#include "instmap/maprecords.h"

#include <cstring>

#include "base/bytestring.h"
#include "base/text260.h"

namespace {

MapLogFn g_mapLog = nullptr;

// Whole records that lie within size (never more than the list holds).
std::size_t RecordsIn(std::size_t size) {
  const std::size_t n = size / kMapRecordSize;
  return n < kMapRecordCount ? n : kMapRecordCount;
}

unsigned char* RecordAt(unsigned char* block, std::size_t index) { return block + index * kMapRecordSize; }
const unsigned char* RecordAt(const unsigned char* block, std::size_t index) {
  return block + index * kMapRecordSize;
}

std::uint32_t ReadLe32(const unsigned char* p) {
  return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
         (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

void WriteLe32(unsigned char* p, std::uint32_t v) {
  p[0] = static_cast<unsigned char>(v);
  p[1] = static_cast<unsigned char>(v >> 8);
  p[2] = static_cast<unsigned char>(v >> 16);
  p[3] = static_cast<unsigned char>(v >> 24);
}

// A key a record can hold: not empty (that is a free record), not starting with the end
// marker byte (the record would end the list for every reader), at most 519 characters.
bool KeyStorable(const char* key) {
  if (key == nullptr || key[0] == '\0' || static_cast<unsigned char>(key[0]) == kMapEndMark) return false;
  return TextLength(key, kMapKeySize) < kMapKeySize;
}

// A record that may match a key: in use (free records hold no key).
bool RecordMatches(const unsigned char* record, const char* key) {
  return record[0] != kMapFreeMark && MapKeyEquals(record, key);
}

// Writes a new key into a record: key, terminator, reserved bytes and slots zero.
void WriteNewRecord(unsigned char* record, const char* key) {
  TextCopy(reinterpret_cast<char*>(record), kMapKeySize, key);  // fits: checked by KeyStorable
  std::memset(record + kMapKeySize, 0, kMapRecordSize - kMapKeySize);
}

int ExitClaim(const char* label, int result) {
  MapLog(label);
  return result;
}

// The key is not in the list: the first free record before the end marker, else the end
// marker's record with the marker moved on. The list may have changed since the first
// walk (a program that takes no lock), so this walk is bounded on its own.
int AppendKey(unsigned char* block, std::size_t size, const char* key, int slot, std::uint32_t value) {
  const std::size_t n = RecordsIn(size);
  for (std::size_t r = 0; r < kMapRecordCount; ++r) {
    if (r >= n) return 2;
    unsigned char* record = RecordAt(block, r);
    if (record[0] == kMapFreeMark) {
      WriteNewRecord(record, key);
    } else if (record[0] == kMapEndMark) {
      // The last record can never take a key: the marker needs the next one.
      if (r + 1 >= kMapRecordCount || r + 1 >= n) return 2;
      RecordAt(block, r + 1)[0] = kMapEndMark;
      WriteNewRecord(record, key);
    } else {
      continue;
    }
    WriteLe32(record + slot, value);
    return ExitClaim("exit : CheckMapPrinter(0)[3]", 0);
  }
  return ExitClaim("exit : CheckMapPrinter(0)[3]", 0);
}

}  // namespace

void SetInstanceMapLog(MapLogFn fn) { g_mapLog = fn; }

void MapLog(const char* text) {
  if (g_mapLog != nullptr && text != nullptr) g_mapLog(text);
}

void MapLogStr(const char* label, const char* text) {
  if (g_mapLog == nullptr || label == nullptr) return;
  const ByteString line = FormatString("%s : %s", label, text != nullptr ? text : "");
  if (!line.empty()) g_mapLog(line.c_str());
}

void MapLogInt(const char* label, std::int32_t value) {
  if (g_mapLog == nullptr || label == nullptr) return;
  const ByteString line = FormatString("%s : %d", label, static_cast<int>(value));
  if (!line.empty()) g_mapLog(line.c_str());
}

const char* ChooseMapKey(const char* printerName, const char* portName) {
  if (printerName != nullptr && printerName[0] != '\0') return printerName;
  return portName != nullptr ? portName : "";
}

int MapSlotOffset(int appSel) {
  switch (appSel) {
    case 0:
      return static_cast<int>(kMapSlotSel0);
    case 1:
    case 2:
      return static_cast<int>(kMapSlotSel12);
    case 3:
      return static_cast<int>(kMapSlotSel3);
    default:
      return -1;
  }
}

bool MapKeyEquals(const unsigned char* record, const char* key) {
  if (record == nullptr || key == nullptr) return false;
  for (std::size_t i = 0; i < kMapKeySize; ++i) {
    const char a = static_cast<char>(record[i]);
    const char b = key[i];
    if (a != b && ToUpperAscii(a) != ToUpperAscii(b)) return false;
    if (b == '\0') return true;  // both terminated here
  }
  return false;  // no terminator within the record, or a key too long for one
}

void InitMapBlock(unsigned char* block, std::size_t size) {
  if (block != nullptr && size > 0) block[0] = kMapEndMark;
}

int ClaimMapSlot(unsigned char* block, std::size_t size, const char* key, int appSel, std::uint32_t value,
                 MapWindowAliveFn alive, void* context, std::uint32_t* found) {
  MapLog("enter : CheckMapPrinter");
  if (found != nullptr) *found = 0;
  if (block == nullptr || !KeyStorable(key)) return 2;
  const int slot = MapSlotOffset(appSel);
  const std::size_t n = RecordsIn(size);
  for (std::size_t r = 0; r < kMapRecordCount; ++r) {
    if (r >= n) return 2;
    unsigned char* record = RecordAt(block, r);
    if (record[0] == kMapEndMark) {
      // A kind without a slot would add a record that nothing can ever release.
      if (slot < 0) return 2;
      return AppendKey(block, size, key, slot, value);
    }
    if (!RecordMatches(record, key)) continue;
    if (slot < 0) return ExitClaim("exit : CheckMapPrinter(1)", 1);
    const std::uint32_t held = ReadLe32(record + slot);
    if (held == 0) {
      WriteLe32(record + slot, value);
      return ExitClaim("exit : CheckMapPrinter(0)[1]", 0);
    }
    if (held != kMapPlaceholderValue && alive != nullptr && alive(held, context)) {
      if (found != nullptr) *found = held;
      return ExitClaim("exit : CheckMapPrinter(1)", 1);
    }
    // The window has gone (its program ended without releasing) or was never stored.
    WriteLe32(record + slot, value);
    return ExitClaim("exit : CheckMapPrinter(0)[2]", 0);
  }
  // Neither the key nor an end marker: a block that another program left in this state.
  // The caller runs without a slot, as when the block cannot be had at all.
  return ExitClaim("exit : CheckMapPrinter(0)[3]", 0);
}

int StoreMapWindow(unsigned char* block, std::size_t size, const char* key, int appSel, std::uint32_t value) {
  if (block == nullptr) return -1;
  const int slot = MapSlotOffset(appSel);
  const std::size_t n = RecordsIn(size);
  for (std::size_t r = 0; r < kMapRecordCount; ++r) {
    if (r >= n) return -1;
    unsigned char* record = RecordAt(block, r);
    if (record[0] == kMapEndMark) return -2;
    if (!RecordMatches(record, key)) continue;
    if (slot >= 0) WriteLe32(record + slot, value);
    return 0;
  }
  return 1;
}

void ReleaseMapSlot(unsigned char* block, std::size_t size, const char* key, int appSel) {
  const int slot = MapSlotOffset(appSel);
  if (block == nullptr || slot < 0) return;
  const std::size_t n = RecordsIn(size);
  for (std::size_t r = 0; r < n; ++r) {
    unsigned char* record = RecordAt(block, r);
    if (record[0] == kMapEndMark) return;
    if (!RecordMatches(record, key)) continue;
    std::uint32_t others = 0;
    for (const std::size_t s : {kMapSlotSel12, kMapSlotSel0, kMapSlotSel3}) {
      if (static_cast<int>(s) != slot) others |= ReadLe32(record + s);
    }
    if (others == 0) record[0] = kMapFreeMark;
    WriteLe32(record + slot, 0);
    return;
  }
}

bool LookupMapSlot(const unsigned char* block, std::size_t size, const char* key, int appSel,
                   std::uint32_t* value) {
  if (value != nullptr) *value = 0;
  const int slot = MapSlotOffset(appSel);
  if (block == nullptr || slot < 0) return false;
  const std::size_t n = RecordsIn(size);
  for (std::size_t r = 0; r < n; ++r) {
    const unsigned char* record = RecordAt(block, r);
    if (record[0] == kMapEndMark) return false;
    if (!RecordMatches(record, key)) continue;
    if (value != nullptr) *value = ReadLe32(record + slot);
    return true;
  }
  return false;
}

bool ReadMapRecord(const unsigned char* block, std::size_t size, std::size_t index, MapRecordInfo* out) {
  if (block == nullptr || out == nullptr || index >= RecordsIn(size)) return false;
  const unsigned char* record = RecordAt(block, index);
  *out = MapRecordInfo();
  out->state = record[0] == kMapEndMark    ? MapRecordState::kEnd
               : record[0] == kMapFreeMark ? MapRecordState::kFree
                                           : MapRecordState::kUsed;
  const std::size_t length = TextLength(reinterpret_cast<const char*>(record), kMapKeySize);
  out->terminated = length < kMapKeySize;
  out->key.assign(reinterpret_cast<const char*>(record), length);
  out->sel12 = ReadLe32(record + kMapSlotSel12);
  out->sel0 = ReadLe32(record + kMapSlotSel0);
  out->sel3 = ReadLe32(record + kMapSlotSel3);
  return true;
}
