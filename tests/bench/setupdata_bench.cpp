// One setup data lookup against its floor. Every agent start makes over a hundred
// lookups, each reading and parsing the whole setup data file, so one lookup should cost
// little more than reading the bytes at all.
//
//   BM_Floor_ReadAndScan   read the file into a block as the reader does, and count its
//                          line feeds once (memchr)
//   BM_Lookup_Absent       one lookup of a value the file does not describe (as most of
//                          the menu's 79 extension ids are): the whole section is read
//   BM_Lookup_Present      one lookup of a value listed last in the section
//   BM_Load_WholeTable     the lists that a full load builds, for comparison
//
// The file is a realistic 1,500-line setup data file (written to the temporary folder).
// After the run the ratio of each lookup to the floor is printed.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <string>

#include "drvdata/setupregtable.h"

namespace {

const char kDriverA[] = "KORVA Sample Ink 100";
const char kDriverB[] = "KORVA Sample Ink 200";
const char kDir[] = "C:\\WINDOWS\\system32\\spool\\DRIVERS\\W32X86\\3";

// A setup data file as an installer writes it: version and strings, the file lists, the
// registry description of two drivers with many settings keys, and the removal lists.
std::string MakeSetupFile(int* lines) {
  std::string s;
  int n = 0;
  auto line = [&](const std::string& text) {
    s += text;
    s += "\r\n";
    ++n;
  };
  line("; Setup data of the KORVA sample ink-jet driver package");
  line(";");
  line("[Version]");
  line("Signature=\"$Windows NT$\"");
  line("Provider=%KORVA%");
  line("DriverVer=07/01/2024,1.20.0.0");
  line("");
  line("[Strings]");
  for (int i = 0; i < 140; ++i) line("STR_" + std::to_string(i) + "=\"Sample text number " + std::to_string(i) + " for the dialogs\"");
  line("");
  line("[SourceDisksFiles]");
  for (int i = 0; i < 110; ++i) line("KVS" + std::to_string(1000 + i) + ".DLL=1,,\"" + std::to_string(20000 + 37 * i) + "\"");
  line("");
  line("[CopyFiles.Driver]");
  for (int i = 0; i < 110; ++i) line("KVS" + std::to_string(1000 + i) + ".DLL ; copied to the driver directory");
  line("");
  line("[Install]");
  line("; keys");
  for (const char* drv : {kDriverA, kDriverB}) {
    const std::string id = drv == kDriverA ? "A" : "B";
    line("REGPATH=DRV" + id + ",\"HKEY_LOCAL_MACHINE\\Software\\KORVA\\ZELT3\\Driver\\" + drv + "\"");
    line("REGPATH=MENU" + id + ",\"HKEY_LOCAL_MACHINE\\Software\\KORVA\\ZELT3\\Driver\\" + drv + "\\Menu\"");
    for (int k = 0; k < 8; ++k) {
      line("REGPATH=SET" + id + std::to_string(k) + ",\"HKEY_LOCAL_MACHINE\\Software\\KORVA\\ZELT3\\Driver\\" + drv +
           "\\Settings\\Page" + std::to_string(k) + "\"");
    }
  }
  line("REGPATH=PROFILE,\"HKEY_LOCAL_MACHINE\\Software\\KORVA\\ZELT3\\Profile\"");
  line("");
  for (const char* drv : {kDriverA, kDriverB}) {
    const std::string id = drv == kDriverA ? "A" : "B";
    line("; " + std::string(drv));
    line("REGENTER=DRV" + id + ",\"ModelID\",\"KVS" + (id == "A" ? "100" : "200") + "\"");
    line("REGENTER=DRV" + id + ",\"InstallPath\",DRIVERDIR");
    line("REGENTER=DRV" + id + ",\"Profile\",DRIVERDIR+\"\\KVSMP100.DAT\"");
    line("REGENTER=DRV" + id + ",\"K_XRUN\",SYSTEMDIR+\"\\K_XRUN01.EXE\",WIN9X");
    line("REGENTER=DRV" + id + ",\"K_XRUN\",DRIVERDIR+\"\\K_XRUN01.EXE\",WINNT");
    line("REGENTER=DRV" + id + ",\"MapFileName\",\"KVSampleMap\"");
    line("REGENTER=DRV" + id + ",\"Version\",0x00010014");
    for (int k = 0; k < 8; ++k) {
      for (int v = 0; v < 38; ++v) {
        const std::string set = "REGENTER=SET" + id + std::to_string(k) + ",\"Item" + std::to_string(v) + "\",";
        switch (v % 5) {
          case 0: line(set + std::to_string(v * 3)); break;
          case 1: line(set + "\"Value text " + std::to_string(v) + "\""); break;
          case 2: line(set + "DRIVERDIR+\"\\KVS" + std::to_string(1000 + v) + ".DLL\",WIN2000"); break;
          case 3: line(set + "\"Setting for 9x\",WIN9X"); line(set + "\"Setting for NT\",WINNT40,WIN2000"); break;
          default: line(set + "0x" + std::to_string(100 + v) + " ; number"); break;
        }
      }
      line("");
    }
    for (int cmd = 920; cmd < 930; ++cmd) {
      line("REGENTER=MENU" + id + ",\"" + std::to_string(cmd) + "\",DRIVERDIR+\"\\KVSUTY01.DLL /U" + std::to_string(cmd - 919) + "\"");
    }
    line("REGENTER=MENU" + id + ",\"950\",\"http://www.example.com/korva/ink\"");
    line("REGENTER=MENU" + id + ",\"Separators\",\"2,5\"");
  }
  line("REGENTER=PROFILE,\"KVS100\",DRIVERDIR+\"\\KVSMP100.DAT\"");
  line("REGENTER=PROFILE,\"KVS200\",DRIVERDIR+\"\\KVSMP100.DAT\"");
  line("");
  line("[Uninstall]");
  while (n < 1499) line("DelFile=KVS" + std::to_string(1000 + n % 110) + ".DLL");
  line("; end");
  *lines = n;
  return s;
}

struct BenchFile {
  std::string path;
  int lines = 0;
  std::size_t bytes = 0;
  BenchFile() {
    const std::string content = MakeSetupFile(&lines);
    bytes = content.size();
    path = (std::filesystem::temp_directory_path() / "trayagent_setupdata_bench.inf").string();
    std::ofstream(path, std::ios::binary) << content;
  }
  ~BenchFile() { std::remove(path.c_str()); }
};

const BenchFile& File() {
  static const BenchFile file;
  return file;
}

SetupEnvironment Env() {
  SetupEnvironment env;
  env.version = OsVersion{2, 5, 1};
  env.systemDir = "C:\\WINDOWS\\system32";
  return env;
}

void BM_Floor_ReadAndScan(benchmark::State& state) {
  const std::string& path = File().path;
  for (auto _ : state) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    std::fseek(f, 0, SEEK_END);
    const long size = std::ftell(f);
    std::fseek(f, 0, SEEK_SET);
    char* block = static_cast<char*>(std::calloc(static_cast<std::size_t>(size) + 1, 1));
    const std::size_t got = std::fread(block, 1, static_cast<std::size_t>(size), f);
    std::fclose(f);
    std::size_t lines = 0;
    for (const char* p = block; (p = static_cast<const char*>(std::memchr(p, '\n', block + got - p))) != nullptr; ++p) ++lines;
    benchmark::DoNotOptimize(lines);
    std::free(block);
  }
  state.counters["lines"] = File().lines;
  state.counters["bytes"] = static_cast<double>(File().bytes);
}

void Lookup(benchmark::State& state, const char* key, const char* name, const char* expected) {
  const std::string& path = File().path;
  CSetupRegTable table;
  table.SetEnvironment(Env());
  for (auto _ : state) {
    CSetupFile file;
    file.Open(path.c_str());
    ByteString value = table.FindValueInFile(&file, kDir, key, name);
    if (value != expected) {
      state.SkipWithError("wrong answer");
      break;
    }
    benchmark::DoNotOptimize(value);
  }
}

void BM_Lookup_Absent(benchmark::State& state) {
  Lookup(state, "Software\\KORVA\\ZELT3\\Driver\\KORVA Sample Ink 200\\Menu", "998", "");
}

void BM_Lookup_Present(benchmark::State& state) {
  Lookup(state, "Software\\KORVA\\ZELT3\\Driver\\KORVA Sample Ink 200\\Menu", "Separators", "2,5");
}

void BM_Load_WholeTable(benchmark::State& state) {
  const std::string& path = File().path;
  for (auto _ : state) {
    CSetupRegTable table;
    table.SetEnvironment(Env());
    CSetupFile file;
    file.Open(path.c_str());
    table.ReadPathEntries(&file);
    table.ReadEnterEntriesInDir(kDir, &file);
    ByteString value = table.FindValue("Software\\KORVA\\ZELT3\\Driver\\KORVA Sample Ink 200\\Menu", "Separators");
    benchmark::DoNotOptimize(value);
  }
}

BENCHMARK(BM_Floor_ReadAndScan);
BENCHMARK(BM_Lookup_Absent);
BENCHMARK(BM_Lookup_Present);
BENCHMARK(BM_Load_WholeTable);

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
    const auto floor = m_ns.find("BM_Floor_ReadAndScan");
    if (floor == m_ns.end() || floor->second <= 0) return;
    std::cout << "\nsetup data file: " << File().lines << " lines, " << File().bytes << " bytes\n";
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
