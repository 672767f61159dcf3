// The instance map benchmark under Wine (or on Windows): the claim of a new key with 498
// keys held against the floor of one scan of the 267,000 bytes, on a heap block as in
// tests/bench/instmap_bench.cpp, and through the real file mapping the agent uses
// (CheckMapPrinter with its lock and view, then ReleaseMapEntry to undo it).
//   instmap_winbench [milliseconds per measurement, default 1000]
// Prints nanoseconds per operation and the ratio of each to the floor.
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "base/winhandle.h"
#include "instmap/instmap.h"
#include "tests/bench/instmap_bench_data.h"

namespace {

volatile std::uintptr_t g_sink = 0;

// Runs op in batches until the time is used up; nanoseconds per call.
template <typename Op>
double Measure(double milliseconds, Op op) {
  using Clock = std::chrono::steady_clock;
  long long calls = 0;
  const Clock::time_point start = Clock::now();
  Clock::time_point now = start;
  do {
    for (int i = 0; i < 64; ++i) op();
    calls += 64;
    now = Clock::now();
  } while (std::chrono::duration<double, std::milli>(now - start).count() < milliseconds);
  return std::chrono::duration<double, std::nano>(now - start).count() / static_cast<double>(calls);
}

}  // namespace

int main(int argc, char** argv) {
  const double ms = argc > 1 ? std::atof(argv[1]) : 1000.0;
  std::vector<unsigned char> heap(kMapBlockSize, 0);
  instmapbench::FillHeld(heap.data(), heap.size());

  const std::string name = "InstMapBench_" + std::to_string(::GetCurrentProcessId());
  const UniqueHandle map(CreateInstanceMap(name.c_str()));
  if (!map) return 1;
  {
    void* view = ::MapViewOfFile(map.Get(), FILE_MAP_ALL_ACCESS, 0, 0, 0);
    if (view == nullptr) return 1;
    std::memcpy(view, heap.data(), heap.size());
    ::UnmapViewOfFile(view);
  }
  HWND found = nullptr;
  if (CheckMapPrinter(map.Get(), instmapbench::kNewKey, kMapKindTray, kMapPlaceholder, &found) != 0) return 1;
  ReleaseMapEntry(map.Get(), instmapbench::kNewKey, "", kMapKindTray);

  const double floor = Measure(ms, [&] {
    g_sink = g_sink + reinterpret_cast<std::uintptr_t>(instmapbench::Floor(heap.data(), heap.size()));
  });
  const double claim = Measure(ms, [&] { g_sink = g_sink + instmapbench::ClaimNewAndUndo(heap.data(), heap.size()); });
  const double mapped = Measure(ms, [&] {
    g_sink = g_sink + CheckMapPrinter(map.Get(), instmapbench::kNewKey, kMapKindTray, kMapPlaceholder, &found);
    ReleaseMapEntry(map.Get(), instmapbench::kNewKey, "", kMapKindTray);
  });
  const double lock = Measure(ms, [] {
    CInstanceMapLock held;
    g_sink = g_sink + (held.Held() ? 1 : 0);
  });
  std::printf("block: %u bytes, %u keys held\n", static_cast<unsigned>(kMapBlockSize),
              static_cast<unsigned>(instmapbench::kHeldKeys));
  std::printf("floor, scan of the block        %10.0f ns\n", floor);
  std::printf("claim of a new key (heap block) %10.0f ns   ratio to floor %.2f\n", claim, claim / floor);
  std::printf("claim + release, real mapping   %10.0f ns   ratio to floor %.2f\n", mapped, mapped / floor);
  std::printf("  of which one lock             %10.0f ns\n", lock);
  return 0;
}
