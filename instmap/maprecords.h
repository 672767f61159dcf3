#pragma once
// Records of the instance map: the shared block in which the package's programs register,
// per printer, the window that serves it. This is the record logic over a plain byte block;
// the named file mapping itself is in instmap.h.
//
// The block (shared with the package's other programs, so the layout is fixed):
// 500 records of 534 bytes; in each, the key (printer or port name, zero-terminated ANSI,
// compared ignoring case) in bytes 0..519, 2 reserved bytes, then three 32-bit
// little-endian window values: kinds 1 and 2 at 522, kind 0 at 526, kind 3 at 530.
// A record whose first byte is 0xFF ends the list; 0x00 marks a free record.
//
// Other processes write the block, so nothing in it is trusted: every walk is bounded by
// the record count and the given size, and a key is only read within its 520 bytes.
// A record without a terminator in its key never equals any key.
#include <cstddef>
#include <cstdint>
#include <string>

constexpr std::size_t kMapRecordSize = 534;
constexpr std::size_t kMapRecordCount = 500;
constexpr std::size_t kMapBlockSize = kMapRecordSize * kMapRecordCount;  // 267000
constexpr std::size_t kMapKeySize = 520;  // terminator included: at most 519 characters
constexpr std::size_t kMapSlotSel12 = 522;
constexpr std::size_t kMapSlotSel0 = 526;
constexpr std::size_t kMapSlotSel3 = 530;
constexpr unsigned char kMapEndMark = 0xFF;
constexpr unsigned char kMapFreeMark = 0x00;
// Stored by a claim until the claimant's window is known; counts as a free slot.
constexpr std::uint32_t kMapPlaceholderValue = 0xFFFFFFFF;

// Log hook of every instance map operation (the diagnostic log's DbgLog in the agent);
// null, the default, logs nothing.
using MapLogFn = int (*)(const char* text);
void SetInstanceMapLog(MapLogFn fn);
// Writes through the hook: a text, or "label : text" / "label : number".
void MapLog(const char* text);
void MapLogStr(const char* label, const char* text);
void MapLogInt(const char* label, std::int32_t value);

// Whether the window a slot holds still exists (context is passed through).
using MapWindowAliveFn = bool (*)(std::uint32_t window, void* context);

// The key of a printer: its name, or the port name when the name is empty. Never null.
const char* ChooseMapKey(const char* printerName, const char* portName);

// Offset of a kind's slot within a record: 526 for kind 0, 522 for kinds 1 and 2, 530 for
// kind 3; -1 for any other kind (which has no slot).
int MapSlotOffset(int appSel);

// True when the record's key (its first 520 bytes) equals key, ignoring the case of ASCII
// letters. False for a record without a terminator and for a key of 520 or more characters.
bool MapKeyEquals(const unsigned char* record, const char* key);

// A new, empty list: the end marker in record 0. (The block comes zero-filled.)
void InitMapBlock(unsigned char* block, std::size_t size);

// Claims the kind's slot of key for value. size is what can be read and written of the
// block (normally kMapBlockSize); a walk that needs a record beyond it fails as a view
// that cannot be mapped would.
//   0  the slot was free (0, the placeholder, or a window that is gone) and now holds
//      value; a new key takes the first free record before the end marker, or the end
//      marker's record, moving the marker one on. Also 0, with nothing stored, when the
//      walk meets neither the key nor an end marker in all 500 records.
//   1  a live window holds the slot (*found = it), or the key exists and the kind has no
//      slot (*found = 0).
//   2  failure: no room (499 keys held), a key that no record can hold (empty, 520 or more
//      characters, or starting with the end marker byte), a new key for a kind without a
//      slot, or the block too small for the walk. Nothing is written.
// found may be null.
int ClaimMapSlot(unsigned char* block, std::size_t size, const char* key, int appSel, std::uint32_t value,
                 MapWindowAliveFn alive, void* context, std::uint32_t* found);

// Stores value in the kind's slot of key's record (nothing for a kind without a slot).
//   0 stored (or the kind has no slot); -2 the end marker came first; 1 no end marker and
//   no such key in all 500 records; -1 the block is too small for the walk.
int StoreMapWindow(unsigned char* block, std::size_t size, const char* key, int appSel, std::uint32_t value);

// Clears the kind's slot of key's record; when the other two slots are 0 as well the
// record becomes free. A kind without a slot, or a key not found, changes nothing.
void ReleaseMapSlot(unsigned char* block, std::size_t size, const char* key, int appSel);

// The value of key's slot for the kind, read only. True when the key's record was found
// before the end marker (and the kind has a slot).
bool LookupMapSlot(const unsigned char* block, std::size_t size, const char* key, int appSel,
                   std::uint32_t* value);

// One record as the tools show it.
enum class MapRecordState { kEnd, kFree, kUsed };
struct MapRecordInfo {
  MapRecordState state = MapRecordState::kEnd;
  std::string key;          // up to the terminator, or all 520 bytes without one
  bool terminated = false;  // the key has its terminator within 520 bytes
  std::uint32_t sel12 = 0;
  std::uint32_t sel0 = 0;
  std::uint32_t sel3 = 0;
};
// False when record index lies beyond the block or the record count.
bool ReadMapRecord(const unsigned char* block, std::size_t size, std::size_t index, MapRecordInfo* out);
