// A claim of a new key in the instance map with 498 keys held, against its floor. An agent
// claims once at start-up, but every program of the package walks the same 500 records on
// the GUI thread, so one claim should cost about as little as reading the block once.
//
//   BM_Floor_ScanBlock      one pass over all 267,000 bytes (memchr for an absent byte)
//   BM_Claim_NewKey         the claim: the key compared with 498 records, then the walk
//                           for the first free record; undone by one byte afterwards
//   BM_Claim_HeldKeyLast    the claim of the key held in record 497 by a live window
//
// The same measurement under Wine, through the real file mapping: instmap_winbench.exe
// (see README). After the run the ratio of each claim to the floor is printed.
#include <benchmark/benchmark.h>

#include <iostream>
#include <map>
#include <string>
#include <vector>

#include "tests/bench/instmap_bench_data.h"

namespace {

std::vector<unsigned char>& HeldBlock() {
  static std::vector<unsigned char> block = [] {
    std::vector<unsigned char> b(kMapBlockSize, 0);
    instmapbench::FillHeld(b.data(), b.size());
    return b;
  }();
  return block;
}

bool AlwaysAlive(std::uint32_t, void*) { return true; }

void BM_Floor_ScanBlock(benchmark::State& state) {
  std::vector<unsigned char>& b = HeldBlock();
  for (auto _ : state) {
    benchmark::DoNotOptimize(instmapbench::Floor(b.data(), b.size()));
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(b.size()));
}

void BM_Claim_NewKey(benchmark::State& state) {
  std::vector<unsigned char>& b = HeldBlock();
  for (auto _ : state) {
    benchmark::DoNotOptimize(instmapbench::ClaimNewAndUndo(b.data(), b.size()));
    benchmark::ClobberMemory();
  }
  if (instmapbench::ClaimNewAndUndo(b.data(), b.size()) != 0) state.SkipWithError("the claim did not succeed");
}

void BM_Claim_HeldKeyLast(benchmark::State& state) {
  std::vector<unsigned char>& b = HeldBlock();
  const std::string key = instmapbench::HeldKey(instmapbench::kHeldKeys - 1);
  std::uint32_t found = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(ClaimMapSlot(b.data(), b.size(), key.c_str(), 3, 1, &AlwaysAlive, nullptr, &found));
    benchmark::ClobberMemory();
  }
  if (found != instmapbench::kAgentWindow) state.SkipWithError("the held key was not found");
}

BENCHMARK(BM_Floor_ScanBlock);
BENCHMARK(BM_Claim_NewKey);
BENCHMARK(BM_Claim_HeldKeyLast);

// Remembers each benchmark's time per iteration to print the ratios at the end.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      if (run.run_type == Run::RT_Iteration && !run.error_occurred) m_ns[run.benchmark_name()] = run.GetAdjustedRealTime();
    }
    ConsoleReporter::ReportRuns(runs);
  }
  void Finalize() override {
    ConsoleReporter::Finalize();
    const auto floor = m_ns.find("BM_Floor_ScanBlock");
    if (floor == m_ns.end() || floor->second <= 0) return;
    std::cout << "\nblock: " << kMapBlockSize << " bytes, " << instmapbench::kHeldKeys << " keys held\n";
    for (const auto& [name, ns] : m_ns) {
      if (name != floor->first) std::cout << "ratio " << name << " / floor: " << ns / floor->second << "\n";
    }
  }

 private:
  std::map<std::string, double> m_ns;
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  return 0;
}
