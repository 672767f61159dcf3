// Bounded buffer helpers over arbitrary bytes and sizes. Destinations are heap blocks of
// exactly the stated size, so AddressSanitizer sees any write or read past them; the
// results are checked against what must have happened.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "base/text260.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  const std::size_t dstSize = data[0] % 64;
  const std::size_t split = 2 + (size - 2) * data[1] / 256;
  // Sources are not necessarily terminated: give them exact-size blocks too.
  std::vector<char> src(reinterpret_cast<const char*>(data) + 2, reinterpret_cast<const char*>(data) + split);
  std::vector<char> more(reinterpret_cast<const char*>(data) + split, reinterpret_cast<const char*>(data) + size);
  src.push_back('\0');
  more.push_back('\0');
  const std::string srcText(src.data());
  const std::string moreText(more.data());

  char* dst = static_cast<char*>(std::malloc(dstSize == 0 ? 1 : dstSize));
  const bool copied = TextCopy(dst, dstSize, src.data());
  if (dstSize > 0) {
    if (copied != (srcText.size() < dstSize)) std::abort();
    if (std::string(dst) != (copied ? srcText : std::string())) std::abort();

    const std::string before = copied ? srcText : std::string();
    const bool appended = TextAppend(dst, dstSize, more.data());
    if (appended != (before.size() + moreText.size() < dstSize)) std::abort();
    if (std::string(dst) != (appended ? before + moreText : before)) std::abort();

    const bool formatted = TextFormat(dst, dstSize, "%s|%s", src.data(), more.data());
    const std::string joined = srcText + "|" + moreText;
    if (formatted != (joined.size() < dstSize)) std::abort();
    if (std::string(dst) != (formatted ? joined : std::string())) std::abort();

    const std::size_t n = src.size() - 1;
    const bool copiedN = TextCopyN(dst, dstSize, src.data(), n);
    if (copiedN != (n < dstSize)) std::abort();
    if (copiedN && std::memcmp(dst, src.data(), n) != 0) std::abort();
  } else if (copied) {
    std::abort();
  }
  std::free(dst);
  return 0;
}
