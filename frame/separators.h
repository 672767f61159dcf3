#pragma once
// Where the popup menu puts separators among its extension items: the driver's list of
// positions ("5,7": before the fifth and before the seventh shown item). Portable.
#include <cstddef>
#include <cstdint>

// One place per extension record; a list never holds more.
constexpr int kMaxSeparatorPlaces = 79;

struct SeparatorPlaces {
  // The list's numbers in order; an entry that was no number, or overflowed, holds 0
  // (a place no item ever reaches). Unused places are 0 too.
  std::int32_t place[kMaxSeparatorPlaces] = {};
  int count = 0;  // entries read, at most kMaxSeparatorPlaces
  int next = 0;   // the first place not yet used by TakeBefore

  // True when a separator goes before the n-th shown item (n from 1): n is the next
  // unused place, which is then used. Places are used strictly in order, so a place that
  // is never reached stops every separator after it.
  bool TakeBefore(std::int32_t n);
};

// Reads a comma-separated list into *out (reset first). Each entry is a signed decimal
// number: leading white space skipped, an optional sign, digits up to the first other
// character; no digits give 0, a number outside the 32-bit range is not kept but still
// takes its place. Entries after the 79th are ignored. 0 when the text is longer than
// 259 characters (nothing read), else 1; a null or empty text reads no entry.
int ParseSeparatorPlaces(const char* text, SeparatorPlaces* out);
