// Extension command values from a driver's setup data, over arbitrary bytes: the utility
// command's library path and number, the shell command's split, and the driver-update
// format. The value is an exact-size heap block and the output buffer too, so
// AddressSanitizer sees any read or write past them; the results are checked against what
// must hold.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "frame/auxvalue.h"
#include "utycall/utycommand.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  const std::size_t outSize = 1 + data[0] % 96;
  std::vector<char> value(reinterpret_cast<const char*>(data) + 1, reinterpret_cast<const char*>(data) + size);
  value.push_back('\0');
  const std::string text(value.data());

  std::size_t libraryLength = 0;
  if (FindUtyLibraryEnd(value.data(), &libraryLength)) {
    if (text.compare(libraryLength, 3, " /U") != 0 || text.find(" /U") != libraryLength) std::abort();
    const std::int32_t number = ParseUtyNumber(value.data(), libraryLength);
    if (IsUtyEntryCalled(number) && UtyEntryName(number) == nullptr) std::abort();
  }

  ByteString target;
  ByteString parameters;
  SplitShellCommand(value.data(), &target, &parameters);
  if (target.size() + parameters.size() > text.size()) std::abort();

  char* out = static_cast<char*>(std::malloc(outSize));
  const char folder[] = "C:\\Upd\\";
  const bool formatted = FormatDriverUpdateCommand(out, outSize, value.data(), folder);
  if (IsDriverUpdateFormat(value.data())) {
    // What the C runtime makes of an accepted format with the one argument.
    std::vector<char> expected(text.size() + sizeof folder + 1);
    std::snprintf(expected.data(), expected.size(), value.data(), folder);
    if (formatted != (std::strlen(expected.data()) < outSize)) std::abort();
    if (formatted && std::strcmp(out, expected.data()) != 0) std::abort();
  } else if (formatted) {
    std::abort();
  }
  if (!formatted && out[0] != '\0') std::abort();
  std::free(out);
  return 0;
}
