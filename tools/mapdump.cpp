// Prints the records of an instance map block, for tests and support.
//   mapdump <block name>
// One line per record up to the end marker:
//   <index> used|free "<key>" sel12=0x........ sel0=0x........ sel3=0x........
// where every non-zero slot is followed by (live), (gone) or (placeholder), a key without
// its terminator by (unterminated), and non-printable key bytes are shown as \xNN. The
// last line is "<index> end", or "no end marker" when none of the 500 records is one.
// Exit code: 0 shown; 1 no block of that name (it is never created here); 2 usage.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "base/text260.h"
#include "instmap/instmap.h"

namespace {

std::string Printable(const std::string& key) {
  std::string s;
  for (const char c : key) {
    const unsigned char b = static_cast<unsigned char>(c);
    if (b < 0x20 || b >= 0x7F || c == '"' || c == '\\') {
      char hex[8];
      TEXT_FORMAT(hex, "\\x%02X", b);
      s += hex;
    } else {
      s += c;
    }
  }
  return s;
}

std::string Slot(const char* name, std::uint32_t value) {
  char text[64];
  TEXT_FORMAT(text, " %s=0x%08lX", name, static_cast<unsigned long>(value));
  std::string s = text;
  if (value == kMapPlaceholderValue) {
    s += "(placeholder)";
  } else if (value != 0) {
    s += ::IsWindow(WindowFromMapValue(value)) ? "(live)" : "(gone)";
  }
  return s;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fputs("usage: mapdump <block name>   (e.g. mapdump ZeltV5MapFile_Ink)\n", stderr);
    return 2;
  }
  std::vector<unsigned char> block;
  if (!SnapshotInstanceMap(argv[1], &block)) {
    std::fprintf(stderr, "mapdump: no block named \"%s\"\n", argv[1]);
    return 1;
  }
  MapRecordInfo info;
  for (std::size_t r = 0; ReadMapRecord(block.data(), block.size(), r, &info); ++r) {
    if (info.state == MapRecordState::kEnd) {
      std::printf("%u end\n", static_cast<unsigned>(r));
      return 0;
    }
    std::printf("%u %s \"%s\"%s%s%s%s\n", static_cast<unsigned>(r), info.state == MapRecordState::kFree ? "free" : "used",
                Printable(info.key).c_str(), info.terminated ? "" : "(unterminated)", Slot("sel12", info.sel12).c_str(),
                Slot("sel0", info.sel0).c_str(), Slot("sel3", info.sel3).c_str());
  }
  std::puts("no end marker");
  return 0;
}
