#pragma once
// Finding the bytes that end a line's text, a block at a time. The setup data reader
// runs every line of the file through these, once per lookup.
//
// FindStop<c...>(p) gives the first byte from p on that is zero or one of c. It reads
// whole blocks, so the text must be followed by a zero byte and then at least
// kScanPadding - 1 more readable bytes: the reader's content block provides them.
#include <cstddef>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__) || defined(_M_X64) || (defined(_M_IX86_FP) && _M_IX86_FP >= 2)
#define TA_LINESCAN_SSE2 1
#include <emmintrin.h>
#if defined(_MSC_VER) && !defined(__clang__)
#include <intrin.h>
#endif
#endif

namespace linescan {

constexpr std::size_t kScanPadding = 16;

// 8 bytes at a time with the classic zero-byte test (any processor).
constexpr std::uint64_t kOnes = 0x0101010101010101ull;
constexpr std::uint64_t kHighs = 0x8080808080808080ull;

// Flags each zero byte of v. Bytes above a real zero byte may be flagged as well, never
// bytes below one, so a flagged word always holds a real stop byte.
inline std::uint64_t HasZeroByte(std::uint64_t v) { return (v - kOnes) & ~v & kHighs; }

template <char... Stops>
const char* FindStopWords(const char* p) {
  for (;;) {
    std::uint64_t v;
    std::memcpy(&v, p, sizeof v);
    std::uint64_t flags = HasZeroByte(v);
    ((flags |= HasZeroByte(v ^ (kOnes * static_cast<unsigned char>(Stops)))), ...);
    if (flags != 0) break;
    p += 8;
  }
  for (;; ++p) {
    const char c = *p;
    if (c == '\0' || ((c == Stops) || ...)) return p;
  }
}

#if defined(TA_LINESCAN_SSE2)

inline unsigned LowestBit(unsigned mask) {
#if defined(_MSC_VER) && !defined(__clang__)
  unsigned long index;
  _BitScanForward(&index, mask);
  return static_cast<unsigned>(index);
#else
  return static_cast<unsigned>(__builtin_ctz(mask));
#endif
}

// 16 bytes at a time by compare and mask.
template <char... Stops>
const char* FindStopBlocks(const char* p) {
  const __m128i zero = _mm_setzero_si128();
  for (;;) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    __m128i hit = _mm_cmpeq_epi8(v, zero);
    ((hit = _mm_or_si128(hit, _mm_cmpeq_epi8(v, _mm_set1_epi8(Stops)))), ...);
    const unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(hit));
    if (mask != 0) return p + LowestBit(mask);
    p += 16;
  }
}

template <char... Stops>
const char* FindStop(const char* p) {
  return FindStopBlocks<Stops...>(p);
}

#else

template <char... Stops>
const char* FindStop(const char* p) {
  return FindStopWords<Stops...>(p);
}

#endif

}  // namespace linescan
