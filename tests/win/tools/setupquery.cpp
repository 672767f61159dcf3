// Asks the setup data of a printer and of a driver, and writes what it found to a file, so
// that a test can run the lookups in a process of its own (for example one that the
// system reports as another Windows version).
//   setupquery <output file> <printer> <driver> [<key path> <value name>]...
// Output lines: "platform=", "version=", "sysdir=", "driverdir=", "setupfile.printer=",
// "setupfile.driver=", then "printer:<key>|<value>=<answer>" and
// "driver:<key>|<value>=<answer>" for every pair.
#include <windows.h>

#include <cstdio>
#include <string>

#include "drvdata/driverfiles.h"
#include "drvdata/setupreglookup.h"

int main(int argc, char** argv) {
  if (argc < 4 || (argc - 4) % 2 != 0) {
    std::fputs("usage: setupquery <output file> <printer> <driver> [<key path> <value name>]...\n", stderr);
    return 2;
  }
  const char* printer = argv[2];
  const char* driver = argv[3];
  const OsVersion v = ReadOsVersion();
  std::string out;
  out += "platform=" + std::to_string(v.platformId) + "\n";
  out += "version=" + std::to_string(v.major) + "." + std::to_string(v.minor) + "\n";
  out += "sysdir=" + ReadSystemDirectory() + "\n";
  CDriverFiles files;
  ByteString path;
  files.GetDriverDir(printer, &path);
  out += "driverdir=" + path + "\n";
  files.GetSetupFileByPrinter(printer, &path);
  out += "setupfile.printer=" + path + "\n";
  files.GetSetupFileByDriver(driver, &path);
  out += "setupfile.driver=" + path + "\n";
  const CSetupRegLookup lookup;
  for (int i = 4; i + 1 < argc; i += 2) {
    const std::string query = std::string(argv[i]) + "|" + argv[i + 1];
    out += "printer:" + query + "=" + lookup.QueryByPrinter(printer, argv[i], argv[i + 1]) + "\n";
    out += "driver:" + query + "=" + lookup.QueryByDriver(driver, argv[i], argv[i + 1]) + "\n";
  }
  std::FILE* f = std::fopen(argv[1], "wb");
  if (f == nullptr) return 1;
  const bool ok = std::fwrite(out.data(), 1, out.size(), f) == out.size();
  return (std::fclose(f) == 0 && ok) ? 0 : 1;
}
