#include "base/resstring.h"

namespace {
HMODULE g_stringModule = nullptr;
}  // namespace

void SetStringResourceModule(HMODULE module) { g_stringModule = module; }

HMODULE GetStringResourceModule() {
  return g_stringModule != nullptr ? g_stringModule : ::GetModuleHandleA(nullptr);
}

ByteString LoadByteString(UINT id) {
  // A string resource holds at most 65535 characters; start small and grow while the
  // text fills the buffer (LoadString truncates silently).
  ByteString text(256, '\0');
  for (;;) {
    const int n = ::LoadStringA(GetStringResourceModule(), id, &text[0], static_cast<int>(text.size()));
    if (n <= 0) return ByteString();
    if (static_cast<std::size_t>(n) + 1 < text.size() || text.size() >= 65536) {
      text.resize(static_cast<std::size_t>(n));
      return text;
    }
    text.resize(text.size() * 2);
  }
}
