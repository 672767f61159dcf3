#pragma once
// The instance map block the benchmarks claim in: 498 printers held by agents (one short of
// full), so that a new key walks every record twice, and a floor of scanning all of its
// 267,000 bytes once. Shared by the native benchmark and the one run under Wine.
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "instmap/maprecords.h"

namespace instmapbench {

constexpr std::size_t kHeldKeys = 498;
constexpr std::uint32_t kAgentWindow = 0x00020022;  // no byte of it is 0x01 (see Floor)
constexpr const char kNewKey[] = "KORVA Sample Ink 100 (Copy new)";

// Keys share a long prefix, as copies of one printer do, so every comparison reads it.
inline std::string HeldKey(std::size_t i) {
  std::string n = std::to_string(1000 + i).substr(1);
  return "KORVA Sample Ink 100 (Copy " + n + ")";
}

inline bool NeverAlive(std::uint32_t, void*) { return false; }

// Fills block (kMapBlockSize bytes, zero) as agents would have.
inline void FillHeld(unsigned char* block, std::size_t size) {
  InitMapBlock(block, size);
  for (std::size_t i = 0; i < kHeldKeys; ++i) {
    std::uint32_t found = 0;
    ClaimMapSlot(block, size, HeldKey(i).c_str(), 3, kAgentWindow, &NeverAlive, nullptr, &found);
  }
}

// Claims the new key (record 498) and puts the end marker back, so that every call sees
// the same block. The undo is one byte. Returns the claim's result (0).
inline int ClaimNewAndUndo(unsigned char* block, std::size_t size) {
  std::uint32_t found = 0;
  const int result = ClaimMapSlot(block, size, kNewKey, 3, 0xFFFFFFFF, &NeverAlive, nullptr, &found);
  block[kHeldKeys * kMapRecordSize] = kMapEndMark;
  return result;
}

// The floor: one pass over every byte of the block (a byte that is nowhere in it).
inline const void* Floor(const unsigned char* block, std::size_t size) { return std::memchr(block, 0x01, size); }

}  // namespace instmapbench
