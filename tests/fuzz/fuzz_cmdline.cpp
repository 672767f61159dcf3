// The switch grammar over arbitrary bytes: no read outside the text (AddressSanitizer),
// GetSwitchAt and ApplySwitches agree, and whatever the switches set survives a trip
// through the parameter file text unchanged.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "app/cmdline.h"

namespace {

constexpr int kMaxSwitches = 64;  // GetSwitchAt rescans from the start each call

// Everything a CCmdLineInfo holds that switches can set.
std::string Snapshot(const CCmdLineInfo& info) {
  ByteString text;
  if (!info.BuildParamFileText(&text)) std::abort();  // values under 260 always fit
  return text + "|EF=" + std::to_string(info.m_IconFrom) + "|F=" + info.m_szParamFile;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // An exact-size heap block, so a read past the text's terminator leaves the block.
  const std::string input(reinterpret_cast<const char*>(data), size);

  CCmdLineInfo applied;
  applied.m_szCmdLine = input;
  const int named = applied.ApplySwitches();

  CCmdLineInfo oneByOne;
  oneByOne.m_szCmdLine = input;
  bool ended = false;
  int namedByHand = 0;
  for (int k = 0; k < kMaxSwitches; ++k) {
    char name[260];
    char value[260];
    const int r = oneByOne.GetSwitchAt(k, name, sizeof name, value, sizeof value);
    if (r < 0) {
      if (name[0] != '\0' || value[0] != '\0') std::abort();
      ended = true;
      break;
    }
    if (std::strlen(name) > kMaxSwitchName) std::abort();
    // A value is always a run of the text itself.
    if (input.find(value) == std::string::npos) std::abort();
    oneByOne.ApplySwitch(name, value);
    if ((name[0] == 'F' || name[0] == 'f') && name[1] == '\0') {
      oneByOne.m_szParamFile = value;
      namedByHand = 1;
    }
  }
  if (ended) {
    if (named != namedByHand || Snapshot(applied) != Snapshot(oneByOne)) std::abort();
  }

  // Written and read back, the switches come out the same.
  ByteString fileText;
  if (!applied.BuildParamFileText(&fileText)) std::abort();
  CCmdLineInfo reread;
  reread.m_szCmdLine = fileText;
  if (reread.ApplySwitches() != 0) std::abort();  // F is never written
  reread.m_IconFrom = applied.m_IconFrom;         // nor EF
  reread.m_szParamFile = applied.m_szParamFile;
  if (Snapshot(reread) != Snapshot(applied)) std::abort();
  return 0;
}
